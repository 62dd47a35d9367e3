// Version strings: the check against a model of the form at every count; the
// parser, which answers as the check does and leaves its outputs untouched
// when it refuses; and the builder, whose string of the parsed parts parses
// back to them. The text lies in an allocation of its exact size.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <tuple>

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
  int major = -1, minor = -1, build = -1, major2 = -1, minor2 = -1, build2 = -1;
  char letter = '#', letter2 = '#', rebuilt[9];
  const int parsed = CCodeHeader().ParseFormattedVersionStr(text.get(), &major, &minor, &letter, &build);
  const auto parts = std::tie(major, minor, letter, build), parts2 = std::tie(major2, minor2, letter2, build2);
  if (parsed != Model(text.get(), 16) || (!parsed && parts != parts2)) std::abort();
  // The builder turns parts it takes back into a string that parses to them.
  const bool buildable = parsed && std::min({major, minor, build}) >= 0 && std::max(major, minor) < 100 &&
                         build < 10 && letter >= 'A' && letter <= 'Z' && letter != 'I' && letter != 'O';
  using U8 = unsigned char;
  if (buildable && (CCodeHeader().BuildFormattedVerStr(U8(major), U8(minor), rebuilt, letter, 9, U8(build), 1) != 1 ||
                    CCodeHeader().ParseFormattedVersionStr(rebuilt, &major2, &minor2, &letter2, &build2) != 1 ||
                    parts2 != parts)) {
    std::abort();
  }
  return 0;
}
