// Shared pieces of the tool tests: a scratch directory per test, file
// helpers, an independent bitwise CRC-32 to check what the tool stores, and a
// hand-made image with a comment section, made without the tool.
#ifndef CODEHDR_TESTS_TOOLS_TEST_SUPPORT_H
#define CODEHDR_TESTS_TOOLS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tool_runner.h"

namespace codehdr::tooltest {

using Bytes = std::vector<unsigned char>;

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);
Bytes PatternBytes(std::size_t size, unsigned int seed);

// The CRC a verifier computes for an image: over all bytes, 24-27 zeroed.
std::uint32_t ImageCrc(const Bytes& image);
std::uint32_t StoredCrc(const Bytes& image);
// Stores ImageCrc(image) big-endian in bytes 24-27.
void Reseal(Bytes& image);

// The rows of data/code_modes.txt: label and value, in row order.
std::vector<std::pair<std::string, unsigned int>> CodeModeRows();

struct CraftedDependency {
  unsigned int type;
  std::string version;
};

// A sealed new-style image: comment section first, then dependency sections.
Bytes CraftImage(unsigned int tag, const std::string& virevuz, const std::string& code_ver, const std::string& comment,
                 const std::vector<CraftedDependency>& deps, const Bytes& payload);

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // The files in the scratch directory, sorted.
  std::vector<std::string> Listing() const;
  // A device table with one model, tag 33, code-mode label FPGA.
  std::string TestDevctl();
  static std::string SampleDevctl();

  // `build` of `payload` into `image` with tag 33 and the test device table.
  RunResult Build(const std::string& payload, const std::string& image, std::vector<std::string> extra = {});

  std::filesystem::path dir_;
};

}  // namespace codehdr::tooltest

#endif  // CODEHDR_TESTS_TOOLS_TEST_SUPPORT_H
