// codehdr info IMAGE ... [--json]
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <codehdr/codehdr.h>

#include "commands.h"
#include "file_bytes.h"
#include "header_fields.h"
#include "info_output.h"
#include "json_print.h"
#include "report.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

struct InfoOptions {
  std::vector<std::string> files;
  bool json = false;
};

HeaderFields FieldsOf(const std::string& file) {
  Bytes image = ReadWholeFile(file);
  CCodeHeader header;
  return ReadHeaderFields(header, file, image);
}

int RunInfo(const InfoOptions& opts) {
  int status = kExitOk;
  nlohmann::ordered_json documents = nlohmann::ordered_json::array();
  bool first_text = true;
  for (const std::string& file : opts.files) {
    try {
      HeaderFields fields = FieldsOf(file);
      if (opts.json) {
        documents.push_back(InfoJson(fields));
      } else {
        if (!first_text) std::fputc('\n', stdout);
        first_text = false;
        PrintInfoText(fields, stdout);
      }
    } catch (const ToolError& e) {
      PrintError(e.subject(), e.what());
      status = std::max(status, e.exit_status());
      if (opts.json) documents.push_back({{"file", file}, {"error", e.what()}});
    }
  }
  if (opts.json) PrintJson(documents.size() == 1 ? documents[0] : documents);
  return status;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<InfoOptions>();
  CLI::App* cmd = app.add_subcommand("info", "Show every field of the code header of each IMAGE");
  cmd->add_option("IMAGE", opts->files, "Code image files (- reads standard input)")->required();
  cmd->add_flag("--json", opts->json, "One JSON document (an array for several files)");
  cmd->callback([opts, &exit_status] { exit_status = RunInfo(*opts); });
}

}  // namespace codehdr::tool
