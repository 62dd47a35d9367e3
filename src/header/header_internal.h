// What the header subsystem shares between its files and with the classic
// CCodeHeader adapter.
#ifndef CODEHDR_SRC_HEADER_HEADER_INTERNAL_H
#define CODEHDR_SRC_HEADER_HEADER_INTERNAL_H

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <codehdr/header.h>
#include <codehdr/image.h>
#include <codehdr/layout.h>

namespace codehdr::detail {

// The text of a fixed-width field up to its first NUL, reading at most
// `width` bytes.
std::string FieldText(const std::uint8_t* field, std::size_t width);

// The form of the header at the start of `size` bytes, its problem and its
// total size as Header reports them; nothing else is read.
Header ClassifyHeader(const std::uint8_t* data, std::size_t size);

// The section walk of a header object over `size` header bytes (at least
// the 48 of the mandatory header): fills sections, comment, comment_length
// and dependencies of `header`.
void ReadSections(const std::uint8_t* data, std::size_t size, Header& header);

// Writes the 48-byte mandatory header into out[0..47] field by field and
// stops at the first failure (the bytes before it stay written). `label` is
// the device's code-mode label for the tag. Every text is written whole or
// refused.
Status BuildMandatory(std::uint8_t* out, std::uint8_t tag, const std::string& vireVuzVersion,
                      const std::string& label, const std::string& codeVersion);

// The whole header from `spec`, every text written whole or refused: a
// comment of up to 32 characters, dependency versions unchecked. BuildHeader
// is stricter on both; the classic object builds with this.
BuiltHeader Assemble(const HeaderSpec& spec, const std::string& label);

// After fread returned fewer bytes than asked: 0 when the stream is at its
// end, otherwise the errno of a failed read. A stream that stops short with
// neither indicator set failed too (EIO): not every C runtime sets the error
// indicator, for one when the stream was opened only for writing.
inline int ShortReadError(std::FILE* stream) {
  if (std::ferror(stream)) return errno != 0 ? errno : EIO;
  return std::feof(stream) ? 0 : EIO;
}

// The CRC-32 of a code image and the header it starts with, taken from its
// bytes as they arrive; the rest of the image is not kept.
class ImageScan {
 public:
  explicit ImageScan(std::uint8_t expectedTag) : tag_(expectedTag) {}
  // Null data of a nonzero size is a caller's error: the report will be
  // kInvalidArgument, whatever else is fed.
  void Update(const std::uint8_t* data, std::size_t size);
  // The report for the bytes seen so far. A file status other than kOk
  // makes the report a failure with that status and errno.
  VerifyReport Finish(Status fileStatus = Status::kOk, int osError = 0);
  std::uint64_t size() const { return offset_; }
  // Forgets every byte seen: ready for another image.
  void Reset() { *this = ImageScan(tag_); }

 private:
  std::uint8_t tag_;
  std::uint64_t offset_ = 0;
  std::vector<std::uint8_t> head_;
  std::size_t keep_ = layout::kTotSizeLoc + 2;
  bool sized_ = false;
  bool crcWanted_ = false;
  bool invalid_ = false;
  std::uint32_t crc_ = 0;
};

}  // namespace codehdr::detail

#endif  // CODEHDR_SRC_HEADER_HEADER_INTERNAL_H
