// Joining two CRC-32 values: the CRC of A followed by B from the CRC of A,
// the CRC of B and B's length, in O(log length) steps. The CRC of A·B is
// crc(A)·x^(8·|B|) + crc(B) over GF(2) modulo the polynomial (the initial and
// final XOR cancel out), so the work is one power of x and one product.
#include <array>

#include <codehdr/checksum.h>

#include "crc/crc32_gf2.h"

namespace codehdr {
namespace {

using crc::gf2::kOne;
using crc::gf2::MultiplyModP;

// x^(2^k) modulo the polynomial for k = 0 .. 31. x has order 2^32 - 1, so
// x^(2^(k+32)) is x^(2^k): the table repeats with period 32.
constexpr std::array<std::uint32_t, 32> PowersOfX() {
  std::array<std::uint32_t, 32> table{};
  table[0] = kOne >> 1;  // x^1
  for (std::size_t k = 1; k < table.size(); ++k) table[k] = MultiplyModP(table[k - 1], table[k - 1]);
  return table;
}

constexpr std::array<std::uint32_t, 32> kPowersOfX = PowersOfX();

}  // namespace

std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t sizeB) {
  // x^(8·sizeB): the bits of sizeB pick the powers x^(2^(k+3)).
  std::uint32_t shift = kOne;
  for (std::size_t k = 3; sizeB != 0; ++k, sizeB >>= 1) {
    if (sizeB & 1) shift = MultiplyModP(kPowersOfX[k % kPowersOfX.size()], shift);
  }
  return MultiplyModP(shift, crcA) ^ crcB;
}

}  // namespace codehdr
