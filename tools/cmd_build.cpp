// codehdr build PAYLOAD -o IMAGE --tag N --virevuz VER --code-ver VER
//               [--dep LABEL=VER ...] [--dep-type N=VER ...] [--from OLD_IMAGE]
//               [--devctl FILE]
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <codehdr/codehdr.h>

#include "header/layout.h"
#include "commands.h"
#include "crc_text.h"
#include "dependency_args.h"
#include "devctl_source.h"
#include "file_bytes.h"
#include "header_form.h"
#include "printable.h"
#include "result_codes.h"
#include "sealed_image.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

struct BuildOptions {
  std::string payload;
  std::string output;
  int tag = 0;
  std::string virevuz;
  std::string code_ver;
  std::vector<std::string> deps;
  std::vector<std::string> dep_types;
  std::string from;
  std::string devctl;
  // Filled after parsing.
  bool have_tag = false;
  bool have_virevuz = false;
  std::vector<DependencyArg> ordered_deps;
};

struct OldHeader {
  unsigned int tag = 0;
  std::string virevuz;
};

// Extracts OLD_IMAGE's header into the object, so that its comment and
// dependencies carry over into the build.
OldHeader TakeOverHeader(CCodeHeader& header, const std::string& from) {
  Bytes old = ReadWholeFile(from);
  ExtractedHeader extracted = ExtractHeader(header, old);
  if (extracted.form == HeaderForm::kMalformed) throw ToolError(from, extracted.problem, kExitFailed);
  if (extracted.form != HeaderForm::kNewStyle) {
    throw ToolError(from, "has no new-style header to take over", kExitFailed);
  }
  OldHeader result;
  result.tag = header.GetHeaderTag();
  result.virevuz = FieldText(header.compressedCodeHeader + layout::kVireVuzVerLoc, layout::kVersionFieldLen);
  return result;
}

// --tag and --virevuz default to OLD_IMAGE's values with --from.
void ApplyDefaults(BuildOptions& opts, const OldHeader& old) {
  if (!opts.have_tag) {
    if (old.tag == 0) throw ToolError(opts.from, "its header has tag id 0; give --tag", kExitUsage);
    opts.tag = static_cast<int>(old.tag);
    opts.have_tag = true;
  }
  if (!opts.have_virevuz) {
    opts.virevuz = old.virevuz;
    opts.have_virevuz = true;
  }
}

void CheckSectionLimit(CCodeHeader& header, const std::string& output) {
  unsigned int sections = static_cast<unsigned int>(header.GetNumCodeDependencies()) + (header.comment ? 1 : 0);
  if (sections > layout::kMaxOptSections) {
    throw ToolError(output, "a header holds at most 255 optional sections, this one would need " +
                                std::to_string(sections) + ": " + DescribeResult(ERR_OPT_SECTION),
                    kExitFailed);
  }
}

// The option a build failure is about, so the message points at it.
std::string FailureSubject(int result, const BuildOptions& opts) {
  switch (result) {
    case ERR_CODE_MODE:
      return "--tag " + std::to_string(opts.tag);
    case ERR_CODE_VER_FORMAT:
      return "--code-ver " + opts.code_ver;
    case ERR_VERSION_FORMAT:
      return opts.code_ver.empty() ? std::string("--code-ver") : "--virevuz " + opts.virevuz;
    default:
      return opts.output;
  }
}

void BuildTheHeader(CCodeHeader& header, const BuildOptions& opts) {
  int result = HDR_SUCCESS;
  unsigned char tag = static_cast<unsigned char>(opts.tag);
  if (header.BuildHeader(tag, opts.virevuz.c_str(), &result) == 0) {
    throw ToolError(FailureSubject(result, opts),
                    "cannot build the header: " + DescribeResult(static_cast<unsigned int>(result)), kExitFailed);
  }
}

int RunBuild(BuildOptions& opts) {
  Bytes payload = ReadWholeFile(opts.payload);
  CCodeHeader header;
  LoadDevctl(ResolveDevctl(opts.devctl), header);
  if (!opts.from.empty()) ApplyDefaults(opts, TakeOverHeader(header, opts.from));
  if (!opts.have_tag) throw ToolError("--tag", "required (or take it from an image with --from)", kExitUsage);
  if (!opts.have_virevuz) {
    throw ToolError("--virevuz", "required (or take it from an image with --from)", kExitUsage);
  }
  if (header.InsertHeaderCodeVer(opts.code_ver.c_str()) == 0) {
    throw ToolError("--code-ver " + opts.code_ver, DescribeResult(ERR_CODE_VER_FORMAT), kExitFailed);
  }
  AddDependencies(header, opts.ordered_deps);
  CheckSectionLimit(header, opts.output);
  BuildTheHeader(header, opts);
  std::uint32_t crc = WriteSealedImage(header, payload, opts.output, static_cast<unsigned char>(opts.tag));
  std::printf("%s: %u-byte header + %zu-byte payload, tag %d, %d dependencies, CRC-32 %s\n", opts.output.c_str(),
              header.GetHeaderTotalSize(), payload.size(), opts.tag, header.GetNumCodeDependencies(),
              CrcText(crc).c_str());
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
  cmd->add_option("PAYLOAD", opts->payload, "The compressed code that follows the header")->required();
  cmd->add_option("-o,--output", opts->output, "The code image file to write")->required();
  CLI::Option* tag = cmd->add_option("--tag", opts->tag, "Tag id of the device, 1 to 255 (with --from: the old image's)")->check(CLI::Range(1, 255));
  CLI::Option* virevuz = cmd->add_option("--virevuz", opts->virevuz, "VireVuz version string, e.g. R02B01 (with --from: the old image's)");
  cmd->add_option("--code-ver", opts->code_ver, "Version of the code, e.g. R01A03.2")->required();
  CLI::Option* dep = cmd->add_option("--dep", opts->deps, "A dependency by code-mode label: LABEL=VERSION")
                         ->allow_extra_args(false);
  CLI::Option* dep_type = cmd->add_option("--dep-type", opts->dep_types, "A dependency by numeric type: TYPE=VERSION")
      ->allow_extra_args(false);
  cmd->add_option("--from", opts->from, "Take the header of OLD_IMAGE first (comment and dependencies carry over)");
  cmd->add_option("--devctl", opts->devctl, "Device control file (default: $CODEHDR_DEVCTL, else beside the program)");
  cmd->callback([opts, cmd, tag, virevuz, dep, dep_type, &exit_status] {
    opts->have_tag = tag->count() > 0;
    opts->have_virevuz = virevuz->count() > 0;
    opts->ordered_deps = OrderedDependencies(*cmd, dep, dep_type, *opts);
    exit_status = RunBuild(*opts);
  });
}

}  // namespace codehdr::tool
