// Linux stand-ins: /proc/self/exe for the executable path, fstat for sizes.
#include "platform/platform.h"

#include <sys/stat.h>
#include <unistd.h>

namespace codehdr::platform {

std::string ExecutablePath() {
  // readlink neither terminates nor reports truncation: grow until it fits.
  std::string path(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return std::string();
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      return path;
    }
    if (path.size() >= (1u << 20)) return std::string();
    path.resize(path.size() * 2);
  }
}

bool OpenFileSize(std::FILE* file, long long* size) {
  struct stat st;
  if (fstat(fileno(file), &st) != 0) return false;
  // A directory or device has no meaningful byte size to read.
  if (!S_ISREG(st.st_mode)) return false;
  *size = static_cast<long long>(st.st_size);
  return true;
}

bool IsDirectory(std::FILE* file) {
  struct stat st;
  return fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace codehdr::platform
