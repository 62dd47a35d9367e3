#include "devctl/number_scan.h"

#include <cstdlib>

#include "common/bounded_copy.h"
#include "devctl/device_line.h"

namespace codehdr::devctl {
namespace {

// A token as a C string. Tokens come from lines of at most 119 characters, so
// a line buffer holds any of them whole.
struct TokenText {
  char text[kLineBufSize];
  explicit TokenText(const Token& token) { BoundedCopyN(text, sizeof text, token.text, token.length); }
};

}  // namespace

bool ScanDecimal(const Token& token, int* value) {
  const TokenText t(token);
  char* end = nullptr;
  const long parsed = std::strtol(t.text, &end, 10);
  if (end == t.text) return false;
  *value = static_cast<int>(parsed);  // "%d" keeps the low 32 bits
  return true;
}

bool ScanHex(const Token& token, unsigned int* value) {
  const TokenText t(token);
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(t.text, &end, 16);
  if (end == t.text) return false;
  *value = static_cast<unsigned int>(parsed);  // "%x" keeps the low 32 bits
  return true;
}

}  // namespace codehdr::devctl
