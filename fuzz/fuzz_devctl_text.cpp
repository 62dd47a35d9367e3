// Device control text, loaded from a scratch file by the classic two-pass reader and, when it accepts the file, by the
// one-pass LoadDeviceTable: both give the same records with terminated text fields, and the same label for every tag
// id.
#include <cstdlib>
#include <cstring>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/devices.h>

#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const codehdr::test::ScratchDir dir;
  static const codehdr::test::QuietStdout quiet;  // the classic reader prints
  const std::string path = dir.Write("virevuz.txt", codehdr::test::Bytes(data, data + size));
  CVireVuzTxt classic;
  codehdr::DeviceTable modern;
  const unsigned short result = classic.init_device_control(path.c_str());
  if (result == ERR_DEVCTL_NO_VERSION || result == ERR_DEVCTL_NO_MODELS) return 0;  // found by the shared scan
  if (result != HDR_SUCCESS || codehdr::LoadDeviceTable(path, modern) != codehdr::Status::kOk ||
      classic.device_count != static_cast<int>(modern.records.size())) {
    std::abort();
  }
  for (int i = 0; i < classic.device_count; ++i) {
    const download_ctl_typ r = classic.GetCtrlTypeAt(i);
    if (std::memcmp(&r, &modern.records[i], sizeof r) != 0 || r.model_name[9] != '\0' || r.code_mode_str[9] != '\0') {
      std::abort();
    }
  }
  for (int tag = 0; tag < 256; ++tag) {
    char label[8] = "";
    classic.GetCodeModeStrFromTagId(static_cast<unsigned char>(tag), label, sizeof label);
    if (modern.CodeModeLabel(static_cast<unsigned char>(tag)) != label) std::abort();
  }
  return 0;
}
