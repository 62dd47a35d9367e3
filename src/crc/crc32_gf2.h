// Arithmetic on CRC-32 register values as polynomials over GF(2) modulo the
// generator polynomial, in the reflected form the register uses (bit 31 is
// x^0). Appending n zero bytes to a message multiplies its register by
// x^(8n), which is how CRCs of separate pieces are joined.
#ifndef CODEHDR_SRC_CRC_CRC32_GF2_H
#define CODEHDR_SRC_CRC_CRC32_GF2_H

#include <cstddef>
#include <cstdint>

#include "crc/crc32_tables.h"

namespace codehdr::crc::gf2 {

constexpr std::uint32_t kOne = 0x80000000;  // x^0, reflected

// a·b modulo the polynomial, both reflected.
constexpr std::uint32_t MultiplyModP(std::uint32_t a, std::uint32_t b) {
  std::uint32_t product = 0;
  for (std::uint32_t bit = kOne; bit != 0; bit >>= 1) {
    if (a & bit) product ^= b;
    b = (b & 1) ? (b >> 1) ^ kCrc32ReflectedPoly : b >> 1;
  }
  return product;
}

// x^(8·bytes) modulo the polynomial, by repeated squaring.
constexpr std::uint32_t XPowBytes(std::uint64_t bytes) {
  std::uint32_t result = kOne;
  std::uint32_t square = kOne >> 8;  // x^8
  for (; bytes != 0; bytes >>= 1) {
    if (bytes & 1) result = MultiplyModP(result, square);
    square = MultiplyModP(square, square);
  }
  return result;
}

// Multiplication of a register by one fixed factor through four byte
// tables: entry b of row k is the product of byte b at byte position k.
// (Plain arrays: the 32-bit ARM kernel that uses them is compiled for a
// newer instruction set than the rest of the library, and must not emit its
// own copies of shared inline functions.)
struct ShiftTables {
  std::uint32_t rows[4][256];
};

constexpr ShiftTables MakeShiftTables(std::uint32_t factor) {
  ShiftTables t{};
  for (unsigned k = 0; k < 4; ++k) {
    for (std::uint32_t b = 0; b < 256; ++b) t.rows[k][b] = MultiplyModP(b << (8 * k), factor);
  }
  return t;
}

}  // namespace codehdr::crc::gf2

#endif  // CODEHDR_SRC_CRC_CRC32_GF2_H
