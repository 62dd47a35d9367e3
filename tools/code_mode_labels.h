// Labels of the code-mode table for a code-mode value (several labels can
// share one value).
#ifndef CODEHDR_TOOLS_CODE_MODE_LABELS_H
#define CODEHDR_TOOLS_CODE_MODE_LABELS_H

#include <string>
#include <vector>

namespace codehdr::tool {

// Every label whose row has `value`, in table order; empty when none has it.
std::vector<std::string> LabelsForValue(unsigned int value);

// The labels joined by "/", or `none_text` when there are none.
std::string JoinedLabels(unsigned int value, const std::string& none_text);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_CODE_MODE_LABELS_H
