// Reading files as the library reads them, for programs that feed the
// library's chunk-fed functions (ImageVerifier, Crc32Extend) themselves:
// page-aligned buffers, and input files that are refused at once when they
// are not regular files and are read exactly to the size the file system
// reports.
#ifndef CODEHDR_FILE_IO_H
#define CODEHDR_FILE_IO_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include <codehdr/core.h>
#include <codehdr/export.h>

namespace codehdr {

// Bytes per read or write that the library's own file functions use: small
// enough that a chunk is still in cache when its CRC runs, large enough to
// keep system calls few.
constexpr std::size_t kIoChunkSize = std::size_t{256} << 10;

// Alignment of an IoBuffer: a page. The kernel's copy between the page cache
// and a buffer is fastest when both start at the same offset within a page;
// some processors copy several times slower into a buffer that starts, say,
// 16 bytes past a page boundary, which is where large malloc blocks start.
constexpr std::size_t kIoBufferAlignment = 4096;

// A buffer for reads and writes, starting on a page boundary. Movable, not
// copyable; allocation failure throws std::bad_alloc.
class CODEHDR_EXPORT IoBuffer {
 public:
  IoBuffer() = default;
  explicit IoBuffer(std::size_t size);
  ~IoBuffer();
  IoBuffer(IoBuffer&& other) noexcept;
  IoBuffer& operator=(IoBuffer&& other) noexcept;
  IoBuffer(const IoBuffer&) = delete;
  IoBuffer& operator=(const IoBuffer&) = delete;

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// A file read once, front to back. A named file must be a regular file:
// anything else (a directory, a FIFO, a device) is refused with
// kFileNotRegular at once, without waiting for a writer. Such a file is
// read exactly to the size the file system reported when it was opened: a
// file that ends sooner fails with kFileShrank, bytes appended later are not
// read. Standard input has no such size and is read to its end. The status
// and system error of the first failure stay in status() and error();
// afterwards Read returns 0.
class CODEHDR_EXPORT InputFile {
 public:
  // Opens `path` (UTF-8) for reading.
  explicit InputFile(const std::string& path);
  // Standard input, in binary mode. It is not closed by the object.
  static InputFile StandardInput();
  ~InputFile();
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool ok() const { return status_ == Status::kOk; }
  Status status() const { return status_; }
  // errno of the failure (on Windows, the system error translated to the
  // nearest errno value), or 0.
  int error() const { return error_; }
  // Whether the size is known: true for a named file, false for standard input.
  bool sized() const { return sized_; }
  // The size the file system reported; 0 when not sized().
  std::uint64_t size() const { return size_; }
  // Bytes read so far.
  std::uint64_t offset() const { return offset_; }
  // Whether `path` (UTF-8) names the file this input reads, standard input
  // included: the same device and inode (on Windows, the same volume and
  // file ID), whatever the names. False when either cannot be looked at.
  bool IsFile(const std::string& path) const;

  // Reads up to `capacity` bytes into `buffer`; fewer only at the end of
  // the data. 0 at the end, or after a failure (see status()).
  std::size_t Read(std::uint8_t* buffer, std::size_t capacity);

 private:
  InputFile() = default;
  std::size_t ReadSome(std::uint8_t* buffer, std::size_t capacity);
  void Fail(Status status, int error);
  void Close();

  std::intptr_t handle_ = -1;  // a file descriptor, or a Windows HANDLE
  bool owned_ = false;
  bool sized_ = false;
  Status status_ = Status::kOk;
  int error_ = 0;
  std::uint64_t size_ = 0;
  std::uint64_t offset_ = 0;
};

// Receives the bytes of an input chunk by chunk, in order.
using ChunkSink = std::function<void(const std::uint8_t* data, std::size_t size)>;

// Reads `in` to its end through one IoBuffer (of the file's size when that
// is smaller than kIoChunkSize) and hands every chunk to `consume` while it
// is still in cache. Stops early when reading fails: see in.status().
//
// Reading and consuming run on one thread, one chunk at a time, on purpose:
// a reader thread handing chunks to a consuming thread was measured slower
// (1.45-1.8x the time of `cat` against 1.13x on a 2-core machine), most
// likely as every chunk then has to travel to the other core's cache.
CODEHDR_EXPORT void ReadChunks(InputFile& in, const ChunkSink& consume);

}  // namespace codehdr

#endif  // CODEHDR_FILE_IO_H
