// codehdr verify IMAGE ... [--tag N] [--json] [-j N]
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "json_print.h"
#include "tool_error.h"
#include "verify_output.h"
#include "verify_pool.h"

namespace codehdr::tool {

namespace {

struct VerifyOptions {
  std::vector<std::string> files;
  int tag = 0;
  bool json = false;
  unsigned int jobs = 0;
};

int RunVerify(const VerifyOptions& opts) {
  for (const std::string& file : opts.files) {
    if (file == "-") throw ToolError(file, "verify needs file names; standard input cannot be verified");
  }
  std::vector<VerifyOutcome> outcomes = VerifyAll(opts.files, opts.jobs, static_cast<unsigned char>(opts.tag));
  if (opts.json) {
    nlohmann::ordered_json documents = nlohmann::ordered_json::array();
    for (const VerifyOutcome& o : outcomes) documents.push_back(VerifyJson(o));
    PrintJson(documents);
  } else {
    for (const VerifyOutcome& o : outcomes) PrintVerifyText(o);
  }
  return VerifyExitStatus(outcomes);
}

}  // namespace

void AddVerifyCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<VerifyOptions>();
  CLI::App* cmd = app.add_subcommand("verify", "Verify each IMAGE against its header and CRC-32");
  cmd->add_option("IMAGE", opts->files, "Code image files")->required();
  cmd->add_option("--tag", opts->tag, "Expected tag id, 1 to 255 (default: any)")->check(CLI::Range(1, 255));
  cmd->add_flag("--json", opts->json, "One JSON array with a result per file");
  cmd->add_option("-j,--jobs", opts->jobs, "Threads (default: one per core)")->check(CLI::Range(1u, 1024u));
  cmd->footer(
      "Exit status: 0 when every file verified (or has no new-style header to check),\n"
      "1 when any failed, 2 for a usage error or unreadable input.");
  cmd->callback([opts, &exit_status] { exit_status = RunVerify(*opts); });
}

}  // namespace codehdr::tool
