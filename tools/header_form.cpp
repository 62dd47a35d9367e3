#include "header_form.h"

#include <codehdr/code_header.h>

#include "header/byte_order.h"
#include "header/layout.h"

namespace codehdr::tool {

namespace {


unsigned int DeclaredTotal(const Bytes& image) {
  return byte_order::ReadBe16(image.data() + layout::kTotSizeLoc);
}

// A declared total of 4 or less is what the library's verification counts as
// no header at all (an extraction result of 4 or less is never validated).
bool CountsAsNoHeader(const Bytes& image) {
  return image.size() >= layout::kTotSizeLoc + sizeof(std::uint16_t) && DeclaredTotal(image) <= layout::kOldStyleHdrLen;
}

// Why a file that starts like a new-style header was refused by the
// extraction, for the message.
std::string MalformedReason(const Bytes& image) {
  std::string file_size = std::to_string(image.size());
  if (image.size() < layout::kManHdrLen) {
    return "the file is " + file_size + " bytes, too short for the 48-byte mandatory header it starts";
  }
  unsigned int declared = DeclaredTotal(image);
  std::string declared_text = std::to_string(declared);
  if (declared < layout::kManHdrLen) {
    return "the header declares a total size of " + declared_text + " bytes, less than its 48-byte mandatory part";
  }
  if (declared > image.size()) {
    return "the file is " + file_size + " bytes, shorter than the " + declared_text + "-byte header it declares";
  }
  return "the header's optional sections do not fit its declared size of " + declared_text + " bytes";
}

}  // namespace

ExtractedHeader ExtractHeader(CCodeHeader& header, const Bytes& image) {
  ExtractedHeader out;
  if (image.empty()) return out;
  out.size = header.ExtractHdrFromCompressedCodeFile(image.data(), image.size());
  if (out.size == 0) {
    if (image[0] != CCodeHeader::GUARD_BYTE_VAL) return out;
    if (CountsAsNoHeader(image)) {
      out.problem = "starts with 0xC9 but declares a header of " + std::to_string(DeclaredTotal(image)) +
                    " bytes, which counts as no header";
      return out;
    }
    out.form = HeaderForm::kMalformed;
    out.problem = MalformedReason(image);
    return out;
  }
  out.form = header.oldStyleHeader ? HeaderForm::kOldStyle : HeaderForm::kNewStyle;
  return out;
}

const char* HeaderFormName(HeaderForm form) {
  switch (form) {
    case HeaderForm::kOldStyle:
      return "old-style";
    case HeaderForm::kNewStyle:
      return "new-style";
    case HeaderForm::kMalformed:
      return "malformed";
    case HeaderForm::kNone:
      break;
  }
  return "none";
}

}  // namespace codehdr::tool
