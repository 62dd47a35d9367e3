// The few operating-system services the library needs, behind one interface.
#ifndef CODEHDR_SRC_PLATFORM_PLATFORM_H
#define CODEHDR_SRC_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <codehdr/core.h>

namespace codehdr::platform {

// Path separator of this platform.
constexpr char kPathSeparator = '/';

// Full path of the running executable, however long; empty when the platform
// gives none. Callers apply their own length limits.
std::string ExecutablePath();

// True when the open file is a directory. Opening a directory for reading
// succeeds here, though nothing can be read from it.
bool IsDirectory(std::FILE* file);

// Opens `path` read-only without waiting for a writer when it is a FIFO
// (O_NONBLOCK), then makes reads blocking again: opening never stalls, and
// the caller checks what it opened. -1 with errno set on failure.
int OpenForReading(const char* path);

// An output file that appears whole or not at all. Bytes go to a temporary
// file beside the target; Commit() syncs it and renames it over the target.
// Until then the target is untouched; an uncommitted temporary file is
// removed when the object goes away. Every failure is kFileWrite, with its
// errno in error(); after one, further calls do nothing.
class AtomicFile {
 public:
  explicit AtomicFile(const std::string& target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return status_ == Status::kOk; }
  Status status() const { return status_; }
  int error() const { return error_; }

  // Appends at the end of what was written.
  void Append(const std::uint8_t* data, std::size_t size);
  // Overwrites bytes already written.
  void WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
  void Commit();

 private:
  void Fail(int errnum);
  void WriteAll(const std::uint8_t* data, std::size_t size, std::uint64_t offset);

  std::string target_;
  std::string temp_;
  int fd_ = -1;
  std::uint64_t end_ = 0;
  bool committed_ = false;
  Status status_ = Status::kOk;
  int error_ = 0;
};

}  // namespace codehdr::platform

#endif  // CODEHDR_SRC_PLATFORM_PLATFORM_H
