// Writing a code image in one pass: the header with its CRC field zero, the
// payload as it arrives while the CRC-32 runs over every byte written, then
// the CRC into its field. The file appears whole or not at all.
#include <algorithm>
#include <cerrno>
#include <memory>

#include <codehdr/checksum.h>
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

}  // namespace

WriteReport WriteImage(const std::string& output, const std::vector<std::uint8_t>& header, std::FILE* payload) {
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[detail::kIoChunk]);
  bool done = payload == nullptr;
  return Write(output, header, [&](Status& status, int& error) -> std::pair<const std::uint8_t*, std::size_t> {
    if (done) return {nullptr, 0};
    const std::size_t got = std::fread(buffer.get(), 1, detail::kIoChunk, payload);
    if (got < detail::kIoChunk) {
      done = true;
      if (std::ferror(payload)) {
        status = Status::kFileRead;
        error = errno;
        return {nullptr, 0};
      }
    }
    return {buffer.get(), got};
  });
}

WriteReport WriteImage(const std::string& output, const std::vector<std::uint8_t>& header, const std::uint8_t* payload,
                       std::size_t size) {
  std::size_t offset = 0;
  // Chunk by chunk, so that each piece is still in cache when it is written.
  return Write(output, header, [&](Status&, int&) -> std::pair<const std::uint8_t*, std::size_t> {
    const std::size_t take = payload == nullptr ? 0 : std::min(size - offset, detail::kIoChunk);
    const std::uint8_t* chunk = payload + offset;
    offset += take;
    return {chunk, take};
  });
}

}  // namespace codehdr

namespace codehdr {

ExtractReport ExtractPayload(const std::string& image, const std::string& output, bool raw) {
  ExtractReport report;
  platform::InputFile in(image.c_str());
  const auto fail = [&report](Status status, int error) {
    report.status = status;
    report.os_error = error;
    return report;
  };
  if (!in.ok()) return fail(in.status(), in.error());

  // Reads exactly the size the file system reported, chunk by chunk.
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[detail::kIoChunk]);
  std::uint64_t left = in.size();
  const auto next = [&]() -> std::size_t {
    if (left == 0) return 0;
    const std::size_t got = in.Read(buffer.get(), static_cast<std::size_t>(std::min<std::uint64_t>(left, detail::kIoChunk)));
    if (got == 0) fail(in.ok() ? Status::kFileShrank : in.status(), in.error());
    left -= got;
    return got;
  };

  // The header first: enough bytes to see its form and its total size.
  std::vector<std::uint8_t> head;
  std::size_t need = layout::kTotSizeLoc + 2;
  bool sized = false;
  while (head.size() < need && left > 0) {
    const std::size_t got = next();
    if (got == 0) return report;
    head.insert(head.end(), buffer.get(), buffer.get() + got);
    if (!sized && head.size() >= layout::kTotSizeLoc + 2) {
      sized = true;
      if (head[0] == layout::kGuardByte) {
        need = std::max<std::size_t>(need, layout::ReadBe16(head.data() + layout::kTotSizeLoc));
      }
    }
  }
  report.header = ReadHeader(head.data(), head.size());
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
  out.Append(head.data() + skip, head.size() - skip);
  report.size = head.size() - skip;
  while (out.ok()) {
    const std::size_t got = next();
    if (got == 0) break;
    out.Append(buffer.get(), got);
    report.size += got;
  }
  if (report.status != Status::kOk) return report;
  out.Commit();
  if (!out.ok()) return fail(out.status(), out.error());
  return report;
}

}  // namespace codehdr
