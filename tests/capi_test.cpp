// The C interface at its boundary: null pointers and struct sizes give statuses, strings outlive the caller's bytes,
// objects that a call refuses stay as they were, and the answers are the core's.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include <codehdr/c.h>
#include <codehdr/core.h>
#include <codehdr/image.h>
#include <codehdr/release.h>

#include "support.h"

namespace codehdr::test {
namespace {

struct HeaderDeleter {
  void operator()(codehdr_header* h) const { codehdr_header_free(h); }
};
using HeaderPtr = std::unique_ptr<codehdr_header, HeaderDeleter>;

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

TEST(CApi, NullWhereSomethingIsRequiredIsAnInvalidArgument) {
  const Bytes image = Image().Comment("c").Dep(3, "R02B03").File();
  const HeaderPtr h(codehdr_header_new());
  ASSERT_EQ(codehdr_header_read(h.get(), image.data(), image.size()), CODEHDR_STATUS_OK);
  codehdr_devices* devices = codehdr_devices_new();
  codehdr_verifier* verifier = codehdr_verifier_new(0);
  auto info = Sized<codehdr_header_info>();
  auto check = Sized<codehdr_header_check_result>();
  auto device = Sized<codehdr_device>();
  const codehdr_dependency missing_version[] = {{3, nullptr}};
  auto spec = Sized<codehdr_header_spec>();
  spec.virevuz_version = "R01A02";
  spec.code_version = "P03B04";
  spec.code_mode_label = "APP";
  const auto with = [&](const std::function<void(codehdr_header_spec&)>& change) {
    codehdr_header_spec s = spec;
    change(s);
    return codehdr_header_build(h.get(), &s, nullptr);
  };
  codehdr_dependency dep;
  codehdr_section section;
  std::uint16_t value;
  const char* label;
  const struct {
    const char* call;
    int status;
  } rows[] = {
      {"devices_load devices", codehdr_devices_load(nullptr, "x", nullptr, nullptr)},
      {"devices_load path", codehdr_devices_load(devices, nullptr, nullptr, nullptr)},
      {"devices_get devices", codehdr_devices_get(nullptr, 0, &device)},
      {"devices_get out", codehdr_devices_get(devices, 0, nullptr)},
      {"devices_get past the end", codehdr_devices_get(devices, 0, &device)},
      {"header_read header", codehdr_header_read(nullptr, image.data(), image.size())},
      {"header_read data", codehdr_header_read(h.get(), nullptr, 1)},
      {"header_get_info header", codehdr_header_get_info(nullptr, &info)},
      {"header_get_info out", codehdr_header_get_info(h.get(), nullptr)},
      {"header_get_section out", codehdr_header_get_section(h.get(), 0, nullptr)},
      {"header_get_section past the end", codehdr_header_get_section(h.get(), 2, &section)},
      {"header_get_dependency header", codehdr_header_get_dependency(nullptr, 0, &dep)},
      {"header_get_dependency past the end", codehdr_header_get_dependency(h.get(), 1, &dep)},
      {"header_check header", codehdr_header_check(nullptr, image.data(), 57, 0, 0, &check)},
      {"header_check data", codehdr_header_check(h.get(), nullptr, 57, 0, 0, &check)},
      {"header_get_check out", codehdr_header_get_check(h.get(), nullptr)},
      {"header_get_check_dependency without a check", codehdr_header_get_check_dependency(h.get(), 0, &dep)},
      {"header_build header", codehdr_header_build(nullptr, &spec, nullptr)},
      {"header_build spec", codehdr_header_build(h.get(), nullptr, nullptr)},
      {"header_build no label, no devices", with([](codehdr_header_spec& s) { s.code_mode_label = nullptr; })},
      {"header_build virevuz", with([](codehdr_header_spec& s) { s.virevuz_version = nullptr; })},
      {"header_build code version", with([](codehdr_header_spec& s) { s.code_version = nullptr; })},
      {"header_build dependencies", with([](codehdr_header_spec& s) { s.dependency_count = 1; })},
      {"header_build dependency version", with([&](codehdr_header_spec& s) {
         s.dependencies = missing_version;
         s.dependency_count = 1;
       })},
      {"code_mode_at value", codehdr_code_mode_at(0, nullptr, &label)},
      {"code_mode_at past the end", codehdr_code_mode_at(codehdr_code_mode_count(), &value, &label)},
      {"code_mode_value label", codehdr_code_mode_value(nullptr, &value)},
      {"dependency_type version", codehdr_dependency_type("APP", nullptr, &value)},
      {"dependency_type type", codehdr_dependency_type("APP", "R01A00", nullptr)},
      {"verify_file path", codehdr_verify_file(nullptr, 0, nullptr)},
      {"verify_bytes data", codehdr_verify_bytes(nullptr, 1, 0, nullptr)},
      {"verifier_update verifier", codehdr_verifier_update(nullptr, "x", 1)},
      {"verifier_update data", codehdr_verifier_update(verifier, nullptr, 1)},
      {"verifier_finish verifier", codehdr_verifier_finish(nullptr, 0, 0, nullptr)},
      {"verifier_finish no status", codehdr_verifier_finish(verifier, kStatusCount, 0, nullptr)},
      {"verifier_finish negative status", codehdr_verifier_finish(verifier, -1, 0, nullptr)},
      {"write_image output", codehdr_write_image(nullptr, image.data(), 48, "x", 1, nullptr)},
      {"write_image header", codehdr_write_image("x", nullptr, 48, "x", 1, nullptr)},
      {"write_image payload", codehdr_write_image("x", image.data(), 48, nullptr, 1, nullptr)},
      {"write_image_from_file payload", codehdr_write_image_from_file("x", image.data(), 48, nullptr, nullptr)},
      {"extract_payload image", codehdr_extract_payload(nullptr, "x", 0, nullptr)},
      {"extract_payload output", codehdr_extract_payload("x", nullptr, 0, nullptr)},
  };
  for (const auto& r : rows) EXPECT_EQ(r.status, CODEHDR_STATUS_INVALID_ARGUMENT) << r.call;
  // The refused calls changed nothing.
  EXPECT_EQ(Info(h.get()).total_size, 72);
  EXPECT_EQ(codehdr_devices_count(devices), 0u);
  EXPECT_EQ(codehdr_verifier_size(verifier), 0u);
  // Empty ranges may be null; handles that are null count nothing; free takes null.
  EXPECT_EQ(codehdr_verify_bytes(nullptr, 0, 0, nullptr), CODEHDR_STATUS_NO_HEADER);
  EXPECT_EQ(codehdr_verifier_update(verifier, nullptr, 0), CODEHDR_STATUS_OK);
  EXPECT_EQ(codehdr_crc32(5, nullptr, 10), 5u);
  EXPECT_EQ(codehdr_crc16(5, nullptr, 10), 5u);
  EXPECT_EQ(codehdr_devices_count(nullptr) + codehdr_verifier_size(nullptr), 0u);
  EXPECT_EQ(codehdr_version_check(nullptr, 6), 0);
  auto version = Sized<codehdr_version>();
  EXPECT_EQ(codehdr_version_parse(nullptr, &version) + codehdr_version_parse("R01A02", nullptr), 0);
  EXPECT_EQ(codehdr_version_make(1, 2, 'A', 3, 0, nullptr, 17), 0);
  codehdr_header_free(nullptr);
  codehdr_devices_free(nullptr);
  codehdr_verifier_free(nullptr);
  codehdr_verifier_free(verifier);
  codehdr_devices_free(devices);
}

// A struct smaller than its first version is refused untouched; a larger one (a caller built against a later
// library) is filled up to what this library knows, and no further.
TEST(CApi, StructSizes) {
  const Bytes image = Image().File();
  const HeaderPtr h(codehdr_header_new());
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
  auto info = Sized<codehdr_header_info>();
  info.struct_size = offsetof(codehdr_header_info, byte_count);
  EXPECT_EQ(codehdr_header_get_info(h.get(), &info), CODEHDR_STATUS_INVALID_ARGUMENT);
  auto version = Sized<codehdr_version>();
  version.struct_size = 0;
  EXPECT_EQ(codehdr_version_parse("R01A02", &version), 0);
  auto spec = Sized<codehdr_header_spec>();
  spec.struct_size = sizeof spec - 1;
  EXPECT_EQ(codehdr_header_build(h.get(), &spec, nullptr), CODEHDR_STATUS_INVALID_ARGUMENT);
}

// Text handed out lies in the object: it outlives the caller's bytes and stays until the object is filled again.
TEST(CApi, StringsLiveInTheirObject) {
  const HeaderPtr h(codehdr_header_new());
  {
    const Bytes image = Image().Comment("kept").Dep(3, "R02B03").File();
    ASSERT_EQ(codehdr_header_check(h.get(), image.data(), 75, 0, 0, nullptr), CODEHDR_STATUS_OK);
  }  // the caller's bytes are gone
  const codehdr_header_info info = Info(h.get());
  codehdr_dependency dep{}, checked{};
  ASSERT_EQ(codehdr_header_get_dependency(h.get(), 0, &dep), CODEHDR_STATUS_OK);
  ASSERT_EQ(codehdr_header_get_check_dependency(h.get(), 0, &checked), CODEHDR_STATUS_OK);
  auto check = Sized<codehdr_header_check_result>();
  ASSERT_EQ(codehdr_header_get_check(h.get(), &check), CODEHDR_STATUS_OK);
  EXPECT_STREQ(info.comment, "kept");
  EXPECT_STREQ(info.code_version, "P03B04.5");
  EXPECT_STREQ(check.code_version, "P03B04.5");
  EXPECT_EQ(std::tuple(dep.type, std::string(dep.version), checked.type, std::string(checked.version)),
            std::tuple(3, "R02B03", 3, "R02B03"));
  const Bytes image = Image().Comment("kept").Dep(3, "R02B03").File();
  EXPECT_EQ(Bytes(info.bytes, info.bytes + info.byte_count), Bytes(image.begin(), image.begin() + 75));
  // Reading other bytes replaces the header, its check and its text.
  const Bytes old_style = {5, 5, 5, 5, 9};
  ASSERT_EQ(codehdr_header_read(h.get(), old_style.data(), old_style.size()), CODEHDR_STATUS_OK);
  const codehdr_header_info now = Info(h.get());
  EXPECT_EQ(std::tuple(now.form, now.problem, now.tag, now.comment, now.byte_count, std::string(now.code_version)),
            std::tuple(int{CODEHDR_FORM_OLD_STYLE}, int{CODEHDR_STATUS_OLD_STYLE_HEADER}, 5, nullptr, 4u, ""));
  ASSERT_EQ(codehdr_header_get_check(h.get(), &check), CODEHDR_STATUS_OK);
  EXPECT_EQ(std::tuple(check.checked, check.code_version), std::tuple(0, nullptr));
}

TEST(CApi, StatusesAreTheCoresWithTheirTexts) {
  for (int s = 0; s < kStatusCount; ++s) {
    const Status core = static_cast<Status>(s);
    EXPECT_STREQ(codehdr_status_name(s), StatusName(core));
    EXPECT_STREQ(codehdr_status_reason(s), StatusReason(core));
    EXPECT_EQ(codehdr_status_classic_code(s), LegacyCode(core));
  }
  for (int s : {-1, kStatusCount, 1 << 20}) {
    EXPECT_EQ(std::tuple(codehdr_status_name(s), codehdr_status_reason(s), codehdr_status_classic_code(s)),
              std::tuple(nullptr, nullptr, 0));
  }
  EXPECT_STREQ(codehdr_status_name(CODEHDR_STATUS_OUT_OF_MEMORY), "out_of_memory");
  EXPECT_STREQ(codehdr_status_name(CODEHDR_STATUS_INVALID_ARGUMENT), "invalid_argument");
  EXPECT_STREQ(codehdr_classic_code_name(1050), "ERR_CRC_MISMATCH");
  EXPECT_EQ(std::tuple(codehdr_classic_code_name(-1), codehdr_classic_code_name(0x10000 + 1050)),
            std::tuple(nullptr, nullptr));
  EXPECT_STREQ(codehdr_library_version(), LibraryVersion());
}

// Verifying through the C interface gives the core's report, whichever way the bytes come; a refused finish leaves
// the verifier's bytes in place; a read failure that the caller passes makes the report a failure.
TEST(CApi, VerifiersAgreeWithTheCoreAndHandOverTheHeader) {
  const Bytes good = Image().Dep(3, "R02B03").File();
  ScratchDir dir;
  for (const Bytes& bytes : {good, With(good, 60, 'x'), With(good, 72, 0x55), Bytes{5, 5, 5, 5}, Bytes{0xC9, 0}}) {
    const VerifyReport core = VerifyBytes(bytes.data(), bytes.size(), 17);
    const std::string path = dir.Write("img", bytes);
    const HeaderPtr receivers[3] = {HeaderPtr(codehdr_header_new()), HeaderPtr(codehdr_header_new()),
                                    HeaderPtr(codehdr_header_new())};
    codehdr_verify_report reports[3] = {Sized<codehdr_verify_report>(), Sized<codehdr_verify_report>(),
                                        Sized<codehdr_verify_report>()};
    for (int i = 0; i < 3; ++i) reports[i].header = receivers[i].get();
    const int statuses[3] = {
        codehdr_verify_bytes(bytes.data(), bytes.size(), 17, &reports[0]),
        codehdr_verify_file(path.c_str(), 17, &reports[1]),
        [&] {
          codehdr_verifier* v = codehdr_verifier_new(17);
          for (std::size_t at = 0; at < bytes.size(); at += 7) {
            codehdr_verifier_update(v, bytes.data() + at, std::min<std::size_t>(7, bytes.size() - at));
          }
          EXPECT_EQ(codehdr_verifier_finish(v, kStatusCount, 0, &reports[2]), CODEHDR_STATUS_INVALID_ARGUMENT);
          EXPECT_EQ(codehdr_verifier_size(v), bytes.size());
          const int status = codehdr_verifier_finish(v, CODEHDR_STATUS_OK, 0, &reports[2]);
          EXPECT_EQ(codehdr_verifier_size(v), 0u);
          codehdr_verifier_free(v);
          return status;
        }()};
    for (int i = 0; i < 3; ++i) {
      const codehdr_verify_report& r = reports[i];
      EXPECT_EQ(std::tuple(statuses[i], r.status, r.verdict, r.file_size, r.has_computed_crc, r.computed_crc),
                std::tuple(static_cast<int>(core.status), static_cast<int>(core.status), static_cast<int>(core.verdict),
                           core.file_size, core.computed_crc.has_value() ? 1 : 0, core.computed_crc.value_or(0)));
      const std::size_t none = 0;
      EXPECT_EQ(std::tuple(r.fault_offset, r.fault_size),
                core.check ? std::tuple(core.check->fault_offset, core.check->fault_size) : std::tuple(none, none));
      const codehdr_header_info info = Info(receivers[i].get());
      EXPECT_EQ(std::tuple(info.form, info.tag, Bytes(info.bytes, info.bytes + info.byte_count)),
                std::tuple(static_cast<int>(core.header.form), core.header.tag, core.header_bytes));
      auto check = Sized<codehdr_header_check_result>();
      codehdr_header_get_check(receivers[i].get(), &check);
      const std::size_t walked = core.check && core.check->dependencies ? core.check->dependencies->size() : 0;
      EXPECT_EQ(std::tuple(check.checked, check.dependencies), std::tuple(core.check.has_value() ? 1 : 0, walked));
    }
  }
  codehdr_verifier* v = codehdr_verifier_new(0);
  codehdr_verifier_update(v, good.data(), 10);
  auto failed = Sized<codehdr_verify_report>();
  EXPECT_EQ(codehdr_verifier_finish(v, CODEHDR_STATUS_FILE_READ, 5, &failed), CODEHDR_STATUS_FILE_READ);
  EXPECT_EQ(std::tuple(failed.verdict, failed.os_error, failed.file_size),
            std::tuple(int{CODEHDR_VERDICT_FAILED}, 5, std::uint64_t{10}));
  codehdr_verifier_free(v);
  EXPECT_EQ(codehdr_verify_file(dir.File("missing").c_str(), 0, nullptr), CODEHDR_STATUS_FILE_OPEN);
}

void Collect(void* context, const char* line) { static_cast<std::vector<std::string>*>(context)->push_back(line); }

// Building from a device table or from a label gives the same header; a refused build leaves the object as it was.
TEST(CApi, BuildFromDevicesOrLabel) {
  ScratchDir dir;
  const std::string file = dir.Write("virevuz.txt", DeviceFile({{17, "APP"}, {18, "BUNDLE"}}, 3));
  codehdr_devices* devices = codehdr_devices_new();
  std::vector<std::string> lines;
  ASSERT_EQ(codehdr_devices_load(devices, file.c_str(), Collect, &lines), CODEHDR_STATUS_OK);
  EXPECT_EQ(lines, std::vector<std::string>{"Device Control Version 3"});
  auto device = Sized<codehdr_device>();
  ASSERT_EQ(codehdr_devices_get(devices, 1, &device), CODEHDR_STATUS_OK);
  EXPECT_EQ(std::tuple(device.model_id, std::string(device.model_name), std::string(device.code_mode), device.tag_id),
            std::tuple(0x417u, "DEV", "BUNDLE", 18));  // "417", read as hex
  EXPECT_EQ(codehdr_devices_load(devices, dir.File("none").c_str(), nullptr, nullptr), CODEHDR_STATUS_DEVCTL_OPEN);
  EXPECT_EQ(codehdr_devices_count(devices), 2u);  // a failed load keeps the table

  std::uint16_t boot = 99;
  ASSERT_EQ(codehdr_dependency_type("BOOT", "R01A00", &boot), CODEHDR_STATUS_OK);
  EXPECT_EQ(codehdr_dependency_type("NOPE", "R01A00", &boot), CODEHDR_STATUS_UNKNOWN_LABEL);
  const codehdr_dependency deps[] = {{boot, "R01A00"}, {26, "R04C05.1"}};
  auto spec = Sized<codehdr_header_spec>();
  spec.tag = 17;
  spec.virevuz_version = "R01A02";
  spec.code_version = "P03B04.5";
  spec.comment = "nightly";
  spec.dependencies = deps;
  spec.dependency_count = 2;
  const HeaderPtr fromDevices(codehdr_header_new()), fromLabel(codehdr_header_new());
  ASSERT_EQ(codehdr_header_build(fromDevices.get(), &spec, devices), CODEHDR_STATUS_OK);
  spec.code_mode_label = "APP";
  ASSERT_EQ(codehdr_header_build(fromLabel.get(), &spec, nullptr), CODEHDR_STATUS_OK);
  const codehdr_header_info a = Info(fromDevices.get()), b = Info(fromLabel.get());
  const Bytes expected = Image().Comment("nightly").Dep(0, "R01A00").Dep(26, "R04C05.1").Header();
  EXPECT_EQ(Bytes(a.bytes, a.bytes + a.byte_count), expected);
  EXPECT_EQ(Bytes(b.bytes, b.bytes + b.byte_count), expected);
  EXPECT_EQ(std::tuple(a.form, a.dependencies, a.sections), std::tuple(int{CODEHDR_FORM_NEW_STYLE}, 2u, 3u));

  spec.code_mode_label = "BUNDLE";
  EXPECT_EQ(codehdr_header_build(fromLabel.get(), &spec, nullptr), CODEHDR_STATUS_CODE_MODE_TOO_LARGE);
  spec.code_mode_label = nullptr;
  spec.tag = 99;
  EXPECT_EQ(codehdr_header_build(fromLabel.get(), &spec, devices), CODEHDR_STATUS_NO_CODE_MODE);
  const codehdr_header_info kept = Info(fromLabel.get());
  EXPECT_EQ(std::tuple(kept.bytes, kept.byte_count), std::tuple(b.bytes, b.byte_count));
  codehdr_devices_free(devices);
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
  // 28 bytes hold the CRC field: the shortest header an image can be written with.
  EXPECT_EQ(codehdr_write_image(dir.File("c.img").c_str(), header.data(), 28, nullptr, 0, nullptr), CODEHDR_STATUS_OK);

  const HeaderPtr taken(codehdr_header_new());
  auto extracted = Sized<codehdr_extract_report>();
  extracted.header = taken.get();
  ASSERT_EQ(codehdr_extract_payload(out.c_str(), dir.File("p").c_str(), 0, &extracted), CODEHDR_STATUS_OK);
  EXPECT_EQ(ReadFile(dir.File("p")), img.payload);
  EXPECT_EQ(extracted.size, img.payload.size());
  EXPECT_EQ(std::tuple(Info(taken.get()).tag, Info(taken.get()).byte_count), std::tuple(17, 0u));
  EXPECT_EQ(codehdr_extract_payload(payload.c_str(), dir.File("q").c_str(), 0, &extracted), CODEHDR_STATUS_NO_HEADER);
  EXPECT_EQ(Info(taken.get()).form, CODEHDR_FORM_NONE);
}

TEST(CApi, VersionsAndCodeModes) {
  char text[CODEHDR_VERSION_TEXT_SIZE];
  EXPECT_EQ(codehdr_version_make(1, 2, 'b', 3, 1, text, sizeof text), 1);
  EXPECT_STREQ(text, "P01B02.3");
  EXPECT_EQ(codehdr_version_make(1, 2, 'b', -1, 0, text, 7), 1);
  EXPECT_STREQ(text, "R01B02");
  std::strcpy(text, "unchanged");
  EXPECT_EQ(codehdr_version_make(1, 2, 'b', 3, 0, text, 8), 0);  // no room for the NUL
  EXPECT_EQ(codehdr_version_make(100, 2, 'b', 3, 0, text, sizeof text), 0);
  EXPECT_STREQ(text, "unchanged");
  auto v = Sized<codehdr_version>();
  EXPECT_EQ(codehdr_version_parse("R01A02.3", &v), 1);
  EXPECT_EQ(std::tuple(v.major, v.minor, v.letter, v.build), std::tuple(1, 2, 'A', 3));
  EXPECT_EQ(codehdr_version_parse("R01A02", &v), 1);
  EXPECT_EQ(v.build, -1);
  EXPECT_EQ(codehdr_version_parse("X01A02", &v), 0);
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
// findings and dependencies, field for field; refused calls add nothing.
TEST(CApi, ReleaseAgreesWithTheCore) {
  ScratchDir dir;
  const std::string devfile = dir.Write("virevuz.txt", DeviceFile({{17, "APP"}, {18, "BOOT"}}));
  Image app, boot, stale;
  app.Dep(0, "R01A01.4").Dep(3, "R02B00");  // the boot image is there, no FPGA image
  boot.tag = 18, boot.codeMode = 0, boot.codeVer = "R01A01.4", boot.vireVuz = "R09A00";
  stale.seal = false;
  const std::string appPath = dir.Write("app.img", app.File());
  const Bytes bootFile = boot.File(), staleFile = stale.File();

  codehdr_release* r = codehdr_release_new();
  codehdr_verifier* v = codehdr_verifier_new(0);
  ASSERT_EQ(codehdr_release_add_file(r, nullptr, appPath.c_str()), CODEHDR_STATUS_OK);
  ASSERT_EQ(codehdr_release_add_bytes(r, "boot.img", bootFile.data(), bootFile.size()), CODEHDR_STATUS_OK);
  codehdr_verifier_update(v, staleFile.data(), 50);
  codehdr_verifier_update(v, staleFile.data() + 50, staleFile.size() - 50);
  ASSERT_EQ(codehdr_release_add_verifier(r, "stale.img", v, CODEHDR_STATUS_OK, 0), CODEHDR_STATUS_OK);
  EXPECT_EQ(codehdr_verifier_size(v), 0u);

  DeviceTable table;
  ASSERT_EQ(LoadDeviceTable(devfile, table), Status::kOk);
  ReleaseOptions opts;
  opts.virevuz_version = "R01A02";
  opts.allow_missing = {"DSP"};
  const ReleaseReport want = CheckRelease(
      {{appPath, VerifyFile(appPath)}, {"boot.img", VerifyBytes(bootFile.data(), bootFile.size())},
       {"stale.img", VerifyBytes(staleFile.data(), staleFile.size())}},
      table, opts);
  codehdr_devices* devices = codehdr_devices_new();
  ASSERT_EQ(codehdr_devices_load(devices, devfile.c_str(), nullptr, nullptr), CODEHDR_STATUS_OK);
  const char* allow[] = {"DSP"};
  auto options = Sized<codehdr_release_options>();
  options.virevuz_version = "R01A02";
  options.allow_missing = allow;
  options.allow_missing_count = 1;
  ASSERT_EQ(codehdr_release_check(r, devices, &options), CODEHDR_STATUS_OK);

  // At least a failed image, a VireVuz version and an unmet dependency, all as the core found them.
  ASSERT_GE(want.findings.size(), 3u);
  ASSERT_EQ(codehdr_release_finding_count(r), want.findings.size());
  for (std::size_t i = 0; i < want.findings.size(); ++i) {
    const Finding& f = want.findings[i];
    auto got = Sized<codehdr_finding>();
    ASSERT_EQ(codehdr_release_get_finding(r, i, &got), CODEHDR_STATUS_OK);
    EXPECT_EQ(std::tuple(got.kind, got.image, got.dependency, std::string(got.reason),
                         std::vector<std::size_t>(got.others, got.others + got.other_count)),
              std::tuple(static_cast<int>(f.kind), f.image, f.dependency, f.reason, f.others));
    EXPECT_STREQ(codehdr_finding_kind_name(got.kind), FindingKindName(f.kind));
  }
  ASSERT_EQ(codehdr_release_dependency_count(r), want.dependencies.size());
  for (std::size_t i = 0; i < want.dependencies.size(); ++i) {
    const DependencyLink& d = want.dependencies[i];
    auto got = Sized<codehdr_dependency_link>();
    ASSERT_EQ(codehdr_release_get_dependency(r, i, &got), CODEHDR_STATUS_OK);
    EXPECT_EQ(std::tuple(got.image, got.dependency, got.state, got.provider_count,
                         std::vector<std::size_t>(got.providers, got.providers + got.provider_named)),
              std::tuple(d.image, d.dependency, static_cast<int>(d.state), d.provider_count, d.providers));
  }
  // The images as added: names, and each verification with its header.
  EXPECT_EQ(std::tuple(codehdr_release_image_count(r), std::string(codehdr_release_image_name(r, 0)),
                       codehdr_release_image_name(r, 3)),
            std::tuple(std::size_t{3}, appPath, static_cast<const char*>(nullptr)));
  const HeaderPtr h(codehdr_header_new());
  auto report = Sized<codehdr_verify_report>();
  report.header = h.get();
  ASSERT_EQ(codehdr_release_get_image(r, 1, &report), CODEHDR_STATUS_OK);
  EXPECT_EQ(std::tuple(report.verdict, std::string(Info(h.get()).code_version)),
            std::tuple(static_cast<int>(CODEHDR_VERDICT_VERIFIED), std::string("R01A01.4")));

  const char* nothing[] = {nullptr};
  auto unset = options;
  unset.allow_missing = nullptr;
  auto nullLabel = options;
  nullLabel.allow_missing = nothing;
  auto small = options;
  small.struct_size = sizeof(std::size_t);
  auto finding = Sized<codehdr_finding>();
  const struct {
    const char* call;
    int status;
  } refused[] = {
      {"add_file release", codehdr_release_add_file(nullptr, "x", appPath.c_str())},
      {"add_file path", codehdr_release_add_file(r, "x", nullptr)},
      {"add_bytes name", codehdr_release_add_bytes(r, nullptr, bootFile.data(), bootFile.size())},
      {"add_bytes data", codehdr_release_add_bytes(r, "x", nullptr, 1)},
      {"add_verifier verifier", codehdr_release_add_verifier(r, "x", nullptr, 0, 0)},
      {"add_verifier no status", codehdr_release_add_verifier(r, "x", v, kStatusCount, 0)},
      {"check release", codehdr_release_check(nullptr, devices, nullptr)},
      {"check devices", codehdr_release_check(r, nullptr, nullptr)},
      {"check labels", codehdr_release_check(r, devices, &unset)},
      {"check a null label", codehdr_release_check(r, devices, &nullLabel)},
      {"check small options", codehdr_release_check(r, devices, &small)},
      {"get_finding past the end", codehdr_release_get_finding(r, want.findings.size(), &finding)},
      {"get_finding out", codehdr_release_get_finding(r, 0, nullptr)},
      {"get_dependency out", codehdr_release_get_dependency(r, 0, nullptr)},
      {"get_image past the end", codehdr_release_get_image(r, 3, &report)},
  };
  for (const auto& row : refused) EXPECT_EQ(row.status, CODEHDR_STATUS_INVALID_ARGUMENT) << row.call;
  EXPECT_EQ(std::tuple(codehdr_release_image_count(r), codehdr_release_finding_count(r)),
            std::tuple(std::size_t{3}, want.findings.size()));
  // An unknown label checks nothing, and the last check's findings go with it.
  allow[0] = "NOSUCH";
  EXPECT_EQ(codehdr_release_check(r, devices, &options), CODEHDR_STATUS_UNKNOWN_LABEL);
  EXPECT_EQ(codehdr_release_finding_count(r) + codehdr_release_dependency_count(r), 0u);
  EXPECT_EQ(codehdr_finding_kind_name(CODEHDR_FINDING_DEPENDENCY_CYCLE + 1), nullptr);
  EXPECT_EQ(codehdr_finding_kind_name(-1), nullptr);
  EXPECT_EQ(codehdr_release_image_count(nullptr) + codehdr_release_finding_count(nullptr), 0u);
  codehdr_release_free(nullptr);
  codehdr_release_free(r);
  codehdr_verifier_free(v);
  codehdr_devices_free(devices);
}

}  // namespace
}  // namespace codehdr::test
