// Version strings: the check against a model of the form at every count, the
// parser exactly when the check passes (its outputs untouched otherwise), and
// the builder, whose strings pass the check ("I" and "O" aside) and parse back
// to its arguments. Input: 6 bytes of builder arguments, then the text.
#include <algorithm>
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
  if (size < 6) return 0;
  CCodeHeader h;
  const unsigned char maj = data[0] % 128, min = data[1] % 128, bufSize = data[3] % 20;
  const unsigned char buildNo = data[4] >= 128 ? 255 : data[4] % 12;
  const char rel = static_cast<char>(data[2]), upper = rel >= 'a' && rel <= 'z' ? rel - 'a' + 'A' : rel;
  const bool built = bufSize >= 9 && maj <= 99 && min <= 99 && (buildNo <= 9 || buildNo == 255) && upper >= 'A' &&
                     upper <= 'Z';
  const bool checkable = built && upper != 'I' && upper != 'O';
  const auto out = std::make_unique<char[]>(bufSize);  // exact sizes: the sanitizers see any access past them
  std::memset(out.get(), '~', bufSize);
  if (h.BuildFormattedVerStr(maj, min, out.get(), rel, bufSize, buildNo, data[5] % 3) != built) std::abort();
  if (!built && std::count(out.get(), out.get() + bufSize, '~') != bufSize) std::abort();
  if (built && VerifyCodeVersionFormat(out.get(), 16) != checkable) std::abort();
  int major = -1, minor = -1, build = -1;
  char letter = '#';
  if (checkable && (h.ParseFormattedVersionStr(out.get(), &major, &minor, &letter, &build) != 1 || major != maj ||
                    minor != min || letter != upper || build != (buildNo == 255 ? 0 : buildNo))) {
    std::abort();
  }
  const auto text = std::make_unique<char[]>(size - 5);  // zero-filled: the text and its terminator
  std::memcpy(text.get(), data + 6, size - 6);
  for (unsigned char count = 0; count <= 17; ++count) {
    if (VerifyCodeVersionFormat(text.get(), count) != Model(text.get(), count)) std::abort();
  }
  major = minor = build = -1;
  letter = '#';
  const int parsed = h.ParseFormattedVersionStr(text.get(), &major, &minor, &letter, &build);
  if (parsed != Model(text.get(), 16) || (!parsed && (major != -1 || minor != -1 || build != -1 || letter != '#'))) {
    std::abort();
  }
  return 0;
}
