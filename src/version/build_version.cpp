// Builds a formatted version string from its numbers and letters.
#include "common/bounded_copy.h"
#include "common/trace.h"
#include "version/version_format.h"

namespace codehdr::version {
namespace {

constexpr unsigned char kMaxTwoDigitNumber = 99;
constexpr unsigned char kMaxBuildDigit = 9;
constexpr unsigned char kFirstNonAscii = 128;

// "R01A02.3" and its NUL.
constexpr int kAssembledLen = 9;

// The release letter in upper case, or 0 when incrRel is no ASCII letter.
char UpperReleaseLetter(char incrRel) {
  const unsigned char c = static_cast<unsigned char>(incrRel);
  if (c < 'A' || c >= kFirstNonAscii) return 0;
  if (c <= 'Z') return static_cast<char>(c);
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return 0;
}

char DecimalDigit(unsigned char value) { return static_cast<char>('0' + value); }

bool ArgumentsInRange(unsigned char maj, unsigned char min, unsigned char verStrSize,
                      unsigned char buildNo) {
  if (verStrSize < kMinBuildBufSize) return false;
  if (maj > kMaxTwoDigitNumber) return false;
  if (min > kMaxTwoDigitNumber) return false;
  return buildNo == kNoBuildNumber || buildNo <= kMaxBuildDigit;
}

}  // namespace

int BuildVersionString(unsigned char maj, unsigned char min, char* verStr, char incrRel,
                       unsigned char verStrSize, unsigned char buildNo, int prelim) {
  Trace("Entering BuildFormattedVersStr() - maj = %d, min = %d, incrRel = %d, buildNo = %d, prelim = %d",
        maj, min, static_cast<int>(static_cast<signed char>(incrRel)), buildNo, prelim);
  // A null buffer cannot receive the string: refuse it like a short one.
  if (verStr == nullptr || !ArgumentsInRange(maj, min, verStrSize, buildNo)) return 0;
  const char letter = UpperReleaseLetter(incrRel);
  if (letter == 0) return 0;

  char text[kAssembledLen] = {};
  int len = 0;
  text[len++] = prelim != 0 ? 'P' : 'R';
  text[len++] = DecimalDigit(maj / 10);
  text[len++] = DecimalDigit(maj % 10);
  text[len++] = letter;
  text[len++] = DecimalDigit(min / 10);
  text[len++] = DecimalDigit(min % 10);
  if (buildNo != kNoBuildNumber) {
    text[len++] = '.';
    text[len++] = DecimalDigit(buildNo);
  }
  text[len] = '\0';

  BoundedCopy(verStr, verStrSize, text);
  Trace("Finished creating ver str -- %s", verStr);
  return 1;
}

}  // namespace codehdr::version
