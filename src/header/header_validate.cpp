// Field-by-field validation of the held new-style header, in a fixed order;
// the first failing check gives the result. On the way the header's code
// version and dependency sections are taken into the object.
#include <algorithm>
#include <cstring>

#include <codehdr/code_header.h>
#include <codehdr/version_string.h>

#include "common/bounded_copy.h"
#include "common/trace.h"
#include "header/bounds.h"
#include "header/byte_order.h"
#include "header/layout.h"

namespace layout = codehdr::layout;
namespace byte_order = codehdr::byte_order;
using codehdr::Trace;

namespace {

constexpr unsigned char kVersionCheckLen = layout::kVersionFieldLen;

// A 16-byte version field copied out with a NUL behind it, so that it is a
// string even when it fills its field.
struct VersionField {
  char text[layout::kVersionFieldLen + 1];

  explicit VersionField(const unsigned char* field) {
    std::memcpy(text, field, layout::kVersionFieldLen);
    text[layout::kVersionFieldLen] = '\0';
  }
  bool WellFormed() const { return VerifyCodeVersionFormat(text, kVersionCheckLen) != 0; }
};

bool GuardBytesPresent(const unsigned char* hdr, std::size_t hdrLen) {
  if (hdr == nullptr || hdrLen < layout::kGuardLen) return false;
  return std::all_of(hdr + layout::kGuardLoc, hdr + layout::kGuardLoc + layout::kGuardLen,
                     [](unsigned char b) { return b == layout::kGuardByte; });
}

// Traces the four stored CRC bytes and returns them assembled.
std::uint32_t ReadTracedCrc(const unsigned char* hdr) {
  for (std::size_t loc = layout::kCrcLoc; loc < layout::kCrcLoc + layout::kCrcLen; ++loc) {
    Trace("\textracted %d from %d", hdr[loc], static_cast<int>(loc));
  }
  const std::uint32_t stored = byte_order::ReadBe32(hdr + layout::kCrcLoc);
  Trace("CRC = %d", static_cast<int>(stored));
  return stored;
}

}  // namespace

unsigned short CCodeHeader::ValidateHeader(unsigned char tagId, unsigned int crc) {
  const unsigned char* hdr = compressedCodeHeader;
  // No header buffer at all fails like an old-style header: at the guard
  // bytes, with nothing read beyond the buffer.
  if (!GuardBytesPresent(hdr, hdrBufLen)) return ERR_GUARD_BYTES;
  // A buffer with guard bytes is a new-style header of at least 48 bytes
  // (extraction and building never hold a shorter one); should one ever be
  // shorter, its mandatory header is incomplete.
  if (hdrBufLen < layout::kManHdrLen) return ERR_MAN_HDR_SIZE;

  const VersionField vireVuzVer(hdr + layout::kVireVuzVerLoc);
  Trace("Received %s as VireVuz ver string", vireVuzVer.text);
  if (!vireVuzVer.WellFormed()) return ERR_VERSION_FORMAT;

  const unsigned manSize = byte_order::ReadBe16(hdr + layout::kManHdrSizeLoc);
  Trace("Mandatory Header size reported as %d", manSize);
  if (manSize != layout::kManHdrLen) return ERR_MAN_HDR_SIZE;

  Trace("Total Header size repoerted as %d", byte_order::ReadBe16(hdr + layout::kTotSizeLoc));

  if (crc != 0) {
    const std::uint32_t stored = ReadTracedCrc(hdr);
    Trace("Header CRC reported as %d, crc calculated as %d", static_cast<int>(stored), static_cast<int>(crc));
    if (stored != crc) return ERR_CRC_MISMATCH;
  }

  if (tagId != 0 && hdr[layout::kTagLoc] != tagId) return ERR_TAG_MISMATCH;
  Trace("Verified tag -- %d", tagId);

  const VersionField headerCodeVer(hdr + layout::kCodeVerLoc);
  Trace("Code version reported as %s", headerCodeVer.text);
  if (!headerCodeVer.WellFormed()) return ERR_VERSION_FORMAT;
  codehdr::BoundedCopy(codeVer, sizeof codeVer, headerCodeVer.text);

  const unsigned sections = hdr[layout::kNumOptSecLoc];
  Trace("Num. optional sections = %d", sections);
  if (hdr[layout::kReservedLoc] != 0) return ERR_CODE_VER_FORMAT;

  dependencyList.Clear();
  std::size_t pos = layout::kFirstOptSecLoc;
  for (unsigned i = 0; i < sections; ++i) {
    // A section that runs past the end of the header buffer fails with 1057:
    // after a comment every section is read as a dependency section, and one
    // the header does not hold whole has no well-formed version. The code also
    // keeps the result within the set this check is known to return.
    if (!codehdr::SpanFits(hdrBufLen, pos, layout::kOptPayloadLoc)) return ERR_DEP_VER_FORMAT;
    const unsigned char type = hdr[pos + layout::kOptTypeLoc];
    const unsigned char len = hdr[pos + layout::kOptLenLoc];
    Trace(" Opt. section %d -- type = %d, length = %d", i, type, len);

    if (type == layout::kOptTypeComment) {
      // The comment's payload is not examined, but it must lie in the header.
      if (!codehdr::SpanFits(hdrBufLen, pos + layout::kOptPayloadLoc, len)) return ERR_DEP_VER_FORMAT;
      pos += layout::kOptPayloadLoc + len;
      continue;
    }

    // Any other type is a dependency section of fixed size, whatever its
    // length byte says.
    if (!codehdr::SpanFits(hdrBufLen, pos, layout::kDepSectionLen)) return ERR_DEP_VER_FORMAT;
    const unsigned char* payload = hdr + pos + layout::kOptPayloadLoc;
    const unsigned short depType = byte_order::ReadBe16(payload + layout::kDepTypeLoc);
    const VersionField depVer(payload + layout::kDepVerLoc);
    pos += layout::kDepSectionLen;
    Trace(" Opt. section %d -- val = %s", i, depVer.text);
    if (!depVer.WellFormed()) return ERR_DEP_VER_FORMAT;

    Trace("Adding code dependency - type = %d, ver = %s", depType, depVer.text);
    dependencyInfo info{};
    info.depType = depType;
    codehdr::BoundedCopy(info.depVer, sizeof info.depVer, depVer.text);
    dependencyList.Append(info);
  }
  return HDR_SUCCESS;
}
