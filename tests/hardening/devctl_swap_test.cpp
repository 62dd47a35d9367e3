// A device control file that changes between the reader's two passes. The
// reader opens the file by name twice (count, then fill). To step in between
// the passes deterministically, the name is a FIFO: a writer thread feeds the
// first pass, and before it closes its end (which is what ends the first pass)
// it replaces or removes the name, so the second pass opens whatever the name
// then refers to.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include <codehdr/virevuz_txt.h>
#include <codehdr/code_header.h>

#include "scratch_dir.h"

namespace codehdr::test {
namespace {

const char kFirstPass[] =
    "VERSION 1\n"
    "DEVICE_MODEL 1 ALPHA APP x 5\n"
    "DEVICE_MODEL 2 BETA FPGA x 6\n";

// Opens the FIFO for writing once a reader has it open (giving up after a few
// seconds, so that a reader that never comes cannot hang the test), writes the
// text, runs `betweenPasses` while the reader still waits for more, and
// closes. Returns false when no reader came.
bool FeedFirstPass(const std::string& fifo, const std::string& text, const std::function<void()>& betweenPasses) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int fd = -1;
  while ((fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0) {
    if (errno != ENXIO || std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  fcntl(fd, F_SETFL, 0);
  bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  betweenPasses();
  close(fd);
  return ok;
}

class DevctlSwap : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.PathOf("virevuz.txt");
    ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
  }

  // Loads through the FIFO; `betweenPasses` changes the name in between.
  unsigned short Load(CVireVuzTxt& t, const std::function<void()>& betweenPasses, std::string* printed) {
    bool fed = false;
    std::thread writer([&] { fed = FeedFirstPass(path_, kFirstPass, betweenPasses); });
    testing::internal::CaptureStdout();
    const unsigned short r = t.init_device_control(path_.c_str());
    *printed = testing::internal::GetCapturedStdout();
    writer.join();
    EXPECT_TRUE(fed);
    return r;
  }

  // Puts a regular file with `text` in place of the FIFO, atomically.
  void ReplaceWith(const std::string& text) {
    const std::string next = dir_.Write("next.txt", text);
    ASSERT_EQ(std::rename(next.c_str(), path_.c_str()), 0);
  }

  ScratchDir dir_;
  std::string path_;
};

TEST_F(DevctlSwap, SecondPassFillsTheCountedRecordsFromTheNewFile) {
  CVireVuzTxt t;
  std::string printed;
  const unsigned short r = Load(
      t,
      [&] {
        ReplaceWith("VERSION 1\nDEVICE_MODEL 7 G APP x 7\nDEVICE_MODEL 8 H APP x 8\nDEVICE_MODEL 9 I APP x 9\n");
      },
      &printed);
  EXPECT_EQ(r, HDR_SUCCESS);
  ASSERT_EQ(t.device_count, 2);  // counted in the first pass
  EXPECT_EQ(t.GetCtrlTypeAt(0).tag_id, 7);
  EXPECT_EQ(t.GetCtrlTypeAt(1).tag_id, 8);
  EXPECT_EQ(t.GetCtrlTypeAt(2).tag_id, 0);
  EXPECT_EQ(printed, "Device Control Version 1\n");
}

TEST_F(DevctlSwap, RecordsWithoutALineInTheNewFileStayZero) {
  CVireVuzTxt t;
  std::string printed;
  EXPECT_EQ(Load(t, [&] { ReplaceWith("DEVICE_MODEL 7 G APP x 7\n"); }, &printed), HDR_SUCCESS);
  ASSERT_EQ(t.device_count, 2);
  EXPECT_EQ(t.GetCtrlTypeAt(0).tag_id, 7);
  const download_ctl_typ second = t.GetCtrlTypeAt(1);
  EXPECT_EQ(second.tag_id, 0);
  EXPECT_EQ(second.model_id, 0u);
  EXPECT_STREQ(second.model_name, "");
  EXPECT_STREQ(second.code_mode_str, "");
}

TEST_F(DevctlSwap, SecondPassOpenFailureLeavesCountedZeroRecords) {
  CVireVuzTxt t;
  std::string printed;
  EXPECT_EQ(Load(t, [&] { ASSERT_EQ(unlink(path_.c_str()), 0); }, &printed), ERR_DEVCTL_OPEN);
  EXPECT_EQ(printed, "Device Control Version 1\nCannot open Device Control File\n");
  ASSERT_EQ(t.device_count, 2);
  for (int i = 0; i < 2; ++i) {
    const download_ctl_typ rec = t.GetCtrlTypeAt(i);
    EXPECT_EQ(rec.tag_id, 0);
    EXPECT_EQ(rec.model_id, 0u);
    EXPECT_STREQ(rec.model_name, "");
  }
  char label[8] = "keep";
  for (int tag = 0; tag < 256; ++tag) t.GetCodeModeStrFromTagId(static_cast<unsigned char>(tag), label, sizeof label);
  EXPECT_STREQ(label, "keep");
}

}  // namespace
}  // namespace codehdr::test
