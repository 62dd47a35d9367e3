// 256-bit VPCLMULQDQ folding: four YMM accumulators (eight independent
// 128-bit lanes), 128 bytes per iteration.
#include "crc/crc32_internal.h"

#if CODEHDR_CRC_X86

#include "crc/crc32_fold128.h"

#define CODEHDR_AVX2_TARGET __attribute__((target("avx2,vpclmulqdq,pclmul")))
#define CODEHDR_AVX2_INLINE inline __attribute__((target("avx2,vpclmulqdq,pclmul"), always_inline))

namespace codehdr::crc {
namespace {

constexpr std::size_t kBlock = 32;
constexpr std::size_t kStride = 4 * kBlock;

CODEHDR_AVX2_INLINE __m256i FoldConstants256(fold::FoldPair pair) {
  return _mm256_broadcastsi128_si256(FoldConstants128(pair));
}

CODEHDR_AVX2_INLINE __m256i Load256(const unsigned char* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

CODEHDR_AVX2_INLINE __m256i Fold256(__m256i acc, __m256i k, __m256i next) {
  const __m256i first = _mm256_clmulepi64_epi128(acc, k, 0x00);
  const __m256i second = _mm256_clmulepi64_epi128(acc, k, 0x11);
  return _mm256_xor_si256(_mm256_xor_si256(first, second), next);
}

// Four accumulators over whole 128-byte strides, merged into one.
CODEHDR_AVX2_INLINE __m256i FoldStrides(__m256i y0, const unsigned char*& p, std::size_t& len) {
  __m256i y1 = Load256(p + kBlock);
  __m256i y2 = Load256(p + 2 * kBlock);
  __m256i y3 = Load256(p + 3 * kBlock);
  p += kStride;
  len -= kStride;
  const __m256i k = FoldConstants256(fold::kFoldBy<kStride>);
  while (len >= kStride) {
    y0 = Fold256(y0, k, Load256(p));
    y1 = Fold256(y1, k, Load256(p + kBlock));
    y2 = Fold256(y2, k, Load256(p + 2 * kBlock));
    y3 = Fold256(y3, k, Load256(p + 3 * kBlock));
    p += kStride;
    len -= kStride;
  }
  const __m256i k96 = FoldConstants256(fold::kFoldBy<3 * kBlock>);
  const __m256i k64 = FoldConstants256(fold::kFoldBy<2 * kBlock>);
  const __m256i k32 = FoldConstants256(fold::kFoldBy<kBlock>);
  return Fold256(y0, k96, Fold256(y1, k64, Fold256(y2, k32, y3)));
}

}  // namespace

CODEHDR_AVX2_TARGET std::uint32_t Crc32KernelAvx2(std::uint32_t reg, const unsigned char* p, std::size_t len) {
  if (len < 2 * kBlock) return UpdateFold128(reg, p, len);
  __m256i y = _mm256_xor_si256(Load256(p), _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(reg))));
  if (len >= kStride) {
    y = FoldStrides(y, p, len);
  } else {
    p += kBlock;
    len -= kBlock;
  }
  const __m256i k = FoldConstants256(fold::kFoldBy<kBlock>);
  while (len >= kBlock) {
    y = Fold256(y, k, Load256(p));
    p += kBlock;
    len -= kBlock;
  }
  const __m128i x =
      Fold128(_mm256_castsi256_si128(y), FoldConstants128(fold::kFoldBy<16>), _mm256_extracti128_si256(y, 1));
  return FinishFrom128(x, p, len);
}

}  // namespace codehdr::crc

#endif  // CODEHDR_CRC_X86
