// Loading device control files: results, messages, records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/virevuz_txt.h>

#include "devctl_test_support.h"

namespace {

using devctl_test::LoadPath;
using devctl_test::LoadText;
using devctl_test::TempFile;

void ExpectRecord(CVireVuzTxt& table, int index, unsigned int id, const char* name, const char* mode, int tag) {
  const download_ctl_typ r = table.GetCtrlTypeAt(index);
  EXPECT_EQ(r.model_id, id) << "record " << index;
  EXPECT_STREQ(r.model_name, name) << "record " << index;
  EXPECT_STREQ(r.code_mode_str, mode) << "record " << index;
  EXPECT_EQ(r.tag_id, tag) << "record " << index;
}

TEST(DeviceFileLoad, ReadsTheWorkedExample) {
  CVireVuzTxt table;
  const auto out = LoadText(table,
                            "VERSION 3\n"
                            "DEVICE_MODEL 1A2 ALPHA MODEA x 17\n"
                            "DEVICE_MODEL 0x0C0,BETA,MODEB,-,18\n"
                            "; any line without a keyword is ignored\n");
  EXPECT_EQ(out.result, HDR_SUCCESS);
  EXPECT_EQ(out.printed, "Device Control Version 3\n");
  ASSERT_EQ(table.device_count, 2);
  ExpectRecord(table, 0, 0x1A2, "ALPHA", "MODEA", 17);
  ExpectRecord(table, 1, 0xC0, "BETA", "MODEB", 18);
}

// Every failure of the load, with its message, result and the object after it.
struct FailureCase {
  const char* name;
  const char* content;
  unsigned short result;
  const char* printed;
};

class DeviceFileFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(DeviceFileFailure, PrintsMessageAndLeavesLoadedObjectUnchanged) {
  const FailureCase& c = GetParam();
  CVireVuzTxt table;
  ASSERT_EQ(LoadText(table, "VERSION 1\nDEVICE_MODEL 5 KEEP APP x 9\n").result, HDR_SUCCESS);
  download_ctl_typ* const before = table.device_table;

  const auto out = LoadText(table, c.content);
  EXPECT_EQ(out.result, c.result);
  EXPECT_EQ(out.printed, c.printed);
  EXPECT_EQ(table.device_count, 1);
  EXPECT_EQ(table.device_table, before);
  ExpectRecord(table, 0, 5, "KEEP", "APP", 9);
  char label[10] = "";
  table.GetCodeModeStrFromTagId(9, label, sizeof label);
  EXPECT_STREQ(label, "APP");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceFileFailure,
    testing::Values(
        FailureCase{"Empty", "", ERR_DEVCTL_NO_VERSION, "Version not found\n"},
        FailureCase{"NeitherKeyword", "hello\nworld\n", ERR_DEVCTL_NO_VERSION, "Version not found\n"},
        FailureCase{"VersionWithoutNumber", "VERSION\nDEVICE_MODEL 1 A APP x 2\n", ERR_DEVCTL_NO_VERSION,
                    "Version not found\n"},
        FailureCase{"VersionNotNumeric", "VERSION abc\nDEVICE_MODEL 1 A APP x 2\n", ERR_DEVCTL_NO_VERSION,
                    "Device Control Version abc\nVersion not found\n"},
        FailureCase{"NegativeVersion", "VERSION -1\nDEVICE_MODEL 1 A APP x 2\n", ERR_DEVCTL_NO_VERSION,
                    "Device Control Version -1\nVersion not found\n"},
        FailureCase{"LastVersionDecides", "VERSION 4\nVERSION -2\nDEVICE_MODEL 1 A APP x 2\n",
                    ERR_DEVCTL_NO_VERSION,
                    "Device Control Version 4\nDevice Control Version -2\nVersion not found\n"},
        FailureCase{"NoModels", "VERSION 2\n", ERR_DEVCTL_NO_MODELS,
                    "Device Control Version 2\nNo device models in Device Control File\n"},
        FailureCase{"LowerCaseModel", "VERSION 2\ndevice_model 1 A APP x 2\n", ERR_DEVCTL_NO_MODELS,
                    "Device Control Version 2\nNo device models in Device Control File\n"},
        FailureCase{"LowerCaseVersion", "version 2\nDEVICE_MODEL 1 A APP x 2\n", ERR_DEVCTL_NO_VERSION,
                    "Version not found\n"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(DeviceFileLoad, MissingFileGives116WithThePath) {
  CVireVuzTxt table;
  const std::string path = testing::TempDir() + "no_such_dir/virevuz.txt";
  const auto out = LoadPath(table, path.c_str());
  EXPECT_EQ(out.result, ERR_DEVCTL_OPEN);
  EXPECT_EQ(out.printed, "Cannot open Device Control File - " + path + "\n");
  EXPECT_EQ(table.device_count, 0);
  EXPECT_EQ(table.device_table, nullptr);
}

TEST(DeviceFileLoad, DirectoryCannotBeOpened) {
  CVireVuzTxt table;
  const std::string path = testing::TempDir();
  const auto out = LoadPath(table, path.c_str());
  EXPECT_EQ(out.result, ERR_DEVCTL_OPEN);
  EXPECT_EQ(out.printed, "Cannot open Device Control File - " + path + "\n");
  EXPECT_EQ(table.device_table, nullptr);
}

TEST(DeviceFileLoad, NullPathGives116Silently) {
  CVireVuzTxt table;
  const auto out = LoadPath(table, nullptr);
  EXPECT_EQ(out.result, ERR_DEVCTL_OPEN);
  EXPECT_EQ(out.printed, "");
}

TEST(DeviceFileVersion, NegativeVersionIsRescuedByALaterOne) {
  CVireVuzTxt table;
  const auto out = LoadText(table, "VERSION -1\nDEVICE_MODEL 1 A APP x 2\nVERSION 2\n");
  EXPECT_EQ(out.result, HDR_SUCCESS);
  EXPECT_EQ(out.printed, "Device Control Version -1\nDevice Control Version 2\n");
}

TEST(DeviceFileVersion, LeadingDigitsCountAndGarbageKeepsTheNumber) {
  CVireVuzTxt table;
  EXPECT_EQ(LoadText(table, "VERSION 3abc\nDEVICE_MODEL 1 A APP x 2\n").result, HDR_SUCCESS);
  // 5 then "abc": the number stays 5, so the load succeeds.
  const auto out = LoadText(table, "VERSION 5\nVERSION abc\nDEVICE_MODEL 1 A APP x 2\n");
  EXPECT_EQ(out.result, HDR_SUCCESS);
  EXPECT_EQ(out.printed, "Device Control Version 5\nDevice Control Version abc\n");
}

TEST(DeviceFileVersion, KeywordAnywhereMakesAVersionLine) {
  CVireVuzTxt table;
  // A comment mentioning the keyword; the model line with it reads "1A2" as 1.
  const auto out = LoadText(table, "#note 7 see VERSION\nDEVICE_MODEL 1A2 ALPHA MODEA x 17 VERSION\n");
  EXPECT_EQ(out.result, HDR_SUCCESS);
  EXPECT_EQ(out.printed, "Device Control Version 7\nDevice Control Version 1A2\n");
  ExpectRecord(table, 0, 0x1A2, "ALPHA", "MODEA", 17);
}

TEST(DeviceFileTokens, SeparatorRunsCountAsOne) {
  CVireVuzTxt table;
  ASSERT_EQ(LoadText(table,
                     "\t VERSION,\t1\r\n"
                     "DEVICE_MODEL,,1A,,ALPHA\n"
                     " ,DEVICE_MODEL\t,\t2B , MODEB ,APP,,x,, 33,\r\n")
                .result,
            HDR_SUCCESS);
  ASSERT_EQ(table.device_count, 2);
  ExpectRecord(table, 0, 0x1A, "ALPHA", "", 0);
  ExpectRecord(table, 1, 0x2B, "MODEB", "APP", 33);
}

TEST(DeviceFileTokens, FieldsCountFromLineStartNotFromKeyword) {
  CVireVuzTxt table;
  ASSERT_EQ(LoadText(table, "VERSION 1\nfirst DEVICE_MODEL 1A2 ALPHA MODEA x 17\n").result, HDR_SUCCESS);
  // Token 2 is the keyword, read as hex up to its first non-hex character
  // ("DE"); names shift by one; token 6 is "x", which does not convert.
  ExpectRecord(table, 0, 0xDE, "1A2", "ALPHA", 0);
}

TEST(DeviceFileTokens, ShortModelLineHidesLaterRecordsFromTagSearch) {
  CVireVuzTxt table;
  ASSERT_EQ(LoadText(table, "VERSION 1\nDEVICE_MODEL 1 A APP x\nDEVICE_MODEL 2 B DSP x 7\n").result,
            HDR_SUCCESS);
  ExpectRecord(table, 0, 1, "A", "APP", 0);
  char dst[10] = "keep";
  table.GetCodeModeStrFromTagId(7, dst, sizeof dst);
  EXPECT_STREQ(dst, "keep");
}

TEST(DeviceFileLines, LongLineIsReadInPieces) {
  // 119 characters per read: the model keyword in the third piece counts as
  // a model line of its own, whose tokens start at the piece's start.
  std::string line = "DEVICE_MODEL 1 FIRST APP x 4 ";
  line += std::string(119 - line.size(), '#');
  line += std::string(119, '=');
  std::string third = " DEVICE_MODEL 2 SECOND DSP x 6";
  line += third + std::string(61 - third.size(), ' ') + "\n";
  ASSERT_EQ(line.size(), 300u);
  CVireVuzTxt table;
  ASSERT_EQ(LoadText(table, "VERSION 1\n" + line).result, HDR_SUCCESS);
  ASSERT_EQ(table.device_count, 2);
  ExpectRecord(table, 0, 1, "FIRST", "APP", 4);
  ExpectRecord(table, 1, 2, "SECOND", "DSP", 6);
}

TEST(DeviceFileLines, KeywordSplitAcrossPiecesIsNotSeen) {
  std::string line = std::string(114, '-') + " DEVICE_MODEL 1 A APP x 2\n";
  CVireVuzTxt table;
  EXPECT_EQ(LoadText(table, "VERSION 1\n" + line).result, ERR_DEVCTL_NO_MODELS);
}

TEST(DeviceFileLines, OverlongNamesAreCutToNineCharacters) {
  // The overlong line fills the last record, so that a copy running past its
  // fields would leave the table's allocation (ASan reports it).
  const std::string longName(40, 'N');
  const std::string longLabel(50, 'L');
  CVireVuzTxt table;
  ASSERT_EQ(LoadText(table, "VERSION 1\nDEVICE_MODEL 2 NINE_CHAR LABEL_NIN x 6\n"
                            "DEVICE_MODEL 1 " + longName + " " + longLabel + " x 5\n")
                .result,
            HDR_SUCCESS);
  ExpectRecord(table, 0, 2, "NINE_CHAR", "LABEL_NIN", 6);
  ExpectRecord(table, 1, 1, "NNNNNNNNN", "LLLLLLLLL", 5);
}

TEST(DeviceFileLines, EmbeddedNulEndsTheReadableLine) {
  const char raw[] = "VERSION 1\nDEVICE_MODEL 1 A APP x 2\0 VERSION -5\n";
  const std::string content(raw, sizeof raw - 1);
  CVireVuzTxt table;
  ASSERT_EQ(LoadText(table, content).result, HDR_SUCCESS);
  ExpectRecord(table, 0, 1, "A", "APP", 2);
}

}  // namespace
