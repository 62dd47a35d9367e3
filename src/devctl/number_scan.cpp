#include "devctl/number_scan.h"

#include <climits>
#include <cstdint>

namespace codehdr::devctl {
namespace {

// Value of c as a digit of base 10 or 16, or -1.
int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

// Reads the leading digits from text[pos] on, saturating at limit. Returns the
// number of digits read.
std::size_t ReadDigits(const Token& token, std::size_t pos, int base, std::uint64_t limit,
                       std::uint64_t* magnitude) {
  std::size_t count = 0;
  std::uint64_t m = 0;
  for (; pos < token.length; ++pos, ++count) {
    const int d = DigitValue(token.text[pos], base);
    if (d < 0) break;
    m = m * base + d;
    if (m > limit) m = limit;
  }
  *magnitude = m;
  return count;
}

// Skips an optional '+' or '-' at pos; returns true for '-'.
bool ReadSign(const Token& token, std::size_t* pos) {
  if (*pos < token.length && (token.text[*pos] == '+' || token.text[*pos] == '-')) {
    return token.text[(*pos)++] == '-';
  }
  return false;
}

// True when "0x" or "0X" at pos is followed by a hex digit. A prefix without
// a digit after it is not skipped: its "0" converts, as strtoul does.
bool HasHexPrefixBeforeDigit(const Token& token, std::size_t pos) {
  return pos + 2 < token.length && token.text[pos] == '0' &&
         (token.text[pos + 1] == 'x' || token.text[pos + 1] == 'X') &&
         DigitValue(token.text[pos + 2], 16) >= 0;
}

}  // namespace

bool ScanDecimal(const Token& token, int* value) {
  std::size_t pos = 0;
  const bool negative = ReadSign(token, &pos);
  // One more than INT_MAX so that INT_MIN itself is reachable.
  const std::uint64_t limit = negative ? static_cast<std::uint64_t>(INT_MAX) + 1 : INT_MAX;
  std::uint64_t magnitude = 0;
  if (ReadDigits(token, pos, 10, limit, &magnitude) == 0) return false;
  *value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<int>(magnitude);
  return true;
}

bool ScanHex(const Token& token, unsigned int* value) {
  std::size_t pos = 0;
  const bool negative = ReadSign(token, &pos);
  if (HasHexPrefixBeforeDigit(token, pos)) pos += 2;
  std::uint64_t magnitude = 0;
  if (ReadDigits(token, pos, 16, UINT_MAX, &magnitude) == 0) return false;
  const unsigned int m = static_cast<unsigned int>(magnitude);
  *value = negative ? 0u - m : m;
  return true;
}

}  // namespace codehdr::devctl
