// The device table of namespace codehdr: one pass over the file, messages to
// the caller's sink, and the label lookup header building uses.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <codehdr/devices.h>

#include "devctl_test_support.h"

namespace {

using codehdr::DeviceRecord;
using codehdr::DeviceTable;
using codehdr::Status;
using devctl_test::TempFile;

DeviceRecord Record(unsigned int id, const char* name, const char* label, int tag) {
  DeviceRecord r{};
  r.model_id = id;
  std::snprintf(r.model_name, sizeof r.model_name, "%s", name);
  std::snprintf(r.code_mode_str, sizeof r.code_mode_str, "%s", label);
  r.tag_id = tag;
  return r;
}

bool SameRecords(const std::vector<DeviceRecord>& a, const std::vector<DeviceRecord>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].model_id != b[i].model_id || a[i].tag_id != b[i].tag_id ||
        std::strcmp(a[i].model_name, b[i].model_name) != 0 ||
        std::strcmp(a[i].code_mode_str, b[i].code_mode_str) != 0) {
      return false;
    }
  }
  return true;
}

struct Loaded {
  Status status;
  std::vector<std::string> messages;
  std::string printed;  // on standard output: nothing, whatever happens
};

Loaded Load(const std::string& path, DeviceTable& table) {
  Loaded out{};
  testing::internal::CaptureStdout();
  out.status = codehdr::LoadDeviceTable(path, table, [&](const std::string& line) { out.messages.push_back(line); });
  std::fflush(stdout);
  out.printed = testing::internal::GetCapturedStdout();
  return out;
}

TEST(LoadDeviceTable, ReadsEveryModelLineInOnePass) {
  TempFile file(
      "VERSION 0\n"
      "DEVICE_MODEL 1A2 ALPHA MODEA x 17\n"
      "DEVICE_MODEL 0x0C0,BETA,MODEB,-,18\n"
      "; comment\n"
      "DEVICE_MODEL 3 GAMMA\n");
  DeviceTable table;
  table.records = {Record(1, "OLD", "APP", 1)};
  const Loaded out = Load(file.path(), table);
  EXPECT_EQ(out.status, Status::kOk);
  EXPECT_EQ(out.messages, std::vector<std::string>{"Device Control Version 0"});
  EXPECT_EQ(out.printed, "");
  EXPECT_TRUE(SameRecords(table.records, {Record(0x1A2, "ALPHA", "MODEA", 17), Record(0xC0, "BETA", "MODEB", 18),
                                          Record(3, "GAMMA", "", 0)}));
}

TEST(LoadDeviceTable, FailureSendsItsMessageAndLeavesTheTable) {
  const std::string missing = testing::TempDir() + "no_such_dir/virevuz.txt";
  const struct {
    const char* content;  // null: load `path` instead of a file with this content
    std::string path;
    Status status;
    std::vector<std::string> messages;
  } cases[] = {
      {nullptr, missing, Status::kDevctlOpen, {"Cannot open Device Control File - " + missing}},
      {nullptr, testing::TempDir(), Status::kDevctlOpen, {"Cannot open Device Control File - " + testing::TempDir()}},
      {"", "", Status::kDevctlNoVersion, {"Version not found"}},
      {"VERSION -1\nDEVICE_MODEL 1 A APP x 2\n", "", Status::kDevctlNoVersion,
       {"Device Control Version -1", "Version not found"}},
      {"VERSION 2\nVERSION\n", "", Status::kDevctlNoModels,
       {"Device Control Version 2", "No device models in Device Control File"}},
  };
  const std::vector<DeviceRecord> kept = {Record(5, "KEEP", "APP", 9)};
  for (const auto& c : cases) {
    TempFile file(c.content != nullptr ? c.content : "");
    const std::string path = c.content != nullptr ? std::string(file.path()) : c.path;
    DeviceTable table;
    table.records = kept;
    const Loaded out = Load(path, table);
    EXPECT_EQ(out.status, c.status) << path;
    EXPECT_EQ(out.messages, c.messages) << path;
    EXPECT_EQ(out.printed, "") << path;
    EXPECT_TRUE(SameRecords(table.records, kept)) << path;
  }
}

TEST(LoadDeviceTable, WorksWithoutASink) {
  TempFile file("VERSION 1\nDEVICE_MODEL 1 A APP x 2\n");
  DeviceTable table;
  testing::internal::CaptureStdout();
  EXPECT_EQ(codehdr::LoadDeviceTable(file.path(), table), Status::kOk);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(table.records.size(), 1u);
}

TEST(DeviceTableLabel, FirstRecordWithTheTagUpToARecordWithTagZero) {
  DeviceTable table;
  table.records = {Record(1, "WIDE", "FPGA", 263), Record(2, "A", "APP", 7),     Record(3, "B", "NINECHARS", 8),
                   Record(4, "C", "DSP", 7),       Record(5, "END", "BOOT", 0), Record(6, "HIDDEN", "RADIO", 9)};
  const struct {
    std::uint8_t tag;
    const char* label;
  } cases[] = {{7, "APP"},      // the first of two wins; 263 is no byte's tag
               {8, "NINECHA"},  // cut to a code-mode label's 7 characters
               {9, ""},         // behind the record with tag 0
               {0, ""},         // never found
               {200, ""}};
  for (const auto& c : cases) EXPECT_EQ(table.CodeModeLabel(c.tag), c.label) << int{c.tag};
  EXPECT_EQ(DeviceTable{}.CodeModeLabel(7), "");
}

}  // namespace
