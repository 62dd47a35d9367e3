// The few operating-system services the library needs, behind one interface.
#ifndef CODEHDR_SRC_PLATFORM_PLATFORM_H
#define CODEHDR_SRC_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include <codehdr/core.h>

namespace codehdr::platform {

#if defined(_WIN32)
// What the system's file calls take names in: UTF-16.
using NativeChar = wchar_t;
// Separator in the executable's path, as the system gives it.
constexpr char kPathSeparator = '\\';
// Characters that end the directory part of a path a caller gives: either
// slash, and the colon of a drive-relative name such as "C:image.bin".
constexpr const char* kDirectoryEnds = "\\/:";
#else
using NativeChar = char;
constexpr char kPathSeparator = '/';
constexpr const char* kDirectoryEnds = "/";
#endif

// The directory part of a path, its end included: "dir/name" -> "dir/",
// "name" -> "".
inline std::string DirectoryPart(const std::string& path) {
  const std::size_t end = path.find_last_of(kDirectoryEnds);
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// True when a path names no file: it is empty or ends with a directory end.
inline bool NamesNoFile(const std::string& path) {
  return path.empty() || std::string_view(kDirectoryEnds).find(path.back()) != std::string_view::npos;
}

// Full path of the running executable (UTF-8), however long; empty when the
// platform gives none. Callers apply their own length limits.
std::string ExecutablePath();

// The length of a path as the device file's 259-character limit counts it:
// its bytes on Linux, its bytes in the ANSI code page on Windows (where a
// name that is not UTF-8 counts its own bytes).
std::size_t PathLength(const std::string& path);

// A file name (UTF-8) in the form the system's file calls take it: UTF-16
// on Windows, the bytes themselves elsewhere. Converting allocates and may
// throw std::bad_alloc; opening a converted name allocates nothing that can
// throw, so a caller converts first when a failure must leave its state as
// it was.
class NativeName {
 public:
  explicit NativeName(const char* utf8);
  // False when the name cannot be converted (on Windows: it is not UTF-8);
  // nothing opens it then.
  bool ok() const { return ok_; }
  const NativeChar* c_str() const { return name_.c_str(); }

 private:
  std::basic_string<NativeChar> name_;
  bool ok_ = true;
};

// Opens a code image file for reading as a binary stream; null on failure.
// Opening never waits for a writer: a FIFO without one opens at once and
// reads as empty.
std::FILE* OpenBinaryStream(const NativeName& name);

// Opens a text file for reading in text mode, as fopen(path, "r") does; null
// on failure. A directory counts as a file that cannot be opened, whether or
// not the system lets it be opened. Given `not_regular`, only a regular file
// is opened: anything else (a directory, a FIFO, a device) is refused at
// once, without waiting for a writer, and *not_regular is set to true.
std::FILE* OpenTextStream(const NativeName& name, bool* not_regular = nullptr);

// The folder where a program of this system finds its configuration files,
// ending with a separator: "/etc/codehdr/" on Linux. Empty on Windows, where
// a program keeps them beside itself.
std::string ConfigurationDirectory();

// Whether `path` (UTF-8) names the file open as `handle` (a file
// descriptor, or a Windows HANDLE): the same device and inode, or on Windows
// the same volume serial number and file ID. False when either cannot be
// looked at (no such file, say).
bool IsSameFile(std::intptr_t handle, const std::string& path);
// The handle of an open stream, for IsSameFile.
std::intptr_t StreamHandle(std::FILE* stream);

// The temporary files of AtomicFile objects, for RemovePartialOutputs (see
// <codehdr/image.h>), in kPartialSlots slots. Register returns the slot, or
// -1 when all are taken (more outputs than this at once are still removed on
// every ordinary path out, only not by a signal handler); Unregister(-1) does
// nothing. Both are lock-free and never throw.
constexpr std::size_t kPartialSlots = 64;
int RegisterPartialFile(const NativeChar* name) noexcept;
void UnregisterPartialFile(int slot) noexcept;
// Removes a file by its native name with one system call (unlink, or
// DeleteFileW: the file goes once its last handle is closed): safe in a
// signal handler.
void RemovePartialFile(const NativeChar* name) noexcept;

// An output file that appears whole or not at all. Bytes go to a temporary
// file beside the target; Commit() syncs it and renames it over the target
// (on Windows, where a read-only target or one open elsewhere is refused
// with EACCES, moves it). Until then the target is untouched; an uncommitted temporary file is
// removed when the object goes away, and by RemovePartialOutputs. Every failure is kFileWrite, with its
// errno in error() (on Windows, the system error translated to the nearest
// errno value); after one, further calls do nothing.
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
  void Append(const std::uint8_t* data, std::size_t size) {
    WriteAll(data, size, end_);
    if (ok()) end_ += size;
  }
  // Overwrites bytes already written.
  void WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) { WriteAll(data, size, offset); }
  void Commit();

 private:
  // The first failure is the one reported.
  void Fail(int errnum) {
    if (!ok()) return;
    status_ = Status::kFileWrite;
    error_ = errnum;
  }
  void WriteAll(const std::uint8_t* data, std::size_t size, std::uint64_t offset);

  std::string target_;
  std::basic_string<NativeChar> temp_;
  std::intptr_t handle_ = -1;  // a file descriptor, or a Windows HANDLE
  int slot_ = -1;              // of RegisterPartialFile
  std::uint64_t end_ = 0;
  bool committed_ = false;
  Status status_ = Status::kOk;
  int error_ = 0;
};

}  // namespace codehdr::platform

#endif  // CODEHDR_SRC_PLATFORM_PLATFORM_H
