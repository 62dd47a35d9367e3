// Writing a code image in one pass: the header with its CRC field zero, the
// payload as it arrives while the CRC-32 runs over every byte written, then
// the CRC into its field. The file appears whole or not at all.
#include <algorithm>
#include <cerrno>
#include <memory>

#include <codehdr/checksum.h>
#include <codehdr/file_io.h>
#include <codehdr/image.h>
#include <codehdr/layout.h>

#include "header/header_internal.h"
#include "platform/platform.h"

namespace codehdr {
namespace {

constexpr std::size_t kMinHeaderLen = layout::kCrcLoc + layout::kCrcLen;

// Streams the header and then every chunk `next` hands out into `output`.
// `next(buffer)` returns the next chunk's bytes, or a size of 0 at the end;
// it sets `readStatus` on a read failure.
template <typename Next>
WriteReport Write(const std::string& output, const std::vector<std::uint8_t>& header, Next next) {
  WriteReport report;
  if (header.size() < kMinHeaderLen) {
    report.status = Status::kBufferTooSmall;
    return report;
  }
  platform::AtomicFile out(output);
  std::vector<std::uint8_t> head(header);
  std::fill_n(head.begin() + layout::kCrcLoc, layout::kCrcLen, 0);
  std::uint32_t crc = Crc32(head.data(), head.size());
  out.Append(head.data(), head.size());
  std::uint64_t size = head.size();

  Status readStatus = Status::kOk;
  int readError = 0;
  while (out.ok()) {
    const std::pair<const std::uint8_t*, std::size_t> chunk = next(readStatus, readError);
    if (chunk.second == 0) break;
    crc = Crc32Extend(crc, chunk.first, chunk.second);
    out.Append(chunk.first, chunk.second);
    size += chunk.second;
  }
  if (readStatus != Status::kOk) {
    report.status = readStatus;
    report.os_error = readError;
    return report;  // the temporary file goes with `out`
  }
  std::uint8_t stored[layout::kCrcLen];
  layout::WriteBe32(stored, crc);
  out.WriteAt(layout::kCrcLoc, stored, sizeof stored);
  out.Commit();
  if (!out.ok()) {
    report.status = out.status();
    report.os_error = out.error();
    return report;
  }
  report.size = size;
  report.crc = crc;
  return report;
}

// A payload that is missing altogether (a null stream, a null pointer with a
// size) is the caller's error: nothing is written, rather than a header-only
// image that would verify.
WriteReport Refused(Status status = Status::kInvalidArgument) {
  WriteReport report;
  report.status = status;
  return report;
}

}  // namespace

WriteReport WriteImage(const std::string& output, const std::vector<std::uint8_t>& header, std::FILE* payload) {
  if (payload == nullptr) return Refused();
  if (platform::IsSameFile(platform::StreamHandle(payload), output)) return Refused(Status::kOutputIsInput);
  IoBuffer buffer(kIoChunkSize);
  bool done = false;
  return Write(output, header, [&](Status& status, int& error) -> std::pair<const std::uint8_t*, std::size_t> {
    if (done) return {nullptr, 0};
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), payload);
    if (got < buffer.size()) {
      done = true;
      if (const int failed = detail::ShortReadError(payload)) {
        status = Status::kFileRead;
        error = failed;
        return {nullptr, 0};
      }
    }
    return {buffer.data(), got};
  });
}

WriteReport WriteImage(const std::string& output, const std::vector<std::uint8_t>& header, InputFile& payload) {
  if (payload.IsFile(output)) return Refused(Status::kOutputIsInput);
  IoBuffer buffer(kIoChunkSize);
  return Write(output, header, [&](Status& status, int& error) -> std::pair<const std::uint8_t*, std::size_t> {
    const std::size_t got = payload.Read(buffer.data(), buffer.size());
    if (!payload.ok()) {
      status = payload.status();
      error = payload.error();
      return {nullptr, 0};
    }
    return {buffer.data(), got};
  });
}

WriteReport WriteImage(const std::string& output, const std::vector<std::uint8_t>& header, const std::uint8_t* payload,
                       std::size_t size) {
  if (payload == nullptr && size != 0) return Refused();
  std::size_t offset = 0;
  // Chunk by chunk, so that each piece is still in cache when it is written.
  return Write(output, header, [&](Status&, int&) -> std::pair<const std::uint8_t*, std::size_t> {
    const std::size_t take = std::min(size - offset, kIoChunkSize);
    const std::uint8_t* chunk = payload + offset;
    offset += take;
    return {chunk, take};
  });
}

}  // namespace codehdr

namespace codehdr {

ExtractReport ExtractPayload(const std::string& image, const std::string& output, bool raw) {
  ExtractReport report;
  InputFile in(image);
  const auto fail = [&report](Status status, int error) {
    report.status = status;
    report.os_error = error;
    return report;
  };
  if (!in.ok()) return fail(in.status(), in.error());
  if (in.IsFile(output)) return fail(Status::kOutputIsInput, 0);

  IoBuffer buffer(kIoChunkSize);
  const auto next = [&]() -> std::size_t {
    const std::size_t got = in.Read(buffer.data(), buffer.size());
    if (!in.ok()) fail(in.status(), in.error());
    return got;
  };

  // A read fills the whole buffer unless the file ends first, and a chunk is
  // larger than any header: the first chunk holds the whole header.
  static_assert(kIoChunkSize > layout::kMaxHeaderLen);
  const std::size_t first = next();
  if (!in.ok()) return report;
  report.header = ReadHeader(buffer.data(), first);
  std::size_t skip = 0;
  switch (report.header.form) {
    case HeaderForm::kNewStyle:
    case HeaderForm::kOldStyle:
      skip = report.header.total_size;
      break;
    case HeaderForm::kNone:
      if (!raw) return fail(Status::kNoHeader, 0);
      break;
    case HeaderForm::kMalformed:
      return fail(report.header.problem, 0);
  }

  platform::AtomicFile out(output);
  for (std::size_t got = first; got > 0 && out.ok(); got = next(), skip = 0) {
    out.Append(buffer.data() + skip, got - skip);
    report.size += got - skip;
  }
  if (report.status != Status::kOk) return report;
  out.Commit();
  if (!out.ok()) return fail(out.status(), out.error());
  return report;
}

}  // namespace codehdr
