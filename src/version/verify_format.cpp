// The format check of version strings: a prefix check, position by position.
#include <codehdr/version_string.h>

#include "version/version_format.h"

namespace {

constexpr int kStatePos = 0;
constexpr int kReleaseLetterPos = 3;
constexpr int kBuildSeparatorPos = 6;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsStateLetter(unsigned char c) { return c == 'P' || c == 'R'; }

bool IsReleaseLetter(unsigned char c) { return c >= 'A' && c <= 'Z' && c != 'I' && c != 'O'; }

bool EndsCheck(unsigned char c) { return c == '\0' || c == ' '; }

bool FitsPosition(int pos, unsigned char c) {
  switch (pos) {
    case kStatePos:
      return IsStateLetter(c);
    case kReleaseLetterPos:
      return IsReleaseLetter(c);
    default:
      return IsDigit(c);
  }
}

}  // namespace

int VerifyCodeVersionFormat(const char* str, unsigned char count) {
  if (count > codehdr::version::kMaxCheckedChars) return 0;
  if (count == 0) return 1;
  // A null string has nothing that could pass; refuse it rather than read it.
  if (str == nullptr) return 0;
  for (int pos = 0; pos < count; ++pos) {
    const unsigned char c = static_cast<unsigned char>(str[pos]);
    if (EndsCheck(c)) return 1;
    // Anything but '.' after the minor number ends the string's checked part.
    if (pos == kBuildSeparatorPos) {
      if (c != '.') return 1;
      continue;
    }
    if (!FitsPosition(pos, c)) return 0;
  }
  return 1;
}
