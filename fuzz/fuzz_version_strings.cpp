// Version strings: the check against a model of the form at every count; the
// parser, which answers as the check does and leaves its outputs untouched
// when it refuses; and the builder, whose string of the parsed parts parses
// back to them. The text lies in an allocation of its exact size.
#include <cstddef>
#include <cstdint>
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
  if (parsed != Model(text.get(), 16) || (!parsed && (major != -1 || minor != -1 || build != -1 || letter != '#'))) {
    std::abort();
  }
  // The builder turns the parts back into a string that parses to them.
  if (!parsed || major < 0 || minor < 0 || build < 0 || build > 9 || letter == 'I' || letter == 'O') return 0;
  if (letter < 'A' || letter > 'Z') return 0;
  char rebuilt[9];
  int major2 = -1, minor2 = -1, build2 = -1;
  char letter2 = '#';
  CCodeHeader().BuildFormattedVerStr(static_cast<unsigned char>(major), static_cast<unsigned char>(minor), rebuilt,
                                     letter, sizeof rebuilt, static_cast<unsigned char>(build), 1);
  if (CCodeHeader().ParseFormattedVersionStr(rebuilt, &major2, &minor2, &letter2, &build2) != 1 || major2 != major ||
      minor2 != minor || letter2 != letter || build2 != build) {
    std::abort();
  }
  return 0;
}
