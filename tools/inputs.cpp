#include "inputs.h"

#include <cstdio>
#include <cstdlib>

#include "errors.h"
#include "system.h"

namespace codehdr::tool {

InputFile OpenInput(const std::string& path) {
  InputFile in = path == "-" ? InputFile::StandardInput() : InputFile(path);
  if (!in.ok()) throw ToolError(FileSubject(path), FileErrorText(in.status(), in.error()));
  return in;
}

DeviceTable LoadDevices(const std::string& option_value) {
  std::string path = option_value;
  if (path.empty()) {
    path = EnvironmentVariable("CODEHDR_DEVCTL").value_or("");
  }
  if (path.empty()) {
    path = DeviceFileBesideExecutable();
    if (path.empty()) {
      throw ToolError("virevuz.txt beside the program", StatusText(Status::kDevctlPathTooLong), kExitFailed);
    }
  }
  DeviceTable table;
  const Status status = LoadDeviceTable(path, table, [](const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
  });
  if (status != Status::kOk) {
    throw ToolError(path, "cannot load the device control file: " + StatusText(status), kExitFailed);
  }
  return table;
}

}  // namespace codehdr::tool
