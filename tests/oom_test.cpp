// Out of memory: every allocation an operation makes is failed in turn (1, 2, ... until the operation completes). Each
// time the std::bad_alloc must reach the caller, nothing may leak once the objects are gone (blocks here, malloc under
// LeakSanitizer), no descriptor may stay open, and the object must be unchanged or in a state its operation allows.
#include <gtest/gtest.h>

#include <functional>
#include <new>

#include <codehdr/code_header.h>
#include <codehdr/image.h>

#include "oom_allocator.h"
#include "support.h"

namespace codehdr::test {
namespace {

using Op = std::function<void(CCodeHeader&)>;
using Check = std::function<void(CCodeHeader&, const HeaderState& before)>;
void Nothing(CCodeHeader&) {}
void Unchanged(CCodeHeader& h, const HeaderState& before) { EXPECT_EQ(HeaderState::Of(h), before); }

class Oom : public ::testing::Test {
 protected:
  // Fails allocation 1, 2, ... of `operate` until it completes; `failed` checks the object after each failure, `done`
  // after the completed run. Returns the number of allocations the completed run made.
  long Walk(const Op& prepare, const Op& operate, const Op& done, const Check& failed = Unchanged) {
    const int fds = OpenDescriptorCount();
    const long blocks = oom::LiveBlocks();
    long n = 0;
    for (bool fired = true; fired && n < 100000 && !HasFailure();) {
      CCodeHeader h;
      prepare(h);
      const HeaderState before = HeaderState::Of(h);
      bool threw = false;
      oom::Arm(++n);
      try {
        operate(h);
      } catch (const std::bad_alloc&) {
        threw = true;
      }
      fired = oom::Disarm();
      EXPECT_EQ(threw, fired) << "allocation " << n << ": the failure reaches the caller, and only then";
      fired ? failed(h, before) : done(h);
    }
    EXPECT_LT(n, 100000) << "the operation never completed";
    EXPECT_EQ(oom::LiveBlocks(), blocks) << "a leak, with one of the " << n << " allocations failing";
    EXPECT_EQ(OpenDescriptorCount(), fds) << "a descriptor left open, with one of the allocations failing";
    return n - 1;
  }

  ScratchDir dir;
  const std::string devices = dir.Write("virevuz.txt", DeviceFile({{17, "APP"}, {18, "FPGA"}, {19, "DSP"}}));
  const Image rich = [] {  // eleven dependencies and a comment
    Image img;
    for (int i = 0; i < 11; ++i) img.Dep(static_cast<std::uint16_t>(i + 1), "R01A0" + std::to_string(i % 10));
    return img.Comment("eleven");
  }();
  const Bytes file = rich.File();
  const std::string image = dir.Write("image", file);
  // A loaded object holding a built header, a comment and eleven dependencies.
  const Op loaded = [this](CCodeHeader& h) {
    QuietStdout quiet;
    ASSERT_EQ(h.Init(devices.c_str()), HDR_SUCCESS);
    ASSERT_EQ(h.ExtractHdrFromCompressedCodeFile(file.data(), file.size()), rich.Header().size());
    ASSERT_EQ(h.InsertHeaderCodeVer("R02B03.4"), 1);
    int result = -1;
    ASSERT_GT(h.BuildHeader(18, "R01A01", &result), 0);
  };
  // After a failed extraction: unchanged (the failure came before the old header went), no header, or the image's
  // header with a prefix of its dependencies.
  const Check extracted = [this](CCodeHeader& h, const HeaderState& before) {
    const HeaderState now = HeaderState::Of(h);
    if (now == before || h.compressedCodeHeader == nullptr) return;
    EXPECT_EQ(now.bytes, Bytes(file.begin(), file.begin() + static_cast<long>(rich.Header().size())));
    const std::vector<std::string> held = DepList(h), all = DepList(ReadHeader(file.data(), file.size()).dependencies);
    ASSERT_LE(held.size(), all.size());
    EXPECT_TRUE(std::equal(held.begin(), held.end(), all.begin()));
  };
};

TEST_F(Oom, InitBuildAndAppend) {
  const Op init = [&](CCodeHeader& h) {
    QuietStdout quiet;
    h.Init(devices.c_str());
  };
  const Op three = [](CCodeHeader& h) { EXPECT_EQ(h.devCtl.device_count, 3); };
  EXPECT_GT(Walk(loaded, init, three), 0);
  const Op build = [](CCodeHeader& h) {
    int result = -1;
    h.BuildHeader(17, "R01A02", &result);
  };
  EXPECT_GT(Walk(loaded, build, [](CCodeHeader& h) { EXPECT_EQ(h.ValidateHeader(17, 0), 0); }), 0);
  for (int extra : {0, 8, 9}) {  // 11 entries and these: the 21st needs a new block of 10
    SCOPED_TRACE(extra);
    const Op prepare = [&](CCodeHeader& h) {
      loaded(h);
      for (int i = 0; i < extra; ++i) h.AddCodeDependencyToHdr(1, "R01A01");
    };
    const Op added = [&](CCodeHeader& h) { EXPECT_EQ(h.GetNumCodeDependencies(), 12 + extra); };
    EXPECT_EQ(Walk(prepare, [](CCodeHeader& h) { h.AddCodeDependencyToHdr(300, "R03C04"); }, added) > 0, extra == 9);
    EXPECT_EQ(Walk(prepare, [](CCodeHeader& h) { h.AddCodeDependencyToHdr("FPGA", "R03C04"); }, added) > 0, extra == 9);
  }
}

TEST_F(Oom, ExtractVerifyAndWrite) {
  const Op eleven = [](CCodeHeader& h) { EXPECT_EQ(h.GetNumCodeDependencies(), 11); };
  const Op fromBuffer = [&](CCodeHeader& h) { h.ExtractHdrFromCompressedCodeFile(file.data(), file.size()); };
  EXPECT_GT(Walk(loaded, fromBuffer, eleven, extracted), 0);
  for (long length : {static_cast<long>(file.size()), 100000L, 60L}) {
    const Op fromFile = [&](CCodeHeader& h) { h.ExtractHdrFromCompressedCodeFile(image.c_str(), length); };
    EXPECT_GT(Walk(loaded, fromFile, Nothing, extracted), 0);
  }
  const Op classic = [&](CCodeHeader& h) { h.DoVerifyHeader(image.c_str(), 0, 17); };
  EXPECT_GT(Walk(loaded, classic, eleven, extracted), 0);
  const Op verify = [&](CCodeHeader&) { EXPECT_EQ(VerifyFile(image, 17).verdict, Verdict::kVerified); };
  EXPECT_GT(Walk(Nothing, verify, Nothing), 0);
  // A failed write keeps the old file and leaves nothing else behind.
  const std::string target = dir.Write("target", "old");
  const long before = dir.Count();
  const Op write = [&](CCodeHeader&) { WriteImage(target, rich.Header(), rich.payload.data(), rich.payload.size()); };
  const Check kept = [&](CCodeHeader&, const HeaderState&) {
    EXPECT_EQ(ReadFile(target), Bytes({'o', 'l', 'd'}));
    EXPECT_EQ(dir.Count(), before);
  };
  const Op written = [&](CCodeHeader&) { EXPECT_EQ(VerifyFile(target, 17).verdict, Verdict::kVerified); };
  EXPECT_GT(Walk(Nothing, write, written, kept), 0);
}

}  // namespace
}  // namespace codehdr::test
