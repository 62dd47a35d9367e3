// The field map of a header's bytes: which bytes are which field, named, in
// offset order, and which bytes a failed check or a malformed header puts at
// fault. `codehdr info --hex` prints it as text and the browser page draws
// it, both from here.
#ifndef CODEHDR_HEADER_FIELDS_H
#define CODEHDR_HEADER_FIELDS_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include <codehdr/export.h>
#include <codehdr/header.h>

namespace codehdr {

enum class FieldKind : std::uint8_t {
  kGuardBytes,
  kVireVuzVersion,
  kMandatorySize,
  kTotalSize,
  kCrc32,
  kTag,
  kCodeMode,
  kCodeVersion,
  kSectionCount,
  kReserved,
  kOldStyleTag,        // the four equal bytes of an old-style header
  kSectionHead,        // a section's type and length bytes
  kComment,            // a comment section's text
  kDependencyType,     // a dependency section's 16-bit type
  kDependencyVersion,  // its version field
  kExtraPayload,       // a dependency section's bytes beyond its 18
  kSectionPayload,     // the payload of a section of another type
  kUnreadBytes,        // bytes of the header in no section the reader walks
};

struct HeaderField {
  std::size_t offset = 0;  // from the start of the header
  std::size_t size = 0;    // never 0
  FieldKind kind = FieldKind::kGuardBytes;
  // The bytes end inside the field (a mandatory field, a dependency's type),
  // or a section head's length runs past them.
  bool cut_off = false;
  int section = 0;  // the section's number from 1 for its fields; 0 elsewhere
};

// The fields of the first `size` bytes of a header as `header` (read from
// them) describes it: the mandatory fields as far as the bytes go, then the
// sections as the reader walks them, then any bytes no section covers. An
// old-style header is one field; no header, none. Every field lies inside
// the bytes.
CODEHDR_EXPORT std::vector<HeaderField> HeaderFields(const Header& header, std::size_t size);

// The bytes to mark as wrong: those the failing check found (the section
// count when the fault is a section that would start at the header's end),
// or the total size of a malformed header. Absent when nothing is wrong.
struct ByteSpan {
  std::size_t offset = 0;
  std::size_t size = 0;
};
CODEHDR_EXPORT std::optional<ByteSpan> FaultyBytes(const Header& header, std::size_t size,
                                                   const std::optional<HeaderCheck>& check);

// The field kind's snake_case name ("crc32"), and its label as people read
// it ("CRC-32"); null for a value that is no kind.
CODEHDR_EXPORT const char* FieldKindName(FieldKind kind);
CODEHDR_EXPORT const char* FieldKindLabel(FieldKind kind);

}  // namespace codehdr

#endif  // CODEHDR_HEADER_FIELDS_H
