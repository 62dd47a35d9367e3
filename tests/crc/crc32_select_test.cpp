// Tier choice: name parsing, the override and its fallback, and the
// process-wide selection honouring CODEHDR_CRC_IMPL.
#include <codehdr/checksum.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "crc/crc32_internal.h"

namespace codehdr::crc {
namespace {

CpuFeatures NoFeatures() { return CpuFeatures{}; }

CpuFeatures PclmulWithoutAvx() {
  CpuFeatures f;
  f.pclmul = true;
  return f;
}

CpuFeatures Avx2Machine() {
  CpuFeatures f;
  f.pclmul = f.avx = f.avx2Clmul = true;
  return f;
}

CpuFeatures Avx512Machine() {
  CpuFeatures f = Avx2Machine();
  f.avx512Clmul = true;
  return f;
}

TEST(Crc32Select, RejectsUnknownNames) {
  for (const char* bad : {"", "AVX512", "avx", "pclmul ", "sse", "tables"}) {
    EXPECT_FALSE(ParseTierName(bad).has_value()) << '"' << bad << '"';
  }
  EXPECT_FALSE(ParseTierName(nullptr).has_value());
}

TEST(Crc32Select, BestTierFollowsFeatures) {
  EXPECT_EQ(BestTier(NoFeatures()), Tier::kSlice);
  EXPECT_EQ(BestTier(PclmulWithoutAvx()), Tier::kPclmulSse);
  EXPECT_EQ(BestTier(Avx2Machine()), Tier::kAvx2);
  EXPECT_EQ(BestTier(Avx512Machine()), Tier::kAvx512);
}

TEST(Crc32Select, OverrideForcesAnAvailableTier) {
  EXPECT_EQ(ChooseTier("table", Avx512Machine()), Tier::kTable);
  EXPECT_EQ(ChooseTier("slice", Avx512Machine()), Tier::kSlice);
  EXPECT_EQ(ChooseTier("pclmul", Avx512Machine()), Tier::kPclmul);
  EXPECT_EQ(ChooseTier("pclmul-sse", Avx512Machine()), Tier::kPclmulSse);
  EXPECT_EQ(ChooseTier("avx2", Avx512Machine()), Tier::kAvx2);
  EXPECT_EQ(ChooseTier("table", NoFeatures()), Tier::kTable);
}

TEST(Crc32Select, UnavailableOrUnknownOverrideFallsBackToBest) {
  EXPECT_EQ(ChooseTier("avx512", Avx2Machine()), Tier::kAvx2);
  EXPECT_EQ(ChooseTier("avx2", NoFeatures()), Tier::kSlice);
  EXPECT_EQ(ChooseTier("pclmul", PclmulWithoutAvx()), Tier::kPclmulSse);
  EXPECT_EQ(ChooseTier("pclmul", NoFeatures()), Tier::kSlice);
  EXPECT_EQ(ChooseTier("fastest", Avx512Machine()), Tier::kAvx512);
  EXPECT_EQ(ChooseTier("", Avx512Machine()), Tier::kAvx512);
  EXPECT_EQ(ChooseTier(nullptr, Avx2Machine()), Tier::kAvx2);
}

TEST(Crc32Select, KernelExistsExactlyForAvailableTiers) {
  const CpuFeatures cpu = DetectCpuFeatures();
  for (int i = 0; i < kTierCount; ++i) {
    const Tier tier = static_cast<Tier>(i);
    EXPECT_EQ(KernelForTier(tier) != nullptr, TierAvailable(tier, cpu)) << TierName(tier);
  }
}

// CTest runs this binary once per tier name with CODEHDR_CRC_IMPL set, and
// once without it.
TEST(Crc32Select, ProcessSelectionHonoursEnvironment) {
  const char* forced = std::getenv(kImplEnvVar);
  const Tier expected = ChooseTier(forced, DetectCpuFeatures());
  EXPECT_EQ(SelectedTier(), expected);
  EXPECT_STREQ(Crc32KernelName(), TierName(expected));
  const auto parsed = ParseTierName(forced);
  if (parsed && TierAvailable(*parsed, DetectCpuFeatures())) {
    EXPECT_STREQ(Crc32KernelName(), forced);
  }
}

}  // namespace
}  // namespace codehdr::crc
