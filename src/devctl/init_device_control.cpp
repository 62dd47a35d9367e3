// Loading the device control file into the device table.
#include <cstdio>
#include <memory>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/virevuz_txt.h>

#include "devctl/device_file_passes.h"
#include "devctl/device_file_path.h"
#include "platform/platform.h"

namespace devctl = codehdr::devctl;

unsigned short CVireVuzTxt::init_device_control() {
  std::string path;
  if (!devctl::DeviceFilePathBeside(codehdr::platform::ExecutablePath(), &path)) return ERR_DEVCTL_OPEN;
  return init_device_control(path.c_str());
}

unsigned short CVireVuzTxt::init_device_control(const char* path) {
  // No name, nothing to open; there is no path to print either.
  if (path == nullptr) return ERR_DEVCTL_OPEN;

  devctl::DeviceFileSummary summary;
  if (!devctl::CountDeviceFile(path, &summary)) {
    std::printf("Cannot open Device Control File - %s\n", path);
    return ERR_DEVCTL_OPEN;
  }
  if (summary.version < 0) {
    std::printf("Version not found\n");
    return ERR_DEVCTL_NO_VERSION;
  }
  if (summary.modelLines == 0) {
    std::printf("No device models in Device Control File\n");
    return ERR_DEVCTL_NO_MODELS;
  }

  // Allocated before any member changes, so that a failed allocation leaves
  // the object as it was. The records start zero-filled.
  std::shared_ptr<download_ctl_typ[]> table(new download_ctl_typ[summary.modelLines]());
  table_owner_ = std::move(table);
  device_table = table_owner_.get();
  device_count = summary.modelLines;

  if (!devctl::FillDeviceRecords(path, device_table, device_count)) {
    std::printf("Cannot open Device Control File\n");
    return ERR_DEVCTL_OPEN;
  }
  return HDR_SUCCESS;
}
