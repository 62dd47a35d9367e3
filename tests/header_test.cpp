// The code header: its forms, reading, checking and building, through the library's own API and through the classic
// CCodeHeader object.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <tuple>

#include <codehdr/code_header.h>
#include <codehdr/devices.h>
#include <codehdr/header.h>
#include <codehdr/header_fields.h>

#include "support.h"

namespace codehdr::test {
namespace {

using Strings = std::vector<std::string>;
constexpr std::uint32_t kCrc = 0xA1B2C3D4;

Bytes Cut(const Image& img, std::size_t n) {  // the header of `img` cut to n bytes, its total size saying n
  const Bytes b = img.Header();
  return With(With(Bytes(b.begin(), b.begin() + n), 22, static_cast<std::uint8_t>(n >> 8)), 23, n & 0xFF);
}

Image Tagged(std::uint8_t tag, std::uint8_t codeMode = 1, const char* codeVer = "P03B04.5", const char* vv = "R01A02") {
  Image img;
  img.tag = tag, img.codeMode = codeMode, img.codeVer = codeVer, img.vireVuz = vv;
  return img;
}

TEST(ReadHeader, FieldsAndTheSectionWalk) {
  // Sections as the walk meets them: a comment, an unknown type, dependencies, one whose length byte says 20, and a
  // second comment that wins.
  Image img = Tagged(26, 0x1A, "P03B04.5", "R01A02.123456789");
  Bytes longDep = Image().Dep(26, "P02B03.4").sections[0];
  longDep[1] = 20, longDep.push_back(0xEE), longDep.push_back(0xEE);  // read like L = 18, stepped by 22
  img.Comment("first").Section(5, 3, {0xEE, 0xEE, 0xEE}).Dep(3, "R01A02").sections.push_back(longDep);
  const Bytes walked = With(img.Comment("ABC").Dep(511, "R09Z99").Header(), 27, 0x78);
  const Header h = ReadHeader(walked.data(), walked.size());
  EXPECT_EQ(std::tuple(h.total_size, h.mandatory_size, h.stored_crc, h.tag, h.code_mode, h.section_count,
                       h.virevuz_version, h.code_version),
            std::tuple(walked.size(), 48, 0x78u, 26, 0x1A, 6, "R01A02.123456789", "P03B04.5"));
  Strings walk;
  for (const Section& s : h.sections) {
    walk.push_back(std::to_string(s.offset) + ":" + std::to_string(s.type) + ":" + std::to_string(s.length));
  }
  EXPECT_EQ(walk, (Strings{"48:1:6", "56:5:3", "61:2:18", "81:2:20", "103:1:4", "109:2:18"}));
  EXPECT_EQ(ReadHeader(nullptr, 48).form, HeaderForm::kNone);  // a null range is never read

  Image one, two;
  one.Dep(3, "R01A02").sectionCount = 4;
  two.Dep(3, "R01A02").Dep(4, "R01A02");
  const struct { const char* what; Bytes bytes; Strings deps; std::optional<std::string> comment; int len; } rows[] = {
      {"the walk", walked, {"3:R01A02", "26:P02B03.4", "511:R09Z99"}, "ABC", 4},
      {"more sections counted than present", one.Header(), {"3:R01A02"}, std::nullopt, 0},
      {"version cut", Cut(two, 76), {"3:R01A02", "4:R01A"}, std::nullopt, 0},
      {"type not whole", Cut(two, 71), {"3:R01A02"}, std::nullopt, 0},
      {"version not begun", Cut(two, 72), {"3:R01A02", "4:"}, std::nullopt, 0},
      {"short length byte", Image().Section(2, 4, {1, 2, 'R', '0'}).Header(), {"258:R0"}, std::nullopt, 0},
      {"comment without NUL", Image().Section(1, 5, {'h', 'e', 'l', 'l', 'o'}).Header(), {}, "hello", 5},
      {"comment of 40", Image().Comment(std::string(40, 'c')).Header(), {}, std::string(31, 'c'), 41},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const Header read = ReadHeader(r.bytes.data(), r.bytes.size());
    EXPECT_EQ(DepList(read.dependencies), r.deps);
    EXPECT_EQ(read.comment, r.comment);
    EXPECT_EQ(read.comment_length, r.len);
  }
}

// The field map covers every byte once, in offset order; where the bytes end inside a field, it is cut off.
TEST(HeaderFields, EveryByteOnceAndTheFaultyOnes) {
  const auto map = [](const Bytes& b) {
    Strings out;
    for (const HeaderField& f : HeaderFields(ReadHeader(b.data(), b.size()), b.size())) {
      out.push_back(std::to_string(f.offset) + "+" + std::to_string(f.size) + " " + FieldKindName(f.kind) +
                    (f.section != 0 ? " " + std::to_string(f.section) : "") + (f.cut_off ? " cut" : ""));
    }
    return out;
  };
  Image img;
  img.Comment("hi").Section(5, 1, {0xEE}).Dep(3, "R01A02").sections.push_back({9});  // the last is never walked
  img.sectionCount = 3;
  const Strings mandatory = {"0+4 guard_bytes", "4+16 virevuz_version", "20+2 mandatory_size", "22+2 total_size",
                             "24+4 crc32", "28+1 tag_id", "29+1 code_mode", "30+16 code_version",
                             "46+1 section_count", "47+1 reserved"};
  Strings whole = mandatory, cut = mandatory;
  whole.insert(whole.end(), {"48+2 section_head 1", "50+3 comment 1", "53+2 section_head 2", "55+1 section_payload 2",
                             "56+2 section_head 3", "58+2 dependency_type 3", "60+16 dependency_version 3",
                             "76+1 unread_bytes"});
  cut.insert(cut.end(), {"48+2 section_head 1", "50+3 comment 1", "53+2 section_head 2", "55+1 section_payload 2",
                         "56+2 section_head 3 cut", "58+1 dependency_type 3 cut"});
  const Bytes h = img.Header();
  EXPECT_EQ(map(h), whole);
  EXPECT_EQ(map(Cut(img, 59)), cut);
  EXPECT_EQ(map(Bytes(h.begin(), h.begin() + 26)),
            (Strings{"0+4 guard_bytes", "4+16 virevuz_version", "20+2 mandatory_size", "22+2 total_size",
                     "24+2 crc32 cut"}));
  EXPECT_EQ(map(Bytes{7, 7, 7, 7, 1}), (Strings{"0+4 old_style_tag_id"}));

  HeaderCheck failed, atEnd, passed;
  failed.status = atEnd.status = Status::kReservedByte, failed.fault_offset = 47, failed.fault_size = 1;
  Header malformed;
  malformed.form = HeaderForm::kMalformed;
  const auto span = [](const std::optional<ByteSpan>& f) {
    return f ? Strings{std::to_string(f->offset) + "+" + std::to_string(f->size)} : Strings{};
  };
  EXPECT_EQ(span(FaultyBytes(Header(), 76, failed)), Strings{"47+1"});
  EXPECT_EQ(span(FaultyBytes(Header(), 76, atEnd)), Strings{"46+1"});  // a section would start at the end: the count
  EXPECT_EQ(span(FaultyBytes(malformed, 76, passed)), Strings{"22+2"});
  EXPECT_EQ(span(FaultyBytes(malformed, 23, std::nullopt)), Strings{});
  EXPECT_EQ(span(FaultyBytes(Header(), 76, passed)), Strings{});
}

// Tag 12, stored CRC kCrc, a comment at 48 (7 bytes), dependencies at 55 and 75.
Bytes Checkable() {
  Bytes b = Tagged(12, 1, "P05E06.7").Comment("note").Dep(3, "R02B03").Dep(26, "R04C05.1").Header();
  PutCrc(b, kCrc);
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
      {Status::kOk, HDR_SUCCESS, 0, 0, [](Bytes&) {}, true, 2},
  };
  const Strings deps = {"3:R02B03", "26:R04C05.1"};
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    SCOPED_TRACE(k);
    Bytes b = Checkable();
    for (std::size_t j = k; j < std::size(rows); ++j) rows[j].breakIt(b);
    const HeaderCheck check = CheckHeader(b.data(), b.size(), 12, kCrc);
    const auto& r = rows[k];
    EXPECT_EQ(std::tuple(check.status, check.fault_offset, check.fault_size), std::tuple(r.status, r.offset, r.size));
    EXPECT_EQ(check.code_version, r.codeVersionTaken ? std::optional<std::string>("P05E06.7") : std::nullopt);
    const Strings taken = r.depsTaken < 0 ? Strings{"-"} : Strings(deps.begin(), deps.begin() + r.depsTaken);
    EXPECT_EQ(check.dependencies ? DepList(*check.dependencies) : Strings{"-"}, taken);
    CCodeHeader c;
    ASSERT_EQ(c.ExtractHdrFromCompressedCodeFile(b.data(), b.size()), b.size());
    EXPECT_EQ(c.ValidateHeader(12, kCrc), r.code);
  }
}

TEST(CheckHeader, SkippedChecksSectionReadingAndShortHeaders) {
  const Bytes dep = Image().Dep(44, "R01A02").sections[0];
  Image afterComment, overCount, headCut, fullWidth = Tagged(17, 1, "P01A02.987654321");
  // After a comment, a section of type 3 with a length byte of 7 is read as 20 bytes.
  afterComment.Comment("a longer comment").Section(3, 7, Bytes(dep.begin() + 2, dep.end())).Dep(45, "R01A02.123456789");
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
      {"an empty section last", Image().Comment("a").Section(1, 0, {}).Header(), Status::kOk, 0, 0, {}},
      {"16-character code version", fullWidth.Header(), Status::kOk, 0, 0, {}},
      {"guard bytes only", {0xC9, 0xC9, 0xC9, 0xC9}, Status::kMandatorySize, 20, 2, {}},
      {"first guard byte", With(Checkable(), 0, 0), Status::kGuardBytes, 0, 4, {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const HeaderCheck check = CheckHeader(r.bytes.data(), r.bytes.size(), 0, 0);
    EXPECT_EQ(std::tuple(check.status, check.fault_offset, check.fault_size), std::tuple(r.status, r.offset, r.size));
    EXPECT_EQ(check.dependencies ? DepList(*check.dependencies) : Strings(), r.deps);
  }
  EXPECT_EQ(CheckHeader(fullWidth.Header().data(), 48, 0, 0).code_version, "P01A02.987654321");
  EXPECT_EQ(CheckHeader(nullptr, 0, 0, 0).status, Status::kGuardBytes);
}

TEST(BuildHeader, BytesOrTheFirstFailureOfBothBuilders) {
  struct Row { HeaderSpec spec; Status status; unsigned short code; Bytes want; };
  // A header that builds, and the same written byte by byte.
  const auto ok = [](std::uint8_t tag, std::uint8_t mode, std::optional<std::string> comment = std::nullopt,
                     std::vector<Dependency> deps = {}) {
    Image img = Tagged(tag, mode);
    if (comment) img.Comment(*comment);
    for (const Dependency& d : deps) img.Dep(d.type, d.version);
    return Row{HeaderSpec{tag, "R01A02", "P03B04.5", comment, deps}, Status::kOk, HDR_SUCCESS, img.Header()};
  };
  const auto fail = [](std::uint8_t tag, const char* vireVuz, const char* codeVer, Status status, unsigned short code,
                       std::size_t deps = 0) {
    return Row{HeaderSpec{tag, vireVuz, codeVer, std::nullopt, std::vector<Dependency>(deps, {1, "R01A02"})}, status,
               code, {}};
  };
  const std::vector<Dependency> d255(255, {1, "R01A02"}), d254(254, {1, "R01A02"});
  std::vector<Row> rows = {
      ok(17, 1), ok(17, 1, ""), ok(26, 26, "abc", {{3, "R02B03"}, {511, "P04C05.6"}}), ok(20, CODE_MODE_NOT_FOUND),
      ok(21, 0), ok(17, 1, std::nullopt, d255), ok(17, 1, "c", d254),
      // Failures in the order the build meets them: the VireVuz version before the device, the device before the code
      // version.
      fail(99, "X01A02", "P03B04.5", Status::kVireVuzVersion, 1051),
      fail(0, "R01A02", "P03B04.5", Status::kNoCodeMode, 1002),
      fail(99, "R01A02", "X01A02", Status::kNoCodeMode, 1002),
      fail(19, "R01A02", "P03B04.5", Status::kCodeModeTooLarge, 1002),  // 511
      fail(17, "R01A02", "", Status::kCodeVersionEmpty, 1051),
      fail(17, "R01A02", "X01A02", Status::kCodeVersion, 1052),
      fail(17, "R01A02", "P03B04.5", Status::kTooManySections, 1055, 256),
      fail(17, "R01A02", "P03B04.5", Status::kTooManySections, 1055, 255),  // with a comment
  };
  rows.back().spec.comment = "c";
  // The devices of both builders: a label cut to 7 characters, one the code-mode table lacks and one whose value does
  // not fit a byte.
  ScratchDir dir;
  const std::string devices = dir.Write(
      "virevuz.txt", DeviceFile({{17, "APP"}, {19, "BUNDLE"}, {20, "NOSUCH"}, {21, "BOOTLDRX"}, {26, "LANG"}}));
  DeviceTable table;
  ASSERT_EQ(LoadDeviceTable(devices, table), Status::kOk);
  // A classic object set up to build `spec`; a comment comes with a header extracted before.
  const auto classic = [&](CCodeHeader& c, const HeaderSpec& spec) {
    CaptureStdout([&] { ASSERT_EQ(c.Init(devices.c_str()), HDR_SUCCESS); });
    const Bytes held = Image().Comment(spec.comment.value_or("")).Header();
    if (spec.comment) c.ExtractHdrFromCompressedCodeFile(held.data(), held.size());
    spec.code_version.copy(c.codeVer, sizeof c.codeVer - 1);  // codeVer starts zeroed
    for (const Dependency& d : spec.dependencies) c.AddCodeDependencyToHdr(d.type, d.version.c_str());
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    const Row& r = rows[i];
    const BuiltHeader built = BuildHeader(r.spec, table);
    EXPECT_EQ(std::tuple(built.status, LegacyCode(built.status)), std::tuple(r.status, r.code));
    EXPECT_EQ(built.bytes, r.want);
    CCodeHeader c;
    classic(c, r.spec);
    HeaderState want = HeaderState::Of(c);  // a failed build leaves the object as it was
    int rc = -1;
    EXPECT_EQ(c.BuildHeader(r.spec.tag, r.spec.virevuz_version.c_str(), &rc), r.want.size());
    EXPECT_EQ(rc, r.code);
    if (r.status == Status::kOk) {
      want.buffer = c.compressedCodeHeader, want.bytes = r.want, want.totalHdrSize = r.want.size();
    }
    EXPECT_EQ(HeaderState::Of(c), want);
  }
  CCodeHeader c;
  classic(c, rows[0].spec);
  unsigned char buf[48];
  EXPECT_EQ(c.BuildMandatoryHeader(buf, 47, 17, "R01A02"), ERR_MAN_HDR_SIZE);
  EXPECT_EQ(c.BuildMandatoryHeader(buf, 1000, 17, "R01A02"), HDR_SUCCESS);
  EXPECT_EQ(Bytes(buf, buf + 48), With(rows[0].want, 23, 0));
  // The classic object judges and writes 15 characters of a VireVuz version and any dependency version as it holds
  // it; the library's own builder cuts nothing and builds only what its check accepts.
  EXPECT_EQ(c.AddCodeDependencyToHdr(7, "garbage!"), 1);
  int rc = -1;
  EXPECT_EQ(c.BuildHeader(17, "R01A02.123456789X", &rc), 68);
  EXPECT_EQ(Bytes(c.compressedCodeHeader, c.compressedCodeHeader + 68),
            Tagged(17, 1, "P03B04.5", "R01A02.12345678").Dep(7, "garbage!").Header());
  const std::string nul("R01\0A02", 7);
  const struct { const char* what; std::function<void(HeaderSpec&)> change; Status want; } strict[] = {
      {"VireVuz of 16", [](HeaderSpec& s) { s.virevuz_version = "R01A02.123456789"; }, Status::kVireVuzTooLong},
      {"VireVuz with a NUL", [&](HeaderSpec& s) { s.virevuz_version = nul; }, Status::kVireVuzVersion},
      {"code version with a NUL", [&](HeaderSpec& s) { s.code_version = nul; }, Status::kCodeVersion},
      {"code version of 17", [](HeaderSpec& s) { s.code_version = "R01A02.1234567890"; }, Status::kCodeVersion},
      {"comment of 32", [](HeaderSpec& s) { s.comment = std::string(32, 'c'); }, Status::kComment},
      {"comment with a NUL", [](HeaderSpec& s) { s.comment = std::string("a\0b", 3); }, Status::kComment},
      {"malformed dependency", [](HeaderSpec& s) { s.dependencies = {{3, "R02B03"}, {3, "garbage!"}}; },
       Status::kDependencyVersion},
      {"dependency of 17", [](HeaderSpec& s) { s.dependencies = {{3, "R01A02.1234567890"}}; },
       Status::kDependencyVersion},
      {"dependency with a NUL", [&](HeaderSpec& s) { s.dependencies = {{3, nul}}; }, Status::kDependencyVersion},
      {"the longest of each",
       [](HeaderSpec& s) { s.comment = std::string(31, 'c'), s.dependencies = {{3, "R01A02.123456789"}}; },
       Status::kOk},
  };
  for (const auto& r : strict) {
    HeaderSpec spec = rows[0].spec;
    r.change(spec);
    const BuiltHeader built = BuildHeader(spec, "APP");
    EXPECT_EQ(built.status, r.want) << r.what;
    EXPECT_EQ(built.bytes.empty(), r.want != Status::kOk) << r.what;
  }
  Dependency dep;
  EXPECT_EQ(DependencyByLabel("FPGA", "R01A02.1234567890", dep), Status::kDependencyVersion);
  EXPECT_EQ(DependencyByLabel("FPGA", "R01A02.123456789", dep), Status::kOk);
  EXPECT_EQ(dep.type, 3);
}

TEST(CodeModes, TableAndPublishedFileAgree) {
  std::ifstream in(std::string(CODEHDR_SOURCE_DIR) + "/data/code_modes.txt");
  CCodeHeader c;  // a dependency added by label gets the label's value
  Strings deps;
  for (std::string label; in >> label;) {
    std::uint16_t value = 0;
    if (label[0] == '#' || !(in >> value)) {
      std::getline(in, label);
      continue;
    }
    ASSERT_LT(deps.size(), kCodeModeCount);
    EXPECT_EQ(std::tuple(CodeModes()[deps.size()].label, CodeModes()[deps.size()].value), std::tuple(label, value));
    EXPECT_EQ(CodeModeValue(label), value) << label;
    EXPECT_EQ(c.AddCodeDependencyToHdr(label.c_str(), "R01A02"), HDR_SUCCESS) << label;
    deps.push_back(std::to_string(value) + ":R01A02");
  }
  EXPECT_EQ(deps.size(), kCodeModeCount);
  EXPECT_EQ(c.AddCodeDependencyToHdr("NOSUCH", "R01A02"), ERR_UNKNOWN_DEP_LABEL);
  EXPECT_EQ(c.AddCodeDependencyToHdr("LANG", "R01I02"), ERR_VERSION_FORMAT);
  for (unsigned short type : {9, 10, 11}) {  // by type: unchecked, cut to 15 characters
    EXPECT_EQ(c.AddCodeDependencyToHdr(type, "R01A02.1234567890"), 1);
    deps.push_back(std::to_string(type) + ":R01A02.12345678");
  }
  EXPECT_EQ(DepList(c), deps);
  EXPECT_EQ(c.GetCodeDependencyAt(20).depType, 0);  // the count, at a block boundary
}

}  // namespace
}  // namespace codehdr::test
