#include "atomic_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "report.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

// "dir/name" -> "dir/"; "name" -> "".
std::string DirectoryPart(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BasePart(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t CurrentUmask() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Makes a rename durable; failures here are not worth failing the build for.
void SyncDirectory(const std::string& dir) {
  int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace

AtomicOutput::AtomicOutput(std::string target) : target_(std::move(target)) {
  if (target_.empty() || target_.back() == '/') throw ToolError(target_, "not a file name");
  std::string pattern = DirectoryPart(target_) + "." + BasePart(target_) + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) Fail("cannot create a temporary file beside it", errno);
  temp_path_ = name.data();
  if (::fchmod(fd_, 0666 & ~CurrentUmask()) != 0) Fail("cannot set the file mode", errno);
}

AtomicOutput::~AtomicOutput() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_path_.empty()) ::unlink(temp_path_.c_str());
}

void AtomicOutput::Append(const unsigned char* data, std::size_t size) {
  WriteAll(data, size, static_cast<long long>(end_));
  end_ += size;
}

void AtomicOutput::WriteAt(std::size_t offset, const unsigned char* data, std::size_t size) {
  WriteAll(data, size, static_cast<long long>(offset));
}

void AtomicOutput::WriteAll(const unsigned char* data, std::size_t size, long long offset) {
  while (size > 0) {
    ssize_t done = ::pwrite(fd_, data, size, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) Fail("write failed", errno);
    data += done;
    size -= static_cast<std::size_t>(done);
    offset += done;
  }
}

void AtomicOutput::Commit() {
  if (::fsync(fd_) != 0) Fail("sync failed", errno);
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail("close failed", errno);
  if (::rename(temp_path_.c_str(), target_.c_str()) != 0) Fail("cannot rename the finished file into place", errno);
  committed_ = true;
  SyncDirectory(DirectoryPart(target_));
}

void AtomicOutput::Fail(const std::string& what, int errnum) const {
  throw ToolError(target_, what + ": " + ErrnoText(errnum));
}

}  // namespace codehdr::tool
