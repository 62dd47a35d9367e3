#include "test_image.h"

#include <cstring>

#include "crc/crc_reference.h"

namespace codehdr::test {
namespace {

void PutField(std::vector<unsigned char>& out, std::size_t at, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) out[at + i] = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

}  // namespace

std::size_t HeaderSize(const ImageSpec& spec) {
  std::size_t n = 48 + 20 * spec.deps.size();
  if (spec.comment) n += 2 + spec.comment->size() + 1;
  return n;
}

std::vector<unsigned char> MakeImage(const ImageSpec& spec) {
  const std::size_t total = HeaderSize(spec);
  std::vector<unsigned char> out(48, 0);
  std::memset(out.data(), 0xC9, 4);
  PutField(out, 4, spec.vireVuzVer, 16);
  out[20] = 0;
  out[21] = 48;
  out[22] = static_cast<unsigned char>(total >> 8);
  out[23] = static_cast<unsigned char>(total);
  out[28] = spec.tag;
  out[29] = 3;
  PutField(out, 30, spec.codeVer, 16);
  out[46] = static_cast<unsigned char>(spec.deps.size() + (spec.comment ? 1 : 0));
  if (spec.comment) {
    out.push_back(1);
    out.push_back(static_cast<unsigned char>(spec.comment->size() + 1));
    out.insert(out.end(), spec.comment->begin(), spec.comment->end());
    out.push_back(0);
  }
  for (const auto& [type, ver] : spec.deps) {
    const std::size_t at = out.size();
    out.resize(at + 20);
    out[at] = 2;
    out[at + 1] = 18;
    out[at + 2] = static_cast<unsigned char>(type >> 8);
    out[at + 3] = static_cast<unsigned char>(type);
    PutField(out, at + 4, ver, 16);
  }
  out.insert(out.end(), spec.code.begin(), spec.code.end());
  const std::uint32_t crc = ReferenceCrc32(out.data(), out.size());
  for (int i = 0; i < 4; ++i) out[24 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
  return out;
}

}  // namespace codehdr::test
