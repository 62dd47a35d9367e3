// codehdr modes [--json]
#include <cstdio>
#include <memory>

#include <CLI/CLI.hpp>
#include <codehdr/header.h>

#include "commands.h"
#include "json_print.h"

namespace codehdr::tool {

namespace {

int RunModes(bool json) {
  if (json) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const CodeMode& row : CodeModes()) rows.push_back({{"label", row.label}, {"value", row.value}});
    PrintJson(rows);
    return 0;
  }
  std::printf("%-4s %-8s %s\n", "row", "label", "value");
  int index = 0;
  for (const CodeMode& row : CodeModes()) std::printf("%-4d %-8s %u\n", index++, row.label, row.value);
  return 0;
}

}  // namespace

void AddModesCommand(CLI::App& app, int& exit_status) {
  auto json = std::make_shared<bool>(false);
  CLI::App* cmd = app.add_subcommand("modes", "List the code-mode table: labels and their values");
  cmd->add_flag("--json", *json, "A JSON array of {label, value}");
  cmd->footer("Exit status: 0 listed; 2 usage error.");
  cmd->callback([json, &exit_status] { exit_status = RunModes(*json); });
}

}  // namespace codehdr::tool
