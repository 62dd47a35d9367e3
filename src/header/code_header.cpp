// CCodeHeader: the classic header object, an adapter over the header core.
// It keeps the held header's bytes and what the core read from them in its
// public members, exactly as callers of the classic API expect. Every read or
// write of the held header is bounded by hdrBufLen: an accessor asked for a
// field the held buffer does not have (no header, or an old-style header of
// 4 bytes) reads or writes nothing and returns 0.
#include <algorithm>
#include <cstring>
#include <memory>

#include <codehdr/code_header.h>
#include <codehdr/header.h>
#include <codehdr/image.h>
#include <codehdr/layout.h>
#include <codehdr/version_string.h>

#include "common/bounded_copy.h"
#include "header/file_handle.h"
#include "header/header_internal.h"

namespace layout = codehdr::layout;
using codehdr::BoundedCopy;
using codehdr::BoundedLength;

const unsigned char CCodeHeader::HDR_TOT_SIZE_LOC = layout::kTotSizeLoc;
const unsigned char CCodeHeader::HDR_TAG_LOC = layout::kTagLoc;
const unsigned char CCodeHeader::HDR_CODE_VER_LOC = layout::kCodeVerLoc;
const unsigned char CCodeHeader::HDR_NUM_OPT_SEC_LOC = layout::kNumOptSecLoc;
const unsigned char CCodeHeader::HDR_FIRST_OPT_SEC_LOC = layout::kFirstOptSecLoc;
const unsigned char CCodeHeader::OPT_HDR_LEN_LOC = layout::kOptPayloadLoc;
const unsigned char CCodeHeader::OLD_STYLE_HEADER_LEN = layout::kOldStyleHdrLen;
const unsigned char CCodeHeader::GUARD_BYTE_VAL;
const unsigned char CCodeHeader::HDR_CRC_LOC;

static_assert(CCodeHeader::GUARD_BYTE_VAL == layout::kGuardByte);
static_assert(CCodeHeader::HDR_CRC_LOC == layout::kCrcLoc);

namespace {

// The held buffer's `count` bytes from `pos` on when it is a new-style
// header that has them, else null.
const unsigned char* NewStyleField(const unsigned char* buf, std::size_t bufLen, bool oldStyle, std::size_t pos,
                                   std::size_t count) {
  if (buf == nullptr || oldStyle || pos > bufLen || count > bufLen - pos) return nullptr;
  return buf + pos;
}

dependencyInfo Record(const codehdr::Dependency& dep) {
  dependencyInfo info{};
  info.depType = dep.type;
  BoundedCopy(info.depVer, sizeof info.depVer, dep.version.c_str());
  return info;
}

std::string Text(const char* field, std::size_t width) { return std::string(field, BoundedLength(field, width)); }

// A code-mode label is at most 7 characters and its NUL.
constexpr std::size_t kLabelBufLen = 8;

// The classic builder judges and writes at most the first 15 characters of
// a VireVuz version; the rest is dropped.
std::string CutVireVuz(const char* vireVuzVer) {
  return vireVuzVer != nullptr ? Text(vireVuzVer, layout::kVersionFieldLen - 1) : std::string();
}

}  // namespace

CCodeHeader::CCodeHeader()
    : comment(nullptr),
      commentLen(0),
      codeVer{},
      oldStyleHeader(false),
      totalHdrSize(0),
      compressedCodeHeader(nullptr),
      hdrBufLen(0) {}

CCodeHeader::~CCodeHeader() {
  delete[] comment;
  delete[] compressedCodeHeader;
}

unsigned short CCodeHeader::Init() { return devCtl.init_device_control(); }

unsigned short CCodeHeader::Init(const char* path) { return devCtl.init_device_control(path); }

// --- Accessors ---------------------------------------------------------------

unsigned char CCodeHeader::GetHeaderTag() {
  if (compressedCodeHeader == nullptr) return 0;
  if (oldStyleHeader) return compressedCodeHeader[layout::kGuardLoc];
  return ExtractTagIdFromHeader();
}

unsigned char CCodeHeader::ExtractTagIdFromHeader() {
  const unsigned char* tag = NewStyleField(compressedCodeHeader, hdrBufLen, oldStyleHeader, layout::kTagLoc, 1);
  return tag != nullptr ? *tag : 0;
}

unsigned short CCodeHeader::GetHeaderTotalSize() {
  if (oldStyleHeader) return layout::kOldStyleHdrLen;
  const unsigned char* size = NewStyleField(compressedCodeHeader, hdrBufLen, false, layout::kTotSizeLoc, 2);
  return size != nullptr ? layout::ReadBe16(size) : 0;
}

void CCodeHeader::InsertCrcIntoHeader(unsigned int crc) {
  if (NewStyleField(compressedCodeHeader, hdrBufLen, oldStyleHeader, layout::kCrcLoc, layout::kCrcLen) == nullptr) {
    return;
  }
  layout::WriteBe32(compressedCodeHeader + layout::kCrcLoc, crc);
}

unsigned int CCodeHeader::ExtractCrcFromHeader() {
  const unsigned char* crc =
      NewStyleField(compressedCodeHeader, hdrBufLen, oldStyleHeader, layout::kCrcLoc, layout::kCrcLen);
  return crc != nullptr ? layout::ReadBe32(crc) : 0;
}

void CCodeHeader::RemoveCRC(unsigned char* image) {
  if (image == nullptr) return;
  std::memset(image + layout::kCrcLoc, 0, layout::kCrcLen);
}

int CCodeHeader::ExtractVerStrFromHeader(char* dst, unsigned char dstSize) {
  if (dst == nullptr || dstSize == 0) return 0;
  const unsigned char* field = NewStyleField(compressedCodeHeader, hdrBufLen, oldStyleHeader, layout::kCodeVerLoc,
                                             layout::kVersionFieldLen);
  // The text ends at its NUL or, for a version that fills its field, at the
  // field's end: nothing beyond byte 45 is taken as part of it.
  const char* text = reinterpret_cast<const char*>(field);
  const std::size_t len = text != nullptr ? BoundedLength(text, layout::kVersionFieldLen) : 0;
  if (text == nullptr || len + 1 > dstSize) {
    dst[0] = '\0';
    return 0;
  }
  std::memcpy(dst, text, len);
  dst[len] = '\0';
  return 1;
}

int CCodeHeader::GetHeaderCodeVer(char* dst) {
  // No header, or an old-style one without a code version: 0, dst untouched.
  const unsigned char* field = NewStyleField(compressedCodeHeader, hdrBufLen, oldStyleHeader, layout::kCodeVerLoc,
                                             layout::kVersionFieldLen);
  if (field == nullptr) return 0;
  codehdr::BoundedCopyN(dst, layout::kVersionFieldLen, reinterpret_cast<const char*>(field),
                        layout::kVersionFieldLen);
  return 1;
}

int CCodeHeader::InsertHeaderCodeVer(const char* ver) {
  if (ver == nullptr) return 0;
  // Measured only as far as the check can go: anything longer than a version
  // field is refused (the check's count is a byte, so a long length must not
  // reach it and wrap).
  const std::size_t len = BoundedLength(ver, layout::kVersionFieldLen + 1);
  if (len > layout::kVersionFieldLen || !codehdr::CheckVersion(ver, len)) return 0;
  BoundedCopy(codeVer, sizeof codeVer, ver);
  return 1;
}

int CCodeHeader::GetHeaderComment(char* dst) {
  if (compressedCodeHeader == nullptr || comment == nullptr) return 0;
  codehdr::BoundedCopyN(dst, layout::kCommentBufLen, comment, layout::kCommentBufLen);
  return 1;
}

unsigned char CCodeHeader::GetHeaderCommentLen() { return commentLen; }

int CCodeHeader::GetNumCodeDependencies() { return dependencyList.Count(); }

dependencyInfo CCodeHeader::GetCodeDependencyAt(unsigned char index) {
  // An index at or beyond the count gives a record of type 0 with an empty
  // version.
  dependencyInfo info{};
  if (index < dependencyList.Count()) info = dependencyList.At(index);
  return info;
}

// --- Extraction and parsing ------------------------------------------------

unsigned short CCodeHeader::ExtractHdrFromCompressedCodeFile(const unsigned char* image) {
  // The caller promises an image that holds the whole header. Only the
  // header's own bytes are read: 4 for an image that does not start with
  // 0xC9, else the declared total. A declared total below 48 cannot hold the
  // mandatory header and is refused as the bounded form refuses it.
  std::size_t trusted = layout::kOldStyleHdrLen;
  if (image != nullptr && image[layout::kGuardLoc] == layout::kGuardByte) {
    trusted = layout::ReadBe16(image + layout::kTotSizeLoc);
  }
  return ExtractHdrFromCompressedCodeFile(image, trusted);
}

unsigned short CCodeHeader::ExtractHdrFromCompressedCodeFile(const unsigned char* image, std::size_t imageLen) {
  delete[] compressedCodeHeader;
  compressedCodeHeader = nullptr;
  hdrBufLen = 0;
  oldStyleHeader = false;

  // A new-style header that does not fit its own sizes is refused like an
  // image without a header: result 0, no header held, dependency list and
  // comment unchanged.
  const codehdr::Header found = codehdr::detail::ClassifyHeader(image, imageLen);
  if (found.form == codehdr::HeaderForm::kOldStyle) {
    compressedCodeHeader = new unsigned char[layout::kOldStyleHdrLen];
    std::memset(compressedCodeHeader, image[layout::kGuardLoc], layout::kOldStyleHdrLen);
    hdrBufLen = layout::kOldStyleHdrLen;
    oldStyleHeader = true;
    return layout::kOldStyleHdrLen;
  }
  if (found.form != codehdr::HeaderForm::kNewStyle) return 0;

  compressedCodeHeader = new unsigned char[found.total_size];
  std::memcpy(compressedCodeHeader, image, found.total_size);
  hdrBufLen = found.total_size;
  ParseHeaderDependencyInfo();
  return found.total_size;
}

unsigned short CCodeHeader::ExtractHdrFromCompressedCodeFile(const char* fileName, long length) {
  codehdr::FileHandle file = codehdr::OpenBinaryForReading(fileName);
  if (!file) return 0;
  // A length of 0 or less gives an empty image: like any image without a
  // header, it releases the held header and returns 0. A file shorter than
  // length gives the bytes actually read, and only those are examined. No
  // header is longer than 65535 bytes, so no more are read.
  const std::size_t wanted = length > 0 ? std::min(static_cast<std::size_t>(length), layout::kMaxHeaderLen) : 0;
  std::unique_ptr<unsigned char[]> image(new unsigned char[wanted == 0 ? 1 : wanted]);
  const std::size_t got = wanted == 0 ? 0 : std::fread(image.get(), 1, wanted, file.get());
  return ExtractHdrFromCompressedCodeFile(image.get(), got);
}

int CCodeHeader::IsNewHeader(FILE* file) {
  if (file == nullptr || std::fseek(file, 0, SEEK_SET) != 0) return 0;
  unsigned char guard[layout::kGuardLen];
  if (std::fread(guard, 1, sizeof guard, file) != sizeof guard) return 0;
  return std::all_of(guard, guard + sizeof guard, [](unsigned char b) { return b == layout::kGuardByte; }) ? 1 : 0;
}

int CCodeHeader::IsNewHeader(const char* fileName) {
  codehdr::FileHandle file = codehdr::OpenBinaryForReading(fileName);
  if (!file) return 0;
  return IsNewHeader(file.get());
}

int CCodeHeader::ParseHeaderDependencyInfo() {
  dependencyList.Clear();
  delete[] comment;
  comment = nullptr;
  commentLen = 0;

  if (compressedCodeHeader == nullptr) return 0;
  // An old-style header has no sections; it still counts as a held header.
  if (oldStyleHeader || hdrBufLen < layout::kManHdrLen) return 1;

  // The walk covers the whole held buffer, whatever its size field says.
  codehdr::Header sections;
  codehdr::detail::ReadSections(compressedCodeHeader, hdrBufLen, sections);
  for (const codehdr::Dependency& dep : sections.dependencies) dependencyList.Append(Record(dep));
  if (sections.comment) {
    comment = new char[layout::kCommentBufLen]();
    BoundedCopy(comment, layout::kCommentBufLen, sections.comment->c_str());
    commentLen = sections.comment_length;
  }
  return 1;
}

// --- Validation and verification -----------------------------------------

namespace {

// Takes into the object what a check took out of the header: the code
// version once it passed, and the dependency list once the walk began.
void Apply(const codehdr::HeaderCheck& check, char (&codeVer)[16], CodeDependencyList& list) {
  if (check.code_version) BoundedCopy(codeVer, sizeof codeVer, check.code_version->c_str());
  if (!check.dependencies) return;
  list.Clear();
  for (const codehdr::Dependency& dep : *check.dependencies) list.Append(Record(dep));
}

}  // namespace

unsigned short CCodeHeader::ValidateHeader(unsigned char tagId, unsigned int crc) {
  const codehdr::HeaderCheck check = codehdr::CheckHeader(compressedCodeHeader, hdrBufLen, tagId, crc);
  Apply(check, codeVer, dependencyList);
  return codehdr::LegacyCode(check.status);
}

int CCodeHeader::DoVerifyHeader(const char* fileName, long /*length*/, unsigned char tagId) {
  if (fileName == nullptr) return 0;
  const codehdr::VerifyReport report = codehdr::VerifyFile(fileName, tagId);
  // A file that cannot be opened, sized or read whole leaves the object as
  // it was.
  if (codehdr::IsFileStatus(report.status)) return 0;
  // What extracting the header from the whole image leaves in the object.
  ExtractHdrFromCompressedCodeFile(report.header_bytes.data(), report.header_bytes.size());
  if (report.check) Apply(*report.check, codeVer, dependencyList);
  return report.verdict == codehdr::Verdict::kFailed ? 0 : 1;
}

// --- Building ----------------------------------------------------------------

unsigned int CCodeHeader::BuildMandatoryHeader(unsigned char* buffer, unsigned int size, unsigned char tagId,
                                               const char* vireVuzVer) {
  // A null buffer has no room for the mandatory header either.
  if (buffer == nullptr || size < layout::kManHdrLen) return ERR_MAN_HDR_SIZE;
  char label[kLabelBufLen] = "";
  devCtl.GetCodeModeStrFromTagId(tagId, label, sizeof label);
  return codehdr::LegacyCode(
      codehdr::detail::BuildMandatory(buffer, tagId, CutVireVuz(vireVuzVer), label, Text(codeVer, sizeof codeVer)));
}

unsigned short CCodeHeader::BuildHeader(unsigned char tagId, const char* vireVuzVer, int* result) {
  char label[kLabelBufLen] = "";
  devCtl.GetCodeModeStrFromTagId(tagId, label, sizeof label);
  codehdr::HeaderSpec spec;
  spec.tag = tagId;
  spec.virevuz_version = CutVireVuz(vireVuzVer);
  spec.code_version = Text(codeVer, sizeof codeVer);
  if (comment != nullptr) spec.comment = Text(comment, layout::kCommentBufLen);
  for (int i = 0; i < dependencyList.Count(); ++i) {
    const dependencyInfo& dep = dependencyList.At(i);
    spec.dependencies.push_back({dep.depType, Text(dep.depVer, sizeof dep.depVer)});
  }
  const codehdr::BuiltHeader built = codehdr::detail::Assemble(spec, label);
  if (result != nullptr) *result = codehdr::LegacyCode(built.status);
  if (built.status != codehdr::Status::kOk) return 0;

  // The new buffer is complete before the old one is released, so that an
  // allocation failure leaves the object as it was.
  unsigned char* header = new unsigned char[built.bytes.size()];
  std::copy(built.bytes.begin(), built.bytes.end(), header);
  delete[] compressedCodeHeader;
  compressedCodeHeader = header;
  hdrBufLen = built.bytes.size();
  totalHdrSize = static_cast<unsigned short>(built.bytes.size());
  oldStyleHeader = false;
  return totalHdrSize;
}

int CCodeHeader::AddCodeDependencyToHdr(unsigned short depType, const char* ver) {
  dependencyInfo info{};
  info.depType = depType;
  BoundedCopy(info.depVer, sizeof info.depVer, ver);
  dependencyList.Append(info);
  return 1;
}

unsigned short CCodeHeader::AddCodeDependencyToHdr(const char* label, const char* ver) {
  if (label == nullptr) return ERR_UNKNOWN_DEP_LABEL;
  if (ver == nullptr) return ERR_VERSION_FORMAT;
  // The version is judged by its first 16 characters, and the numeric form
  // then keeps at most 15 of them.
  const std::optional<std::uint16_t> type = codehdr::CodeModeValue(label);
  if (!type) return ERR_UNKNOWN_DEP_LABEL;
  if (!codehdr::CheckVersion(ver, layout::kVersionFieldLen)) return ERR_VERSION_FORMAT;
  if (AddCodeDependencyToHdr(*type, ver) != 1) return ERR_OPT_SECTION;
  return HDR_SUCCESS;
}
