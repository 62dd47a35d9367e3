#include "inputs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "errors.h"

namespace codehdr::tool {

Input::Input(const std::string& path) : subject_(FileSubject(path)) {
  if (path == "-") {
    file_ = stdin;
    return;
  }
  // O_NONBLOCK: a FIFO without a writer must not stall the open. Whatever
  // is not a regular file (a FIFO, a directory, /dev/zero) is refused, since
  // reading it might never end; "-" is the way to read a stream.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw ToolError(subject_, FileErrorText(Status::kFileOpen, errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int error = S_ISDIR(st.st_mode) ? EISDIR : 0;
    ::close(fd);
    throw ToolError(subject_, FileErrorText(Status::kFileNotRegular, error));
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  file_ = ::fdopen(fd, "rb");
  if (file_ == nullptr) {
    const int error = errno;
    ::close(fd);
    throw ToolError(subject_, FileErrorText(Status::kFileOpen, error));
  }
  owned_ = true;
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
