// Out of memory at the C interface: every allocation of a call is failed in turn. The failure never escapes as an
// exception: the call returns CODEHDR_STATUS_OUT_OF_MEMORY (a _new function NULL), the objects it was given are as
// they were, and nothing leaks.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include <codehdr/c.h>

#include "oom_allocator.h"
#include "support.h"

namespace codehdr::test {
namespace {

// Runs `call` with allocation 1, 2, ... failing until it runs through. `call` returns its status; `state` describes
// the objects it works on, which a failed call must leave as they were. Returns the number of allocations a whole run
// made.
long Walk(const std::function<int()>& call, const std::function<std::string()>& state, int done) {
  long n = 0;
  for (bool fired = true; fired && n < 10000 && !::testing::Test::HasFailure();) {
    const std::string before = state();
    oom::Arm(++n);
    int status = -1;
    EXPECT_NO_THROW(status = call()) << "allocation " << n;
    fired = oom::Disarm();
    if (fired) {
      EXPECT_EQ(status, CODEHDR_STATUS_OUT_OF_MEMORY) << "allocation " << n;
      EXPECT_EQ(state(), before) << "allocation " << n;
    } else {
      EXPECT_EQ(status, done);
    }
  }
  return n - 1;
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

void Walks();

TEST(CApiOom, EveryAllocationFailingGivesAStatus) {
  const long blocks = oom::LiveBlocks();
  Walks();
  EXPECT_EQ(oom::LiveBlocks(), blocks) << "a leak, with one of the allocations failing";
}

void Walks() {
  ScratchDir dir;
  const Image rich = Image().Comment("c").Dep(3, "R02B03").Dep(4, "R03C04");
  const Bytes file = rich.File(), head = rich.Header();
  const std::string image = dir.Write("image", file);
  const std::string devfile = dir.Write("virevuz.txt", DeviceFile({{17, "APP"}, {18, "FPGA"}}));

  codehdr_header* h = codehdr_header_new();
  const Bytes old = {5, 5, 5, 5};
  codehdr_header_read(h, old.data(), old.size());
  const auto held = [&] { return Describe(h); };
  codehdr_verify_report report{};
  report.struct_size = sizeof report;
  report.header = h;

  EXPECT_GT(Walk([&] { return codehdr_header_read(h, file.data(), file.size()); }, held, CODEHDR_STATUS_OK), 0);
  codehdr_header_read(h, old.data(), old.size());
  EXPECT_GT(Walk([&] { return codehdr_header_check(h, head.data(), head.size(), 17, 0, nullptr); }, held, 0), 0);
  codehdr_header_read(h, old.data(), old.size());
  EXPECT_GT(Walk([&] { return codehdr_verify_file(image.c_str(), 17, &report); }, held, 0), 0);
  codehdr_header_read(h, old.data(), old.size());
  EXPECT_GT(Walk([&] { return codehdr_verify_bytes(file.data(), file.size(), 17, &report); }, held, 0), 0);

  codehdr_devices* devices = codehdr_devices_new();
  const auto table = [&] { return std::to_string(codehdr_devices_count(devices)); };
  EXPECT_GT(Walk([&] { return codehdr_devices_load(devices, devfile.c_str(), nullptr, nullptr); }, table, 0), 0);
  const codehdr_dependency deps[] = {{3, "R02B03"}, {4, "R03C04"}};
  codehdr_header_spec spec{};
  spec.struct_size = sizeof spec;
  spec.tag = 17;
  spec.virevuz_version = "R01A02";
  spec.code_version = "P03B04.5";
  spec.comment = "c";
  spec.dependencies = deps;
  spec.dependency_count = 2;
  codehdr_header_read(h, old.data(), old.size());
  EXPECT_GT(Walk([&] { return codehdr_header_build(h, &spec, devices); }, held, 0), 0);

  codehdr_verifier* verifier = codehdr_verifier_new(17);
  const auto fed = [&] { return std::to_string(codehdr_verifier_size(verifier)); };
  EXPECT_GT(Walk([&] { return codehdr_verifier_update(verifier, file.data(), 30); }, fed, 0), 0);
  codehdr_verifier_update(verifier, file.data() + 30, file.size() - 30);
  EXPECT_GT(Walk([&] { return codehdr_verifier_finish(verifier, 0, 0, &report); }, fed, 0), 0);

  const auto files = [&] { return std::to_string(std::distance(std::filesystem::directory_iterator(dir.path()), {})); };
  const std::string out = dir.File("out.img");
  EXPECT_GT(Walk([&] { return codehdr_write_image(out.c_str(), head.data(), head.size(), "x", 1, nullptr); }, files, 0),
            0);
  std::filesystem::remove(out);
  EXPECT_GT(Walk([&] { return codehdr_extract_payload(image.c_str(), out.c_str(), 0, nullptr); }, files, 0), 0);

  // A release: adding an image from each source, checking it and reading an image back.
  codehdr_release* release = codehdr_release_new();
  const auto added = [&] {
    return std::to_string(codehdr_release_image_count(release)) + "/" + fed() + "/" +
           std::to_string(codehdr_release_finding_count(release)) + "/" + held();
  };
  EXPECT_GT(Walk([&] { return codehdr_release_add_file(release, nullptr, image.c_str()); }, added, 0), 0);
  EXPECT_GT(Walk([&] { return codehdr_release_add_bytes(release, "b", file.data(), file.size()); }, added, 0), 0);
  codehdr_verifier_update(verifier, file.data(), file.size());
  EXPECT_GT(Walk([&] { return codehdr_release_add_verifier(release, "v", verifier, 0, 0); }, added, 0), 0);
  EXPECT_GT(Walk([&] { return codehdr_release_check(release, devices, nullptr); }, added, 0), 0);
  codehdr_header_read(h, old.data(), old.size());
  EXPECT_GT(Walk([&] { return codehdr_release_get_image(release, 1, &report); }, added, 0), 0);
  EXPECT_EQ(codehdr_release_image_count(release), 3u);
  codehdr_release_free(release);

  // The constructors: NULL while their allocation fails.
  for (const auto& make : std::initializer_list<std::function<void*()>>{
           [] { return codehdr_header_new(); }, [] { return codehdr_devices_new(); },
           [] { return codehdr_verifier_new(0); }, [] { return codehdr_release_new(); }}) {
    const long blocks = oom::LiveBlocks();
    oom::Arm(1);
    void* made = make();
    EXPECT_TRUE(oom::Disarm());
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(oom::LiveBlocks(), blocks);
  }
  codehdr_verifier_free(verifier);
  codehdr_devices_free(devices);
  codehdr_header_free(h);
}

}  // namespace
}  // namespace codehdr::test
