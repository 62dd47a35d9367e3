#include "inputs.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "errors.h"

namespace codehdr::tool {

Input::Input(const std::string& path) : subject_(FileSubject(path)) {
  if (path == "-") {
    file_ = stdin;
  } else {
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) throw ToolError(subject_, FileErrorText(Status::kFileOpen, errno));
    owned_ = true;
  }
  struct stat st {};
  if (::fstat(::fileno(file_), &st) == 0 && S_ISDIR(st.st_mode)) {
    if (owned_) std::fclose(file_);
    file_ = nullptr;
    throw ToolError(subject_, FileErrorText(Status::kFileNotRegular, EISDIR));
  }
}

Input::~Input() {
  if (owned_ && file_ != nullptr) std::fclose(file_);
}

DeviceTable LoadDevices(const std::string& option_value) {
  std::string path = option_value;
  if (path.empty()) {
    const char* env = std::getenv("CODEHDR_DEVCTL");
    path = env != nullptr ? env : "";
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
