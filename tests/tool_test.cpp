// The codehdr program run as a child process: exit statuses and errors, atomic
// output, the faults verify and info --hex name, round trips, crc and tables.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support.h"

namespace codehdr::test {
namespace {

using nlohmann::json;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

class ToolTest : public ::testing::Test {
 protected:
  ToolTest() { dir_.Write("dev.txt", DeviceFile({{33, "FPGA"}})); }
  // Runs the tool with `args` split at spaces; "@name" is the scratch file `name`.
  ProgramRun Tool(const std::string& args, const std::string& in = "", const std::vector<std::string>& env = {},
                  bool tty = false) const {
    std::vector<std::string> argv = {CODEHDR_TOOL};
    std::istringstream words(args);
    for (std::string w; words >> w;) argv.push_back(w[0] == '@' ? F(w.substr(1)) : w);
    return RunProgram(argv, in, env, tty);
  }
  std::string F(const std::string& name) const { return dir_.File(name); }

  ScratchDir dir_;
};

TEST_F(ToolTest, EachFailureHasItsExitStatusOneErrorLineAndLeavesFilesAlone) {
  dir_.Write("payload", Bytes(500, 0x5A));
  dir_.Write("nover.txt", "x\n");
  dir_.Write("text", "text");
  dir_.Write("short", Bytes(30, 0xC9));  // a header that declares more bytes than the file holds
  ASSERT_TRUE(std::filesystem::create_directory(F("sub")));
  const std::string o = "-o @good --devctl @dev.txt --virevuz R02B01 ";
  const std::string b = "build @payload " + o + "--tag 33 --code-ver R01A01 ";
  ASSERT_EQ(Tool(b).status, 0);
  const Bytes good = ReadFile(F("good"));
  const std::string missing = F("missing") + ": the file cannot be opened: No such file or directory";
  const std::string unwritable = F("sub") + ": the output file cannot be written: Is a directory";
  const std::string devctl = ": cannot load the device control file: ERR_DEVCTL_";
  const std::string malformed = F("short") + ": malformed header: the file ends before the end of the header";
  const std::tuple<std::string, int, std::string> cases[] = {  // arguments, exit status, error after "codehdr: "
      {"frobnicate", 2, "usage: "},
      {"build @payload " + o + "--tag 0 --code-ver R01A01", 2, "usage: "},
      {b + "--comment " + std::string(32, 'c'), 2, "--comment: at most 31 characters"},
      {"info --hex --json @good", 2, "usage: "},
      {"verify -j 0 @good", 2, "usage: "},
      {"extract @good", 2, "usage: "},
      {"crc", 2, "crc: give at least one FILE"},
      {"devices --bogus", 2, "usage: "},
      {"version make --maj 100 --min 1 --rel A", 2, "usage: "},
      {"build @missing " + o + "--tag 33 --code-ver R01A01", 2, missing},
      {b + "--from @missing", 2, missing},
      {"build @payload -o @sub --devctl @dev.txt --virevuz R02B01 --tag 33 --code-ver R01A01", 2, unwritable},
      {"verify @good @missing", 2, missing},
      {"verify @sub", 2, F("sub") + ": not a regular file"},
      {"info @missing", 2, missing},
      {"extract @missing -o @good", 2, missing},
      {"extract @good -o @sub", 2, unwritable},
      {"crc --crc16 @payload @missing", 2, missing},
      {b + "--dep NOPE=R01A01", 1, "--dep NOPE=R01A01: ERR_UNKNOWN_DEP_LABEL"},
      {b + "--dep APP=R1A01", 1, "--dep APP=R1A01: ERR_VERSION_FORMAT (1051)"},
      {b + "--dep-type 4=zzz", 1, "--dep-type 4=zzz: ERR_VERSION_FORMAT (1051)"},
      {b + "--dep APP=R01A01.1234567890", 1, "--dep APP=R01A01.1234567890: ERR_VERSION_FORMAT (1051)"},
      {"build @payload -o @good --devctl @dev.txt --tag 33 --code-ver R01A01 --virevuz R01A01.123456789", 1,
       "--virevuz R01A01.123456789: ERR_VERSION_FORMAT (1051)"},
      {"build @payload " + o + "--tag 33 --code-ver Q01A01", 1, "--code-ver Q01A01: cannot build the header: ERR_CODE"},
      {"build @payload " + o + "--tag 34 --code-ver R01A01", 1, "--tag 34: cannot build the header: ERR_CODE_MODE"},
      {b + "--from @text", 1, F("text") + ": has no new-style header to take over"},
      {"build @payload -o @good --devctl @none --virevuz R02B01 --tag 33 --code-ver R01A01", 1,
       F("none") + devctl + "OPEN (116)"},
      {"devices --devctl @nover.txt", 1, F("nover.txt") + devctl + "NO_VERSION (117)"},
      {"extract @text -o @good", 1, F("text") + ": no code header to take off (--raw copies the whole file)"},
      {"extract @short -o @good", 1, malformed},
      {"info @short", 1, malformed},
      {"version check R01I02", 1, "R01I02: malformed"},
      {"version make --maj 1 --min 1 --rel O", 1, "R01O01: not a valid version"},
  };
  const auto files = [&] { return std::distance(std::filesystem::directory_iterator(dir_.path()), {}); };
  const auto before = files();
  for (const auto& [args, status, message] : cases) {
    const ProgramRun run = Tool(args);
    const std::vector<std::string> err = Lines(run.err);  // the device reader's messages, then the error
    EXPECT_EQ(run.status, status) << args << "\n" << run.err;
    ASSERT_EQ(std::count_if(err.begin(), err.end(), [](const std::string& l) { return StartsWith(l, "codehdr:"); }), 1)
        << args << "\n" << run.err;
    EXPECT_TRUE(StartsWith(err.back(), "codehdr: " + message)) << args << "\n" << run.err;
    EXPECT_EQ(ReadFile(F("good")), good) << args;
    EXPECT_EQ(files(), before) << args << " left a file behind";
  }
}

// A sound image (tag 33, a comment section at 48, a dependency version at 66)
// with `patch` written at `at`, then resealed unless the patch is its CRC.
struct FaultCase {
  const char* name;
  std::size_t at;
  std::string patch;
  const char* verdict;  // verify --tag 33 prints "FILE: " and this first
  const char* field;    // in the first line info --hex marks; "": none marked
  const char* note;     // what that line says was expected
};

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
  sound.tag = 33;
  sound.Comment("bench lot 7").Dep(5, "R02B03");
  std::vector<std::string> files;
  for (const FaultCase& c : kFaults) {
    Bytes image = sound.File();
    std::copy(c.patch.begin(), c.patch.end(), image.begin() + static_cast<std::ptrdiff_t>(c.at));
    if (c.at != 24) {
      std::fill_n(image.begin() + 24, 4, 0);
      const std::uint32_t crc = ReferenceCrc32(image.data(), image.size());
      for (int i = 0; i < 4; ++i) image[24 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
    files.push_back(dir_.Write(c.name, image));
    const ProgramRun verify = Tool("verify --tag 33 " + files.back());
    EXPECT_EQ(verify.status, StartsWith(c.verdict, "FAILED") ? 1 : 0) << c.name;
    EXPECT_TRUE(StartsWith(verify.out, files.back() + ": " + c.verdict)) << c.name << ": " << verify.out;
    const ProgramRun hex = Tool("info --hex --tag 33 " + files.back());
    EXPECT_EQ(hex.status, StartsWith(c.verdict, "FAILED:") ? 1 : 0) << c.name << ": " << hex.err;
    EXPECT_EQ(hex.out.find('\033'), std::string::npos) << c.name << ": colour while not on a terminal";
    std::string marked;  // the first line info --hex marks
    for (const std::string& line : Lines(hex.out)) marked = marked.empty() && line[0] == '>' ? line : marked;
    EXPECT_EQ(marked.empty(), *c.field == '\0') << c.name << ":\n" << hex.out;
    EXPECT_NE(marked.find(c.field), std::string::npos) << c.name << ":\n" << hex.out;
    EXPECT_NE(marked.find(c.note), std::string::npos) << c.name << ":\n" << hex.out;
  }
  std::string args = "verify -j 2 --tag 33";  // many images on two threads: a line each, in argument order
  for (std::size_t i = 0; i < 10 * files.size(); ++i) args += " " + files[i * 7 % files.size()];
  const ProgramRun all = Tool(args);
  const std::vector<std::string> lines = Lines(all.out);
  EXPECT_EQ(all.status, 1);
  ASSERT_EQ(lines.size(), 10 * files.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t k = i * 7 % files.size();
    EXPECT_TRUE(StartsWith(lines[i], files[k] + ": " + kFaults[k].verdict)) << lines[i];
  }

  EXPECT_NE(Tool("info --hex " + files[1], "", {"NO_COLOR="}, true).out.find("\033[31m>"), std::string::npos);
  EXPECT_EQ(Tool("info --hex " + files[1], "", {"NO_COLOR=1"}, true).out.find('\033'), std::string::npos);
}

TEST_F(ToolTest, BuildVerifyInfoAndExtractAgreeOnEveryField) {
  Bytes payload(300000);  // more than one 256 KiB read
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
  dir_.Write("payload", payload);
  const std::string fields = " --tag 33 --virevuz R02B01 --code-ver R01A03.2 --comment lot7 --dep-type 300=R01A01"
                             " --dep LANG=R02A01 --dep-type 0x7=R03A01.2";
  const ProgramRun built = Tool("build - -o @image" + fields, F("payload"), {"CODEHDR_DEVCTL=" + F("dev.txt")});
  ASSERT_EQ(built.status, 0) << built.err;
  EXPECT_NE(built.err.find("Device Control Version 1"), std::string::npos) << "the device reader's message";

  const Bytes image = ReadFile(F("image"));
  const std::size_t header = 48 + 7 + 3 * 20;
  ASSERT_EQ(image.size(), header + payload.size());
  EXPECT_EQ(Bytes(image.begin() + header, image.end()), payload);
  Bytes zeroed = image;
  std::fill_n(zeroed.begin() + 24, 4, 0);
  const std::uint32_t crc = ReferenceCrc32(zeroed.data(), zeroed.size());
  const ProgramRun verified = Tool("verify @image");
  EXPECT_EQ(verified.status, 0);
  EXPECT_TRUE(StartsWith(verified.out, F("image") + ": verified (tag 33, code version R01A03.2, CRC-32 ")) << verified.out;
  const json expected = {
      {"file_size", image.size()}, {"form", "new-style"}, {"tag_id", 33}, {"virevuz_version", "R02B01"},
      {"total_size", header}, {"stored_crc", crc}, {"computed_crc", crc}, {"crc_match", true}, {"code_mode", 3},
      {"code_version", "R01A03.2"}, {"section_count", 4}, {"reserved", 0}, {"comment", "lot7"}, {"comment_length", 5},
      {"dependencies", json::array({{{"type", 300}, {"labels", json::array()}, {"version", "R01A01"}},
                                    {{"type", 26}, {"labels", json::array({"LANG"})}, {"version", "R02A01"}},
                                    {{"type", 7}, {"labels", json::array()}, {"version", "R03A01.2"}}})}};
  for (const char* source : {"@image", "-"}) {
    const ProgramRun info = Tool(std::string("info --json ") + source, F("image"));
    ASSERT_EQ(info.status, 0) << info.err;
    const json got = json::parse(info.out);
    for (const auto& item : expected.items()) EXPECT_EQ(got[item.key()], item.value()) << source << " " << item.key();
  }
  // Taken apart and built again with the same fields, or --from the image: the same bytes.
  ASSERT_EQ(Tool("extract @image -o @extracted").status, 0);
  EXPECT_EQ(ReadFile(F("extracted")), payload);
  ASSERT_EQ(Tool("build @extracted -o @rebuilt --devctl @dev.txt" + fields).status, 0);
  EXPECT_EQ(ReadFile(F("rebuilt")), image);
  ASSERT_EQ(Tool("build @extracted -o @from --devctl @dev.txt --code-ver R01A03.2 --from @image").status, 0);
  EXPECT_EQ(ReadFile(F("from")), image);
  // An old-style header is four equal bytes; --raw copies a file without a header whole.
  const std::tuple<std::string, std::string, std::string> others[] = {{"\x09\x09\x09\x09" "ab", "", "ab"},
                                                                      {"text", " --raw", "text"}};
  for (const auto& [file, options, out] : others) {
    dir_.Write("other", file);
    EXPECT_EQ(Tool("extract @other -o @out" + options).status, 0) << options;
    EXPECT_EQ(ReadFile(F("out")), Bytes(out.begin(), out.end())) << options;
  }
}

TEST_F(ToolTest, CrcTablesAndVersionStringsPrintTheirRows) {
  std::vector<std::tuple<std::string, std::string, std::string>> cases = {  // arguments, standard input, lines printed
      {"modes", "", "16   BUNDLE   511"},
      {"devices --devctl " CODEHDR_SOURCE_DIR "/data/virevuz.txt", "", "13    0x5ff      DIAGPOD    255      DIAG      255"},
      {"version check R01A02.3", "", "R01A02.3: well-formed"},
      {"version parse P12D05.45", "", "state    preliminary (P)\nmajor    12\nrelease  D\nminor    5\nbuild    45"},
      {"version make --maj 1 --min 2 --rel a --build 3", "", "R01A02.3"},
  };
  for (const std::size_t size : {0, 9, 300000}) {  // the CRCs of files and of standard input
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + (i >> 11));
    const std::string file = dir_.Write("data" + std::to_string(size), data);
    char crc32[9], crc16[5];
    std::snprintf(crc32, sizeof crc32, "%x", static_cast<unsigned>(ReferenceCrc32(data.data(), size)));
    std::snprintf(crc16, sizeof crc16, "%04x", static_cast<unsigned>(ReferenceCrc16(data.data(), size)));
    cases.insert(cases.end(), {{"crc " + file, "", crc32 + ("  " + file)}, {"crc -", file, crc32 + std::string("  -")},
                               {"crc --crc16 " + file, "", crc16 + ("  " + file)},
                               {"crc --crc16 -", file, crc16 + std::string("  -")}});
  }
  for (const auto& [args, in, lines] : cases) {
    const ProgramRun run = Tool(args, in);
    EXPECT_EQ(run.status, 0) << args << ": " << run.err;
    EXPECT_NE(("\n" + run.out).find("\n" + lines + "\n"), std::string::npos) << args << ":\n" << run.out;
    EXPECT_EQ(run.out.find("Device Control"), std::string::npos) << args << ": the reader's messages on stdout";
  }
}

}  // namespace
}  // namespace codehdr::test
