// Fault paths: files that vanish, directories, empty, short and shrinking
// files, and several threads at once. Every reader answers as its contract
// allows, keeps its object consistent and leaves no descriptor open.
#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

#include <codehdr/checksum.h>
#include <codehdr/code_header.h>
#include <codehdr/crc.h>
#include <codehdr/image.h>

#include "support.h"

// Files that shrink after they were sized, and reads that deliver less than
// asked: while `shrinkPath` is set, the next read(2) of the process first
// truncates that file to `shrinkTo` bytes; while `readLimit` is set, no read
// delivers more than that.
static std::string shrinkPath;
static off_t shrinkTo = 0;
static std::size_t readLimit = 0;

extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  if (!shrinkPath.empty()) {
    if (::truncate(shrinkPath.c_str(), shrinkTo) != 0) std::abort();
    shrinkPath.clear();
  }
  return ::syscall(SYS_read, fd, buffer, readLimit > 0 && size > readLimit ? readLimit : size);
}

namespace codehdr::test {
namespace {

// Runs body(0) to body(3) on four threads that start together.
template <class Body>
void RunThreads(Body body) {
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back([&, t] { while (!go) std::this_thread::yield(); body(t); });
  go = true;
  for (std::thread& th : threads) th.join();
}

const std::string kDevices = DeviceFile({{17, "APP"}, {18, "FPGA"}, {19, "LANG"}, {20, "NOSUCH"}});

// First in the file, so that the threads race for the process's first CRC.
TEST(Threads, CrcOverTheSharedTables) {
  Bytes data(100000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
  const std::uint32_t want = ReferenceCrc32(data.data(), data.size());
  std::atomic<int> wrong{0};
  RunThreads([&](int t) {
    CCRC engine;
    for (int i = 0; i < 20; ++i) {
      const std::size_t len = data.size() - static_cast<std::size_t>(t * 7 + i);
      if (i % 5 == 0) wrong += Crc32(data.data(), len) != ReferenceCrc32(data.data(), len);
      wrong += engine.GetCRC32(data.data(), static_cast<int>(data.size())) != want;
    }
  });
  EXPECT_EQ(wrong.load(), 0);
}

TEST(Threads, LookupsOnOneLoadedTable) {
  ScratchDir dir;
  CVireVuzTxt shared;
  CaptureStdout([&] { ASSERT_EQ(shared.init_device_control(dir.Write("virevuz.txt", kDevices).c_str()), 0); });
  std::atomic<int> wrong{0};
  RunThreads([&](int) {
    for (int round = 0; round < 200; ++round) {
      for (int i = -1; i <= 4; ++i) wrong += shared.GetCtrlTypeAt(i).tag_id != (i >= 0 && i < 4 ? 17 + i : 0);
      char label[10] = "";
      shared.GetCodeModeStrFromTagId(18, label, sizeof label);
      wrong += std::string(label) != "FPGA";
      CVireVuzTxt copy;  // copies share the table; each goes away on its own
      copy = shared;
      wrong += copy.GetCtrlTypeAt(2).tag_id != 19;
    }
  });
  EXPECT_EQ(wrong.load(), 0);
}

TEST(Threads, BuildAndVerifyWithOwnObjects) {
  ScratchDir dir;
  CVireVuzTxt devices;
  CaptureStdout([&] { ASSERT_EQ(devices.init_device_control(dir.Write("virevuz.txt", kDevices).c_str()), 0); });
  std::atomic<int> wrong{0};
  RunThreads([&](int t) {
    CCodeHeader h;
    h.devCtl = devices;
    const std::string modern = dir.File("m" + std::to_string(t));
    for (int round = 0; round < 30; ++round) {
      const std::uint8_t tag = static_cast<std::uint8_t>(17 + (round + t) % 4);
      wrong += h.InsertHeaderCodeVer("R01A02.3") != 1;
      if (round % 3 == 0) h.AddCodeDependencyToHdr("LANG", "P02B03");
      int result = -1;
      const unsigned short size = h.BuildHeader(tag, "R09Z09", &result);
      const Bytes header(h.compressedCodeHeader, h.compressedCodeHeader + size);
      Bytes file = header;
      file.resize(size + 500 + round, static_cast<std::uint8_t>(t));
      h.InsertCrcIntoHeader(CCRC().GetCRC32(file.data(), static_cast<int>(file.size())));
      std::copy(h.compressedCodeHeader, h.compressedCodeHeader + size, file.begin());
      CCodeHeader checker;
      const std::string classic = dir.Write("c" + std::to_string(t), file);
      wrong += result != HDR_SUCCESS || checker.DoVerifyHeader(classic.c_str(), 0, tag) != 1;
      wrong += checker.GetNumCodeDependencies() != h.GetNumCodeDependencies();
      wrong += WriteImage(modern, header, file.data() + size, file.size() - size).crc != h.ExtractCrcFromHeader();
      wrong += VerifyFile(modern, tag).verdict != Verdict::kVerified;
    }
  });
  EXPECT_EQ(wrong.load(), 0);
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    fds = OpenDescriptorCount();
    ASSERT_EQ(Extract(h, image), 95u);
    CaptureStdout([&] { ASSERT_EQ(h.Init(dir.Write("virevuz.txt", kDevices).c_str()), HDR_SUCCESS); });
  }
  void TearDown() override { EXPECT_EQ(OpenDescriptorCount(), fds); }
  static std::size_t Extract(CCodeHeader& c, const Bytes& b) {
    return c.ExtractHdrFromCompressedCodeFile(b.data(), b.size());
  }

  ScratchDir dir;
  const Bytes image = Image().Comment("note").Dep(3, "R01A01").Dep(26, "P02B03.4").File();  // 95-byte header
  CCodeHeader h;
  int fds = 0;
};

TEST_F(Files, VanishedDirectoryAndShrinking) {
  const std::string gone = dir.Write("gone", image);
  std::remove(gone.c_str());
  const struct { const char* what; std::string path; off_t shrinkTo; Status status; std::uint16_t init; } rows[] = {
      {"vanished", gone, -1, Status::kFileOpen, ERR_DEVCTL_OPEN},
      {"directory", dir.path(), -1, Status::kFileNotRegular, ERR_DEVCTL_OPEN},
      {"shrinks to 0", dir.File("s"), 0, Status::kFileShrank, 0},
      {"shrinks to 60", dir.File("s"), 60, Status::kFileShrank, 0},
      {"shrinks by one", dir.File("s"), static_cast<off_t>(image.size() - 1), Status::kFileShrank, 0},
  };
  const HeaderState before = HeaderState::Of(h);
  for (const auto& r : rows) {
    const auto arm = [&] {
      if (r.shrinkTo < 0) return;
      shrinkPath = dir.Write("s", image), shrinkTo = r.shrinkTo;
    };
    arm();
    const VerifyReport v = VerifyFile(r.path);
    EXPECT_EQ(v.status, r.status) << r.what;
    EXPECT_EQ(v.verdict, Verdict::kFailed) << r.what;
    arm();
    EXPECT_EQ(h.DoVerifyHeader(r.path.c_str(), 0, 0), 0) << r.what;
    arm();
    EXPECT_EQ(ExtractPayload(r.path, dir.File("out")).status, r.status) << r.what;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out"))) << r.what;
    EXPECT_TRUE(shrinkPath.empty()) << r.what;
    if (r.shrinkTo < 0) {
      CaptureStdout([&] { EXPECT_EQ(h.Init(r.path.c_str()), r.init) << r.what; });
      EXPECT_EQ(h.IsNewHeader(r.path.c_str()), 0) << r.what;
      EXPECT_EQ(CCodeHeader().ExtractHdrFromCompressedCodeFile(r.path.c_str(), 4096), 0) << r.what;
    }
    EXPECT_EQ(HeaderState::Of(h), before) << r.what;
  }
}

TEST_F(Files, ReadsOfAFewBytesAtATime) {
  const std::string path = dir.Write("img", image);
  for (std::size_t limit : {1, 5, 24}) {
    readLimit = limit;
    const VerifyReport v = VerifyFile(path, 17);
    const ExtractReport e = ExtractPayload(path, dir.File("out"));
    const int classic = CCodeHeader().DoVerifyHeader(path.c_str(), 0, 17);
    readLimit = 0;
    EXPECT_EQ(v.verdict, Verdict::kVerified) << limit;
    EXPECT_EQ(v.header_bytes, Bytes(image.begin(), image.begin() + 95)) << limit;
    EXPECT_EQ(e.status, Status::kOk) << limit;
    EXPECT_EQ(ReadFile(dir.File("out")), Bytes(image.begin() + 95, image.end())) << limit;
    EXPECT_EQ(classic, 1) << limit;
  }
}

TEST_F(Files, EmptyAndShortFiles) {
  for (std::size_t len = 0; len < image.size(); ++len) {
    const std::string path = dir.Write("short", Bytes(image.begin(), image.begin() + static_cast<long>(len)));
    const bool headerWhole = len >= 95;  // then only the CRC is wrong
    const VerifyReport v = VerifyFile(path);
    const Status want = len == 0 ? Status::kNoHeader : headerWhole ? Status::kCrcMismatch : Status::kHeaderTruncated;
    EXPECT_EQ(v.status, want) << len;
    CCodeHeader c;
    EXPECT_EQ(c.DoVerifyHeader(path.c_str(), 0, 0), len == 0 ? 1 : 0) << len;
    EXPECT_EQ(c.GetHeaderTotalSize(), headerWhole ? 95 : 0) << len;
    EXPECT_EQ(c.IsNewHeader(path.c_str()), len >= 4 ? 1 : 0) << len;
    for (long length : {static_cast<long>(len), 95L, static_cast<long>(len) + 1000}) {
      EXPECT_EQ(c.ExtractHdrFromCompressedCodeFile(path.c_str(), length), headerWhole && length >= 95 ? 95 : 0) << len;
    }
  }
  CaptureStdout([&] { EXPECT_EQ(h.Init(dir.Write("empty", Bytes()).c_str()), ERR_DEVCTL_NO_VERSION); });
  EXPECT_EQ(h.DoVerifyHeader(dir.Write("whole", image).c_str(), 0, 17), 1);
}

}  // namespace
}  // namespace codehdr::test
