// Building a new-style header from the object's state, and adding the
// dependencies it will carry.
#include <cstring>
#include <memory>

#include <codehdr/code_header.h>
#include <codehdr/version_string.h>

#include "common/bounded_copy.h"
#include "common/trace.h"
#include "header/byte_order.h"
#include "header/code_mode_table.h"
#include "header/layout.h"

namespace layout = codehdr::layout;
namespace byte_order = codehdr::byte_order;
using codehdr::Trace;

namespace {

// Code-mode labels are at most 7 characters; a device label is cut to that.
constexpr std::size_t kLabelBufLen = 8;
constexpr unsigned kMaxCodeModeByte = 0xFF;

// Writes `len` characters of `text` at `field` and NUL-fills the rest of the
// 16-byte version field. Returns the number of NULs written.
std::size_t WriteVersionField(unsigned char* field, const char* text, std::size_t len) {
  std::memcpy(field, text, len);
  std::memset(field + len, 0, layout::kVersionFieldLen - len);
  return layout::kVersionFieldLen - len;
}

std::size_t WriteCommentSection(unsigned char* section, const char* comment, std::size_t textLen) {
  section[layout::kOptTypeLoc] = layout::kOptTypeComment;
  section[layout::kOptLenLoc] = static_cast<unsigned char>(textLen + 1);
  std::memcpy(section + layout::kOptPayloadLoc, comment, textLen);
  section[layout::kOptPayloadLoc + textLen] = '\0';
  return layout::kOptPayloadLoc + textLen + 1;
}

std::size_t WriteDependencySection(unsigned char* section, const dependencyInfo& dep) {
  section[layout::kOptTypeLoc] = layout::kOptTypeDependency;
  section[layout::kOptLenLoc] = static_cast<unsigned char>(layout::kDepPayloadLen);
  unsigned char* payload = section + layout::kOptPayloadLoc;
  byte_order::WriteBe16(payload + layout::kDepTypeLoc, dep.depType);
  WriteVersionField(payload + layout::kDepVerLoc, dep.depVer,
                    codehdr::BoundedLength(dep.depVer, layout::kVersionFieldLen));
  return layout::kDepSectionLen;
}

}  // namespace

unsigned int CCodeHeader::BuildMandatoryHeader(unsigned char* buffer, unsigned int size, unsigned char tagId,
                                               const char* vireVuzVer) {
  Trace("Entering BuildMandatoryHeader() with tagId %d, reqst man hdr size of %d", tagId, size);
  // A null buffer has no room for the mandatory header either.
  if (buffer == nullptr || size < layout::kManHdrLen) return ERR_MAN_HDR_SIZE;

  std::memset(buffer + layout::kGuardLoc, layout::kGuardByte, layout::kGuardLen);
  Trace("Added guard bytes runningIdx = %d", static_cast<int>(layout::kGuardLoc + layout::kGuardLen));

  char vireVuz[layout::kVersionFieldLen];
  const std::size_t verLen = codehdr::BoundedCopy(vireVuz, sizeof vireVuz, vireVuzVer);
  if (VerifyCodeVersionFormat(vireVuz, static_cast<unsigned char>(verLen)) == 0) return ERR_VERSION_FORMAT;
  Trace("Version String is %d bytes.", static_cast<int>(verLen));
  const std::size_t vireVuzNulls = WriteVersionField(buffer + layout::kVireVuzVerLoc, vireVuz, verLen);
  Trace("added %d NULLs", static_cast<int>(vireVuzNulls));
  Trace("runningIdx = %d", static_cast<int>(layout::kManHdrSizeLoc));

  byte_order::WriteBe16(buffer + layout::kManHdrSizeLoc, layout::kManHdrLen);
  byte_order::WriteBe16(buffer + layout::kTotSizeLoc, 0);
  byte_order::WriteBe32(buffer + layout::kCrcLoc, 0);
  buffer[layout::kTagLoc] = tagId;
  Trace("Added Tag ID, runningIdx = %d", static_cast<int>(layout::kTagLoc + 1));

  char label[kLabelBufLen] = "";
  devCtl.GetCodeModeStrFromTagId(tagId, label, sizeof label);
  if (label[0] == '\0') return ERR_CODE_MODE;
  const unsigned short codeMode = codehdr::GetCodeModeFromStr(label);
  if (codeMode > kMaxCodeModeByte) return ERR_CODE_MODE;
  buffer[layout::kCodeModeLoc] = static_cast<unsigned char>(codeMode);
  Trace("Added code mode of %d, runningIdx = %d", codeMode, static_cast<int>(layout::kCodeModeLoc + 1));

  const std::size_t codeVerLen = codehdr::BoundedLength(codeVer, layout::kVersionFieldLen);
  if (codeVerLen == 0) return ERR_VERSION_FORMAT;
  if (VerifyCodeVersionFormat(codeVer, static_cast<unsigned char>(codeVerLen)) == 0) return ERR_CODE_VER_FORMAT;
  const std::size_t nulls = WriteVersionField(buffer + layout::kCodeVerLoc, codeVer, codeVerLen);
  // The code version field may fill all 16 bytes without a NUL: trace a
  // terminated copy.
  char codeVerText[layout::kVersionFieldLen + 1] = {};
  std::memcpy(codeVerText, codeVer, codeVerLen);
  Trace("Added header code ver of %s.  len = %d, runningIdx = %d", codeVerText, static_cast<int>(codeVerLen),
        static_cast<int>(layout::kCodeVerLoc + codeVerLen));
  if (nulls > 0) Trace("added %d NULLs", static_cast<int>(nulls));
  Trace("runningIdx = %d", static_cast<int>(layout::kNumOptSecLoc));

  buffer[layout::kNumOptSecLoc] = 0;
  buffer[layout::kReservedLoc] = 0;
  Trace("Reached end of Man. Hdr. runningIdx = %d", static_cast<int>(layout::kManHdrLen));
  return HDR_SUCCESS;
}

unsigned short CCodeHeader::BuildHeader(unsigned char tagId, const char* vireVuzVer, int* result) {
  Trace("Entering BuildHeader() with tagId %d", tagId);
  unsigned char mandatory[layout::kManHdrLen];
  const unsigned int status = BuildMandatoryHeader(mandatory, sizeof mandatory, tagId, vireVuzVer);
  if (result != nullptr) *result = static_cast<int>(status);
  if (status != HDR_SUCCESS) return 0;

  std::size_t sectionCount = 0;
  std::size_t commentTextLen = 0;
  std::size_t commentSectionLen = 0;  // L of the comment section, 0 without one
  if (comment != nullptr) {
    commentTextLen = codehdr::BoundedLength(comment, layout::kCommentBufLen);
    commentSectionLen = commentTextLen + 1;
    ++sectionCount;
    Trace("Comment field detected len = %d", static_cast<int>(commentSectionLen));
  }
  const std::size_t depCount = static_cast<std::size_t>(dependencyList.Count());
  Trace("%d code dependencies detected", dependencyList.Count());
  sectionCount += depCount;
  Trace(" Total Optional Header Size = %d", static_cast<int>(commentSectionLen + layout::kDepPayloadLen * depCount));

  // The section count is one byte. More than 255 sections cannot be written:
  // the build is refused with ERR_OPT_SECTION and the object is unchanged.
  if (sectionCount > layout::kMaxOptSections) {
    if (result != nullptr) *result = ERR_OPT_SECTION;
    return 0;
  }

  const std::size_t total = layout::kManHdrLen + layout::kOptPayloadLoc * sectionCount + commentSectionLen +
                            layout::kDepPayloadLen * depCount;
  // The new buffer is complete before the old one is released, so that an
  // allocation failure leaves the object as it was.
  std::unique_ptr<unsigned char[]> header(new unsigned char[total]);
  Trace("Allocating %d bytes for compressedCodeHeader", static_cast<int>(total));
  std::memcpy(header.get(), mandatory, layout::kManHdrLen);
  byte_order::WriteBe16(header.get() + layout::kTotSizeLoc, static_cast<unsigned short>(total));
  header[layout::kNumOptSecLoc] = static_cast<unsigned char>(sectionCount);

  std::size_t pos = layout::kFirstOptSecLoc;
  if (comment != nullptr) pos += WriteCommentSection(header.get() + pos, comment, commentTextLen);
  for (int i = 0; i < dependencyList.Count(); ++i) {
    pos += WriteDependencySection(header.get() + pos, dependencyList.At(i));
  }

  delete[] compressedCodeHeader;
  compressedCodeHeader = header.release();
  hdrBufLen = total;
  totalHdrSize = static_cast<unsigned short>(total);
  oldStyleHeader = false;
  return static_cast<unsigned short>(total);
}

int CCodeHeader::AddCodeDependencyToHdr(unsigned short depType, const char* ver) {
  Trace("Adding code dependency - type = %d, ver = %s", depType, ver);
  dependencyInfo info{};
  info.depType = depType;
  codehdr::BoundedCopy(info.depVer, sizeof info.depVer, ver);
  dependencyList.Append(info);
  return 1;
}

unsigned short CCodeHeader::AddCodeDependencyToHdr(const char* label, const char* ver) {
  Trace("Adding code dependency - label = %s, ver = %s", label, ver);
  const unsigned short depType = codehdr::GetCodeModeFromStr(label);
  if (depType == CODE_MODE_NOT_FOUND) return ERR_UNKNOWN_DEP_LABEL;
  if (VerifyCodeVersionFormat(ver, static_cast<unsigned char>(layout::kVersionFieldLen)) == 0) {
    return ERR_VERSION_FORMAT;
  }
  if (AddCodeDependencyToHdr(depType, ver) != 1) return ERR_OPT_SECTION;
  return HDR_SUCCESS;
}
