// Whole code images: verified from memory, from a file, from a stream and by
// the classic DoVerifyHeader; written in one pass; their payload taken out.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <codehdr/code_header.h>
#include <codehdr/image.h>

#include "support.h"

namespace codehdr::test {
namespace {

// Bytes read per step while a file is verified.
constexpr std::size_t kChunk = std::size_t{256} << 10;

// A comment at 48 (7 bytes), dependencies at 55 and 75: a 95-byte header.
Image Rich(std::size_t payload = 3000) {
  Image img;
  img.Comment("note").Dep(3, "R02B03").Dep(26, "R04C05.1");
  img.payload.resize(payload);
  for (std::size_t i = 0; i < payload; ++i) img.payload[i] = static_cast<std::uint8_t>(i * 7 + (i >> 11));
  return img;
}

Bytes Sealed(Bytes b) {
  std::fill(b.begin() + 24, b.begin() + 28, 0);
  const std::uint32_t crc = ReferenceCrc32(b.data(), b.size());
  for (int i = 0; i < 4; ++i) b[24 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return b;
}

Bytes With(Bytes b, std::size_t at, std::uint8_t value, bool reseal = false) {
  b[at] = value;
  return reseal ? Sealed(b) : b;
}

Bytes Cut(Bytes b, std::size_t n) {
  b.resize(n);
  return b;
}

std::size_t Entries(const ScratchDir& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}

TEST(VerifyImage, EveryReaderGivesTheSameVerdict) {
  const Bytes good = Rich().File();
  Image unsealed = Rich();
  unsealed.seal = false;
  const struct { const char* what; Bytes bytes; std::uint8_t tag; Verdict verdict; Status status; int held;
      bool codeVersionTaken; } rows[] = {
      {"sealed", good, 17, Verdict::kVerified, Status::kOk, 95, true},
      {"any tag", good, 0, Verdict::kVerified, Status::kOk, 95, true},
      {"other tag", good, 18, Verdict::kFailed, Status::kTagMismatch, 95, false},
      {"payload changed", With(good, good.size() - 1, 0), 17, Verdict::kFailed, Status::kCrcMismatch, 95, false},
      {"header changed", With(good, 51, 'N'), 17, Verdict::kFailed, Status::kCrcMismatch, 95, false},
      {"not sealed", unsealed.File(), 17, Verdict::kFailed, Status::kCrcMismatch, 95, false},
      {"CRC field 5A5A5A5A", With(With(With(With(good, 24, 0x5A), 25, 0x5A), 26, 0x5A), 27, 0x5A), 17, Verdict::kFailed,
       Status::kCrcMismatch, 95, false},
      {"bad VireVuz version", With(good, 4, 'X', true), 17, Verdict::kFailed, Status::kVireVuzVersion, 95, false},
      {"reserved byte", With(good, 47, 1, true), 17, Verdict::kFailed, Status::kReservedByte, 95, true},
      {"old-style", {5, 5, 5, 5, 1, 2, 3}, 17, Verdict::kNotChecked, Status::kOldStyleHeader, 4, false},
      {"no header", {5, 5, 5, 6, 1}, 17, Verdict::kNotChecked, Status::kNoHeader, 0, false},
      {"empty", {}, 17, Verdict::kNotChecked, Status::kNoHeader, 0, false},
      {"shorter than its header", Cut(good, 90), 0, Verdict::kFailed, Status::kHeaderTruncated, 0, false},
      {"no total size", Cut(good, 20), 0, Verdict::kFailed, Status::kHeaderTruncated, 0, false},
      {"one byte", {0xC9}, 0, Verdict::kFailed, Status::kHeaderTruncated, 0, false},
      {"total 30", With(good, 23, 30), 0, Verdict::kFailed, Status::kHeaderTooSmall, 0, false},
      {"total 5", With(good, 23, 5), 0, Verdict::kFailed, Status::kHeaderTooSmall, 0, false},
      {"total 4: no header", With(With(good, 22, 0), 23, 4), 0, Verdict::kNotChecked, Status::kHeaderTooSmall, 0,
       false},
  };
  ScratchDir dir;
  for (const auto& r : rows) {
    const std::string path = dir.Write("img", r.bytes);
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    const VerifyReport reports[] = {VerifyBytes(r.bytes.data(), r.bytes.size(), r.tag), VerifyFile(path, r.tag),
                                    VerifyStream(stream, r.tag)};
    std::fclose(stream);
    Bytes zeroed = r.bytes;  // the CRC counts the field as zero, whatever it holds
    for (std::size_t i = 24; i < 28 && i < zeroed.size(); ++i) zeroed[i] = 0;
    for (const VerifyReport& v : reports) {
      EXPECT_EQ(v.verdict, r.verdict) << r.what;
      EXPECT_EQ(v.status, r.status) << r.what;
      EXPECT_EQ(v.file_size, r.bytes.size()) << r.what;
      EXPECT_EQ(v.computed_crc.has_value(), !r.bytes.empty() && r.bytes[0] == 0xC9) << r.what;
      EXPECT_EQ(v.computed_crc.value_or(0), v.computed_crc ? ReferenceCrc32(zeroed.data(), zeroed.size()) : 0) << r.what;
    }
    CCodeHeader c;
    ASSERT_EQ(c.InsertHeaderCodeVer("R09Z09"), 1);
    EXPECT_EQ(c.DoVerifyHeader(path.c_str(), 0, r.tag), r.verdict == Verdict::kFailed ? 0 : 1) << r.what;
    EXPECT_EQ(c.GetHeaderTotalSize(), r.held) << r.what;
    EXPECT_STREQ(c.codeVer, r.codeVersionTaken ? "P03B04.5" : "R09Z09") << r.what;
    if (r.held > 4) {  // what the extraction parsed, or what the check took
      EXPECT_EQ(DepList(c), (std::vector<std::string>{"3:R02B03", "26:R04C05.1"})) << r.what;
      EXPECT_EQ(c.GetHeaderCommentLen(), 5) << r.what;
    }
  }
}

TEST(VerifyImage, LargerThanOneRead) {
  const Image img = Rich(2 * kChunk + 5);
  const Bytes file = img.File();
  ScratchDir dir;
  const std::string path = dir.Write("big", file);
  EXPECT_EQ(VerifyFile(path, 17).verdict, Verdict::kVerified);
  const ExtractReport extracted = ExtractPayload(path, dir.File("payload"));
  EXPECT_EQ(extracted.status, Status::kOk);
  EXPECT_EQ(extracted.size, img.payload.size());
  EXPECT_EQ(ReadFile(dir.File("payload")), img.payload);
  for (std::size_t at : {kChunk - 1, kChunk, 2 * kChunk, file.size() - 1}) {
    const VerifyReport r = VerifyFile(dir.Write("big", With(file, at, file[at] ^ 0x80)), 17);
    EXPECT_EQ(r.status, Status::kCrcMismatch) << at;
  }
}

TEST(WriteImage, RoundTrip) {
  const Image img = Rich();
  const Bytes header = With(img.Header(), 25, 0x77);  // whatever the field holds is replaced
  ScratchDir dir;
  std::FILE* payload = std::fopen(dir.Write("payload", img.payload).c_str(), "rb");
  const WriteReport reports[] = {WriteImage(dir.File("a"), header, img.payload.data(), img.payload.size()),
                                 WriteImage(dir.File("b"), header, payload)};
  std::fclose(payload);
  for (const char* name : {"a", "b"}) {
    const WriteReport& w = reports[name[0] - 'a'];
    EXPECT_EQ(w.status, Status::kOk) << name;
    EXPECT_EQ(w.size, img.File().size()) << name;
    EXPECT_EQ(ReadFile(dir.File(name)), img.File()) << name;
    EXPECT_EQ(w.crc, ReadHeader(img.File().data(), 95).stored_crc) << name;
    const VerifyReport v = VerifyFile(dir.File(name), 17);
    EXPECT_EQ(v.verdict, Verdict::kVerified) << name;
    EXPECT_EQ(v.computed_crc, w.crc) << name;
  }
}

TEST(WriteImage, AFailedWriteLeavesNoFileAndKeepsTheOldOne) {
  ScratchDir dir;
  const Bytes old = {'o', 'l', 'd'};
  const std::string target = dir.Write("target", old);
  std::FILE* unreadable = std::fopen(dir.File("w").c_str(), "w");
  const WriteReport reports[] = {WriteImage(target, Bytes(27, 0xC9), old.data(), old.size()),
                                 WriteImage(target, Rich().Header(), unreadable)};
  std::fclose(unreadable);
  EXPECT_EQ(reports[0].status, Status::kBufferTooSmall);
  EXPECT_EQ(reports[1].status, Status::kFileRead);
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(Entries(dir), 2u);  // the target and the unreadable stream's file
  const WriteReport nowhere = WriteImage(dir.File("missing/x"), Rich().Header(), old.data(), old.size());
  EXPECT_EQ(nowhere.status, Status::kFileWrite);
  EXPECT_EQ(nowhere.os_error, ENOENT);
  EXPECT_EQ(Entries(dir), 2u);
}

TEST(ExtractPayload, ByHeaderForm) {
  const Image img = Rich();
  const struct { const char* what; Bytes bytes; bool raw; Status status; std::optional<Bytes> out; } rows[] = {
      {"new-style", img.File(), false, Status::kOk, img.payload},
      {"old-style", {5, 5, 5, 5, 8, 9}, false, Status::kOk, Bytes{8, 9}},
      {"no header", {5, 5, 5, 6, 9}, false, Status::kNoHeader, std::nullopt},
      {"no header, raw", {5, 5, 5, 6, 9}, true, Status::kOk, Bytes{5, 5, 5, 6, 9}},
      {"empty, raw", {}, true, Status::kOk, Bytes{}},
      {"truncated header", Cut(img.File(), 90), true, Status::kHeaderTruncated, std::nullopt},
      {"total 30", With(img.File(), 23, 30), false, Status::kHeaderTooSmall, std::nullopt},
  };
  for (const auto& r : rows) {
    ScratchDir dir;
    const ExtractReport e = ExtractPayload(dir.Write("img", r.bytes), dir.File("out"), r.raw);
    EXPECT_EQ(e.status, r.status) << r.what;
    EXPECT_EQ(e.os_error, 0) << r.what;
    EXPECT_EQ(std::filesystem::exists(dir.File("out")), r.out.has_value()) << r.what;
    if (r.out) {
      EXPECT_EQ(ReadFile(dir.File("out")), *r.out) << r.what;
      EXPECT_EQ(e.size, r.out->size()) << r.what;
    }
  }
}

}  // namespace
}  // namespace codehdr::test
