// The C interface's text of header values as the tool shows them: code-mode
// labels and printable header text, written the way snprintf writes.
#include <cstring>
#include <string>

#include <codehdr/c.h>
#include <codehdr/core.h>
#include <codehdr/header.h>

#include "capi/capi.h"

namespace {

// Writes `text` into `out` cut to out_size - 1 bytes and terminated; returns
// its whole length.
std::size_t Written(const std::string& text, char* out, std::size_t out_size) {
  if (out != nullptr && out_size != 0) {
    const std::size_t n = std::min(text.size(), out_size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
  }
  return text.size();
}

}  // namespace

const char* codehdr_code_mode_label(uint16_t value, size_t index) { return codehdr::CodeModeLabelAt(value, index); }

size_t codehdr_code_mode_text(uint16_t value, char* out, size_t out_size) {
  try {
    return Written(codehdr::CodeModeText(value), out, out_size);
  } catch (...) {  // out of memory: nothing written
    return Written(std::string(), out, out_size);
  }
}

size_t codehdr_printable(const char* text, char* out, size_t out_size) {
  try {
    return Written(codehdr::PrintableText(text != nullptr ? text : ""), out, out_size);
  } catch (...) {
    return Written(std::string(), out, out_size);
  }
}
