// Helpers shared by the header tests: temporary files, a device control file
// whose labels come from the code-mode table, and hand-assembled header bytes
// written independently of the library's builder.
#ifndef CODEHDR_TESTS_HEADER_HEADER_TEST_SUPPORT_H
#define CODEHDR_TESTS_HEADER_HEADER_TEST_SUPPORT_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <codehdr/code_header.h>

#include <codehdr/header.h>

namespace codehdr::test {

using Bytes = std::vector<unsigned char>;

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "codehdr_hdr_XXXXXX").string();
    path_ = mkdtemp(tmpl.data()) != nullptr ? tmpl : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Row of the code-mode table by index, for device files and labels.
inline const char* Label(std::size_t row) { return CodeModes()[row].label; }

// Tags of the device file below and the labels they carry.
constexpr unsigned char kTagApp = 17;     // row 2, value 1
constexpr unsigned char kTagBundle = 19;  // row 16, value 511: not a code-mode byte
constexpr unsigned char kTagUnknown = 20; // a label outside the table: code mode 201
constexpr unsigned char kTagLongLabel = 21;  // row 1's label plus one character
constexpr unsigned char kTagLang = 26;    // row 11, value 26 (0x1A)

inline std::string WriteDeviceFile(const TempDir& dir) {
  const std::string path = dir.File("virevuz.txt");
  std::ofstream out(path);
  out << "VERSION 1\n"
      << "DEVICE_MODEL 1A0 MAIN " << Label(2) << " x " << int{kTagApp} << "\n"
      << "DEVICE_MODEL 1A2 PACK " << Label(16) << " x " << int{kTagBundle} << "\n"
      << "DEVICE_MODEL 1A3 ODD NOSUCH x " << int{kTagUnknown} << "\n"
      << "DEVICE_MODEL 1A4 LONG " << Label(1) << "X x " << int{kTagLongLabel} << "\n"
      << "DEVICE_MODEL 1A5 LANGS " << Label(11) << " x " << int{kTagLang} << "\n";
  return path;
}

inline Bytes HeldHeader(CCodeHeader& hdr) {
  if (hdr.compressedCodeHeader == nullptr) return Bytes();
  return Bytes(hdr.compressedCodeHeader, hdr.compressedCodeHeader + hdr.GetHeaderTotalSize());
}

inline void PutText(Bytes& b, std::size_t at, const char* text, std::size_t field) {
  for (std::size_t i = 0; i < field; ++i) b[at + i] = 0;
  std::memcpy(b.data() + at, text, std::min(std::strlen(text), field));
}

// A well-formed 48-byte mandatory header, assembled byte by byte.
inline Bytes RawHeader(unsigned char tag, const char* vireVuz = "R01A02", const char* codeVer = "P03B04.5") {
  Bytes b(48, 0);
  for (int i = 0; i < 4; ++i) b[i] = 0xC9;
  PutText(b, 4, vireVuz, 16);
  b[21] = 48;
  b[23] = 48;
  b[28] = tag;
  b[29] = 1;
  PutText(b, 30, codeVer, 16);
  return b;
}

// Appends a section as given (type, length byte, payload) and updates the
// section count and the total size.
inline void AddSection(Bytes& b, unsigned char type, unsigned char lenByte, const Bytes& payload) {
  b.push_back(type);
  b.push_back(lenByte);
  b.insert(b.end(), payload.begin(), payload.end());
  b[46] = static_cast<unsigned char>(b[46] + 1);
  b[22] = static_cast<unsigned char>(b.size() >> 8);
  b[23] = static_cast<unsigned char>(b.size());
}

inline void AddComment(Bytes& b, const char* text) {
  Bytes payload(text, text + std::strlen(text) + 1);
  AddSection(b, 1, static_cast<unsigned char>(payload.size()), payload);
}

inline Bytes DependencyPayload(std::uint16_t type, const char* ver) {
  Bytes payload(18, 0);
  payload[0] = static_cast<unsigned char>(type >> 8);
  payload[1] = static_cast<unsigned char>(type);
  PutText(payload, 2, ver, 16);
  return payload;
}

inline void AddDependency(Bytes& b, std::uint16_t type, const char* ver) {
  AddSection(b, 2, 18, DependencyPayload(type, ver));
}

inline std::string Str(const char* s) { return std::string(s); }

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_HEADER_HEADER_TEST_SUPPORT_H
