// The device table object: ownership shared on copy, and the two lookups.
#include <codehdr/virevuz_txt.h>

#include "common/bounded_copy.h"

CVireVuzTxt::CVireVuzTxt() : device_count(0), device_table(nullptr) {}

CVireVuzTxt::~CVireVuzTxt() = default;

CVireVuzTxt::CVireVuzTxt(const CVireVuzTxt& other)
    : device_count(other.device_count), device_table(other.device_table), table_owner_(other.table_owner_) {}

CVireVuzTxt& CVireVuzTxt::operator=(const CVireVuzTxt& other) {
  // The shared owner releases the table this object gives up once nobody else
  // refers to it.
  table_owner_ = other.table_owner_;
  device_table = other.device_table;
  device_count = other.device_count;
  return *this;
}

download_ctl_typ CVireVuzTxt::GetCtrlTypeAt(int index) {
  if (device_table == nullptr || index < 0 || index >= device_count) return download_ctl_typ{};
  return device_table[index];
}

void CVireVuzTxt::GetCodeModeStrFromTagId(unsigned char tagId, char* dst, unsigned int dstSize) {
  if (device_table == nullptr || dst == nullptr) return;
  for (int i = 0; i < device_count; ++i) {
    const download_ctl_typ& record = device_table[i];
    if (record.tag_id == 0) return;
    if (record.tag_id == static_cast<int>(tagId)) {
      // The label is read within its field even if a caller left it unterminated.
      codehdr::BoundedCopyN(dst, dstSize, record.code_mode_str, sizeof record.code_mode_str);
      return;
    }
  }
}
