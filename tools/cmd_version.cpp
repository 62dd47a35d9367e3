// codehdr version check STR | parse STR | make --maj N --min N --rel L [--build N] [--prelim]
#include <cstdio>
#include <optional>
#include <string>

#include <codehdr/version_string.h>

#include "commands.h"
#include "errors.h"

namespace codehdr::tool {

namespace {

constexpr std::size_t kMaxVersionLength = 16;  // a header's version field

}  // namespace

// The whole string is checked, as a header's code version is.
int RunCheck(const std::string& text) {
  if (text.size() > kMaxVersionLength) throw ToolError(text, "malformed: longer than 16 characters", kExitFailed);
  if (!CheckVersion(text.c_str(), text.size())) throw ToolError(text, "malformed", kExitFailed);
  std::printf("%s: well-formed\n", text.c_str());
  return kExitOk;
}

int RunParse(const std::string& text) {
  const std::optional<Version> v = ParseVersion(text.c_str());
  if (!v) throw ToolError(text, "malformed version string", kExitFailed);
  std::printf("state    %s\n", text[0] == 'P' ? "preliminary (P)" : text[0] == 'R' ? "released (R)" : "-");
  std::printf("major    %d\nrelease  %c\nminor    %d\n", v->major, v->letter != '\0' ? v->letter : '-', v->minor);
  if (v->build) {
    std::printf("build    %d\n", *v->build);
  } else {
    std::printf("build    none\n");
  }
  return kExitOk;
}

int RunMake(const MakeOptions& opts) {
  if (opts.release.size() != 1) throw ToolError("--rel " + opts.release, "give one letter", kExitUsage);
  const std::optional<std::string> text =
      FormatVersion(opts.major, opts.minor, opts.release[0], opts.build, opts.prelim);
  if (!text) {
    throw ToolError("--rel " + opts.release, "refused: the release letter must be A to Z or a to z", kExitFailed);
  }
  if (!CheckVersion(text->c_str(), kMaxVersionLength)) {
    throw ToolError(*text, "not a valid version: the release letter cannot be I or O", kExitFailed);
  }
  std::printf("%s\n", text->c_str());
  return kExitOk;
}

}  // namespace codehdr::tool
