// info --hex on corrupted images: the first marked line names the field at
// fault and says what was expected; an intact image has nothing marked.
#include <functional>
#include <sstream>

#include "test_support.h"

namespace codehdr::tooltest {
namespace {

class InfoHexTest : public ToolTest {};

// The first line of `out` that info --hex marks, or "" when none is.
std::string FirstMarkedLine(const std::string& out) {
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] == '>') return line;
  }
  return "";
}

struct HexCase {
  const char* name;
  std::function<void(Bytes&)> corrupt;  // null: intact
  bool reseal;
  std::vector<std::string> extra;
  const char* marked;  // in the first marked line; null: nothing marked
  const char* expected;
  int exit_code;  // 1 only for a header that does not fit its file
};

TEST_F(InfoHexTest, MarksTheFieldAtFault) {
  const Bytes good = CraftImage(33, "R02B01", "R01A03.2", "bench lot 7", {{5, "R02B03"}}, PatternBytes(300, 8));
  constexpr std::size_t kDep1 = 48 + 2 + 12;  // after the comment section "bench lot 7"
  const HexCase cases[] = {
      {"intact", nullptr, false, {}, nullptr, nullptr, 0},
      {"crc byte", [](Bytes& b) { b[25] ^= 0x40; }, false, {}, "CRC-32", "computed", 0},
      {"tag", nullptr, false, {"--tag", "34"}, "tag id", "expected tag 34", 0},
      {"dependency version", [](Bytes& b) { b[kDep1 + 4] = 'Q'; }, true, {}, "dependency version", "R01A02.3", 0},
      {"comment overrun", [](Bytes& b) { b[49] = 200; }, true, {}, "comment (type 1), length 200", "runs past", 0},
      {"reserved", [](Bytes& b) { b[47] = 1; }, true, {}, "reserved", "expected 0", 0},
      {"truncated", [](Bytes& b) { b.resize(70); }, false, {}, "total size", "the file ends after 70 bytes", 1},
  };
  for (const HexCase& c : cases) {
    Bytes image = good;
    if (c.corrupt) c.corrupt(image);
    if (c.reseal) Reseal(image);
    WriteBytes(Path("hex.bin"), image);
    std::vector<std::string> args = {"info", "--hex", Path("hex.bin")};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    RunResult run = RunTool(args);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.name << ": " << run.err;
    EXPECT_EQ(run.out.find('\033'), std::string::npos) << c.name << ": colour while not on a terminal";
    const std::string marked = FirstMarkedLine(run.out);
    if (c.marked == nullptr) {
      EXPECT_EQ(marked, "") << c.name;
      EXPECT_NE(run.out.find("result: verified"), std::string::npos) << c.name << ":\n" << run.out;
      continue;
    }
    EXPECT_NE(marked.find(c.marked), std::string::npos) << c.name << ":\n" << run.out;
    EXPECT_NE(marked.find(c.expected), std::string::npos) << c.name << ":\n" << run.out;
    EXPECT_NE(run.out.find("result: FAILED"), std::string::npos) << c.name << ":\n" << run.out;
  }
}

}  // namespace
}  // namespace codehdr::tooltest
