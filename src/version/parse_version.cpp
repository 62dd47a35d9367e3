// Splits a formatted version string into its numbers and letter.
#include <cstdlib>
#include <cstring>

#include <codehdr/version_string.h>

#include "common/bounded_copy.h"
#include "version/version_format.h"

namespace codehdr::version {
namespace {

constexpr std::size_t kMajorPos = 1;
constexpr std::size_t kLetterPos = 3;
constexpr std::size_t kMinorPos = 4;
constexpr std::size_t kNumberWidth = 2;
// Positions 0 to 5: everything before the build part.
constexpr std::size_t kFixedPartLen = 6;

// atoi of the at most kNumberWidth characters at pos. The check passes strings
// shorter than the fixed part, so characters past the terminator count as
// absent: a number the string does not hold reads as 0.
int ReadNumberAt(const char* str, std::size_t strLen, std::size_t pos) {
  if (pos >= strLen) return 0;
  char digits[kNumberWidth + 1] = {};
  BoundedCopyN(digits, sizeof digits, str + pos, strLen - pos);
  return std::atoi(digits);
}

// The number in the at most two characters after the first '.', or 0.
int ReadBuildNumber(const char* str) {
  const char* dot = std::strchr(str, '.');
  if (dot == nullptr) return 0;
  char digits[kNumberWidth + 1] = {};
  BoundedCopy(digits, sizeof digits, dot + 1);
  return std::atoi(digits);
}

}  // namespace

int ParseVersionString(const char* str, int* major, int* minor, char* letter, int* build) {
  if (str == nullptr || VerifyCodeVersionFormat(str, kMaxCheckedChars) == 0) return 0;
  const std::size_t fixedLen = BoundedLength(str, kFixedPartLen);
  // major and minor are required; a null one is skipped rather than written.
  if (major != nullptr) *major = ReadNumberAt(str, fixedLen, kMajorPos);
  if (minor != nullptr) *minor = ReadNumberAt(str, fixedLen, kMinorPos);
  // A string too short to hold the letter gives NUL.
  if (letter != nullptr) *letter = kLetterPos < fixedLen ? str[kLetterPos] : '\0';
  if (build != nullptr) *build = ReadBuildNumber(str);
  return 1;
}

}  // namespace codehdr::version
