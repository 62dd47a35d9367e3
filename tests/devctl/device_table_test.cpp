// Lookups in the device table and sharing of the table between objects.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include <codehdr/code_header.h>
#include <codehdr/virevuz_txt.h>

#include "devctl_test_support.h"

namespace {

using devctl_test::LoadText;

constexpr char kThreeModels[] =
    "VERSION 1\n"
    "DEVICE_MODEL 10 FIRST APP x 7\n"
    "DEVICE_MODEL 20 SECOND NINECHARS x 8\n"
    "DEVICE_MODEL 30 THIRD DSP x 7\n";

class DeviceTable : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(LoadText(table_, kThreeModels).result, HDR_SUCCESS); }
  CVireVuzTxt table_;
};

TEST_F(DeviceTable, RecordAtIndexInsideTheTableOnly) {
  EXPECT_EQ(table_.GetCtrlTypeAt(2).model_id, 0x30u);
  for (int index : {-1, 3, -2147483647 - 1, 2147483647}) {
    const download_ctl_typ r = table_.GetCtrlTypeAt(index);
    EXPECT_EQ(r.tag_id, 0) << index;
    EXPECT_EQ(r.model_id, 0u) << index;
    EXPECT_STREQ(r.model_name, "") << index;
  }
}

TEST_F(DeviceTable, FirstRecordWithTheTagWins) {
  char dst[10] = {};
  table_.GetCodeModeStrFromTagId(7, dst, sizeof dst);
  EXPECT_STREQ(dst, "APP");
  table_.GetCodeModeStrFromTagId(8, dst, sizeof dst);
  EXPECT_STREQ(dst, "NINECHARS");
}

TEST_F(DeviceTable, CopyIsBoundedByDstSize) {
  char dst[6] = "xxxxx";
  table_.GetCodeModeStrFromTagId(8, dst, 4);
  EXPECT_STREQ(dst, "NIN");
  EXPECT_EQ(dst[4], 'x');
  std::memcpy(dst, "xxxxx", sizeof dst);
  table_.GetCodeModeStrFromTagId(8, dst, 0);
  EXPECT_STREQ(dst, "xxxxx");
}

TEST_F(DeviceTable, NotFoundLeavesDstUntouched) {
  for (unsigned char tag : {0, 9, 255}) {
    char dst[10] = "untouched";
    table_.GetCodeModeStrFromTagId(tag, dst, sizeof dst);
    EXPECT_STREQ(dst, "untouched") << int{tag};
  }
}

TEST(DeviceTableTags, TagsOutsideAByteAreNeverFound) {
  CVireVuzTxt table;
  ASSERT_EQ(LoadText(table, "VERSION 1\nDEVICE_MODEL 1 A APP x 263\nDEVICE_MODEL 2 B DSP x 7\n").result,
            HDR_SUCCESS);
  char dst[10] = "untouched";
  table.GetCodeModeStrFromTagId(263 - 256, dst, sizeof dst);
  EXPECT_STREQ(dst, "DSP");
}

TEST(DeviceTableSharing, TableOutlivesTheObjectItCameFrom) {
  CVireVuzTxt target;
  {
    auto source = std::make_unique<CVireVuzTxt>();
    ASSERT_EQ(LoadText(*source, kThreeModels).result, HDR_SUCCESS);
    target = *source;
    EXPECT_EQ(target.device_table, source->device_table);
  }
  // Read after the source is gone: ASan reports a table released too early.
  EXPECT_EQ(target.GetCtrlTypeAt(1).tag_id, 8);
  char dst[10] = {};
  target.GetCodeModeStrFromTagId(7, dst, sizeof dst);
  EXPECT_STREQ(dst, "APP");
  // A copy made from the survivor shares the same table.
  const CVireVuzTxt copy(target);
  EXPECT_EQ(copy.device_table, target.device_table);
  EXPECT_EQ(copy.device_count, 3);
}

TEST_F(DeviceTable, SelfAssignmentKeepsTheTable) {
  download_ctl_typ* const before = table_.device_table;
  CVireVuzTxt& alias = table_;
  table_ = alias;
  EXPECT_EQ(table_.device_table, before);
  EXPECT_EQ(table_.GetCtrlTypeAt(0).model_id, 0x10u);
}

TEST_F(DeviceTable, ReloadingOneSharerLeavesTheOtherAlone) {
  CVireVuzTxt other;
  other = table_;
  ASSERT_EQ(LoadText(table_, "VERSION 1\nDEVICE_MODEL 99 NEW FPGA x 1\n").result, HDR_SUCCESS);
  EXPECT_EQ(table_.device_count, 1);
  EXPECT_NE(table_.device_table, other.device_table);
  EXPECT_EQ(other.device_count, 3);
  EXPECT_EQ(other.GetCtrlTypeAt(2).model_id, 0x30u);
}

}  // namespace
