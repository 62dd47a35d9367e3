#include "printable.h"

#include <cstdio>

namespace codehdr::tool {

std::string FieldText(const unsigned char* field, std::size_t width) {
  std::size_t len = 0;
  while (len < width && field[len] != 0) ++len;
  return Printable(std::string(reinterpret_cast<const char*>(field), len));
}

std::string Printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    unsigned char byte = static_cast<unsigned char>(ch);
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

}  // namespace codehdr::tool
