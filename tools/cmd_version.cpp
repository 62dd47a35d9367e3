// codehdr version check STR | parse STR | make --maj N --min N --rel L [--build N] [--prelim]
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>
#include <codehdr/codehdr.h>

#include "commands.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

constexpr std::size_t kMaxVersionLength = 16;
constexpr int kNoBuildNumber = 255;

struct MakeOptions {
  int major = 0;
  int minor = 0;
  std::string release;
  int build = kNoBuildNumber;
  bool prelim = false;
};

// The check as InsertHeaderCodeVer runs it: over the whole string.
int RunCheck(const std::string& text) {
  bool ok = text.size() <= kMaxVersionLength &&
            VerifyCodeVersionFormat(text.c_str(), static_cast<unsigned char>(text.size())) != 0;
  if (!ok) throw ToolError(text, text.size() > kMaxVersionLength ? "malformed: longer than 16 characters" : "malformed",
                           kExitFailed);
  std::printf("%s: well-formed\n", text.c_str());
  return kExitOk;
}

int RunParse(const std::string& text) {
  int major = 0, minor = 0, build = 0;
  char letter = 0;
  CCodeHeader parser;
  if (parser.ParseFormattedVersionStr(text.c_str(), &major, &minor, &letter, &build) == 0) {
    throw ToolError(text, "malformed version string", kExitFailed);
  }
  std::printf("state    %s\n", text[0] == 'P' ? "preliminary (P)" : text[0] == 'R' ? "released (R)" : "-");
  std::printf("major    %d\nrelease  %c\nminor    %d\n", major, letter != 0 ? letter : '-', minor);
  if (std::strchr(text.c_str(), '.') != nullptr) {
    std::printf("build    %d\n", build);
  } else {
    std::printf("build    none\n");
  }
  return kExitOk;
}

int RunMake(const MakeOptions& opts) {
  if (opts.release.size() != 1) throw ToolError("--rel " + opts.release, "give one letter", kExitUsage);
  char text[kMaxVersionLength] = {};
  CCodeHeader builder;
  if (builder.BuildFormattedVerStr(static_cast<unsigned char>(opts.major), static_cast<unsigned char>(opts.minor), text,
                                   opts.release[0], sizeof text, static_cast<unsigned char>(opts.build),
                                   opts.prelim ? 1 : 0) == 0) {
    throw ToolError("--rel " + opts.release, "refused: the release letter must be A to Z or a to z", kExitFailed);
  }
  if (VerifyCodeVersionFormat(text, kMaxVersionLength) == 0) {
    throw ToolError(text, "not a valid version: the release letter cannot be I or O", kExitFailed);
  }
  std::printf("%s\n", text);
  return kExitOk;
}

void AddMake(CLI::App& version, int& exit_status) {
  auto opts = std::make_shared<MakeOptions>();
  CLI::App* make = version.add_subcommand("make", "Make a version string from its numbers");
  make->add_option("--maj", opts->major, "Major number, 0 to 99")->required()->check(CLI::Range(0, 99));
  make->add_option("--min", opts->minor, "Minor number, 0 to 99")->required()->check(CLI::Range(0, 99));
  make->add_option("--rel", opts->release, "Release letter, A to Z (not I or O)")->required();
  make->add_option("--build", opts->build, "Build number, 0 to 9")->check(CLI::Range(0, 9));
  make->add_flag("--prelim", opts->prelim, "Preliminary (P) instead of released (R)");
  make->callback([opts, &exit_status] { exit_status = RunMake(*opts); });
}

}  // namespace

void AddVersionCommand(CLI::App& app, int& exit_status) {
  CLI::App* version = app.add_subcommand("version", "Check, parse or make formatted version strings");
  version->require_subcommand(1);
  auto check_text = std::make_shared<std::string>();
  CLI::App* check = version->add_subcommand("check", "Exit 0 when STR is a well-formed version string");
  check->add_option("STR", *check_text, "Version string, e.g. R01A02.3")->required();
  check->callback([check_text, &exit_status] { exit_status = RunCheck(*check_text); });
  auto parse_text = std::make_shared<std::string>();
  CLI::App* parse = version->add_subcommand("parse", "Split STR into its numbers and letters");
  parse->add_option("STR", *parse_text, "Version string")->required();
  parse->callback([parse_text, &exit_status] { exit_status = RunParse(*parse_text); });
  AddMake(*version, exit_status);
}

}  // namespace codehdr::tool
