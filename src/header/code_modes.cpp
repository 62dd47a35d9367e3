// The code-mode table: maps a code-mode label (as device control files use
// them) to the number a header carries in its code-mode byte and in the type
// of a dependency added by label. Constant, shared by every object.
#include <codehdr/header.h>

namespace codehdr {
namespace {

// Rows in their fixed order; several labels share a value. 511 fits a
// dependency's 16-bit type but not a header's one-byte code mode.
constexpr std::array<CodeMode, kCodeModeCount> kCodeModes = {{
    {0, "BOOT"},    {0, "BOOTLDR"}, {1, "APP"},       {3, "FPGA"},    {3, "CPLD"},  {5, "DSP"},
    {9, "RADIO"},   {9, "MODEM"},   {15, "CONFIG"},   {15, "PARAM"},  {21, "FONT"}, {26, "LANG"},
    {27, "WEBUI"},  {28, "RECOVER"}, {126, "FACTORY"}, {255, "DIAG"}, {511, "BUNDLE"},
}};

}  // namespace

const std::array<CodeMode, kCodeModeCount>& CodeModes() { return kCodeModes; }

std::optional<std::uint16_t> CodeModeValue(const std::string& label) {
  for (const CodeMode& row : kCodeModes) {
    if (label == row.label) return row.value;
  }
  return std::nullopt;
}

const char* CodeModeLabelAt(std::uint16_t value, std::size_t index) {
  for (const CodeMode& row : kCodeModes) {
    if (row.value == value && index-- == 0) return row.label;
  }
  return nullptr;
}

std::vector<std::string> CodeModeLabels(std::uint16_t value) {
  std::vector<std::string> labels;
  for (std::size_t i = 0; const char* label = CodeModeLabelAt(value, i); ++i) labels.emplace_back(label);
  return labels;
}

// "BOOT/BOOTLDR (0)", or "77 (no label)".
std::string CodeModeText(std::uint16_t value) {
  std::string labels;
  for (const std::string& label : CodeModeLabels(value)) labels += (labels.empty() ? "" : "/") + label;
  return labels.empty() ? std::to_string(value) + " (no label)" : labels + " (" + std::to_string(value) + ")";
}

std::string DependencyText(const Dependency& dep) { return CodeModeText(dep.type) + " " + PrintableText(dep.version); }

}  // namespace codehdr
