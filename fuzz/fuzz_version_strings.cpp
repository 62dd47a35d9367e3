// Version strings: the format check over every count, the parser, and the
// builder, whose every accepted result (release letters I and O aside) must
// pass the check and parse back to the numbers it was built from.
//
// Input: 7 bytes of builder arguments, then the text for the check and the
// parser.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/version_string.h>

#include "byte_reader.h"
#include "guarded_buffer.h"

namespace {

using codehdr::fuzz::ByteReader;
using codehdr::fuzz::GuardedBuffer;

constexpr unsigned char kMaxCount = 16;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What one character must be at position i; true when it passes.
bool FitsPosition(std::size_t i, char c) {
  if (i == 0) return c == 'P' || c == 'R';
  if (i == 3) return c >= 'A' && c <= 'Z' && c != 'I' && c != 'O';
  return IsDigit(c);
}

// Independent model of the check, for comparison.
int ModelCheck(const char* s, unsigned count) {
  if (count > kMaxCount) return 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = s[i];
    if (c == '\0' || c == ' ') return 1;
    if (i == 6) {
      if (c != '.') return 1;
      continue;
    }
    if (!FitsPosition(i, c)) return 0;
  }
  return 1;
}

void CheckEveryCount(const char* s) {
  for (unsigned count = 0; count <= kMaxCount + 1; ++count) {
    const int got = VerifyCodeVersionFormat(s, static_cast<unsigned char>(count));
    if (got != ModelCheck(s, count)) std::abort();
  }
}

// The parser on a string: refused exactly when the check refuses, outputs
// untouched then; when the fixed part is complete, the numbers are exact.
void CheckParse(const char* s) {
  CCodeHeader hdr;
  int major = -7, minor = -7, build = -7;
  char letter = '#';
  const int ok = hdr.ParseFormattedVersionStr(s, &major, &minor, &letter, &build);
  if (ok != VerifyCodeVersionFormat(s, kMaxCount)) std::abort();
  if (!ok) {
    if (major != -7 || minor != -7 || letter != '#' || build != -7) std::abort();
    return;
  }
  if (hdr.ParseFormattedVersionStr(s, &major, &minor, nullptr, nullptr) != 1) std::abort();
  // Each number comes from at most two characters read like atoi.
  if (major < -9 || major > 99 || minor < -9 || minor > 99 || build < -9 || build > 99) std::abort();
  const bool fixedPartWhole = std::strlen(s) >= 6 && IsDigit(s[1]) && IsDigit(s[2]) && IsDigit(s[4]) && IsDigit(s[5]);
  if (fixedPartWhole) {
    if (major != (s[1] - '0') * 10 + (s[2] - '0')) std::abort();
    if (minor != (s[4] - '0') * 10 + (s[5] - '0')) std::abort();
    if (letter != s[3]) std::abort();
  }
}

bool BuilderAccepts(unsigned char maj, unsigned char min, char rel, unsigned char size, unsigned char buildNo) {
  const bool letter = (rel >= 'A' && rel <= 'Z') || (rel >= 'a' && rel <= 'z');
  return size >= 9 && maj <= 99 && min <= 99 && (buildNo <= 9 || buildNo == 255) && letter;
}

// Builds into an output buffer of exactly verStrSize bytes (sentinel-filled)
// and checks the result against the arguments.
void CheckBuild(ByteReader& in) {
  const unsigned char maj = in.Byte() % 128;
  const unsigned char min = in.Byte() % 128;
  const char rel = static_cast<char>(in.Byte());
  unsigned char size = in.Byte() % 24;
  const unsigned char buildSel = in.Byte();
  const unsigned char buildNo = buildSel >= 128 ? 255 : buildSel % 12;
  const int prelim = in.Byte() % 3;
  if (size == 0) size = 1;
  std::string sentinel(size, '\x5A');
  GuardedBuffer out(reinterpret_cast<const unsigned char*>(sentinel.data()), size);

  CCodeHeader hdr;
  const int ok = hdr.BuildFormattedVerStr(maj, min, out.chars(), rel, size, buildNo, prelim);
  if (ok != (BuilderAccepts(maj, min, rel, size, buildNo) ? 1 : 0)) std::abort();
  if (!ok) {
    if (std::memcmp(out.data(), sentinel.data(), size) != 0) std::abort();
    return;
  }
  const char* s = out.chars();
  const std::size_t len = strnlen(s, size);
  if (len != (buildNo == 255 ? 6u : 8u)) std::abort();
  const char upper = (rel >= 'a' && rel <= 'z') ? static_cast<char>(rel - 'a' + 'A') : rel;
  if (s[0] != (prelim ? 'P' : 'R') || s[3] != upper) std::abort();
  if (upper == 'I' || upper == 'O') {
    if (VerifyCodeVersionFormat(s, kMaxCount) != 0) std::abort();
    return;
  }
  if (VerifyCodeVersionFormat(s, static_cast<unsigned char>(len)) != 1) std::abort();
  int major = -1, minor = -1, build = -1;
  char letter = 0;
  if (hdr.ParseFormattedVersionStr(s, &major, &minor, &letter, &build) != 1) std::abort();
  if (major != maj || minor != min || letter != upper) std::abort();
  if (build != (buildNo == 255 ? 0 : buildNo)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  CheckBuild(in);

  std::size_t textLen = 0;
  const std::uint8_t* text = in.Rest(&textLen);
  // The text with its NUL at the very end of readable memory: the check and
  // the parser must stop at the NUL.
  std::string terminated(reinterpret_cast<const char*>(text), textLen);
  GuardedBuffer withNul(reinterpret_cast<const unsigned char*>(terminated.c_str()), textLen + 1);
  CheckEveryCount(withNul.chars());
  CheckParse(withNul.chars());

  // Without any NUL: a count no larger than the text never reads past it.
  GuardedBuffer bare(text, textLen);
  const std::size_t maxCount = textLen < kMaxCount ? textLen : kMaxCount;
  for (std::size_t count = 0; count <= maxCount; ++count) {
    if (VerifyCodeVersionFormat(bare.chars(), static_cast<unsigned char>(count)) !=
        ModelCheck(bare.chars(), static_cast<unsigned>(count)))
      std::abort();
  }
  return 0;
}
