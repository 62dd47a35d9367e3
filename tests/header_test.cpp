// The code header: its forms, reading, checking and building, through the
// library's own API and through the classic CCodeHeader object.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>

#include <codehdr/code_header.h>
#include <codehdr/header.h>

#include "support.h"

namespace codehdr::test {
namespace {

using Strings = std::vector<std::string>;
constexpr std::uint32_t kCrc = 0xA1B2C3D4;

unsigned short Extract(CCodeHeader& c, const Bytes& b) {
  return c.ExtractHdrFromCompressedCodeFile(b.data(), b.size());
}

Bytes With(Bytes b, std::size_t at, std::uint8_t value) {
  b[at] = value;
  return b;
}

// The header of `img` cut to n bytes, its total size saying n.
Bytes Cut(const Image& img, std::size_t n) {
  Bytes b = img.Header();
  b.resize(n);
  return With(With(b, 22, static_cast<std::uint8_t>(n >> 8)), 23, static_cast<std::uint8_t>(n));
}

Image Tagged(std::uint8_t tag, std::uint8_t codeMode = 1, const char* codeVer = "P03B04.5") {
  Image img;
  img.tag = tag, img.codeMode = codeMode, img.codeVer = codeVer;
  return img;
}

TEST(HeaderForms, ReaderExtractionAndIsNewHeaderAgree) {
  Image tooSmall, beyond;
  tooSmall.totalSize = 47, beyond.totalSize = 49;
  const Bytes plain = Image().Header();
  const HeaderForm kNew = HeaderForm::kNewStyle, kOld = HeaderForm::kOldStyle, kBad = HeaderForm::kMalformed;
  const struct { const char* what; Bytes bytes; HeaderForm form; Status problem; std::uint16_t total; std::uint8_t tag;
      int isNew; } rows[] = {
      {"new", plain, kNew, Status::kOk, 48, 17, 1},
      {"C9 00 00 00", With(With(With(plain, 1, 0), 2, 0), 3, 0), kNew, Status::kOk, 48, 17, 0},
      {"05 05 05 05", {5, 5, 5, 5, 0xC9}, kOld, Status::kOldStyleHeader, 4, 5, 0},
      {"05 05 05 06", {5, 5, 5, 6}, HeaderForm::kNone, Status::kNoHeader, 0, 0, 0},
      {"three bytes", {5, 5, 5}, HeaderForm::kNone, Status::kNoHeader, 0, 0, 0},
      {"C9 alone", {0xC9}, kBad, Status::kHeaderTruncated, 0, 0, 0},
      {"empty", {}, HeaderForm::kNone, Status::kNoHeader, 0, 0, 0},
      {"guard bytes only", {0xC9, 0xC9, 0xC9, 0xC9}, kBad, Status::kHeaderTruncated, 0, 0, 1},
      {"total 47", tooSmall.Header(), kBad, Status::kHeaderTooSmall, 47, 0, 1},
      {"total 0", With(With(plain, 22, 0), 23, 0), kBad, Status::kHeaderTooSmall, 0, 0, 1},
      {"total beyond the bytes", beyond.Header(), kBad, Status::kHeaderTruncated, 49, 0, 1},
  };
  ScratchDir dir;
  const Bytes previous = Image().Comment("old").Dep(77, "R01A02").Header();
  for (const auto& r : rows) {
    const Header h = ReadHeader(r.bytes.data(), r.bytes.size());
    EXPECT_EQ(h.form, r.form) << r.what;
    EXPECT_EQ(h.problem, r.problem) << r.what;
    EXPECT_EQ(h.total_size, r.total) << r.what;
    EXPECT_EQ(h.tag, r.tag) << r.what;
    // A new-style header replaces the comment and the list; the other forms
    // keep them. The code version field stays.
    CCodeHeader c;
    ASSERT_EQ(Extract(c, previous), previous.size());
    ASSERT_EQ(c.InsertHeaderCodeVer("R07C08"), 1);
    const HeaderState before = HeaderState::Of(c);
    const bool held = r.form == kNew || r.form == kOld;
    EXPECT_EQ(Extract(c, r.bytes), held ? r.total : 0) << r.what;
    EXPECT_EQ(c.GetHeaderTotalSize(), held ? r.total : 0) << r.what;
    EXPECT_EQ(c.oldStyleHeader, r.form == kOld) << r.what;
    EXPECT_EQ(c.GetHeaderTag(), r.tag) << r.what;
    const HeaderState after = HeaderState::Of(c);
    const Bytes prefix(r.bytes.begin(), r.bytes.begin() + (held ? r.total : 0));
    EXPECT_EQ(after.bytes, r.form == kOld ? Bytes(4, r.bytes[0]) : prefix) << r.what;
    EXPECT_EQ(after.deps, r.form == kNew ? Strings() : before.deps) << r.what;
    EXPECT_EQ(after.comment, r.form == kNew ? std::nullopt : before.comment) << r.what;
    EXPECT_EQ(after.commentLen, r.form == kNew ? 0 : 4) << r.what;
    EXPECT_EQ(after.codeVer, before.codeVer) << r.what;
    // Parsing again discards both; without a header it says so.
    EXPECT_EQ(c.ParseHeaderDependencyInfo(), held ? 1 : 0) << r.what;
    EXPECT_EQ(HeaderState::Of(c).deps.size() + HeaderState::Of(c).comment.has_value(), 0u) << r.what;
    if (held) {
      EXPECT_EQ(CCodeHeader().ExtractHdrFromCompressedCodeFile(r.bytes.data()), r.total) << r.what;
    }
    EXPECT_EQ(c.IsNewHeader(dir.Write("f", r.bytes).c_str()), r.isNew) << r.what;
  }
  EXPECT_EQ(CCodeHeader().IsNewHeader(dir.File("absent").c_str()), 0);
  EXPECT_EQ(ReadHeader(nullptr, 0).form, HeaderForm::kNone);
  EXPECT_EQ(CCodeHeader().ExtractHdrFromCompressedCodeFile(static_cast<const std::uint8_t*>(nullptr), 0u), 0);
  std::FILE* f = std::fopen(dir.Write("f", Image().File()).c_str(), "rb");
  std::fseek(f, 0, SEEK_END);  // the open-file form starts at the beginning
  EXPECT_EQ(CCodeHeader().IsNewHeader(f), 1);
  EXPECT_EQ(std::ftell(f), 4);
  std::fclose(f);
}

TEST(ReadHeader, FieldsAndTheSectionWalkMatchTheClassicParse) {
  Image img = Tagged(26, 0x1A);
  img.vireVuz = "R01A02.123456789";
  Bytes longDep = Image().Dep(26, "P02B03.4").sections[0];
  longDep[1] = 20, longDep.push_back(0xEE), longDep.push_back(0xEE);  // read like L = 18, stepped by 22
  img.Comment("first").Section(5, 3, {0xEE, 0xEE, 0xEE}).Dep(3, "R01A02").sections.push_back(longDep);
  const Bytes b = With(img.Comment("ABC").Dep(511, "R09Z99").Header(), 27, 0x78);

  const Header h = ReadHeader(b.data(), b.size());
  ASSERT_EQ(h.form, HeaderForm::kNewStyle);
  EXPECT_EQ(h.total_size, b.size());
  EXPECT_EQ(h.virevuz_version, "R01A02.123456789");
  EXPECT_EQ(h.mandatory_size, 48);
  EXPECT_EQ(h.stored_crc, 0x78u);
  EXPECT_EQ(h.tag, 26);
  EXPECT_EQ(h.code_mode, 0x1A);
  EXPECT_EQ(h.code_version, "P03B04.5");
  EXPECT_EQ(h.section_count, 6);
  Strings walk;
  for (const Section& s : h.sections) {
    walk.push_back(std::to_string(s.offset) + ":" + std::to_string(s.type) + ":" + std::to_string(s.length));
  }
  EXPECT_EQ(walk, (Strings{"48:1:6", "56:5:3", "61:2:18", "81:2:20", "103:1:4", "109:2:18"}));
  const Strings deps = {"3:R01A02", "26:P02B03.4", "511:R09Z99"};
  EXPECT_EQ(DepList(h.dependencies), deps);
  EXPECT_EQ(h.comment, "ABC");
  EXPECT_EQ(h.comment_length, 4);

  CCodeHeader c;
  ASSERT_EQ(Extract(c, b), b.size());
  for (int pass = 0; pass < 2; ++pass) {  // parsing again gives the same
    EXPECT_EQ(DepList(c), deps);
    char text[32];
    ASSERT_EQ(c.GetHeaderComment(text), 1);
    EXPECT_STREQ(text, "ABC");
    EXPECT_EQ(c.GetHeaderCommentLen(), 4);
    EXPECT_EQ(c.ParseHeaderDependencyInfo(), 1);
  }
}

TEST(ReadHeader, SectionsCutByTheHeaderEnd) {
  Image one, two;
  one.Dep(3, "R01A02").sectionCount = 4;
  two.Dep(3, "R01A02").Dep(4, "R01A02");
  const struct { const char* what; Bytes bytes; Strings deps; std::optional<std::string> comment; int len; } rows[] = {
      {"more sections counted than present", one.Header(), {"3:R01A02"}, std::nullopt, 0},
      {"version cut", Cut(two, 76), {"3:R01A02", "4:R01A"}, std::nullopt, 0},
      {"type not whole", Cut(two, 71), {"3:R01A02"}, std::nullopt, 0},
      {"short length byte", Image().Section(2, 4, {1, 2, 'R', '0'}).Header(), {"258:R0"}, std::nullopt, 0},
      {"comment without NUL", Image().Section(1, 5, {'h', 'e', 'l', 'l', 'o'}).Header(), {}, "hello", 5},
      {"comment of 40", Image().Comment(std::string(40, 'c')).Header(), {}, std::string(31, 'c'), 41},
  };
  for (const auto& r : rows) {
    const Header h = ReadHeader(r.bytes.data(), r.bytes.size());
    EXPECT_EQ(DepList(h.dependencies), r.deps) << r.what;
    EXPECT_EQ(h.comment, r.comment) << r.what;
    CCodeHeader c;
    ASSERT_EQ(Extract(c, r.bytes), r.bytes.size()) << r.what;
    EXPECT_EQ(DepList(c), r.deps) << r.what;
    EXPECT_EQ(c.comment != nullptr ? std::optional<std::string>(c.comment) : std::nullopt, r.comment) << r.what;
    EXPECT_EQ(c.GetHeaderCommentLen(), r.len) << r.what;
  }
}

// Tag 12, stored CRC kCrc, a comment at 48 (7 bytes), dependencies at 55 and 75.
Bytes Checkable() {
  Bytes b = Tagged(12, 1, "P05E06.7").Comment("note").Dep(3, "R02B03").Dep(26, "R04C05.1").Header();
  for (int i = 0; i < 4; ++i) b[24 + i] = static_cast<std::uint8_t>(kCrc >> (24 - 8 * i));
  return b;
}

TEST(CheckHeader, ChecksInOrderTheFirstFailureWins) {
  const struct { Status status; unsigned short code; std::size_t offset, size; std::function<void(Bytes&)> breakIt;
      bool codeVersionTaken; int depsTaken; } rows[] = {
      {Status::kGuardBytes, ERR_GUARD_BYTES, 0, 4, [](Bytes& b) { b[3] = 0xC8; }, false, -1},
      {Status::kVireVuzVersion, ERR_VERSION_FORMAT, 4, 16, [](Bytes& b) { b[4] = 'X'; }, false, -1},
      {Status::kMandatorySize, ERR_MAN_HDR_SIZE, 20, 2, [](Bytes& b) { b[21] = 47; }, false, -1},
      {Status::kCrcMismatch, ERR_CRC_MISMATCH, 24, 4, [](Bytes& b) { b[27] ^= 1; }, false, -1},
      {Status::kTagMismatch, ERR_TAG_MISMATCH, 28, 1, [](Bytes& b) { b[28] = 13; }, false, -1},
      {Status::kHeaderCodeVersion, ERR_VERSION_FORMAT, 30, 16, [](Bytes& b) { b[33] = 'I'; }, false, -1},
      {Status::kReservedByte, ERR_CODE_VER_FORMAT, 47, 1, [](Bytes& b) { b[47] = 1; }, true, -1},
      {Status::kHeaderDependencyVersion, ERR_DEP_VER_FORMAT, 79, 16, [](Bytes& b) { b[79] = 'r'; }, true, 1},
      {Status::kSectionOverrun, ERR_DEP_VER_FORMAT, 95, 0, [](Bytes& b) { b[46] = 4; }, true, 2},
  };
  const Strings deps = {"3:R02B03", "26:R04C05.1"};
  const HeaderCheck good = CheckHeader(Checkable().data(), Checkable().size(), 12, kCrc);
  EXPECT_EQ(good.status, Status::kOk);
  EXPECT_EQ(good.code_version, "P05E06.7");
  EXPECT_EQ(good.dependencies ? DepList(*good.dependencies) : Strings(), deps);
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    Bytes b = Checkable();
    for (std::size_t j = k; j < std::size(rows); ++j) rows[j].breakIt(b);
    const HeaderCheck check = CheckHeader(b.data(), b.size(), 12, kCrc);
    const auto& r = rows[k];
    EXPECT_EQ(check.status, r.status) << k;
    EXPECT_EQ(check.fault_offset, r.offset) << k;
    EXPECT_EQ(check.fault_size, r.size) << k;
    EXPECT_EQ(check.code_version, r.codeVersionTaken ? std::optional<std::string>("P05E06.7") : std::nullopt) << k;
    EXPECT_EQ(check.dependencies ? DepList(*check.dependencies) : Strings{"-"},
              r.depsTaken < 0 ? Strings{"-"} : Strings(deps.begin(), deps.begin() + r.depsTaken)) << k;
    // The classic object takes in the code version and the walk's
    // dependencies as far as the check got.
    CCodeHeader c;
    ASSERT_EQ(c.InsertHeaderCodeVer("R09Z09"), 1);
    ASSERT_EQ(Extract(c, b), b.size());
    const Strings parsed = DepList(c);
    EXPECT_EQ(c.ValidateHeader(12, kCrc), r.code) << k;
    EXPECT_STREQ(c.codeVer, r.codeVersionTaken ? "P05E06.7" : "R09Z09") << k;
    EXPECT_EQ(DepList(c), r.depsTaken < 0 ? parsed : Strings(deps.begin(), deps.begin() + r.depsTaken)) << k;
  }
}

TEST(CheckHeader, SkippedChecksSectionReadingAndShortHeaders) {
  Bytes depPayload = Image().Dep(44, "R01A02").sections[0];
  depPayload.erase(depPayload.begin(), depPayload.begin() + 2);
  Image afterComment, overCount, headCut, fullWidth = Tagged(17, 1, "P01A02.987654321");
  // After a comment, a section of type 3 with a length byte of 7 is read as 20 bytes.
  afterComment.Comment("a longer comment").Section(3, 7, depPayload).Dep(45, "R01A02.123456789");
  overCount.Dep(3, "R01A02").sectionCount = 2;
  headCut.Dep(3, "R01A02").Comment("x");  // cut to 69 bytes: one byte of the comment's head
  const struct { const char* what; Bytes bytes; Status status; std::size_t offset, size; Strings deps; } rows[] = {
      {"tag 0 and CRC 0 check neither", With(With(Checkable(), 27, 0), 28, 99), Status::kOk, 0, 0,
       {"3:R02B03", "26:R04C05.1"}},
      {"20-byte sections", afterComment.Header(), Status::kOk, 0, 0, {"44:R01A02", "45:R01A02.123456789"}},
      {"a bad version there", With(afterComment.Header(), 74, '?'), Status::kHeaderDependencyVersion, 71, 16, {}},
      {"more sections counted", overCount.Header(), Status::kSectionOverrun, 68, 0, {"3:R01A02"}},
      {"a section head cut", Cut(headCut, 69), Status::kSectionOverrun, 68, 1, {"3:R01A02"}},
      {"short dependency", Image().Section(2, 2, {0, 3}).Header(), Status::kSectionOverrun, 48, 4, {}},
      {"comment one byte long", Image().Section(1, 3, {'x', 0}).Header(), Status::kSectionOverrun, 48, 4, {}},
      {"comment past the end", Image().Section(1, 200, {'x', 0}).Header(), Status::kSectionOverrun, 48, 4, {}},
      {"16-character code version", fullWidth.Header(), Status::kOk, 0, 0, {}},
      {"guard bytes only", {0xC9, 0xC9, 0xC9, 0xC9}, Status::kMandatorySize, 20, 2, {}},
      {"old-style", {4, 4, 4, 4}, Status::kGuardBytes, 0, 4, {}},
      {"first guard byte", With(Checkable(), 0, 0), Status::kGuardBytes, 0, 4, {}},
  };
  for (const auto& r : rows) {
    const HeaderCheck check = CheckHeader(r.bytes.data(), r.bytes.size(), 0, 0);
    EXPECT_EQ(check.status, r.status) << r.what;
    EXPECT_EQ(check.fault_offset, r.offset) << r.what;
    EXPECT_EQ(check.fault_size, r.size) << r.what;
    EXPECT_EQ(check.dependencies ? DepList(*check.dependencies) : Strings(), r.deps) << r.what;
    CCodeHeader c;
    if (Extract(c, r.bytes) > 0) {
      EXPECT_EQ(c.ValidateHeader(0, 0), LegacyCode(r.status)) << r.what;
    }
  }
  EXPECT_EQ(CheckHeader(fullWidth.Header().data(), 48, 0, 0).code_version, "P01A02.987654321");
  CCodeHeader c;
  Extract(c, fullWidth.Header());
  ASSERT_EQ(c.ValidateHeader(0, 0), HDR_SUCCESS);
  EXPECT_STREQ(c.codeVer, "P01A02.98765432");
  EXPECT_EQ(CheckHeader(nullptr, 0, 0, 0).status, Status::kGuardBytes);
}

DeviceTable Devices() {
  DeviceTable t;
  for (auto [tag, label] : {std::pair{17, "APP"}, {19, "BUNDLE"}, {20, "NOSUCH"}, {21, "BOOTLDRX"}, {26, "LANG"}}) {
    t.records.push_back(DeviceRecord{0, "", "", tag});
    std::strcpy(t.records.back().code_mode_str, label);
  }
  return t;
}

TEST(BuildHeader, WritesEveryByte) {
  // Each row: a spec and the same header written byte by byte.
  const auto row = [](std::uint8_t tag, std::uint8_t mode, std::optional<std::string> comment = std::nullopt,
                      std::vector<Dependency> deps = {}) {
    Image img = Tagged(tag, mode);
    if (comment) img.Comment(*comment);
    for (const Dependency& d : deps) img.Dep(d.type, d.version);
    return std::pair(HeaderSpec{tag, "R01A02", "P03B04.5", comment, deps}, img.Header());
  };
  const std::vector<Dependency> d255(255, {1, "R01A02"}), d254(254, {1, "R01A02"});
  std::pair<HeaderSpec, Bytes> rows[] = {
      row(17, 1), row(17, 1, ""), row(26, 26, "abc", {{3, "R02B03"}, {511, "P04C05.6"}}),
      row(20, CODE_MODE_NOT_FOUND), row(21, 0), row(17, 1, std::nullopt, d255), row(17, 1, "c", d254), row(17, 1),
  };
  // Fields cut: 15 characters of the VireVuz version, 32 of the comment, 16 of a dependency version.
  HeaderSpec& cut = rows[std::size(rows) - 1].first;
  cut.virevuz_version = "R01A02.1234567890123", cut.code_version = "R01A02.123456789";
  cut.comment = std::string(40, 'c'), cut.dependencies = {{7, "R01A02.123456789ab"}};
  Image cutImage = Tagged(17, 1, "R01A02.123456789");
  cutImage.vireVuz = "R01A02.12345678";
  rows[std::size(rows) - 1].second = cutImage.Comment(std::string(32, 'c')).Dep(7, "R01A02.123456789").Header();
  for (const auto& [spec, want] : rows) {
    const BuiltHeader built = BuildHeader(spec, Devices());
    EXPECT_EQ(built.status, Status::kOk) << want.size();
    EXPECT_EQ(built.bytes, want);
  }
  EXPECT_EQ(rows[0].second.size(), 48u);
  EXPECT_EQ(rows[1].second.size(), 51u);
  EXPECT_EQ(rows[2].second.size(), 94u);
  EXPECT_EQ(Bytes(rows[2].second.begin() + 74, rows[2].second.begin() + 78), (Bytes{0x02, 0x12, 0x01, 0xFF}));
}

TEST(BuildHeader, FailuresInTheOrderTheBuildMeetsThem) {
  const auto spec = [](std::uint8_t tag, const char* vireVuz, const char* codeVer, std::size_t deps = 0) {
    return HeaderSpec{tag, vireVuz, codeVer, std::nullopt, std::vector<Dependency>(deps, {1, "R01A02"})};
  };
  HeaderSpec commented = spec(17, "R01A02", "P03B04.5", 255);
  commented.comment = "c";
  const struct { const char* what; HeaderSpec spec; Status status; unsigned short code; } rows[] = {
      {"VireVuz version before the device", spec(99, "X01A02", "P03B04.5"), Status::kVireVuzVersion, 1051},
      {"tag 0", spec(0, "R01A02", "P03B04.5"), Status::kNoCodeMode, 1002},
      {"device before the code version", spec(99, "R01A02", "X01A02"), Status::kNoCodeMode, 1002},
      {"code mode 511", spec(19, "R01A02", "P03B04.5"), Status::kCodeModeTooLarge, 1002},
      {"empty code version", spec(17, "R01A02", ""), Status::kCodeVersionEmpty, 1051},
      {"malformed code version", spec(17, "R01A02", "X01A02"), Status::kCodeVersion, 1052},
      {"17-character code version", spec(17, "R01A02", "R01A02.1234567890"), Status::kCodeVersion, 1052},
      {"256 sections", spec(17, "R01A02", "P03B04.5", 256), Status::kTooManySections, 1055},
      {"comment and 255 dependencies", commented, Status::kTooManySections, 1055},
  };
  for (const auto& r : rows) {
    const BuiltHeader built = BuildHeader(r.spec, Devices());
    EXPECT_EQ(built.status, r.status) << r.what;
    EXPECT_EQ(LegacyCode(built.status), r.code) << r.what;
    EXPECT_TRUE(built.bytes.empty()) << r.what;
  }
  EXPECT_EQ(BuildHeader(spec(17, "R01A02", "P03B04.5"), DeviceTable()).status, Status::kNoCodeMode);
}

TEST(ClassicBuild, BuildsTheHeldHeaderOrLeavesTheObjectUnchanged) {
  ScratchDir dir;
  CCodeHeader h;
  const std::string devices = dir.Write("virevuz.txt", DeviceFile({{17, "APP"}, {19, "BUNDLE"}, {26, "LANG"}}));
  CaptureStdout([&] { ASSERT_EQ(h.Init(devices.c_str()), HDR_SUCCESS); });
  ASSERT_EQ(Extract(h, Image().Comment("abc").Header()), 54);  // the comment is carried over
  ASSERT_EQ(h.InsertHeaderCodeVer("P03B04.5"), 1);
  ASSERT_EQ(h.AddCodeDependencyToHdr(3, "R02B03"), 1);
  ASSERT_EQ(h.AddCodeDependencyToHdr("BUNDLE", "P04C05.6"), HDR_SUCCESS);
  int rc = -1;
  ASSERT_EQ(h.BuildHeader(26, "R01A02", &rc), 94);
  EXPECT_EQ(rc, HDR_SUCCESS);
  EXPECT_EQ(HeaderState::Of(h).bytes, Tagged(26, 26).Comment("abc").Dep(3, "R02B03").Dep(511, "P04C05.6").Header());
  EXPECT_EQ(h.totalHdrSize, 94);
  EXPECT_EQ(h.GetHeaderTag(), 26);

  const HeaderState before = HeaderState::Of(h);
  const struct { std::uint8_t tag; const char* vireVuz; const char* codeVer; int code; } rows[] = {
      {99, "X01A02", "P03B04.5", 1051}, {0, "R01A02", "P03B04.5", 1002}, {99, "R01A02", "X01A02", 1002},
      {19, "R01A02", "P03B04.5", 1002}, {17, "R01A02", "X01A02", 1052},   {17, "R01A02", "", 1051}};
  for (const auto& r : rows) {
    std::strcpy(h.codeVer, r.codeVer);
    EXPECT_EQ(h.BuildHeader(r.tag, r.vireVuz, &rc), 0) << r.code;
    EXPECT_EQ(rc, r.code);
    std::strcpy(h.codeVer, "P03B04.5");
    EXPECT_EQ(HeaderState::Of(h), before) << r.code;
  }
  EXPECT_EQ(h.AddCodeDependencyToHdr("NOSUCH", "X"), ERR_UNKNOWN_DEP_LABEL);
  EXPECT_EQ(h.AddCodeDependencyToHdr("LANG", "R01I02"), ERR_VERSION_FORMAT);
  EXPECT_EQ(HeaderState::Of(h), before);
  h.AddCodeDependencyToHdr(9, "R01A02");  // only the next build takes it in
  EXPECT_EQ(HeaderState::Of(h).bytes, before.bytes);
  EXPECT_EQ(h.BuildHeader(26, "R01A02", &rc), 114);

  unsigned char buf[48];
  std::memset(buf, 0xEE, sizeof buf);
  EXPECT_EQ(h.BuildMandatoryHeader(buf, 47, 17, "R01A02"), ERR_MAN_HDR_SIZE);
  EXPECT_EQ(Bytes(buf, buf + 48), Bytes(48, 0xEE));
  EXPECT_EQ(h.BuildMandatoryHeader(buf, 1000, 17, "R01A02"), HDR_SUCCESS);
  EXPECT_EQ(Bytes(buf, buf + 48), With(Image().Header(), 23, 0));
  CCodeHeader noDevices;
  ASSERT_EQ(noDevices.InsertHeaderCodeVer("R01A02"), 1);
  EXPECT_EQ(noDevices.BuildHeader(17, "R01A02", &rc), 0);
  EXPECT_EQ(rc, ERR_CODE_MODE);
}

TEST(CodeModes, TableAndPublishedFileAgree) {
  const std::uint16_t values[kCodeModeCount] = {0, 0, 1, 3, 3, 5, 9, 9, 15, 15, 21, 26, 27, 28, 126, 255, 511};
  std::ifstream in(std::string(CODEHDR_SOURCE_DIR) + "/data/code_modes.txt");
  std::size_t row = 0;
  for (std::string label; in >> label;) {
    std::uint16_t value = 0;
    if (label[0] == '#' || !(in >> value)) {
      std::getline(in, label);
      continue;
    }
    ASSERT_LT(row, kCodeModeCount);
    EXPECT_EQ(label, CodeModes()[row].label);
    EXPECT_EQ(value, values[row]);
    EXPECT_EQ(CodeModes()[row++].value, value);
    EXPECT_EQ(CodeModeValue(label), value) << label;
  }
  EXPECT_EQ(row, kCodeModeCount);
  EXPECT_EQ(CodeModeValue("app"), std::nullopt);
  EXPECT_EQ(CodeModeValue("APPX"), std::nullopt);
}

TEST(ClassicAccessors, NoOldAndNewHeaders) {
  const Bytes newStyle = With(With(Tagged(9).Comment("note").Header(), 24, 0x12), 27, 0x78);
  const struct { Bytes bytes; int tag, extractTag, total; unsigned crc; int codeVer, comment; } rows[] = {
      {{}, 0, 0, 0, 0, 0, 0}, {{7, 7, 7, 7}, 7, 0, 4, 0, 0, 0}, {newStyle, 9, 9, 55, 0x12000078, 1, 1}};
  for (const auto& r : rows) {
    CCodeHeader c;  // without a header: as constructed
    if (!r.bytes.empty()) Extract(c, r.bytes);
    char ver[16] = "untouched", text[32] = "untouched";
    EXPECT_EQ(c.GetHeaderTag(), r.tag);
    EXPECT_EQ(c.ExtractTagIdFromHeader(), r.extractTag);
    EXPECT_EQ(c.GetHeaderTotalSize(), r.total);
    EXPECT_EQ(c.ExtractCrcFromHeader(), r.crc);
    EXPECT_EQ(c.GetHeaderCodeVer(ver), r.codeVer);
    EXPECT_STREQ(ver, r.codeVer ? "P03B04.5" : "untouched");
    EXPECT_EQ(c.GetHeaderComment(text), r.comment);
    EXPECT_STREQ(text, r.comment ? "note" : "untouched");
    const Bytes held = HeaderState::Of(c).bytes;
    EXPECT_EQ(held.size(), static_cast<std::size_t>(r.total));
    c.InsertCrcIntoHeader(0x12345678);  // big-endian, into a held new-style header only
    EXPECT_EQ(c.ExtractCrcFromHeader(), r.codeVer ? 0x12345678u : 0u);
    EXPECT_EQ(HeaderState::Of(c).bytes, r.codeVer ? With(With(held, 25, 0x34), 26, 0x56) : held);
  }
}

TEST(ClassicAccessors, CrcRemovalAndVersionFields) {
  const Bytes original = Tagged(17, 1, "P03B04.56").File();  // a code version of 9 characters
  Bytes image = original;
  CCodeHeader c;
  ASSERT_EQ(Extract(c, image), 48);
  c.RemoveCRC(image.data());  // the caller's image only
  EXPECT_EQ(image, With(With(With(With(original, 24, 0), 25, 0), 26, 0), 27, 0));
  EXPECT_EQ(HeaderState::Of(c).bytes, Bytes(original.begin(), original.begin() + 48));
  char dst[20];
  EXPECT_EQ(c.ExtractVerStrFromHeader(dst, 10), 1);
  EXPECT_STREQ(dst, "P03B04.56");
  EXPECT_EQ(c.ExtractVerStrFromHeader(dst, 9), 0);
  EXPECT_STREQ(dst, "");
  ASSERT_EQ(Extract(c, Tagged(17, 1, "R01A02.123456789").Comment("x").Header()), 52);  // fills its field
  EXPECT_EQ(c.ExtractVerStrFromHeader(dst, 17), 1);
  EXPECT_STREQ(dst, "R01A02.123456789");
  EXPECT_EQ(c.ExtractVerStrFromHeader(dst, 16), 0);
  EXPECT_EQ(c.GetHeaderCodeVer(dst), 1);
  EXPECT_STREQ(dst, "R01A02.12345678");

  const struct { std::string ver; int ret; const char* stored; } rows[] = {
      {"R01A02.3", 1, "R01A02.3"}, {"R01I02", 0, "R07C08"}, {"R01A02.1234567890", 0, "R07C08"}, {"", 1, ""},
      {"R01A02." + std::string(249, '1'), 0, "R07C08"}, {"R01A02.123456789", 1, "R01A02.12345678"}};
  for (const auto& r : rows) {
    CCodeHeader o;
    ASSERT_EQ(o.InsertHeaderCodeVer("R07C08"), 1);
    EXPECT_EQ(o.InsertHeaderCodeVer(r.ver.c_str()), r.ret) << r.ver;
    EXPECT_STREQ(o.codeVer, r.stored) << r.ver;
  }
}

TEST(ClassicAccessors, DependencyListKeepsItsOrder) {
  CCodeHeader c;
  Strings want;
  for (int i = 0; i < 19; ++i) {
    EXPECT_EQ(c.AddCodeDependencyToHdr(static_cast<unsigned short>(100 + i), "R01A02.1234567890"), 1);
    want.push_back(std::to_string(100 + i) + ":R01A02.12345678");
  }
  EXPECT_EQ(c.AddCodeDependencyToHdr("LANG", "R01A02"), HDR_SUCCESS);
  want.push_back("26:R01A02");
  EXPECT_EQ(DepList(c), want);
  EXPECT_EQ(c.GetCodeDependencyAt(20).depType, 0);  // the count, a block boundary
  EXPECT_STREQ(c.GetCodeDependencyAt(20).depVer, "");
}

TEST(ClassicExtraction, FromAFileByLength) {
  Image img;
  img.codeMode = 0x1A;
  img.Section(7, 2, {0x0D, 0x0A}).Dep(0x0D0A, "R01A02").payload = {0x1A, 0x0D, 0x0A, 0x00};
  const Bytes file = img.File();
  ScratchDir dir;
  const std::string path = dir.Write("img", file);
  CCodeHeader fromMemory;
  Extract(fromMemory, file);
  for (const auto& [length, result] : {std::pair{static_cast<long>(file.size()), 72}, {1L << 40, 72}, {71L, 0},
                                       {0L, 0}, {-5L, 0}}) {
    CCodeHeader fromFile;
    EXPECT_EQ(fromFile.ExtractHdrFromCompressedCodeFile(path.c_str(), length), result) << length;
    EXPECT_EQ(HeaderState::Of(fromFile).bytes, result ? Bytes(file.begin(), file.begin() + 72) : Bytes()) << length;
    EXPECT_EQ(DepList(fromFile), result ? DepList(fromMemory) : Strings()) << length;
  }
  const HeaderState before = HeaderState::Of(fromMemory);
  EXPECT_EQ(fromMemory.ExtractHdrFromCompressedCodeFile(dir.File("absent").c_str(), 100), 0);
  EXPECT_EQ(HeaderState::Of(fromMemory), before);
}

}  // namespace
}  // namespace codehdr::test
