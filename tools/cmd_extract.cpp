// codehdr extract IMAGE -o PAYLOAD [--raw]
#include <cstdio>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>
#include <codehdr/image.h>

#include "commands.h"
#include "errors.h"

namespace codehdr::tool {

namespace {

struct ExtractOptions {
  std::string image;
  std::string output;
  bool raw = false;
};

std::string TakenOff(const Header& header) {
  switch (header.form) {
    case HeaderForm::kNewStyle:
      return "after a new-style " + std::to_string(header.total_size) + "-byte header (tag " +
             std::to_string(header.tag) + ")";
    case HeaderForm::kOldStyle:
      return "after an old-style 4-byte header (tag " + std::to_string(header.tag) + ")";
    default:
      return "copied whole (no header)";
  }
}

int RunExtract(const ExtractOptions& opts) {
  const ExtractReport report = ExtractPayload(opts.image, opts.output, opts.raw);
  switch (report.status) {
    case Status::kOk:
      break;
    case Status::kNoHeader:
      throw ToolError(opts.image, "no code header to take off (--raw copies the whole file)", kExitFailed);
    case Status::kFileWrite:
      throw ToolError(opts.output, FileErrorText(report.status, report.os_error));
    default:
      if (IsFileStatus(report.status)) throw ToolError(opts.image, FileErrorText(report.status, report.os_error));
      throw ToolError(opts.image, "malformed header: " + StatusText(report.status), kExitFailed);
  }
  std::printf("%s: %llu-byte payload %s\n", opts.output.c_str(), static_cast<unsigned long long>(report.size),
              TakenOff(report.header).c_str());
  return kExitOk;
}

}  // namespace

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

}  // namespace codehdr::tool
