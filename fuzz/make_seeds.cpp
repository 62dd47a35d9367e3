// Writes the seed corpora of header_bytes and whole_file: sound images,
// old-style and headerless ones, and one for each way a header can be broken
// or fail to fit its own sizes. Run from the source tree as
// `fuzz_make_seeds fuzz/corpus`; it rewrites the files it names, no others.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "support.h"

using codehdr::test::Bytes;
using codehdr::test::Image;

// b with one byte changed and, unless told otherwise, its CRC stored again.
static Bytes Poke(Bytes b, std::size_t at, std::uint8_t value, bool reseal = true) {
  b[at] = value;
  std::memset(&b[24], 0, 4);
  const std::uint32_t crc = reseal ? codehdr::test::ReferenceCrc32(b.data(), b.size()) : 0;
  for (int i = 0; i < 4; ++i) b[24 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return b;
}

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: %s <corpus-root>\n", argv[0]), 2;
  const auto write = [&](const char* target, const std::string& name, const Bytes& b) {
    std::ofstream out(std::string(argv[1]) + "/" + target + "/" + name, std::ios::binary);
    if (!out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size())).flush()) std::exit(1);
  };
  Image plain, comment, rich, unknownMode, longComment;
  comment.tag = 26, comment.codeMode = 26, comment.Comment("hello, world").payload.assign(40, 0x1A);
  rich.Comment("eleven dependencies");  // 22 bytes at 48; the first dependency at 70
  for (int i = 0; i < 11; ++i) rich.Dep(static_cast<std::uint16_t>(i * 37 + 1), i % 2 ? "P01A01.7" : "R10C20");
  unknownMode.codeMode = 201, unknownMode.Comment("").Dep(26, "R10C20").Dep(511, "P01A01.7");
  longComment.Comment("0123456789012345678901234567890").Dep(1, "R01A02.123456789").payload.clear();
  const Bytes p = plain.File(), r = rich.File();
  const auto cut = [&](std::ptrdiff_t n) { return Bytes(r.begin(), r.begin() + n); };
  const std::pair<std::string, Bytes> seeds[] = {
      {"valid_plain", p}, {"valid_comment", comment.File()}, {"valid_rich", r},
      {"valid_unknown_code_mode", unknownMode.File()}, {"valid_31_char_comment", longComment.File()},
      {"old_style", {5, 5, 5, 5, 1, 2, 3}}, {"old_style_only", {7, 7, 7, 7}}, {"headerless", {5, 5, 5, 6, 0xC9}},
      {"zero_length", {}}, {"three_bytes", {0xC9, 0xC9, 0xC9}},
      {"new_style_one_guard", Poke(Poke(Poke(p, 1, 0), 2, 0), 3, 0)}, {"total_0", Poke(p, 23, 0)},
      {"total_4", Poke(p, 23, 4)}, {"total_5", Poke(p, 23, 5)}, {"total_47", Poke(p, 23, 47)},
      {"total_beyond_bytes", Poke(Poke(p, 22, 0xFF), 23, 0xFF)}, {"short_1", cut(1)}, {"short_23", cut(23)},
      {"short_24", cut(24)}, {"short_47", cut(47)}, {"short_48", cut(48)}, {"short_by_one", cut(289)},
      {"sections_past_end", Poke(p, 46, 255)}, {"sections_one_too_many", Poke(r, 46, 13)},
      {"comment_past_end", Image().Section(1, 255, {'a', 'b', 0}).File()},
      {"comment_without_nul", Image().Section(1, 5, {'h', 'e', 'l', 'l', 'o'}).File()},
      {"bad_guard", Poke(p, 3, 0xC8)}, {"bad_mandatory_size", Poke(p, 21, 47)}, {"bad_reserved", Poke(p, 47, 1)},
      {"bad_code_version", Poke(p, 30, 'X')}, {"bad_vire_version", Poke(p, 7, 'I')},
      {"bad_crc", Poke(p, 50, 0xFF, false)}, {"bad_dependency_version", Poke(r, 74, 'Q')},
      {"section_type_3", Poke(r, 70, 3)}, {"dependency_length_20", Poke(r, 71, 20)},
      {"dependency_length_0", Poke(r, 71, 0)},
  };
  for (const auto& [name, bytes] : seeds) write("header_bytes", name, bytes), write("whole_file", name, bytes);
  return 0;
}
