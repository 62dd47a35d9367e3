// Version strings: the check against a model of the form at every count, and the parser, which answers as the check
// does and leaves its outputs untouched when it refuses. The text lies in an allocation of its exact size.
#include <cstdlib>
#include <cstring>
#include <memory>

#include <codehdr/code_header.h>
#include <codehdr/version_string.h>

// What the check must answer.
static int Model(const char* s, unsigned count) {
  for (unsigned i = 0; i < count && count <= 16; ++i) {
    const char c = s[i];
    if (c == '\0' || c == ' ' || (i == 6 && c != '.')) return 1;
    const bool fits = i == 0   ? c == 'P' || c == 'R'
                      : i == 3 ? c >= 'A' && c <= 'Z' && c != 'I' && c != 'O'
                               : i == 6 || (c >= '0' && c <= '9');
    if (!fits) return 0;
  }
  return count <= 16;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto text = std::make_unique<char[]>(size + 1);  // zero-filled: the input and a terminator
  std::memcpy(text.get(), data, size);
  for (unsigned char count = 0; count <= 17; ++count) {
    if (VerifyCodeVersionFormat(text.get(), count) != Model(text.get(), count)) std::abort();
  }
  int major = -1, minor = -1, build = -1;
  char letter = '#';
  const int parsed = CCodeHeader().ParseFormattedVersionStr(text.get(), &major, &minor, &letter, &build);
  const bool untouched = major == -1 && minor == -1 && letter == '#' && build == -1;
  if (parsed != Model(text.get(), 16) || (!parsed && !untouched)) std::abort();
  return 0;
}
