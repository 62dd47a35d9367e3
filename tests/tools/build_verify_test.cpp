// build, then verify: the written file, its CRC, re-stamping with --from and
// the order of dependencies.
#include <nlohmann/json.hpp>

#include "test_support.h"

namespace codehdr::tooltest {
namespace {

using nlohmann::json;

class BuildVerifyTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    payload_ = PatternBytes(3000, 7);
    WriteBytes(Path("payload.bin"), payload_);
  }
  json Info(const std::string& image) { return json::parse(RunTool({"info", "--json", image}).out); }
  Bytes payload_;
};

TEST_F(BuildVerifyTest, BuiltImageVerifiesAndCarriesPayloadAndCrc) {
  RunResult built = Build(Path("payload.bin"), Path("image.bin"), {"--dep", "BOOT=R01A01.4", "--dep", "FPGA=R03C00"});
  ASSERT_EQ(built.exit_code, 0) << built.err;

  Bytes image = ReadBytes(Path("image.bin"));
  const std::size_t header = 48 + 2 * 20;
  ASSERT_EQ(image.size(), header + payload_.size());
  EXPECT_EQ(Bytes(image.begin(), image.begin() + 4), Bytes(4, 0xC9));
  EXPECT_EQ(Bytes(image.begin() + header, image.end()), payload_);
  EXPECT_EQ(StoredCrc(image), ImageCrc(image));

  RunResult verified = RunTool({"verify", Path("image.bin")});
  EXPECT_EQ(verified.exit_code, 0) << verified.err;
  EXPECT_NE(verified.out.find("verified"), std::string::npos);
  EXPECT_EQ(RunTool({"verify", "--tag", "33", Path("image.bin")}).exit_code, 0);

  RunResult wrong_tag = RunTool({"verify", "--tag", "34", Path("image.bin")});
  EXPECT_EQ(wrong_tag.exit_code, 1);
  EXPECT_NE(wrong_tag.out.find("ERR_TAG_MISMATCH"), std::string::npos) << wrong_tag.out;
}

TEST_F(BuildVerifyTest, DependenciesKeepCommandLineOrderAcrossBothOptions) {
  ASSERT_EQ(Build(Path("payload.bin"), Path("image.bin"),
                  {"--dep-type", "300=R01A01", "--dep", "LANG=R02A01", "--dep-type", "0x7=R03A01.2"})
                .exit_code,
            0);
  json deps = Info(Path("image.bin"))["dependencies"];
  ASSERT_EQ(deps.size(), 3u);
  EXPECT_EQ(deps[0]["type"], 300);
  EXPECT_EQ(deps[1]["type"], 26);
  EXPECT_EQ(deps[1]["labels"], json::array({"LANG"}));
  EXPECT_EQ(deps[2]["type"], 7);
  EXPECT_EQ(deps[2]["version"], "R03A01.2");
}

TEST_F(BuildVerifyTest, FromOldImageCarriesCommentDependenciesTagAndVireVuzOver) {
  WriteBytes(Path("old.bin"),
             CraftImage(33, "R05C02", "R01A01", "bench lot 7", {{5, "R02B03"}, {511, "P01A00.1"}}, PatternBytes(64, 3)));
  ASSERT_EQ(RunTool({"verify", Path("old.bin")}).exit_code, 0) << "the crafted image must be valid to begin with";

  RunResult built = RunTool({"build", Path("payload.bin"), "-o", Path("new.bin"), "--from", Path("old.bin"),
                             "--code-ver", "R01A02", "--dep", "DIAG=R09A09", "--devctl", TestDevctl()});
  ASSERT_EQ(built.exit_code, 0) << built.err;

  json info = Info(Path("new.bin"));
  EXPECT_EQ(info["tag_id"], 33);
  EXPECT_EQ(info["virevuz_version"], "R05C02");
  EXPECT_EQ(info["code_version"], "R01A02");
  EXPECT_EQ(info["comment"], "bench lot 7");
  EXPECT_EQ(info["comment_length"], 12);
  ASSERT_EQ(info["dependencies"].size(), 3u);
  EXPECT_EQ(info["dependencies"][0]["type"], 5);
  EXPECT_EQ(info["dependencies"][1]["type"], 511);
  EXPECT_EQ(info["dependencies"][1]["version"], "P01A00.1");
  EXPECT_EQ(info["dependencies"][2]["type"], 255);
  EXPECT_EQ(info["total_size"], 48 + 14 + 3 * 20);
  EXPECT_EQ(RunTool({"verify", Path("new.bin")}).exit_code, 0);
}

TEST_F(BuildVerifyTest, DevctlComesFromOptionThenEnvironment) {
  std::vector<std::string> args = {"build", Path("payload.bin"), "-o", Path("image.bin"), "--tag", "33",
                                   "--virevuz", "R02B01", "--code-ver", "R01A03"};
  RunOptions env{"", {"CODEHDR_DEVCTL=" + TestDevctl()}};
  EXPECT_EQ(RunTool(args, env).exit_code, 0);

  RunOptions bad_env{"", {"CODEHDR_DEVCTL=" + Path("missing.txt")}};
  RunResult refused = RunTool(args, bad_env);
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.LastErrLine().find("missing.txt"), std::string::npos) << refused.err;

  args.insert(args.end(), {"--devctl", TestDevctl()});
  EXPECT_EQ(RunTool(args, bad_env).exit_code, 0) << "--devctl wins over the environment";
}

}  // namespace
}  // namespace codehdr::tooltest
