#include "header/header_form.h"

#include "header/bounds.h"
#include "header/byte_order.h"
#include "header/layout.h"

namespace codehdr {

namespace {

ImageHeader ClassifyNewStyle(const unsigned char* image, std::size_t imageLen) {
  if (!SpanFits(imageLen, layout::kTotSizeLoc, 2)) return {HeaderForm::kMalformed, 0, 0};
  const std::size_t total = byte_order::ReadBe16(image + layout::kTotSizeLoc);
  if (total < layout::kManHdrLen || total > imageLen) return {HeaderForm::kMalformed, 0, total};
  return {HeaderForm::kNewStyle, total, total};
}

bool IsOldStyle(const unsigned char* image, std::size_t imageLen) {
  if (imageLen < layout::kOldStyleHdrLen) return false;
  for (std::size_t i = 1; i < layout::kOldStyleHdrLen; ++i) {
    if (image[i] != image[0]) return false;
  }
  return true;
}

}  // namespace

ImageHeader ClassifyImage(const unsigned char* image, std::size_t imageLen) {
  if (image == nullptr || imageLen == 0) return {HeaderForm::kNone, 0, 0};
  // The first byte alone marks a new-style header; validation checks the
  // other guard bytes.
  if (image[layout::kGuardLoc] == layout::kGuardByte) return ClassifyNewStyle(image, imageLen);
  if (IsOldStyle(image, imageLen)) return {HeaderForm::kOldStyle, layout::kOldStyleHdrLen, 0};
  return {HeaderForm::kNone, 0, 0};
}

}  // namespace codehdr
