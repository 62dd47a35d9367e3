#include "info_hex.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/header_fields.h>
#include <codehdr/layout.h>

#include "text.h"

namespace codehdr::tool {

namespace {

namespace L = codehdr::layout;

constexpr std::size_t kBytesPerLine = 16;
constexpr const char* kRed = "\033[31m";
constexpr const char* kReset = "\033[0m";

// The bytes the dump marks, and what was expected of them.
struct Fault {
  std::size_t offset = 0;
  std::size_t size = 0;
  std::string note;
};

using Bytes = std::vector<std::uint8_t>;

std::string Quoted(const Bytes& h, std::size_t offset, std::size_t size) {
  const auto* text = reinterpret_cast<const char*>(h.data() + offset);
  return "\"" + Printable(std::string(text, std::find(text, text + size, '\0'))) + "\"";
}

std::string Number(const Bytes& h, const HeaderField& f) {
  return std::to_string(f.size == 1 ? h[f.offset] : L::ReadBe16(h.data() + f.offset));
}

// The field's name as the dump shows it: a section head carries its number.
std::string Name(const HeaderField& f) {
  const std::string label = FieldKindLabel(f.kind);
  return f.kind == FieldKind::kSectionHead ? label + " " + std::to_string(f.section) : label;
}

std::string SectionHead(const VerifyReport& report, const HeaderField& f) {
  const Section& s = report.header.sections[static_cast<std::size_t>(f.section - 1)];
  const char* kind = s.type == L::kOptTypeComment      ? "comment"
                     : s.type == L::kOptTypeDependency ? "dependency"
                                                       : "unknown type";
  std::string head = std::string(kind) + " (type " + std::to_string(s.type) + "), length " + std::to_string(s.length);
  return f.cut_off ? head + ": runs past the end of the header" : head;
}

// The decoded value of a field the core's map names.
std::string Value(const VerifyReport& report, const HeaderField& f) {
  const Bytes& h = report.header_bytes;
  const bool mandatory = f.offset < L::kManHdrLen && f.kind != FieldKind::kOldStyleTag;
  if (mandatory && f.cut_off) return "(cut off: the file ends here)";
  switch (f.kind) {
    case FieldKind::kGuardBytes:
      return std::all_of(h.begin(), h.begin() + L::kGuardLen, [](std::uint8_t b) { return b == L::kGuardByte; })
                 ? "C9 C9 C9 C9"
                 : "not all C9";
    case FieldKind::kVireVuzVersion:
    case FieldKind::kCodeVersion:
    case FieldKind::kComment:
    case FieldKind::kDependencyVersion:
      return Quoted(h, f.offset, f.size);
    case FieldKind::kMandatorySize:
    case FieldKind::kTotalSize:
    case FieldKind::kTag:
    case FieldKind::kSectionCount:
    case FieldKind::kReserved:
      return Number(h, f);
    case FieldKind::kCrc32: {
      const std::uint32_t stored = L::ReadBe32(h.data() + f.offset);
      std::string value = "stored " + Crc32Text(stored);
      if (report.computed_crc) {
        value += ", computed " + Crc32Text(*report.computed_crc) +
                 (*report.computed_crc == stored ? " (match)" : " (MISMATCH)");
      }
      return value;
    }
    case FieldKind::kCodeMode:
      return CodeModeText(h[f.offset]);
    case FieldKind::kOldStyleTag:
      return "tag " + std::to_string(report.header.tag) + " (four equal bytes)";
    case FieldKind::kSectionHead:
      return SectionHead(report, f);
    case FieldKind::kDependencyType:
      return f.cut_off ? "(cut off)" : CodeModeText(L::ReadBe16(&h[f.offset]));
    case FieldKind::kExtraPayload:
      return "beyond the 18 bytes of a dependency";
    case FieldKind::kUnreadBytes:
      return report.header.sections.empty() ? "" : "in no section the reader walks";
    case FieldKind::kSectionPayload:
      break;
  }
  return "";
}

std::string Expected(const VerifyReport& report, const HexOptions& options) {
  switch (report.status) {
    case Status::kGuardBytes:
      return "expected c9 c9 c9 c9";
    case Status::kVireVuzVersion:
    case Status::kHeaderCodeVersion:
    case Status::kHeaderDependencyVersion:
      return "expected a version string such as R01A02.3";
    case Status::kMandatorySize:
      return "expected 48";
    case Status::kCrcMismatch:
      return "stored " + Crc32Text(report.header.stored_crc) + ", computed " + Crc32Text(report.computed_crc.value_or(0));
    case Status::kTagMismatch:
      return "expected tag " + std::to_string(options.expected_tag) + " (--tag)";
    case Status::kReservedByte:
      return "expected 0";
    case Status::kSectionOverrun:
      return "runs past the end of the " + std::to_string(report.header_bytes.size()) + "-byte header";
    case Status::kHeaderTruncated:
      return "the file ends after " + std::to_string(report.file_size) + " bytes";
    case Status::kHeaderTooSmall:
      return "expected 48 or more";
    default:
      return StatusReason(report.status);
  }
}

// Which bytes to mark (the core decides), with what was expected of them.
Fault FaultOf(const VerifyReport& report, const HexOptions& options) {
  const std::optional<ByteSpan> span = FaultyBytes(report.header, report.header_bytes.size(), report.check);
  if (!span) return Fault();
  return Fault{span->offset, span->size, Expected(report, options)};
}

void PrintField(const VerifyReport& report, const HeaderField& field, const Fault& fault, bool& noted,
                const HexOptions& options) {
  const Bytes& h = report.header_bytes;
  const bool marked = field.offset < fault.offset + fault.size && fault.offset < field.offset + field.size;
  for (std::size_t line = 0; line < field.size; line += kBytesPerLine) {
    std::string hex;
    for (std::size_t i = line; i < std::min(field.size, line + kBytesPerLine); ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%s%02x", hex.empty() ? "" : " ", h[field.offset + i]);
      hex += byte;
    }
    std::string text = line == 0 ? Name(field) : "";
    std::string value = line == 0 ? Value(report, field) : "";
    if (marked && !noted) {
      value += "  <-- " + fault.note;
      noted = true;
    }
    std::printf("%s%s %6zu  %-47s  %-18s  %s%s\n", marked && options.colour ? kRed : "", marked ? ">" : " ",
                field.offset + line, hex.c_str(), text.c_str(), value.c_str(), marked && options.colour ? kReset : "");
  }
}

const char* FormText(const VerifyReport& report) {
  switch (report.header.form) {
    case HeaderForm::kNewStyle:
      return "new-style header";
    case HeaderForm::kOldStyle:
      return "old-style header";
    case HeaderForm::kMalformed:
      return "malformed header";
    case HeaderForm::kNone:
      break;
  }
  return "no code header";
}

}  // namespace

void PrintInfoHex(const std::string& file, const VerifyReport& report, const HexOptions& options) {
  const Bytes& h = report.header_bytes;
  std::printf("%s: %s, %zu bytes shown of a %llu-byte file\n", file.c_str(), FormText(report), h.size(),
              static_cast<unsigned long long>(report.file_size));
  const std::vector<HeaderField> fields = HeaderFields(report.header, h.size());
  if (!fields.empty()) std::printf("  offset  %-47s  %-18s  %s\n", "bytes", "field", "value");
  const Fault fault = FaultOf(report, options);
  bool noted = false;
  for (const HeaderField& field : fields) PrintField(report, field, fault, noted, options);
  std::printf("  result: %s\n", VerdictText(report).c_str());
}

}  // namespace codehdr::tool
