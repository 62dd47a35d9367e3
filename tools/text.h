// Text the tool prints for values taken from images and tables: header text
// made safe for a terminal and for JSON, CRCs, code-mode labels.
#ifndef CODEHDR_TOOLS_TEXT_H
#define CODEHDR_TOOLS_TEXT_H

#include <cstdint>
#include <string>
#include <vector>

#include <codehdr/image.h>

namespace codehdr::tool {

// `text` with every byte outside 0x20..0x7E written as \xNN (and "\" as "\\").
std::string Printable(const std::string& text);

// A CRC-32 as lower-case hex without leading zeros ("cbf43926", "0").
std::string CrcText(std::uint32_t crc);

// Every code-mode label whose value is `value`, in table order.
std::vector<std::string> ModeLabels(unsigned int value);

// Those labels joined by "/", or `none_text` when there are none.
std::string JoinedModeLabels(unsigned int value, const std::string& none_text);

// How a verification ended, as `verify` prints it after "FILE: ":
//   verified (tag 33, code version R01A03.2, CRC-32 5d1e2f0a)
//   FAILED ERR_CRC_MISMATCH (1050): <reason> (stored 1, computed 2)
//   FAILED: <reason>            (a status without a classic result code)
//   not checked (<reason>)
// File errors are not verdicts: see FileErrorText.
std::string VerdictText(const VerifyReport& report);

// The one word JSON output gives a verification: "verified", "not checked",
// "failed", or "error" for a file that could not be read.
const char* VerdictWord(const VerifyReport& report);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_TEXT_H
