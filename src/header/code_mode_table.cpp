#include "header/code_mode_table.h"

#include <cstring>

#include <codehdr/code_header.h>

namespace codehdr {

// Rows in their fixed order; several labels share a value.
const CodeModeRow kCodeModeTable[kCodeModeRowCount] = {
    {0, "BOOT"},     {0, "BOOTLDR"}, {1, "APP"},    {3, "FPGA"},     {3, "CPLD"},    {5, "DSP"},
    {9, "RADIO"},    {9, "MODEM"},   {15, "CONFIG"}, {15, "PARAM"},  {21, "FONT"},   {26, "LANG"},
    {27, "WEBUI"},   {28, "RECOVER"}, {126, "FACTORY"}, {255, "DIAG"}, {511, "BUNDLE"},
};

unsigned short GetCodeModeFromStr(const char* label) {
  for (const CodeModeRow& row : kCodeModeTable) {
    // Table labels end within their 8 bytes, so this is plain equality.
    if (std::strncmp(row.label, label, sizeof row.label) == 0) return row.value;
  }
  return CODE_MODE_NOT_FOUND;
}

const char* GetCodeModeLabel(unsigned short value) {
  for (const CodeModeRow& row : kCodeModeTable) {
    if (row.value == value) return row.label;
  }
  return nullptr;
}

}  // namespace codehdr
