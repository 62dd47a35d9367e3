// The code-mode table: maps a code-mode label (as device control files use
// them) to the number a header carries in its code-mode byte and in the type
// of a dependency added by label. Constant, shared by every object.
#ifndef CODEHDR_SRC_HEADER_CODE_MODE_TABLE_H
#define CODEHDR_SRC_HEADER_CODE_MODE_TABLE_H

#include <cstddef>

namespace codehdr {

struct CodeModeRow {
  unsigned short value;
  char label[8];  // NUL-terminated, at most 7 characters
};

constexpr std::size_t kCodeModeRowCount = 17;
extern const CodeModeRow kCodeModeTable[kCodeModeRowCount];

// The value of the first row whose label equals `label` (case-sensitive), or
// CODE_MODE_NOT_FOUND (201) when no row matches.
unsigned short GetCodeModeFromStr(const char* label);

// The label of the first row with `value`, or null when no row has it.
const char* GetCodeModeLabel(unsigned short value);

}  // namespace codehdr

#endif  // CODEHDR_SRC_HEADER_CODE_MODE_TABLE_H
