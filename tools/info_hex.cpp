#include "info_hex.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/layout.h>

#include "text.h"

namespace codehdr::tool {

namespace {

namespace L = codehdr::layout;

constexpr std::size_t kBytesPerLine = 16;
constexpr const char* kRed = "\033[31m";
constexpr const char* kReset = "\033[0m";

// One line (or, for long fields, several) of the dump.
struct Field {
  std::size_t offset;
  std::size_t size;
  std::string name;
  std::string value;
};

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

std::string Number(const Bytes& h, std::size_t offset, std::size_t size) {
  return std::to_string(size == 1 ? h[offset] : L::ReadBe16(h.data() + offset));
}

// The 48-byte mandatory header's fields, as far as the bytes go; a field the
// bytes end inside of is shown cut off.
void MandatoryFields(const VerifyReport& report, std::vector<Field>& fields) {
  const Bytes& h = report.header_bytes;
  enum Kind { kGuard, kText, kNumber, kCrc, kCodeMode };
  struct Row {
    std::size_t offset, size;
    const char* name;
    Kind kind;
  };
  static constexpr Row kRows[] = {
      {L::kGuardLoc, L::kGuardLen, "guard bytes", kGuard},
      {L::kVireVuzVerLoc, L::kVersionFieldLen, "VireVuz version", kText},
      {L::kManHdrSizeLoc, 2, "mandatory size", kNumber},
      {L::kTotSizeLoc, 2, "total size", kNumber},
      {L::kCrcLoc, L::kCrcLen, "CRC-32", kCrc},
      {L::kTagLoc, 1, "tag id", kNumber},
      {L::kCodeModeLoc, 1, "code mode", kCodeMode},
      {L::kCodeVerLoc, L::kVersionFieldLen, "code version", kText},
      {L::kNumOptSecLoc, 1, "section count", kNumber},
      {L::kReservedLoc, 1, "reserved", kNumber},
  };
  for (const Row& row : kRows) {
    if (row.offset >= h.size()) break;
    if (h.size() - row.offset < row.size) {
      fields.push_back({row.offset, h.size() - row.offset, row.name, "(cut off: the file ends here)"});
      break;
    }
    std::string value;
    switch (row.kind) {
      case kGuard:
        value = std::all_of(h.begin(), h.begin() + L::kGuardLen, [](std::uint8_t b) { return b == L::kGuardByte; })
                    ? "C9 C9 C9 C9"
                    : "not all C9";
        break;
      case kText:
        value = Quoted(h, row.offset, row.size);
        break;
      case kNumber:
        value = Number(h, row.offset, row.size);
        break;
      case kCrc: {
        const std::uint32_t stored = L::ReadBe32(h.data() + row.offset);
        value = "stored " + Crc32Text(stored);
        if (report.computed_crc) {
          value += ", computed " + Crc32Text(*report.computed_crc) +
                   (*report.computed_crc == stored ? " (match)" : " (MISMATCH)");
        }
        break;
      }
      case kCodeMode:
        value = CodeModeText(h[row.offset]);
        break;
    }
    fields.push_back({row.offset, row.size, row.name, value});
  }
}

// The optional sections as the header's reader walks them: each one's type
// and length, then its payload decoded.
void SectionFields(const VerifyReport& report, std::vector<Field>& fields) {
  const Bytes& h = report.header_bytes;
  std::size_t covered = L::kFirstOptSecLoc;
  int number = 0;
  for (const Section& s : report.header.sections) {
    const std::size_t begin = s.offset + L::kOptPayloadLoc;
    const std::size_t end = std::min(begin + s.length, h.size());
    const char* kind = s.type == L::kOptTypeComment      ? "comment"
                       : s.type == L::kOptTypeDependency ? "dependency"
                                                         : "unknown type";
    std::string head = std::string(kind) + " (type " + std::to_string(s.type) + "), length " + std::to_string(s.length);
    if (begin + s.length > h.size()) head += ": runs past the end of the header";
    fields.push_back({s.offset, L::kOptPayloadLoc, "section " + std::to_string(++number), head});
    if (s.type == L::kOptTypeComment) {
      fields.push_back({begin, end - begin, "comment", Quoted(h, begin, end - begin)});
    } else if (s.type == L::kOptTypeDependency) {
      const std::size_t type_end = std::min(begin + L::kDepVerLoc, end);
      const std::size_t ver_end = std::min(begin + L::kDepPayloadLen, end);
      fields.push_back({begin, type_end - begin, "dependency type",
                        type_end - begin == 2 ? CodeModeText(L::ReadBe16(&h[begin])) : "(cut off)"});
      fields.push_back({type_end, ver_end - type_end, "dependency version", Quoted(h, type_end, ver_end - type_end)});
      fields.push_back({ver_end, end - ver_end, "extra payload", "beyond the 18 bytes of a dependency"});
    } else {
      fields.push_back({begin, end - begin, "payload", ""});
    }
    covered = std::max(covered, end);
  }
  if (covered < h.size()) {
    fields.push_back({covered, h.size() - covered, "unread bytes",
                      report.header.sections.empty() ? "" : "in no section the reader walks"});
  }
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

// Which bytes to mark: those of the failing check, or for a header that does
// not fit its own size, the total size field.
Fault FaultOf(const VerifyReport& report, const HexOptions& options) {
  Fault fault;
  if (report.check && report.check->status != Status::kOk) {
    fault.offset = report.check->fault_offset;
    fault.size = report.check->fault_size;
    if (fault.size == 0) {  // a section that would start at the header's end: the count is at fault
      fault.offset = L::kNumOptSecLoc;
      fault.size = 1;
    }
  } else if (report.header.form == HeaderForm::kMalformed && report.header_bytes.size() >= L::kTotSizeLoc + 2) {
    fault.offset = L::kTotSizeLoc;
    fault.size = 2;
  }
  if (fault.size != 0) fault.note = Expected(report, options);
  return fault;
}

void PrintField(const Field& field, const Bytes& h, const Fault& fault, bool& noted, const HexOptions& options) {
  const bool marked = field.offset < fault.offset + fault.size && fault.offset < field.offset + field.size;
  for (std::size_t line = 0; line < field.size; line += kBytesPerLine) {
    std::string hex;
    for (std::size_t i = line; i < std::min(field.size, line + kBytesPerLine); ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%s%02x", hex.empty() ? "" : " ", h[field.offset + i]);
      hex += byte;
    }
    std::string text = line == 0 ? field.name : "";
    std::string value = line == 0 ? field.value : "";
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
  std::vector<Field> fields;
  if (report.header.form == HeaderForm::kOldStyle) {
    fields.push_back({0, L::kOldStyleHdrLen, "old-style tag id", "tag " + std::to_string(report.header.tag) +
                                                                    " (four equal bytes)"});
  } else if (!h.empty()) {
    MandatoryFields(report, fields);
    SectionFields(report, fields);
  }
  if (!fields.empty()) std::printf("  offset  %-47s  %-18s  %s\n", "bytes", "field", "value");
  const Fault fault = FaultOf(report, options);
  bool noted = false;
  for (const Field& field : fields) {
    if (field.size != 0) PrintField(field, h, fault, noted, options);
  }
  std::printf("  result: %s\n", VerdictText(report).c_str());
}

}  // namespace codehdr::tool
