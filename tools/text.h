// Text the tool prints for values taken from images: header text made safe
// for a terminal and for JSON, and the outcome of a verification.
#ifndef CODEHDR_TOOLS_TEXT_H
#define CODEHDR_TOOLS_TEXT_H

#include <string>

#include <codehdr/image.h>

namespace codehdr::tool {

// `text` with every byte outside 0x20..0x7E written as \xNN (and "\" as "\\").
std::string Printable(const std::string& text);

// How a verification ended, as `verify` prints it after "FILE: ":
//   verified (tag 33, code version R01A03.2, CRC-32 05d1e2f0)
//   FAILED ERR_CRC_MISMATCH (1050): <reason> (stored 1, computed 2)
//   FAILED: <reason>            (a status without a classic result code)
//   not checked (<reason>)
// File errors are not verdicts: see FileErrorText.
std::string VerdictText(const VerifyReport& report);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_TEXT_H
