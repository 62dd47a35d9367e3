// The CRC engine: every CRC-32 kernel against the bit-at-a-time reference, the choice of a kernel, the checksum entry
// points and the classic CCRC.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include <codehdr/checksum.h>
#include <codehdr/crc.h>

#include "crc/crc32_internal.h"
#include "support/support.h"

namespace codehdr::crc {
namespace {

using test::ReferenceCrc32;

test::Bytes Random(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  test::Bytes b(size);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng() >> 24);
  return b;
}

const std::uint8_t* U8(const char* text) { return reinterpret_cast<const std::uint8_t*>(text); }

// Every kernel this build lists, through the public entry point that names it. The data ends where the allocation
// ends (at alignment 0), so that the sanitizer build sees any read past the last byte.
TEST(Crc32Kernel, EveryKernelAtEveryLengthAndAlignment) {
  const test::Bytes block = Random(400 + 64, 1), split = Random(700, 2), big = Random((3u << 20) + 77, 3);
  const std::uint32_t splitWhole = ReferenceCrc32(split.data(), split.size());
  int available = 0, tested = 0;
  for (int t = 0; t < kTierCount; ++t) available += TierAvailable(static_cast<Tier>(t), DetectCpuFeatures());
  for (const Crc32KernelInfo& info : Crc32Kernels()) {
    const char* name = info.name;
    const auto crc = [name](std::uint32_t c, const std::uint8_t* p, std::size_t n) {
      return Crc32ExtendWith(name, c, p, n).value();
    };
    ASSERT_EQ(Crc32ExtendWith(name, 0, nullptr, 0).has_value(), info.available) << name;
    ASSERT_EQ(info.in_use, std::strcmp(name, Crc32KernelName()) == 0) << name;
    if (!info.available) continue;
    ++tested;
    for (std::size_t align = 0; align < 64; ++align) {
      for (std::size_t len = 0; len <= 400; ++len) {
        const std::uint8_t* p = block.data() + block.size() - align - len;
        ASSERT_EQ(crc(0, p, len), ReferenceCrc32(p, len)) << name << " " << align << "/" << len;
      }
    }
    for (std::size_t at = 0; at <= split.size(); ++at) {  // continued from a CRC
      ASSERT_EQ(crc(crc(0, split.data(), at), split.data() + at, split.size() - at), splitWhole) << name << " " << at;
    }
    for (const std::size_t len : {std::size_t{511}, std::size_t{513}, std::size_t{4111}, big.size() - 63}) {
      for (const std::size_t align : {1, 62}) {
        EXPECT_EQ(crc(0, &big[align], len), ReferenceCrc32(&big[align], len)) << name << " " << len;
      }
    }
  }
  EXPECT_EQ(tested, available);  // every tier this processor has is listed
  EXPECT_FALSE(Crc32ExtendWith("fast", 0, nullptr, 0).has_value());
}

// The CRC of pieces joined gives the CRC of the whole, at every split; joining is associative also for sizes beyond
// the period of the powers of x (2^32 bits).
TEST(Crc32Combine, PiecesGiveTheWhole) {
  const test::Bytes b = Random(3000, 11);
  for (std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{1500}, std::size_t{3000}}) {
    const std::uint32_t a = Crc32(b.data(), split), rest = Crc32(b.data() + split, b.size() - split);
    EXPECT_EQ(Crc32Combine(a, rest, b.size() - split), ReferenceCrc32(b.data(), b.size())) << split;
  }
  const std::uint32_t x = 0x12345678, y = 0x9ABCDEF0, z = 0x0F1E2D3C;
  for (std::uint64_t big : {std::uint64_t{1} << 29, (std::uint64_t{1} << 33) + 5, (std::uint64_t{1} << 61) + 3}) {
    EXPECT_EQ(Crc32Combine(Crc32Combine(x, y, big), z, 3), Crc32Combine(x, Crc32Combine(y, z, 3), big + 3)) << big;
  }
}

// A large buffer is cut into pieces for several threads, whose CRCs combine to the one-thread CRC, continued from the
// CRC given; and a CRC-32 is read as 8 hex digits.
TEST(Crc32Parallel, PiecesOnThreadsAndText) {
  test::Bytes b((std::size_t{33} << 20) + 5);  // two pieces of 16 MiB and more
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
  const std::uint32_t whole = Crc32Extend(7, b.data(), b.size());
  for (unsigned threads : {0u, 1u, 2u, 3u}) EXPECT_EQ(Crc32Parallel(7, b.data(), b.size(), threads), whole) << threads;
  EXPECT_EQ(Crc32Text(0x1685f0), "001685f0");
}

TEST(Crc32Select, ChoiceFollowsOverrideAndFeatures) {
  const CpuFeatures none{}, sse{true, false, false, false}, avx{true, true, false, false},
      avx2{true, true, true, false}, avx512{true, true, true, true}, armCrc{false, false, false, false, true, false},
      armBoth{false, false, false, false, true, true}, armPmullOnly{false, false, false, false, false, true};
  const struct { const char* override; CpuFeatures cpu; Tier tier; } cases[] = {
      {nullptr, none, Tier::kSlice}, {nullptr, sse, Tier::kPclmulSse}, {nullptr, avx, Tier::kPclmul},
      {nullptr, avx2, Tier::kAvx2}, {nullptr, avx512, Tier::kAvx512}, {"table", avx512, Tier::kTable},
      {"slice", avx512, Tier::kSlice}, {"pclmul-sse", avx512, Tier::kPclmulSse}, {"pclmul", avx512, Tier::kPclmul},
      {"avx2", avx512, Tier::kAvx2}, {"avx512", avx512, Tier::kAvx512}, {"table", none, Tier::kTable},
      {"avx512", avx2, Tier::kAvx2}, {"avx2", none, Tier::kSlice}, {"pclmul", sse, Tier::kPclmulSse},
      {"pclmul", none, Tier::kSlice}, {"pclmul-sse", none, Tier::kSlice}, {"", avx512, Tier::kAvx512},
      {"AVX2", avx512, Tier::kAvx512}, {"table ", avx512, Tier::kAvx512}, {"tables", avx, Tier::kPclmul},
      {nullptr, armCrc, Tier::kArmCrc32}, {nullptr, armBoth, Tier::kArmPmull}, {nullptr, armPmullOnly, Tier::kSlice},
      {"crc32", armBoth, Tier::kArmCrc32}, {"pmull", armBoth, Tier::kArmPmull}, {"pmull", armCrc, Tier::kArmCrc32},
      {"crc32", none, Tier::kSlice}, {"slice", armBoth, Tier::kSlice}, {"pmull", avx512, Tier::kAvx512},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseTier(c.override, c.cpu), c.tier) << (c.override ? c.override : "(none)") << " " << TierName(c.tier);
  }
}

// What the processor's words allow: each feature needs all of its bits, and the system's consent (XCR0) for the
// register state it uses.
TEST(Crc32Select, FeaturesFromTheProcessorsWords) {
  constexpr unsigned kClmul = 1u << 1 | 1u << 9 | 1u << 19, kAvxOs = 1u << 27 | 1u << 28, kVpclmul = 1u << 10;
  constexpr unsigned kWide = 1u << 5 | 1u << 16 | 1u << 31;  // AVX2, AVX-512 F and VL
  const auto bits = [](const CpuFeatures& f) {
    return std::string{f.pclmul ? 'c' : '-', f.avx ? 'a' : '-', f.avx2Clmul ? '2' : '-', f.avx512Clmul ? '5' : '-',
                       f.armCrc32 ? 'r' : '-', f.armPmull ? 'p' : '-'};
  };
  const struct { unsigned ecx1, ebx7, ecx7; std::uint64_t xcr0; const char* want; } x86[] = {
      {kClmul | kAvxOs, kWide, kVpclmul, 0xE6, "ca25--"}, {kClmul | kAvxOs, kWide, kVpclmul, 0x6, "ca2---"},
      {kClmul | kAvxOs, 1u << 5, kVpclmul, 0xE6, "ca2---"}, {kClmul | kAvxOs, kWide, 0, 0xE6, "ca----"},
      {kClmul | kAvxOs, kWide, kVpclmul, 0xE4, "c-----"},  // YMM state without SSE state
      {kClmul | 1u << 28, kWide, kVpclmul, 0xE6, "c-----"},  // the system did not enable XGETBV
      {(kClmul & ~(1u << 9)) | kAvxOs, kWide, kVpclmul, 0xE6, "-a----"},  // no SSSE3
  };
  for (const auto& r : x86) EXPECT_EQ(bits(X86Features(r.ecx1, r.ebx7, r.ecx7, r.xcr0)), r.want) << r.want;
  EXPECT_EQ(bits(ArmFeatures(true, 1u << 7 | 1u << 4, 0)), "----rp");
  EXPECT_EQ(bits(ArmFeatures(true, 1u << 4, ~0ul)), "-----p");
  EXPECT_EQ(bits(ArmFeatures(false, ~0ul, 1u << 4)), "----r-");
}

// The compiler's run-time CPU model, like the detection, counts an extension only when the system saves its register
// state (x86; scripts/test_arm.sh checks the ARM choice under qemu CPU models with and without the extensions). The
// tier matrix runs this once per CODEHDR_CRC_IMPL value.
TEST(Crc32Select, DetectionAndTheProcessChoice) {
  const CpuFeatures cpu = DetectCpuFeatures();
  EXPECT_EQ(SelectedTier(), ChooseTier(std::getenv(kImplEnvVar), cpu));
  EXPECT_STREQ(Crc32KernelName(), TierName(SelectedTier()));
#if CODEHDR_CRC_X86
  const auto all = [](bool a, bool b = true, bool c = true) { return a && b && c; };
  EXPECT_EQ(cpu.pclmul, all(__builtin_cpu_supports("pclmul"), __builtin_cpu_supports("ssse3"),
                            __builtin_cpu_supports("sse4.1")));
  EXPECT_EQ(cpu.avx, all(__builtin_cpu_supports("avx")));
  EXPECT_EQ(cpu.avx2Clmul, all(cpu.pclmul && cpu.avx, __builtin_cpu_supports("avx2"),
                               __builtin_cpu_supports("vpclmulqdq")));
  EXPECT_EQ(cpu.avx512Clmul, all(cpu.avx2Clmul, __builtin_cpu_supports("avx512f"), __builtin_cpu_supports("avx512vl")));
#else
  EXPECT_FALSE(cpu.pclmul || cpu.avx || cpu.avx2Clmul || cpu.avx512Clmul);  // no carry-less kernels here
#endif
}

// Catalogue values, through the entry points continued from every split of the text and through the classic engine.
TEST(CrcCatalogue, EntryPointsAndClassicEngineGiveCatalogueValues) {
  const struct { const char* text; std::uint32_t crc32; std::uint16_t crc16; } cases[] = {
      {"", 0, 0xFFFF}, {"A", 0xD3D99E8Bu, 0xB915}, {"123456789", 0xCBF43926u, 0x29B1},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u, 0x8FDD}};
  CCRC engine;
  ASSERT_EQ(engine.GenTable_CRC16(), 0);  // the constructor fills only the CRC-32 table
  for (const auto& c : cases) {
    const std::uint8_t* p = U8(c.text);
    const std::size_t n = std::strlen(c.text);
    for (std::size_t at = 0; at <= n; ++at) {
      EXPECT_EQ(Crc32Extend(Crc32(p, at), p + at, n - at), c.crc32) << c.text << " " << at;
      EXPECT_EQ(Crc16Extend(Crc16(p, at), p + at, n - at), c.crc16) << c.text << " " << at;
    }
    EXPECT_EQ(engine.GetCRC32(p, static_cast<int>(n)), c.crc32) << c.text;
    EXPECT_EQ(engine.GetCRC16(p, static_cast<unsigned short>(n)), c.crc16) << c.text;
  }
  EXPECT_EQ(engine.GetCRC32(U8("123"), -5), 0u);
  // The constructor fills the MSB-first CRC-32 table, which nothing reads.
  for (const auto& [i, value] : {std::pair<int, unsigned>{1, 0x04C11DB7u}, {128, 0x690CE0EEu}, {255, 0xB1F740B4u}}) {
    EXPECT_EQ(engine.crc32Table[i], value) << i;
  }
  std::memset(&engine.crc16Table, 0, sizeof engine.crc16Table);  // GetCRC16 runs on the object's table
  EXPECT_EQ(engine.GetCRC16(U8("123456789"), 9), 0);
}

TEST(CcrcCheck, ComparesWithTheExpectedOrTheTrailingCrc) {
  constexpr std::uint32_t kCheck = 0xCBF43926u;  // of "123456789"
  constexpr std::int64_t kTrailing = -1;         // a null pointer: the last four bytes, least significant first
  const struct { std::string data; std::int64_t expected; int result; std::uint32_t last; } cases[] = {
      {"123456789\x26\x39\xF4\xCB", kTrailing, 1, kCheck}, {"123456789\xCB\xF4\x39\x26", kTrailing, 0, kCheck},
      {"123456789", kCheck, 1, kCheck}, {"123456789", kCheck + 1, 0, kCheck}, {"123456789", 0x2639F4CB, 0, kCheck},
      {std::string(4, '\0'), kTrailing, 1, 0}, {std::string("\0\0\1\0", 4), kTrailing, 0, 0},
      {"abc", kTrailing, 0, 0},  // too short for a trailer: nothing is read
  };
  for (const auto& c : cases) {
    CCRC engine;
    engine.lastCrc32 = 123;
    const auto data = std::make_unique<unsigned char[]>(c.data.size());  // exact size
    std::memcpy(data.get(), c.data.data(), c.data.size());
    unsigned char expected[4];
    for (int i = 0; i < 4; ++i) expected[i] = static_cast<unsigned char>(c.expected >> 8 * i);
    const int length = static_cast<int>(c.data.size());
    EXPECT_EQ(engine.CheckCRC32(data.get(), c.expected < 0 ? nullptr : expected, 5, length), c.result) << c.data;
    EXPECT_EQ(engine.lastCrc32, c.last) << c.data;
  }
  for (const auto& [crc, text] : {std::pair<unsigned, const char*>{0, "0"}, {0x04C11DB7u, "4c11db7"},
                                  {0xFFFFFFFFu, "ffffffff"}}) {
    char out[9];  // exactly the eight digits and the NUL
    EXPECT_EQ(CCRC().Crc32ToStr(crc, out), 1);
    EXPECT_STREQ(out, text);
  }
}

}  // namespace
}  // namespace codehdr::crc
