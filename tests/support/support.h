// Test support shared by the tests and the fuzz targets: a scratch directory, an image builder that writes header bytes
// independently of the library's own builder, capture of standard output, bit-at-a-time CRC references, a snapshot of a
// classic header object.
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

// A fresh directory in the system's temporary directory, removed with everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string Write(const std::string& name, const Bytes& bytes) const;  // returns the path
  std::string Write(const std::string& name, const std::string& text) const {
    return Write(name, Bytes(text.begin(), text.end()));
  }

 private:
  std::string path_;
};

Bytes ReadFile(const std::string& path);
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

// Runs `body` with standard output going to a file; returns what it printed.
std::string CaptureStdout(const std::function<void()>& body);

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

int OpenDescriptorCount();  // of this process, to find leaks

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_SUPPORT_SUPPORT_H
