// Byte layout of the code header, shared by the builder, the parser, the
// validator and the accessors. Every offset and length is named here once.
#ifndef CODEHDR_SRC_HEADER_LAYOUT_H
#define CODEHDR_SRC_HEADER_LAYOUT_H

#include <cstddef>

namespace codehdr::layout {

// Mandatory header.
constexpr std::size_t kGuardLoc = 0;
constexpr std::size_t kGuardLen = 4;
constexpr unsigned char kGuardByte = 0xC9;
constexpr std::size_t kVireVuzVerLoc = 4;
constexpr std::size_t kVersionFieldLen = 16;
constexpr std::size_t kManHdrSizeLoc = 20;
constexpr std::size_t kTotSizeLoc = 22;
constexpr std::size_t kCrcLoc = 24;
constexpr std::size_t kCrcLen = 4;
constexpr std::size_t kTagLoc = 28;
constexpr std::size_t kCodeModeLoc = 29;
constexpr std::size_t kCodeVerLoc = 30;
constexpr std::size_t kNumOptSecLoc = 46;
constexpr std::size_t kReservedLoc = 47;
constexpr std::size_t kManHdrLen = 48;
constexpr std::size_t kFirstOptSecLoc = kManHdrLen;

// Optional sections: type byte, length byte, payload.
constexpr std::size_t kOptTypeLoc = 0;
constexpr std::size_t kOptLenLoc = 1;
constexpr std::size_t kOptPayloadLoc = 2;  // also the size of a section's head
constexpr unsigned char kOptTypeComment = 1;
constexpr unsigned char kOptTypeDependency = 2;
constexpr std::size_t kMaxOptSections = 255;

// Comment section payload: text and a NUL; the object keeps 31 characters.
constexpr std::size_t kCommentBufLen = 32;

// Dependency section payload: 2-byte type, 16-byte version.
constexpr std::size_t kDepTypeLoc = 0;  // within the payload
constexpr std::size_t kDepVerLoc = 2;   // within the payload
constexpr std::size_t kDepPayloadLen = kDepVerLoc + kVersionFieldLen;        // 18
constexpr std::size_t kDepSectionLen = kOptPayloadLoc + kDepPayloadLen;  // 20

// Old-style header: the tag id four times.
constexpr std::size_t kOldStyleHdrLen = 4;

static_assert(kCodeVerLoc + kVersionFieldLen == kNumOptSecLoc);
static_assert(kVireVuzVerLoc + kVersionFieldLen == kManHdrSizeLoc);
static_assert(kDepPayloadLen == 18 && kDepSectionLen == 20);

}  // namespace codehdr::layout

#endif  // CODEHDR_SRC_HEADER_LAYOUT_H
