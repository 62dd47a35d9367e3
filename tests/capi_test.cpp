// The C interface at its boundary: what it refuses, how structs and strings cross it, and that every answer is the
// core's. The rules behind the answers are tested where they live.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

#include <codehdr/c.h>
#include <codehdr/checksum.h>
#include <codehdr/core.h>
#include <codehdr/image.h>
#include <codehdr/release.h>

#include "support.h"

namespace codehdr::test {
namespace {

struct Free {
  void operator()(codehdr_header* h) const { codehdr_header_free(h); }
  void operator()(codehdr_devices* d) const { codehdr_devices_free(d); }
  void operator()(codehdr_verifier* v) const { codehdr_verifier_free(v); }
  void operator()(codehdr_release* r) const { codehdr_release_free(r); }
};
template <typename T>
using Owned = std::unique_ptr<T, Free>;

// A struct as a caller passes it: zeroed, its size set.
template <typename T>
T Sized() {
  T s{};
  s.struct_size = sizeof(T);
  return s;
}

codehdr_header_info Info(const codehdr_header* h) {
  codehdr_header_info info = Sized<codehdr_header_info>();
  EXPECT_EQ(codehdr_header_get_info(h, &info), CODEHDR_STATUS_OK);
  return info;
}

Bytes HeldBytes(const codehdr_header* h) {
  const codehdr_header_info info = Info(h);
  return Bytes(info.bytes, info.bytes + info.byte_count);
}

// One row per rule of the boundary; a refused call changes nothing, and what may be empty or null is taken.
TEST(CApi, RefusedArgumentsChangeNothing) {
  const Bytes image = Image().Comment("c").Dep(3, "R02B03").File();
  const Owned<codehdr_header> h(codehdr_header_new());
  ASSERT_EQ(codehdr_header_read(h.get(), image.data(), image.size()), CODEHDR_STATUS_OK);
  const Owned<codehdr_verifier> v(codehdr_verifier_new(0));
  codehdr_dependency dep;
  auto spec = Sized<codehdr_header_spec>(), empty = spec;
  spec.virevuz_version = "R01A02", spec.code_mode_label = "APP";  // no code version
  const struct { const char* rule; int status; } rows[] = {
      {"a null object", codehdr_header_get_dependency(nullptr, 0, &dep)},
      {"a null result", codehdr_header_get_info(h.get(), nullptr)},
      {"null bytes of a size", codehdr_header_read(h.get(), nullptr, 1)},
      {"an index past the end", codehdr_header_get_dependency(h.get(), 1, &dep)},
      {"a required text missing", codehdr_header_build(h.get(), &spec, nullptr)},
      {"neither a label nor devices", codehdr_header_build(h.get(), &empty, nullptr)},
      {"no such status", codehdr_verifier_finish(v.get(), kStatusCount, 0, nullptr)},
      {"a null path", codehdr_verify_file(nullptr, 0, nullptr)},
  };
  for (const auto& r : rows) EXPECT_EQ(r.status, CODEHDR_STATUS_INVALID_ARGUMENT) << r.rule;
  EXPECT_EQ(HeldBytes(h.get()), Bytes(image.begin(), image.begin() + 72));
  EXPECT_EQ(codehdr_verify_bytes(nullptr, 0, 0, nullptr), CODEHDR_STATUS_NO_HEADER);
  EXPECT_EQ(codehdr_verifier_update(v.get(), nullptr, 0), CODEHDR_STATUS_OK);
  EXPECT_EQ(codehdr_crc32(5, nullptr, 10) + codehdr_crc32_parallel(5, nullptr, 10, 2), 10u);
  EXPECT_EQ(codehdr_devices_count(nullptr) + codehdr_verifier_size(nullptr) + codehdr_release_image_count(nullptr), 0u);
  codehdr_header_free(nullptr);
  codehdr_release_free(nullptr);
}

// A struct smaller than its first version is refused untouched; a larger one (a caller built against a later
// library) is filled up to what this library knows, and no further.
TEST(CApi, StructSizes) {
  const Bytes image = Image().File();
  const Owned<codehdr_header> h(codehdr_header_new());
  struct Padded {
    codehdr_verify_report report;
    unsigned char beyond[16];
  };
  Padded big;
  std::memset(&big, 0xA5, sizeof big);
  big.report.struct_size = sizeof big;
  big.report.header = h.get();
  EXPECT_EQ(codehdr_verify_bytes(image.data(), image.size(), 0, &big.report), CODEHDR_STATUS_OK);
  EXPECT_EQ(std::tuple(big.report.struct_size, big.report.verdict, big.report.file_size, big.report.header),
            std::tuple(sizeof big, int{CODEHDR_VERDICT_VERIFIED}, std::uint64_t{image.size()}, h.get()));
  EXPECT_EQ(Bytes(big.beyond, big.beyond + 16), Bytes(16, 0xA5));
  EXPECT_EQ(Info(h.get()).byte_count, 48u);

  auto small = Sized<codehdr_verify_report>();
  small.struct_size -= 1;
  small.verdict = 77;
  EXPECT_EQ(codehdr_verify_bytes(image.data(), image.size(), 0, &small), CODEHDR_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(small.verdict, 77);
  auto version = Sized<codehdr_version>();
  version.struct_size = 0;
  EXPECT_EQ(codehdr_version_parse("R01A02", &version), 0);
}

// Text handed out lies in the object: it outlives the caller's bytes and stays until the object is filled again.
TEST(CApi, StringsLiveInTheirObject) {
  const Owned<codehdr_header> h(codehdr_header_new());
  const Bytes image = Image().Comment("kept").Dep(3, "R02B03").File();
  {
    const Bytes copy = image;
    ASSERT_EQ(codehdr_header_check(h.get(), copy.data(), 75, 0, 0, nullptr), CODEHDR_STATUS_OK);
  }  // the caller's bytes are gone
  const codehdr_header_info info = Info(h.get());
  codehdr_dependency dep{}, checked{};
  codehdr_section section{};
  ASSERT_EQ(codehdr_header_get_dependency(h.get(), 0, &dep), CODEHDR_STATUS_OK);
  ASSERT_EQ(codehdr_header_get_check_dependency(h.get(), 0, &checked), CODEHDR_STATUS_OK);
  ASSERT_EQ(codehdr_header_get_section(h.get(), 1, &section), CODEHDR_STATUS_OK);
  auto check = Sized<codehdr_header_check_result>();
  ASSERT_EQ(codehdr_header_get_check(h.get(), &check), CODEHDR_STATUS_OK);
  EXPECT_EQ(std::tuple(std::string(info.comment), std::string(info.code_version), std::string(check.code_version),
                       info.sections, info.dependencies, check.walked, check.dependencies),
            std::tuple("kept", "P03B04.5", "P03B04.5", 2u, 1u, 1, 1u));
  EXPECT_EQ(std::tuple(dep.type, std::string(dep.version), checked.type, std::string(checked.version)),
            std::tuple(3, "R02B03", 3, "R02B03"));
  EXPECT_EQ(std::tuple(section.offset, section.type, section.length), std::tuple(55u, 2, 18));
  EXPECT_EQ(HeldBytes(h.get()), Bytes(image.begin(), image.begin() + 75));
  // Reading other bytes replaces the header, its check and its text.
  const Bytes old_style = {5, 5, 5, 5, 9};
  ASSERT_EQ(codehdr_header_read(h.get(), old_style.data(), old_style.size()), CODEHDR_STATUS_OK);
  const codehdr_header_info now = Info(h.get());
  EXPECT_EQ(std::tuple(now.form, now.problem, now.tag, now.comment, now.byte_count, std::string(now.code_version)),
            std::tuple(int{CODEHDR_FORM_OLD_STYLE}, int{CODEHDR_STATUS_OLD_STYLE_HEADER}, 5, nullptr, 4u, ""));
  ASSERT_EQ(codehdr_header_get_check(h.get(), &check), CODEHDR_STATUS_OK);
  EXPECT_EQ(std::tuple(check.checked, check.code_version), std::tuple(0, nullptr));
}

// Every name and text is the core's; a number that is none of the enum's has none.
TEST(CApi, NamesAndStatusesAreTheCores) {
  for (int s = 0; s < kStatusCount; ++s) {
    const Status core = static_cast<Status>(s);
    EXPECT_EQ(std::tuple(std::string(codehdr_status_name(s)), std::string(codehdr_status_reason(s)),
                         codehdr_status_classic_code(s), codehdr_status_is_file_error(s)),
              std::tuple(StatusName(core), StatusReason(core), LegacyCode(core), IsFileStatus(core) ? 1 : 0));
  }
  EXPECT_EQ(std::tuple(codehdr_status_name(kStatusCount), codehdr_status_reason(-1), codehdr_status_classic_code(-1),
                       codehdr_status_is_file_error(1 << 20)),
            std::tuple(nullptr, nullptr, 0, 0));
  const struct { const char* (*c)(int); const char* (*core)(int); int count; } enums[] = {
      {codehdr_header_form_name, [](int v) { return HeaderFormName(static_cast<HeaderForm>(v)); }, 4},
      {codehdr_verdict_name, [](int v) { return VerdictName(static_cast<Verdict>(v)); }, 3},
      {codehdr_finding_kind_name, [](int v) { return FindingKindName(static_cast<FindingKind>(v)); }, 8},
      {codehdr_dependency_state_name, [](int v) { return DependencyStateName(static_cast<DependencyState>(v)); }, 4},
  };
  for (const auto& e : enums) {
    for (int v = 0; v < e.count; ++v) EXPECT_STREQ(e.c(v), e.core(v)) << v;
    EXPECT_EQ(std::tuple(e.c(e.count), e.c(-1), e.c(256 + 1)), std::tuple(nullptr, nullptr, nullptr));
  }
  EXPECT_STREQ(codehdr_classic_code_name(1050), "ERR_CRC_MISMATCH");
  EXPECT_EQ(std::tuple(codehdr_classic_code_name(-1), codehdr_classic_code_name(0x10000 + 1050)),
            std::tuple(nullptr, nullptr));
  EXPECT_STREQ(codehdr_library_version(), LibraryVersion());
  EXPECT_STREQ(codehdr_crc32_kernel(), Crc32KernelName());
}

// Verifying through the C interface gives the core's report, whichever way the bytes come, and hands over the header;
// a read failure that the caller passes makes the report a failure.
TEST(CApi, VerifiersAgreeWithTheCore) {
  const Bytes good = Image().Dep(3, "R02B03").File();
  ScratchDir dir;
  for (const Bytes& bytes : {good, With(good, 72, 0x55), Bytes{5, 5, 5, 5}}) {
    const VerifyReport core = VerifyBytes(bytes.data(), bytes.size(), 17);
    const std::string path = dir.Write("img", bytes);
    Owned<codehdr_header> receivers[3] = {Owned<codehdr_header>(codehdr_header_new()),
                                          Owned<codehdr_header>(codehdr_header_new()),
                                          Owned<codehdr_header>(codehdr_header_new())};
    codehdr_verify_report reports[3];
    for (int i = 0; i < 3; ++i) reports[i] = Sized<codehdr_verify_report>(), reports[i].header = receivers[i].get();
    const Owned<codehdr_verifier> v(codehdr_verifier_new(17));
    codehdr_verifier_update(v.get(), bytes.data(), 3);
    codehdr_verifier_update(v.get(), bytes.data() + 3, bytes.size() - 3);
    EXPECT_EQ(codehdr_verifier_size(v.get()), bytes.size());
    const int statuses[3] = {codehdr_verify_bytes(bytes.data(), bytes.size(), 17, &reports[0]),
                             codehdr_verify_file(path.c_str(), 17, &reports[1]),
                             codehdr_verifier_finish(v.get(), CODEHDR_STATUS_OK, 0, &reports[2])};
    EXPECT_EQ(codehdr_verifier_size(v.get()), 0u);
    for (int i = 0; i < 3; ++i) {
      const codehdr_verify_report& r = reports[i];
      EXPECT_EQ(std::tuple(statuses[i], r.status, r.verdict, r.file_size, r.has_computed_crc, r.computed_crc),
                std::tuple(static_cast<int>(core.status), static_cast<int>(core.status), static_cast<int>(core.verdict),
                           core.file_size, core.computed_crc.has_value() ? 1 : 0, core.computed_crc.value_or(0)));
      const std::size_t none = 0;
      EXPECT_EQ(std::tuple(r.fault_offset, r.fault_size),
                core.check ? std::tuple(core.check->fault_offset, core.check->fault_size) : std::tuple(none, none));
      EXPECT_EQ(std::tuple(Info(receivers[i].get()).form, HeldBytes(receivers[i].get())),
                std::tuple(static_cast<int>(core.header.form), core.header_bytes));
      auto check = Sized<codehdr_header_check_result>();
      codehdr_header_get_check(receivers[i].get(), &check);
      EXPECT_EQ(std::tuple(check.checked, check.status), std::tuple(core.check ? 1 : 0, core.check ? r.status : 0));
    }
  }
  const Owned<codehdr_verifier> v(codehdr_verifier_new(0));
  codehdr_verifier_update(v.get(), good.data(), 10);
  auto failed = Sized<codehdr_verify_report>();
  EXPECT_EQ(codehdr_verifier_finish(v.get(), CODEHDR_STATUS_FILE_READ, 5, &failed), CODEHDR_STATUS_FILE_READ);
  EXPECT_EQ(std::tuple(failed.verdict, failed.os_error, failed.file_size),
            std::tuple(int{CODEHDR_VERDICT_FAILED}, 5, std::uint64_t{10}));
  EXPECT_EQ(codehdr_verify_file(dir.File("missing").c_str(), 0, nullptr), CODEHDR_STATUS_FILE_OPEN);
}

void Collect(void* context, const char* line) { static_cast<std::vector<std::string>*>(context)->push_back(line); }

// Building from a device table or from a label gives the same header; each refusal is the core's status, and leaves
// the object as it was.
TEST(CApi, BuildFromDevicesOrLabel) {
  ScratchDir dir;
  const std::string file = dir.Write("virevuz.txt", DeviceFile({{17, "APP"}, {18, "BUNDLE"}}, 3));
  const Owned<codehdr_devices> devices(codehdr_devices_new());
  std::vector<std::string> lines;
  ASSERT_EQ(codehdr_devices_load(devices.get(), file.c_str(), Collect, &lines), CODEHDR_STATUS_OK);
  EXPECT_EQ(lines, std::vector<std::string>{"Device Control Version 3"});
  auto device = Sized<codehdr_device>();
  ASSERT_EQ(codehdr_devices_get(devices.get(), 1, &device), CODEHDR_STATUS_OK);
  EXPECT_EQ(std::tuple(device.model_id, std::string(device.model_name), std::string(device.code_mode), device.tag_id),
            std::tuple(0x417u, "DEV", "BUNDLE", 18));  // "417", read as hex
  EXPECT_EQ(codehdr_devices_load(devices.get(), dir.File("none").c_str(), nullptr, nullptr),
            CODEHDR_STATUS_DEVCTL_OPEN);
  EXPECT_EQ(codehdr_devices_count(devices.get()), 2u);  // a failed load keeps the table

  std::uint16_t boot = 99;
  ASSERT_EQ(codehdr_dependency_type("BOOT", "R01A00", &boot), CODEHDR_STATUS_OK);
  EXPECT_EQ(codehdr_dependency_type("NOPE", "R01A00", &boot), CODEHDR_STATUS_UNKNOWN_LABEL);
  const codehdr_dependency deps[] = {{boot, "R01A00"}, {26, "R04C05.1"}};
  auto spec = Sized<codehdr_header_spec>();
  spec.tag = 17, spec.virevuz_version = "R01A02", spec.code_version = "P03B04.5", spec.comment = "nightly";
  spec.dependencies = deps, spec.dependency_count = 2;
  const Owned<codehdr_header> fromDevices(codehdr_header_new()), fromLabel(codehdr_header_new());
  ASSERT_EQ(codehdr_header_build(fromDevices.get(), &spec, devices.get()), CODEHDR_STATUS_OK);
  spec.code_mode_label = "APP";
  ASSERT_EQ(codehdr_header_build(fromLabel.get(), &spec, nullptr), CODEHDR_STATUS_OK);
  const Bytes expected = Image().Comment("nightly").Dep(0, "R01A00").Dep(26, "R04C05.1").Header();
  EXPECT_EQ(HeldBytes(fromDevices.get()), expected);
  EXPECT_EQ(HeldBytes(fromLabel.get()), expected);

  const codehdr_dependency malformed[] = {{3, "garbage!"}};
  const auto with = [&](auto change) {
    codehdr_header_spec s = spec;
    change(s);
    return s;
  };
  const struct { const char* what; codehdr_header_spec spec; int status; } refused[] = {
      {"a label over 255", with([](auto& s) { s.code_mode_label = "BUNDLE"; }), CODEHDR_STATUS_CODE_MODE_TOO_LARGE},
      {"a malformed numeric dependency", with([&](auto& s) { s.dependencies = malformed, s.dependency_count = 1; }),
       CODEHDR_STATUS_DEPENDENCY_VERSION},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(codehdr_header_build(fromLabel.get(), &r.spec, nullptr), r.status) << r.what;
    EXPECT_EQ(HeldBytes(fromLabel.get()), expected) << r.what;
  }
}

TEST(CApi, WriteAndExtractReportThroughTheirStructs) {
  ScratchDir dir;
  const Image img;
  const Bytes header = img.Header();
  auto written = Sized<codehdr_write_report>();
  const std::string out = dir.File("a.img");
  ASSERT_EQ(codehdr_write_image(out.c_str(), header.data(), header.size(), img.payload.data(), img.payload.size(),
                                &written),
            CODEHDR_STATUS_OK);
  EXPECT_EQ(ReadFile(out), img.File());
  EXPECT_EQ(std::tuple(written.size, written.crc),
            std::tuple(std::uint64_t{img.File().size()}, ReadHeader(img.File().data(), 48).stored_crc));
  const std::string payload = dir.Write("payload", img.payload);
  ASSERT_EQ(codehdr_write_image_from_file(dir.File("b.img").c_str(), header.data(), header.size(), payload.c_str(),
                                          nullptr),
            CODEHDR_STATUS_OK);
  EXPECT_EQ(ReadFile(dir.File("b.img")), img.File());
  EXPECT_EQ(codehdr_write_image(out.c_str(), header.data(), 27, nullptr, 0, &written), CODEHDR_STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(written.status, CODEHDR_STATUS_BUFFER_TOO_SMALL);

  const Owned<codehdr_header> taken(codehdr_header_new());
  auto extracted = Sized<codehdr_extract_report>();
  extracted.header = taken.get();
  ASSERT_EQ(codehdr_extract_payload(out.c_str(), dir.File("p").c_str(), 0, &extracted), CODEHDR_STATUS_OK);
  EXPECT_EQ(ReadFile(dir.File("p")), img.payload);
  EXPECT_EQ(std::tuple(extracted.size, Info(taken.get()).tag, Info(taken.get()).byte_count),
            std::tuple(std::uint64_t{img.payload.size()}, 17, 0u));
  EXPECT_EQ(codehdr_extract_payload(payload.c_str(), dir.File("q").c_str(), 1, &extracted), CODEHDR_STATUS_OK);
  EXPECT_EQ(std::tuple(ReadFile(dir.File("q")), Info(taken.get()).form), std::tuple(img.payload, CODEHDR_FORM_NONE));
}

TEST(CApi, VersionsAndCodeModes) {
  char text[CODEHDR_VERSION_TEXT_SIZE];
  EXPECT_EQ(codehdr_version_make(1, 2, 'b', 3, 1, text, sizeof text), 1);
  EXPECT_STREQ(text, "P01B02.3");
  std::strcpy(text, "unchanged");
  EXPECT_EQ(codehdr_version_make(1, 2, 'b', 3, 0, text, 8), 0);  // no room for the NUL
  EXPECT_STREQ(text, "unchanged");
  auto v = Sized<codehdr_version>();
  EXPECT_EQ(codehdr_version_parse("R01A02", &v), 1);
  EXPECT_EQ(std::tuple(v.major, v.minor, v.letter, v.build), std::tuple(1, 2, 'A', -1));
  EXPECT_EQ(std::tuple(codehdr_version_check("R01A02 x", 16), codehdr_version_check("R01I02", 16)), std::tuple(1, 0));

  ASSERT_EQ(codehdr_code_mode_count(), CodeModes().size());
  for (std::size_t i = 0; i < CodeModes().size(); ++i) {
    std::uint16_t value = 0;
    const char* label = nullptr;
    ASSERT_EQ(codehdr_code_mode_at(i, &value, &label), CODEHDR_STATUS_OK);
    EXPECT_EQ(std::tuple(value, label), std::tuple(CodeModes()[i].value, CodeModes()[i].label));
  }
  std::uint16_t value = 0;
  EXPECT_EQ(codehdr_code_mode_value("FPGA", &value), CODEHDR_STATUS_OK);
  EXPECT_EQ(value, 3);
  EXPECT_EQ(codehdr_code_mode_value("fpga", &value), CODEHDR_STATUS_UNKNOWN_LABEL);
}

// A release through the C interface: images added from a file, from bytes and from a chunk-fed verifier give the core's
// findings and dependencies, field for field.
TEST(CApi, ReleaseAgreesWithTheCore) {
  ScratchDir dir;
  const std::string devfile = dir.Write("virevuz.txt", DeviceFile({{17, "APP"}, {18, "BOOT"}}));
  Image app, boot, stale;
  app.Dep(0, "R01A01.4").Dep(3, "R02B00");  // the boot image is there, no FPGA image
  boot.tag = 18, boot.codeMode = 0, boot.codeVer = "R01A01.4", boot.vireVuz = "R09A00";
  stale.seal = false;
  const std::string appPath = dir.Write("app.img", app.File());
  const Bytes bootFile = boot.File(), staleFile = stale.File();

  const Owned<codehdr_release> r(codehdr_release_new());
  const Owned<codehdr_verifier> v(codehdr_verifier_new(0));
  ASSERT_EQ(codehdr_release_add_file(r.get(), nullptr, appPath.c_str()), CODEHDR_STATUS_OK);
  ASSERT_EQ(codehdr_release_add_bytes(r.get(), "boot.img", bootFile.data(), bootFile.size()), CODEHDR_STATUS_OK);
  codehdr_verifier_update(v.get(), staleFile.data(), staleFile.size());
  EXPECT_EQ(codehdr_release_add_verifier(r.get(), "x", v.get(), kStatusCount, 0), CODEHDR_STATUS_INVALID_ARGUMENT);
  ASSERT_EQ(codehdr_release_add_verifier(r.get(), "stale.img", v.get(), CODEHDR_STATUS_OK, 0), CODEHDR_STATUS_OK);
  EXPECT_EQ(codehdr_verifier_size(v.get()), 0u);

  DeviceTable table;
  ASSERT_EQ(LoadDeviceTable(devfile, table), Status::kOk);
  ReleaseOptions opts;
  opts.virevuz_version = "R01A02";
  opts.allow_missing = {"DSP"};
  const ReleaseReport want = CheckRelease(
      {{appPath, VerifyFile(appPath)}, {"boot.img", VerifyBytes(bootFile.data(), bootFile.size())},
       {"stale.img", VerifyBytes(staleFile.data(), staleFile.size())}},
      table, opts);
  const Owned<codehdr_devices> devices(codehdr_devices_new());
  ASSERT_EQ(codehdr_devices_load(devices.get(), devfile.c_str(), nullptr, nullptr), CODEHDR_STATUS_OK);
  const char* allow[] = {"DSP"};
  auto options = Sized<codehdr_release_options>();
  options.virevuz_version = "R01A02", options.allow_missing = allow, options.allow_missing_count = 1;
  ASSERT_EQ(codehdr_release_check(r.get(), devices.get(), &options), CODEHDR_STATUS_OK);

  // At least a failed image, a VireVuz version and an unmet dependency, all as the core found them.
  ASSERT_GE(want.findings.size(), 3u);
  ASSERT_EQ(codehdr_release_finding_count(r.get()), want.findings.size());
  for (std::size_t i = 0; i < want.findings.size(); ++i) {
    const Finding& f = want.findings[i];
    auto got = Sized<codehdr_finding>();
    ASSERT_EQ(codehdr_release_get_finding(r.get(), i, &got), CODEHDR_STATUS_OK);
    EXPECT_EQ(std::tuple(got.kind, got.image, got.dependency, std::string(got.reason),
                         std::vector<std::size_t>(got.others, got.others + got.other_count)),
              std::tuple(static_cast<int>(f.kind), f.image, f.dependency, f.reason, f.others));
  }
  ASSERT_EQ(codehdr_release_dependency_count(r.get()), want.dependencies.size());
  for (std::size_t i = 0; i < want.dependencies.size(); ++i) {
    const DependencyLink& d = want.dependencies[i];
    auto got = Sized<codehdr_dependency_link>();
    ASSERT_EQ(codehdr_release_get_dependency(r.get(), i, &got), CODEHDR_STATUS_OK);
    EXPECT_EQ(std::tuple(got.image, got.dependency, got.state, got.provider_count,
                         std::vector<std::size_t>(got.providers, got.providers + got.provider_named)),
              std::tuple(d.image, d.dependency, static_cast<int>(d.state), d.provider_count, d.providers));
  }
  // The images as added: names, and each verification with its header.
  EXPECT_EQ(std::tuple(codehdr_release_image_count(r.get()), std::string(codehdr_release_image_name(r.get(), 0)),
                       codehdr_release_image_name(r.get(), 3)),
            std::tuple(std::size_t{3}, appPath, static_cast<const char*>(nullptr)));
  const Owned<codehdr_header> h(codehdr_header_new());
  auto report = Sized<codehdr_verify_report>();
  report.header = h.get();
  EXPECT_EQ(codehdr_release_get_image(r.get(), 3, &report), CODEHDR_STATUS_INVALID_ARGUMENT);
  ASSERT_EQ(codehdr_release_get_image(r.get(), 1, &report), CODEHDR_STATUS_OK);
  EXPECT_EQ(std::tuple(report.verdict, std::string(Info(h.get()).code_version)),
            std::tuple(static_cast<int>(CODEHDR_VERDICT_VERIFIED), std::string("R01A01.4")));
  // A label array that is missing, or an unknown label, checks nothing; the last check's findings go with it.
  options.allow_missing = nullptr;
  EXPECT_EQ(codehdr_release_check(r.get(), devices.get(), &options), CODEHDR_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(codehdr_release_finding_count(r.get()), want.findings.size());
  allow[0] = "NOSUCH", options.allow_missing = allow;
  EXPECT_EQ(codehdr_release_check(r.get(), devices.get(), &options), CODEHDR_STATUS_UNKNOWN_LABEL);
  EXPECT_EQ(codehdr_release_finding_count(r.get()) + codehdr_release_dependency_count(r.get()), 0u);
}

}  // namespace
}  // namespace codehdr::test
