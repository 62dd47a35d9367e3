// Out of memory: every allocation an operation makes is failed in turn (1, 2, ... until the operation completes). The
// failure must reach the caller as the API says (std::bad_alloc from the C++ APIs, CODEHDR_STATUS_OUT_OF_MEMORY or
// NULL from the C interface), leave the objects as they were (or as the operation allows), and leak no block and no
// descriptor.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <optional>
#include <sstream>

#include <codehdr/c.h>
#include <codehdr/code_header.h>
#include <codehdr/image.h>

#include "oom_allocator.h"
#include "support.h"

namespace codehdr::test {
namespace {

constexpr int kThrew = -1;  // what a C++ call gives when std::bad_alloc reached it

int Threw(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::bad_alloc&) {
    return kThrew;
  }
  return 0;
}

using State = std::function<std::string()>;

// Runs `call` after `prepare` with allocation 1, 2, ... failing until it runs through. A failed allocation must give
// `failed` and leave `state()` as it was before the call, or as `allowed` accepts; the run through gives 0. Returns the
// number of allocations the run through made.
long Walk(const std::function<void()>& prepare, const std::function<int()>& call, const State& state, int failed,
          const std::function<bool(const std::string&)>& allowed = nullptr) {
  long n = 0;
  for (bool fired = true; fired && n < 100000 && !::testing::Test::HasFailure();) {
    prepare();
    const std::string before = state();
    oom::Arm(++n);
    int outcome = 0;
    EXPECT_NO_THROW(outcome = call()) << "allocation " << n;
    fired = oom::Disarm();
    EXPECT_EQ(outcome, fired ? failed : 0) << "allocation " << n;
    const std::string after = state();
    EXPECT_TRUE(!fired || after == before || (allowed && allowed(after))) << "allocation " << n << ": " << after;
  }
  EXPECT_LT(n, 100000) << "the operation never completed";
  return n - 1;
}

void Nothing() {}

std::string Describe(CCodeHeader& h) {
  std::ostringstream text;
  text << HeaderState::Of(h);
  return text.str();
}

std::string Describe(const codehdr_header* h) {
  codehdr_header_info info{};
  info.struct_size = sizeof info;
  codehdr_header_get_info(h, &info);
  codehdr_header_check_result check{};
  check.struct_size = sizeof check;
  codehdr_header_get_check(h, &check);
  return std::to_string(info.form) + "/" + std::to_string(info.dependencies) + "/" + std::to_string(info.byte_count) +
         "/" + info.code_version + "/" + std::to_string(check.checked);
}

class Oom : public ::testing::Test {
 protected:
  ~Oom() override {
    EXPECT_EQ(oom::LiveBlocks(), blocks_) << "a leak, with one of the allocations failing";
    EXPECT_EQ(OpenDescriptorCount(), fds_) << "a descriptor left open, with one of the allocations failing";
  }

  ScratchDir dir;
  const std::string devices = dir.Write("virevuz.txt", DeviceFile({{17, "APP"}, {18, "FPGA"}, {19, "DSP"}}));
  const Image rich = [] {  // eleven dependencies and a comment
    Image img;
    for (int i = 0; i < 11; ++i) img.Dep(static_cast<std::uint16_t>(i + 1), "R01A0" + std::to_string(i % 10));
    return img.Comment("eleven");
  }();
  const Bytes file = rich.File(), head = rich.Header();
  const std::string image = dir.Write("image", file);
  // Last, so that they count the blocks and descriptors of the members above.
  const long blocks_ = oom::LiveBlocks();
  const int fds_ = OpenDescriptorCount();
};

TEST_F(Oom, ClassicObject) {
  std::optional<CCodeHeader> h;
  // A loaded object holding a built header, a comment and eleven dependencies, and `extra` more.
  const auto loaded = [&](int extra = 0) {
    return [&, extra] {
      QuietStdout quiet;
      h.emplace();
      ASSERT_EQ(h->Init(devices.c_str()), HDR_SUCCESS);
      ASSERT_EQ(h->ExtractHdrFromCompressedCodeFile(file.data(), file.size()), head.size());
      ASSERT_EQ(h->InsertHeaderCodeVer("R02B03.4"), 1);
      int result = -1;
      ASSERT_GT(h->BuildHeader(18, "R01A01", &result), 0);
      for (int i = 0; i < extra; ++i) h->AddCodeDependencyToHdr(1, "R01A01");
    };
  };
  const State held = [&] { return Describe(*h); };
  // After a failed extraction: unchanged (the failure came before the old header went), no header, or the image's
  // header with a prefix of its dependencies.
  const auto extracted = [&](const std::string&) {
    if (h->compressedCodeHeader == nullptr) return true;
    const std::vector<std::string> deps = DepList(*h), all = DepList(ReadHeader(file.data(), file.size()).dependencies);
    return HeaderState::Of(*h).bytes == Bytes(file.begin(), file.begin() + head.size()) && deps.size() <= all.size() &&
           std::equal(deps.begin(), deps.end(), all.begin());
  };
  EXPECT_GT(Walk(loaded(), [&] { return Threw([&] { QuietStdout quiet; h->Init(devices.c_str()); }); }, held, kThrew),
            0);
  EXPECT_EQ(h->devCtl.device_count, 3);
  EXPECT_GT(Walk(loaded(), [&] { return Threw([&] { int r; h->BuildHeader(17, "R01A02", &r); }); }, held, kThrew), 0);
  EXPECT_EQ(h->ValidateHeader(17, 0), HDR_SUCCESS);
  for (int extra : {8, 9}) {  // 11 entries and these: the 21st needs a new block of 10
    const auto byType = [&] { return Threw([&] { h->AddCodeDependencyToHdr(300, "R03C04"); }); };
    const auto byLabel = [&] { return Threw([&] { h->AddCodeDependencyToHdr("FPGA", "R03C04"); }); };
    EXPECT_EQ(Walk(loaded(extra), byType, held, kThrew) > 0, extra == 9);
    EXPECT_EQ(Walk(loaded(extra), byLabel, held, kThrew) > 0, extra == 9);
    EXPECT_EQ(h->GetNumCodeDependencies(), 12 + extra);
  }
  const auto fromBuffer = [&] { return Threw([&] { h->ExtractHdrFromCompressedCodeFile(file.data(), file.size()); }); };
  EXPECT_GT(Walk(loaded(), fromBuffer, held, kThrew, extracted), 0);
  EXPECT_EQ(h->GetNumCodeDependencies(), 11);
  const auto fromFile = [&] { return Threw([&] { h->ExtractHdrFromCompressedCodeFile(image.c_str(), 100000L); }); };
  EXPECT_GT(Walk(loaded(), fromFile, held, kThrew, extracted), 0);
  const auto classic = [&] { return Threw([&] { h->DoVerifyHeader(image.c_str(), 0, 17); }); };
  EXPECT_GT(Walk(loaded(), classic, held, kThrew, extracted), 0);
  EXPECT_EQ(h->GetNumCodeDependencies(), 11);
}

TEST_F(Oom, FilesOfTheLibrarysOwnApi) {
  const auto verify = [&] { return Threw([&] { EXPECT_EQ(VerifyFile(image, 17).verdict, Verdict::kVerified); }); };
  EXPECT_GT(Walk(Nothing, verify, [] { return std::string(); }, kThrew), 0);
  // A failed write keeps the old file and leaves nothing else behind.
  const std::string target = dir.Write("target", "old");
  const State files = [&] { return std::to_string(dir.Count()) + std::string(ReadFile(target).size(), 'x'); };
  const auto write = [&] { return Threw([&] { WriteImage(target, head, rich.payload.data(), rich.payload.size()); }); };
  EXPECT_GT(Walk(Nothing, write, files, kThrew), 0);
  EXPECT_EQ(VerifyFile(target, 17).verdict, Verdict::kVerified);
}

// The C interface: the failure never escapes as an exception, and each object stays as it was. (Writing a file is the
// library's own writer, walked above.)
TEST_F(Oom, CInterface) {
  codehdr_header* h = codehdr_header_new();
  const Bytes old = {5, 5, 5, 5};
  const auto reset = [&] { codehdr_header_read(h, old.data(), old.size()); };
  const State held = [&] { return Describe(h); };
  codehdr_verify_report report{};
  report.struct_size = sizeof report;
  report.header = h;
  codehdr_devices* table = codehdr_devices_new();
  codehdr_verifier* verifier = codehdr_verifier_new(17);
  const State fed = [&] { return std::to_string(codehdr_verifier_size(verifier)); };
  const State count = [&] { return std::to_string(codehdr_devices_count(table)); };
  const codehdr_dependency deps[] = {{3, "R02B03"}, {4, "R03C04"}};
  codehdr_header_spec spec{};
  spec.struct_size = sizeof spec;
  spec.tag = 17, spec.virevuz_version = "R01A02", spec.code_version = "P03B04.5", spec.comment = "c";
  spec.dependencies = deps, spec.dependency_count = 2;
  const int kOom = CODEHDR_STATUS_OUT_OF_MEMORY;
  EXPECT_GT(Walk(reset, [&] { return codehdr_header_read(h, file.data(), file.size()); }, held, kOom), 0);
  EXPECT_GT(Walk(reset, [&] { return codehdr_header_check(h, head.data(), head.size(), 17, 0, nullptr); }, held, kOom),
            0);
  EXPECT_GT(Walk(reset, [&] { return codehdr_verify_bytes(file.data(), file.size(), 17, &report); }, held, kOom), 0);
  EXPECT_GT(Walk(Nothing, [&] { return codehdr_devices_load(table, devices.c_str(), nullptr, nullptr); }, count, kOom),
            0);
  EXPECT_GT(Walk(reset, [&] { return codehdr_header_build(h, &spec, table); }, held, kOom), 0);
  EXPECT_EQ(held(), "2/2/92/P03B04.5/0");  // built at last, with the comment and both dependencies
  EXPECT_GT(Walk(Nothing, [&] { return codehdr_verifier_update(verifier, file.data(), 30); }, fed, kOom), 0);
  codehdr_verifier_update(verifier, file.data() + 30, file.size() - 30);
  EXPECT_GT(Walk(Nothing, [&] { return codehdr_verifier_finish(verifier, 0, 0, &report); }, fed, kOom), 0);
  const std::string out = dir.File("out");
  const auto extract = [&] { return codehdr_extract_payload(image.c_str(), out.c_str(), 0, nullptr); };
  EXPECT_GT(Walk(Nothing, extract, [&] { return std::to_string(dir.Count()); }, kOom), 0);

  // A release: adding an image from each source, checking it and reading an image back.
  codehdr_release* release = codehdr_release_new();
  const State added = [&] {
    return std::to_string(codehdr_release_image_count(release)) + "/" + fed() + "/" +
           std::to_string(codehdr_release_finding_count(release)) + "/" + held();
  };
  EXPECT_GT(Walk(Nothing, [&] { return codehdr_release_add_file(release, nullptr, image.c_str()); }, added, kOom), 0);
  codehdr_verifier_update(verifier, file.data(), file.size());
  EXPECT_GT(Walk(Nothing, [&] { return codehdr_release_add_verifier(release, "v", verifier, 0, 0); }, added, kOom), 0);
  EXPECT_GT(Walk(Nothing, [&] { return codehdr_release_check(release, table, nullptr); }, added, kOom), 0);
  EXPECT_GT(Walk(reset, [&] { return codehdr_release_get_image(release, 1, &report); }, added, kOom), 0);
  EXPECT_EQ(codehdr_release_image_count(release), 2u);

  // The constructors: NULL while their allocation fails.
  for (const auto& make : std::initializer_list<std::function<void*()>>{
           [] { return codehdr_header_new(); }, [] { return codehdr_devices_new(); },
           [] { return codehdr_verifier_new(0); }, [] { return codehdr_release_new(); }}) {
    oom::Arm(1);
    void* made = make();
    EXPECT_TRUE(oom::Disarm());
    EXPECT_EQ(made, nullptr);
  }
  codehdr_release_free(release);
  codehdr_verifier_free(verifier);
  codehdr_devices_free(table);
  codehdr_header_free(h);
}

}  // namespace
}  // namespace codehdr::test
