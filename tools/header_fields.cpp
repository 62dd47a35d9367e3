#include "header_fields.h"

#include <climits>

#include <codehdr/codehdr.h>

#include "header/byte_order.h"
#include "header/layout.h"
#include "printable.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

constexpr int kMaxReachableDependencies = 256;  // GetCodeDependencyAt takes a byte

std::optional<std::uint32_t> FileCrc(CCodeHeader& header, Bytes& image) {
  if (image.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  header.RemoveCRC(image.data());
  CCRC crc;
  return crc.GetCRC32(image.data(), static_cast<int>(image.size()));
}

std::optional<std::string> Comment(CCodeHeader& header) {
  char text[layout::kCommentBufLen] = {};
  if (header.GetHeaderComment(text) == 0) return std::nullopt;
  return Printable(text);
}

std::vector<DependencyField> Dependencies(CCodeHeader& header) {
  std::vector<DependencyField> deps;
  int count = header.GetNumCodeDependencies();
  for (int i = 0; i < count && i < kMaxReachableDependencies; ++i) {
    dependencyInfo dep = header.GetCodeDependencyAt(static_cast<unsigned char>(i));
    deps.push_back({dep.depType, FieldText(reinterpret_cast<const unsigned char*>(dep.depVer), layout::kVersionFieldLen)});
  }
  return deps;
}

void ReadNewStyleFields(CCodeHeader& header, Bytes& image, HeaderFields& fields) {
  const unsigned char* hdr = header.compressedCodeHeader;
  fields.virevuz_version = FieldText(hdr + layout::kVireVuzVerLoc, layout::kVersionFieldLen);
  fields.mandatory_size = byte_order::ReadBe16(hdr + layout::kManHdrSizeLoc);
  fields.stored_crc = header.ExtractCrcFromHeader();
  fields.code_mode = hdr[layout::kCodeModeLoc];
  fields.code_version = FieldText(hdr + layout::kCodeVerLoc, layout::kVersionFieldLen);
  fields.section_count = hdr[layout::kNumOptSecLoc];
  fields.reserved = hdr[layout::kReservedLoc];
  fields.comment = Comment(header);
  fields.comment_length = header.GetHeaderCommentLen();
  fields.dependencies = Dependencies(header);
  fields.computed_crc = FileCrc(header, image);
}

}  // namespace

HeaderFields ReadHeaderFields(CCodeHeader& header, const std::string& file, Bytes& image) {
  HeaderFields fields;
  fields.file = file;
  fields.file_size = image.size();
  ExtractedHeader extracted = ExtractHeader(header, image);
  if (extracted.form == HeaderForm::kMalformed) throw ToolError(file, extracted.problem, kExitFailed);
  fields.form = extracted.form;
  fields.header_size = extracted.size;
  if (extracted.form == HeaderForm::kNone) return fields;
  fields.tag_id = header.GetHeaderTag();
  if (extracted.form == HeaderForm::kNewStyle) ReadNewStyleFields(header, image, fields);
  return fields;
}

}  // namespace codehdr::tool
