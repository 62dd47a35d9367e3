// The release check on small sets of images built byte by byte: one table row per situation, each naming the findings
// (image, kind, dependency, other images named) and the state of every dependency it expects; then sets too large for
// anything but linear work.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include <codehdr/release.h>

#include "support.h"

namespace codehdr::test {
namespace {

// The device table of every row: BOOT and BOOTLDR share code mode 0, FPGA and CPLD 3; tag 50's label is no
// code-mode label.
DeviceTable Devices() {
  ScratchDir dir;
  DeviceTable table;
  const std::string path = dir.Write("virevuz.txt", DeviceFile({{17, "APP"}, {18, "BOOT"}, {19, "BOOTLDR"},
                                                                {20, "BOOT"}, {21, "FPGA"}, {22, "CPLD"}, {23, "BOOT"},
                                                                {50, "NOPE"}}));
  EXPECT_EQ(LoadDeviceTable(path, table), Status::kOk);
  return table;
}

// One image of a set: its header fields, and how it is broken, if at all.
struct Member {
  std::string name;
  std::uint8_t tag;
  std::uint8_t mode;
  std::string version;
  std::vector<Dependency> deps = {};
  std::string vireVuz = "R02B01";
  enum { kSound, kBadCrc, kOldStyle } form = kSound;
};

ReleaseImage Make(const Member& s) {
  if (s.form == Member::kOldStyle) return {s.name, VerifyBytes(Bytes{s.tag, s.tag, s.tag, s.tag, 1, 2}.data(), 6)};
  Image img;
  img.tag = s.tag;
  img.codeMode = s.mode;
  img.codeVer = s.version;
  img.vireVuz = s.vireVuz;
  for (const Dependency& d : s.deps) img.Dep(d.type, d.version);
  Bytes bytes = img.File();
  if (s.form == Member::kBadCrc) bytes.back() ^= 1;
  return {s.name, VerifyBytes(bytes.data(), bytes.size())};
}

// "app dependency_not_met#0 >boot2,boot3": the image, the kind, the dependency's index, the other images named.
std::vector<std::string> Described(const std::vector<ReleaseImage>& set, const ReleaseReport& r) {
  std::vector<std::string> out;
  for (const Finding& f : r.findings) {
    std::string text = set[f.image].name + " " + FindingKindName(f.kind);
    if (f.dependency != Finding::kNoDependency) text += "#" + std::to_string(f.dependency);
    for (std::size_t n = 0; n < f.others.size(); ++n) text += (n == 0 ? " >" : ",") + set[f.others[n]].name;
    out.push_back(text);
  }
  return out;
}

// "app#1 met>fpga": each dependency's image, index, state and providers.
std::vector<std::string> Links(const std::vector<ReleaseImage>& set, const ReleaseReport& r) {
  static const char* const kStates[] = {"met", "allowed", "not met", "self"};
  std::vector<std::string> out;
  for (const DependencyLink& l : r.dependencies) {
    std::string text = set[l.image].name + "#" + std::to_string(l.dependency) + " " +
                       kStates[static_cast<int>(l.state)];
    for (std::size_t n = 0; n < l.providers.size(); ++n) text += (n == 0 ? ">" : ",") + set[l.providers[n]].name;
    if (l.provider_count != l.providers.size()) text += " of " + std::to_string(l.provider_count);
    out.push_back(text);
  }
  return out;
}

const Dependency kBoot{0, "R01A01.4"}, kFpga{3, "R03C00"};
const Member kApp{"app", 17, 1, "R01A03.2", {kBoot, kFpga}};
const Member kBootImg{"boot", 18, 0, "R01A01.4"}, kFpgaImg{"fpga", 21, 3, "R03C00"};

TEST(Release, EachFindingKindFromASmallSet) {
  struct Row {
    const char* what;
    std::vector<Member> set;
    ReleaseOptions options;
    std::vector<std::string> findings;
    std::vector<std::string> links;
    std::string reason;  // a part of one finding's reason ("": no finding)
  };
  const std::vector<Row> rows = {
      {"consistent", {kApp, kBootImg, kFpgaImg}, {}, {}, {"app#0 met>boot", "app#1 met>fpga"}, ""},
      {"a dependency provided by a label sharing its value (BOOTLDR is 0 too)",
       {kApp, {"ldr", 19, 0, "R01A01.4"}, kFpgaImg}, {}, {}, {"app#0 met>ldr", "app#1 met>fpga"}, ""},
      {"a provider that failed verification: reported, and provides nothing",
       {kApp, {"boot", 18, 0, "R01A01.4", {}, "R02B01", Member::kBadCrc}, kFpgaImg}, {},
       {"app dependency_not_met#0", "boot image_failed"}, {"app#0 not met", "app#1 met>fpga"},
       "which no other image provides; no other image has code mode 0; boot has it but failed verification"},
      {"an old-style image", {{"old", 18, 0, "", {}, "", Member::kOldStyle}}, {}, {"old not_checked"}, {},
       "has no new-style header to check: old-style header"},
      {"a tag no device model has", {{"odd", 99, 1, "R01A01"}}, {}, {"odd unknown_tag"}, {},
       "tag id 99 is not a device model"},
      {"a code mode other than the model's label gives", {{"app", 17, 3, "R01A01"}, {"nope", 50, 201, "R01A01"}}, {},
       {"app code_mode_mismatch", "nope code_mode_mismatch"}, {},
       "code mode FPGA/CPLD (3), but the device table gives tag id 17 the label APP, code mode APP (1)"},
      {"a label that is not in the code-mode table", {{"nope", 50, 201, "R01A01"}}, {}, {"nope code_mode_mismatch"},
       {}, "the label NOPE, which is not in the code-mode table"},
      {"the VireVuz version required", {kBootImg, {"fpga", 21, 3, "R03C00", {}, "R02B00"}}, {"R02B01", {}},
       {"fpga virevuz_mismatch"}, {}, "VireVuz version R02B00, not the required R02B01"},
      {"no VireVuz version required", {kBootImg, {"fpga", 21, 3, "R03C00", {}, "R02B00"}}, {}, {}, {}, ""},
      {"two versions for one device; a second copy of a version is no finding",
       {kBootImg, {"boot5", 18, 0, "R01A01.5"}, {"copy", 18, 0, "R01A01.4"}, {"other", 20, 0, "R01A01.5"}}, {},
       {"boot duplicate >boot5", "boot5 duplicate >boot,copy", "copy duplicate >boot5"}, {},
       "tag id 18 with code mode BOOT/BOOTLDR (0) also comes in another code version than R01A01.5: boot (R01A01.4), "
       "copy (R01A01.4)"},
      {"closest versions of the same code mode, nearest first",
       {{"app", 17, 1, "R01A03.2", {kBoot}}, {"b2", 18, 0, "R01A01.2"}, {"b5", 19, 0, "R01A02"},
        {"b3", 20, 0, "R01A01.3"}, kFpgaImg},
       {}, {"app dependency_not_met#0 >b3,b5,b2"}, {"app#0 not met"},
       "needs BOOT/BOOTLDR (0) R01A01.4, which no other image provides; closest: b3 (R01A01.3), b5 (R01A02), b2 "
       "(R01A01.2)"},
      {"closest versions when all are newer: the nearest three",
       {{"app", 17, 1, "R01A03.2", {{0, "R01A01.1"}}}, {"b8", 23, 0, "R01B01"}, {"b5", 19, 0, "R01A02"},
        {"b3", 20, 0, "R01A01.3"}, {"b2", 18, 0, "R01A01.2"}},
       {}, {"app dependency_not_met#0 >b2,b3,b5"}, {"app#0 not met"}, "closest: b2 (R01A01.2), b3 (R01A01.3), b5"},
      {"a type no image can have", {{"app", 17, 1, "R01A03.2", {{511, "R01A01"}}}}, {},
       {"app dependency_not_met#0"}, {"app#0 not met"}, "needs BUNDLE (511) R01A01, which no other image provides"},
      {"allowed missing, by a label sharing the value", {{"app", 17, 1, "R01A03.2", {{9, "R01A01"}, kBoot}}}, {"", {"MODEM"}},
       {"app dependency_not_met#1"}, {"app#0 allowed", "app#1 not met"}, ""},
      {"an image that is its own dependency", {{"app", 17, 1, "R01A03.2", {{1, "R01A03.2"}}}}, {},
       {"app dependency_cycle#0"}, {"app#0 self"}, "depends on itself: it is the APP (1) R01A03.2 it needs"},
      {"a cycle of three, and an image outside it that depends on the cycle",
       {{"a", 17, 1, "R01A01", {{0, "R01A01"}}}, {"b", 18, 0, "R01A01", {{3, "R01A01"}}},
        {"c", 21, 3, "R01A01", {{1, "R01A01"}}}, {"d", 20, 0, "R01A02", {{1, "R01A01"}}}}, {},
       {"a dependency_cycle >b,c", "b dependency_cycle >a,c", "c dependency_cycle >a,b"},
       {"a#0 met>b", "b#0 met>c", "c#0 met>a", "d#0 met>a"},
       "depends on itself through a cycle of 3 images; the others: a, b"},
      {"a cycle through a second dependency and a second provider",
       {{"a", 17, 1, "R01A01", {{0, "R01A09"}, {3, "R01A01"}}}, {"z", 20, 0, "R01A09"}, {"c1", 21, 3, "R01A01"},
        {"c2", 22, 3, "R01A01", {{1, "R01A01"}}}}, {},
       {"a dependency_cycle >c2", "c2 dependency_cycle >a"}, {"a#0 met>z", "a#1 met>c1,c2", "c2#0 met>a"}, ""},
  };
  const DeviceTable devices = Devices();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<ReleaseImage> set;
    for (const Member& s : row.set) set.push_back(Make(s));
    const ReleaseReport r = CheckRelease(set, devices, row.options);
    EXPECT_EQ(r.status, Status::kOk);
    EXPECT_EQ(Described(set, r), row.findings);
    EXPECT_EQ(Links(set, r), row.links);
    EXPECT_EQ(r.consistent(), row.findings.empty());
    std::string reasons;
    for (const Finding& f : r.findings) reasons += f.reason + "\n";
    EXPECT_NE(reasons.find(row.reason), std::string::npos) << reasons;
  }
}

TEST(Release, RefusesAnUnknownLabelToAllowAndPrintsOnlyPrintableText) {
  const DeviceTable devices = Devices();
  std::vector<ReleaseImage> set = {Make({"app", 17, 1, "R01A03.2", {{0, "R01A01\n\x80"}}})};
  const ReleaseReport refused = CheckRelease(set, devices, {"", {"APP", "Boot"}});
  EXPECT_EQ(std::tuple(refused.status, refused.findings.size(), refused.consistent()),
            std::tuple(Status::kUnknownLabel, std::size_t{0}, false));
  set[0].name = "a\tb";
  const ReleaseReport r = CheckRelease(set, devices);
  ASSERT_EQ(r.findings.size(), 1u);
  EXPECT_EQ(r.findings[0].reason.find_first_not_of(
                " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"),
            std::string::npos) << r.findings[0].reason;
  EXPECT_NE(r.findings[0].reason.find("R01A01\\x0a\\x80"), std::string::npos) << r.findings[0].reason;
}

// A large set: a chain of images each depending on the next, closed into one cycle, all of one device. The check is
// linear in the set; each finding names at most kMaxNamedImages others and counts the rest, and so does each
// dependency its providers.
TEST(Release, LargeSetsNameAFewOthers) {
  constexpr int kChain = 4000;
  std::vector<ReleaseImage> set;
  const auto version = [](int n) {  // R00A00 ... R39A99
    char text[16];  // room for any int, as the compiler sees it
    std::snprintf(text, sizeof text, "R%02dA%02d", n / 100 % 100, n % 100);
    return std::string(text);
  };
  for (int n = 0; n < kChain; ++n) set.push_back(Make({std::to_string(n), 17, 1, version(n), {{1, version((n + 1) % kChain)}}}));
  std::string providers = "0#0 met>1";  // of the first image's dependency: image 1 and copies of it
  for (std::size_t n = 0; n < kMaxNamedImages; ++n) {
    set.push_back(Make({"c" + std::to_string(n), 17, 1, version(1)}));
    providers += n + 1 < kMaxNamedImages ? ",c" + std::to_string(n) : " of " + std::to_string(kMaxNamedImages + 1);
  }
  const ReleaseReport r = CheckRelease(set, Devices());
  ASSERT_EQ(r.findings.size(), std::size_t{2} * kChain + kMaxNamedImages);  // duplicates of tag 17; the chain's cycle
  for (std::size_t n = 0; n < std::size_t{2} * kChain; ++n) {
    const Finding& f = r.findings[n];
    EXPECT_EQ(f.kind, n % 2 == 0 ? FindingKind::kDuplicate : FindingKind::kDependencyCycle);
    ASSERT_EQ(f.others.size(), kMaxNamedImages);
  }
  EXPECT_NE(r.findings[1].reason.find(" and " + std::to_string(kChain - 1 - kMaxNamedImages) + " more"),
            std::string::npos) << r.findings[1].reason;
  EXPECT_EQ(Links(set, r)[0], providers);
}

}  // namespace
}  // namespace codehdr::test
