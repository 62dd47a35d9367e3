// Tier choice: name parsing, the override and its fallback, and the
// process-wide selection honouring CODEHDR_CRC_IMPL.
#include <codehdr/checksum.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

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

// The processor flags Linux reports: it leaves out the vector extensions
// whose register state it does not save, as the detection must.
std::set<std::string> CpuinfoFlags() {
  std::ifstream in("/proc/cpuinfo");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("flags", 0) != 0 || line.find(':') == std::string::npos) continue;
    std::istringstream words(line.substr(line.find(':') + 1));
    return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
  }
  return {};
}

TEST(Crc32Select, DetectionAgreesWithTheOperatingSystem) {
#if !defined(__x86_64__) || !defined(__linux__)
  GTEST_SKIP() << "x86-64 Linux only";
#endif
  const std::set<std::string> flags = CpuinfoFlags();
  if (flags.empty()) GTEST_SKIP() << "no flags in /proc/cpuinfo";
  const auto has = [&flags](std::initializer_list<const char*> names) {
    return std::all_of(names.begin(), names.end(), [&flags](const char* n) { return flags.count(n) != 0; });
  };
  const CpuFeatures cpu = DetectCpuFeatures();
  EXPECT_EQ(cpu.pclmul, has({"pclmulqdq", "ssse3", "sse4_1"}));
  EXPECT_EQ(cpu.avx, has({"avx"}));
  EXPECT_EQ(cpu.avx2Clmul, cpu.pclmul && cpu.avx && has({"avx2", "vpclmulqdq"}));
  EXPECT_EQ(cpu.avx512Clmul, cpu.avx2Clmul && has({"avx512f", "avx512vl"}));
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
