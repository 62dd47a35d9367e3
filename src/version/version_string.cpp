// Formatted version strings ("R01A02.3"): the check, the parser and the
// builder.
#include <codehdr/version_string.h>

#include <cstdlib>
#include <cstring>

#include "common/bounded_copy.h"

namespace codehdr {
namespace {

// The most characters the check examines: the size of a version field.
constexpr std::size_t kMaxCheckedChars = 16;

constexpr std::size_t kStatePos = 0;
constexpr std::size_t kMajorPos = 1;
constexpr std::size_t kReleaseLetterPos = 3;
constexpr std::size_t kMinorPos = 4;
constexpr std::size_t kBuildSeparatorPos = 6;
constexpr std::size_t kNumberWidth = 2;  // digits read for each number

constexpr unsigned kMaxTwoDigitNumber = 99;
constexpr int kMaxBuildDigit = 9;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool FitsPosition(std::size_t pos, unsigned char c) {
  switch (pos) {
    case kStatePos:
      return c == 'P' || c == 'R';
    case kReleaseLetterPos:
      return c >= 'A' && c <= 'Z' && c != 'I' && c != 'O';
    default:
      return IsDigit(c);
  }
}

// atoi of the at most two characters at pos of a string of length len:
// characters past the terminator count as absent, so a number the string
// does not hold reads as 0.
int NumberAt(const char* text, std::size_t len, std::size_t pos) {
  if (pos >= len) return 0;
  char digits[kNumberWidth + 1] = {};
  BoundedCopyN(digits, sizeof digits, text + pos, len - pos);
  return std::atoi(digits);
}

// The release letter in upper case, or NUL when c is no ASCII letter.
char UpperReleaseLetter(char c) {
  if (c >= 'A' && c <= 'Z') return c;
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return '\0';
}

char Digit(unsigned value) { return static_cast<char>('0' + value); }

}  // namespace

bool CheckVersion(const char* text, std::size_t count) {
  if (text == nullptr || count > kMaxCheckedChars) return false;
  for (std::size_t pos = 0; pos < count; ++pos) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c == '\0' || c == ' ') return true;
    // Anything but '.' after the minor number ends the checked part.
    if (pos == kBuildSeparatorPos) {
      if (c != '.') return true;
      continue;
    }
    if (!FitsPosition(pos, c)) return false;
  }
  return true;
}

std::optional<Version> ParseVersion(const char* text) {
  if (!CheckVersion(text, kMaxCheckedChars)) return std::nullopt;
  // The check passes strings shorter than the fixed part "R01A02".
  const std::size_t len = BoundedLength(text, kBuildSeparatorPos);
  Version v;
  v.major = NumberAt(text, len, kMajorPos);
  v.minor = NumberAt(text, len, kMinorPos);
  v.letter = kReleaseLetterPos < len ? text[kReleaseLetterPos] : '\0';
  // The first '.' anywhere, even after a character that ended the check.
  if (const char* dot = std::strchr(text, '.')) {
    char digits[kNumberWidth + 1] = {};
    BoundedCopy(digits, sizeof digits, dot + 1);
    v.build = std::atoi(digits);
  }
  return v;
}

std::optional<std::string> FormatVersion(unsigned major, unsigned minor, char release, int build, bool prelim) {
  if (major > kMaxTwoDigitNumber || minor > kMaxTwoDigitNumber) return std::nullopt;
  if (build != kNoBuild && (build < 0 || build > kMaxBuildDigit)) return std::nullopt;
  const char letter = UpperReleaseLetter(release);
  if (letter == '\0') return std::nullopt;

  std::string text{prelim ? 'P' : 'R', Digit(major / 10), Digit(major % 10), letter, Digit(minor / 10),
                   Digit(minor % 10)};
  if (build != kNoBuild) {
    text += '.';
    text += Digit(static_cast<unsigned>(build));
  }
  return text;
}

}  // namespace codehdr
