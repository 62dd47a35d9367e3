// Byte layout of the code header: every offset and length, named once, and
// the big-endian reads and writes of its multi-byte numbers. Shared by the
// library's builder, reader and checker and by programs that show headers.
//
// New-style header (multi-byte numbers big-endian):
//    0  4  guard bytes, each 0xC9
//    4 16  VireVuz version string, NUL-filled
//   20  2  mandatory header size, always 48
//   22  2  total header size: 48 + the optional sections
//   24  4  CRC-32 of the whole file, computed with these four bytes zero
//   28  1  tag id
//   29  1  code mode
//   30 16  code version string, NUL-filled
//   46  1  number of optional sections
//   47  1  reserved, 0
//   48     optional sections, one after the other: type, length L, L bytes
//          type 1 comment: the text and a NUL
//          type 2 dependency: 2-byte type, 16-byte version string
// Old-style header: four equal bytes (never 0xC9), each the tag id.
#ifndef CODEHDR_LAYOUT_H
#define CODEHDR_LAYOUT_H

#include <cstddef>
#include <cstdint>

namespace codehdr::layout {

// Mandatory header.
constexpr std::size_t kGuardLoc = 0;
constexpr std::size_t kGuardLen = 4;
constexpr std::uint8_t kGuardByte = 0xC9;
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
constexpr std::uint8_t kOptTypeComment = 1;
constexpr std::uint8_t kOptTypeDependency = 2;
constexpr std::size_t kMaxOptSections = 255;

// A header object keeps a comment of at most 31 characters and its NUL.
constexpr std::size_t kCommentBufLen = 32;

// Dependency section payload: 2-byte type, 16-byte version.
constexpr std::size_t kDepTypeLoc = 0;  // within the payload
constexpr std::size_t kDepVerLoc = 2;   // within the payload
constexpr std::size_t kDepPayloadLen = kDepVerLoc + kVersionFieldLen;    // 18
constexpr std::size_t kDepSectionLen = kOptPayloadLoc + kDepPayloadLen;  // 20

// Old-style header: the tag id four times.
constexpr std::size_t kOldStyleHdrLen = 4;

// The total size is 16 bits: no header is longer.
constexpr std::size_t kMaxHeaderLen = 0xFFFF;

static_assert(kCodeVerLoc + kVersionFieldLen == kNumOptSecLoc);
static_assert(kVireVuzVerLoc + kVersionFieldLen == kManHdrSizeLoc);

inline std::uint16_t ReadBe16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

inline std::uint32_t ReadBe32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

inline void WriteBe16(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value >> 8);
  p[1] = static_cast<std::uint8_t>(value);
}

inline void WriteBe32(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value >> 24);
  p[1] = static_cast<std::uint8_t>(value >> 16);
  p[2] = static_cast<std::uint8_t>(value >> 8);
  p[3] = static_cast<std::uint8_t>(value);
}

}  // namespace codehdr::layout

#endif  // CODEHDR_LAYOUT_H
