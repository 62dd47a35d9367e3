// The device control file: both readers (the classic two-pass CVireVuzTxt, which prints, and the one-pass
// LoadDeviceTable, which reports to a sink) on the same files, the lookups, sharing between objects, the file's place,
// and the classic reader's second pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <codehdr/code_header.h>
#include <codehdr/devices.h>

#include "devctl/device_file.h"
#include "support/support.h"

namespace codehdr::test {
namespace {

using Records = std::vector<std::string>;
// The result code, what the reader printed (or sent to its sink, a line each), the records held afterwards.
using Loaded = std::tuple<unsigned short, std::string, Records>;

// "model_id name label tag_id", the id in hex.
std::string Text(const download_ctl_typ& r) {
  char text[64];
  std::snprintf(text, sizeof text, "%x %.10s %.10s %d", r.model_id, r.model_name, r.code_mode_str, r.tag_id);
  return text;
}

Records RecordsOf(const download_ctl_typ* records, std::size_t count) {
  Records out;
  for (std::size_t i = 0; i < count; ++i) out.push_back(Text(records[i]));
  return out;
}

Loaded LoadClassic(CVireVuzTxt& t, const char* path) {  // a null path: the file beside the executable
  unsigned short code = 0;
  const std::string printed =
      CaptureStdout([&] { code = path ? t.init_device_control(path) : t.init_device_control(); });
  return {code, printed, RecordsOf(t.device_table, t.device_count)};
}

Loaded LoadModern(DeviceTable& t, const std::string& path) {
  unsigned short code = 0;
  std::string sent;
  const auto sink = [&](const std::string& m) { sent += m + "\n"; };
  EXPECT_EQ(CaptureStdout([&] { code = LegacyCode(LoadDeviceTable(path, t, sink)); }), "") << "prints";
  return {code, sent, RecordsOf(t.records.data(), t.records.size())};
}

TEST(DeviceFile, BothReadersGiveTheSameResultMessagesAndRecords) {
  const std::string v = "Device Control Version ", noVersion = "Version not found\n",
                    model = "DEVICE_MODEL 1 A APP x 2\n";
  const Records kept = {"5 KEEP APP 9"};  // what a failed load leaves: the table held before
  const std::pair<std::string, Loaded> cases[] = {
      {"VERSION 3\nDEVICE_MODEL 1A2 ALPHA MODEA x 17\nDEVICE_MODEL 0x0C0,BETA,MODEB,-,18\n; no keyword\n",
       {0, v + "3\n", {"1a2 ALPHA MODEA 17", "c0 BETA MODEB 18"}}},
      {"version 2\n" + model, {117, noVersion, kept}},
      {"VERSION 4\nVERSION -1\n" + model, {117, v + "4\n" + v + "-1\n" + noVersion, kept}},  // the last one decides
      {"VERSION -1\n" + model + "VERSION 0abc\nVERSION x\n", {0, v + "-1\n" + v + "0abc\n" + v + "x\n", {"1 A APP 2"}}},
      {"VERSION 2\nVERSION\n", {118, v + "2\nNo device models in Device Control File\n", kept}},
      {"#note 7 see VERSION\nfirst DEVICE_MODEL 1A2 ALPHA MODEA x 17 VERSION\n",  // fields counted from the start
       {0, v + "7\n" + v + "DEVICE_MODEL\n", {"de 1A2 ALPHA 0"}}},
      {"\t VERSION,\t1\r\nDEVICE_MODEL,,1A,,ALPHA\n ,DEVICE_MODEL\t,\t2B , MODEB ,APP,,x,, 33,9\r\n",
       {0, v + "1\n", {"1a ALPHA  0", "2b MODEB APP 33"}}},
      {"VERSION 1\nDEVICE_MODEL 1 FIRST APP x 4 " + std::string(90 + 119, '=') + " DEVICE_MODEL 2 SECOND DSP x 6" +
           std::string(31, ' ') + "\n",  // read 119 characters at a time
       {0, v + "1\n", {"1 FIRST APP 4", "2 SECOND DSP 6"}}},
      {"VERSION 1\nDEVICE_MODEL 1 " + std::string(40, 'N') + " " + std::string(50, 'L') + " x 5\n",
       {0, v + "1\n", {"1 NNNNNNNNN LLLLLLLLL 5"}}},  // cut to 9 characters: an overrun would leave the allocation
      {std::string("VERSION 1\nDEVICE_MODEL 1 A APP x 2") + '\0' + " VERSION -5\n", {0, v + "1\n", {"1 A APP 2"}}},
  };
  ScratchDir dir;
  const std::string keep = dir.Write("keep.txt", "VERSION 1\nDEVICE_MODEL 5 KEEP APP x 9\n");
  for (const auto& [text, expected] : cases) {
    const std::string path = dir.Write("virevuz.txt", text);
    CVireVuzTxt classic;
    DeviceTable modern;
    ASSERT_EQ(std::get<0>(LoadClassic(classic, keep.c_str())), 0);
    ASSERT_EQ(LoadDeviceTable(keep, modern), Status::kOk);  // no sink: the messages go nowhere
    EXPECT_EQ(LoadClassic(classic, path.c_str()), expected) << text;
    EXPECT_EQ(LoadModern(modern, path), expected) << text;
  }
}

// Tokens convert as "%d" and "%x" convert them; a token that does not leaves the value as it was.
TEST(DeviceFile, TokensConvertLikeScanf) {
  for (const char* text : {"42", "+7", "-13", "3abc", "2147483648", "4294967296", "-99999999999999999999", "1A2",
                           "0x0C0", "0XfF", "0x", "0xg", "-0x10", "\v5", "abc", "-", "+", "x1", "--1", "", "1e5"}) {
    int d = 55, wantD = 55;
    unsigned x = 55, wantX = 55;
    EXPECT_EQ(devctl::ScanDecimal({text, std::strlen(text)}, &d), std::sscanf(text, "%d", &wantD) == 1) << text;
    EXPECT_EQ(devctl::ScanHex({text, std::strlen(text)}, &x), std::sscanf(text, "%x", &wantX) == 1) << text;
    EXPECT_EQ(std::make_pair(d, x), std::make_pair(wantD, wantX)) << text;
  }
}

TEST(DeviceTableLookup, ByIndexByTagAndShared) {
  ScratchDir dir;
  const std::string path = dir.Write(
      "v.txt", DeviceFile({{263, "FPGA"}, {7, "APP"}, {8, "NINECHARS"}, {7, "DSP"}, {0, "BOOT"}, {9, "RADIO"}}));
  CVireVuzTxt classic;
  DeviceTable modern;
  ASSERT_EQ(std::get<0>(LoadClassic(classic, path.c_str())) + std::get<0>(LoadModern(modern, path)), 0);
  // The tag, the size of dst, all ten bytes of dst afterwards, and the label (CodeModeLabel cuts to 7 characters).
  const std::tuple<unsigned char, unsigned, std::string, std::string> cases[] = {
      {7, 10, std::string("APP\0uched~", 10), "APP"},  // the first of two; 263 is no byte's tag
      {8, 10, std::string("NINECHARS\0", 10), "NINECHA"}, {8, 4, std::string("NIN\0uched~", 10), "NINECHA"},
      {8, 0, "untouched~", "NINECHA"}, {9, 10, "untouched~", ""}, {0, 10, "untouched~", ""},  // behind tag 0
  };
  for (const auto& [tag, size, want, label] : cases) {
    char dst[10];
    std::memcpy(dst, "untouched~", sizeof dst);
    classic.GetCodeModeStrFromTagId(tag, dst, size);
    EXPECT_EQ(std::string(dst, sizeof dst), want) << int{tag} << "/" << size;
    EXPECT_EQ(modern.CodeModeLabel(tag), label) << int{tag};
  }
  for (const int index : {-1, 6}) EXPECT_EQ(Text(classic.GetCtrlTypeAt(index)), "0   0") << index;
  // Copies share the array until the last goes (the sanitizer build sees an early release); a new load leaves it.
  CVireVuzTxt copy;
  copy = CVireVuzTxt(classic);  // the temporary goes at once
  EXPECT_EQ(copy.device_table, classic.device_table);
  ASSERT_EQ(std::get<0>(LoadClassic(classic, dir.Write("b.txt", "VERSION 1\nDEVICE_MODEL 2 B DSP x 8\n").c_str())), 0);
  EXPECT_EQ(Text(copy.GetCtrlTypeAt(5)), "421 DEV RADIO 9");
}

// The limit counts bytes: on Linux those of the path, on Windows those of its ANSI code page (an é is one there), whose
// separator is the backslash alone.
TEST(DeviceFilePlace, BesideTheExecutableIfThePathFits) {
  const std::string s(1, kSeparator), d(246, 'd'), e = [] {  // 246 characters of two bytes each in UTF-8
    std::string e;
    for (int i = 0; i < 246; ++i) e += "\xC3\xA9";
    return e;
  }();
  const std::pair<std::string, std::string> cases[] = {
      {"host", "virevuz.txt"}, {s + d + s + "exe", s + d + s + "virevuz.txt"},  // 259 characters fit
      {s + "d" + d + s + "exe", ""},                                            // 260 do not
      {s + e + s + "exe", kWindows ? s + e + s + "virevuz.txt" : ""},
      {"dir/exe", kWindows ? "virevuz.txt" : "dir/virevuz.txt"}};
  for (const auto& [exe, expected] : cases) EXPECT_EQ(devctl::DeviceFilePathBeside(exe), expected) << exe;

  // The classic Init() without a path loads the file found here: the install check's consumer does, on each system.
  const std::string path = DeviceFileBesideExecutable();
  if (path.empty()) GTEST_SKIP() << "build directory path too long";
  EXPECT_TRUE(std::filesystem::u8path(path).is_absolute()) << path << ": not the executable's directory";
}

// The classic reader's second pass fills at most the records its first pass counted, whatever the file holds by then
// (it may have changed in between); records the file no longer has stay zero.
TEST(DeviceFileSecondPass, FillsAtMostTheCountedRecords) {
  ScratchDir dir;
  const std::string three = dir.Write("3.txt", DeviceFile({{5, "APP"}, {6, "FPGA"}, {7, "DSP"}}));
  const std::string one = dir.Write("1.txt", DeviceFile({{5, "APP"}}));
  download_ctl_typ table[3] = {};
  table[2].tag_id = 99;  // beyond the two counted
  ASSERT_TRUE(devctl::FillDeviceRecords(platform::NativeName(three.c_str()), table, 2));
  EXPECT_EQ(RecordsOf(table, 3), (Records{"416 DEV APP 5", "417 DEV FPGA 6", "0   99"}));
  std::memset(table, 0, sizeof table);
  ASSERT_TRUE(devctl::FillDeviceRecords(platform::NativeName(one.c_str()), table, 2));
  EXPECT_EQ(RecordsOf(table, 2), (Records{"416 DEV APP 5", "0   0"}));
  EXPECT_FALSE(devctl::FillDeviceRecords(platform::NativeName(dir.File("gone").c_str()), table, 2));
}

}  // namespace
}  // namespace codehdr::test
