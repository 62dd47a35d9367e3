// Building a new-style header: the 48-byte mandatory header, then the
// optional sections (the comment first, then one section per dependency).
// Every text is written whole or refused: the classic object cuts its
// inputs to their fields before it builds (code_header.cpp), the library's
// own API does not.
#include <algorithm>
#include <cstring>

#include <codehdr/header.h>
#include <codehdr/layout.h>
#include <codehdr/result_codes.h>
#include <codehdr/version_string.h>

#include "header/header_internal.h"

namespace codehdr {
namespace {

constexpr std::uint16_t kMaxCodeModeByte = 0xFF;
// The VireVuz version keeps a NUL in its 16-byte field. A header object
// holds a comment in 32 bytes, and reads back at most 31 characters of one.
constexpr std::size_t kMaxVireVuzLen = layout::kVersionFieldLen - 1;
constexpr std::size_t kMaxClassicCommentLen = layout::kCommentBufLen;
constexpr std::size_t kMaxCommentLen = layout::kCommentBufLen - 1;

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

// Writes `text` (at most 16 characters) at `field` and NUL-fills the rest of
// the 16-byte version field.
void WriteVersionField(std::uint8_t* field, const std::string& text) {
  std::memcpy(field, text.data(), text.size());
  std::memset(field + text.size(), 0, layout::kVersionFieldLen - text.size());
}

// The check a header's dependency section must pass, on a version that
// fills at most its field and has no NUL to end it early.
bool DependencyVersionFits(const std::string& version) {
  return version.size() <= layout::kVersionFieldLen && !HasNul(version) &&
         CheckVersion(version.c_str(), layout::kVersionFieldLen);
}

}  // namespace

namespace detail {

Status BuildMandatory(std::uint8_t* out, std::uint8_t tag, const std::string& vireVuzVersion,
                      const std::string& label, const std::string& codeVersion) {
  std::memset(out + layout::kGuardLoc, layout::kGuardByte, layout::kGuardLen);

  if (vireVuzVersion.size() > kMaxVireVuzLen) return Status::kVireVuzTooLong;
  if (HasNul(vireVuzVersion) || !CheckVersion(vireVuzVersion.c_str(), vireVuzVersion.size())) {
    return Status::kVireVuzVersion;
  }
  WriteVersionField(out + layout::kVireVuzVerLoc, vireVuzVersion);
  layout::WriteBe16(out + layout::kManHdrSizeLoc, layout::kManHdrLen);
  layout::WriteBe16(out + layout::kTotSizeLoc, 0);
  layout::WriteBe32(out + layout::kCrcLoc, 0);
  out[layout::kTagLoc] = tag;

  if (label.empty()) return Status::kNoCodeMode;
  const std::uint16_t codeMode = CodeModeValue(label).value_or(CODE_MODE_NOT_FOUND);
  if (codeMode > kMaxCodeModeByte) return Status::kCodeModeTooLarge;
  out[layout::kCodeModeLoc] = static_cast<std::uint8_t>(codeMode);

  if (codeVersion.empty()) return Status::kCodeVersionEmpty;
  if (codeVersion.size() > layout::kVersionFieldLen || HasNul(codeVersion) ||
      !CheckVersion(codeVersion.c_str(), codeVersion.size())) {
    return Status::kCodeVersion;
  }
  WriteVersionField(out + layout::kCodeVerLoc, codeVersion);
  out[layout::kNumOptSecLoc] = 0;
  out[layout::kReservedLoc] = 0;
  return Status::kOk;
}

BuiltHeader Assemble(const HeaderSpec& spec, const std::string& label) {
  std::uint8_t mandatory[layout::kManHdrLen];
  BuiltHeader built;
  built.status = BuildMandatory(mandatory, spec.tag, spec.virevuz_version, label, spec.code_version);
  if (built.status != Status::kOk) return built;

  const std::size_t commentLen = spec.comment ? spec.comment->size() + 1 : 0;  // L, with its NUL
  if (spec.comment && (spec.comment->size() > kMaxClassicCommentLen || HasNul(*spec.comment))) {
    built.status = Status::kComment;
    return built;
  }
  for (const Dependency& dep : spec.dependencies) {
    if (dep.version.size() > layout::kVersionFieldLen || HasNul(dep.version)) {
      built.status = Status::kDependencyVersion;
      return built;
    }
  }
  // The section count is one byte: more sections cannot be written.
  const std::size_t deps = spec.dependencies.size();
  const std::size_t sections = (spec.comment ? 1 : 0) + deps;
  if (sections > layout::kMaxOptSections) {
    built.status = Status::kTooManySections;
    return built;
  }

  const std::size_t total = layout::kManHdrLen + layout::kOptPayloadLoc * sections + commentLen +
                            layout::kDepPayloadLen * deps;
  std::vector<std::uint8_t>& out = built.bytes;
  out.assign(mandatory, mandatory + layout::kManHdrLen);
  out.resize(total);
  layout::WriteBe16(out.data() + layout::kTotSizeLoc, static_cast<std::uint16_t>(total));
  out[layout::kNumOptSecLoc] = static_cast<std::uint8_t>(sections);

  std::uint8_t* section = out.data() + layout::kFirstOptSecLoc;
  if (spec.comment) {
    section[layout::kOptTypeLoc] = layout::kOptTypeComment;
    section[layout::kOptLenLoc] = static_cast<std::uint8_t>(commentLen);
    std::memcpy(section + layout::kOptPayloadLoc, spec.comment->data(), spec.comment->size());
    section[layout::kOptPayloadLoc + spec.comment->size()] = '\0';
    section += layout::kOptPayloadLoc + commentLen;
  }
  for (const Dependency& dep : spec.dependencies) {
    section[layout::kOptTypeLoc] = layout::kOptTypeDependency;
    section[layout::kOptLenLoc] = static_cast<std::uint8_t>(layout::kDepPayloadLen);
    std::uint8_t* payload = section + layout::kOptPayloadLoc;
    layout::WriteBe16(payload + layout::kDepTypeLoc, dep.type);
    WriteVersionField(payload + layout::kDepVerLoc, dep.version);
    section += layout::kDepSectionLen;
  }
  return built;
}

}  // namespace detail

BuiltHeader BuildHeader(const HeaderSpec& spec, const std::string& codeModeLabel) {
  BuiltHeader built = detail::Assemble(spec, codeModeLabel);
  if (built.status != Status::kOk) return built;
  // Stricter than the classic object: no comment that reads back shorter,
  // and only dependency versions that the header's check accepts.
  if (spec.comment && spec.comment->size() > kMaxCommentLen) return BuiltHeader{Status::kComment, {}};
  const auto fits = [](const Dependency& dep) { return DependencyVersionFits(dep.version); };
  if (!std::all_of(spec.dependencies.begin(), spec.dependencies.end(), fits)) {
    return BuiltHeader{Status::kDependencyVersion, {}};
  }
  return built;
}

BuiltHeader BuildHeader(const HeaderSpec& spec, const DeviceTable& devices) {
  return BuildHeader(spec, devices.CodeModeLabel(spec.tag));
}

Status DependencyByLabel(const std::string& label, const std::string& version, Dependency& out) {
  const std::optional<std::uint16_t> type = CodeModeValue(label);
  if (!type) return Status::kUnknownLabel;
  if (!DependencyVersionFits(version)) return Status::kDependencyVersion;
  out = Dependency{*type, version};
  return Status::kOk;
}

}  // namespace codehdr
