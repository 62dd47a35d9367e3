// codehdr crc: file and standard input agree, check values, size limits.
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

TEST_F(CrcCommandTest, BadFilesAreReportedAndTheRestStillPrinted) {
  WriteBytes(Path("big.bin"), Bytes(70000, 1));
  WriteBytes(Path("small.bin"), Bytes(3, 1));
  RunResult run = RunTool({"crc", "--crc16", Path("big.bin"), Path("missing.bin"), Path("small.bin")});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find(Path("big.bin") + ": larger than 65535 bytes"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(Path("missing.bin") + ": cannot open"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find(Path("small.bin")), std::string::npos);
  EXPECT_EQ(run.out.find(Path("big.bin")), std::string::npos);
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
