// codehdr version check STR | parse STR | make --maj N --min N --rel L [--build N] [--prelim]
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>
#include <codehdr/version_string.h>

#include "commands.h"
#include "errors.h"

namespace codehdr::tool {

namespace {

constexpr std::size_t kMaxVersionLength = 16;  // a header's version field
constexpr int kNoBuildNumber = -1;
constexpr const char* kFooter = "Exit status: 0 success; 1 malformed or refused; 2 usage error.";

struct MakeOptions {
  unsigned major = 0;
  unsigned minor = 0;
  std::string release;
  int build = kNoBuildNumber;
  bool prelim = false;
};

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

void AddMake(CLI::App& version, int& exit_status) {
  auto opts = std::make_shared<MakeOptions>();
  CLI::App* make = version.add_subcommand("make", "Make a version string from its numbers");
  make->add_option("--maj", opts->major, "Major number, 0 to 99")->required()->check(CLI::Range(0, 99));
  make->add_option("--min", opts->minor, "Minor number, 0 to 99")->required()->check(CLI::Range(0, 99));
  make->add_option("--rel", opts->release, "Release letter, A to Z (not I or O)")->required();
  make->add_option("--build", opts->build, "Build number, 0 to 9 (default: none)")->check(CLI::Range(0, 9));
  make->add_flag("--prelim", opts->prelim, "Preliminary (P) instead of released (R)");
  make->footer(kFooter);
  make->callback([opts, &exit_status] { exit_status = RunMake(*opts); });
}

}  // namespace

void AddVersionCommand(CLI::App& app, int& exit_status) {
  CLI::App* version = app.add_subcommand("version", "Check, parse or make formatted version strings");
  version->require_subcommand(1);
  version->footer(kFooter);
  auto check_text = std::make_shared<std::string>();
  CLI::App* check = version->add_subcommand("check", "Exit 0 when STR is a well-formed version string");
  check->add_option("STR", *check_text, "Version string, e.g. R01A02.3")->required();
  check->footer(kFooter);
  check->callback([check_text, &exit_status] { exit_status = RunCheck(*check_text); });
  auto parse_text = std::make_shared<std::string>();
  CLI::App* parse = version->add_subcommand("parse", "Split STR into its numbers and letters");
  parse->add_option("STR", *parse_text, "Version string")->required();
  parse->footer(kFooter);
  parse->callback([parse_text, &exit_status] { exit_status = RunParse(*parse_text); });
  AddMake(*version, exit_status);
}

}  // namespace codehdr::tool
