// Reading a header from bytes: its form, its fields and its optional
// sections. Every read is bounded by the bytes given, whatever the header's
// own size fields claim.
#include <algorithm>

#include <codehdr/header.h>
#include <codehdr/layout.h>

#include "common/bounded_copy.h"
#include "header/header_internal.h"

namespace codehdr {
namespace detail {
namespace {

// True when the `count` bytes from `pos` on lie inside `size` bytes; no sum
// can overflow.
bool Fits(std::size_t size, std::size_t pos, std::size_t count) { return pos <= size && count <= size - pos; }

std::size_t BytesFrom(std::size_t size, std::size_t pos) { return pos < size ? size - pos : 0; }

bool IsOldStyle(const std::uint8_t* data, std::size_t size) {
  return size >= layout::kOldStyleHdrLen && std::all_of(data + 1, data + layout::kOldStyleHdrLen, [&](std::uint8_t b) {
           return b == data[0];
         });
}

}  // namespace

std::string FieldText(const std::uint8_t* field, std::size_t width) {
  const char* text = reinterpret_cast<const char*>(field);
  return std::string(text, BoundedLength(text, width));
}

Header ClassifyHeader(const std::uint8_t* data, std::size_t size) {
  Header header;
  if (data == nullptr || size == 0) return header;
  // The first byte alone marks a new-style header; the check looks at the
  // other guard bytes.
  if (data[layout::kGuardLoc] == layout::kGuardByte) {
    header.form = HeaderForm::kMalformed;
    header.problem = Status::kHeaderTruncated;
    if (!Fits(size, layout::kTotSizeLoc, 2)) return header;
    header.total_size = layout::ReadBe16(data + layout::kTotSizeLoc);
    if (header.total_size < layout::kManHdrLen) {
      header.problem = Status::kHeaderTooSmall;
      // A header object takes a declared size of 4 or less for no header at
      // all (it is no longer than an old-style one): nothing to check.
      if (header.total_size <= layout::kOldStyleHdrLen) header.form = HeaderForm::kNone;
    } else if (header.total_size <= size) {
      header.form = HeaderForm::kNewStyle;
      header.problem = Status::kOk;
    }
    return header;
  }
  if (IsOldStyle(data, size)) {
    header.form = HeaderForm::kOldStyle;
    header.problem = Status::kOldStyleHeader;
    header.total_size = layout::kOldStyleHdrLen;
    header.tag = data[0];
  }
  return header;
}

void ReadSections(const std::uint8_t* data, std::size_t size, Header& header) {
  std::size_t pos = layout::kFirstOptSecLoc;
  for (unsigned i = 0; i < data[layout::kNumOptSecLoc]; ++i) {
    // A section whose head lies past the end of the header ends the walk. A
    // payload that runs past the end is read as far as the bytes go (its
    // text is cut there), and the walk ends after it.
    if (!Fits(size, pos, layout::kOptPayloadLoc)) break;
    const Section section{pos, data[pos + layout::kOptTypeLoc], data[pos + layout::kOptLenLoc]};
    header.sections.push_back(section);
    const std::size_t payload = pos + layout::kOptPayloadLoc;
    if (section.type == layout::kOptTypeDependency) {
      // The length byte is not compared with 18, but the type needs its two
      // bytes.
      if (!Fits(size, payload, layout::kDepVerLoc)) break;
      const std::size_t ver = payload + layout::kDepVerLoc;
      header.dependencies.push_back(Dependency{
          layout::ReadBe16(data + payload + layout::kDepTypeLoc),
          FieldText(data + ver, std::min(layout::kVersionFieldLen, BytesFrom(size, ver)))});
    } else if (section.type == layout::kOptTypeComment) {
      // The text runs to its NUL, whatever the length byte says; a header
      // object keeps 31 characters of it.
      header.comment = FieldText(data + payload, std::min(layout::kCommentBufLen - 1, BytesFrom(size, payload)));
      header.comment_length = section.length;
    }
    pos = payload + section.length;
  }
}

}  // namespace detail

Header ReadHeader(const std::uint8_t* data, std::size_t size) {
  Header header = detail::ClassifyHeader(data, size);
  if (header.form != HeaderForm::kNewStyle) return header;
  header.tag = data[layout::kTagLoc];
  header.virevuz_version = detail::FieldText(data + layout::kVireVuzVerLoc, layout::kVersionFieldLen);
  header.mandatory_size = layout::ReadBe16(data + layout::kManHdrSizeLoc);
  header.stored_crc = layout::ReadBe32(data + layout::kCrcLoc);
  header.code_mode = data[layout::kCodeModeLoc];
  header.code_version = detail::FieldText(data + layout::kCodeVerLoc, layout::kVersionFieldLen);
  header.section_count = data[layout::kNumOptSecLoc];
  header.reserved = data[layout::kReservedLoc];
  detail::ReadSections(data, header.total_size, header);
  return header;
}

}  // namespace codehdr
