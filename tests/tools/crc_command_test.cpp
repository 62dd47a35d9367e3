// codehdr crc: file and standard input agree, check values, any size.
#include <algorithm>
#include <cstdio>

#include "crc/crc_reference.h"
#include "test_support.h"

namespace codehdr::tooltest {
namespace {

class CrcCommandTest : public ToolTest {};

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

TEST_F(CrcCommandTest, StandardInputAndFileGiveTheSameCrc32) {
  Bytes data = PatternBytes(200000, 11);
  WriteBytes(Path("data.bin"), data);
  RunResult file = RunTool({"crc", Path("data.bin")});
  RunResult piped = RunTool({"crc", "-"}, RunOptions{Path("data.bin"), {}});
  ASSERT_EQ(file.exit_code, 0) << file.err;
  ASSERT_EQ(piped.exit_code, 0) << piped.err;
  EXPECT_EQ(file.out, Hex(codehdr::test::ReferenceCrc32(data.data(), data.size())) + "  " + Path("data.bin") + "\n");
  EXPECT_EQ(piped.out, Hex(codehdr::test::ReferenceCrc32(data.data(), data.size())) + "  -\n");
}

TEST_F(CrcCommandTest, CheckValuesOfBothCrcs) {
  WriteBytes(Path("check.txt"), Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'});
  EXPECT_EQ(RunTool({"crc", Path("check.txt")}).out, "cbf43926  " + Path("check.txt") + "\n");
  EXPECT_EQ(RunTool({"crc", "--crc16", Path("check.txt")}).out, "29b1  " + Path("check.txt") + "\n");
}

// CRC-16/IBM-3740, one bit at a time.
std::uint16_t ReferenceCrc16(const Bytes& data) {
  std::uint16_t crc = 0xFFFF;
  for (unsigned char byte : data) {
    crc ^= static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

TEST_F(CrcCommandTest, AnySizeIsStreamedAndBadFilesAreReportedWhileTheRestPrint) {
  Bytes big = PatternBytes(300000, 4);  // past 65535 bytes and past one read chunk
  WriteBytes(Path("big.bin"), big);
  RunResult run = RunTool({"crc", "--crc16", Path("big.bin"), Path("missing.bin"), dir_.string()});
  EXPECT_EQ(run.exit_code, 2);
  char expected[8];
  std::snprintf(expected, sizeof expected, "%04x", ReferenceCrc16(big));
  EXPECT_EQ(run.out, std::string(expected) + "  " + Path("big.bin") + "\n");
  EXPECT_NE(run.err.find(Path("missing.bin") + ": the file cannot be opened"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(dir_.string() + ": not a regular file"), std::string::npos) << run.err;
}

TEST_F(CrcCommandTest, ImplementationNameIsOneOfTheKernelTiers) {
  RunResult run = RunTool({"crc", "--impl"});
  ASSERT_EQ(run.exit_code, 0);
  const std::string prefix = "CRC-32 kernel: ";
  ASSERT_EQ(run.out.rfind(prefix, 0), 0u) << run.out;
  std::string name = run.out.substr(prefix.size(), run.out.size() - prefix.size() - 1);
  const std::vector<std::string> tiers = {"table", "slice", "pclmul-sse", "pclmul", "avx2", "avx512"};
  EXPECT_NE(std::find(tiers.begin(), tiers.end(), name), tiers.end()) << name;
  EXPECT_NE(RunTool({"--version"}).out.find(name), std::string::npos);
}

}  // namespace
}  // namespace codehdr::tooltest
