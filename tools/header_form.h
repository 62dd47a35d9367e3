// Takes the header out of a whole code image (the library's bounded
// extraction) and says which form it has. A new-style header that does not
// fit the file, or its own sizes, is "malformed", with the problem in words.
#ifndef CODEHDR_TOOLS_HEADER_FORM_H
#define CODEHDR_TOOLS_HEADER_FORM_H

#include <string>

#include "file_bytes.h"

class CCodeHeader;

namespace codehdr::tool {

enum class HeaderForm { kNone, kOldStyle, kNewStyle, kMalformed };

struct ExtractedHeader {
  HeaderForm form = HeaderForm::kNone;
  unsigned int size = 0;  // bytes the header takes at the start of the file
  std::string problem;    // set for kMalformed; for kNone, why a 0xC9 start is no header
};

ExtractedHeader ExtractHeader(CCodeHeader& header, const Bytes& image);

// "new-style", "old-style", "none", "malformed".
const char* HeaderFormName(HeaderForm form);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_HEADER_FORM_H
