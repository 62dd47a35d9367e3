// Big-endian reads and writes of the header's multi-byte numbers. Every
// number wider than a byte in a code header is stored most significant byte
// first; the builder, the parser, the validator and the accessors all go
// through these helpers.
#ifndef CODEHDR_SRC_HEADER_BYTE_ORDER_H
#define CODEHDR_SRC_HEADER_BYTE_ORDER_H

#include <cstdint>

namespace codehdr::byte_order {

inline std::uint16_t ReadBe16(const unsigned char* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t ReadBe32(const unsigned char* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

inline void WriteBe16(unsigned char* p, std::uint16_t value) {
  p[0] = static_cast<unsigned char>(value >> 8);
  p[1] = static_cast<unsigned char>(value);
}

inline void WriteBe32(unsigned char* p, std::uint32_t value) {
  p[0] = static_cast<unsigned char>(value >> 24);
  p[1] = static_cast<unsigned char>(value >> 16);
  p[2] = static_cast<unsigned char>(value >> 8);
  p[3] = static_cast<unsigned char>(value);
}

}  // namespace codehdr::byte_order

#endif  // CODEHDR_SRC_HEADER_BYTE_ORDER_H
