#include "file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "report.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

constexpr std::size_t kChunk = 1 << 16;

// Reads fd to its end. Returns 0 or the errno of the failing read.
int ReadToEnd(int fd, Bytes& out) {
  std::size_t used = out.size();
  for (;;) {
    out.resize(used + kChunk);
    ssize_t got = ::read(fd, out.data() + used, kChunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      out.resize(used);
      return errno;
    }
    used += static_cast<std::size_t>(got);
    if (got == 0) break;
  }
  out.resize(used);
  return 0;
}

// Reads an open descriptor after refusing a directory. Returns false with
// `reason` filled on failure.
bool ReadDescriptor(int fd, Bytes& out, std::string& reason) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    reason = "cannot get its size: " + ErrnoText(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    reason = "is a directory, not a file";
    return false;
  }
  if (S_ISREG(st.st_mode)) out.reserve(static_cast<std::size_t>(st.st_size));
  int err = ReadToEnd(fd, out);
  if (err != 0) {
    reason = "read failed: " + ErrnoText(err);
    return false;
  }
  return true;
}

}  // namespace

bool TryReadWholeFile(const std::string& path, Bytes& out, std::string& reason) {
  out.clear();
  if (path == "-") return ReadDescriptor(STDIN_FILENO, out, reason);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    reason = "cannot open: " + ErrnoText(errno);
    return false;
  }
  bool ok = ReadDescriptor(fd, out, reason);
  ::close(fd);
  return ok;
}

Bytes ReadWholeFile(const std::string& path) {
  Bytes out;
  std::string reason;
  if (!TryReadWholeFile(path, out, reason)) throw ToolError(path == "-" ? "standard input" : path, reason);
  return out;
}

}  // namespace codehdr::tool
