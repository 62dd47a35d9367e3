// Files that misbehave: names that vanish, directories, empty files and files
// shorter than the header they declare. Every reader must answer with a
// result its contract allows and keep the object consistent.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <codehdr/code_header.h>

#include "header_state.h"
#include "quiet_stdout.h"
#include "scratch_dir.h"
#include "test_image.h"

namespace codehdr::test {
namespace {

class FaultFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    spec_.comment = "note";
    spec_.deps = {{3, "R01A01"}, {26, "P02B03.4"}};
    image_ = MakeImage(spec_);
  }

  // An object holding the image's header, to see what a failed call keeps.
  void HoldImage(CCodeHeader& h) {
    ASSERT_EQ(h.ExtractHdrFromCompressedCodeFile(image_.data(), image_.size()), HeaderSize(spec_));
  }

  ImageSpec spec_;
  std::vector<unsigned char> image_;
  ScratchDir dir_;
};

TEST_F(FaultFiles, VanishedFileChangesNothing) {
  const std::string path = dir_.Write("gone.bin", image_);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  const int fds = OpenDescriptorCount();

  CCodeHeader h;
  HoldImage(h);
  const HeaderState before = HeaderState::Of(h);
  EXPECT_EQ(h.DoVerifyHeader(path.c_str(), 0, 0), 0);
  EXPECT_EQ(h.IsNewHeader(path.c_str()), 0);
  EXPECT_EQ(h.ExtractHdrFromCompressedCodeFile(path.c_str(), static_cast<long>(image_.size())), 0);
  EXPECT_EQ(HeaderState::Of(h), before);
  {
    QuietStdout quiet;
    EXPECT_EQ(h.Init(path.c_str()), ERR_DEVCTL_OPEN);
  }
  EXPECT_EQ(HeaderState::Of(h), before);
  EXPECT_EQ(OpenDescriptorCount(), fds);
}

TEST_F(FaultFiles, DirectoryIsNoImageAndNoDeviceFile) {
  const int fds = OpenDescriptorCount();
  CCodeHeader h;
  HoldImage(h);
  EXPECT_EQ(h.DoVerifyHeader(dir_.path().c_str(), 0, 0), 0);
  EXPECT_EQ(h.IsNewHeader(dir_.path().c_str()), 0);
  EXPECT_EQ(h.ExtractHdrFromCompressedCodeFile(dir_.path().c_str(), 4096), 0);

  const DeviceTableState devices = DeviceTableState::Of(h.devCtl);
  unsigned short r;
  {
    QuietStdout quiet;
    r = h.Init(dir_.path().c_str());
  }
  EXPECT_TRUE(r == ERR_DEVCTL_OPEN || r == ERR_DEVCTL_NO_VERSION) << r;
  EXPECT_TRUE(DeviceTableState::Of(h.devCtl) == devices);
  EXPECT_EQ(OpenDescriptorCount(), fds);
}

TEST_F(FaultFiles, EmptyFileHoldsNoHeader) {
  const std::string path = dir_.Write("empty.bin", std::vector<unsigned char>{});
  CCodeHeader h;
  HoldImage(h);
  // Nothing to validate: an image without a header verifies.
  EXPECT_EQ(h.DoVerifyHeader(path.c_str(), 0, 0), 1);
  EXPECT_EQ(h.GetHeaderTag(), 0);
  EXPECT_EQ(h.IsNewHeader(path.c_str()), 0);
  HoldImage(h);
  for (long length : {-1L, 0L, 1L, 48L, 100000L}) {
    EXPECT_EQ(h.ExtractHdrFromCompressedCodeFile(path.c_str(), length), 0) << length;
    EXPECT_EQ(h.compressedCodeHeader, nullptr) << length;
  }
  {
    QuietStdout quiet;
    EXPECT_EQ(h.Init(path.c_str()), ERR_DEVCTL_NO_VERSION);
  }
}

TEST_F(FaultFiles, FileShorterThanItsDeclaredHeader) {
  const std::size_t headerSize = HeaderSize(spec_);
  const int fds = OpenDescriptorCount();
  for (std::size_t len = 0; len < headerSize; ++len) {
    const std::vector<unsigned char> cut(image_.begin(), image_.begin() + static_cast<long>(len));
    const std::string path = dir_.Write("short.bin", cut);
    CCodeHeader h;
    const int verified = h.DoVerifyHeader(path.c_str(), 0, 0);
    // Once the total size field is there, the file declares more than it has.
    if (len >= 24) {
      EXPECT_EQ(verified, 0) << len;
    } else {
      EXPECT_TRUE(verified == 0 || verified == 1) << len;
    }
    EXPECT_EQ(h.IsNewHeader(path.c_str()), len >= 4 ? 1 : 0) << len;
    for (long length : {static_cast<long>(len), static_cast<long>(headerSize), static_cast<long>(len) + 1000}) {
      const unsigned short got = h.ExtractHdrFromCompressedCodeFile(path.c_str(), length);
      EXPECT_TRUE(got == 0 || got <= len) << "length " << length << " of " << len << " bytes gave " << got;
      if (got > 4) {
        EXPECT_EQ(h.GetHeaderTotalSize(), got);
      }
    }
  }
  EXPECT_EQ(OpenDescriptorCount(), fds);
}

TEST_F(FaultFiles, WholeFileVerifiesAndItsTruncationsDoNot) {
  const std::string path = dir_.Write("whole.bin", image_);
  CCodeHeader h;
  EXPECT_EQ(h.DoVerifyHeader(path.c_str(), 0, spec_.tag), 1);
  EXPECT_EQ(h.GetNumCodeDependencies(), 2);
  // Cutting code bytes keeps the header whole but breaks the CRC.
  const std::vector<unsigned char> cut(image_.begin(), image_.end() - 1);
  EXPECT_EQ(h.DoVerifyHeader(dir_.Write("cut.bin", cut).c_str(), 0, spec_.tag), 0);
}

}  // namespace
}  // namespace codehdr::test
