// `info --json` parsed back and compared with what was built, and JSON output
// that stays valid while the device table reader prints its messages.
#include <nlohmann/json.hpp>

#include "test_support.h"

namespace codehdr::tooltest {
namespace {

using nlohmann::json;

unsigned int ValueOfLabel(const std::string& label) {
  for (const auto& [row_label, value] : CodeModeRows()) {
    if (row_label == label) return value;
  }
  ADD_FAILURE() << label << " is not in data/code_modes.txt";
  return 0;
}

json LabelsOfValue(unsigned int value) {
  json labels = json::array();
  for (const auto& [label, row_value] : CodeModeRows()) {
    if (row_value == value) labels.push_back(label);
  }
  return labels;
}

class InfoJsonTest : public ToolTest {};

TEST_F(InfoJsonTest, EveryFieldMatchesWhatWasBuilt) {
  WriteBytes(Path("payload.bin"), PatternBytes(777, 1));
  ASSERT_EQ(Build(Path("payload.bin"), Path("image.bin"), {"--dep", "RADIO=P02C01.5", "--dep-type", "42=R00A00"})
                .exit_code,
            0);
  RunResult run = RunTool({"info", "--json", Path("image.bin")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  json info = json::parse(run.out);
  Bytes image = ReadBytes(Path("image.bin"));

  EXPECT_EQ(info["file"], Path("image.bin"));
  EXPECT_EQ(info["file_size"], image.size());
  EXPECT_EQ(info["form"], "new-style");
  EXPECT_EQ(info["tag_id"], 33);
  EXPECT_EQ(info["virevuz_version"], "R02B01");
  EXPECT_EQ(info["mandatory_size"], 48);
  EXPECT_EQ(info["total_size"], 48 + 2 * 20);
  EXPECT_EQ(info["header_size"], info["total_size"]);
  EXPECT_EQ(info["stored_crc"], ImageCrc(image));
  EXPECT_EQ(info["computed_crc"], ImageCrc(image));
  EXPECT_EQ(info["crc_match"], true);
  EXPECT_EQ(info["code_mode"], ValueOfLabel("FPGA"));
  EXPECT_EQ(info["code_mode_labels"], LabelsOfValue(ValueOfLabel("FPGA")));
  EXPECT_EQ(info["code_version"], "R01A03.2");
  EXPECT_EQ(info["section_count"], 2);
  EXPECT_EQ(info["reserved"], 0);
  EXPECT_TRUE(info["comment"].is_null());
  EXPECT_EQ(info["comment_length"], 0);
  json expected_deps = json::array(
      {{{"type", ValueOfLabel("RADIO")}, {"labels", LabelsOfValue(ValueOfLabel("RADIO"))}, {"version", "P02C01.5"}},
       {{"type", 42}, {"labels", json::array()}, {"version", "R00A00"}}});
  EXPECT_EQ(info["dependencies"], expected_deps);
}

TEST_F(InfoJsonTest, SeveralFilesGiveAnArrayInArgumentOrderWithOtherForms) {
  WriteBytes(Path("old.bin"), Bytes{7, 7, 7, 7, 1, 2, 3});
  WriteBytes(Path("plain.bin"), Bytes{7, 7, 7, 8});
  WriteBytes(Path("crc-bad.bin"), CraftImage(33, "R01A01", "R01A01", "x", {}, Bytes(10, 0xAB)));
  Bytes bad = ReadBytes(Path("crc-bad.bin"));
  bad.back() ^= 1;
  WriteBytes(Path("crc-bad.bin"), bad);

  RunResult run = RunTool({"info", "--json", Path("old.bin"), Path("missing.bin"), Path("plain.bin"),
                           Path("crc-bad.bin")});
  EXPECT_EQ(run.exit_code, 2) << "an unreadable file is an input error";
  json all = json::parse(run.out);
  ASSERT_TRUE(all.is_array());
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0]["form"], "old-style");
  EXPECT_EQ(all[0]["tag_id"], 7);
  EXPECT_EQ(all[0]["header_size"], 4);
  EXPECT_EQ(all[1]["file"], Path("missing.bin"));
  EXPECT_TRUE(all[1].contains("error"));
  EXPECT_EQ(all[2]["form"], "none");
  EXPECT_FALSE(all[2].contains("tag_id"));
  EXPECT_EQ(all[3]["crc_match"], false);
  EXPECT_NE(all[3]["stored_crc"], all[3]["computed_crc"]);
  EXPECT_EQ(all[3]["comment"], "x");
}

TEST_F(InfoJsonTest, DeviceTableMessagesStayOffStandardOutput) {
  RunResult run = RunTool({"devices", "--json", "--devctl", SampleDevctl()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("Device Control Version"), std::string::npos);
  json devices = json::parse(run.out);  // throws on anything but JSON
  ASSERT_GE(devices.size(), 12u);
  for (const json& dev : devices) {
    EXPECT_FALSE(dev["code_mode"].is_null()) << dev.dump() << ": the sample uses only table labels";
    EXPECT_GE(dev["tag_id"], 1);
    EXPECT_LE(dev["tag_id"], 255);
  }
}

}  // namespace
}  // namespace codehdr::tooltest
