// Test support shared by the tests and the fuzz targets: a scratch directory, an image builder that writes header bytes
// independently of the library's own builder, capture of standard output, bit-at-a-time CRC references, a snapshot of a
// classic header object, and what differs between the systems (the null device, open handles, child processes).
#ifndef CODEHDR_TESTS_SUPPORT_SUPPORT_H
#define CODEHDR_TESTS_SUPPORT_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include <codehdr/code_header.h>
#include <codehdr/header.h>

namespace codehdr::test {

using Bytes = std::vector<std::uint8_t>;

// The system's path separator: file names the tests make look like those its users give.
#if defined(_WIN32)
constexpr bool kWindows = true;
constexpr char kSeparator = '\\';
#else
constexpr bool kWindows = false;
constexpr char kSeparator = '/';
#endif

// A fresh directory in the system's temporary directory, removed with everything in it when the object goes. Names
// and paths are UTF-8.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + kSeparator + name; }
  std::string Write(const std::string& name, const Bytes& bytes) const;  // returns the path
  std::string Write(const std::string& name, const std::string& text) const {
    return Write(name, Bytes(text.begin(), text.end()));
  }
  long Count() const;  // entries in the directory

 private:
  std::string path_;
};

Bytes ReadFile(const std::string& path);  // empty when it cannot be read
// Writes `bytes` at `offset` of the file at `path` (made when missing; a gap reads as zeros); offsets are 64-bit on
// every system.
bool WriteAt(const std::string& path, std::uint64_t offset, const Bytes& bytes);
void PutCrc(Bytes& b, std::uint32_t crc);  // into the header's CRC field, bytes 24-27, big-endian
inline Bytes With(Bytes b, std::size_t at, std::uint8_t value) { return b[at] = value, b; }  // b, one byte changed

// A code image assembled byte by byte. Every field can be set to anything, so broken headers are as easy to make as
// sound ones.
struct Image {
  std::uint8_t tag = 17;
  std::string vireVuz = "R01A02";
  std::string codeVer = "P03B04.5";
  std::uint8_t codeMode = 1;
  std::uint16_t mandatorySize = 48;
  std::uint8_t reserved = 0;
  std::optional<std::uint16_t> totalSize;    // default: the bytes the header has
  std::optional<std::uint8_t> sectionCount;  // default: the sections added
  std::vector<Bytes> sections;               // each: type, length byte, payload
  Bytes payload = {0xDE, 0xAD, 0xBE, 0xEF, 0x0D, 0x0A, 0x1A, 0x00};
  bool seal = true;  // store the file's CRC-32 in the header

  Image& Comment(const std::string& text);                     // 01 n+1 text 00
  Image& Dep(std::uint16_t type, const std::string& version);  // 02 12 type version
  Image& Section(std::uint8_t type, std::uint8_t length, const Bytes& payload);

  Bytes Header() const;  // the header alone, CRC field zero
  Bytes File() const;    // header and payload, sealed when `seal`
};

// Text of a device control file with one model per (tag, label) pair.
std::string DeviceFile(const std::vector<std::pair<int, std::string>>& models, int version = 1);

// Runs `body` with standard output going to a file; returns what it printed, as text.
std::string CaptureStdout(const std::function<void()>& body);

// Standard output goes to the null device while the object lives. Neither side allocates, so that it can be used while
// allocations are being counted.
class QuietStdout {
 public:
  QuietStdout();
  ~QuietStdout();
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

 private:
  int saved_, null_;
};

// The name of the null device: "/dev/null", or "NUL" on Windows.
const char* NullDevice();

// A program run as a child process: its exit status (-1 when it did not exit by itself within the time allowed, or
// was killed by a signal) and what it wrote to standard output and error.
struct ProcessResult {
  int status;
  std::string out, err;
};
// Runs argv[0] (a path) with the arguments argv[1...], standard input from the file `input` (the null device when
// empty), the environment with `env` ("NAME=VALUE") added, for at most `seconds`.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = "",
                         const std::vector<std::string>& env = {}, int seconds = 20);

// Bit-at-a-time CRC-32/ISO-HDLC and CRC-16/IBM-3740, independent of the library.
std::uint32_t ReferenceCrc32(const std::uint8_t* data, std::size_t size);
std::uint16_t ReferenceCrc16(const std::uint8_t* data, std::size_t size);

// Everything a CCodeHeader holds, to tell whether an operation left it as it was.
struct HeaderState {
  const unsigned char* buffer = nullptr;
  Bytes bytes;  // the held header
  unsigned short totalHdrSize = 0;
  std::string rest;  // every other member, as text

  static HeaderState Of(CCodeHeader& h);
  bool operator==(const HeaderState& o) const {
    return std::tie(buffer, bytes, totalHdrSize, rest) == std::tie(o.buffer, o.bytes, o.totalHdrSize, o.rest);
  }
};
std::ostream& operator<<(std::ostream& os, const HeaderState& s);

// Dependencies as "type:version" (the version up to its NUL), in order: of a header read or checked, and of a header
// object's list.
std::vector<std::string> DepList(const std::vector<Dependency>& deps);
std::vector<std::string> DepList(CCodeHeader& h);

int OpenDescriptorCount();  // of this process (on Windows, its open handles), to find leaks


#if defined(_WIN32)
// Idle server ends of a new named pipe. Each lets one client open the name, at once; once all are taken, opening it
// fails (all instances busy).
class PipeInstances {
 public:
  explicit PipeInstances(int count);
  ~PipeInstances();
  PipeInstances(const PipeInstances&) = delete;
  PipeInstances& operator=(const PipeInstances&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::vector<void*> handles_;
};

// Whether this process has a console (then "CON" opens it).
bool HasConsole();

// Points this program's import of `function` from `module` ("kernel32.dll") at `replacement`, so that the library's
// objects linked into it call the replacement. Returns what the import pointed at, or null when it has none.
void* ReplaceImport(const char* module, const char* function, void* replacement);
#endif

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_SUPPORT_SUPPORT_H
