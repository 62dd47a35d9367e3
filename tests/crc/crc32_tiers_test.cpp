// Every CRC-32 kernel this processor can run, against the bit-at-a-time
// reference: all lengths 0..4096 at all start alignments 0..63, exact-size
// buffers (so the sanitizer build sees any read outside them), multi-MiB
// buffers, and a CRC continued over random pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <random>
#include <vector>

#include "crc/crc32_internal.h"
#include "crc/crc_reference.h"

namespace codehdr::crc {
namespace {

using test::ReferenceUpdate;

constexpr std::size_t kMaxLen = 4096;
constexpr std::size_t kAlignments = 64;

// Heap block of exactly `size` bytes starting on a 64-byte boundary.
struct AlignedDelete {
  void operator()(unsigned char* p) const { ::operator delete[](p, std::align_val_t(kAlignments)); }
};
using AlignedBlock = std::unique_ptr<unsigned char[], AlignedDelete>;

AlignedBlock AllocateAligned(std::size_t size) {
  return AlignedBlock(static_cast<unsigned char*>(::operator new[](size, std::align_val_t(kAlignments))));
}

void FillRandom(unsigned char* p, std::size_t len, std::uint32_t seed) {
  std::mt19937 rng(seed);
  for (std::size_t i = 0; i < len; ++i) p[i] = static_cast<unsigned char>(rng() >> 24);
}

class Crc32Tier : public ::testing::TestWithParam<Tier> {
 protected:
  void SetUp() override {
    kernel_ = KernelForTier(GetParam());
    if (kernel_ == nullptr) GTEST_SKIP() << "this CPU lacks the " << TierName(GetParam()) << " tier";
  }
  Crc32Kernel kernel_ = nullptr;
};

TEST_P(Crc32Tier, EveryLengthAtEveryAlignment) {
  const std::size_t size = kAlignments + kMaxLen;
  AlignedBlock block = AllocateAligned(size);
  FillRandom(block.get(), size, 1);
  std::mt19937 rng(2);
  for (std::size_t align = 0; align < kAlignments; ++align) {
    const unsigned char* data = block.get() + align;
    const std::uint32_t start = rng();
    std::uint32_t expected = start;  // reference register after `len` bytes
    for (std::size_t len = 0; len <= kMaxLen; ++len) {
      ASSERT_EQ(kernel_(start, data, len), expected) << "alignment " << align << " length " << len;
      if (len < kMaxLen) expected = ReferenceUpdate(expected, data + len, 1);
    }
  }
}

TEST_P(Crc32Tier, ExactSizeBuffersAtBothEnds) {
  std::vector<unsigned char> pattern(kMaxLen);
  FillRandom(pattern.data(), pattern.size(), 3);
  std::uint32_t expected = 0xFFFFFFFFu;
  for (std::size_t len = 0; len <= kMaxLen; ++len) {
    // Starts on a 64-byte boundary and ends where the allocation ends.
    AlignedBlock exact = AllocateAligned(std::max<std::size_t>(len, 1));
    std::copy(pattern.begin(), pattern.begin() + static_cast<std::ptrdiff_t>(len), exact.get());
    ASSERT_EQ(kernel_(0xFFFFFFFFu, exact.get(), len), expected) << "length " << len;
    if (len < kMaxLen) expected = ReferenceUpdate(expected, &pattern[len], 1);
  }
}

TEST_P(Crc32Tier, LargeBuffers) {
  const std::size_t len = (4u << 20) + 13;
  AlignedBlock block = AllocateAligned(len + kAlignments);
  FillRandom(block.get(), len + kAlignments, 4);
  for (std::size_t align : {0u, 1u, 17u, 32u, 63u}) {
    const unsigned char* data = block.get() + align;
    for (std::size_t n : {len, std::size_t{3u << 20}, std::size_t{(1u << 20) + 255}}) {
      EXPECT_EQ(kernel_(0xFFFFFFFFu, data, n), ReferenceUpdate(0xFFFFFFFFu, data, n))
          << "alignment " << align << " length " << n;
    }
  }
}

TEST_P(Crc32Tier, PiecesMatchOneShot) {
  const std::size_t len = 3u << 20;
  std::vector<unsigned char> data(len);
  FillRandom(data.data(), len, 5);
  const std::uint32_t whole = ReferenceUpdate(0xFFFFFFFFu, data.data(), len);
  ASSERT_EQ(kernel_(0xFFFFFFFFu, data.data(), len), whole);

  std::mt19937 rng(6);
  for (int round = 0; round < 8; ++round) {
    // Piece sizes from a few bytes to about 300 KiB, in random order.
    std::uint32_t reg = 0xFFFFFFFFu;
    std::size_t pos = 0;
    while (pos < len) {
      const std::size_t limit = std::size_t{1} << (rng() % 19);
      const std::size_t piece = std::min<std::size_t>(len - pos, rng() % (limit + 1));
      reg = kernel_(reg, data.data() + pos, piece);
      pos += piece;
    }
    EXPECT_EQ(reg, whole) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(AllTiers, Crc32Tier,
                         ::testing::Values(Tier::kTable, Tier::kSlice, Tier::kPclmulSse, Tier::kPclmul, Tier::kAvx2,
                                           Tier::kAvx512),
                         [](const ::testing::TestParamInfo<Tier>& info) {
                           std::string name = TierName(info.param);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace codehdr::crc
