// 128-bit carry-less folding building blocks, shared by every PCLMULQDQ
// kernel. They carry the target attribute of the smallest instruction set
// they need and are always inlined, so each kernel compiles them with its own
// encoding (legacy SSE, VEX or EVEX).
#ifndef CODEHDR_SRC_CRC_CRC32_FOLD128_H
#define CODEHDR_SRC_CRC_CRC32_FOLD128_H

#include "crc/crc32_internal.h"

#if CODEHDR_CRC_X86

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "crc/crc32_fold_constants.h"
#include "crc/crc32_portable.h"

// PCLMULQDQ for the products; SSSE3 and SSE4.1 byte shuffles and blends for
// a final partial block.
#define CODEHDR_CLMUL128_INLINE inline __attribute__((target("pclmul,ssse3,sse4.1"), always_inline))

namespace codehdr::crc {

// Inputs shorter than one block go through the tables.
constexpr std::size_t kFold128Block = 16;
// From one stride on, four accumulators keep the multiplier busy.
constexpr std::size_t kFold128Stride = 4 * kFold128Block;

// Byte-shuffle controls for a partial block of r bytes (1 to 15): the 16
// bytes at offset 16 + r move every lane down by r (the lanes shifted out at
// the top are zeroed, 0x80), the 16 bytes at offset r move lanes 0 to r - 1
// up to the top.
struct PartialBlockShuffles {
  unsigned char bytes[3 * kFold128Block];
};

constexpr PartialBlockShuffles MakePartialBlockShuffles() {
  PartialBlockShuffles t{};
  for (std::size_t i = 0; i < 3 * kFold128Block; ++i) {
    const bool identity = i >= kFold128Block && i < 2 * kFold128Block;
    t.bytes[i] = identity ? static_cast<unsigned char>(i - kFold128Block) : 0x80;
  }
  return t;
}

inline constexpr PartialBlockShuffles kPartialBlockShuffles = MakePartialBlockShuffles();

CODEHDR_CLMUL128_INLINE __m128i FoldConstants128(fold::FoldPair pair) {
  return _mm_set_epi64x(static_cast<long long>(pair.second), static_cast<long long>(pair.first));
}

CODEHDR_CLMUL128_INLINE __m128i Load128(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// acc folded forward by the distance k encodes, XORed onto next.
CODEHDR_CLMUL128_INLINE __m128i Fold128(__m128i acc, __m128i k, __m128i next) {
  const __m128i first = _mm_clmulepi64_si128(acc, k, 0x00);
  const __m128i second = _mm_clmulepi64_si128(acc, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(first, second), next);
}

// The CRC register for a message whose remaining bits are the 128-bit
// accumulator: fold 128 to 64 bits, 96 to 64 bits, then Barrett-reduce the
// last 64 bits to 32.
CODEHDR_CLMUL128_INLINE std::uint32_t Reduce128To32(__m128i x) {
  const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);

  const __m128i k96 = _mm_set_epi64x(static_cast<long long>(fold::kFoldBy<16>.second), 0);
  x = _mm_xor_si128(_mm_clmulepi64_si128(x, k96, 0x10), _mm_srli_si128(x, 8));

  const __m128i k64 = _mm_set_epi64x(0, static_cast<long long>(fold::kFold96To64));
  x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, low32), k64, 0x00), _mm_srli_si128(x, 4));

  const __m128i barrett =
      _mm_set_epi64x(static_cast<long long>(fold::kBarrettMu), static_cast<long long>(fold::kPolyReflected));
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), barrett, 0x10);  // quotient estimate
  t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);          // times P
  x = _mm_xor_si128(x, t);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x, 4)));
}

// Appends the last r (1 to 15) bytes at p to acc. The message ends with the
// 16 bytes of acc and then these r bytes: the first r bytes of acc become a
// block of their own (zero-extended at the front, which adds nothing), folded
// onto the 16-byte block of acc's other bytes followed by the r new ones. The
// new bytes are loaded as the last r lanes of the 16 bytes ending at p + r,
// which lie inside the data already processed.
CODEHDR_CLMUL128_INLINE __m128i FoldPartialBlock(__m128i acc, const unsigned char* p, std::size_t r) {
  const unsigned char* shuffles = kPartialBlockShuffles.bytes;
  const __m128i shiftDown = Load128(shuffles + kFold128Block + r);
  const __m128i shiftUp = Load128(shuffles + r);
  const __m128i head = _mm_shuffle_epi8(acc, shiftUp);
  const __m128i tail = _mm_blendv_epi8(_mm_shuffle_epi8(acc, shiftDown), Load128(p + r - kFold128Block), shiftDown);
  return Fold128(head, FoldConstants128(fold::kFoldBy<kFold128Block>), tail);
}

// Folds the remaining bytes at p into acc, which holds at least one block of
// data that precedes them, and reduces it to the CRC register.
CODEHDR_CLMUL128_INLINE std::uint32_t FinishFrom128(__m128i acc, const unsigned char* p, std::size_t len) {
  const __m128i k16 = FoldConstants128(fold::kFoldBy<kFold128Block>);
  while (len >= kFold128Block) {
    acc = Fold128(acc, k16, Load128(p));
    p += kFold128Block;
    len -= kFold128Block;
  }
  if (len > 0) acc = FoldPartialBlock(acc, p, len);
  return Reduce128To32(acc);
}

// Whole update: four 128-bit accumulators, 64 bytes per iteration, for long
// inputs; one for inputs of 16 to 63 bytes.
CODEHDR_CLMUL128_INLINE std::uint32_t UpdateFold128(std::uint32_t reg, const unsigned char* p, std::size_t len) {
  if (len < kFold128Block) return UpdateShortTail(reg, p, len);
  __m128i x0 = _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
  if (len < kFold128Stride) return FinishFrom128(x0, p + kFold128Block, len - kFold128Block);
  __m128i x1 = Load128(p + 16);
  __m128i x2 = Load128(p + 32);
  __m128i x3 = Load128(p + 48);
  p += 64;
  len -= 64;

  const __m128i k64 = FoldConstants128(fold::kFoldBy<64>);
  while (len >= 64) {
    x0 = Fold128(x0, k64, Load128(p));
    x1 = Fold128(x1, k64, Load128(p + 16));
    x2 = Fold128(x2, k64, Load128(p + 32));
    x3 = Fold128(x3, k64, Load128(p + 48));
    p += 64;
    len -= 64;
  }

  const __m128i k48 = FoldConstants128(fold::kFoldBy<48>);
  const __m128i k32 = FoldConstants128(fold::kFoldBy<32>);
  const __m128i k16 = FoldConstants128(fold::kFoldBy<16>);
  const __m128i x = Fold128(x0, k48, Fold128(x1, k32, Fold128(x2, k16, x3)));
  return FinishFrom128(x, p, len);
}

}  // namespace codehdr::crc

#endif  // CODEHDR_CRC_X86

#endif  // CODEHDR_SRC_CRC_CRC32_FOLD128_H
