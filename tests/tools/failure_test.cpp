// Exit statuses and reasons for each kind of bad image and bad build, and the
// atomic output of build: a failure leaves an existing image byte-identical.
#include <functional>

#include <sys/stat.h>

#include "test_support.h"

namespace codehdr::tooltest {
namespace {

class FailureTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    WriteBytes(Path("payload.bin"), PatternBytes(500, 9));
    ASSERT_EQ(Build(Path("payload.bin"), Path("good.bin"), {"--dep", "DSP=R01A01"}).exit_code, 0);
    good_ = ReadBytes(Path("good.bin"));
  }
  Bytes good_;
};

struct CorruptCase {
  const char* name;
  std::function<void(Bytes&)> corrupt;  // then resealed, so only this fault shows
  const char* expected;                 // in the verify output
};

TEST_F(FailureTest, EachHeaderFaultIsReportedWithItsResultCode) {
  const CorruptCase cases[] = {
      {"guard", [](Bytes& b) { b[2] = 0xC8; }, "ERR_GUARD_BYTES (1053)"},
      {"virevuz", [](Bytes& b) { b[4] = 'X'; }, "ERR_VERSION_FORMAT (1051)"},
      {"mandatory", [](Bytes& b) { b[21] = 47; }, "ERR_MAN_HDR_SIZE (1058)"},
      {"codever", [](Bytes& b) { b[31] = 'x'; }, "ERR_VERSION_FORMAT (1051)"},
      {"reserved", [](Bytes& b) { b[47] = 1; }, "ERR_CODE_VER_FORMAT (1052)"},
      {"depver", [](Bytes& b) { b[48 + 4] = 'Q'; }, "ERR_DEP_VER_FORMAT (1057)"},
  };
  for (const CorruptCase& c : cases) {
    Bytes image = good_;
    c.corrupt(image);
    Reseal(image);
    std::string path = Path(std::string(c.name) + ".bin");
    WriteBytes(path, image);
    RunResult run = RunTool({"verify", path});
    EXPECT_EQ(run.exit_code, 1) << c.name;
    EXPECT_NE(run.out.find(c.expected), std::string::npos) << c.name << ": " << run.out;
  }
}

TEST_F(FailureTest, CrcTruncationAndFilesWithoutHeader) {
  Bytes flipped = good_;
  flipped[good_.size() - 100] ^= 0x10;
  WriteBytes(Path("flipped.bin"), flipped);
  RunResult crc = RunTool({"verify", Path("flipped.bin")});
  EXPECT_EQ(crc.exit_code, 1);
  EXPECT_NE(crc.out.find("ERR_CRC_MISMATCH (1050)"), std::string::npos) << crc.out;

  WriteBytes(Path("short.bin"), Bytes(good_.begin(), good_.begin() + 60));
  RunResult shorter = RunTool({"verify", Path("short.bin")});
  EXPECT_EQ(shorter.exit_code, 1);
  EXPECT_EQ(shorter.out, Path("short.bin") +
                             ": FAILED: the file ends before the end of the header it declares (60-byte file, "
                             "68-byte header)\n");

  WriteBytes(Path("old.bin"), Bytes{9, 9, 9, 9, 0xAA});
  WriteBytes(Path("none.bin"), Bytes{'t', 'e', 'x', 't'});
  RunResult unchecked = RunTool({"verify", Path("old.bin"), Path("none.bin")});
  EXPECT_EQ(unchecked.exit_code, 0) << "the library accepts files without a new-style header";
  EXPECT_EQ(unchecked.out, Path("old.bin") + ": not checked (old-style header: it carries no versions or CRC to check)\n" +
                               Path("none.bin") + ": not checked (no code header: nothing to check)\n");
}

TEST_F(FailureTest, UnreadableInputAndUsageErrorsExitTwo) {
  RunResult missing = RunTool({"verify", Path("good.bin"), Path("missing.bin")});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_EQ(missing.LastErrLine(),
            "codehdr: " + Path("missing.bin") + ": the file cannot be opened: No such file or directory");

  EXPECT_EQ(RunTool({"verify", dir_.string()}).exit_code, 2);
  EXPECT_EQ(RunTool({"verify"}).exit_code, 2);
  EXPECT_EQ(RunTool({"verify", "-j", "0", Path("good.bin")}).exit_code, 2);
  EXPECT_EQ(RunTool({"frobnicate"}).exit_code, 2);

  WriteBytes(Path("bad.bin"), Bytes(good_.begin(), good_.end() - 1));
  EXPECT_EQ(RunTool({"verify", Path("bad.bin"), Path("good.bin")}).exit_code, 1);
}

struct BuildCase {
  const char* name;
  std::vector<std::string> args;  // after "build"
  int exit_code;
  const char* in_message;  // in the last line on standard error
};

TEST_F(FailureTest, FailedBuildsLeaveTheExistingImageUntouched) {
  const std::string out = Path("good.bin");
  const std::string payload = Path("payload.bin");
  const std::string devctl = TestDevctl();
  ::mkdir(Path("subdir").c_str(), 0700);
  WriteBytes(Path("nover.txt"), Bytes{'x', '\n'});
  WriteBytes(Path("nomodels.txt"), Bytes{'V', 'E', 'R', 'S', 'I', 'O', 'N', ' ', '1', '\n'});
  auto args = [&](std::vector<std::string> extra, const std::string& from_payload, const std::string& dc) {
    std::vector<std::string> all = {from_payload, "-o", out, "--virevuz", "R02B01", "--devctl", dc};
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
  };
  const std::vector<std::string> ok = {"--tag", "33", "--code-ver", "R01A01"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> all = ok;
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
  };
  const BuildCase cases[] = {
      {"unknown label", args(with({"--dep", "NOPE=R01A01"}), payload, devctl), 1, "ERR_UNKNOWN_DEP_LABEL"},
      {"dep version", args(with({"--dep", "APP=R1A01"}), payload, devctl), 1, "ERR_VERSION_FORMAT"},
      {"typed dep version", args(with({"--dep-type", "4=zzz"}), payload, devctl), 1, "--dep-type 4=zzz"},
      {"dep version over 16", args(with({"--dep", "APP=R01A01.1234567890"}), payload, devctl), 1, "longer than 16"},
      {"comment over 31", args(with({"--comment", std::string(32, 'c')}), payload, devctl), 2, "--comment"},
      {"code version", args({"--tag", "33", "--code-ver", "Q01A01"}, payload, devctl), 1, "ERR_CODE_VER_FORMAT"},
      {"unknown tag", args({"--tag", "34", "--code-ver", "R01A01"}, payload, devctl), 1, "ERR_CODE_MODE"},
      {"tag zero", args({"--tag", "0", "--code-ver", "R01A01"}, payload, devctl), 2, "--tag"},
      {"tag 256", args({"--tag", "256", "--code-ver", "R01A01"}, payload, devctl), 2, "--tag"},
      {"payload dir", args(ok, Path("subdir"), devctl), 2, "subdir: not a regular file"},
      {"payload missing", args(ok, Path("nothing.bin"), devctl), 2, "nothing.bin: the file cannot be opened"},
      {"devctl missing", args(ok, payload, Path("none.txt")), 1, "ERR_DEVCTL_OPEN (116)"},
      {"devctl no version", args(ok, payload, Path("nover.txt")), 1, "ERR_DEVCTL_NO_VERSION (117)"},
      {"devctl no models", args(ok, payload, Path("nomodels.txt")), 1, "ERR_DEVCTL_NO_MODELS (118)"},
      {"from without header", args(with({"--from", Path("nover.txt")}), payload, devctl), 1, "no new-style header"},
  };
  const std::vector<std::string> listing = Listing();
  for (const BuildCase& c : cases) {
    std::vector<std::string> argv = {"build"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    RunResult run = RunTool(argv);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.name << ": " << run.err;
    EXPECT_EQ(run.LastErrLine().rfind("codehdr: ", 0), 0u) << c.name << ": " << run.err;
    EXPECT_NE(run.LastErrLine().find(c.in_message), std::string::npos) << c.name << ": " << run.err;
    EXPECT_EQ(ReadBytes(out), good_) << c.name << " changed the existing image";
    EXPECT_EQ(Listing(), listing) << c.name << " left a file behind";
  }
}

TEST_F(FailureTest, SuccessfulBuildReplacesTheImageWhole) {
  ASSERT_EQ(Build(Path("payload.bin"), Path("good.bin"), {"--dep", "DSP=R01A01", "--dep", "APP=R01A02"}).exit_code,
            0);
  Bytes rebuilt = ReadBytes(Path("good.bin"));
  EXPECT_EQ(rebuilt.size(), good_.size() + 20);
  EXPECT_EQ(StoredCrc(rebuilt), ImageCrc(rebuilt));
}

}  // namespace
}  // namespace codehdr::tooltest
