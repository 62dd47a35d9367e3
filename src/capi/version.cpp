// The C interface's version strings: check, parse and make.
#include <codehdr/c.h>
#include <codehdr/version_string.h>

#include "capi/capi.h"

using namespace codehdr::capi;

extern "C" {

int codehdr_version_check(const char* text, size_t count) { return codehdr::CheckVersion(text, count) ? 1 : 0; }

int codehdr_version_parse(const char* text, codehdr_version* out) {
  if (!Usable(out)) return 0;
  const std::optional<codehdr::Version> v = codehdr::ParseVersion(text);
  if (!v) return 0;
  codehdr_version parsed{};
  parsed.major = v->major;
  parsed.minor = v->minor;
  parsed.letter = v->letter;
  parsed.build = v->build.value_or(-1);
  Out(out, parsed);
  return 1;
}

int codehdr_version_make(unsigned major, unsigned minor, char release, int build, int prelim, char* out,
                         size_t out_size) {
  if (out == nullptr) return 0;
  // The text is at most 8 characters: no allocation, and nothing to fail but
  // the parts.
  const int made = Guarded([&] {
    const std::optional<std::string> text = codehdr::FormatVersion(major, minor, release, build, prelim != 0);
    if (!text || text->size() >= out_size) return 0;
    std::memcpy(out, text->c_str(), text->size() + 1);
    return 1;
  });
  return made == 1 ? 1 : 0;
}

}  // extern "C"
