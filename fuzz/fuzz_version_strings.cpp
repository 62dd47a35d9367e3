// Version strings: the check against a model of the form at every count, the parser, which answers as the check does
// and leaves its outputs untouched when it refuses, and a header object taking a code version. The text lies in an
// allocation of its exact size.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

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
  // A header object takes a code version of at most 16 characters that passes the check, and keeps 15 of them.
  CCodeHeader taker;
  taker.InsertHeaderCodeVer("R07C08");
  const std::size_t len = std::strlen(text.get());
  const bool taken = len <= 16 && Model(text.get(), static_cast<unsigned>(len));
  if (taker.InsertHeaderCodeVer(text.get()) != taken) std::abort();
  if (taker.codeVer != (taken ? std::string(text.get(), std::min<std::size_t>(len, 15)) : "R07C08")) std::abort();
  return 0;
}
