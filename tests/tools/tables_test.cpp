// codehdr modes and codehdr version.
#include <nlohmann/json.hpp>

#include "test_support.h"

namespace codehdr::tooltest {
namespace {

using nlohmann::json;

TEST(ModesCommandTest, ListsTheCodeModeTableAsDocumented) {
  RunResult run = RunTool({"modes", "--json"});
  ASSERT_EQ(run.exit_code, 0);
  json rows = json::parse(run.out);
  auto documented = CodeModeRows();
  ASSERT_EQ(documented.size(), 17u);
  ASSERT_EQ(rows.size(), documented.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i]["label"], documented[i].first) << i;
    EXPECT_EQ(rows[i]["value"], documented[i].second) << i;
  }
}

TEST(VersionCommandTest, CheckParseAndMake) {
  EXPECT_EQ(RunTool({"version", "check", "R01A02.3"}).exit_code, 0);
  EXPECT_EQ(RunTool({"version", "check", "R01I02"}).exit_code, 1);
  EXPECT_EQ(RunTool({"version", "check", "R01A02.1234567890"}).exit_code, 1) << "17 characters";

  RunResult parsed = RunTool({"version", "parse", "P12D05.45"});
  ASSERT_EQ(parsed.exit_code, 0);
  EXPECT_EQ(parsed.out, "state    preliminary (P)\nmajor    12\nrelease  D\nminor    5\nbuild    45\n");
  EXPECT_EQ(RunTool({"version", "parse", "r01A02"}).exit_code, 1);

  EXPECT_EQ(RunTool({"version", "make", "--maj", "1", "--min", "2", "--rel", "a", "--build", "3"}).out, "R01A02.3\n");
  EXPECT_EQ(RunTool({"version", "make", "--maj", "12", "--min", "5", "--rel", "D", "--prelim"}).out, "P12D05\n");
  EXPECT_EQ(RunTool({"version", "make", "--maj", "1", "--min", "1", "--rel", "O"}).exit_code, 1);
  EXPECT_EQ(RunTool({"version", "make", "--maj", "100", "--min", "1", "--rel", "A"}).exit_code, 2);
}

}  // namespace
}  // namespace codehdr::tooltest
