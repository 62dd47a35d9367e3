#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "crc/crc_reference.h"

namespace codehdr::tooltest {

namespace fs = std::filesystem;

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes PatternBytes(std::size_t size, unsigned int seed) {
  Bytes bytes(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (unsigned char& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<unsigned char>(x >> 16);
  }
  return bytes;
}

std::uint32_t ImageCrc(const Bytes& image) {
  Bytes copy = image;
  if (copy.size() < 28) return codehdr::test::ReferenceCrc32(copy.data(), copy.size());
  for (std::size_t i = 24; i < 28; ++i) copy[i] = 0;
  return codehdr::test::ReferenceCrc32(copy.data(), copy.size());
}

std::uint32_t StoredCrc(const Bytes& image) {
  return (std::uint32_t{image[24]} << 24) | (std::uint32_t{image[25]} << 16) | (std::uint32_t{image[26]} << 8) |
         image[27];
}

void Reseal(Bytes& image) {
  std::uint32_t crc = ImageCrc(image);
  for (int i = 0; i < 4; ++i) image[24 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
}

std::vector<std::pair<std::string, unsigned int>> CodeModeRows() {
  std::ifstream in(std::string(CODEHDR_SOURCE_DIR) + "/data/code_modes.txt");
  std::vector<std::pair<std::string, unsigned int>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string label;
    unsigned int value = 0;
    if (fields >> label >> value) rows.emplace_back(label, value);
  }
  return rows;
}

namespace {

void PutText(Bytes& out, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) out.push_back(i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
}

}  // namespace

Bytes CraftImage(unsigned int tag, const std::string& virevuz, const std::string& code_ver, const std::string& comment,
                 const std::vector<CraftedDependency>& deps, const Bytes& payload) {
  Bytes image(4, 0xC9);
  PutText(image, virevuz, 16);
  std::size_t total = 48 + (comment.size() + 3) + 20 * deps.size();
  image.insert(image.end(), {0x00, 0x30, static_cast<unsigned char>(total >> 8), static_cast<unsigned char>(total),
                             0, 0, 0, 0, static_cast<unsigned char>(tag), 3});
  PutText(image, code_ver, 16);
  image.insert(image.end(), {static_cast<unsigned char>(1 + deps.size()), 0});
  image.insert(image.end(), {1, static_cast<unsigned char>(comment.size() + 1)});
  PutText(image, comment, comment.size() + 1);
  for (const CraftedDependency& dep : deps) {
    image.insert(image.end(), {2, 18, static_cast<unsigned char>(dep.type >> 8), static_cast<unsigned char>(dep.type)});
    PutText(image, dep.version, 16);
  }
  image.insert(image.end(), payload.begin(), payload.end());
  Reseal(image);
  return image;
}

void ToolTest::SetUp() {
  ::unsetenv("CODEHDR_DEVCTL");
  std::string pattern = (fs::temp_directory_path() / "codehdr-tool-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
}

void ToolTest::TearDown() {
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
}

std::vector<std::string> ToolTest::Listing() const {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ToolTest::TestDevctl() {
  std::string path = Path("devices.txt");
  std::ofstream(path) << "VERSION 2\n; test rig\nDEVICE_MODEL 0x10,TESTDEV,FPGA,-,33\n";
  return path;
}

std::string ToolTest::SampleDevctl() { return std::string(CODEHDR_SOURCE_DIR) + "/data/virevuz.txt"; }

RunResult ToolTest::Build(const std::string& payload, const std::string& image, std::vector<std::string> extra) {
  std::vector<std::string> args = {"build", payload, "-o", image, "--tag", "33", "--virevuz", "R02B01",
                                   "--code-ver", "R01A03.2", "--devctl", TestDevctl()};
  args.insert(args.end(), extra.begin(), extra.end());
  return RunTool(args);
}

}  // namespace codehdr::tooltest
