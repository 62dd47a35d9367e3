// codehdr build PAYLOAD -o IMAGE --tag N --virevuz VER --code-ver VER
//               [--comment TEXT] [--dep LABEL=VER ...] [--dep-type N=VER ...]
//               [--from OLD_IMAGE] [--devctl FILE]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <codehdr/header.h>
#include <codehdr/image.h>
#include <codehdr/layout.h>
#include <codehdr/version_string.h>

#include "commands.h"
#include "errors.h"
#include "inputs.h"
#include "text.h"

namespace codehdr::tool {

namespace {

// The builder writes at most 15 characters of the VireVuz version, and a
// header object reads back at most 31 of a comment: longer ones are refused
// rather than cut.
constexpr std::size_t kMaxVireVuzLength = layout::kVersionFieldLen - 1;
constexpr std::size_t kMaxCommentLength = layout::kCommentBufLen - 1;
constexpr unsigned long kMaxDependencyType = 0xFFFF;

struct DependencyArg {
  bool by_label = true;  // --dep (label) or --dep-type (number)
  std::string text;      // as given: "LABEL=VER" or "N=VER"
};

struct BuildOptions {
  std::string payload;
  std::string output;
  int tag = 0;
  std::string virevuz;
  std::string code_ver;
  std::string comment;
  std::vector<std::string> deps;
  std::vector<std::string> dep_types;
  std::string from;
  std::string devctl;
  // Filled after parsing.
  bool have_tag = false;
  bool have_virevuz = false;
  bool have_comment = false;
  std::vector<DependencyArg> ordered_deps;
};

std::string Subject(const DependencyArg& dep) {
  return std::string(dep.by_label ? "--dep " : "--dep-type ") + dep.text;
}

std::uint16_t ParseType(const DependencyArg& dep, const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || text[0] == '-' || value > kMaxDependencyType) {
    throw ToolError(Subject(dep), "the type must be a number from 0 to 65535");
  }
  return static_cast<std::uint16_t>(value);
}

// One --dep or --dep-type argument as a dependency; a malformed version is
// refused for both (the library checks labelled ones only).
Dependency ParseDependency(const DependencyArg& dep) {
  const std::size_t eq = dep.text.find('=');
  if (eq == std::string::npos || eq == 0) {
    throw ToolError(Subject(dep), dep.by_label ? "expected LABEL=VERSION" : "expected TYPE=VERSION");
  }
  const std::string key = dep.text.substr(0, eq);
  const std::string version = dep.text.substr(eq + 1);
  if (version.size() > layout::kVersionFieldLen) {
    throw ToolError(Subject(dep), StatusText(Status::kDependencyVersion) + " (longer than 16 characters)", kExitFailed);
  }
  Dependency out;
  Status status = Status::kOk;
  if (dep.by_label) {
    status = DependencyByLabel(key, version, out);
  } else {
    out = Dependency{ParseType(dep, key), version};
    if (!CheckVersion(version.c_str(), layout::kVersionFieldLen)) status = Status::kDependencyVersion;
  }
  if (status != Status::kOk) throw ToolError(Subject(dep), StatusText(status), kExitFailed);
  return out;
}

// With --from: OLD_IMAGE's comment and dependencies go first into the spec,
// and its tag id and VireVuz version are the defaults.
void TakeOver(BuildOptions& opts, HeaderSpec& spec) {
  const VerifyReport old = VerifyFile(opts.from);
  if (IsFileStatus(old.status)) throw ToolError(opts.from, FileErrorText(old.status, old.os_error));
  if (old.header.form != HeaderForm::kNewStyle) {
    std::string why = old.header.form == HeaderForm::kMalformed ? StatusReason(old.status) : "";
    throw ToolError(opts.from, "has no new-style header to take over" + (why.empty() ? "" : ": " + why), kExitFailed);
  }
  spec.comment = old.header.comment;
  spec.dependencies = old.header.dependencies;
  if (!opts.have_tag) {
    if (old.header.tag == 0) throw ToolError(opts.from, "its header has tag id 0; give --tag");
    opts.tag = old.header.tag;
    opts.have_tag = true;
  }
  if (!opts.have_virevuz) {
    opts.virevuz = old.header.virevuz_version;
    opts.have_virevuz = true;
  }
}

HeaderSpec SpecFrom(BuildOptions& opts) {
  HeaderSpec spec;
  if (!opts.from.empty()) TakeOver(opts, spec);
  if (!opts.have_tag) throw ToolError("--tag", "required (or take it from an image with --from)");
  if (!opts.have_virevuz) throw ToolError("--virevuz", "required (or take it from an image with --from)");
  if (opts.virevuz.size() > kMaxVireVuzLength) {
    throw ToolError("--virevuz " + opts.virevuz, StatusText(Status::kVireVuzVersion) + " (longer than 15 characters)",
                    kExitFailed);
  }
  if (opts.have_comment) {
    if (opts.comment.size() > kMaxCommentLength || opts.comment.find('\0') != std::string::npos) {
      throw ToolError("--comment", "at most 31 characters");
    }
    spec.comment = opts.comment;
  }
  spec.tag = static_cast<std::uint8_t>(opts.tag);
  spec.virevuz_version = opts.virevuz;
  spec.code_version = opts.code_ver;
  for (const DependencyArg& dep : opts.ordered_deps) spec.dependencies.push_back(ParseDependency(dep));
  return spec;
}

// The option a refused build is about, so the message points at it.
std::string FailureSubject(Status status, const BuildOptions& opts) {
  switch (status) {
    case Status::kNoCodeMode:
    case Status::kCodeModeTooLarge:
      return "--tag " + std::to_string(opts.tag);
    case Status::kCodeVersion:
    case Status::kCodeVersionEmpty:
      return "--code-ver " + opts.code_ver;
    case Status::kVireVuzVersion:
      return "--virevuz " + opts.virevuz;
    case Status::kTooManySections:
      return opts.from.empty() ? "--dep" : "--from " + opts.from;
    default:
      return opts.output;
  }
}

int RunBuild(BuildOptions& opts) {
  Input payload(opts.payload);
  const DeviceTable devices = LoadDevices(opts.devctl);
  const HeaderSpec spec = SpecFrom(opts);
  const BuiltHeader built = BuildHeader(spec, devices);
  if (built.status != Status::kOk) {
    throw ToolError(FailureSubject(built.status, opts), "cannot build the header: " + StatusText(built.status),
                    kExitFailed);
  }
  const WriteReport written = WriteImage(opts.output, built.bytes, payload.get());
  if (written.status != Status::kOk) {
    const std::string& subject = written.status == Status::kFileWrite ? opts.output : payload.subject();
    throw ToolError(subject, FileErrorText(written.status, written.os_error));
  }
  std::printf("%s: %zu-byte header + %llu-byte payload, tag %d, %zu dependencies, CRC-32 %s\n", opts.output.c_str(),
              built.bytes.size(), static_cast<unsigned long long>(written.size - built.bytes.size()), opts.tag,
              spec.dependencies.size(), CrcText(written.crc).c_str());
  return kExitOk;
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

}  // namespace

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
  CLI::Option* dep = cmd->add_option("--dep", opts->deps, "A dependency by code-mode label: LABEL=VERSION")
                         ->allow_extra_args(false);
  CLI::Option* dep_type = cmd->add_option("--dep-type", opts->dep_types, "A dependency by numeric type: TYPE=VERSION")
                              ->allow_extra_args(false);
  cmd->add_option("--from", opts->from,
                  "Take OLD_IMAGE's comment and dependencies first (its new-style header is read, not checked)");
  cmd->add_option("--devctl", opts->devctl, "Device control file (default: $CODEHDR_DEVCTL, else beside the program)");
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

}  // namespace codehdr::tool
