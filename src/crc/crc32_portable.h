// Portable CRC-32 register updates on the constant tables. They work on the
// raw register (no initial or final inversion) and use only baseline
// instructions, so every kernel can use them for short heads and tails.
#ifndef CODEHDR_SRC_CRC_CRC32_PORTABLE_H
#define CODEHDR_SRC_CRC_CRC32_PORTABLE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "crc/crc32_tables.h"

namespace codehdr::crc {

// One byte per step through the byte table.
inline std::uint32_t UpdateBytewise(std::uint32_t r, const unsigned char* p, std::size_t len) {
  for (std::size_t i = 0; i < len; ++i) {
    r = (r >> 8) ^ kCrc32ByteTable[(r ^ p[i]) & 0xFFu];
  }
  return r;
}

// Little-endian 32-bit load from any alignment.
inline std::uint32_t LoadLe32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Fewer than 16 bytes: one 8-byte and one 4-byte slicing step where they
// fit, then single bytes.
inline std::uint32_t UpdateShortTail(std::uint32_t r, const unsigned char* p, std::size_t len) {
  const auto& t = kCrc32SliceTables;
  if (len >= 8) {
    const std::uint32_t w0 = LoadLe32(p) ^ r;
    const std::uint32_t w1 = LoadLe32(p + 4);
    r = t[7][w0 & 0xFF] ^ t[6][(w0 >> 8) & 0xFF] ^ t[5][(w0 >> 16) & 0xFF] ^ t[4][w0 >> 24] ^ t[3][w1 & 0xFF] ^
        t[2][(w1 >> 8) & 0xFF] ^ t[1][(w1 >> 16) & 0xFF] ^ t[0][w1 >> 24];
    p += 8;
    len -= 8;
  }
  if (len >= 4) {
    const std::uint32_t w = LoadLe32(p) ^ r;
    r = t[3][w & 0xFF] ^ t[2][(w >> 8) & 0xFF] ^ t[1][(w >> 16) & 0xFF] ^ t[0][w >> 24];
    p += 4;
    len -= 4;
  }
  return UpdateBytewise(r, p, len);
}

// Slicing-by-16: the register is folded into the first four bytes of each
// 16-byte block and all sixteen bytes are looked up independently, so the
// loads overlap instead of waiting on one another.
inline std::uint32_t UpdateSlicing16(std::uint32_t r, const unsigned char* p, std::size_t len) {
  const auto& t = kCrc32SliceTables;
  while (len >= kSliceWidth) {
    const std::uint32_t w0 = LoadLe32(p) ^ r;
    const std::uint32_t w1 = LoadLe32(p + 4);
    const std::uint32_t w2 = LoadLe32(p + 8);
    const std::uint32_t w3 = LoadLe32(p + 12);
    r = t[15][w0 & 0xFF] ^ t[14][(w0 >> 8) & 0xFF] ^ t[13][(w0 >> 16) & 0xFF] ^ t[12][w0 >> 24] ^ t[11][w1 & 0xFF] ^
        t[10][(w1 >> 8) & 0xFF] ^ t[9][(w1 >> 16) & 0xFF] ^ t[8][w1 >> 24] ^ t[7][w2 & 0xFF] ^ t[6][(w2 >> 8) & 0xFF] ^
        t[5][(w2 >> 16) & 0xFF] ^ t[4][w2 >> 24] ^ t[3][w3 & 0xFF] ^ t[2][(w3 >> 8) & 0xFF] ^ t[1][(w3 >> 16) & 0xFF] ^
        t[0][w3 >> 24];
    p += kSliceWidth;
    len -= kSliceWidth;
  }
  return UpdateShortTail(r, p, len);
}

}  // namespace codehdr::crc

#endif  // CODEHDR_SRC_CRC_CRC32_PORTABLE_H
