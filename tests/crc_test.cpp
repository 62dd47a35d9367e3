// The CRC engine: every CRC-32 kernel against the bit-at-a-time reference,
// the choice of a kernel, the checksum entry points and the classic CCRC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include <codehdr/checksum.h>
#include <codehdr/crc.h>

#include "crc/crc32_internal.h"
#include "support/support.h"

namespace codehdr::crc {
namespace {

using test::Bytes;
using test::ReferenceCrc32;

constexpr std::uint32_t kInit = 0xFFFFFFFFu;  // the raw register a kernel starts from

Bytes Random(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(size);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng() >> 24);
  return b;
}

const std::uint8_t* U8(const char* text) { return reinterpret_cast<const std::uint8_t*>(text); }

// The data ends where the allocation ends (at alignment 0), so that the
// sanitizer build sees any read past the last byte.
TEST(Crc32Kernel, EveryTierAtEveryLengthAndAlignment) {
  const Bytes block = Random(400 + 64, 1), split = Random(700, 2), big = Random((3u << 20) + 77, 3);
  const std::uint32_t splitWhole = ReferenceCrc32(split.data(), split.size());
  for (int t = 0; t < kTierCount; ++t) {
    const Crc32Kernel k = KernelForTier(static_cast<Tier>(t));
    const char* name = TierName(static_cast<Tier>(t));
    ASSERT_EQ(k != nullptr, TierAvailable(static_cast<Tier>(t), DetectCpuFeatures())) << name;
    if (k == nullptr) continue;
    for (std::size_t align = 0; align < 64; ++align) {
      for (std::size_t len = 0; len <= 400; ++len) {
        const std::uint8_t* p = block.data() + block.size() - align - len;
        ASSERT_EQ(k(kInit, p, len) ^ kInit, ReferenceCrc32(p, len)) << name << " " << align << "/" << len;
      }
    }
    for (std::size_t at = 0; at <= split.size(); ++at) {  // continued from a register
      ASSERT_EQ(k(k(kInit, split.data(), at), split.data() + at, split.size() - at) ^ kInit, splitWhole) << at;
    }
    for (const std::size_t len : {std::size_t{511}, std::size_t{513}, std::size_t{4111}, big.size() - 63}) {
      for (const std::size_t align : {1, 62}) {
        EXPECT_EQ(k(kInit, &big[align], len) ^ kInit, ReferenceCrc32(&big[align], len)) << name << " " << len;
      }
    }
  }
}

TEST(Crc32Select, ChoiceFollowsOverrideAndFeatures) {
  const CpuFeatures none{}, sse{true, false, false, false}, avx{true, true, false, false},
      avx2{true, true, true, false}, avx512{true, true, true, true};
  const struct { const char* override; CpuFeatures cpu; Tier tier; } cases[] = {
      {nullptr, none, Tier::kSlice}, {nullptr, sse, Tier::kPclmulSse}, {nullptr, avx, Tier::kPclmul},
      {nullptr, avx2, Tier::kAvx2}, {nullptr, avx512, Tier::kAvx512}, {"table", avx512, Tier::kTable},
      {"slice", avx512, Tier::kSlice}, {"pclmul-sse", avx512, Tier::kPclmulSse}, {"pclmul", avx512, Tier::kPclmul},
      {"avx2", avx512, Tier::kAvx2}, {"avx512", avx512, Tier::kAvx512}, {"table", none, Tier::kTable},
      {"avx512", avx2, Tier::kAvx2}, {"avx2", none, Tier::kSlice}, {"pclmul", sse, Tier::kPclmulSse},
      {"pclmul", none, Tier::kSlice}, {"pclmul-sse", none, Tier::kSlice}, {"", avx512, Tier::kAvx512},
      {"AVX2", avx512, Tier::kAvx512}, {"table ", avx512, Tier::kAvx512}, {"tables", avx, Tier::kPclmul},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseTier(c.override, c.cpu), c.tier) << (c.override ? c.override : "(none)") << " " << TierName(c.tier);
  }
}

// Linux lists only the extensions whose register state it saves, as the
// detection must.
TEST(Crc32Select, DetectionAgreesWithProcCpuinfo) {
  std::ifstream in("/proc/cpuinfo");
  std::string flags;
  while (flags.empty() && std::getline(in, flags)) flags = flags.rfind("flags", 0) == 0 ? flags + " " : "";
  if (flags.empty()) GTEST_SKIP() << "no flags in /proc/cpuinfo";
  const auto has = [&](const char* name) { return flags.find(std::string(" ") + name + " ") != std::string::npos; };
  const CpuFeatures cpu = DetectCpuFeatures();
  EXPECT_EQ(cpu.pclmul, has("pclmulqdq") && has("ssse3") && has("sse4_1"));
  EXPECT_EQ(cpu.avx, has("avx"));
  EXPECT_EQ(cpu.avx2Clmul, cpu.pclmul && cpu.avx && has("avx2") && has("vpclmulqdq"));
  EXPECT_EQ(cpu.avx512Clmul, cpu.avx2Clmul && has("avx512f") && has("avx512vl"));
}

// The tier matrix runs this once per CODEHDR_CRC_IMPL value.
TEST(Crc32Select, ProcessHonoursTheEnvironment) {
  const char* forced = std::getenv(kImplEnvVar);
  const Tier expected = ChooseTier(forced, DetectCpuFeatures());
  EXPECT_EQ(SelectedTier(), expected);
  EXPECT_STREQ(Crc32KernelName(), TierName(expected));
  const auto named = ParseTierName(forced);
  EXPECT_TRUE(!named || !TierAvailable(*named, DetectCpuFeatures()) || std::strcmp(Crc32KernelName(), forced) == 0);
}

TEST(CrcCatalogue, EntryPointsAndClassicEngineGiveCatalogueValues) {
  const struct { const char* text; std::uint32_t crc32; std::uint16_t crc16; } cases[] = {
      {"", 0, 0xFFFF}, {"A", 0xD3D99E8Bu, 0xB915}, {"123456789", 0xCBF43926u, 0x29B1},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u, 0x8FDD}};
  CCRC engine;
  ASSERT_EQ(engine.GenTable_CRC16(), 0);
  std::memset(engine.crc32Table, 0xA5, sizeof engine.crc32Table);  // GetCRC32 must not read it
  for (const auto& c : cases) {
    const std::size_t n = std::strlen(c.text);
    EXPECT_EQ(Crc32(U8(c.text), n), c.crc32) << c.text;
    EXPECT_EQ(Crc16(U8(c.text), n), c.crc16) << c.text;
    EXPECT_EQ(engine.GetCRC32(U8(c.text), static_cast<int>(n)), c.crc32) << c.text;
    EXPECT_EQ(engine.GetCRC16(U8(c.text), static_cast<unsigned short>(n)), c.crc16) << c.text;
    EXPECT_EQ(Crc32Extend(c.crc32, nullptr, 0), c.crc32);
    EXPECT_EQ(Crc16Extend(c.crc16, nullptr, 0), c.crc16);
  }
  EXPECT_EQ(engine.GetCRC32(U8("123"), -5), 0u);
  std::memset(engine.crc16Table, 0, sizeof engine.crc16Table);  // GetCRC16 runs on the object's table
  EXPECT_EQ(engine.GetCRC16(U8("123456789"), 9), 0);
}

TEST(CrcCatalogue, ExtendSplitAtEveryPointEqualsOneShot) {
  const Bytes data = Random(1100, 9);
  const std::uint8_t* p = data.data();
  const std::size_t n = data.size();
  for (std::size_t at = 0; at <= n; ++at) {
    ASSERT_EQ(Crc32Extend(Crc32(p, at), p + at, n - at), ReferenceCrc32(p, n)) << at;
    ASSERT_EQ(Crc16Extend(Crc16(p, at), p + at, n - at), test::ReferenceCrc16(p, n)) << at;
  }
}

TEST(CcrcCheck, ComparesWithTheExpectedOrTheTrailingCrc) {
  constexpr std::uint32_t kCheck = 0xCBF43926u;  // of "123456789"
  constexpr std::int64_t kTrailing = -1;         // a null pointer: the last four bytes, least significant first
  const struct { std::string data; std::int64_t expected; int flag, result; std::uint32_t last; } cases[] = {
      {"123456789\x26\x39\xF4\xCB", kTrailing, 0, 1, kCheck}, {"123456789\x26\x39\xF4\xCB", kTrailing, 5, 1, kCheck},
      {"123456789\xCB\xF4\x39\x26", kTrailing, 0, 0, kCheck}, {"123456789", kCheck, 0, 1, kCheck},
      {"123456789", kCheck, -7, 1, kCheck}, {"123456789", kCheck + 1, 0, 0, kCheck},
      {"123456789", 0x2639F4CB, 0, 0, kCheck}, {std::string(4, '\0'), kTrailing, 0, 1, 0},
      {std::string("\0\0\1\0", 4), kTrailing, 0, 0, 0}, {"abc", kTrailing, 0, 0, 0}, {"a", kTrailing, 0, 0, 0},
      {"", kTrailing, 0, 0, 0},  // too short for a trailer: nothing is read
  };
  for (const auto& c : cases) {
    CCRC engine;
    engine.lastCrc32 = 123;
    const auto data = std::make_unique<unsigned char[]>(c.data.size());  // exact size
    std::copy(c.data.begin(), c.data.end(), data.get());
    unsigned char expected[4];
    for (int i = 0; i < 4; ++i) expected[i] = static_cast<unsigned char>(c.expected >> 8 * i);
    const int length = static_cast<int>(c.data.size());
    EXPECT_EQ(engine.CheckCRC32(data.get(), c.expected < 0 ? nullptr : expected, c.flag, length), c.result) << c.data;
    EXPECT_EQ(engine.lastCrc32, c.last) << c.data;
  }
  const std::pair<unsigned, const char*> texts[] = {
      {0, "0"}, {0x04C11DB7u, "4c11db7"}, {0xCBF43926u, "cbf43926"}, {0xFFFFFFFFu, "ffffffff"}};
  for (const auto& [crc, text] : texts) {
    const auto out = std::make_unique<char[]>(9);
    EXPECT_EQ(CCRC().Crc32ToStr(crc, out.get()), 1);
    EXPECT_STREQ(out.get(), text);
  }
}

// GetCRC16 runs on the CRC-16 table (the catalogue values above); nothing
// reads the CRC-32 table, which the constructor and GenTable_CRC32 fill.
TEST(CcrcTables, GeneratorsFillTheTablesAndCopiesTakeThem) {
  CCRC source;
  const std::pair<int, unsigned> entries[] = {{1, 0x04C11DB7u}, {128, 0x690CE0EEu}, {255, 0xB1F740B4u}};
  for (const auto& [i, value] : entries) EXPECT_EQ(source.crc32Table[i], value) << i;
  std::memset(source.crc32Table, 0, sizeof source.crc32Table);
  EXPECT_EQ(source.GenTable_CRC16() + source.GenTable_CRC32(), 0);
  EXPECT_EQ(std::memcmp(CCRC().crc32Table, source.crc32Table, sizeof source.crc32Table), 0);
  source.CheckCRC32(U8("123456789"), nullptr, 0, 9);
  source.crc32Table[17] = 0x12345678u;  // no fresh table build could match these
  source.crc16Table[3] = 0xBEEF;
  CCRC assigned;
  assigned.lastCrc32 = ~source.lastCrc32;
  assigned = source;
  const CCRC copied(source);  // every field, the last computed CRC-32 too
  EXPECT_EQ(std::memcmp(&assigned, &source, sizeof source), 0);
  EXPECT_EQ(std::memcmp(&copied, &source, sizeof source), 0);
}

}  // namespace
}  // namespace codehdr::crc
