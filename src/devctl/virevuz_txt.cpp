// CVireVuzTxt, the classic device table over the device file code. It reads
// the file in two passes (count, then fill) so that the record array is
// allocated once at its exact size, prints its messages on standard output,
// and shares its array between copies.
#include <codehdr/virevuz_txt.h>

#include <cstdio>
#include <memory>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/devices.h>

#include "common/bounded_copy.h"
#include "devctl/device_file.h"

namespace devctl = codehdr::devctl;

namespace {

void PrintLine(const std::string& line) { std::printf("%s\n", line.c_str()); }

}  // namespace

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

unsigned short CVireVuzTxt::init_device_control() {
  const std::string path = codehdr::DeviceFileBesideExecutable();
  // A path too long to fit: nothing is opened and nothing printed.
  if (path.empty()) return ERR_DEVCTL_OPEN;
  return init_device_control(path.c_str());
}

unsigned short CVireVuzTxt::init_device_control(const char* path) {
  // No name, nothing to open; there is no path to print either.
  if (path == nullptr) return ERR_DEVCTL_OPEN;

  // The second pass opens this name after the members changed: converted
  // now, opening it cannot throw then.
  const codehdr::platform::NativeName name(path);

  // First pass: the version and the number of model lines.
  int modelLines = 0;
  const codehdr::Status status = devctl::ScanDeviceFile(path, PrintLine, devctl::RecordSink(), &modelLines);
  if (status != codehdr::Status::kOk) return codehdr::LegacyCode(status);

  // Allocated before any member changes, so that a failed allocation leaves
  // the object as it was. The records start zero-filled.
  std::shared_ptr<download_ctl_typ[]> table(new download_ctl_typ[static_cast<std::size_t>(modelLines)]());
  table_owner_ = std::move(table);
  device_table = table_owner_.get();
  device_count = modelLines;

  // Second pass: the records, from whatever the file holds now.
  if (!devctl::FillDeviceRecords(name, device_table, device_count)) {
    std::printf("Cannot open Device Control File\n");
    return ERR_DEVCTL_OPEN;
  }
  return HDR_SUCCESS;
}

download_ctl_typ CVireVuzTxt::GetCtrlTypeAt(int index) {
  if (device_table == nullptr || index < 0 || index >= device_count) return download_ctl_typ{};
  return device_table[index];
}

void CVireVuzTxt::GetCodeModeStrFromTagId(unsigned char tagId, char* dst, unsigned int dstSize) {
  if (device_table == nullptr || device_count <= 0 || dst == nullptr) return;
  const download_ctl_typ* record =
      devctl::FindRecordForTag(device_table, static_cast<std::size_t>(device_count), tagId);
  // The label is read within its field even if a caller left it unterminated.
  if (record != nullptr) codehdr::BoundedCopyN(dst, dstSize, record->code_mode_str, sizeof record->code_mode_str);
}
