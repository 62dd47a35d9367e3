// Whole code image files: verify one against its header and CRC-32, write
// one in a single pass, and take the payload out of one. Every function reads
// its input once, front to back, through a fixed-size buffer: memory does not
// grow with the file, and files of any size are handled.
#ifndef CODEHDR_IMAGE_H
#define CODEHDR_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <codehdr/core.h>
#include <codehdr/export.h>
#include <codehdr/file_io.h>
#include <codehdr/header.h>

namespace codehdr {

enum class Verdict : std::uint8_t {
  kVerified,    // a new-style header that passes every check, CRC included
  kNotChecked,  // no new-style header to check (status says why); a pass
  kFailed,      // the header or the CRC is wrong, or the file cannot be read
};

// "verified", "not_checked" or "failed"; null for any other value.
CODEHDR_EXPORT const char* VerdictName(Verdict verdict);

struct VerifyReport {
  Verdict verdict = Verdict::kFailed;
  // kOk when verified; otherwise the failing check, the file error, or why
  // nothing was checked (kNoHeader, kOldStyleHeader, kHeaderTooSmall).
  Status status = Status::kOk;
  int os_error = 0;             // errno for file statuses, else 0
  std::uint64_t file_size = 0;  // bytes read
  Header header;
  // The header's bytes, as many as the file holds of them (at most 65535).
  std::vector<std::uint8_t> header_bytes;
  // CRC-32 of the whole file with bytes 24-27 taken as zero, computed for
  // files that start with 0xC9.
  std::optional<std::uint32_t> computed_crc;
  // The field-by-field check, when a new-style header was checked.
  std::optional<HeaderCheck> check;
};

// Verifies the code image file at `path`, as CCodeHeader::DoVerifyHeader
// does, with the reason. expected_tag 0 accepts any tag id. A file that
// cannot be read to the size the file system reports fails. A new-style
// header declaring a total size of 4 or less counts as no header.
CODEHDR_EXPORT VerifyReport VerifyFile(const std::string& path, std::uint8_t expected_tag = 0);

// As VerifyFile, for an input already open (a file, standard input). `also`,
// when set, is handed every chunk after the verifier has seen it, while it
// is still in cache (a program that also hashes the file reads it once).
CODEHDR_EXPORT VerifyReport VerifyInput(InputFile& in, std::uint8_t expected_tag = 0,
                                        const ChunkSink& also = ChunkSink());

// As VerifyFile, for an open stream read to its end (standard input, a pipe).
// A null stream fails with kInvalidArgument.
CODEHDR_EXPORT VerifyReport VerifyStream(std::FILE* stream, std::uint8_t expected_tag = 0);

// As VerifyFile, for an image held in memory. Null data of a nonzero size
// fails with kInvalidArgument.
CODEHDR_EXPORT VerifyReport VerifyBytes(const std::uint8_t* data, std::size_t size, std::uint8_t expected_tag = 0);

namespace detail {
class ImageScan;
}

// Verifies an image that the caller feeds in chunks, in order and of any
// sizes (from a socket, an archive, a reader thread): the report is the one
// VerifyBytes gives for the concatenated chunks. Only the header's bytes are
// kept; the CRC runs over each chunk as it arrives.
class CODEHDR_EXPORT ImageVerifier {
 public:
  explicit ImageVerifier(std::uint8_t expected_tag = 0);
  ~ImageVerifier();
  ImageVerifier(ImageVerifier&& other) noexcept;
  ImageVerifier& operator=(ImageVerifier&& other) noexcept;
  ImageVerifier(const ImageVerifier&) = delete;
  ImageVerifier& operator=(const ImageVerifier&) = delete;

  // The next `size` bytes of the image. Null data of a nonzero size makes
  // the report kInvalidArgument.
  void Update(const std::uint8_t* data, std::size_t size);
  // Bytes fed so far.
  std::uint64_t size() const;
  // The report for the bytes fed so far. A file status other than kOk (the
  // caller's read failed: kFileRead, kFileShrank, ...) makes it a failure
  // with that status and system error. Afterwards the verifier is empty
  // again, ready for another image with the same expected tag.
  VerifyReport Finish(Status file_status = Status::kOk, int os_error = 0);

 private:
  std::unique_ptr<detail::ImageScan> scan_;
};

struct WriteReport {
  Status status = Status::kOk;
  int os_error = 0;        // errno for file statuses, else 0
  std::uint64_t size = 0;  // bytes written
  std::uint32_t crc = 0;   // the CRC-32 stored in the image (WriteImage)
};

// Writes the code image `output` in one pass: `header` (a built header) with
// its CRC field zero, then the payload while the CRC-32 runs over every byte
// written, then the CRC into bytes 24-27. The file appears whole or not at
// all: it is written beside `output`, synced and renamed over it; on failure
// `output` is untouched and nothing is left behind. A header shorter than 28
// bytes is refused with kBufferTooSmall; a null stream, or a null pointer
// with a nonzero size, with kInvalidArgument; an `output` that is the
// payload's own file (whatever its name) with kOutputIsInput. Nothing is
// written then.
CODEHDR_EXPORT WriteReport WriteImage(const std::string& output, const std::vector<std::uint8_t>& header,
                                      std::FILE* payload);
CODEHDR_EXPORT WriteReport WriteImage(const std::string& output, const std::vector<std::uint8_t>& header,
                                      InputFile& payload);
CODEHDR_EXPORT WriteReport WriteImage(const std::string& output, const std::vector<std::uint8_t>& header,
                                      const std::uint8_t* payload, std::size_t size);

struct ExtractReport {
  Status status = Status::kOk;
  int os_error = 0;        // errno for file statuses, else 0
  std::uint64_t size = 0;  // payload bytes written
  Header header;           // the header that was taken off
};

// Writes the payload of the code image `image` to `output`: the bytes after
// a new-style header's total size, or after the 4 bytes of an old-style one.
// An image without a header is refused with kNoHeader unless `raw` is set,
// when it is copied whole; a malformed header is refused with its problem.
// The CRC is not checked. `output` appears whole or not at all, as with
// WriteImage; one that is `image` itself is refused with kOutputIsInput.
CODEHDR_EXPORT ExtractReport ExtractPayload(const std::string& image, const std::string& output, bool raw = false);

// Removes the temporary file of every output this process is writing
// (WriteImage, ExtractPayload) and has not yet renamed into place: for a
// program's handler of SIGINT, SIGTERM or SIGHUP (or a Windows console
// control handler) that then ends the process, so that an interrupted write
// leaves nothing behind and every target as it was. Async-signal-safe: one
// unlink (DeleteFileW) per file, no lock, no allocation. A write still under
// way afterwards fails with kFileWrite.
CODEHDR_EXPORT void RemovePartialOutputs() noexcept;

}  // namespace codehdr

#endif  // CODEHDR_IMAGE_H
