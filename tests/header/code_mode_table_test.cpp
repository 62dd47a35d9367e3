#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <codehdr/code_header.h>

#include "header/code_mode_table.h"

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
  ASSERT_EQ(rows.size(), kCodeModeRowCount);
  for (std::size_t i = 0; i < kCodeModeRowCount; ++i) {
    EXPECT_EQ(rows[i].label, kCodeModeTable[i].label) << "row " << i;
    EXPECT_EQ(rows[i].value, kCodeModeTable[i].value) << "row " << i;
  }
}

TEST(CodeModeTable, ValuesInFixedOrderAndLabelsDistinct) {
  const unsigned short expected[kCodeModeRowCount] = {0, 0, 1, 3, 3, 5, 9, 9, 15, 15, 21, 26, 27, 28, 126, 255, 511};
  std::set<std::string> labels;
  for (std::size_t i = 0; i < kCodeModeRowCount; ++i) {
    const std::string label = kCodeModeTable[i].label;
    EXPECT_EQ(kCodeModeTable[i].value, expected[i]) << "row " << i;
    EXPECT_GE(label.size(), 3u);
    EXPECT_LE(label.size(), 7u);
    EXPECT_TRUE(labels.insert(label).second) << "duplicate " << label;
  }
}

TEST(CodeModeTable, LookupIsExactAndCaseSensitive) {
  for (const CodeModeRow& row : kCodeModeTable) EXPECT_EQ(GetCodeModeFromStr(row.label), row.value) << row.label;
  std::string lower = kCodeModeTable[2].label;
  for (char& c : lower) c = static_cast<char>(c + ('a' - 'A'));
  EXPECT_EQ(GetCodeModeFromStr(lower.c_str()), CODE_MODE_NOT_FOUND);
  EXPECT_EQ(GetCodeModeFromStr(""), CODE_MODE_NOT_FOUND);
  EXPECT_EQ(GetCodeModeFromStr((std::string(kCodeModeTable[2].label) + "X").c_str()), CODE_MODE_NOT_FOUND);
}

}  // namespace
}  // namespace codehdr
