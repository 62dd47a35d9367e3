// Extraction of a header from a code image held in memory or named by a file,
// and the quick new-style test on a file.
#include <algorithm>
#include <cstring>
#include <memory>

#include <codehdr/code_header.h>

#include "header/bounds.h"
#include "header/byte_order.h"
#include "header/file_handle.h"
#include "header/header_form.h"
#include "header/layout.h"

namespace layout = codehdr::layout;

// The header is at most 65535 bytes (its total size is 16 bits), so the file
// form never needs more than that many bytes of the file.
static constexpr std::size_t kMaxHeaderLen = 0xFFFF;

unsigned short CCodeHeader::ExtractHdrFromCompressedCodeFile(const unsigned char* image) {
  // The caller promises an image that holds the whole header. Only the
  // header's own bytes are read: 4 for an image that does not start with
  // 0xC9, else the declared total. A declared total below 48 cannot hold the
  // mandatory header and is refused as the bounded form refuses it.
  std::size_t trusted = layout::kOldStyleHdrLen;
  if (image != nullptr && image[layout::kGuardLoc] == layout::kGuardByte) {
    trusted = codehdr::byte_order::ReadBe16(image + layout::kTotSizeLoc);
  }
  return ExtractHdrFromCompressedCodeFile(image, trusted);
}

unsigned short CCodeHeader::ExtractHdrFromCompressedCodeFile(const unsigned char* image, std::size_t imageLen) {
  delete[] compressedCodeHeader;
  compressedCodeHeader = nullptr;
  hdrBufLen = 0;
  oldStyleHeader = false;

  // A new-style header that does not fit its own sizes (total size field
  // beyond the image, declared total below 48 or beyond imageLen) is refused
  // like an image without a header: result 0, no header held, dependency
  // list and comment unchanged.
  const codehdr::ImageHeader found = codehdr::ClassifyImage(image, imageLen);
  if (found.form == codehdr::HeaderForm::kOldStyle) {
    compressedCodeHeader = new unsigned char[layout::kOldStyleHdrLen];
    std::memset(compressedCodeHeader, image[layout::kGuardLoc], layout::kOldStyleHdrLen);
    hdrBufLen = layout::kOldStyleHdrLen;
    oldStyleHeader = true;
    return layout::kOldStyleHdrLen;
  }
  if (found.form != codehdr::HeaderForm::kNewStyle) return 0;

  compressedCodeHeader = new unsigned char[found.length];
  std::memcpy(compressedCodeHeader, image, found.length);
  hdrBufLen = found.length;
  ParseHeaderDependencyInfo();
  return static_cast<unsigned short>(found.length);
}

unsigned short CCodeHeader::ExtractHdrFromCompressedCodeFile(const char* fileName, long length) {
  codehdr::FileHandle file = codehdr::OpenBinaryForReading(fileName);
  if (!file) return 0;
  // A length of 0 or less gives an empty image: like any image without a
  // header, it releases the held header and returns 0. A file shorter than
  // length gives the bytes actually read, and only those are examined.
  const std::size_t wanted = length > 0 ? std::min(static_cast<std::size_t>(length), kMaxHeaderLen) : 0;
  std::unique_ptr<unsigned char[]> image(new unsigned char[wanted == 0 ? 1 : wanted]);
  const std::size_t got = wanted == 0 ? 0 : std::fread(image.get(), 1, wanted, file.get());
  return ExtractHdrFromCompressedCodeFile(image.get(), got);
}

int CCodeHeader::IsNewHeader(FILE* file) {
  if (file == nullptr || std::fseek(file, 0, SEEK_SET) != 0) return 0;
  unsigned char guard[layout::kGuardLen];
  if (std::fread(guard, 1, sizeof guard, file) != sizeof guard) return 0;
  return std::all_of(guard, guard + sizeof guard, [](unsigned char b) { return b == layout::kGuardByte; })
             ? 1
             : 0;
}

int CCodeHeader::IsNewHeader(const char* fileName) {
  codehdr::FileHandle file = codehdr::OpenBinaryForReading(fileName);
  if (!file) return 0;
  return IsNewHeader(file.get());
}
