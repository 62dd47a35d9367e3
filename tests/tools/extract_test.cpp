// extract: taking an image apart and building it again gives the same bytes;
// other header forms are refused or copied.
#include <cstdio>

#include "test_support.h"

namespace codehdr::tooltest {
namespace {

class ExtractTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    payload_ = PatternBytes(5000, 2);
    image_ = CraftImage(33, "R02B01", "R01A03.2", "bench lot 7", {{5, "R02B03"}, {511, "P01A00.1"}}, payload_);
    WriteBytes(Path("image.bin"), image_);
  }
  Bytes payload_;
  Bytes image_;
};

TEST_F(ExtractTest, ExtractThenBuildWithTheSameFieldsGivesTheSameImage) {
  RunResult extracted = RunTool({"extract", Path("image.bin"), "-o", Path("payload.bin")});
  ASSERT_EQ(extracted.exit_code, 0) << extracted.err;
  ASSERT_EQ(ReadBytes(Path("payload.bin")), payload_);

  const std::vector<std::vector<std::string>> rebuilds = {
      {"--tag", "33", "--virevuz", "R02B01", "--comment", "bench lot 7", "--dep-type", "5=R02B03", "--dep",
       "BUNDLE=P01A00.1"},
      {"--from", Path("image.bin")},
  };
  for (const std::vector<std::string>& fields : rebuilds) {
    std::vector<std::string> args = {"build", "-", "-o", Path("rebuilt.bin"), "--code-ver", "R01A03.2",
                                     "--devctl", TestDevctl()};
    args.insert(args.end(), fields.begin(), fields.end());
    RunResult built = RunTool(args, RunOptions{Path("payload.bin"), {}});
    ASSERT_EQ(built.exit_code, 0) << fields[0] << ": " << built.err;
    EXPECT_EQ(ReadBytes(Path("rebuilt.bin")), image_) << fields[0];
  }
}

struct ExtractCase {
  const char* name;
  Bytes image;
  bool raw;
  int exit_code;
  const char* payload;  // the payload written, or null when nothing may be written
  const char* message;  // in standard error
};

TEST_F(ExtractTest, OtherFormsAreTakenOffCopiedOrRefused) {
  const Bytes truncated(image_.begin(), image_.begin() + 60);
  const ExtractCase cases[] = {
      {"old-style", {9, 9, 9, 9, 'a', 'b'}, false, 0, "ab", ""},
      {"no header", {'t', 'e', 'x', 't'}, false, 1, nullptr, "no code header to take off (--raw"},
      {"no header raw", {'t', 'e', 'x', 't'}, true, 0, "text", ""},
      {"truncated", truncated, true, 1, nullptr, "malformed header: the file ends before"},
  };
  for (const ExtractCase& c : cases) {
    WriteBytes(Path("in.bin"), c.image);
    std::vector<std::string> args = {"extract", Path("in.bin"), "-o", Path("out.bin")};
    if (c.raw) args.push_back("--raw");
    RunResult run = RunTool(args);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.name << ": " << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
    if (c.payload != nullptr) {
      EXPECT_EQ(ReadBytes(Path("out.bin")), Bytes(c.payload, c.payload + std::string(c.payload).size())) << c.name;
    } else {
      EXPECT_EQ(Listing(), (std::vector<std::string>{"image.bin", "in.bin"})) << c.name << " wrote a file";
    }
    std::remove(Path("out.bin").c_str());
  }
}

}  // namespace
}  // namespace codehdr::tooltest
