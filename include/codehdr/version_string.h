// Formatted version strings such as "R01A02.3":
//   position 0      state letter, 'P' (preliminary) or 'R' (released)
//   positions 1-2   major number, two digits
//   position 3      release letter, 'A'-'Z' except 'I' and 'O'
//   positions 4-5   minor number, two digits
//   position 6      optional '.', followed by up to nine build digits
// Strings are at most 16 characters, the size of a header's version fields.
#ifndef CODEHDR_VERSION_STRING_H
#define CODEHDR_VERSION_STRING_H

#include <codehdr/export.h>

// Checks the first `count` characters of `str` against the form above and
// returns 1 when every examined character fits its position, else 0.
// The check is a prefix check: it stops with success at a NUL, at a space,
// or at any character other than '.' in position 6. A count of 0 accepts
// any string; a count above 16 refuses every string.
CODEHDR_EXPORT int VerifyCodeVersionFormat(const char* str, unsigned char count);

#endif  // CODEHDR_VERSION_STRING_H
