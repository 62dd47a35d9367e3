// Tells the header forms apart at the start of a code image of known length.
#ifndef CODEHDR_SRC_HEADER_HEADER_FORM_H
#define CODEHDR_SRC_HEADER_HEADER_FORM_H

#include <cstddef>

namespace codehdr {

enum class HeaderForm {
  kNone,       // neither form: no recognisable header
  kOldStyle,   // four equal bytes other than 0xC9
  kNewStyle,   // first byte 0xC9 and a declared total that fits the image
  kMalformed,  // first byte 0xC9, but the declared total cannot be taken
};

struct ImageHeader {
  HeaderForm form;
  // Bytes the header occupies: the declared total for kNewStyle, 4 for
  // kOldStyle, 0 otherwise.
  std::size_t length;
  // Bytes 22-23 when the image holds them and starts with 0xC9, else 0.
  std::size_t declaredTotal;
};

// Classifies the first bytes of an image of imageLen bytes, reading none
// beyond imageLen. A new-style header is malformed when the image is too short
// to hold its total size field, when the declared total is below the 48 bytes
// of the mandatory header, or when it exceeds imageLen.
ImageHeader ClassifyImage(const unsigned char* image, std::size_t imageLen);

}  // namespace codehdr

#endif  // CODEHDR_SRC_HEADER_HEADER_FORM_H
