#include "support.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace codehdr::test {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  // A name no other test process picks: the clock and a counter, and a new one while the name is taken.
  static std::atomic<unsigned> counter{0};
  const fs::path tmp = fs::temp_directory_path();
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string name = "codehdr_test_" + std::to_string(stamp % 1000000007u) + "_" + std::to_string(counter++);
    const fs::path dir = tmp / name;
    std::error_code error;
    if (fs::create_directory(dir, error)) {
      path_ = dir.u8string();
      return;
    }
  }
  std::abort();
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(fs::u8path(path_), ignored);
}

std::string ScratchDir::Write(const std::string& name, const Bytes& bytes) const {
  std::ofstream(fs::u8path(File(name)), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return File(name);
}

long ScratchDir::Count() const {
  return static_cast<long>(std::distance(fs::directory_iterator(fs::u8path(path_)), fs::directory_iterator()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteAt(const std::string& path, std::uint64_t offset, const Bytes& bytes) {
  const auto mode = std::ios::binary | std::ios::in | std::ios::out;
  std::fstream f(fs::u8path(path), fs::exists(fs::u8path(path)) ? mode : mode | std::ios::trunc);
  return f.seekp(static_cast<std::streamoff>(offset)) &&
         f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())).flush();
}

namespace {

void PutText(Bytes& b, std::size_t at, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) b[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
}

void PutBe(Bytes& b, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
}

}  // namespace

void PutCrc(Bytes& b, std::uint32_t crc) { PutBe(b, 24, crc, 4); }

Image& Image::Comment(const std::string& text) {
  return Section(1, static_cast<std::uint8_t>(text.size() + 1), Bytes(text.c_str(), text.c_str() + text.size() + 1));
}

Image& Image::Dep(std::uint16_t type, const std::string& version) {
  Bytes payload(18);
  PutBe(payload, 0, type, 2);
  PutText(payload, 2, version, 16);
  return Section(2, 18, payload);
}

Image& Image::Section(std::uint8_t type, std::uint8_t length, const Bytes& payload) {
  sections.push_back({type, length});
  sections.back().insert(sections.back().end(), payload.begin(), payload.end());
  return *this;
}

Bytes Image::Header() const {
  Bytes b(48, 0);
  PutBe(b, 0, 0xC9C9C9C9u, 4);
  PutText(b, 4, vireVuz, 16);
  PutBe(b, 20, mandatorySize, 2);
  b[28] = tag;
  b[29] = codeMode;
  PutText(b, 30, codeVer, 16);
  b[46] = sectionCount.value_or(static_cast<std::uint8_t>(sections.size()));
  b[47] = reserved;
  for (const Bytes& s : sections) b.insert(b.end(), s.begin(), s.end());
  PutBe(b, 22, totalSize.value_or(static_cast<std::uint16_t>(b.size())), 2);
  return b;
}

Bytes Image::File() const {
  Bytes b = Header();
  b.insert(b.end(), payload.begin(), payload.end());
  if (seal) PutCrc(b, ReferenceCrc32(b.data(), b.size()));
  return b;
}

std::string DeviceFile(const std::vector<std::pair<int, std::string>>& models, int version) {
  std::string text = "VERSION " + std::to_string(version) + "\n";
  int id = 0x1A0;
  for (const auto& [tag, label] : models) {
    text += "DEVICE_MODEL " + std::to_string(id++) + " DEV " + label + " x " + std::to_string(tag) + "\n";
  }
  return text;
}

std::string CaptureStdout(const std::function<void()>& body) {
  const ScratchDir dir;
  const std::string path = dir.File("stdout");
  std::fflush(stdout);
  std::FILE* sink = std::fopen(path.c_str(), "w");
  if (sink == nullptr) return "(standard output not captured)";
  const int out = ::fileno(stdout), saved = ::dup(out);
  ::dup2(::fileno(sink), out);
  body();
  std::fflush(stdout);
  ::dup2(saved, out);
  ::close(saved);
  std::fclose(sink);
  std::ifstream in(fs::u8path(path));  // as text: on Windows "\r\n" reads as "\n"
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#if !defined(O_CLOEXEC)
#define O_CLOEXEC 0
#endif

QuietStdout::QuietStdout() : saved_(::dup(::fileno(stdout))), null_(::open(NullDevice(), O_WRONLY | O_CLOEXEC)) {
  std::fflush(stdout);
  ::dup2(null_, ::fileno(stdout));
}

QuietStdout::~QuietStdout() {
  std::fflush(stdout);
  ::dup2(saved_, ::fileno(stdout));
  ::close(saved_);
  ::close(null_);
}

std::uint32_t ReferenceCrc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t reg = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    reg ^= data[i];
    for (int bit = 0; bit < 8; ++bit) reg = (reg >> 1) ^ (0xEDB88320u & (0u - (reg & 1u)));
  }
  return reg ^ 0xFFFFFFFFu;
}

std::uint16_t ReferenceCrc16(const std::uint8_t* data, std::size_t size) {
  std::uint16_t reg = 0xFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    reg = static_cast<std::uint16_t>(reg ^ (data[i] << 8));
    for (int bit = 0; bit < 8; ++bit) reg = static_cast<std::uint16_t>((reg << 1) ^ ((reg & 0x8000u) ? 0x1021u : 0u));
  }
  return reg;
}

HeaderState HeaderState::Of(CCodeHeader& h) {
  HeaderState s{h.compressedCodeHeader, {}, h.totalHdrSize, {}};
  if (s.buffer != nullptr) s.bytes.assign(s.buffer, s.buffer + h.GetHeaderTotalSize());
  std::ostringstream rest;
  rest << "old-style " << h.oldStyleHeader << ", comment " << (h.comment ? std::string(h.comment, 32) : "(none)")
       << " of " << int{h.commentLen} << ", code version " << std::string(h.codeVer, sizeof h.codeVer) << ", "
       << h.devCtl.device_count << " devices at " << h.devCtl.device_table << ", dependencies";
  for (const std::string& d : DepList(h)) rest << " " << d;
  s.rest = rest.str();
  return s;
}

std::ostream& operator<<(std::ostream& os, const HeaderState& s) {
  return os << "{header " << s.bytes.size() << " bytes, " << s.rest << "}";
}

std::vector<std::string> DepList(const std::vector<Dependency>& deps) {
  std::vector<std::string> list;
  for (const Dependency& d : deps) list.push_back(std::to_string(d.type) + ":" + d.version);
  return list;
}

std::vector<std::string> DepList(CCodeHeader& h) {
  std::vector<std::string> list;
  for (int i = 0; i < h.GetNumCodeDependencies(); ++i) {
    const dependencyInfo d = h.GetCodeDependencyAt(static_cast<unsigned char>(i));
    list.push_back(std::to_string(d.depType) + ":" + std::string(d.depVer, strnlen(d.depVer, sizeof d.depVer)));
  }
  return list;
}

}  // namespace codehdr::test
