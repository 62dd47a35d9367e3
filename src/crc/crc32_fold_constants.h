// Constants for folding CRC-32/ISO-HDLC with carry-less multiplication,
// derived at compile time from the generator polynomial.
//
// Folding: a 128-bit block B = L*x^64 + H (L the 64 bits that come first in
// the message) that lies D bits before a later block contributes
//   B*x^D = L*x^(D+64) + H*x^D  (mod P)
// to it. Replacing x^(D+64) and x^D by their remainders mod P leaves two
// 64x32-bit carry-less products that fit in 128 bits and are XORed into the
// later block. The data are bit-reflected (the first message bit is the
// least significant), so the remainders are stored bit-reflected; storing
// them shifted left by one (33 bits) makes the reflected 64x33-bit product
// land in the register at the weight it has in the message, which costs a
// further factor of x^32. Hence the constant pair for a fold over D bits:
//   for L: reflect32(x^(D+32) mod P) << 1,  for H: reflect32(x^(D-32) mod P) << 1.
// The same reasoning gives x^64 for the 96-to-64-bit step of the final
// reduction, and Barrett reduction needs mu = floor(x^64 / P) and P itself,
// both reflected over 33 bits.
#ifndef CODEHDR_SRC_CRC_CRC32_FOLD_CONSTANTS_H
#define CODEHDR_SRC_CRC_CRC32_FOLD_CONSTANTS_H

#include <cstddef>
#include <cstdint>

namespace codehdr::crc::fold {

// x^32 + x^26 + ... + 1: the generator polynomial with its x^32 term, in
// normal (MSB-first) form.
constexpr std::uint64_t kPoly = 0x104C11DB7ull;
constexpr unsigned kDegree = 32;

// Reverses the low `width` bits of v.
constexpr std::uint64_t Reflect(std::uint64_t v, unsigned width) {
  std::uint64_t r = 0;
  for (unsigned i = 0; i < width; ++i) {
    r = (r << 1) | ((v >> i) & 1u);
  }
  return r;
}

// x^k mod P, by k multiplications by x, each followed by one reduction step.
constexpr std::uint32_t XPowModP(unsigned k) {
  std::uint64_t r = 1;
  for (unsigned i = 0; i < k; ++i) {
    r <<= 1;
    if ((r >> kDegree) & 1u) r ^= kPoly;
  }
  return static_cast<std::uint32_t>(r);
}

// floor(x^64 / P) by long division over GF(2); a 33-bit quotient. The first
// step (quotient term x^32) is taken up front so the remainder fits 64 bits.
constexpr std::uint64_t XPow64DivP() {
  std::uint64_t quotient = 1ull << kDegree;
  std::uint64_t rem = (kPoly ^ (1ull << kDegree)) << kDegree;  // x^64 - x^32 * P
  for (int shift = static_cast<int>(kDegree) - 1; shift >= 0; --shift) {
    if ((rem >> (shift + kDegree)) & 1u) {
      rem ^= kPoly << shift;
      quotient |= 1ull << shift;
    }
  }
  return quotient;
}

// Multiplier for a 64-bit half that lies `bits` bits before its target.
constexpr std::uint64_t Multiplier(unsigned bits) { return Reflect(XPowModP(bits - kDegree), kDegree) << 1; }

// The two multipliers that fold a 128-bit block forward by `bytes` bytes:
// `first` for the earlier 64-bit half (low lane), `second` for the later one.
struct FoldPair {
  std::uint64_t first;
  std::uint64_t second;
};

constexpr FoldPair FoldBy(std::size_t bytes) {
  const unsigned bits = static_cast<unsigned>(bytes * 8);
  return {Multiplier(bits + 64), Multiplier(bits)};
}

// Final reduction: 128 -> 64 bits uses FoldBy(16).second (x^96); 96 -> 64
// bits uses x^64; Barrett uses mu and P, both reflected over 33 bits.
// FoldBy(bytes) as a constant: computed at compile time also where the
// optimiser cannot fold the loops above (coverage-instrumented fuzz builds,
// -O0), which would otherwise run them on every kernel call.
template <std::size_t Bytes>
inline constexpr FoldPair kFoldBy = FoldBy(Bytes);

constexpr std::uint64_t kFold96To64 = Multiplier(64 + kDegree);
constexpr std::uint64_t kBarrettMu = Reflect(XPow64DivP(), kDegree + 1);
constexpr std::uint64_t kPolyReflected = Reflect(kPoly, kDegree + 1);

static_assert(kPolyReflected >> 1 == 0xEDB88320u, "P reflected must match the byte table's polynomial");

}  // namespace codehdr::crc::fold

#endif  // CODEHDR_SRC_CRC_CRC32_FOLD_CONSTANTS_H
