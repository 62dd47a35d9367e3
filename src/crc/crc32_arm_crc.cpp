// CRC-32 on the ARMv8 CRC-32 instructions (CRC32B/W/X compute exactly this
// reflected polynomial). One instruction depends on the one before through
// the register, so long inputs are cut into three streams of one block each
// that run side by side; the stream registers are then joined by multiplying
// by x^(8·block) through byte tables. 64-bit builds take eight bytes per
// instruction and choose their target per function; 32-bit builds take four
// and compile this file for ARMv8 with the CRC extension (it is called only
// where the processor reports the instructions).
#include "crc/crc32_internal.h"

#if CODEHDR_CRC_ARM64 || CODEHDR_CRC_ARM32

#include <arm_acle.h>

#include <cstdint>
#include <cstring>

#include "crc/crc32_gf2.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are loaded in the register's byte order");

#if CODEHDR_CRC_ARM64
#define CODEHDR_ARM_CRC_TARGET __attribute__((target("+crc")))
#else
#define CODEHDR_ARM_CRC_TARGET
#endif
#define CODEHDR_ARM_CRC_INLINE static inline CODEHDR_ARM_CRC_TARGET __attribute__((always_inline))

namespace codehdr::crc {
namespace {

// One stream's share of a stride: long enough that joining costs little,
// short enough that the three streams stay in the first-level cache.
constexpr std::size_t kStreamBlock = 1024;
constexpr std::size_t kStride = 3 * kStreamBlock;
constexpr gf2::ShiftTables kShiftBlock = gf2::MakeShiftTables(gf2::XPowBytes(kStreamBlock));

#if CODEHDR_CRC_ARM64
using Word = std::uint64_t;
CODEHDR_ARM_CRC_INLINE std::uint32_t CrcWord(std::uint32_t r, Word w) { return __crc32d(r, w); }
#else
using Word = std::uint32_t;
CODEHDR_ARM_CRC_INLINE std::uint32_t CrcWord(std::uint32_t r, Word w) { return __crc32w(r, w); }
#endif
constexpr std::size_t kWord = sizeof(Word);

CODEHDR_ARM_CRC_INLINE Word LoadWord(const unsigned char* p) {
  Word w;
  std::memcpy(&w, p, kWord);
  return w;
}

// The register followed by kStreamBlock zero bytes.
CODEHDR_ARM_CRC_INLINE std::uint32_t ShiftBlock(std::uint32_t r) {
  const auto& t = kShiftBlock.rows;
  return t[0][r & 0xFF] ^ t[1][(r >> 8) & 0xFF] ^ t[2][(r >> 16) & 0xFF] ^ t[3][r >> 24];
}

CODEHDR_ARM_CRC_INLINE std::uint32_t UpdateBytes(std::uint32_t r, const unsigned char* p, std::size_t len) {
  for (std::size_t i = 0; i < len; ++i) r = __crc32b(r, p[i]);
  return r;
}

}  // namespace

CODEHDR_ARM_CRC_TARGET std::uint32_t Crc32KernelArmCrc(std::uint32_t r, const unsigned char* p, std::size_t len) {
  // Single bytes up to a word boundary, so that the word loads are aligned.
  const std::size_t head = (kWord - reinterpret_cast<std::uintptr_t>(p) % kWord) % kWord;
  if (len < head) return UpdateBytes(r, p, len);
  r = UpdateBytes(r, p, head);
  p += head;
  len -= head;

  while (len >= kStride) {
    const unsigned char* p1 = p + kStreamBlock;
    const unsigned char* p2 = p + 2 * kStreamBlock;
    std::uint32_t r1 = 0;
    std::uint32_t r2 = 0;
    for (std::size_t i = 0; i < kStreamBlock; i += kWord) {
      r = CrcWord(r, LoadWord(p + i));
      r1 = CrcWord(r1, LoadWord(p1 + i));
      r2 = CrcWord(r2, LoadWord(p2 + i));
    }
    // Streams 1 and 2 started from a zero register: each joins what comes
    // before it by the shift over its own length.
    r = ShiftBlock(ShiftBlock(r) ^ r1) ^ r2;
    p += kStride;
    len -= kStride;
  }

  for (; len >= kWord; p += kWord, len -= kWord) r = CrcWord(r, LoadWord(p));
  return UpdateBytes(r, p, len);
}

}  // namespace codehdr::crc

#endif  // CODEHDR_CRC_ARM64 || CODEHDR_CRC_ARM32
