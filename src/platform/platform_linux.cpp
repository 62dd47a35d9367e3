// Linux stand-ins: /proc/self/exe for the executable path, fstat for sizes,
// POSIX reads, and a temporary file renamed into place for atomic output.
#include "platform/platform.h"

#include <codehdr/file_io.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

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

std::size_t PathLength(const std::string& path) { return path.size(); }

bool IsSameFile(std::intptr_t handle, const std::string& path) {
  struct stat open, named;
  return ::fstat(static_cast<int>(handle), &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

std::intptr_t StreamHandle(std::FILE* stream) { return ::fileno(stream); }

// A command's configuration lies in /etc, not beside the program in /usr/bin.
std::string ConfigurationDirectory() { return "/etc/codehdr/"; }

namespace {

// Opens `path` read-only without waiting for a writer when it is a FIFO
// (O_NONBLOCK), then makes reads blocking again: opening never stalls, and
// the caller checks what it opened. -1 with errno set on failure.
int OpenForReading(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

}  // namespace

NativeName::NativeName(const char* utf8) : name_(utf8) {}

std::FILE* OpenBinaryStream(const NativeName& name) {
  const int fd = OpenForReading(name.c_str());
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) ::close(fd);
  return file;
}

std::FILE* OpenTextStream(const NativeName& name, bool* not_regular) {
  if (not_regular != nullptr) {
    *not_regular = false;
    const int fd = OpenForReading(name.c_str());
    if (fd < 0) return nullptr;
    struct stat st;
    std::FILE* file = nullptr;
    if (::fstat(fd, &st) != 0) {
      // Neither known to be regular nor known not to be: cannot be opened.
    } else if (!S_ISREG(st.st_mode)) {
      *not_regular = true;
    } else {
      file = ::fdopen(fd, "r");
    }
    if (file == nullptr) ::close(fd);
    return file;
  }
  // Opening a directory for reading succeeds here, though nothing can be
  // read from it.
  std::FILE* file = std::fopen(name.c_str(), "r");
  struct stat st;
  if (file != nullptr && (fstat(fileno(file), &st) != 0 || S_ISDIR(st.st_mode))) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

}  // namespace codehdr::platform

namespace codehdr {

InputFile::InputFile(const std::string& path) : sized_(true) {
  const int fd = platform::OpenForReading(path.c_str());
  if (fd < 0) {
    Fail(Status::kFileOpen, errno);
    return;
  }
  handle_ = fd;
  owned_ = true;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    Fail(Status::kFileRead, errno);
  } else if (!S_ISREG(st.st_mode)) {
    // A directory or device has no byte size to read.
    Fail(Status::kFileNotRegular, S_ISDIR(st.st_mode) ? EISDIR : 0);
  } else {
    size_ = static_cast<std::uint64_t>(st.st_size);
    // The file is read once, front to back: ask for generous read-ahead.
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
}

InputFile InputFile::StandardInput() {
  InputFile in;
  in.handle_ = STDIN_FILENO;
  return in;
}

void InputFile::Close() {
  if (owned_ && handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
  owned_ = false;
}

std::size_t InputFile::ReadSome(std::uint8_t* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), buffer, capacity);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno == EINTR) continue;
    Fail(Status::kFileRead, errno);
    return 0;
  }
}

}  // namespace codehdr

namespace codehdr::platform {

namespace {

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Makes a rename durable; a failure here loses nothing already written.
void SyncDirectory(const std::string& dir) {
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
  if (NamesNoFile(target_)) {
    Fail(EISDIR);
    return;
  }
  const std::string dir = DirectoryPart(target_);
  // Every allocation comes before the file exists: once it does, nothing may
  // throw before the destructor can remove it.
  temp_ = dir + "." + target_.substr(dir.size()) + ".tmp-XXXXXX";
  const int fd = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd < 0) {
    temp_.clear();
    Fail(errno);
    return;
  }
  handle_ = fd;
  slot_ = RegisterPartialFile(temp_.c_str());
  // mkostemp creates the file 0600; give it the mode a new file gets.
  if (::fchmod(fd, 0666 & ~CurrentUmask()) != 0) Fail(errno);
}

AtomicFile::~AtomicFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
  UnregisterPartialFile(slot_);  // after the unlink: a signal in between finds the file gone
}

void RemovePartialFile(const NativeChar* name) noexcept { ::unlink(name); }

void AtomicFile::WriteAll(const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  while (ok() && size > 0) {
    const ssize_t done = ::pwrite(static_cast<int>(handle_), data, size, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      Fail(done < 0 ? errno : EIO);
      return;
    }
    data += done;
    size -= static_cast<std::size_t>(done);
    offset += static_cast<std::uint64_t>(done);
  }
}

void AtomicFile::Commit() {
  if (!ok()) return;
  // Allocated before the rename: once the target is replaced, nothing throws.
  const std::string dir = DirectoryPart(target_);
  const int fd = static_cast<int>(handle_);
  if (::fsync(fd) != 0) return Fail(errno);
  handle_ = -1;
  if (::close(fd) != 0) return Fail(errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);
  committed_ = true;
  UnregisterPartialFile(std::exchange(slot_, -1));
  SyncDirectory(dir);
}

}  // namespace codehdr::platform
