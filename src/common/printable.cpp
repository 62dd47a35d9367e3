// Text from outside (header fields, file names) made safe to print: every
// byte outside printable ASCII becomes \xNN, and the backslash is doubled so
// that the escape cannot be forged.
#include <cstdio>

#include <codehdr/core.h>

namespace codehdr {

std::string PrintableText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte == '\\') {
      out += "\\\\";
    } else if (byte >= 0x20 && byte <= 0x7E) {
      out += ch;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      out += hex;
    }
  }
  return out;
}

}  // namespace codehdr
