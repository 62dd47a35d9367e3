// 512-bit VPCLMULQDQ folding: four ZMM accumulators (sixteen independent
// 128-bit lanes), 256 bytes per iteration, with VPTERNLOGQ merging the two
// products and the new data in one instruction.
#include "crc/crc32_internal.h"

#if CODEHDR_CRC_X86

#include "crc/crc32_fold128.h"

#define CODEHDR_AVX512_TARGET __attribute__((target("avx512f,avx512vl,vpclmulqdq,pclmul")))
#define CODEHDR_AVX512_INLINE inline __attribute__((target("avx512f,avx512vl,vpclmulqdq,pclmul"), always_inline))

namespace codehdr::crc {
namespace {

constexpr std::size_t kBlock = 64;
constexpr std::size_t kStride = 4 * kBlock;
constexpr int kXor3 = 0x96;  // ternary-logic truth table of a ^ b ^ c

// The same pair in every 128-bit lane. (Spelled out rather than broadcast:
// GCC 12 warns about the undefined source operand inside the broadcast and
// extract intrinsics.)
CODEHDR_AVX512_INLINE __m512i FoldConstants512(fold::FoldPair pair) {
  const auto first = static_cast<long long>(pair.first);
  const auto second = static_cast<long long>(pair.second);
  return _mm512_set_epi64(second, first, second, first, second, first, second, first);
}

CODEHDR_AVX512_INLINE __m512i Load512(const unsigned char* p) { return _mm512_loadu_si512(p); }

CODEHDR_AVX512_INLINE __m512i Fold512(__m512i acc, __m512i k, __m512i next) {
  return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(acc, k, 0x00), _mm512_clmulepi64_epi128(acc, k, 0x11), next,
                                   kXor3);
}

// Four accumulators over whole 256-byte strides, merged into one.
CODEHDR_AVX512_INLINE __m512i FoldStrides(__m512i z0, const unsigned char*& p, std::size_t& len) {
  __m512i z1 = Load512(p + kBlock);
  __m512i z2 = Load512(p + 2 * kBlock);
  __m512i z3 = Load512(p + 3 * kBlock);
  p += kStride;
  len -= kStride;
  const __m512i k = FoldConstants512(fold::kFoldBy<kStride>);
  while (len >= kStride) {
    z0 = Fold512(z0, k, Load512(p));
    z1 = Fold512(z1, k, Load512(p + kBlock));
    z2 = Fold512(z2, k, Load512(p + 2 * kBlock));
    z3 = Fold512(z3, k, Load512(p + 3 * kBlock));
    p += kStride;
    len -= kStride;
  }
  const __m512i k192 = FoldConstants512(fold::kFoldBy<3 * kBlock>);
  const __m512i k128 = FoldConstants512(fold::kFoldBy<2 * kBlock>);
  const __m512i k64 = FoldConstants512(fold::kFoldBy<kBlock>);
  return Fold512(z0, k192, Fold512(z1, k128, Fold512(z2, k64, z3)));
}

// Folds the four 128-bit lanes of z (lane 0 first in the message) into one:
// lanes 0 to 2 move forward by 48, 32 and 16 bytes onto lane 3.
CODEHDR_AVX512_INLINE __m128i FoldLanes(__m512i z) {
  constexpr fold::FoldPair k48 = fold::FoldBy(48);
  constexpr fold::FoldPair k32 = fold::FoldBy(32);
  constexpr fold::FoldPair k16 = fold::FoldBy(16);
  const __m512i k = _mm512_set_epi64(0, 0, static_cast<long long>(k16.second), static_cast<long long>(k16.first),
                                     static_cast<long long>(k32.second), static_cast<long long>(k32.first),
                                     static_cast<long long>(k48.second), static_cast<long long>(k48.first));
  constexpr __mmask8 kLane3 = 0xC0;
  const __m512i t =
      _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(z, k, 0x00), _mm512_clmulepi64_epi128(z, k, 0x11),
                                _mm512_maskz_mov_epi64(kLane3, z), kXor3);
  const __m256i half =
      _mm256_xor_si256(_mm512_maskz_extracti64x4_epi64(0xFF, t, 0), _mm512_maskz_extracti64x4_epi64(0xFF, t, 1));
  return _mm_xor_si128(_mm256_castsi256_si128(half), _mm256_extracti128_si256(half, 1));
}

}  // namespace

CODEHDR_AVX512_TARGET std::uint32_t Crc32KernelAvx512(std::uint32_t reg, const unsigned char* p, std::size_t len) {
  // Below one stride the 128-bit path is as fast: it skips the lane merge.
  if (len < kStride) return UpdateFold128(reg, p, len);
  const __m512i start = _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(reg)));
  const __m512i first = _mm512_xor_si512(Load512(p), start);
  __m512i z = FoldStrides(first, p, len);
  const __m512i k = FoldConstants512(fold::kFoldBy<kBlock>);
  while (len >= kBlock) {
    z = Fold512(z, k, Load512(p));
    p += kBlock;
    len -= kBlock;
  }
  return FinishFrom128(FoldLanes(z), p, len);
}

}  // namespace codehdr::crc

#endif  // CODEHDR_CRC_X86
