#include "code_mode_labels.h"

#include "header/code_mode_table.h"

namespace codehdr::tool {

std::vector<std::string> LabelsForValue(unsigned int value) {
  std::vector<std::string> labels;
  for (const CodeModeRow& row : kCodeModeTable) {
    if (row.value == value) labels.emplace_back(row.label);
  }
  return labels;
}

std::string JoinedLabels(unsigned int value, const std::string& none_text) {
  std::string joined;
  for (const std::string& label : LabelsForValue(value)) {
    if (!joined.empty()) joined += '/';
    joined += label;
  }
  return joined.empty() ? none_text : joined;
}

}  // namespace codehdr::tool
