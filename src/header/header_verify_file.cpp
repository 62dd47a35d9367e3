// Verification of a whole code image file: read it once, computing the file
// CRC-32 with the CRC field cleared as it arrives; take its header; validate.
#include <memory>

#include <codehdr/code_header.h>

#include "header/bounds.h"
#include "header/file_handle.h"
#include "header/header_form.h"
#include "header/image_read.h"
#include "header/layout.h"
#include "platform/platform.h"

namespace layout = codehdr::layout;

namespace {

// True when an image whose extraction found no new-style header holds none to
// validate. A header that starts with 0xC9 but cannot be taken (file shorter
// than the header it declares, or a declared total between 5 and 47) fails
// verification; a declared total of 4 or less counts as no header, as an
// extraction result of 4 or less always does.
bool HoldsNoHeaderToValidate(const unsigned char* image, std::size_t imageLen) {
  const codehdr::ImageHeader found = codehdr::ClassifyImage(image, imageLen);
  if (found.form != codehdr::HeaderForm::kMalformed) return true;
  return codehdr::SpanFits(imageLen, layout::kTotSizeLoc, 2) && found.declaredTotal <= layout::kOldStyleHdrLen;
}

// Only an image that starts like a new-style header is ever checked against
// its CRC; for the rest the CRC is not computed.
bool MayNeedCrc(const unsigned char* image) { return image[0] == layout::kGuardByte; }

}  // namespace

int CCodeHeader::DoVerifyHeader(const char* fileName, long /*length*/, unsigned char tagId) {
  codehdr::FileHandle file = codehdr::OpenBinaryForReading(fileName);
  if (!file) return 0;
  long long fileSize = 0;
  if (!codehdr::platform::OpenFileSize(file.get(), &fileSize) || fileSize < 0) return 0;

  const std::size_t imageLen = static_cast<std::size_t>(fileSize);
  std::unique_ptr<unsigned char[]> image(new unsigned char[imageLen == 0 ? 1 : imageLen]);
  std::uint32_t crc = 0;
  const bool complete = codehdr::ReadImage(file.get(), image.get(), imageLen, MayNeedCrc, &crc);
  file.reset();
  // A read that delivers fewer bytes than the file system reported (the file
  // shrank, or an I/O error) cannot be checked against its CRC: failure.
  if (!complete) return 0;

  const unsigned short headerLen = ExtractHdrFromCompressedCodeFile(image.get(), imageLen);
  if (headerLen == 0) return HoldsNoHeaderToValidate(image.get(), imageLen) ? 1 : 0;
  if (headerLen <= layout::kOldStyleHdrLen) return 1;

  // crc covers the whole image with bytes 24-27 counted as zero, as if the
  // image's CRC field had been cleared; the held header keeps the stored CRC.
  return ValidateHeader(tagId, crc) == HDR_SUCCESS ? 1 : 0;
}
