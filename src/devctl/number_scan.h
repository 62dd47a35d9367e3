// Number conversion of device control tokens, as the "%d" and "%x" scanf
// conversions read them: leading white space, an optional sign, for
// hexadecimal an optional 0x/0X prefix, then the leading digits; whatever
// follows them is ignored. A token without leading digits does not convert.
// Values out of range come out as the C library's conversions give them
// (strtol/strtoul, then narrowed to the 32-bit field).
#ifndef CODEHDR_SRC_DEVCTL_NUMBER_SCAN_H
#define CODEHDR_SRC_DEVCTL_NUMBER_SCAN_H

#include "devctl/tokenizer.h"

namespace codehdr::devctl {

// Returns false, leaving *value unchanged, when the token does not convert.
bool ScanDecimal(const Token& token, int* value);
bool ScanHex(const Token& token, unsigned int* value);

}  // namespace codehdr::devctl

#endif  // CODEHDR_SRC_DEVCTL_NUMBER_SCAN_H
