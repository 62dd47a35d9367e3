// The codehdr program run as a child process: exit statuses and errors, atomic output, faults, round trips, and the
// device file beside the program.
#include <cstdlib>
#include <filesystem>
#include <tuple>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <gtest/gtest.h>

#include <codehdr/checksum.h>

#include "support.h"
#include "tool_runner.h"

namespace codehdr::test {
namespace {

class ToolTest : public ToolFixture {
 protected:
  ToolTest() { dir_.Write("dev.txt", DeviceFile({{33, "FPGA"}})); }
};

// Each command's exit status and what it prints: a line of standard output, or one error line (exit status 2: usage, or
// a file that cannot be read or written; 1: a check or the library refused). No file changes or appears.
TEST_F(ToolTest, ExitStatusAndLinePrintedLeavingFilesAlone) {
  dir_.Write("text", "text");
  ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::u8path(F("sub"))));
  const std::string o = "build @text --devctl @dev.txt --virevuz R02B01 --code-ver R01A01";
  const std::string b = o + " -o @good --tag 33";
  ASSERT_EQ(Tool(b).status, 0);
  const Bytes good = ReadFile(F("good"));
  std::filesystem::create_hard_link(std::filesystem::u8path(F("good")), std::filesystem::u8path(F("link")));
  // Arguments, standard input, exit status, the line printed (on failure: the error after "codehdr: ").
  std::vector<std::tuple<std::string, std::string, int, std::string>> cases = {
      {"modes", "", 0, "16   BUNDLE   511"},
      {"devices --devctl " CODEHDR_SOURCE_DIR "/data/virevuz.txt", "", 0, "13    0x5ff      DIAGPOD    255      DIAG"},
      {"version parse P12D05.45", "", 0, "state    preliminary (P)\nmajor    12\nrelease  D\nminor    5\nbuild    45"},
      {"version make --maj 1 --min 2 --rel a --build 3", "", 0, "R01A02.3"},
      {"frobnicate --help", "", 2, "usage: unknown command 'frobnicate' (see codehdr --help)"},
      {"verfy @good", "", 2, "usage: unknown command 'verfy' (did you mean 'verify'?)"},
      {"help version", "", 0, "Check, parse or make formatted version strings"},
      {"verify @good @missing", "", 2, F("missing") + ": the file cannot be opened: No such file or directory"},
      {"verify /codehdr-no-such-file", "", 2,  // a name, not an option, on Windows too
       "/codehdr-no-such-file: the file cannot be opened: No such file or directory"},
      // A directory as the target is refused when the image is renamed onto it, and the temporary file goes.
      {o + " -o @sub --tag 33", "", 2, F("sub") + ": the output file cannot be written: Is a directory"},
      // An output that is an input, whatever its name, is refused before anything is written.
      {"build @good --devctl @dev.txt --virevuz R02B01 --code-ver R01A01 --tag 33 -o @good", "", 2,
       F("good") + ": the output is the file being read"},
      {"extract @good -o @link", "", 2, F("link") + ": the output is the file being read: writing it would replace"},
      {"verify -", F("good"), 0, "-: verified (tag 33"},  // read as bytes: the payload holds 0D 0A 1A
      {b + " --dep NOPE=R01A01", "", 1, "--dep NOPE=R01A01: ERR_UNKNOWN_DEP_LABEL"},
      {b + " --from @text", "", 1, F("text") + ": has no new-style header to take over"},
      {"extract @text -o @good", "", 1, F("text") + ": no code header to take off (--raw copies the whole file)"},
      {"version make --maj 1 --min 1 --rel O", "", 1, "R01O01: not a valid version"},
      {"crc -", "", 0, "00000000  -"}, {"crc --crc16 -", "", 0, "ffff  -"},  // of nothing: 0, and CRC-16's initial value
  };
  // A FIFO or pipe without a writer and endless devices are refused at once, so nothing stalls; "-" reads standard
  // input. (crc has the tool's own reader, which build uses too.)
#if defined(_WIN32)
  const PipeInstances pipe(1);
  cases.push_back({"crc NUL", "", 2, "NUL: not a regular file"});
  cases.push_back({"devices --devctl NUL", "", 2, "NUL: not a regular file; give one with --devctl FILE or"});
  cases.push_back({"info CON", "", 2,  // a process without a console cannot open one
                   HasConsole() ? "CON: not a regular file" : "CON: the file cannot be opened: Bad file descriptor"});
#else
  ASSERT_EQ(::mkfifo(F("fifo").c_str(), 0600), 0);
  cases.push_back({"verify @fifo", "", 2, F("fifo") + ": not a regular file"});
  cases.push_back({"crc /dev/zero", "", 2, "/dev/zero: not a regular file"});
  cases.push_back({"devices --devctl @fifo", "", 2, F("fifo") + ": not a regular file; give one with --devctl FILE or"});
#endif
  Bytes data(300007);  // the CRCs of standard input and of a file, each more than one 256 KiB read
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + (i >> 11));
  const std::string file = dir_.Write("data", data), crc32 = Crc32Text(ReferenceCrc32(data.data(), data.size()));
  const std::string crc16 = Crc32Text(ReferenceCrc16(data.data(), data.size())).substr(4);  // four digits
  cases.push_back({"crc - " + file, file, 0, crc32 + "  -\n" + crc32 + "  " + file});
  cases.push_back({"crc --crc16 - " + file, file, 0, crc16 + "  -\n" + crc16 + "  " + file});
  cases.push_back({"crc --kernel " + file, "", 0, crc32 + "  " + file + "  slice"});  // every kernel agreed
  const long before = dir_.Count();
  for (const auto& [args, in, status, text] : cases) {
    const Output run = Tool(args, in);
    const std::vector<std::string> err = Lines(run.err);  // the device reader's messages, then any error
    EXPECT_EQ(run.status, status) << args << "\n" << run.err;
    ASSERT_EQ(std::count_if(err.begin(), err.end(), [](const std::string& l) { return StartsWith(l, "codehdr:"); }),
              status == 0 ? 0 : 1) << args << "\n" << run.err;
    EXPECT_TRUE(status == 0 ? ("\n" + run.out).find("\n" + text) != std::string::npos
                            : StartsWith(err.back(), "codehdr: " + text)) << args << ":\n" << run.out << run.err;
    EXPECT_EQ(run.out.find("Device Control"), std::string::npos) << args << ": the reader's messages on stdout";
    EXPECT_EQ(ReadFile(F("good")), good) << args;
    EXPECT_EQ(dir_.Count(), before) << args << " left a file behind";
  }
  const Output kernel = Tool("crc -", "", "CODEHDR_CRC_IMPL=fast");  // ignored, and said so
  EXPECT_TRUE(kernel.status == 0 && StartsWith(kernel.err, "codehdr: warning: CODEHDR_CRC_IMPL=fast names no")) << kernel.err;
}

// A sound image (tag 33, a comment section at 48, a dependency version at 66) with `patch` written at `at`, then
// resealed unless the patch is its CRC: what verify --tag 33 prints after "FILE: ", and the field info --hex marks
// first ("": none) with what it says was expected.
struct FaultCase { const char* name; std::size_t at; std::string patch; const char *verdict, *field, *note; };

const FaultCase kFaults[] = {
    {"intact", 0, "", "verified (tag 33, code version P03B04.5, CRC-32 ", "", ""},
    {"crc", 24, "!!", "FAILED ERR_CRC_MISMATCH (1050)", "CRC-32", "<-- stored 2121"},
    {"guard", 2, "\xC8", "FAILED ERR_GUARD_BYTES (1053)", "guard bytes", "expected c9 c9 c9 c9"},
    {"tag", 28, "\x28", "FAILED ERR_TAG_MISMATCH (302)", "tag id", "expected tag 33 (--tag)"},
    {"virevuz", 4, "X", "FAILED ERR_VERSION_FORMAT (1051): the VireVuz", "VireVuz version", "expected a"},
    {"mandatory", 21, "\x2F", "FAILED ERR_MAN_HDR_SIZE (1058)", "mandatory size", "expected 48"},
    {"codever", 31, "x", "FAILED ERR_VERSION_FORMAT (1051): the code version", "code version", "expected a"},
    {"reserved", 47, "\x01", "FAILED ERR_CODE_VER_FORMAT (1052)", "reserved", "expected 0"},
    {"depver", 67, "x", "FAILED ERR_DEP_VER_FORMAT (1057): a dependency", "dependency version", "expected a"},
    {"overrun", 49, "\xC8", "FAILED ERR_DEP_VER_FORMAT (1057): an optional section runs past",
     "comment (type 1), length 200", "runs past the end of the 82-byte header"},
    {"truncated", 22, "\x04\x01",  // info refuses a header that does not fit its file
     "FAILED: the file ends before the end of the header it declares (90-byte file, 1025-byte header)", "total size",
     "the file ends after 90 bytes"},
    {"oldstyle", 0, "\x09\x09\x09\x09", "not checked (old-style header", "", ""},
    {"noheader", 0, "text", "not checked (no code header", "", ""},
};

TEST_F(ToolTest, VerifyAndInfoHexNameTheFaultOfEachImageInArgumentOrder) {
  Image sound;
  sound.tag = 33, sound.Comment("bench lot 7").Dep(5, "R02B03");
  for (const FaultCase& c : kFaults) {
    Bytes image = sound.File();
    std::copy(c.patch.begin(), c.patch.end(), image.begin() + static_cast<std::ptrdiff_t>(c.at));
    if (c.at != 24) {
      std::fill_n(image.begin() + 24, 4, 0);
      PutCrc(image, ReferenceCrc32(image.data(), image.size()));
    }
    const Output hex = Tool("info --hex --tag 33 " + dir_.Write(c.name, image));
    EXPECT_EQ(hex.status, StartsWith(c.verdict, "FAILED:") ? 1 : 0) << c.name << ": " << hex.err;
    std::string marked;  // the first line info --hex marks: starting with '>', so not in colour off a terminal
    for (const std::string& line : Lines(hex.out)) marked = marked.empty() && line[0] == '>' ? line : marked;
    EXPECT_TRUE(*c.field ? marked.find(c.field) != std::string::npos && marked.find(c.note) != std::string::npos
                         : marked.empty()) << c.name << ":\n" << hex.out;
  }
  constexpr std::size_t n = std::size(kFaults);
  std::string args = "verify -j 2 --tag 33";  // many images on two threads: a line each, in argument order
  for (std::size_t i = 0; i < 10 * n; ++i) args += " @" + std::string(kFaults[i * 7 % n].name);
  const Output all = Tool(args);
  const std::vector<std::string> lines = Lines(all.out);
  ASSERT_EQ(std::pair(all.status, lines.size()), std::pair(1, 10 * n));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_TRUE(StartsWith(lines[i], F(kFaults[i * 7 % n].name) + ": " + kFaults[i * 7 % n].verdict)) << lines[i];
  }
#if !defined(_WIN32)  // (a console under Wine cannot be captured)
  EXPECT_NE(Tool("info --hex @crc", "", "NO_COLOR=", true).out.find("\033[31m>"), std::string::npos);
  EXPECT_EQ(Tool("info --hex @crc", "", "NO_COLOR=1", true).out.find('\033'), std::string::npos);
#endif
}

// Built from standard input with the device file from the environment, the image holds what the test's own builder
// makes (info --json is compared with the browser page's report); taken apart and built again with the same fields,
// or --from it: the same bytes.
TEST_F(ToolTest, BuildInfoExtractAndBuildAgain) {
  Image want;
  want.tag = 33, want.vireVuz = "R02B01", want.codeVer = "R01A03.2", want.codeMode = 3;  // FPGA's code mode
  want.Comment("lot7").Dep(300, "R01A01").Dep(26, "R02A01").Dep(7, "R03A01.2");  // in command-line order
  want.payload.resize(300000);  // more than one 256 KiB read
  for (std::size_t i = 0; i < want.payload.size(); ++i) want.payload[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
  const std::string fields = " --tag 33 --virevuz R02B01 --code-ver R01A03.2 --comment lot7 --dep-type 300=R01A01"
                             " --dep LANG=R02A01 --dep-type 0x7=R03A01.2";
  const Output built = Tool("build - -o @image" + fields, dir_.Write("payload", want.payload),
                         "CODEHDR_DEVCTL=" + F("dev.txt"));
  EXPECT_NE(built.err.find("Device Control Version 1"), std::string::npos) << "the device reader's message";
  const Bytes image = ReadFile(F("image"));
  ASSERT_EQ(image, want.File()) << built.err;
  ASSERT_EQ(Tool("extract @image -o @extracted").status, 0);
  EXPECT_EQ(ReadFile(F("extracted")), want.payload);
  ASSERT_EQ(Tool("build @extracted -o @rebuilt --devctl @dev.txt" + fields).status, 0);
  EXPECT_EQ(ReadFile(F("rebuilt")), image);
  ASSERT_EQ(Tool("build @extracted -o @from --devctl @dev.txt --code-ver R01A03.2 --from @image").status, 0);
  EXPECT_EQ(ReadFile(F("from")), image);
  // An old-style header is four equal bytes; --raw copies a file without a header whole.
  ASSERT_EQ(Tool("extract " + dir_.Write("text", "text") + " -o @out --raw").status, 0);  // no header: copied whole
  EXPECT_EQ(ReadFile(F("out")), Bytes({'t', 'e', 'x', 't'}));
}

#if !defined(_WIN32)
// A build interrupted while it reads its payload (standard input that never ends) removes the image it was writing and
// exits with 128 + the signal's number.
TEST_F(ToolTest, SignalsLeaveNoPartialOutput) {
  // Under an emulator the signal would reach the emulator, not the program: the native build holds this.
  if (*CODEHDR_TOOL_EMULATOR != '\0') GTEST_SKIP() << "the tool runs under " << CODEHDR_TOOL_EMULATOR;
  ASSERT_EQ(::mkfifo(F("fifo").c_str(), 0600), 0);
  const int writer = ::open(F("fifo").c_str(), O_RDWR | O_CLOEXEC);  // never writes, never closes: no end
  const long before = dir_.Count();
  for (const auto& [name, number] : {std::pair("INT", SIGINT), std::pair("TERM", SIGTERM), std::pair("HUP", SIGHUP)}) {
    const Output run = RunProcess({"/usr/bin/timeout", "--preserve-status", "-s", name, "1", CODEHDR_TOOL, "build", "-",
                                   "-o", F("out"), "--devctl", F("dev.txt"), "--tag", "33", "--virevuz", "R02B01",
                                   "--code-ver", "R01A01"}, F("fifo"));
    EXPECT_EQ(run.status, 128 + number) << name << ": " << run.err;
    EXPECT_EQ(dir_.Count(), before) << name << " left a file behind";
  }
  ::close(writer);
}
#endif

// Names outside ASCII reach the library whole (on Windows through the wide-character command line) and are printed as
// given.
TEST_F(ToolTest, NamesOutsideAscii) {
  const Bytes payload = {1, 2, 3, 0x0D, 0x0A, 0x1A, 0};
  dir_.Write("payload", payload);
  const std::string build = "build @payload --devctl @dev.txt --virevuz R02B01 --code-ver R01A01 --tag 33 -o @";
  const std::string name = "\xE5\x90\x8D-\xD1\x84.img", extracted = "\xC3\xBC.bin";  // 名-ф.img, ü.bin
  ASSERT_EQ(Tool(build + name).status, 0);
  const Output verified = Tool("verify --tag 33 @" + name);
  EXPECT_TRUE(verified.status == 0 && StartsWith(verified.out, F(name) + ": verified (tag 33")) << verified.out;
  ASSERT_EQ(Tool("extract @" + name + " -o @" + extracted).status, 0);
  EXPECT_EQ(ReadFile(F(extracted)), payload);
}

// Without --devctl and CODEHDR_DEVCTL the device file is the system's: on Linux /etc/codehdr/virevuz.txt, and when it is
// missing, one error line names it and says how to give one. (On Windows it lies beside the program, where the
// library's DeviceFileBesideExecutable finds it: tested with the library.)
TEST_F(ToolTest, DeviceFileOfTheSystem) {
  if (kWindows) GTEST_SKIP() << "beside the program: tested with the library";
  if (std::filesystem::exists("/etc/codehdr/virevuz.txt")) GTEST_SKIP() << "/etc/codehdr/virevuz.txt exists";
  const Output run = Tool("devices", "", "CODEHDR_DEVCTL=");
  EXPECT_EQ(std::tuple(run.status, run.out, run.err),
            std::tuple(2, "", "codehdr: /etc/codehdr/virevuz.txt: the device control file cannot be opened; give one "
                              "with --devctl FILE or CODEHDR_DEVCTL\n"));
}

}  // namespace
}  // namespace codehdr::test
