// codehdr: build, inspect, verify and take apart firmware code images from a
// terminal or a pipeline, through the public API of libcodehdr. This file
// holds the whole command line; tools/cmd_*.cpp run the commands.
#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <codehdr/checksum.h>
#include <codehdr/devices.h>

#include "commands.h"
#include "errors.h"
#include "system.h"

namespace {

using namespace codehdr::tool;

std::string Footer() {
  return std::string(
             "Environment:\n"
             "  CODEHDR_DEVCTL    device control file when --devctl is not given\n"
             "                    (default: ") +
         codehdr::SystemDeviceFile() +
         ")\n"
         "  CODEHDR_CRC_IMPL  force a CRC-32 kernel: table, slice, pclmul-sse, pclmul,\n"
         "                    avx2, avx512 (x86), crc32 or pmull (ARM)\n"
         "  NO_COLOR          when set and not empty, info --hex prints no colour\n"
         "\n"
         "Exit status: 0 success; 1 a check failed or a build, extraction or device\n"
         "table was refused; 2 usage error, or a file that cannot be read or written.\n"
         "Every error is one line on standard error: codehdr: SUBJECT: reason";
}

// The help of every --devctl option.
std::string DevctlHelp() {
  return "Device control file (default: $CODEHDR_DEVCTL, else " + codehdr::SystemDeviceFile() + ")";
}

std::string VersionText() {
  return std::string("codehdr ") + CODEHDR_TOOL_VERSION + " (CRC-32 kernel: " + codehdr::Crc32KernelName() + ")";
}

// Rebuilds the command-line order of --dep and --dep-type.
std::vector<DependencyArg> OrderedDependencies(const CLI::App& cmd, const CLI::Option* dep,
                                               const CLI::Option* dep_type, const BuildOptions& opts) {
  std::vector<DependencyArg> ordered;
  std::size_t next_label = 0, next_type = 0;
  for (const CLI::Option* opt : cmd.parse_order()) {
    if (opt == dep && next_label < opts.deps.size()) {
      ordered.push_back({true, opts.deps[next_label++]});
    } else if (opt == dep_type && next_type < opts.dep_types.size()) {
      ordered.push_back({false, opts.dep_types[next_type++]});
    }
  }
  return ordered;
}

// An option given once per value ("--dep A=R01A01 --dep B=R01A01"): its help
// shows one VALUE, not "VALUE ..." as for a list.
CLI::Option* OneValueEach(CLI::Option* option, const std::string& value_name) {
  return option->type_name(value_name)->expected(1)->allow_extra_args(false)->multi_option_policy(
      CLI::MultiOptionPolicy::TakeAll);
}

void AddBuildCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<BuildOptions>();
  CLI::App* cmd = app.add_subcommand("build", "Build a code image: header, payload, CRC-32");
  cmd->add_option("PAYLOAD", opts->payload, "The compressed code that follows the header (- reads standard input)")
      ->required();
  cmd->add_option("-o,--output", opts->output, "The code image file to write")->required();
  CLI::Option* tag =
      cmd->add_option("--tag", opts->tag, "Tag id of the device, 1 to 255 (with --from: the old image's)")
          ->check(CLI::Range(1, 255));
  CLI::Option* virevuz =
      cmd->add_option("--virevuz", opts->virevuz, "VireVuz version string, e.g. R02B01 (with --from: the old image's)");
  cmd->add_option("--code-ver", opts->code_ver, "Version of the code, e.g. R01A03.2")->required();
  CLI::Option* comment =
      cmd->add_option("--comment", opts->comment, "A comment of at most 31 characters (with --from: the old image's)");
  CLI::Option* dep = OneValueEach(
      cmd->add_option("--dep", opts->deps, "A dependency by code-mode label (repeatable)"), "LABEL=VERSION");
  CLI::Option* dep_type = OneValueEach(
      cmd->add_option("--dep-type", opts->dep_types, "A dependency by numeric type (repeatable)"), "TYPE=VERSION");
  cmd->add_option("--from", opts->from,
                  "Take OLD_IMAGE's comment and dependencies first (its new-style header is read, not checked)");
  cmd->add_option("--devctl", opts->devctl, DevctlHelp());
  cmd->footer(
      "Dependencies keep their command-line order, after those taken with --from. The image\n"
      "appears whole or not at all: a failed build leaves an existing IMAGE as it was.\n"
      "Exit status: 0 image written; 1 the header or the device table was refused;\n"
      "2 usage error or a file that cannot be read or written.");
  cmd->callback([opts, cmd, tag, virevuz, comment, dep, dep_type, &exit_status] {
    opts->have_tag = tag->count() > 0;
    opts->have_virevuz = virevuz->count() > 0;
    opts->have_comment = comment->count() > 0;
    opts->ordered_deps = OrderedDependencies(*cmd, dep, dep_type, *opts);
    exit_status = RunBuild(*opts);
  });
}

void AddCrcCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<CrcOptions>();
  CLI::App* cmd = app.add_subcommand("crc", "Print the CRC-32 (or CRC-16) of each FILE");
  cmd->add_option("FILE", opts->files, "Files of any size; - reads standard input");
  cmd->add_flag("--crc16", opts->crc16, "CRC-16/IBM-3740 instead of CRC-32/ISO-HDLC");
  cmd->add_flag("--impl", opts->impl, "Also print which CRC-32 kernel this machine uses");
  cmd->add_flag("--kernel", opts->kernel,
                "List the CRC-32 kernels of this build (* the one in use), and give each FILE's CRC-32 by every "
                "kernel this processor runs");
  cmd->footer(
      "Exit status: 0 every CRC printed; 1 the kernels disagree on a file; 2 usage error or a file that cannot be "
      "read.");
  cmd->callback([opts, &exit_status] { exit_status = RunCrc(*opts); });
}

void AddDevicesCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<DevicesOptions>();
  CLI::App* cmd = app.add_subcommand("devices", "List the device table as the library reads it");
  cmd->add_option("--devctl", opts->devctl, DevctlHelp());
  cmd->add_flag("--json", opts->json, "One JSON document listing the device records");
  cmd->footer(
      "The reader's messages go to standard error.\n"
      "Exit status: 0 listed; 1 the device control file was refused; 2 usage error.");
  cmd->callback([opts, &exit_status] { exit_status = RunDevices(*opts); });
}

void AddExtractCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<ExtractOptions>();
  CLI::App* cmd = app.add_subcommand("extract", "Write the payload of IMAGE: the bytes after its header");
  cmd->add_option("IMAGE", opts->image, "Code image file")->required();
  cmd->add_option("-o,--output", opts->output, "The payload file to write")->required();
  cmd->add_flag("--raw", opts->raw, "Copy a file without a code header whole instead of refusing it");
  cmd->footer(
      "The CRC is not checked (see verify). PAYLOAD appears whole or not at all.\n"
      "Exit status: 0 payload written; 1 no header (without --raw) or a malformed header;\n"
      "2 usage error or a file that cannot be read or written.");
  cmd->callback([opts, &exit_status] { exit_status = RunExtract(*opts); });
}

void AddInfoCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<InfoOptions>();
  CLI::App* cmd = app.add_subcommand("info", "Show every field of the code header of each IMAGE");
  cmd->add_option("IMAGE", opts->files, "Code image files (- reads standard input)")->required();
  CLI::Option* json = cmd->add_flag("--json", opts->json, "One JSON document listing the files");
  CLI::Option* hex = cmd->add_flag(
      "--hex", opts->hex, "The header's bytes, one field per line, with the bytes that fail verification marked");
  hex->excludes(json);
  cmd->add_option("--tag", opts->tag, "With --hex: the expected tag id, 1 to 255 (default: any)")
      ->check(CLI::Range(1, 255))
      ->needs(hex);
  cmd->footer(
      "--hex marks the failing field with '>' (in red on a terminal unless NO_COLOR is set).\n"
      "Exit status: 0 every header shown; 1 a malformed header; 2 usage error or a file\n"
      "that cannot be read.");
  cmd->callback([opts, &exit_status] { exit_status = RunInfo(*opts); });
}

void AddModesCommand(CLI::App& app, int& exit_status) {
  auto json = std::make_shared<bool>(false);
  CLI::App* cmd = app.add_subcommand("modes", "List the code-mode table: labels and their values");
  cmd->add_flag("--json", *json, "One JSON document listing {label, value}");
  cmd->footer("Exit status: 0 listed; 2 usage error.");
  cmd->callback([json, &exit_status] { exit_status = RunModes(*json); });
}

void AddVerifyCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<VerifyOptions>();
  CLI::App* cmd = app.add_subcommand("verify", "Verify each IMAGE against its header and CRC-32");
  cmd->add_option("IMAGE", opts->files, "Code image files")->required();
  cmd->add_option("--tag", opts->tag, "Expected tag id, 1 to 255 (default: any)")->check(CLI::Range(1, 255));
  cmd->add_flag("--json", opts->json, "One JSON document with a result per file");
  cmd->add_option("-j,--jobs", opts->jobs, "Threads (default: one per core)")->check(CLI::Range(1u, 1024u));
  cmd->footer(
      "Results come in argument order. Files without a new-style header are \"not checked\".\n"
      "IMAGE - verifies standard input up to its end; anything else that is not a regular\n"
      "file is refused.\n"
      "Exit status: 0 every file verified or not checked; 1 any failed; 2 usage error\n"
      "or a file that cannot be read.");
  cmd->callback([opts, &exit_status] { exit_status = RunVerify(*opts); });
}

void AddCheckCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<CheckOptions>();
  CLI::App* cmd = app.add_subcommand("check", "Check that a set of code images makes a consistent release");
  CLI::Option* images = cmd->add_option("IMAGE", opts->files, "The code image files of the release");
  CLI::Option* dir =
      cmd->add_option("--dir", opts->dir, "Every file in DIR is an image of the release")->type_name("DIR");
  dir->excludes(images);
  cmd->add_option("--devctl", opts->devctl, DevctlHelp())
      ->type_name("FILE");
  cmd->add_option("--virevuz", opts->virevuz, "The VireVuz version every image must carry (default: any)")
      ->type_name("VER");
  OneValueEach(cmd->add_option("--allow-missing", opts->allow_missing,
                               "A code-mode label whose dependencies may be absent from the release (repeatable)"),
               "LABEL");
  cmd->add_option("-j,--jobs", opts->jobs, "Threads verifying images (default: one per core)")
      ->check(CLI::Range(1u, 1024u));
  cmd->add_flag("--json", opts->json, "One JSON document instead of text");
  cmd->add_option("--junit", opts->junit, "Also write JUnit XML to FILE: a test case per image and per dependency")
      ->type_name("FILE");
  CLI::Option* write = cmd->add_option(
      "--write-manifest", opts->write_manifest,
      "When the release is consistent, record each image's name, size, SHA-256 and header fields in FILE")
      ->type_name("FILE");
  cmd->add_option("--manifest", opts->manifest,
                  "Check that DIR holds exactly the files FILE records, with those bytes and headers")
      ->type_name("FILE")
      ->needs(dir)
      ->excludes(write);
  cmd->footer(
      "Each image is verified (in parallel, reading it once), then the set is checked against\n"
      "the device table: tags and code modes, one code version per device and code mode,\n"
      "the VireVuz version with --virevuz, and every dependency (a code mode and a version)\n"
      "provided by another image, without cycles. --dir takes the entries of DIR in name\n"
      "order, except the manifest and the JUnit file; --manifest names every file missing,\n"
      "added, renamed or changed, and what changed.\n"
      "Exit status: 0 the release is consistent; 1 a finding (a check failed, or the device\n"
      "table was refused); 2 usage error or a file that cannot be read or written.");
  cmd->callback([opts, &exit_status] { exit_status = RunReleaseCheck(*opts); });
}

constexpr const char* kVersionFooter = "Exit status: 0 success; 1 malformed or refused; 2 usage error.";

void AddMake(CLI::App& version, int& exit_status) {
  auto opts = std::make_shared<MakeOptions>();
  CLI::App* make = version.add_subcommand("make", "Make a version string from its numbers");
  make->add_option("--maj", opts->major, "Major number, 0 to 99")->required()->check(CLI::Range(0, 99));
  make->add_option("--min", opts->minor, "Minor number, 0 to 99")->required()->check(CLI::Range(0, 99));
  make->add_option("--rel", opts->release, "Release letter, A to Z (not I or O)")->required();
  make->add_option("--build", opts->build, "Build number, 0 to 9 (default: none)")->check(CLI::Range(0, 9));
  make->add_flag("--prelim", opts->prelim, "Preliminary (P) instead of released (R)");
  make->footer(kVersionFooter);
  make->callback([opts, &exit_status] { exit_status = RunMake(*opts); });
}

void AddVersionCommand(CLI::App& app, int& exit_status) {
  CLI::App* version = app.add_subcommand("version", "Check, parse or make formatted version strings");
  version->require_subcommand(1);
  version->footer(kVersionFooter);
  auto check_text = std::make_shared<std::string>();
  CLI::App* check = version->add_subcommand("check", "Exit 0 when STR is a well-formed version string");
  check->add_option("STR", *check_text, "Version string, e.g. R01A02.3")->required();
  check->footer(kVersionFooter);
  check->callback([check_text, &exit_status] { exit_status = RunCheck(*check_text); });
  auto parse_text = std::make_shared<std::string>();
  CLI::App* parse = version->add_subcommand("parse", "Split STR into its numbers and letters");
  parse->add_option("STR", *parse_text, "Version string")->required();
  parse->footer(kVersionFooter);
  parse->callback([parse_text, &exit_status] { exit_status = RunParse(*parse_text); });
  AddMake(*version, exit_status);
}

void AddCommands(CLI::App& app, int& exit_status) {
  AddBuildCommand(app, exit_status);
  AddInfoCommand(app, exit_status);
  AddVerifyCommand(app, exit_status);
  AddCheckCommand(app, exit_status);
  AddExtractCommand(app, exit_status);
  AddCrcCommand(app, exit_status);
  AddDevicesCommand(app, exit_status);
  AddModesCommand(app, exit_status);
  AddVersionCommand(app, exit_status);
}

// Levenshtein distance, for suggesting the command a mistyped one meant.
std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0]++;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// "codehdr help CMD" is "codehdr CMD --help", and "codehdr help" is
// "codehdr --help". A first word that is no command is refused, with the
// closest command when one is near.
void CheckCommandWord(const CLI::App& app, std::vector<std::string>& args) {
  if (args.size() < 2 || args[1].empty() || args[1][0] == '-') return;
  if (args[1] == "help") {
    args.erase(args.begin() + 1);
    args.insert(args.begin() + (args.size() > 1 ? 2 : 1), "--help");
    if (args.size() == 2) return;
  }
  std::string closest;
  std::size_t best = 3;  // at most two edits away
  for (const CLI::App* cmd : app.get_subcommands({})) {
    if (cmd->get_name() == args[1]) return;
    const std::size_t distance = EditDistance(args[1], cmd->get_name());
    if (distance < best) best = distance, closest = cmd->get_name();
  }
  throw CLI::ParseError("unknown command '" + args[1] + "'" +
                            (closest.empty() ? "" : " (did you mean '" + closest + "'?)"),
                        static_cast<int>(CLI::ExitCodes::ExtrasError));
}

// Help and --version go out as CLI11 formats them; a usage error is one line.
int ReportParseError(const CLI::App& app, const CLI::ParseError& e) {
  if (e.get_exit_code() == 0) return app.exit(e);
  PrintError("", std::string("usage: ") + e.what() + " (see codehdr --help)");
  return kExitUsage;
}

}  // namespace

// Windows starts the program at wmain (-municode) with its arguments in UTF-16.
#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  CLI::App app{"Build, inspect, verify and take apart firmware code images.", "codehdr"};
  app.require_subcommand(1);
  // Options start with "-" everywhere; on Windows CLI11 would also take a
  // file name such as "/images/a.bin" for an option.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", VersionText);
  app.footer(Footer());
  int exit_status = kExitOk;
  AddCommands(app, exit_status);
  UseBinaryStandardStreams();
  RemovePartialOutputsOnSignals();
  // CLI11 takes C strings; these stay alive until it is done.
  std::vector<std::string> args = ProgramArguments(argc, argv);
  if (!codehdr::Crc32KernelOverrideKnown()) {
    PrintError("", "warning: CODEHDR_CRC_IMPL=" + EnvironmentVariable("CODEHDR_CRC_IMPL").value_or("") +
                       " names no CRC-32 kernel; using " + codehdr::Crc32KernelName());
  }
  try {
    CheckCommandWord(app, args);
    std::vector<char*> arg_ptrs;
    for (std::string& arg : args) arg_ptrs.push_back(arg.data());
    app.parse(static_cast<int>(arg_ptrs.size()), arg_ptrs.data());
  } catch (const CLI::ParseError& e) {
    return ReportParseError(app, e);
  } catch (const ToolError& e) {
    PrintError(e.subject(), e.what());
    return e.exit_status();
  } catch (const std::exception& e) {
    PrintError("", e.what());
    return kExitUsage;
  }
  return exit_status;
}
