// Construction, destruction, Init and the single-field accessors of
// CCodeHeader. Every read or write of the held header is bounded by hdrBufLen:
// an accessor asked for a field the held buffer does not have (no header, or
// an old-style header of 4 bytes) reads or writes nothing and returns 0.
#include <cstring>

#include <codehdr/code_header.h>
#include <codehdr/version_string.h>

#include "common/bounded_copy.h"
#include "header/bounds.h"
#include "header/byte_order.h"
#include "header/layout.h"

namespace layout = codehdr::layout;
namespace byte_order = codehdr::byte_order;

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
  dependencyList.Clear();
  delete[] compressedCodeHeader;
}

unsigned short CCodeHeader::Init() { return devCtl.init_device_control(); }

unsigned short CCodeHeader::Init(const char* path) { return devCtl.init_device_control(path); }

namespace {

// The held buffer when it is a new-style header holding `count` bytes from
// `pos` on, else null.
const unsigned char* NewStyleField(const unsigned char* buf, std::size_t bufLen, bool oldStyle,
                                   std::size_t pos, std::size_t count) {
  if (buf == nullptr || oldStyle || !codehdr::SpanFits(bufLen, pos, count)) return nullptr;
  return buf + pos;
}

}  // namespace

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
  return size != nullptr ? byte_order::ReadBe16(size) : 0;
}

void CCodeHeader::InsertCrcIntoHeader(unsigned int crc) {
  if (compressedCodeHeader == nullptr || oldStyleHeader ||
      !codehdr::SpanFits(hdrBufLen, layout::kCrcLoc, layout::kCrcLen)) {
    return;
  }
  byte_order::WriteBe32(compressedCodeHeader + layout::kCrcLoc, crc);
}

unsigned int CCodeHeader::ExtractCrcFromHeader() {
  const unsigned char* crc =
      NewStyleField(compressedCodeHeader, hdrBufLen, oldStyleHeader, layout::kCrcLoc, layout::kCrcLen);
  return crc != nullptr ? byte_order::ReadBe32(crc) : 0;
}

void CCodeHeader::RemoveCRC(unsigned char* image) {
  if (image == nullptr) return;
  std::memset(image + layout::kCrcLoc, 0, layout::kCrcLen);
}

int CCodeHeader::ExtractVerStrFromHeader(char* dst, unsigned char dstSize) {
  if (dst == nullptr || dstSize == 0) return 0;
  const unsigned char* field = NewStyleField(compressedCodeHeader, hdrBufLen, oldStyleHeader,
                                             layout::kCodeVerLoc, layout::kVersionFieldLen);
  // The text ends at its NUL or, for a version that fills its field, at the
  // field's end: nothing beyond byte 45 is taken as part of it.
  const char* text = reinterpret_cast<const char*>(field);
  const std::size_t len = text != nullptr ? codehdr::BoundedLength(text, layout::kVersionFieldLen) : 0;
  if (text == nullptr || len + 1 > dstSize) {
    dst[0] = '\0';
    return 0;
  }
  std::memcpy(dst, text, len);
  dst[len] = '\0';
  return 1;
}

int CCodeHeader::GetHeaderCodeVer(char* dst) {
  if (compressedCodeHeader == nullptr) return 0;
  // An old-style header has no code version: 0, dst untouched.
  const unsigned char* field = NewStyleField(compressedCodeHeader, hdrBufLen, oldStyleHeader,
                                             layout::kCodeVerLoc, layout::kVersionFieldLen);
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
  const std::size_t len = codehdr::BoundedLength(ver, layout::kVersionFieldLen + 1);
  if (len > layout::kVersionFieldLen) return 0;
  if (VerifyCodeVersionFormat(ver, static_cast<unsigned char>(len)) == 0) return 0;
  codehdr::BoundedCopy(codeVer, sizeof codeVer, ver);
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
  dependencyInfo info{};
  // An index at or beyond the count gives a record of type 0 with an empty
  // version.
  if (index < dependencyList.Count()) info = dependencyList.At(index);
  return info;
}
