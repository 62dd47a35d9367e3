// The device control file: both readers (the classic two-pass CVireVuzTxt,
// which prints, and the one-pass LoadDeviceTable, which reports to a sink) on
// the same files, the lookups, sharing between objects, the file's place, and
// a file that changes between the classic reader's two passes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <codehdr/code_header.h>
#include <codehdr/devices.h>

#include "devctl/device_file.h"
#include "platform/platform.h"
#include "support/support.h"

namespace codehdr::test {
namespace {

using Records = std::vector<std::string>;
using Loaded = std::pair<unsigned short, std::string>;  // the result code and what the reader printed

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
Records RecordsOf(const CVireVuzTxt& t) { return RecordsOf(t.device_table, t.device_count); }
Records RecordsOf(const DeviceTable& t) { return RecordsOf(t.records.data(), t.records.size()); }

Loaded LoadClassic(CVireVuzTxt& t, const char* path) {  // a null path: the file beside the executable
  Loaded out;
  out.second = CaptureStdout([&] { out.first = path ? t.init_device_control(path) : t.init_device_control(); });
  return out;
}

// The messages go to the sink, one a line; nothing is printed.
Loaded LoadModern(DeviceTable& t, const std::string& path) {
  Loaded out;
  const auto sink = [&](const std::string& m) { out.second += m + "\n"; };
  EXPECT_EQ(CaptureStdout([&] { out.first = LegacyCode(LoadDeviceTable(path, t, sink)); }), "") << "prints";
  return out;
}

TEST(DeviceFile, BothReadersGiveTheSameResultMessagesAndRecords) {
  const std::string v = "Device Control Version ", noVersion = "Version not found\n",
                    noModels = "No device models in Device Control File\n", model = "DEVICE_MODEL 1 A APP x 2\n";
  std::string longLine = "DEVICE_MODEL 1 FIRST APP x 4 ";  // 119 characters per read
  longLine.resize(119, '#');
  longLine += std::string(119, '=') + " DEVICE_MODEL 2 SECOND DSP x 6" + std::string(31, ' ') + "\n";
  const struct {
    std::string text;
    Loaded out;
    Records records;  // on failure: the table held before, unchanged
  } cases[] = {
      {"VERSION 3\nDEVICE_MODEL 1A2 ALPHA MODEA x 17\nDEVICE_MODEL 0x0C0,BETA,MODEB,-,18\n; no keyword\n",
       {0, v + "3\n"}, {"1a2 ALPHA MODEA 17", "c0 BETA MODEB 18"}},
      {"VERSION\n" + model, {117, noVersion}, {}},
      {"VERSION abc\n" + model, {117, v + "abc\n" + noVersion}, {}},
      {"VERSION -1\n" + model, {117, v + "-1\n" + noVersion}, {}},
      {"VERSION 4\nVERSION -2\n" + model, {117, v + "4\n" + v + "-2\n" + noVersion}, {}},
      {"version 2\n" + model, {117, noVersion}, {}},
      {"VERSION 2\nVERSION\n", {118, v + "2\n" + noModels}, {}},
      {"VERSION 1\n" + std::string(114, '-') + " " + model, {118, v + "1\n" + noModels}, {}},  // keyword cut in two
      {"VERSION -1\n" + model + "VERSION 0\n", {0, v + "-1\n" + v + "0\n"}, {"1 A APP 2"}},
      {"VERSION 3abc\nVERSION x\n" + model, {0, v + "3abc\n" + v + "x\n"}, {"1 A APP 2"}},
      {"#note 7 see VERSION\nDEVICE_MODEL 1A2 ALPHA MODEA x 17 VERSION\n", {0, v + "7\n" + v + "1A2\n"},
       {"1a2 ALPHA MODEA 17"}},
      {"\t VERSION,\t1\r\nDEVICE_MODEL,,1A,,ALPHA\n ,DEVICE_MODEL\t,\t2B , MODEB ,APP,,x,, 33,9\r\n", {0, v + "1\n"},
       {"1a ALPHA  0", "2b MODEB APP 33"}},
      {"VERSION 1\nfirst DEVICE_MODEL 1A2 ALPHA MODEA x 17\n", {0, v + "1\n"}, {"de 1A2 ALPHA 0"}},
      {"VERSION 1\nDEVICE_MODEL 0XfF A APP x -3\nDEVICE_MODEL zz B DSP x +8x\n", {0, v + "1\n"},
       {"ff A APP -3", "0 B DSP 8"}},
      {"VERSION 1\n" + longLine, {0, v + "1\n"}, {"1 FIRST APP 4", "2 SECOND DSP 6"}},
      {"VERSION 1\nDEVICE_MODEL 2 NINE_CHAR LABEL_NIN x 6\nDEVICE_MODEL 1 " + std::string(40, 'N') + " " +
           std::string(50, 'L') + " x 5\n",  // the last record: an overrun would leave the allocation
       {0, v + "1\n"}, {"2 NINE_CHAR LABEL_NIN 6", "1 NNNNNNNNN LLLLLLLLL 5"}},
      {std::string("VERSION 1\nDEVICE_MODEL 1 A APP x 2") + '\0' + " VERSION -5\n", {0, v + "1\n"}, {"1 A APP 2"}},
  };
  ScratchDir dir;
  const std::string keep = dir.Write("keep.txt", "VERSION 1\nDEVICE_MODEL 5 KEEP APP x 9\n");
  for (const auto& c : cases) {
    const std::string path = dir.Write("virevuz.txt", c.text);
    const Records expected = c.out.first == 0 ? c.records : Records{"5 KEEP APP 9"};
    CVireVuzTxt classic;
    DeviceTable modern;
    ASSERT_EQ(LoadClassic(classic, keep.c_str()).first + LoadModern(modern, keep).first, 0);
    download_ctl_typ* const before = classic.device_table;
    EXPECT_EQ(LoadClassic(classic, path.c_str()), c.out) << c.text;
    EXPECT_EQ(LoadModern(modern, path), c.out) << c.text;
    EXPECT_EQ(RecordsOf(classic), expected) << c.text;
    EXPECT_EQ(RecordsOf(modern), expected) << c.text;
    EXPECT_TRUE(c.out.first == 0 || classic.device_table == before) << c.text;
  }
  DeviceTable quiet;  // no sink: nothing printed either
  EXPECT_EQ(CaptureStdout([&] { EXPECT_EQ(LoadDeviceTable(keep, quiet), Status::kOk); }), "");
}

// Tokens convert as "%d" and "%x" convert them; a token that does not leaves
// the value as it was.
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
  const std::string path = dir.Write("v.txt", "VERSION 1\nDEVICE_MODEL 40 WIDE FPGA x 263\nDEVICE_MODEL 10 A APP x 7\n"
                                              "DEVICE_MODEL 20 B NINECHARS x 8\nDEVICE_MODEL 30 C DSP x 7\n"
                                              "DEVICE_MODEL 1 END BOOT x 0\nDEVICE_MODEL 2 HIDDEN RADIO x 9\n");
  CVireVuzTxt classic;
  DeviceTable modern;
  ASSERT_EQ(LoadClassic(classic, path.c_str()).first + LoadModern(modern, path).first, 0);
  const struct {
    unsigned char tag;
    unsigned size;
    std::string dst, label;  // all ten bytes of dst afterwards; CodeModeLabel cuts to 7 characters
  } cases[] = {
      {7, 10, std::string("APP\0uched~", 10), "APP"},  // the first of two; 263 is no byte's tag
      {8, 10, std::string("NINECHARS\0", 10), "NINECHA"}, {8, 4, std::string("NIN\0uched~", 10), "NINECHA"},
      {8, 0, "untouched~", "NINECHA"}, {9, 10, "untouched~", ""},  // behind the record with tag 0
      {0, 10, "untouched~", ""}, {255, 10, "untouched~", ""},
  };
  for (const auto& c : cases) {
    char dst[10];
    std::memcpy(dst, "untouched~", sizeof dst);
    classic.GetCodeModeStrFromTagId(c.tag, dst, c.size);
    EXPECT_EQ(std::string(dst, sizeof dst), c.dst) << int{c.tag} << "/" << c.size;
    EXPECT_EQ(modern.CodeModeLabel(c.tag), c.label) << int{c.tag};
  }
  for (const int index : {-1, 6, INT_MIN, INT_MAX}) EXPECT_EQ(Text(classic.GetCtrlTypeAt(index)), "0   0") << index;
  // Copies share the array, released when the last holder goes (the sanitizer
  // build reports an early release); a new load leaves the copies theirs.
  CVireVuzTxt copy;
  {
    const CVireVuzTxt source(classic);
    copy = source;
  }
  CVireVuzTxt& alias = copy;
  copy = alias;
  EXPECT_EQ(copy.device_table, classic.device_table);
  ASSERT_EQ(LoadClassic(classic, dir.Write("b.txt", "VERSION 1\nDEVICE_MODEL 2 B DSP x 8\n").c_str()).first, 0);
  EXPECT_EQ(RecordsOf(classic), Records{"2 B DSP 8"});
  EXPECT_EQ(Text(copy.GetCtrlTypeAt(5)), "2 HIDDEN RADIO 9");
}

TEST(DeviceFilePlace, BesideTheExecutableIfThePathFits) {
  const std::string d = std::string(246, 'd');  // a path of 259 characters fits, one of 260 does not
  const std::pair<std::string, std::string> cases[] = {
      {"/opt/bin/host", "/opt/bin/virevuz.txt"}, {"/host", "/virevuz.txt"}, {"host", "virevuz.txt"},
      {"", "virevuz.txt"}, {"/" + d + "/exe", "/" + d + "/virevuz.txt"}, {"/d" + d + "/exe", ""}};
  for (const auto& [exe, expected] : cases) EXPECT_EQ(devctl::DeviceFilePathBeside(exe), expected) << exe;

  const std::string path = DeviceFileBesideExecutable(), dir = path.substr(0, path.size() - 11);
  ASSERT_EQ(path, devctl::DeviceFilePathBeside(platform::ExecutablePath()));
  if (path.empty()) GTEST_SKIP() << "build directory path too long";
  std::remove(path.c_str());
  CVireVuzTxt table;
  DeviceTable modern;
  const Loaded cannotOpen{ERR_DEVCTL_OPEN, "Cannot open Device Control File - " + path + "\n"};
  EXPECT_EQ(LoadClassic(table, nullptr), cannotOpen);
  EXPECT_EQ(LoadModern(modern, path), cannotOpen);
  EXPECT_EQ(LoadClassic(table, dir.c_str()).second, "Cannot open Device Control File - " + dir + "\n");
  EXPECT_EQ(CaptureStdout([&] { EXPECT_EQ(table.init_device_control(nullptr), ERR_DEVCTL_OPEN); }), "");
  EXPECT_EQ(table.device_table, nullptr);
  std::ofstream(path) << "VERSION 4\nDEVICE_MODEL 0xAB LOCAL APP x 12\n";
  const Loaded found = LoadClassic(table, nullptr);
  std::remove(path.c_str());
  EXPECT_EQ(found.first, 0);
  EXPECT_EQ(RecordsOf(table), Records{"ab LOCAL APP 12"});
}

// The classic reader opens the file by name twice (count, then fill). The
// name is a FIFO so that the test can step in between: the writer feeds the
// first pass and, before closing its end (which ends that pass), replaces or
// removes the name.
TEST(DeviceFileSwap, SecondPassReadsWhatTheNameThenHolds) {
  constexpr char kFirst[] = "VERSION 1\nDEVICE_MODEL 1 ALPHA APP x 5\nDEVICE_MODEL 2 BETA FPGA x 6\n";
  const std::string v1 = "Device Control Version 1\n";
  const struct {
    const char* next;  // null: the name is removed
    Loaded out;
    Records records;
  } cases[] = {
      {"VERSION 1\nDEVICE_MODEL 7 G APP x 7\nDEVICE_MODEL 8 H APP x 8\nDEVICE_MODEL 9 I APP x 9\n", {0, v1},
       {"7 G APP 7", "8 H APP 8"}},  // the count stays that of the first pass
      {"DEVICE_MODEL 7 G APP x 7\n", {0, v1}, {"7 G APP 7", "0   0"}},
      {nullptr, {ERR_DEVCTL_OPEN, v1 + "Cannot open Device Control File\n"}, {"0   0", "0   0"}},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    const std::string path = dir.File("virevuz.txt");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::thread writer([&] {
      const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);  // waits for the reader
      EXPECT_EQ(write(fd, kFirst, sizeof kFirst - 1), static_cast<ssize_t>(sizeof kFirst - 1));
      EXPECT_EQ(c.next ? std::rename(dir.Write("next.txt", c.next).c_str(), path.c_str()) : unlink(path.c_str()), 0);
      close(fd);
    });
    CVireVuzTxt t;
    const Loaded out = LoadClassic(t, path.c_str());
    close(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));  // frees a writer no reader came for
    writer.join();
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(RecordsOf(t), c.records);
  }
}

}  // namespace
}  // namespace codehdr::test
