// Building a new-style header: the 48-byte mandatory header, then the
// optional sections (the comment first, then one section per dependency).
#include <algorithm>
#include <cstring>

#include <codehdr/code_header.h>
#include <codehdr/header.h>
#include <codehdr/layout.h>
#include <codehdr/version_string.h>

#include "common/trace.h"
#include "header/header_internal.h"

namespace codehdr {
namespace detail {
namespace {

// Code-mode labels are at most 7 characters; a device label is cut to that.
constexpr std::size_t kMaxLabelLen = 7;
constexpr std::uint16_t kMaxCodeModeByte = 0xFF;
// The builder writes at most 15 characters of the VireVuz version, and at
// most 32 of a comment.
constexpr std::size_t kMaxVireVuzLen = layout::kVersionFieldLen - 1;
constexpr std::size_t kMaxCommentLen = layout::kCommentBufLen;

// The characters of `text` before its first NUL, at most `max` of them.
std::string Cut(const std::string& text, std::size_t max) {
  return text.substr(0, std::min(text.find('\0'), max));
}

// Writes `text` at `field` and NUL-fills the rest of the 16-byte version
// field. Returns the number of NULs written.
std::size_t WriteVersionField(std::uint8_t* field, const std::string& text) {
  std::memcpy(field, text.data(), text.size());
  std::memset(field + text.size(), 0, layout::kVersionFieldLen - text.size());
  return layout::kVersionFieldLen - text.size();
}

}  // namespace

Status BuildMandatory(std::uint8_t* out, std::uint8_t tag, const std::string& vireVuzVersion,
                      const std::string& label, const std::string& codeVersion) {
  Trace("Entering BuildMandatoryHeader() with tagId %d, reqst man hdr size of %d", tag,
        static_cast<int>(layout::kManHdrLen));
  std::memset(out + layout::kGuardLoc, layout::kGuardByte, layout::kGuardLen);
  Trace("Added guard bytes runningIdx = %d", static_cast<int>(layout::kGuardLoc + layout::kGuardLen));

  const std::string vireVuz = Cut(vireVuzVersion, kMaxVireVuzLen);
  if (!CheckVersion(vireVuz.c_str(), vireVuz.size())) return Status::kVireVuzVersion;
  Trace("Version String is %d bytes.", static_cast<int>(vireVuz.size()));
  const std::size_t vireVuzNulls = WriteVersionField(out + layout::kVireVuzVerLoc, vireVuz);
  Trace("added %d NULLs", static_cast<int>(vireVuzNulls));
  Trace("runningIdx = %d", static_cast<int>(layout::kManHdrSizeLoc));

  layout::WriteBe16(out + layout::kManHdrSizeLoc, layout::kManHdrLen);
  layout::WriteBe16(out + layout::kTotSizeLoc, 0);
  layout::WriteBe32(out + layout::kCrcLoc, 0);
  out[layout::kTagLoc] = tag;
  Trace("Added Tag ID, runningIdx = %d", static_cast<int>(layout::kTagLoc + 1));

  const std::string deviceLabel = Cut(label, kMaxLabelLen);
  if (deviceLabel.empty()) return Status::kNoCodeMode;
  const std::uint16_t codeMode = CodeModeOf(deviceLabel);
  if (codeMode > kMaxCodeModeByte) return Status::kCodeModeTooLarge;
  out[layout::kCodeModeLoc] = static_cast<std::uint8_t>(codeMode);
  Trace("Added code mode of %d, runningIdx = %d", codeMode, static_cast<int>(layout::kCodeModeLoc + 1));

  const std::string codeVer = Cut(codeVersion, std::string::npos);
  if (codeVer.empty()) return Status::kCodeVersionEmpty;
  // A version longer than its field cannot be written.
  if (codeVer.size() > layout::kVersionFieldLen || !CheckVersion(codeVer.c_str(), codeVer.size())) {
    return Status::kCodeVersion;
  }
  const std::size_t nulls = WriteVersionField(out + layout::kCodeVerLoc, codeVer);
  Trace("Added header code ver of %s.  len = %d, runningIdx = %d", codeVer.c_str(), static_cast<int>(codeVer.size()),
        static_cast<int>(layout::kCodeVerLoc + codeVer.size()));
  if (nulls > 0) Trace("added %d NULLs", static_cast<int>(nulls));
  Trace("runningIdx = %d", static_cast<int>(layout::kNumOptSecLoc));

  out[layout::kNumOptSecLoc] = 0;
  out[layout::kReservedLoc] = 0;
  Trace("Reached end of Man. Hdr. runningIdx = %d", static_cast<int>(layout::kManHdrLen));
  return Status::kOk;
}

BuiltHeader BuildWithLabel(const HeaderSpec& spec, const std::string& label) {
  std::uint8_t mandatory[layout::kManHdrLen];
  BuiltHeader built;
  built.status = BuildMandatory(mandatory, spec.tag, spec.virevuz_version, label, spec.code_version);
  if (built.status != Status::kOk) return built;

  std::size_t sections = 0;
  std::string comment;
  std::size_t commentLen = 0;  // L of the comment section, 0 without one
  if (spec.comment) {
    comment = Cut(*spec.comment, kMaxCommentLen);
    commentLen = comment.size() + 1;
    ++sections;
    Trace("Comment field detected len = %d", static_cast<int>(commentLen));
  }
  const std::size_t deps = spec.dependencies.size();
  Trace("%d code dependencies detected", static_cast<int>(deps));
  sections += deps;
  Trace(" Total Optional Header Size = %d", static_cast<int>(commentLen + layout::kDepPayloadLen * deps));
  // The section count is one byte: more sections cannot be written.
  if (sections > layout::kMaxOptSections) {
    built.status = Status::kTooManySections;
    return built;
  }

  const std::size_t total =
      layout::kManHdrLen + layout::kOptPayloadLoc * sections + commentLen + layout::kDepPayloadLen * deps;
  Trace("Allocating %d bytes for compressedCodeHeader", static_cast<int>(total));
  std::vector<std::uint8_t>& out = built.bytes;
  out.assign(mandatory, mandatory + layout::kManHdrLen);
  out.resize(total);
  layout::WriteBe16(out.data() + layout::kTotSizeLoc, static_cast<std::uint16_t>(total));
  out[layout::kNumOptSecLoc] = static_cast<std::uint8_t>(sections);

  std::uint8_t* section = out.data() + layout::kFirstOptSecLoc;
  if (spec.comment) {
    section[layout::kOptTypeLoc] = layout::kOptTypeComment;
    section[layout::kOptLenLoc] = static_cast<std::uint8_t>(commentLen);
    std::memcpy(section + layout::kOptPayloadLoc, comment.data(), comment.size());
    section[layout::kOptPayloadLoc + comment.size()] = '\0';
    section += layout::kOptPayloadLoc + commentLen;
  }
  for (const Dependency& dep : spec.dependencies) {
    section[layout::kOptTypeLoc] = layout::kOptTypeDependency;
    section[layout::kOptLenLoc] = static_cast<std::uint8_t>(layout::kDepPayloadLen);
    std::uint8_t* payload = section + layout::kOptPayloadLoc;
    layout::WriteBe16(payload + layout::kDepTypeLoc, dep.type);
    WriteVersionField(payload + layout::kDepVerLoc, Cut(dep.version, layout::kVersionFieldLen));
    section += layout::kDepSectionLen;
  }
  return built;
}

}  // namespace detail

BuiltHeader BuildHeader(const HeaderSpec& spec, const DeviceTable& devices) {
  return detail::BuildWithLabel(spec, devices.CodeModeLabel(spec.tag));
}

BuiltHeader BuildHeader(const HeaderSpec& spec, const std::string& codeModeLabel) {
  return detail::BuildWithLabel(spec, codeModeLabel);
}

}  // namespace codehdr
