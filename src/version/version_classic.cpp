// The classic entry points of the version strings: the exported check and
// the two members of CCodeHeader, over the codehdr:: check, parser and
// builder.
#include <optional>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/version_string.h>

#include "common/bounded_copy.h"

namespace {

// The smallest buffer the classic builder writes into, whatever the string
// needs, and the buildNo that asks for no build number.
constexpr unsigned char kMinBuildBufSize = 9;
constexpr unsigned char kNoBuildNumber = 255;

}  // namespace

int VerifyCodeVersionFormat(const char* str, unsigned char count) {
  // A count of 0 examines nothing, not even whether there is a string.
  if (str == nullptr) return count == 0 ? 1 : 0;
  return codehdr::CheckVersion(str, count) ? 1 : 0;
}

int CCodeHeader::BuildFormattedVerStr(unsigned char maj, unsigned char min, char* verStr, char incrRel,
                                      unsigned char verStrSize, unsigned char buildNo, int prelim) {
  // A null buffer cannot receive the string: refuse it like a short one.
  if (verStr == nullptr || verStrSize < kMinBuildBufSize) return 0;
  const int build = buildNo == kNoBuildNumber ? codehdr::kNoBuild : buildNo;
  const std::optional<std::string> text = codehdr::FormatVersion(maj, min, incrRel, build, prelim != 0);
  if (!text) return 0;
  codehdr::BoundedCopy(verStr, verStrSize, text->c_str());
  return 1;
}

int CCodeHeader::ParseFormattedVersionStr(const char* str, int* major, int* minor, char* letter, int* build) {
  const std::optional<codehdr::Version> v = codehdr::ParseVersion(str);
  if (!v) return 0;
  // major and minor are required; a null one is skipped rather than written.
  if (major != nullptr) *major = v->major;
  if (minor != nullptr) *minor = v->minor;
  if (letter != nullptr) *letter = v->letter;
  if (build != nullptr) *build = v->build.value_or(0);
  return 1;
}
