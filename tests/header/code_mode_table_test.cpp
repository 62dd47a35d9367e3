#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <codehdr/code_header.h>

#include <codehdr/header.h>

namespace codehdr {
namespace {

struct FileRow {
  std::string label;
  long value;
};

std::vector<FileRow> ReadPublishedTable() {
  std::ifstream in(std::string(CODEHDR_SOURCE_DIR) + "/data/code_modes.txt");
  std::vector<FileRow> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    FileRow row{};
    std::string extra;
    EXPECT_TRUE(fields >> row.label >> row.value) << line;
    EXPECT_FALSE(fields >> extra) << "trailing text in: " << line;
    rows.push_back(row);
  }
  return rows;
}

TEST(CodeModeTable, PublishedFileMatchesLibraryRowByRow) {
  const std::vector<FileRow> rows = ReadPublishedTable();
  ASSERT_EQ(rows.size(), kCodeModeCount);
  for (std::size_t i = 0; i < kCodeModeCount; ++i) {
    EXPECT_EQ(rows[i].label, CodeModes()[i].label) << "row " << i;
    EXPECT_EQ(rows[i].value, CodeModes()[i].value) << "row " << i;
  }
}

TEST(CodeModeTable, ValuesInFixedOrderAndLabelsDistinct) {
  const unsigned short expected[kCodeModeCount] = {0, 0, 1, 3, 3, 5, 9, 9, 15, 15, 21, 26, 27, 28, 126, 255, 511};
  std::set<std::string> labels;
  for (std::size_t i = 0; i < kCodeModeCount; ++i) {
    const std::string label = CodeModes()[i].label;
    EXPECT_EQ(CodeModes()[i].value, expected[i]) << "row " << i;
    EXPECT_GE(label.size(), 3u);
    EXPECT_LE(label.size(), 7u);
    EXPECT_TRUE(labels.insert(label).second) << "duplicate " << label;
  }
}

TEST(CodeModeTable, LookupIsExactAndCaseSensitive) {
  for (const CodeMode& row : CodeModes()) EXPECT_EQ(CodeModeValue(row.label), row.value) << row.label;
  std::string lower = CodeModes()[2].label;
  for (char& c : lower) c = static_cast<char>(c + ('a' - 'A'));
  EXPECT_EQ(CodeModeValue(lower), std::nullopt);
  EXPECT_EQ(CodeModeValue(""), std::nullopt);
  EXPECT_EQ(CodeModeValue(std::string(CodeModes()[2].label) + "X"), std::nullopt);
}

}  // namespace
}  // namespace codehdr
