// CRC-32 by 128-bit carry-less folding on the ARMv8 PMULL instructions: four
// accumulators, 64 bytes per iteration, with the folding constants the x86
// kernels use (crc32_fold_constants.h). The accumulator left at the end is
// itself a 16-byte message, whose register the CRC-32 instructions give in
// two steps; they also take the last bytes, so this tier needs both
// extensions.
#include "crc/crc32_internal.h"

#if CODEHDR_CRC_ARM64

#include <arm_acle.h>
#include <arm_neon.h>

#include <cstdint>

#include "crc/crc32_fold_constants.h"

#define CODEHDR_PMULL_TARGET __attribute__((target("+crc+crypto")))
#define CODEHDR_PMULL_INLINE static inline __attribute__((target("+crc+crypto"), always_inline))

namespace codehdr::crc {
namespace {

constexpr std::size_t kBlock = 16;
constexpr std::size_t kStride = 4 * kBlock;

CODEHDR_PMULL_INLINE uint64x2_t FoldConstants(fold::FoldPair pair) {
  return vcombine_u64(vcreate_u64(pair.first), vcreate_u64(pair.second));
}

CODEHDR_PMULL_INLINE uint64x2_t Load(const unsigned char* p) { return vreinterpretq_u64_u8(vld1q_u8(p)); }

// acc folded forward by the distance k encodes, XORed onto next: the earlier
// half (lane 0) times k's first constant, the later half times its second.
CODEHDR_PMULL_INLINE uint64x2_t Fold(uint64x2_t acc, uint64x2_t k, uint64x2_t next) {
  const poly128_t first = vmull_p64(vgetq_lane_u64(acc, 0), vgetq_lane_u64(k, 0));
  const poly128_t second = vmull_high_p64(vreinterpretq_p64_u64(acc), vreinterpretq_p64_u64(k));
  return veorq_u64(veorq_u64(vreinterpretq_u64_p128(first), vreinterpretq_u64_p128(second)), next);
}

}  // namespace

CODEHDR_PMULL_TARGET std::uint32_t Crc32KernelArmPmull(std::uint32_t reg, const unsigned char* p, std::size_t len) {
  if (len < kStride) return Crc32KernelArmCrc(reg, p, len);
  uint64x2_t x0 = veorq_u64(Load(p), vcombine_u64(vcreate_u64(reg), vcreate_u64(0)));
  uint64x2_t x1 = Load(p + kBlock);
  uint64x2_t x2 = Load(p + 2 * kBlock);
  uint64x2_t x3 = Load(p + 3 * kBlock);
  p += kStride;
  len -= kStride;

  const uint64x2_t k64 = FoldConstants(fold::kFoldBy<kStride>);
  while (len >= kStride) {
    x0 = Fold(x0, k64, Load(p));
    x1 = Fold(x1, k64, Load(p + kBlock));
    x2 = Fold(x2, k64, Load(p + 2 * kBlock));
    x3 = Fold(x3, k64, Load(p + 3 * kBlock));
    p += kStride;
    len -= kStride;
  }

  const uint64x2_t k16 = FoldConstants(fold::kFoldBy<kBlock>);
  uint64x2_t x = Fold(x0, FoldConstants(fold::kFoldBy<3 * kBlock>),
                      Fold(x1, FoldConstants(fold::kFoldBy<2 * kBlock>), Fold(x2, k16, x3)));
  for (; len >= kBlock; p += kBlock, len -= kBlock) x = Fold(x, k16, Load(p));

  const std::uint32_t r = __crc32d(__crc32d(0, vgetq_lane_u64(x, 0)), vgetq_lane_u64(x, 1));
  return Crc32KernelArmCrc(r, p, len);
}

}  // namespace codehdr::crc

#endif  // CODEHDR_CRC_ARM64
