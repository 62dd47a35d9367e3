// Number conversion of device control tokens, following the rules of the
// "%d" and "%x" scanf conversions: an optional sign, for hexadecimal an
// optional 0x/0X prefix, then the leading digits; whatever follows them is
// ignored. A token without leading digits does not convert.
//
// Out of range values are clamped instead of being undefined: decimal ones to
// INT_MIN .. INT_MAX, a hexadecimal magnitude to 0xFFFFFFFF (a minus sign then
// negates modulo 2^32, as "%x" does for values in range).
#ifndef CODEHDR_SRC_DEVCTL_NUMBER_SCAN_H
#define CODEHDR_SRC_DEVCTL_NUMBER_SCAN_H

#include "devctl/tokenizer.h"

namespace codehdr::devctl {

// Returns false, leaving *value unchanged, when the token does not convert.
bool ScanDecimal(const Token& token, int* value);
bool ScanHex(const Token& token, unsigned int* value);

}  // namespace codehdr::devctl

#endif  // CODEHDR_SRC_DEVCTL_NUMBER_SCAN_H
