// The device control file: both readers (the classic two-pass CVireVuzTxt, which prints, and the one-pass
// LoadDeviceTable, which reports to a sink) on the same files, the lookups, sharing between objects, the file's place,
// and a file that changes between the classic reader's two passes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
  for (const char* text : {"42", "+7", "-13", "3abc", "2147483648", "4294967296", "-99999999999999999999", "1A2", "FFFFFFFFFFFFFFFF", "10000000000000000", "-fffffffffffffffff",
                           "0x0C0", "0XfF", "0x", "0xg", "+0X", "-0x", "-0x10", "\v5", "abc", "-", "+", "x1", "--1", "", "1e5"}) {
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

  const std::string path = DeviceFileBesideExecutable(), dir = path.substr(0, path.size() - 11);
  if (path.empty()) GTEST_SKIP() << "build directory path too long";
  ASSERT_TRUE(std::filesystem::u8path(path).is_absolute()) << path << ": not the executable's directory";
  // A directory is a file that cannot be opened (LoadDeviceTable refuses it as not a regular file: tests/fault_test.cpp).
  CVireVuzTxt table;
  const Loaded cannotOpen{ERR_DEVCTL_OPEN, "Cannot open Device Control File - " + dir + "\n", {}};
  EXPECT_EQ(LoadClassic(table, dir.c_str()), cannotOpen);
  std::ofstream(std::filesystem::u8path(path)) << "VERSION 4\nDEVICE_MODEL 0xAB LOCAL APP x 12\n";
  const Loaded found = LoadClassic(table, nullptr);
  std::remove(path.c_str());
  EXPECT_EQ(found, (Loaded{0, "Device Control Version 4\n", {"ab LOCAL APP 12"}}));
}

#if defined(_WIN32)
// The name is a named pipe whose server gives each open its own text: the first open `first`, the second `next` as if
// the file had been replaced in between. Without `next` there is no second instance, and the second open fails as if
// the name had been removed.
Loaded LoadWhileSwapping(const std::string& first, const char* next) {
  static int serial = 0;
  const std::string path = "\\\\.\\pipe\\codehdr-swap-" + std::to_string(::GetCurrentProcessId()) + "-" +
                           std::to_string(serial++);
  const std::wstring wide(path.begin(), path.end());
  const auto instance = [&] {
    return ::CreateNamedPipeW(wide.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                              4096, 4096, 0, nullptr);
  };
  const auto serve = [](HANDLE pipe, const std::string& text) {
    ::ConnectNamedPipe(pipe, nullptr);  // at once when the reader is there already
    DWORD done = 0;
    EXPECT_TRUE(::WriteFile(pipe, text.data(), static_cast<DWORD>(text.size()), &done, nullptr));
    ::FlushFileBuffers(pipe);  // until the reader has it all; closing then ends its pass
    ::CloseHandle(pipe);
  };
  const HANDLE pipe = instance();
  std::thread server([&] {
    const HANDLE second = next ? instance() : INVALID_HANDLE_VALUE;  // there before the first pass ends
    serve(pipe, first);
    if (next) serve(second, next);
  });
  CVireVuzTxt t;
  const Loaded out = LoadClassic(t, path.c_str());
  server.join();
  return out;
}
#else
// The name is a FIFO, so that the test can step in between: the writer feeds the first pass and, before closing its
// end (which ends that pass), replaces the name with a file holding `next` or removes it.
Loaded LoadWhileSwapping(const std::string& first, const char* next) {
  ScratchDir dir;
  const std::string path = dir.File("virevuz.txt");
  EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);  // waits for the reader
    EXPECT_EQ(write(fd, first.data(), first.size()), static_cast<ssize_t>(first.size()));
    EXPECT_EQ(next ? std::rename(dir.Write("next.txt", next).c_str(), path.c_str()) : unlink(path.c_str()), 0);
    close(fd);
  });
  CVireVuzTxt t;
  const Loaded out = LoadClassic(t, path.c_str());
  close(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));  // frees a writer no reader came for
  writer.join();
  return out;
}
#endif

// The classic reader opens the file by name twice (count, then fill); the name changes in between.
TEST(DeviceFileSwap, SecondPassReadsWhatTheNameThenHolds) {
  const std::string first = "VERSION 1\nDEVICE_MODEL 1 ALPHA APP x 5\nDEVICE_MODEL 2 BETA FPGA x 6\n";
  const std::pair<const char*, Loaded> cases[] = {  // null: the name is removed
      {"VERSION 1\nDEVICE_MODEL 7 G APP x 7\nDEVICE_MODEL 8 H APP x 8\nDEVICE_MODEL 9 I APP x 9\n",
       {0, "Device Control Version 1\n", {"7 G APP 7", "8 H APP 8"}}},  // the count stays that of the first pass
      {"DEVICE_MODEL 7 G APP x 7\n", {0, "Device Control Version 1\n", {"7 G APP 7", "0   0"}}},
      {nullptr, {ERR_DEVCTL_OPEN, "Device Control Version 1\nCannot open Device Control File\n", {"0   0", "0   0"}}},
  };
  for (const auto& [next, expected] : cases) EXPECT_EQ(LoadWhileSwapping(first, next), expected);
}

}  // namespace
}  // namespace codehdr::test
