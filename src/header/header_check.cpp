// Field-by-field check of a new-style header, in a fixed order; the first
// failing check decides. On the way the header's code version and its
// dependency sections are taken out.
#include <algorithm>
#include <cstring>

#include <codehdr/header.h>
#include <codehdr/layout.h>
#include <codehdr/version_string.h>

#include "common/trace.h"
#include "header/header_internal.h"

namespace codehdr {
namespace {

// A 16-byte version field copied out with a NUL behind it, so that it is a
// string even when it fills its field.
struct VersionField {
  char text[layout::kVersionFieldLen + 1];

  explicit VersionField(const std::uint8_t* field) {
    std::memcpy(text, field, layout::kVersionFieldLen);
    text[layout::kVersionFieldLen] = '\0';
  }
  bool WellFormed() const { return CheckVersion(text, layout::kVersionFieldLen); }
};

HeaderCheck Fault(HeaderCheck check, Status status, std::size_t offset, std::size_t size) {
  check.status = status;
  check.fault_offset = offset;
  check.fault_size = size;
  return check;
}

// Traces the four stored CRC bytes and returns them assembled.
std::uint32_t ReadTracedCrc(const std::uint8_t* hdr) {
  for (std::size_t loc = layout::kCrcLoc; loc < layout::kCrcLoc + layout::kCrcLen; ++loc) {
    Trace("\textracted %d from %d", hdr[loc], static_cast<int>(loc));
  }
  const std::uint32_t stored = layout::ReadBe32(hdr + layout::kCrcLoc);
  Trace("CRC = %d", static_cast<int>(stored));
  return stored;
}

}  // namespace

HeaderCheck CheckHeader(const std::uint8_t* hdr, std::size_t size, std::uint8_t expectedTag, std::uint32_t crc) {
  HeaderCheck check;
  const bool guarded = hdr != nullptr && size >= layout::kGuardLen &&
                       std::all_of(hdr, hdr + layout::kGuardLen, [](std::uint8_t b) { return b == layout::kGuardByte; });
  if (!guarded) return Fault(check, Status::kGuardBytes, layout::kGuardLoc, std::min(size, layout::kGuardLen));
  // Bytes with guard bytes but shorter than a mandatory header fail where
  // the header's sizes are, with nothing read beyond them.
  if (size < layout::kManHdrLen) return Fault(check, Status::kMandatorySize, layout::kManHdrSizeLoc, 2);

  const VersionField vireVuz(hdr + layout::kVireVuzVerLoc);
  Trace("Received %s as VireVuz ver string", vireVuz.text);
  if (!vireVuz.WellFormed()) {
    return Fault(check, Status::kVireVuzVersion, layout::kVireVuzVerLoc, layout::kVersionFieldLen);
  }

  const unsigned manSize = layout::ReadBe16(hdr + layout::kManHdrSizeLoc);
  Trace("Mandatory Header size reported as %d", manSize);
  if (manSize != layout::kManHdrLen) return Fault(check, Status::kMandatorySize, layout::kManHdrSizeLoc, 2);

  Trace("Total Header size repoerted as %d", layout::ReadBe16(hdr + layout::kTotSizeLoc));

  if (crc != 0) {
    const std::uint32_t stored = ReadTracedCrc(hdr);
    Trace("Header CRC reported as %d, crc calculated as %d", static_cast<int>(stored), static_cast<int>(crc));
    if (stored != crc) return Fault(check, Status::kCrcMismatch, layout::kCrcLoc, layout::kCrcLen);
  }

  if (expectedTag != 0 && hdr[layout::kTagLoc] != expectedTag) {
    return Fault(check, Status::kTagMismatch, layout::kTagLoc, 1);
  }
  Trace("Verified tag -- %d", expectedTag);

  const VersionField codeVer(hdr + layout::kCodeVerLoc);
  Trace("Code version reported as %s", codeVer.text);
  if (!codeVer.WellFormed()) {
    return Fault(check, Status::kHeaderCodeVersion, layout::kCodeVerLoc, layout::kVersionFieldLen);
  }
  check.code_version = std::string(codeVer.text);

  const unsigned sections = hdr[layout::kNumOptSecLoc];
  Trace("Num. optional sections = %d", sections);
  if (hdr[layout::kReservedLoc] != 0) return Fault(check, Status::kReservedByte, layout::kReservedLoc, 1);

  std::vector<Dependency>& deps = check.dependencies.emplace();
  std::size_t pos = layout::kFirstOptSecLoc;
  for (unsigned i = 0; i < sections; ++i) {
    // A section the header does not hold whole fails: the fault is the part
    // of it that lies inside the header.
    const auto overrun = [&] { return Fault(check, Status::kSectionOverrun, pos, pos < size ? size - pos : 0); };
    if (pos > size || size - pos < layout::kOptPayloadLoc) return overrun();
    const std::uint8_t type = hdr[pos + layout::kOptTypeLoc];
    const std::uint8_t len = hdr[pos + layout::kOptLenLoc];
    Trace(" Opt. section %d -- type = %d, length = %d", i, type, len);

    if (type == layout::kOptTypeComment) {
      // The comment's payload is not examined, but it must lie in the header.
      if (size - pos - layout::kOptPayloadLoc < len) return overrun();
      pos += layout::kOptPayloadLoc + len;
      continue;
    }

    // Any other type is a dependency section of fixed size, whatever its
    // length byte says.
    if (size - pos < layout::kDepSectionLen) return overrun();
    const std::uint8_t* payload = hdr + pos + layout::kOptPayloadLoc;
    const std::uint16_t depType = layout::ReadBe16(payload + layout::kDepTypeLoc);
    const VersionField depVer(payload + layout::kDepVerLoc);
    Trace(" Opt. section %d -- val = %s", i, depVer.text);
    if (!depVer.WellFormed()) {
      return Fault(check, Status::kHeaderDependencyVersion, pos + layout::kOptPayloadLoc + layout::kDepVerLoc,
                   layout::kVersionFieldLen);
    }
    Trace("Adding code dependency - type = %d, ver = %s", depType, depVer.text);
    deps.push_back(Dependency{depType, depVer.text});
    pos += layout::kDepSectionLen;
  }
  return check;
}

}  // namespace codehdr
