// Formatted version strings such as "R01A02.3":
//   position 0      state letter, 'P' (preliminary) or 'R' (released)
//   positions 1-2   major number, two digits
//   position 3      release letter, 'A'-'Z' except 'I' and 'O'
//   positions 4-5   minor number, two digits
//   position 6      optional '.', followed by up to nine build digits
// Strings are at most 16 characters, the size of a header's version fields.
#ifndef CODEHDR_VERSION_STRING_H
#define CODEHDR_VERSION_STRING_H

#include <cstddef>
#include <optional>
#include <string>

#include <codehdr/export.h>

// Checks the first `count` characters of `str` against the form above and
// returns 1 when every examined character fits its position, else 0.
// The check is a prefix check: it stops with success at a NUL, at a space,
// or at any character other than '.' in position 6. A count of 0 accepts
// any string; a count above 16 refuses every string.
CODEHDR_EXPORT int VerifyCodeVersionFormat(const char* str, unsigned char count);

namespace codehdr {

// The check of VerifyCodeVersionFormat, as a bool; a null text fails.
CODEHDR_EXPORT bool CheckVersion(const char* text, std::size_t count);

struct Version {
  int major = 0;
  int minor = 0;
  char letter = '\0';         // the release letter; NUL when the text is too short to hold one
  std::optional<int> build;   // the number in the two characters after the first '.', when there is one
};

// Splits a version string that passes the check over 16 characters; none
// when it does not. Numbers the text is too short to hold read as 0.
CODEHDR_EXPORT std::optional<Version> ParseVersion(const char* text);

// The build number of FormatVersion that asks for none.
constexpr int kNoBuild = -1;

// "R01A02.3" from its parts. build is 0 to 9, or kNoBuild; the release
// letter is upper-cased. Refuses (none) a major or minor number above 99, a
// build number outside that range, and a release letter that is no ASCII
// letter. "I" and "O" are taken, although the check refuses the result.
CODEHDR_EXPORT std::optional<std::string> FormatVersion(unsigned major, unsigned minor, char release, int build,
                                                        bool prelim);

}  // namespace codehdr

#endif  // CODEHDR_VERSION_STRING_H
