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
#include <codehdr/header_fields.h>
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
      {codehdr_header_field_name, [](int v) { return FieldKindName(static_cast<FieldKind>(v)); }, 18},
      {codehdr_header_field_label, [](int v) { return FieldKindLabel(static_cast<FieldKind>(v)); }, 18},
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

// Python and the browser page call every function here; what is tested here is what the C interface itself does.
// A report and the header it hands over, with the field map and the faulty bytes, are the core's, field for field.
TEST(CApi, VerifyReportAndFieldMapAreTheCores) {
  const Bytes broken = With(Image().Dep(3, "R02B03").File(), 72, 0x55);
  const VerifyReport core = VerifyBytes(broken.data(), broken.size(), 17);
  const Owned<codehdr_header> h(codehdr_header_new());
  auto r = Sized<codehdr_verify_report>();
  r.header = h.get();
  EXPECT_EQ(codehdr_verify_bytes(broken.data(), broken.size(), 17, &r), static_cast<int>(core.status));
  EXPECT_EQ(std::tuple(r.status, r.verdict, r.file_size, r.computed_crc, r.fault_offset, r.fault_size),
            std::tuple(static_cast<int>(core.status), static_cast<int>(core.verdict), core.file_size,
                       *core.computed_crc, core.check->fault_offset, core.check->fault_size));
  EXPECT_EQ(HeldBytes(h.get()), core.header_bytes);
  std::vector<codehdr_header_field> got(codehdr_header_fields(h.get(), nullptr, 0));
  codehdr_header_fields(h.get(), got.data(), got.size());
  std::vector<std::tuple<std::size_t, std::size_t, int, int, int>> want, have;
  for (const HeaderField& f : HeaderFields(core.header, core.header_bytes.size()))
    want.emplace_back(f.offset, f.size, static_cast<int>(f.kind), f.section, f.cut_off ? 1 : 0);
  for (const codehdr_header_field& f : got) have.emplace_back(f.offset, f.size, f.kind, f.section, f.cut_off);
  EXPECT_EQ(have, want);
  const std::optional<ByteSpan> fault = FaultyBytes(core.header, core.header_bytes.size(), core.check);
  std::size_t at = 0, n = 0;
  EXPECT_EQ(std::tuple(codehdr_header_faulty_bytes(h.get(), &at, &n), at, n), std::tuple(1, fault->offset, fault->size));
}

// Text written as snprintf writes it: cut and terminated, the whole length returned; a version that does not fit
// leaves the buffer alone.
TEST(CApi, TextIntoTheCallersBuffer) {
  char cut[8];
  const std::size_t modeLength = codehdr_code_mode_text(0, cut, sizeof cut);
  EXPECT_EQ(std::tuple(modeLength, std::string(cut)), std::tuple(CodeModeText(0).size(), CodeModeText(0).substr(0, 7)));
  const std::size_t textLength = codehdr_printable("a\\\x01", cut, sizeof cut);
  EXPECT_EQ(std::tuple(textLength, std::string(cut)), std::tuple(std::size_t{7}, PrintableText("a\\\x01")));
  EXPECT_EQ(std::tuple(std::string(codehdr_code_mode_label(0, 1)), codehdr_code_mode_label(0, 2)),
            std::tuple(CodeModeLabels(0)[1], nullptr));
  char text[CODEHDR_VERSION_TEXT_SIZE] = "unchanged";
  EXPECT_EQ(codehdr_version_make(1, 2, 'b', 3, 0, text, 8), 0);  // no room for the NUL
  EXPECT_STREQ(text, "unchanged");
}

// Images added from bytes and from a chunk-fed verifier (which it empties) give the core's findings.
TEST(CApi, ReleaseFromBytesAndVerifiers) {
  Image app, stale;
  app.Dep(3, "R02B00");
  stale.seal = false;
  const Bytes appFile = app.File(), staleFile = stale.File();
  const Owned<codehdr_release> r(codehdr_release_new());
  const Owned<codehdr_verifier> v(codehdr_verifier_new(0));
  ASSERT_EQ(codehdr_release_add_bytes(r.get(), "app.img", appFile.data(), appFile.size()), CODEHDR_STATUS_OK);
  codehdr_verifier_update(v.get(), staleFile.data(), staleFile.size());
  EXPECT_EQ(codehdr_release_add_verifier(r.get(), "x", v.get(), kStatusCount, 0), CODEHDR_STATUS_INVALID_ARGUMENT);
  ASSERT_EQ(codehdr_release_add_verifier(r.get(), "stale.img", v.get(), CODEHDR_STATUS_OK, 0), CODEHDR_STATUS_OK);
  EXPECT_EQ(codehdr_verifier_size(v.get()), 0u);
  const Owned<codehdr_devices> none(codehdr_devices_new());
  ASSERT_EQ(codehdr_release_check(r.get(), none.get(), nullptr), CODEHDR_STATUS_OK);
  const ReleaseReport want = CheckRelease({{"app.img", VerifyBytes(appFile.data(), appFile.size())},
                                           {"stale.img", VerifyBytes(staleFile.data(), staleFile.size())}},
                                          DeviceTable(), ReleaseOptions());
  ASSERT_GE(want.findings.size(), 2u);  // the stale image, and the dependency nothing provides
  ASSERT_EQ(codehdr_release_finding_count(r.get()), want.findings.size());
  for (std::size_t i = 0; i < want.findings.size(); ++i) {
    auto got = Sized<codehdr_finding>();
    ASSERT_EQ(codehdr_release_get_finding(r.get(), i, &got), CODEHDR_STATUS_OK);
    EXPECT_EQ(std::tuple(got.kind, got.image, std::string(got.reason)),
              std::tuple(static_cast<int>(want.findings[i].kind), want.findings[i].image, want.findings[i].reason));
  }
  auto report = Sized<codehdr_verify_report>();
  EXPECT_EQ(codehdr_release_get_image(r.get(), 2, &report), CODEHDR_STATUS_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace codehdr::test
