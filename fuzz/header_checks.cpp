#include "header_checks.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "guarded_buffer.h"

namespace codehdr::fuzz {
namespace {

constexpr unsigned char kGuard = 0xC9;
constexpr unsigned char kFill = 0xA5;

// A destination of exactly `size` bytes ending at a guard page.
std::unique_ptr<GuardedBuffer> Destination(std::size_t size) {
  const std::vector<unsigned char> fill(size, kFill);
  return std::make_unique<GuardedBuffer>(fill.data(), size);
}

bool Untouched(const GuardedBuffer& b) {
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (b.data()[i] != kFill) return false;
  }
  return true;
}

unsigned Be16(const unsigned char* p) { return (static_cast<unsigned>(p[0]) << 8) | p[1]; }

}  // namespace

void CheckExtraction(CCodeHeader& h, unsigned short result, const unsigned char* image, std::size_t size) {
  if (result == 0) {
    if (h.compressedCodeHeader != nullptr || h.oldStyleHeader || h.GetHeaderTag() != 0) std::abort();
    return;
  }
  if (h.compressedCodeHeader == nullptr || result > size) std::abort();
  if (h.oldStyleHeader) {
    if (result != 4 || image[0] == kGuard || h.GetHeaderTotalSize() != 4 || h.GetHeaderTag() != image[0]) std::abort();
    for (int i = 0; i < 4; ++i) {
      if (image[i] != image[0] || h.compressedCodeHeader[i] != image[0]) std::abort();
    }
    return;
  }
  // New style: the declared total, copied byte for byte.
  if (image[0] != kGuard || size < 24 || result != Be16(image + 22)) std::abort();
  if (h.GetHeaderTotalSize() != result) std::abort();
  if (std::memcmp(h.compressedCodeHeader, image, result) != 0) std::abort();
}

bool IsValidationResult(unsigned short code) {
  switch (code) {
    case HDR_SUCCESS:
    case ERR_TAG_MISMATCH:
    case ERR_CRC_MISMATCH:
    case ERR_VERSION_FORMAT:
    case ERR_CODE_VER_FORMAT:
    case ERR_GUARD_BYTES:
    case ERR_DEP_VER_FORMAT:
    case ERR_MAN_HDR_SIZE:
      return true;
    default:
      return false;
  }
}

void CheckGuardedAccessors(CCodeHeader& h) {
  auto ver = Destination(16);
  auto comment = Destination(32);
  const int gotVer = h.GetHeaderCodeVer(ver->chars());
  const int gotComment = h.GetHeaderComment(comment->chars());
  if (h.compressedCodeHeader == nullptr) {
    if (gotVer != 0 || gotComment != 0 || h.GetHeaderTag() != 0) std::abort();
  }
  if (gotVer == 0 && !Untouched(*ver)) std::abort();
  if (gotVer == 1 && strnlen(ver->chars(), 16) == 16) std::abort();
  if (gotComment == 0 && !Untouched(*comment)) std::abort();
  if (gotComment == 1 && (h.comment == nullptr || std::strcmp(comment->chars(), h.comment) != 0)) std::abort();
  if (h.comment != nullptr && strnlen(h.comment, 32) == 32) std::abort();
}

void CheckNewStyleAccessors(CCodeHeader& h) {
  const unsigned char* hdr = h.compressedCodeHeader;
  const std::size_t total = h.GetHeaderTotalSize();
  if (hdr == nullptr || h.oldStyleHeader || total < 48) std::abort();
  if (h.ExtractTagIdFromHeader() != hdr[28] || h.GetHeaderTag() != hdr[28]) std::abort();

  const unsigned stored = (static_cast<unsigned>(hdr[24]) << 24) | (static_cast<unsigned>(hdr[25]) << 16) |
                          (static_cast<unsigned>(hdr[26]) << 8) | hdr[27];
  if (h.ExtractCrcFromHeader() != stored) std::abort();
  h.InsertCrcIntoHeader(~stored);
  if (h.ExtractCrcFromHeader() != ~stored) std::abort();
  h.InsertCrcIntoHeader(stored);

  // The code version text at byte 30, up to its NUL (at most 16 bytes there).
  const std::size_t verLen = strnlen(reinterpret_cast<const char*>(hdr + 30), 16);
  for (unsigned size = 0; size <= 18; ++size) {
    auto dst = Destination(size);
    const int got = h.ExtractVerStrFromHeader(dst->chars(), static_cast<unsigned char>(size));
    // A field of 16 characters has no NUL of its own; whether its text is
    // then taken as fitting is the implementation's choice.
    const bool fits = verLen + 1 <= size;
    if (verLen < 16 && got != (fits ? 1 : 0)) std::abort();
    if (got == 1 && (std::memcmp(dst->data(), hdr + 30, verLen) != 0 || dst->data()[verLen] != '\0')) std::abort();
    if (got == 0 && size > 0 && dst->data()[0] != '\0') std::abort();
  }
  CheckGuardedAccessors(h);

  const int count = h.GetNumCodeDependencies();
  if (count < 0) std::abort();
  for (int i = 0; i < count && i < 256; ++i) {
    const dependencyInfo d = h.GetCodeDependencyAt(static_cast<unsigned char>(i));
    if (strnlen(d.depVer, sizeof d.depVer) == sizeof d.depVer) std::abort();
  }
  (void)h.GetHeaderCommentLen();
}

std::vector<unsigned char> CommentCarrier(const std::string& text) {
  std::vector<unsigned char> img(48, 0);
  img[0] = 0xC9;
  img[46] = 1;
  img.push_back(1);
  img.push_back(static_cast<unsigned char>(text.size() + 1));
  img.insert(img.end(), text.begin(), text.end());
  img.push_back(0);
  img[22] = static_cast<unsigned char>(img.size() >> 8);
  img[23] = static_cast<unsigned char>(img.size());
  return img;
}

}  // namespace codehdr::fuzz
