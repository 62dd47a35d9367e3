// Whole code images: verified from memory, from a file, from a stream and by the classic DoVerifyHeader; written in one
// pass; their payload taken out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

#include <codehdr/checksum.h>
#include <codehdr/code_header.h>
#include <codehdr/devices.h>
#include <codehdr/file_io.h>
#include <codehdr/image.h>

#include "platform/platform.h"
#include "support.h"

namespace codehdr::test {
namespace {

constexpr std::size_t kChunk = std::size_t{256} << 10;  // bytes read per step while a file is verified

// A comment at 48 (7 bytes), dependencies at 55 and 75: a 95-byte header.
Image Rich(std::size_t payload = 3000) {
  Image img;
  img.Comment("note").Dep(3, "R02B03").Dep(26, "R04C05.1");
  img.payload.resize(payload);
  for (std::size_t i = 0; i < payload; ++i) img.payload[i] = static_cast<std::uint8_t>(i * 7 + (i >> 11));
  return img;
}

// (The classic DoVerifyHeader is held to the same verdicts by the image fuzz target, on every input of its corpus.)
TEST(VerifyImage, EveryReaderGivesTheSameVerdictAndExtractionAgrees) {
  const Bytes good = Rich().File();
  const Verdict kFailed = Verdict::kFailed, kNotChecked = Verdict::kNotChecked;
  const struct { const char* what; Bytes bytes; Verdict verdict; Status status; int held; } rows[] = {
      {"sealed", good, Verdict::kVerified, Status::kOk, 95},
      {"C9 00 00 00", With(With(With(good, 1, 0), 2, 0), 3, 0), kFailed, Status::kGuardBytes, 95},
      {"old-style", {5, 5, 5, 5, 1, 2, 3}, kNotChecked, Status::kOldStyleHeader, 4},
      {"no header", {5, 5, 5, 6, 1}, kNotChecked, Status::kNoHeader, 0},
      {"empty", {}, kNotChecked, Status::kNoHeader, 0},
      {"shorter than its header", Bytes(good.begin(), good.begin() + 90), kFailed, Status::kHeaderTruncated, 0},
      {"guard bytes only", {0xC9, 0xC9, 0xC9, 0xC9}, kFailed, Status::kHeaderTruncated, 0},
      {"total 47", With(With(good, 22, 0), 23, 47), kFailed, Status::kHeaderTooSmall, 0},
      {"total 5", With(good, 23, 5), kFailed, Status::kHeaderTooSmall, 0},
      {"total 4: no header", With(With(good, 22, 0), 23, 4), kNotChecked, Status::kHeaderTooSmall, 0},
  };
  ScratchDir dir;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const std::string path = dir.Write("img", r.bytes);
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    const VerifyReport reports[] = {VerifyBytes(r.bytes.data(), r.bytes.size(), 17), VerifyFile(path, 17),
                                    VerifyStream(stream, 17)};
    std::fclose(stream);
    for (const VerifyReport& v : reports) {
      EXPECT_EQ(std::tuple(v.verdict, v.status, v.file_size), std::tuple(r.verdict, r.status, r.bytes.size()));
      EXPECT_EQ(v.computed_crc.has_value(), !r.bytes.empty() && r.bytes[0] == 0xC9);  // for a new-style header only
    }
    // The payload follows a header of either form, whatever the check says; without a header only a raw extraction
    // takes the whole file.
    const bool none = r.verdict == kNotChecked && r.held == 0;
    for (bool raw : {false, true}) {
      const bool out = r.held > 0 || (raw && none);
      const ExtractReport e = ExtractPayload(path, dir.File("out"), raw);
      EXPECT_EQ(std::tuple(e.status, e.size),
                std::tuple(out ? Status::kOk : none ? Status::kNoHeader : r.status, out ? r.bytes.size() - r.held : 0));
      EXPECT_EQ(ReadFile(dir.File("out")), out ? Bytes(r.bytes.begin() + r.held, r.bytes.end()) : Bytes());
      EXPECT_EQ(std::filesystem::remove(dir.File("out")), out);
    }
  }
  std::FILE* f = std::fopen(dir.Write("img", good).c_str(), "rb");
  std::fseek(f, 0, SEEK_END);  // the open-file form reads from the start
  EXPECT_EQ(CCodeHeader().IsNewHeader(f), 1);
  std::fclose(f);
}

TEST(WholeImage, WrittenVerifiedAndExtractedAcrossReadsOrNotWritten) {
  const Image img = Rich(2 * kChunk + 5);
  const Bytes file = img.File();
  const Bytes header = With(img.Header(), 25, 0x77);  // whatever the field holds is replaced
  ScratchDir dir;  // (the stream form writes every image the tool builds)
  const WriteReport w = WriteImage(dir.File("a"), header, img.payload.data(), img.payload.size());
  EXPECT_EQ(std::tuple(w.status, w.size, w.crc),
            std::tuple(Status::kOk, file.size(), ReadHeader(file.data(), 95).stored_crc));
  EXPECT_EQ(ReadFile(dir.File("a")), file);
  InputFile payload(dir.Write("payload.in", img.payload));
  const WriteReport streamed = WriteImage(dir.File("b"), header, payload);
  EXPECT_EQ(std::tuple(streamed.status, streamed.crc, ReadFile(dir.File("b"))), std::tuple(Status::kOk, w.crc, file));
  const VerifyReport v = VerifyFile(dir.File("a"), 17);
  EXPECT_EQ(std::tuple(v.verdict, v.computed_crc), std::tuple(Verdict::kVerified, w.crc));
  const ExtractReport extracted = ExtractPayload(dir.File("a"), dir.File("payload"));
  EXPECT_EQ(std::tuple(extracted.status, extracted.size), std::tuple(Status::kOk, img.payload.size()));
  EXPECT_EQ(ReadFile(dir.File("payload")), img.payload);
  for (std::size_t at : {kChunk - 1, kChunk, 2 * kChunk, file.size() - 1}) {
    EXPECT_EQ(VerifyFile(dir.Write("big", With(file, at, file[at] ^ 0x80)), 17).status, Status::kCrcMismatch) << at;
  }
  // A failed write leaves no file and keeps the old one.
  const Bytes old = {'o', 'l', 'd'};
  const std::string target = dir.Write("target", old);
  std::FILE* unreadable = std::fopen(dir.File("w").c_str(), "w");
  const WriteReport failed[] = {WriteImage(target, Bytes(27, 0xC9), old.data(), old.size()),
                                WriteImage(target, Rich().Header(), unreadable),
                                WriteImage(target, Rich().Header(), static_cast<std::FILE*>(nullptr)),
                                WriteImage(target, Rich().Header(), nullptr, 1)};
  std::fclose(unreadable);
  EXPECT_EQ(std::tuple(failed[0].status, failed[1].status, failed[2].status, failed[3].status),
            std::tuple(Status::kBufferTooSmall, Status::kFileRead, Status::kInvalidArgument, Status::kInvalidArgument));
  EXPECT_EQ(ReadFile(target), old);
  // An output written gives back its place among those a signal handler removes: all are free again.
  const platform::NativeName name("x");
  const auto freePlaces = [&] {
    std::vector<int> taken;
    for (int slot; (slot = platform::RegisterPartialFile(name.c_str())) >= 0;) taken.push_back(slot);
    for (const int slot : taken) platform::UnregisterPartialFile(slot);
    return taken.size();
  };
  EXPECT_EQ(freePlaces(), platform::kPartialSlots);
  const WriteReport nowhere = WriteImage(dir.File("missing/x"), Rich().Header(), old.data(), old.size());
  EXPECT_EQ(std::tuple(nowhere.status, nowhere.os_error), std::tuple(Status::kFileWrite, ENOENT));
  EXPECT_EQ(dir.Count(), 7);  // no temporary left
}

// Names are UTF-8 on every system; Windows opens them through the wide-character calls (the classic API goes through
// the same calls). A name outside ASCII (and outside any single code page) is written, verified and extracted to, and
// a device file of such a name loads.
TEST(FileNames, OutsideAsciiWork) {
  const Image img = Rich();
  ScratchDir dir;
  // ünï-файл-名.img
  const std::string name = dir.File("\xC3\xBCn\xC3\xAF-\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB-\xE5\x90\x8D.img");
  const std::string payload = dir.File("payload-\xC3\x9F"), devices = dir.File("ger\xC3\xA4te.txt");
  ASSERT_EQ(WriteImage(name, img.Header(), img.payload.data(), img.payload.size()).status, Status::kOk);
  EXPECT_EQ(ReadFile(name), img.File());
  EXPECT_EQ(VerifyFile(name, 17).verdict, Verdict::kVerified);
  EXPECT_EQ(ExtractPayload(name, payload).status, Status::kOk);
  EXPECT_EQ(ReadFile(payload), img.payload);
  dir.Write("ger\xC3\xA4te.txt", DeviceFile({{17, "APP"}}));
  DeviceTable table;
  EXPECT_EQ(LoadDeviceTable(devices, table), Status::kOk);
  EXPECT_EQ(dir.Count(), 3);
  // A name that is not UTF-8: Linux takes its bytes as they are; on Windows no file can be named so (EILSEQ).
  const std::string notUtf8 = dir.File("\xFF.img");
  const WriteReport w = WriteImage(notUtf8, img.Header(), img.payload.data(), img.payload.size());
  const VerifyReport v = VerifyFile(notUtf8, 17);
#if defined(_WIN32)
  EXPECT_EQ(std::tuple(w.status, w.os_error, v.status, v.os_error),
            std::tuple(Status::kFileWrite, EILSEQ, Status::kFileOpen, EILSEQ));
  EXPECT_EQ(dir.Count(), 3);
#else
  EXPECT_EQ(std::tuple(w.status, v.verdict), std::tuple(Status::kOk, Verdict::kVerified));
  EXPECT_EQ(dir.Count(), 4);
#endif
}

// Replacing a target that is read-only, or that another handle holds open: Linux replaces either (the holder keeps the
// old bytes). Windows refuses both with EACCES: the attribute asks that the file stay as it is, and the system does
// not replace a file that is open; the target stays as it was and nothing is left behind.
TEST(WholeImage, ReplacingATargetReadOnlyOrHeldOpen) {
  const bool replaced = !kWindows;
  namespace fs = std::filesystem;
  const Image img = Rich();
  for (const bool readOnly : {true, false}) {
    SCOPED_TRACE(readOnly ? "read-only" : "held open");
    ScratchDir dir;
    const std::string target = dir.Write("target", "old");
    const fs::perms writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    std::ifstream held;
    readOnly ? fs::permissions(fs::u8path(target), writable, fs::perm_options::remove)
             : held.open(fs::u8path(target), std::ios::binary);
    const WriteReport w = WriteImage(target, img.Header(), img.payload.data(), img.payload.size());
    EXPECT_EQ(std::tuple(w.status, w.os_error),
              replaced ? std::tuple(Status::kOk, 0) : std::tuple(Status::kFileWrite, EACCES));
    EXPECT_EQ(ReadFile(target), replaced ? img.File() : Bytes({'o', 'l', 'd'}));
    EXPECT_EQ(dir.Count(), 1);
    held.close();
    fs::permissions(fs::u8path(target), writable, fs::perm_options::add);  // so that the directory can go
  }
}

// The chunk-fed verifier: a null chunk is the caller's error, a verifier moved from has seen nothing, and Finish starts
// afresh with the same expected tag (the corpus replay checks its reports against VerifyBytes for every split).
TEST(ImageVerifier, NullChunksMovesAndFinish) {
  const Bytes good = Rich().File();  // tag 17
  ImageVerifier v(18);
  v.Update(nullptr, 0);
  v.Update(good.data(), good.size());
  ImageVerifier moved(std::move(v));
  v.Update(good.data(), good.size());
  const VerifyReport empty = v.Finish(), r = moved.Finish();
  EXPECT_EQ(std::tuple(empty.status, empty.file_size), std::tuple(Status::kNoHeader, std::uint64_t{0}));
  EXPECT_EQ(std::tuple(r.status, r.file_size), std::tuple(Status::kTagMismatch, std::uint64_t{good.size()}));
  moved.Update(good.data(), 10);
  const VerifyReport failed = moved.Finish(Status::kFileRead, EIO);
  EXPECT_EQ(std::tuple(failed.verdict, failed.status, failed.os_error, failed.file_size),
            std::tuple(Verdict::kFailed, Status::kFileRead, EIO, std::uint64_t{10}));
  // Null bytes of a nonzero size, by any reader, fail rather than pass as an empty image.
  moved.Update(nullptr, 100);
  moved.Update(good.data(), good.size());
  EXPECT_EQ(moved.Finish().status, Status::kInvalidArgument);
  EXPECT_EQ(VerifyBytes(nullptr, 1).status, Status::kInvalidArgument);
  EXPECT_EQ(VerifyStream(nullptr).status, Status::kInvalidArgument);
}

// A sparse image past 4 GiB: sizes, offsets and the CRC run stay 64-bit.
TEST(VerifyImage, LargerThanFourGiB) {
  const std::uint64_t size = (std::uint64_t{1} << 32) + 4099;
  Bytes header = Image().Header();
  const Bytes zeros(std::size_t{1} << 20, 0), tail = {1, 2, 3};
  std::uint32_t crc = Crc32(header.data(), header.size());
  for (std::uint64_t left = size - header.size() - tail.size(); left > 0;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
    crc = Crc32Extend(crc, zeros.data(), n);
    left -= n;
  }
  crc = Crc32Extend(crc, tail.data(), tail.size());
  PutCrc(header, crc);
  ScratchDir dir;
  const std::string path = dir.File("large");
  ASSERT_TRUE(WriteAt(path, 0, header) && WriteAt(path, size - tail.size(), tail));
  EXPECT_EQ(CCodeHeader().DoVerifyHeader(path.c_str(), 0, 17), 1);
  ASSERT_TRUE(WriteAt(path, size - 100, {0x7F}));
  const VerifyReport v = VerifyFile(path, 17);
  EXPECT_EQ(std::tuple(v.status, v.file_size), std::tuple(Status::kCrcMismatch, size));
}

}  // namespace
}  // namespace codehdr::test
