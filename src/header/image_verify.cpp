// Verifying a whole code image: its bytes pass once, front to back; the CRC
// runs over them as they arrive (with the CRC field taken as zero) and only
// the header's bytes are kept.
#include <algorithm>
#include <cerrno>
#include <memory>

#include <codehdr/checksum.h>
#include <codehdr/file_io.h>
#include <codehdr/image.h>
#include <codehdr/layout.h>

#include "header/header_internal.h"

namespace codehdr {
namespace detail {
namespace {

constexpr std::size_t kFieldBegin = layout::kCrcLoc;
constexpr std::size_t kFieldEnd = layout::kCrcLoc + layout::kCrcLen;

// CRC-32 over `size` bytes that lie at `offset` in the image, continued
// from crc, with image bytes 24-27 counted as zero.
std::uint32_t ExtendWithFieldCleared(std::uint32_t crc, std::uint64_t offset, const std::uint8_t* data,
                                     std::size_t size) {
  if (offset >= kFieldEnd) return Crc32Extend(crc, data, size);
  static constexpr std::uint8_t kZeros[layout::kCrcLen] = {};
  const std::size_t begin = static_cast<std::size_t>(offset);
  const std::size_t end = begin + size;
  const std::size_t fieldFrom = std::clamp(kFieldBegin, begin, end);
  const std::size_t fieldTo = std::clamp(kFieldEnd, begin, end);
  crc = Crc32Extend(crc, data, fieldFrom - begin);
  crc = Crc32Extend(crc, kZeros, fieldTo - fieldFrom);
  return Crc32Extend(crc, data + (fieldTo - begin), end - fieldTo);
}

}  // namespace

void ImageScan::Update(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  if (data == nullptr) {
    invalid_ = true;
    return;
  }
  // Keeping header bytes is the only step that allocates. When it fails, the
  // scan is put back as it was, so the same chunk can be fed again.
  const std::size_t held = head_.size();
  const std::size_t keep = keep_;
  const bool sized = sized_;
  try {
    std::size_t taken = 0;
    while (head_.size() < keep_ && taken < size) {
      const std::size_t take = std::min(size - taken, keep_ - head_.size());
      head_.insert(head_.end(), data + taken, data + taken + take);
      taken += take;
      // Once the total size field is in, keep the whole header it declares.
      if (!sized_ && head_.size() == keep_) {
        sized_ = true;
        if (head_[0] == layout::kGuardByte) {
          keep_ = std::max<std::size_t>(keep_, layout::ReadBe16(head_.data() + layout::kTotSizeLoc));
        }
      }
    }
  } catch (...) {
    head_.resize(held);
    keep_ = keep;
    sized_ = sized;
    throw;
  }
  // Only an image that starts like a new-style header is checked against
  // its CRC; for the rest the CRC is not computed.
  if (offset_ == 0) crcWanted_ = data[0] == layout::kGuardByte;
  if (crcWanted_) crc_ = ExtendWithFieldCleared(crc_, offset_, data, size);
  offset_ += size;
}

VerifyReport ImageScan::Finish(Status fileStatus, int osError) {
  VerifyReport report;
  report.file_size = offset_;
  if (invalid_) fileStatus = Status::kInvalidArgument, osError = 0;
  if (fileStatus != Status::kOk) {
    report.status = fileStatus;
    report.os_error = osError;
    return report;
  }
  Header& header = report.header;
  header = ReadHeader(head_.data(), head_.size());
  // The header's bytes among those kept.
  std::size_t held = head_.size();
  if (header.form == HeaderForm::kOldStyle) held = layout::kOldStyleHdrLen;
  if (header.form == HeaderForm::kNewStyle) held = header.total_size;
  if (crcWanted_) report.computed_crc = crc_;

  report.status = header.problem;
  if (header.form == HeaderForm::kNewStyle) {
    report.check = CheckHeader(head_.data(), held, tag_, crc_);
    report.status = report.check->status;
    report.verdict = report.status == Status::kOk ? Verdict::kVerified : Verdict::kFailed;
  } else if (header.form != HeaderForm::kMalformed) {
    // Nothing to check: no header, or an old-style one.
    report.verdict = Verdict::kNotChecked;
  }
  // Last, when nothing can fail any more (a failure above leaves the scan as
  // it was): the header's bytes move into the report.
  if (header.form != HeaderForm::kNone || crcWanted_) {
    head_.resize(held);
    report.header_bytes = std::move(head_);
  }
  return report;
}

}  // namespace detail

VerifyReport VerifyInput(InputFile& in, std::uint8_t expectedTag, const ChunkSink& also) {
  detail::ImageScan scan(expectedTag);
  if (in.ok()) {
    ReadChunks(in, [&scan, &also](const std::uint8_t* data, std::size_t size) {
      scan.Update(data, size);
      if (also) also(data, size);
    });
  }
  return scan.Finish(in.status(), in.error());
}

VerifyReport VerifyFile(const std::string& path, std::uint8_t expectedTag) {
  InputFile in(path);
  return VerifyInput(in, expectedTag);
}

VerifyReport VerifyStream(std::FILE* stream, std::uint8_t expectedTag) {
  detail::ImageScan scan(expectedTag);
  if (stream == nullptr) return scan.Finish(Status::kInvalidArgument);
  IoBuffer buffer(kIoChunkSize);
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), stream);
    scan.Update(buffer.data(), got);
    if (got < buffer.size()) break;
  }
  const int failed = detail::ShortReadError(stream);
  return failed != 0 ? scan.Finish(Status::kFileRead, failed) : scan.Finish();
}

VerifyReport VerifyBytes(const std::uint8_t* data, std::size_t size, std::uint8_t expectedTag) {
  detail::ImageScan scan(expectedTag);
  scan.Update(data, size);
  return scan.Finish();
}

ImageVerifier::ImageVerifier(std::uint8_t expectedTag) : scan_(std::make_unique<detail::ImageScan>(expectedTag)) {}
ImageVerifier::~ImageVerifier() = default;
ImageVerifier::ImageVerifier(ImageVerifier&& other) noexcept = default;
ImageVerifier& ImageVerifier::operator=(ImageVerifier&& other) noexcept = default;

void ImageVerifier::Update(const std::uint8_t* data, std::size_t size) {
  if (scan_ != nullptr) scan_->Update(data, size);
}

std::uint64_t ImageVerifier::size() const { return scan_ != nullptr ? scan_->size() : 0; }

VerifyReport ImageVerifier::Finish(Status fileStatus, int osError) {
  // A moved-from verifier has seen nothing and gives the empty image's report.
  if (scan_ == nullptr) return detail::ImageScan(0).Finish(fileStatus, osError);
  VerifyReport report = scan_->Finish(fileStatus, osError);
  scan_->Reset();
  return report;
}

}  // namespace codehdr
