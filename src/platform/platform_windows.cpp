// Windows stand-ins: the ANSI module file name for the executable path, UTF-8
// names opened through the wide-character calls, 64-bit sizes and offsets,
// reads through the system handle (binary, whatever the C runtime's mode),
// and a temporary file moved over the target for atomic output. System
// errors are translated to the nearest errno values, so that callers see
// the statuses and messages they see on Linux.
#include "platform/platform.h"

#include <codehdr/file_io.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace codehdr::platform {
namespace {

// The largest request one ReadFile or WriteFile call takes here (the calls
// count in 32 bits).
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

int ErrnoFromSystem(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_PIPE_BUSY:
      return EAGAIN;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_NO_UNICODE_TRANSLATION:
      return EILSEQ;
    default:
      return EIO;
  }
}

int LastErrno() { return ErrnoFromSystem(::GetLastError()); }

// UTF-8 to UTF-16. Bytes that are not UTF-8 fail (EILSEQ): no name has them.
bool Widen(const std::string& text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  const int length = static_cast<int>(text.size());
  const int units = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (units <= 0) return false;
  wide.resize(static_cast<std::size_t>(units));
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), units) == units;
}

std::string Narrow(const wchar_t* wide, std::size_t units) {
  if (units == 0 || units > static_cast<std::size_t>(INT32_MAX)) return std::string();
  const int length = static_cast<int>(units);
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string text(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), bytes, nullptr, nullptr);
  return text;
}

bool IsDirectoryPath(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::FILE* OpenStream(const NativeName& name, const wchar_t* mode) {
  if (!name.ok()) {
    errno = EILSEQ;
    return nullptr;
  }
  return ::_wfopen(name.c_str(), mode);
}

}  // namespace

std::string ExecutablePath() {
  // The module file name as the classic reader asks for it: in the ANSI code
  // page, into 260 bytes of which 259 are offered (a longer name comes back
  // cut short, and the directory part of what came back is used). It is
  // handed on in UTF-8, like every file name in the library.
  char path[MAX_PATH] = "";
  if (::GetModuleFileNameA(nullptr, path, MAX_PATH - 1) == 0) return std::string();
  const int length = static_cast<int>(std::char_traits<char>::length(path));
  const int units = ::MultiByteToWideChar(CP_ACP, 0, path, length, nullptr, 0);
  if (units <= 0) return std::string();
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path, length, wide.data(), units);
  return Narrow(wide.data(), wide.size());
}

std::size_t PathLength(const std::string& path) {
  // The classic reader's limit counts bytes of the ANSI code page.
  std::wstring wide;
  if (!Widen(path, wide) || wide.empty()) return path.size();
  const int bytes =
      ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  return bytes > 0 ? static_cast<std::size_t>(bytes) : path.size();
}

NativeName::NativeName(const char* utf8) { ok_ = Widen(utf8, name_); }

std::FILE* OpenBinaryStream(const NativeName& name) { return OpenStream(name, L"rb"); }

// Opening a directory fails here already.
std::FILE* OpenTextStream(const NativeName& name, bool* not_regular) {
  std::FILE* file = OpenStream(name, L"r");
  if (not_regular == nullptr) return file;
  *not_regular = false;
  if (file == nullptr) {
    *not_regular = name.ok() && IsDirectoryPath(name.c_str());
    return nullptr;
  }
  // Devices (NUL, CON) and pipes: opened without reading, refused before any
  // read could wait.
  if (::GetFileType(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)))) != FILE_TYPE_DISK) {
    std::fclose(file);
    *not_regular = true;
    return nullptr;
  }
  return file;
}

std::string ConfigurationDirectory() { return std::string(); }

bool IsSameFile(std::intptr_t handle, const std::string& path) {
  std::wstring wide;
  BY_HANDLE_FILE_INFORMATION open, named;
  if (!Widen(path, wide) || !::GetFileInformationByHandle(AsHandle(handle), &open)) return false;
  // Opened for no access at all: only to ask what file the name is.
  const HANDLE h = ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool got = ::GetFileInformationByHandle(h, &named) != 0;
  ::CloseHandle(h);
  return got && open.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
         open.nFileIndexHigh == named.nFileIndexHigh && open.nFileIndexLow == named.nFileIndexLow;
}

std::intptr_t StreamHandle(std::FILE* stream) { return ::_get_osfhandle(::_fileno(stream)); }

}  // namespace codehdr::platform

namespace codehdr {

InputFile::InputFile(const std::string& path) : sized_(true) {
  std::wstring wide;
  if (!platform::Widen(path, wide)) {
    Fail(Status::kFileOpen, platform::LastErrno());
    return;
  }
  // Others may read, write, rename or delete the file meanwhile, as on Linux:
  // a file that shrinks is caught by the size check.
  const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // A directory cannot be opened as a file at all; say what it is.
    if (error == ERROR_ACCESS_DENIED && platform::IsDirectoryPath(wide)) {
      Fail(Status::kFileNotRegular, EISDIR);
    } else {
      Fail(Status::kFileOpen, platform::ErrnoFromSystem(error));
    }
    return;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  owned_ = true;
  // Devices (NUL, CON) and pipes have no byte size: refused before any read.
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    Fail(Status::kFileNotRegular, 0);
  } else if (!::GetFileInformationByHandle(h, &info)) {
    Fail(Status::kFileRead, platform::LastErrno());
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    Fail(Status::kFileNotRegular, EISDIR);
  } else {
    size_ = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  }
}

InputFile InputFile::StandardInput() {
  // Read through the system handle, never the C runtime's text mode: a byte
  // 0x0D, 0x0A or 0x1A is data like any other.
  InputFile in;
  in.handle_ = reinterpret_cast<std::intptr_t>(::GetStdHandle(STD_INPUT_HANDLE));
  return in;
}

void InputFile::Close() {
  if (owned_ && handle_ != -1) ::CloseHandle(platform::AsHandle(handle_));
  handle_ = -1;
  owned_ = false;
}

std::size_t InputFile::ReadSome(std::uint8_t* buffer, std::size_t capacity) {
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min(capacity, platform::kMaxTransfer));
  if (::ReadFile(platform::AsHandle(handle_), buffer, want, &got, nullptr)) return got;
  const DWORD error = ::GetLastError();
  // The writer of a pipe closed its end: the end of the data.
  if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
  Fail(Status::kFileRead, platform::ErrnoFromSystem(error));
  return 0;
}

}  // namespace codehdr

namespace codehdr::platform {
namespace {

// A name for the temporary file that no other writer picks at the same
// moment: the process, a counter and the clock.
std::wstring TemporarySuffix(unsigned attempt) {
  static volatile LONG counter = 0;
  const unsigned long long mix = (static_cast<unsigned long long>(::GetCurrentProcessId()) << 32) ^
                                 static_cast<unsigned long long>(::InterlockedIncrement(&counter)) ^
                                 (::GetTickCount64() << 16) ^ attempt;
  std::wstring text;
  for (unsigned long long v = mix; text.size() < 12; v >>= 5) text += L"0123456789abcdefghijklmnopqrstuv"[v & 31];
  return text;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
  if (NamesNoFile(target_)) {
    Fail(EISDIR);
    return;
  }
  const std::string dir = DirectoryPart(target_);
  std::wstring base;
  if (!Widen(dir + "." + target_.substr(dir.size()) + ".tmp-", base)) {
    Fail(LastErrno());
    return;
  }
  // Every allocation comes before the file exists: once it does, nothing may
  // throw before the destructor can remove it.
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::wstring temp = base + TemporarySuffix(attempt);
    // Shared for deletion only: RemovePartialOutputs may delete it while it is open.
    const HANDLE h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      temp_.swap(temp);
      handle_ = reinterpret_cast<std::intptr_t>(h);
      slot_ = RegisterPartialFile(temp_.c_str());
      return;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS) {
      Fail(LastErrno());
      return;
    }
  }
  Fail(EEXIST);
}

AtomicFile::~AtomicFile() {
  if (handle_ != -1) ::CloseHandle(AsHandle(handle_));
  if (!committed_ && !temp_.empty()) ::DeleteFileW(temp_.c_str());
  UnregisterPartialFile(slot_);  // after the deletion: a handler in between finds the file gone
}

void RemovePartialFile(const NativeChar* name) noexcept { ::DeleteFileW(name); }

void AtomicFile::WriteAll(const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  while (ok() && size > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    const DWORD want = static_cast<DWORD>(std::min(size, kMaxTransfer));
    if (!::WriteFile(AsHandle(handle_), data, want, &done, &at)) return Fail(LastErrno());
    if (done == 0) return Fail(EIO);
    data += done;
    size -= done;
    offset += done;
  }
}

void AtomicFile::Commit() {
  if (!ok()) return;
  // Allocated before the move: once the target is replaced, nothing throws.
  std::wstring to;
  if (!Widen(target_, to)) return Fail(LastErrno());
  const HANDLE h = AsHandle(handle_);
  handle_ = -1;
  if (!::FlushFileBuffers(h)) {
    const int error = LastErrno();
    ::CloseHandle(h);
    return Fail(error);
  }
  if (!::CloseHandle(h)) return Fail(LastErrno());
  // A read-only target stays as it is: the attribute asks that the file not
  // be changed, and a move over it is refused on Windows (not by every
  // emulation of it, hence the check).
  const DWORD attributes = ::GetFileAttributesW(to.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Fail(EISDIR);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return Fail(EACCES);
  if (!::MoveFileExW(temp_.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return Fail(LastErrno());
  }
  committed_ = true;
  UnregisterPartialFile(slot_);
  slot_ = -1;
}

}  // namespace codehdr::platform
