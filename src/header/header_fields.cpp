#include <codehdr/header_fields.h>

#include <algorithm>
#include <iterator>

#include <codehdr/layout.h>

namespace codehdr {

namespace L = layout;

namespace {

constexpr const char* kLabels[] = {
    "guard bytes",  "VireVuz version", "mandatory size",   "total size",         "CRC-32",
    "tag id",       "code mode",       "code version",     "section count",      "reserved",
    "old-style tag id", "section",     "comment",          "dependency type",    "dependency version",
    "extra payload", "payload",        "unread bytes",
};
static_assert(std::size(kLabels) == static_cast<std::size_t>(FieldKind::kUnreadBytes) + 1);

struct Fields {
  std::size_t size;  // of the bytes
  std::vector<HeaderField> list;

  // Adds [begin, end) cut to the bytes; empty ranges are left out.
  void Add(std::size_t begin, std::size_t end, FieldKind kind, int section = 0, bool cut_off = false) {
    end = std::min(end, size);
    if (begin >= end) return;
    list.push_back({begin, end - begin, kind, cut_off, section});
  }
};

void Mandatory(Fields& f) {
  struct Row {
    std::size_t offset, size;
    FieldKind kind;
  };
  static constexpr Row kRows[] = {
      {L::kGuardLoc, L::kGuardLen, FieldKind::kGuardBytes},
      {L::kVireVuzVerLoc, L::kVersionFieldLen, FieldKind::kVireVuzVersion},
      {L::kManHdrSizeLoc, 2, FieldKind::kMandatorySize},
      {L::kTotSizeLoc, 2, FieldKind::kTotalSize},
      {L::kCrcLoc, L::kCrcLen, FieldKind::kCrc32},
      {L::kTagLoc, 1, FieldKind::kTag},
      {L::kCodeModeLoc, 1, FieldKind::kCodeMode},
      {L::kCodeVerLoc, L::kVersionFieldLen, FieldKind::kCodeVersion},
      {L::kNumOptSecLoc, 1, FieldKind::kSectionCount},
      {L::kReservedLoc, 1, FieldKind::kReserved},
  };
  for (const Row& row : kRows) {
    if (row.offset >= f.size) return;
    const bool cut = f.size - row.offset < row.size;
    f.Add(row.offset, row.offset + row.size, row.kind, 0, cut);
    if (cut) return;
  }
}

// The sections as the header's reader walks them: each one's head, then its
// payload as its type reads it.
void Sections(const Header& header, Fields& f) {
  std::size_t covered = L::kFirstOptSecLoc;
  int number = 0;
  for (const Section& s : header.sections) {
    ++number;
    const std::size_t begin = std::min(s.offset + L::kOptPayloadLoc, f.size);
    const std::size_t end = std::min(begin + s.length, f.size);
    f.Add(s.offset, begin, FieldKind::kSectionHead, number, begin + s.length > f.size);
    if (s.type == L::kOptTypeComment) {
      f.Add(begin, end, FieldKind::kComment, number);
    } else if (s.type == L::kOptTypeDependency) {
      const std::size_t type_end = std::min(begin + L::kDepVerLoc, end);
      const std::size_t ver_end = std::min(begin + L::kDepPayloadLen, end);
      f.Add(begin, type_end, FieldKind::kDependencyType, number, type_end - begin != L::kDepVerLoc);
      f.Add(type_end, ver_end, FieldKind::kDependencyVersion, number);
      f.Add(ver_end, end, FieldKind::kExtraPayload, number);
    } else {
      f.Add(begin, end, FieldKind::kSectionPayload, number);
    }
    covered = std::max(covered, end);
  }
  f.Add(covered, f.size, FieldKind::kUnreadBytes);
}

}  // namespace

std::vector<HeaderField> HeaderFields(const Header& header, std::size_t size) {
  Fields f{size, {}};
  if (header.form == HeaderForm::kOldStyle) {
    f.Add(0, L::kOldStyleHdrLen, FieldKind::kOldStyleTag);
  } else {
    Mandatory(f);
    Sections(header, f);
  }
  return f.list;
}

std::optional<ByteSpan> FaultyBytes(const Header& header, std::size_t size, const std::optional<HeaderCheck>& check) {
  if (check && check->status != Status::kOk) {
    // A section that would start at the header's end: the count is at fault.
    if (check->fault_size == 0) return ByteSpan{L::kNumOptSecLoc, 1};
    return ByteSpan{check->fault_offset, check->fault_size};
  }
  if (header.form == HeaderForm::kMalformed && size >= L::kTotSizeLoc + 2) return ByteSpan{L::kTotSizeLoc, 2};
  return std::nullopt;
}

const char* FieldKindLabel(FieldKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  return index < std::size(kLabels) ? kLabels[index] : nullptr;
}

}  // namespace codehdr
