// Out-of-memory walks: every allocation an operation makes is failed in turn
// (N = 1, 2, ... until the operation completes without reaching the armed
// failure). Each time the std::bad_alloc must reach the caller, every block
// the operation allocated must be released once the object is gone (and, in
// the sanitizer build, LeakSanitizer checks malloc as well), no file may stay
// open, and the object must be in a state its operation allows.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include <codehdr/code_header.h>

#include "header_state.h"
#include "oom_allocator.h"
#include "quiet_stdout.h"
#include "scratch_dir.h"
#include "test_image.h"

namespace codehdr::test {
namespace {

constexpr long kMaxWalk = 100000;

const char kDeviceFile[] =
    "VERSION 2\n"
    "DEVICE_MODEL 1A ALPHA APP x 17\n"
    "DEVICE_MODEL 2B BETA FPGA x 18\n"
    "DEVICE_MODEL 3C GAMMA DSP x 19\n";

ImageSpec RichSpec() {
  ImageSpec spec;
  spec.comment = "eleven deps";
  for (int i = 0; i < 11; ++i) spec.deps.push_back({static_cast<std::uint16_t>(i + 1), "R01A0" + std::to_string(i % 10)});
  return spec;
}

struct WalkResult {
  long allocations = 0;  // allocations the operation made when it succeeded
};

// Runs the walk. `prepare` readies a fresh object (not counted), `operate` is
// the operation under test, `onFailure` checks the object after a failure
// (with the state taken just before the operation) and `onSuccess` after the
// completed run.
WalkResult Walk(const std::function<void(CCodeHeader&)>& prepare, const std::function<void(CCodeHeader&)>& operate,
                const std::function<void(CCodeHeader&, const HeaderState&)>& onFailure,
                const std::function<void(CCodeHeader&)>& onSuccess) {
  for (long n = 1; n < kMaxWalk; ++n) {
    const int fdsBefore = OpenDescriptorCount();
    const long blocksBefore = oom::LiveBlocks();
    bool completed = false;
    {
      CCodeHeader h;
      prepare(h);
      const HeaderState before = HeaderState::Of(h);
      bool threw = false;
      oom::Arm(n);
      try {
        operate(h);
      } catch (const std::bad_alloc&) {
        threw = true;
      }
      const bool fired = oom::Disarm();
      EXPECT_EQ(threw, fired) << "allocation " << n << ": the failure must reach the caller, and only then";
      if (fired) {
        onFailure(h, before);
      } else {
        onSuccess(h);
        completed = true;
      }
    }
    EXPECT_EQ(oom::LiveBlocks(), blocksBefore) << "blocks leaked with allocation " << n << " failing";
    EXPECT_EQ(OpenDescriptorCount(), fdsBefore) << "file left open with allocation " << n << " failing";
    if (completed) return WalkResult{n - 1};
    if (::testing::Test::HasFailure()) return WalkResult{-1};
  }
  ADD_FAILURE() << "operation never completed";
  return WalkResult{-1};
}

class OomWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    devicePath_ = dir_.Write("virevuz.txt", kDeviceFile);
    image_ = MakeImage(RichSpec());
    imagePath_ = dir_.Write("image.bin", image_);
  }

  // A loaded object holding a built header, a comment and eleven dependencies.
  void Loaded(CCodeHeader& h) {
    {
      QuietStdout quiet;
      ASSERT_EQ(h.Init(devicePath_.c_str()), HDR_SUCCESS);
    }
    ASSERT_GT(h.ExtractHdrFromCompressedCodeFile(image_.data(), image_.size()), 4);
    ASSERT_EQ(h.InsertHeaderCodeVer("R02B03.4"), 1);
    int result = -1;
    ASSERT_GT(h.BuildHeader(18, "R01A01", &result), 0);
  }

  // The object is as it was (the failure came before the old header was
  // released), holds no header, or holds exactly the image's header with a
  // dependency list that is a prefix of the image's.
  void ExpectAllowedExtractionState(CCodeHeader& h, const HeaderState& before) {
    if (HeaderState::Of(h) == before) return;
    if (h.compressedCodeHeader == nullptr) {
      EXPECT_EQ(h.GetHeaderTag(), 0);
      return;
    }
    ASSERT_FALSE(h.oldStyleHeader);
    ASSERT_EQ(h.GetHeaderTotalSize(), HeaderSize(RichSpec()));
    EXPECT_TRUE(std::equal(h.compressedCodeHeader, h.compressedCodeHeader + h.GetHeaderTotalSize(), image_.begin()));
    CCodeHeader reference;
    reference.ExtractHdrFromCompressedCodeFile(image_.data(), image_.size());
    const std::vector<std::string> want = DependencyList(reference);
    const std::vector<std::string> got = DependencyList(h);
    ASSERT_LE(got.size(), want.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), want.begin()));
  }

  ScratchDir dir_;
  std::string devicePath_;
  std::vector<unsigned char> image_;
  std::string imagePath_;
};

TEST_F(OomWalk, InitLeavesTheDeviceTableUnchanged) {
  for (bool reload : {false, true}) {
    const WalkResult r = Walk(
        [&](CCodeHeader& h) {
          if (reload) Loaded(h);
        },
        [&](CCodeHeader& h) {
          QuietStdout quiet;
          h.Init(devicePath_.c_str());
        },
        [](CCodeHeader& h, const HeaderState& before) {
          EXPECT_TRUE(DeviceTableState::Of(h.devCtl) == before.devices);
        },
        [](CCodeHeader& h) { EXPECT_EQ(h.devCtl.device_count, 3); });
    EXPECT_GT(r.allocations, 0) << "reload " << reload;
  }
}

TEST_F(OomWalk, FailedBuildLeavesTheObjectUnchanged) {
  const WalkResult r = Walk(
      [&](CCodeHeader& h) {
        Loaded(h);
        h.AddCodeDependencyToHdr(static_cast<unsigned short>(77), "R09Z09");
      },
      [](CCodeHeader& h) {
        int result = -1;
        h.BuildHeader(17, "R01A02", &result);
      },
      [](CCodeHeader& h, const HeaderState& before) { EXPECT_EQ(HeaderState::Of(h), before); },
      [](CCodeHeader& h) {
        EXPECT_EQ(h.GetHeaderTag(), 17);
        EXPECT_EQ(h.ValidateHeader(17, 0), HDR_SUCCESS);
      });
  EXPECT_GT(r.allocations, 0);
}

TEST_F(OomWalk, FailedAppendKeepsThePreviousEntries) {
  // 11 entries after Loaded(); appending until a block boundary is crossed.
  for (int extra : {0, 8, 9}) {
    for (bool byLabel : {false, true}) {
      const WalkResult r = Walk(
          [&](CCodeHeader& h) {
            Loaded(h);
            for (int i = 0; i < extra; ++i) h.AddCodeDependencyToHdr(static_cast<unsigned short>(i), "R01A01");
          },
          [&](CCodeHeader& h) {
            if (byLabel) {
              h.AddCodeDependencyToHdr("FPGA", "R03C04");
            } else {
              h.AddCodeDependencyToHdr(static_cast<unsigned short>(300), "R03C04");
            }
          },
          [](CCodeHeader& h, const HeaderState& before) { EXPECT_EQ(HeaderState::Of(h), before); },
          [&](CCodeHeader& h) { EXPECT_EQ(h.GetNumCodeDependencies(), 11 + extra + 1); });
      EXPECT_GE(r.allocations, 0) << "extra " << extra << " byLabel " << byLabel;
    }
  }
}

TEST_F(OomWalk, FailedBufferExtractionHoldsNoHeaderOrAPartialParse) {
  const WalkResult r = Walk([&](CCodeHeader& h) { Loaded(h); },
                            [&](CCodeHeader& h) { h.ExtractHdrFromCompressedCodeFile(image_.data(), image_.size()); },
                            [&](CCodeHeader& h, const HeaderState& before) { ExpectAllowedExtractionState(h, before); },
                            [&](CCodeHeader& h) { EXPECT_EQ(h.GetNumCodeDependencies(), 11); });
  EXPECT_GT(r.allocations, 0);
}

TEST_F(OomWalk, FailedFileExtractionClosesTheFile) {
  for (long length : {static_cast<long>(image_.size()), static_cast<long>(image_.size()) + 100, 60L}) {
    const WalkResult r = Walk([&](CCodeHeader& h) { Loaded(h); },
                              [&](CCodeHeader& h) { h.ExtractHdrFromCompressedCodeFile(imagePath_.c_str(), length); },
                              [&](CCodeHeader& h, const HeaderState& before) {
                                if (length >= static_cast<long>(image_.size())) ExpectAllowedExtractionState(h, before);
                              },
                              [](CCodeHeader&) {});
    EXPECT_GT(r.allocations, 0) << "length " << length;
  }
}

TEST_F(OomWalk, FailedVerifyReleasesTheImage) {
  const WalkResult r = Walk([&](CCodeHeader& h) { Loaded(h); },
                            [&](CCodeHeader& h) { h.DoVerifyHeader(imagePath_.c_str(), 0, 17); },
                            [&](CCodeHeader& h, const HeaderState& before) { ExpectAllowedExtractionState(h, before); },
                            [&](CCodeHeader& h) {
                              EXPECT_EQ(h.GetNumCodeDependencies(), 11);
                              EXPECT_EQ(h.DoVerifyHeader(imagePath_.c_str(), 0, 17), 1);
                            });
  EXPECT_GT(r.allocations, 0);
}

}  // namespace
}  // namespace codehdr::test
