// Lookup tables of the reflected CRC-32/ISO-HDLC polynomial, generated at
// compile time into read-only data and shared by every kernel.
//
//   kCrc32ByteTable         entry i is what eight reflected division steps
//                           make of i: the classic byte-at-a-time table.
//   kCrc32SliceTables[k][i] the register contribution of byte value i when it
//                           is followed by k more bytes; row 0 is the byte
//                           table. Slicing-by-16 looks up 16 bytes at once.
#ifndef CODEHDR_SRC_CRC_CRC32_TABLES_H
#define CODEHDR_SRC_CRC_CRC32_TABLES_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace codehdr::crc {

// 0x04C11DB7 with its bits reversed: the polynomial as the LSB-first
// register sees it.
constexpr std::uint32_t kCrc32ReflectedPoly = 0xEDB88320u;

constexpr std::size_t kSliceWidth = 16;

using Crc32Table = std::array<std::uint32_t, 256>;
using Crc32SliceTables = std::array<Crc32Table, kSliceWidth>;

// Eight LSB-first division steps on one register value.
constexpr std::uint32_t ReflectedByteSteps(std::uint32_t r) {
  for (int bit = 0; bit < 8; ++bit) {
    r = (r & 1u) ? (r >> 1) ^ kCrc32ReflectedPoly : r >> 1;
  }
  return r;
}

constexpr Crc32SliceTables MakeCrc32SliceTables() {
  Crc32SliceTables t{};
  for (std::uint32_t i = 0; i < 256; ++i) t[0][i] = ReflectedByteSteps(i);
  for (std::size_t k = 1; k < kSliceWidth; ++k) {
    for (std::size_t i = 0; i < 256; ++i) {
      const std::uint32_t prev = t[k - 1][i];
      t[k][i] = (prev >> 8) ^ t[0][prev & 0xFFu];
    }
  }
  return t;
}

inline constexpr Crc32SliceTables kCrc32SliceTables = MakeCrc32SliceTables();
inline constexpr const Crc32Table& kCrc32ByteTable = kCrc32SliceTables[0];

}  // namespace codehdr::crc

#endif  // CODEHDR_SRC_CRC_CRC32_TABLES_H
