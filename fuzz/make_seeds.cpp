// Writes the seed corpora of the header targets: images built and sealed by
// the library itself, old-style and headerless images, and one image for each
// way a header can fail to fit its own sizes. Run from the source tree:
//   fuzz_make_seeds fuzz/corpus
// (it rewrites the files it owns and leaves any others alone).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <codehdr/code_header.h>
#include <codehdr/crc.h>

#include "header_checks.h"
#include "temp_dir.h"

namespace {

using Bytes = std::vector<unsigned char>;
using codehdr::fuzz::CommentCarrier;

struct Seeds {
  std::string root;
  void Write(const std::string& target, const std::string& name, const Bytes& b) const {
    const std::string path = root + "/" + target + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || (!b.empty() && std::fwrite(b.data(), 1, b.size(), f) != b.size())) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
    std::fclose(f);
  }
  // Header images go to both header targets.
  void Image(const std::string& name, const Bytes& b) const {
    Write("header_bytes", name, b);
    Write("whole_file", name, b);
  }
};

const char kDevices[] = "VERSION 1\nDEVICE_MODEL 1 A APP x 17\nDEVICE_MODEL 2 B LANG x 26\nDEVICE_MODEL 3 C NOSUCH x 40\n";

void Seal(Bytes& file) {
  std::memset(file.data() + 24, 0, 4);
  CCRC engine;
  const unsigned crc = engine.GetCRC32(file.data(), static_cast<int>(file.size()));
  for (int i = 0; i < 4; ++i) file[24 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
}

// Builds a header with the library and seals it with `codeLen` code bytes.
Bytes Built(const std::string& devices, unsigned char tag, const char* comment, int deps, std::size_t codeLen) {
  CCodeHeader h;
  if (h.Init(devices.c_str()) != HDR_SUCCESS) std::abort();
  if (comment != nullptr) {
    const Bytes carrier = CommentCarrier(comment);
    h.ExtractHdrFromCompressedCodeFile(carrier.data(), carrier.size());
  }
  if (h.InsertHeaderCodeVer("R02B03.4") != 1) std::abort();
  for (int i = 0; i < deps; ++i) {
    if (i % 2 == 0) {
      h.AddCodeDependencyToHdr(static_cast<unsigned short>(i * 37 + 1), "P01A01.7");
    } else if (h.AddCodeDependencyToHdr("LANG", "R10C20") != HDR_SUCCESS) {
      std::abort();
    }
  }
  int result = -1;
  const unsigned short total = h.BuildHeader(tag, "R01A02.3", &result);
  if (total == 0) std::abort();
  Bytes file(h.compressedCodeHeader, h.compressedCodeHeader + total);
  for (std::size_t i = 0; i < codeLen; ++i) file.push_back(static_cast<unsigned char>(i * 7 + (i >> 3)));
  Seal(file);
  return file;
}

Bytes Cut(Bytes b, std::size_t n) {
  b.resize(n);
  return b;
}

Bytes WithByte(Bytes b, std::size_t at, unsigned char v, bool reseal) {
  b[at] = v;
  if (reseal) Seal(b);
  return b;
}

void WriteHeaderSeeds(const Seeds& s, const std::string& devices) {
  const Bytes plain = Built(devices, 17, nullptr, 0, 16);
  const Bytes commented = Built(devices, 26, "hello, world", 0, 40);
  const Bytes rich = Built(devices, 17, "eleven dependencies", 11, 64);
  const Bytes unknownMode = Built(devices, 40, "", 2, 8);
  const Bytes maxComment = Built(devices, 26, "0123456789012345678901234567890", 3, 0);
  s.Image("valid_plain", plain);
  s.Image("valid_comment", commented);
  s.Image("valid_rich", rich);
  s.Image("valid_unknown_code_mode", unknownMode);
  s.Image("valid_31_char_comment", maxComment);

  s.Image("old_style", Bytes{5, 5, 5, 5, 1, 2, 3});
  s.Image("old_style_only", Bytes{7, 7, 7, 7});
  s.Image("new_style_one_guard", WithByte(WithByte(WithByte(plain, 1, 0, false), 2, 0, false), 3, 0, true));
  s.Image("headerless", Bytes{5, 5, 5, 6, 0xC9, 0xC9});
  s.Image("zero_length", Bytes{});
  s.Image("three_bytes", Bytes{0xC9, 0xC9, 0xC9});

  // Declared totals that do not fit.
  for (unsigned total : {0u, 4u, 5u, 47u}) {
    Bytes b = plain;
    b[22] = static_cast<unsigned char>(total >> 8);
    b[23] = static_cast<unsigned char>(total);
    s.Image("total_" + std::to_string(total), b);
  }
  {
    Bytes b = plain;
    b[22] = 0xFF;
    b[23] = 0xFF;
    s.Image("total_beyond_bytes", b);
  }
  // Files shorter than the header they declare.
  for (std::size_t n : {1u, 23u, 24u, 47u, 48u}) s.Image("short_" + std::to_string(n), Cut(rich, n));
  s.Image("short_by_one", Cut(rich, rich.size() - 64 - 1));
  // Sections that run past the end: more sections than bytes.
  s.Image("sections_past_end", WithByte(plain, 46, 255, true));
  s.Image("sections_one_too_many", WithByte(rich, 46, 13, true));
  {
    // A comment whose length byte runs beyond the header, and one without NUL.
    Bytes b = commented;
    b[49] = 255;
    s.Image("comment_past_end", b);
    Bytes c = CommentCarrier("abcdefghijklmnopqrstuvwxyz0123456789");
    c.pop_back();
    c[49] = static_cast<unsigned char>(c.size() - 50);
    s.Image("comment_without_nul", c);
  }
  s.Image("bad_guard", WithByte(plain, 3, 0xC8, true));
  s.Image("bad_mandatory_size", WithByte(plain, 21, 47, true));
  s.Image("bad_reserved", WithByte(plain, 47, 1, true));
  s.Image("bad_code_version", WithByte(plain, 30, 'X', true));
  s.Image("bad_vire_version", WithByte(plain, 7, 'I', true));
  s.Image("bad_crc", WithByte(plain, 60, static_cast<unsigned char>(plain[60] ^ 1), false));
  s.Image("bad_dependency_version", WithByte(rich, 50 + 20 + 4, 'Q', true));
  s.Image("section_type_3", WithByte(rich, 50 + 20, 3, true));
  s.Image("dependency_length_20", WithByte(rich, 50 + 20 + 1, 20, true));
  s.Image("dependency_length_0", WithByte(rich, 50 + 20 + 1, 0, true));
  s.Image("full_version_field", [&] {
    Bytes b = plain;
    std::memcpy(b.data() + 30, "R01A02.345678901", 16);
    Seal(b);
    return b;
  }());
}

void WriteVersionSeeds(const Seeds& s) {
  const char* strings[] = {"R01A02.3", "P12D05", "P12D05.45", "P12D05.456", "R01A02.", "R01A02 extra", "R01A02-3",
                           "R01A02x.5", "R01A02.3x", "R01I02", "R01a02", "r01A02", "X01A02", "R1A02", "",
                           "R01A02.123456789", "R01A02.1234567890", "R 0A-5", "R01A02x.-5", "P99Z99.99"};
  int i = 0;
  for (const char* str : strings) {
    Bytes b = {static_cast<unsigned char>(i), static_cast<unsigned char>(i * 3), static_cast<unsigned char>('a' + i),
               static_cast<unsigned char>(9 + i % 3), static_cast<unsigned char>(i * 20), 1, 0};
    b.insert(b.end(), str, str + std::strlen(str));
    s.Write("version_strings", "v" + std::to_string(i++), b);
  }
  s.Write("version_strings", "builder_I", Bytes{99, 99, 'I', 16, 9, 1, 0});
  s.Write("version_strings", "builder_refused", Bytes{100, 1, 'A', 16, 255, 0, 0});
}

void WriteRoundTripSeeds(const Seeds& s) {
  std::uint32_t x = 12345;
  for (int i = 0; i < 24; ++i) {
    Bytes b;
    const int len = 8 + i * 23;
    for (int j = 0; j < len; ++j) {
      x = x * 1103515245u + 12345u;
      b.push_back(static_cast<unsigned char>(x >> 16));
    }
    // Mostly valid tags (1..18) in the usual position of the tag byte.
    b[0] = static_cast<unsigned char>(i % 2);
    s.Write("round_trip", "r" + std::to_string(i), b);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus-root>\n", argv[0]);
    return 2;
  }
  const Seeds seeds{argv[1]};
  codehdr::fuzz::TempDir dir;
  const std::string devices =
      dir.WriteFile("virevuz.txt", reinterpret_cast<const unsigned char*>(kDevices), sizeof kDevices - 1);
  WriteHeaderSeeds(seeds, devices);
  WriteVersionSeeds(seeds);
  WriteRoundTripSeeds(seeds);
  return 0;
}
