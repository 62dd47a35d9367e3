// codehdr extract IMAGE -o PAYLOAD [--raw]
#include <cstdio>
#include <string>

#include <codehdr/image.h>

#include "commands.h"
#include "errors.h"

namespace codehdr::tool {

namespace {


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

}  // namespace


int RunExtract(const ExtractOptions& opts) {
  const ExtractReport report = ExtractPayload(opts.image, opts.output, opts.raw);
  switch (report.status) {
    case Status::kOk:
      break;
    case Status::kNoHeader:
      throw ToolError(opts.image, "no code header to take off (--raw copies the whole file)", kExitFailed);
    case Status::kFileWrite:
    case Status::kOutputIsInput:
      throw ToolError(opts.output, FileErrorText(report.status, report.os_error));
    default:
      if (IsFileStatus(report.status)) throw ToolError(opts.image, FileErrorText(report.status, report.os_error));
      throw ToolError(opts.image, "malformed header: " + StatusText(report.status), kExitFailed);
  }
  std::printf("%s: %llu-byte payload %s\n", opts.output.c_str(), static_cast<unsigned long long>(report.size),
              TakenOff(report.header).c_str());
  return kExitOk;
}

}  // namespace codehdr::tool
