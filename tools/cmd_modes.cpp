// codehdr modes [--json]
#include <cstdio>

#include <codehdr/header.h>

#include "commands.h"
#include "json_print.h"

namespace codehdr::tool {

int RunModes(bool json) {
  if (json) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const CodeMode& row : CodeModes()) rows.push_back({{"label", row.label}, {"value", row.value}});
    PrintJson(Versioned("modes", rows));
    return 0;
  }
  std::printf("%-4s %-8s %s\n", "row", "label", "value");
  int index = 0;
  for (const CodeMode& row : CodeModes()) std::printf("%-4d %-8s %u\n", index++, row.label, row.value);
  return 0;
}

}  // namespace codehdr::tool
