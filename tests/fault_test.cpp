// Fault paths: files that vanish, directories, empty, short and shrinking files, and several threads at once. Every
// reader answers as its contract allows, keeps its object consistent and leaves no descriptor open.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <tuple>

#include <codehdr/devices.h>
#include <codehdr/image.h>

#include "support.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

// Files that shrink after they were sized, reads that deliver less than asked and reads that fail: while `shrinkPath`
// is set, the next read of the process first truncates that file to `shrinkTo` bytes; while `readLimit` is set, no
// read delivers more than that; while `readErrno` is set (EIO), reads fail so. The library's reads are replaced:
// read(2) by interposition on Linux, ReadFile through the program's import table on Windows.
static std::string shrinkPath;
static long shrinkTo = 0;
static std::size_t readLimit = 0;
static int readErrno = 0;
// Likewise for writes: while `writeLimit` is set, no write takes more than that; while `writeErrno` is set (ENOSPC),
// writes fail so. pwrite(2) on Linux, WriteFile on Windows.
static std::size_t writeLimit = 0;
static int writeErrno = 0;

constexpr std::size_t kTakeNothing = SIZE_MAX;  // a write that takes no byte and reports no error

static std::size_t BeforeWrite(std::size_t size) {
  return writeLimit == kTakeNothing ? 0 : writeLimit > 0 && size > writeLimit ? writeLimit : size;
}

static std::size_t BeforeRead(std::size_t size) {
  if (!shrinkPath.empty()) {
    std::error_code error;
    std::filesystem::resize_file(std::filesystem::u8path(shrinkPath), static_cast<std::uintmax_t>(shrinkTo), error);
    if (error) std::abort();
    shrinkPath.clear();
  }
  return readLimit > 0 && size > readLimit ? readLimit : size;
}

#if defined(_WIN32)
using ReadFileCall = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
static ReadFileCall systemReadFile = nullptr;

static BOOL WINAPI TestReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED at) {
  const auto limited = static_cast<DWORD>(BeforeRead(size));
  if (readErrno != 0) return ::SetLastError(ERROR_READ_FAULT), FALSE;  // EIO
  return systemReadFile(file, buffer, limited, got, at);
}

using WriteFileCall = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
static WriteFileCall systemWriteFile = nullptr;

static BOOL WINAPI TestWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD done, LPOVERLAPPED at) {
  if (writeErrno != 0) return ::SetLastError(ERROR_DISK_FULL), FALSE;  // ENOSPC
  return systemWriteFile(file, data, static_cast<DWORD>(BeforeWrite(size)), done, at);
}

static const bool readsReplaced =
    (systemReadFile = reinterpret_cast<ReadFileCall>(codehdr::test::ReplaceImport(
         "kernel32.dll", "ReadFile", reinterpret_cast<void*>(&TestReadFile)))) != nullptr &&
    (systemWriteFile = reinterpret_cast<WriteFileCall>(codehdr::test::ReplaceImport(
         "kernel32.dll", "WriteFile", reinterpret_cast<void*>(&TestWriteFile)))) != nullptr;
#else
extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  const std::size_t limited = BeforeRead(size);
  if (readErrno != 0) return errno = readErrno, -1;
  return ::syscall(SYS_read, fd, buffer, limited);
}

// The write goes on through pwritev, which the C library passes to the kernel as each ABI wants (a raw syscall()
// would not: 32-bit ARM puts a 64-bit argument in an even register pair).
extern "C" ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  if (writeErrno != 0) return errno = writeErrno, -1;
  const iovec part{const_cast<void*>(data), BeforeWrite(size)};
  return ::pwritev(fd, &part, 1, offset);
}

static const bool readsReplaced = true;
#endif

namespace codehdr::test {
namespace {

const std::string kDevices = DeviceFile({{17, "APP"}, {18, "FPGA"}, {19, "LANG"}, {20, "NOSUCH"}});

// Four threads that start together, each with a header object and files of its own over one loaded device table and its
// copies. First in the file, so that they race for the process's first CRC (the kernel choice, the tables).
TEST(Threads, SharedTablesAndOwnObjects) {
  ScratchDir dir;
  CVireVuzTxt devices;
  CaptureStdout([&] { ASSERT_EQ(devices.init_device_control(dir.Write("virevuz.txt", kDevices).c_str()), 0); });
  std::atomic<int> wrong{0};
  std::atomic<bool> go{false};
  const auto body = [&](int t) {
    while (!go) std::this_thread::yield();
    CCodeHeader h;
    const std::string path = dir.File(std::to_string(t));
    for (int round = 0; round < 30; ++round) {
      h.devCtl = devices;  // copies share the table; each goes away on its own
      const std::uint8_t tag = static_cast<std::uint8_t>(17 + (round + t) % 4);
      wrong += h.InsertHeaderCodeVer("R01A02.3") != 1;
      if (round % 3 == 0) h.AddCodeDependencyToHdr("LANG", "P02B03");
      int result = -1;
      const unsigned short size = h.BuildHeader(tag, "R09Z09", &result);
      const Bytes header(h.compressedCodeHeader, h.compressedCodeHeader + size);
      const Bytes payload(500 + round * 997, static_cast<std::uint8_t>(t));
      const WriteReport w = WriteImage(path, header, payload.data(), payload.size());
      CCodeHeader checker;
      wrong += result != HDR_SUCCESS || w.status != Status::kOk || checker.DoVerifyHeader(path.c_str(), 0, tag) != 1;
      Bytes file = ReadFile(path);  // its CRC, with the field counted as zero
      std::fill_n(file.begin() + 24, 4, 0);
      wrong += w.crc != ReferenceCrc32(file.data(), file.size());
      wrong += VerifyFile(path, tag).verdict != Verdict::kVerified;
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(body, t);
  go = true;
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(readsReplaced);
    ASSERT_EQ(h.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 95u);
    CaptureStdout([&] { ASSERT_EQ(h.Init(dir.Write("virevuz.txt", kDevices).c_str()), HDR_SUCCESS); });
  }
  void TearDown() override { EXPECT_EQ(OpenDescriptorCount(), fds); }

  const int fds = OpenDescriptorCount();
  ScratchDir dir;
  const Bytes image = Image().Comment("note").Dep(3, "R01A01").Dep(26, "P02B03.4").File();  // 95-byte header
  CCodeHeader h;
};

// What is not a regular file is refused at once, by the image readers and the device file loader: a FIFO or pipe
// without a writer must not block the open, and a device that never ends must not be read forever. The classic readers of a header (ExtractHdrFromCompressedCodeFile,
// IsNewHeader) open such files as streams: `classic` is what the former returns (-1: not run, it would wait for a
// console's input).
TEST_F(Files, VanishedNotRegularShrinkingAndFailing) {
  const std::string gone = dir.Write("gone", image), s = dir.File("s");
  std::remove(gone.c_str());
  struct Row { std::string path; long shrinkTo; int readErrno; Status status; int osError; int init, classic; };
  std::vector<Row> rows = {
      {gone, -1, 0, Status::kFileOpen, ENOENT, ERR_DEVCTL_OPEN, 0},
      {dir.path(), -1, 0, Status::kFileNotRegular, EISDIR, ERR_DEVCTL_OPEN, 0},
      {NullDevice(), -1, 0, Status::kFileNotRegular, 0, ERR_DEVCTL_NO_VERSION, 0},
      {s, 0, 0, Status::kFileShrank, 0, 0, 0},
      {s, 60, 0, Status::kFileShrank, 0, 0, 0},
      {s, static_cast<long>(image.size() - 1), 0, Status::kFileShrank, 0, 0, 0},
      {s, 0, EIO, Status::kFileRead, EIO, 0, 0},
  };
  // (The device file reader would wait for a writer, or for a console's input.)
#if defined(_WIN32)
  const PipeInstances pipe(4);  // the four opens the library's own readers make; the classic ones then find none free
  rows.push_back({pipe.path(), -1, 0, Status::kFileNotRegular, 0, -1, 0});
  // A process without a console cannot open one.
  rows.push_back(HasConsole() ? Row{"CON", -1, 0, Status::kFileNotRegular, 0, -1, -1}
                              : Row{"CON", -1, 0, Status::kFileOpen, EBADF, -1, 0});
#else
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  rows.push_back({fifo, -1, 0, Status::kFileNotRegular, 0, -1, 0});
  rows.push_back({"/dev/zero", -1, 0, Status::kFileNotRegular, 0, -1, 4});  // four zero bytes: an old-style header
#endif
  const HeaderState before = HeaderState::Of(h);
  for (const auto& r : rows) {
    SCOPED_TRACE(r.path + ", shrinking to " + std::to_string(r.shrinkTo) + ", errno " + std::to_string(r.readErrno));
    const auto arm = [&] {
      if (r.shrinkTo >= 0) shrinkPath = dir.Write("s", image), shrinkTo = r.shrinkTo;
      readErrno = r.readErrno;
    };
    arm();
    const VerifyReport v = VerifyFile(r.path);
    arm();
    EXPECT_EQ(h.DoVerifyHeader(r.path.c_str(), 0, 0), 0);
    arm();
    const ExtractReport e = ExtractPayload(r.path, dir.File("out"));
    readErrno = 0;
    const std::uint64_t size = r.readErrno == 0 ? std::max(r.shrinkTo, 0L) : 0;
    EXPECT_EQ(std::tuple(v.status, v.os_error, v.file_size, v.verdict),
              std::tuple(r.status, r.osError, size, Verdict::kFailed));
    EXPECT_EQ(std::tuple(e.status, e.os_error), std::tuple(r.status, r.osError));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(dir.File("out"))));
    EXPECT_TRUE(shrinkPath.empty());
    if (r.shrinkTo < 0) {
      DeviceTable devices;  // the device file loader refuses what is not a regular file as they do
      EXPECT_EQ(LoadDeviceTable(r.path, devices), r.status == Status::kFileOpen ? Status::kDevctlOpen : r.status);
      if (r.init >= 0) CaptureStdout([&] { EXPECT_EQ(h.Init(r.path.c_str()), r.init); });
      if (r.classic >= 0) {
        EXPECT_EQ(h.IsNewHeader(r.path.c_str()), 0);
        EXPECT_EQ(CCodeHeader().ExtractHdrFromCompressedCodeFile(r.path.c_str(), 4096), r.classic);
      }
    }
    EXPECT_EQ(HeaderState::Of(h), before);
  }
}

// Every length from empty to whole, read one byte at a time and in pieces of 10, 24 and 30 (the total size field then
// ends inside a piece, or at its end).
TEST_F(Files, EmptyShortAndWholeFilesReadInPieces) {
  for (std::size_t limit : {1, 10, 24, 30}) {
    for (long len = 0; len <= static_cast<long>(image.size()); ++len) {
      SCOPED_TRACE(std::to_string(len) + " bytes read " + std::to_string(limit) + " at a time");
      const std::string path = dir.Write("f", Bytes(image.begin(), image.begin() + len));
      const bool whole = len == static_cast<long>(image.size()), headerWhole = len >= 95;  // else the CRC is wrong
      const Status want = whole ? Status::kOk : len == 0 ? Status::kNoHeader
                          : headerWhole ? Status::kCrcMismatch : Status::kHeaderTruncated;
      std::remove(dir.File("out").c_str());
      readLimit = limit;
      const VerifyReport v = VerifyFile(path, 17);
      const ExtractReport e = ExtractPayload(path, dir.File("out"));
      CCodeHeader c;
      EXPECT_EQ(c.DoVerifyHeader(path.c_str(), 0, 17), len == 0 || whole ? 1 : 0);
      readLimit = 0;
      EXPECT_EQ(std::tuple(v.status, e.status), std::tuple(want, headerWhole ? Status::kOk : want));
      EXPECT_EQ(v.header_bytes, Bytes(image.begin(), image.begin() + std::min(len, 95L)));
      EXPECT_EQ(ReadFile(dir.File("out")), headerWhole ? Bytes(image.begin() + 95, image.begin() + len) : Bytes());
      EXPECT_EQ(c.GetHeaderTotalSize(), headerWhole ? 95 : 0);
      EXPECT_EQ(c.IsNewHeader(path.c_str()), len >= 4 ? 1 : 0);
      for (long length : {len, 95L, len + 1000}) {
        EXPECT_EQ(c.ExtractHdrFromCompressedCodeFile(path.c_str(), length), headerWhole && length >= 95 ? 95 : 0);
      }
    }
  }
  CaptureStdout([&] { EXPECT_EQ(h.Init(dir.Write("empty", Bytes()).c_str()), ERR_DEVCTL_NO_VERSION); });
}

// Writes that come short are continued; a write that fails (a full disk), or takes nothing (EIO), fails the image
// writer and the extraction with the system's error, and the target stays as it was, with nothing left beside it.
TEST_F(Files, WritesThatComeShortOrFail) {
  const Bytes header(image.begin(), image.begin() + 95), payload(image.begin() + 95, image.end());
  const Bytes old = {1, 2, 3};
  const std::string source = dir.Write("image", image);
  for (const auto& [limit, err, want] : {std::tuple<std::size_t, int, int>{7, 0, 0}, {0, ENOSPC, ENOSPC},
                                          {kTakeNothing, 0, EIO}}) {
    SCOPED_TRACE("at most " + std::to_string(limit) + " bytes a write, errno " + std::to_string(err));
    const std::string target = dir.Write("target", old);
    writeLimit = limit;
    writeErrno = err;
    const WriteReport w = WriteImage(target, header, payload.data(), payload.size());
    const ExtractReport e = ExtractPayload(source, target);
    writeLimit = 0;
    writeErrno = 0;
    const Status status = want == 0 ? Status::kOk : Status::kFileWrite;
    EXPECT_EQ(std::tuple(w.status, w.os_error, e.status, e.os_error), std::tuple(status, want, status, want));
    EXPECT_EQ(ReadFile(target), want == 0 ? payload : old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::u8path(dir.path())), {}), 3);
  }
}

}  // namespace
}  // namespace codehdr::test
