// Header bytes: the input is a code image held in memory, exactly its own
// bytes, ending at a guard page. It is extracted with the bounded buffer form,
// parsed again, validated with and without a tag and a CRC, and read through
// every accessor the held header allows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <codehdr/code_header.h>

#include "guarded_buffer.h"
#include "header_checks.h"
#include "header_state.h"

namespace {

using codehdr::fuzz::GuardedBuffer;

// The image holds everything the unbounded form will read: 4 bytes, or for a
// first byte of 0xC9 the total its bytes 22-23 declare.
bool HoldsDeclaredHeader(const unsigned char* p, std::size_t n) {
  if (n < 4) return false;
  if (p[0] != 0xC9) return true;
  return n >= 24 && ((static_cast<std::size_t>(p[22]) << 8) | p[23]) <= n;
}

void CheckValidation(CCodeHeader& h) {
  const unsigned char* hdr = h.compressedCodeHeader;
  const unsigned short plain = h.ValidateHeader(0, 0);
  if (!codehdr::fuzz::IsValidationResult(plain)) std::abort();
  if (plain == ERR_TAG_MISMATCH || plain == ERR_CRC_MISMATCH) std::abort();
  if (plain == HDR_SUCCESS) {
    // A valid header's code version is now the object's.
    const char* field = reinterpret_cast<const char*>(hdr + 30);
    if (std::string(h.codeVer) != std::string(field, strnlen(field, 15))) std::abort();
  }
  const unsigned tag = hdr[28];
  const unsigned crc = h.ExtractCrcFromHeader();
  const unsigned short matching = h.ValidateHeader(static_cast<unsigned char>(tag), crc);
  if (matching != plain) std::abort();
  // Another tag and another CRC, neither 0: the CRC is compared first.
  const unsigned char otherTag = static_cast<unsigned char>(tag == 0xFF ? 1 : tag + 1);
  const unsigned otherCrc = crc + 1 == 0 ? 1 : crc + 1;
  const unsigned short other = h.ValidateHeader(otherTag, otherCrc);
  if (!codehdr::fuzz::IsValidationResult(other)) std::abort();
  if (plain == HDR_SUCCESS && other != ERR_CRC_MISMATCH) std::abort();
  if (plain == HDR_SUCCESS && h.ValidateHeader(otherTag, 0) != ERR_TAG_MISMATCH) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  GuardedBuffer image(data, size);
  CCodeHeader h;
  const unsigned short got = h.ExtractHdrFromCompressedCodeFile(image.data(), size);
  codehdr::fuzz::CheckExtraction(h, got, image.data(), size);
  codehdr::fuzz::CheckGuardedAccessors(h);

  // Parsing again gives the same list and comment.
  const codehdr::fuzz::HeaderFields parsed = codehdr::fuzz::HeaderFields::Of(h);
  if (h.ParseHeaderDependencyInfo() != (h.compressedCodeHeader != nullptr ? 1 : 0)) std::abort();
  if (!(codehdr::fuzz::HeaderFields::Of(h) == parsed)) std::abort();

  if (got > 4 && !h.oldStyleHeader) {
    codehdr::fuzz::CheckNewStyleAccessors(h);
    CheckValidation(h);
    codehdr::fuzz::CheckNewStyleAccessors(h);
  } else if (h.compressedCodeHeader != nullptr) {
    // An old-style header fails validation at its guard bytes.
    if (h.ValidateHeader(0, 0) != ERR_GUARD_BYTES) std::abort();
  }

  // The unbounded form agrees wherever its precondition holds.
  if (HoldsDeclaredHeader(image.data(), size)) {
    CCodeHeader again;
    if (again.ExtractHdrFromCompressedCodeFile(image.data()) != got) std::abort();
  }
  return 0;
}
