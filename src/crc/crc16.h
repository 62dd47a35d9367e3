// CRC-16/IBM-3740: polynomial 0x1021, MSB first, no reflection, no final XOR.
// The table is built at compile time; the register update takes the table as
// an argument so that CCRC can run it on the table an object holds.
#ifndef CODEHDR_SRC_CRC_CRC16_H
#define CODEHDR_SRC_CRC_CRC16_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace codehdr::crc {

constexpr std::uint16_t kCrc16Poly = 0x1021;

// Entry i is eight MSB-first division steps on i placed in the top byte,
// with the data shifted in alongside the register.
constexpr std::array<std::uint16_t, 256> MakeCrc16Table() {
  std::array<std::uint16_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = 0;
    unsigned d = i << 8;
    for (int bit = 0; bit < 8; ++bit) {
      r = (((r ^ d) & 0x8000u) ? (r << 1) ^ kCrc16Poly : r << 1) & 0xFFFFu;
      d = (d << 1) & 0xFFFFu;
    }
    t[i] = static_cast<std::uint16_t>(r);
  }
  return t;
}

inline constexpr std::array<std::uint16_t, 256> kCrc16Table = MakeCrc16Table();

// Continues the register `crc` over `size` bytes, one table lookup per byte.
inline std::uint16_t Crc16Update(std::uint16_t crc, const std::uint16_t* table, const unsigned char* data,
                                 std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    crc = static_cast<std::uint16_t>((crc << 8) ^ table[((crc >> 8) ^ data[i]) & 0xFFu]);
  }
  return crc;
}

}  // namespace codehdr::crc

#endif  // CODEHDR_SRC_CRC_CRC16_H
