// The C interface's field map of a header object's bytes: which bytes are
// which field, and which a failed check puts at fault.
#include <codehdr/c.h>
#include <codehdr/header_fields.h>

#include "capi/capi.h"

using namespace codehdr::capi;

size_t codehdr_header_fields(const codehdr_header* header, codehdr_header_field* out, size_t capacity) {
  if (header == nullptr || (out == nullptr && capacity != 0)) return 0;
  try {
    const std::vector<codehdr::HeaderField> fields = codehdr::HeaderFields(header->header, header->bytes.size());
    for (std::size_t i = 0; i < std::min(capacity, fields.size()); ++i) {
      const codehdr::HeaderField& f = fields[i];
      out[i] = codehdr_header_field{f.offset, f.size, static_cast<int>(f.kind), f.section, f.cut_off ? 1 : 0};
    }
    return fields.size();
  } catch (...) {
    return 0;
  }
}

const char* codehdr_header_field_name(int kind) { return EnumName(kind, codehdr::FieldKindName); }

const char* codehdr_header_field_label(int kind) { return EnumName(kind, codehdr::FieldKindLabel); }

int codehdr_header_faulty_bytes(const codehdr_header* header, size_t* offset, size_t* size) {
  if (header == nullptr || offset == nullptr || size == nullptr) return 0;
  const std::optional<codehdr::ByteSpan> span =
      codehdr::FaultyBytes(header->header, header->bytes.size(), header->check);
  if (!span) return 0;
  *offset = span->offset;
  *size = span->size;
  return 1;
}
