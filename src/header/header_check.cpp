// Field-by-field check of a new-style header, in a fixed order; the first
// failing check decides. On the way the header's code version and its
// dependency sections are taken out.
#include <algorithm>
#include <cstring>

#include <codehdr/header.h>
#include <codehdr/layout.h>
#include <codehdr/version_string.h>

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
  if (!vireVuz.WellFormed()) {
    return Fault(check, Status::kVireVuzVersion, layout::kVireVuzVerLoc, layout::kVersionFieldLen);
  }

  const unsigned manSize = layout::ReadBe16(hdr + layout::kManHdrSizeLoc);
  if (manSize != layout::kManHdrLen) return Fault(check, Status::kMandatorySize, layout::kManHdrSizeLoc, 2);


  if (crc != 0) {
    if (layout::ReadBe32(hdr + layout::kCrcLoc) != crc) return Fault(check, Status::kCrcMismatch, layout::kCrcLoc, layout::kCrcLen);
  }

  if (expectedTag != 0 && hdr[layout::kTagLoc] != expectedTag) {
    return Fault(check, Status::kTagMismatch, layout::kTagLoc, 1);
  }

  const VersionField codeVer(hdr + layout::kCodeVerLoc);
  if (!codeVer.WellFormed()) {
    return Fault(check, Status::kHeaderCodeVersion, layout::kCodeVerLoc, layout::kVersionFieldLen);
  }
  check.code_version = std::string(codeVer.text);

  const unsigned sections = hdr[layout::kNumOptSecLoc];
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
    if (!depVer.WellFormed()) {
      return Fault(check, Status::kHeaderDependencyVersion, pos + layout::kOptPayloadLoc + layout::kDepVerLoc,
                   layout::kVersionFieldLen);
    }
    deps.push_back(Dependency{depType, depVer.text});
    pos += layout::kDepSectionLen;
  }
  return check;
}

}  // namespace codehdr
