// CRC-32 dispatch: what this processor supports, the tier chosen once per
// process (CODEHDR_CRC_IMPL may force one), the kernel of each tier, and the
// entry points of <codehdr/checksum.h>. The 128-bit folding kernels are
// compiled here, once per instruction encoding; the wider ones have their own
// files.
#include <codehdr/checksum.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crc/crc16.h"
#include "crc/crc32_fold128.h"
#include "crc/crc32_internal.h"
#include "crc/crc32_portable.h"

#if CODEHDR_CRC_X86
#include <cpuid.h>
#endif
#if CODEHDR_CRC_ARM64 || CODEHDR_CRC_ARM32
#include <sys/auxv.h>
#endif

namespace codehdr::crc {
namespace {

struct TierEntry {
  Tier tier;
  const char* name;
};

constexpr TierEntry kTierNames[kTierCount] = {
    {Tier::kTable, "table"},   {Tier::kSlice, "slice"}, {Tier::kPclmulSse, "pclmul-sse"},
    {Tier::kPclmul, "pclmul"}, {Tier::kAvx2, "avx2"},   {Tier::kAvx512, "avx512"},
    {Tier::kArmCrc32, "crc32"}, {Tier::kArmPmull, "pmull"},
};

// CPUID.1:ECX
constexpr unsigned kPclmulBit = 1u << 1;
constexpr unsigned kSsse3Bit = 1u << 9;
constexpr unsigned kSse41Bit = 1u << 19;
constexpr unsigned kOsxsaveBit = 1u << 27;
constexpr unsigned kAvxBit = 1u << 28;
// CPUID.(7,0):EBX
constexpr unsigned kAvx2Bit = 1u << 5;
constexpr unsigned kAvx512FBit = 1u << 16;
constexpr unsigned kAvx512VlBit = 1u << 31;
// CPUID.(7,0):ECX
constexpr unsigned kVpclmulqdqBit = 1u << 10;
// XCR0: register state the operating system saves on a context switch.
constexpr std::uint64_t kXcr0SseYmm = (1u << 1) | (1u << 2);
constexpr std::uint64_t kXcr0OpmaskZmm = (1u << 5) | (1u << 6) | (1u << 7);

// The kernel's hardware capability words (the Linux ABI's bit numbers).
constexpr unsigned long kHwcapPmull = 1ul << 4;   // AArch64 AT_HWCAP
constexpr unsigned long kHwcapCrc32 = 1ul << 7;   // AArch64 AT_HWCAP
constexpr unsigned long kHwcap2Crc32 = 1ul << 4;  // 32-bit ARM AT_HWCAP2

#if CODEHDR_CRC_X86

std::uint64_t ReadXcr0() {
  unsigned lo = 0;
  unsigned hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (static_cast<std::uint64_t>(hi) << 32) | lo;
}

CpuFeatures DetectX86() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0, ebx7 = 0, ecx7 = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return CpuFeatures{};
  if (!__get_cpuid_count(7, 0, &eax, &ebx7, &ecx7, &edx)) ebx7 = ecx7 = 0;
  // XGETBV exists only where the system enabled it.
  return X86Features(ecx, ebx7, ecx7, (ecx & kOsxsaveBit) != 0 ? ReadXcr0() : 0);
}

#endif  // CODEHDR_CRC_X86

}  // namespace

CpuFeatures X86Features(unsigned ecx1, unsigned ebx7, unsigned ecx7, std::uint64_t xcr0) {
  CpuFeatures f;
  const unsigned pclmulSet = kPclmulBit | kSsse3Bit | kSse41Bit;
  f.pclmul = (ecx1 & pclmulSet) == pclmulSet;
  if ((ecx1 & kOsxsaveBit) == 0 || (ecx1 & kAvxBit) == 0) return f;
  if ((xcr0 & kXcr0SseYmm) != kXcr0SseYmm) return f;
  f.avx = true;
  const bool vpclmul = f.pclmul && (ecx7 & kVpclmulqdqBit) != 0;
  f.avx2Clmul = vpclmul && (ebx7 & kAvx2Bit) != 0;
  f.avx512Clmul = f.avx2Clmul && (ebx7 & kAvx512FBit) != 0 && (ebx7 & kAvx512VlBit) != 0 &&
                  (xcr0 & kXcr0OpmaskZmm) == kXcr0OpmaskZmm;
  return f;
}

CpuFeatures ArmFeatures(bool arm64, unsigned long hwcap, unsigned long hwcap2) {
  CpuFeatures f;
  f.armCrc32 = arm64 ? (hwcap & kHwcapCrc32) != 0 : (hwcap2 & kHwcap2Crc32) != 0;
  f.armPmull = arm64 && (hwcap & kHwcapPmull) != 0;
  return f;
}

CpuFeatures DetectCpuFeatures() {
#if CODEHDR_CRC_X86
  return DetectX86();
#elif CODEHDR_CRC_ARM64
  return ArmFeatures(true, getauxval(AT_HWCAP), 0);
#elif CODEHDR_CRC_ARM32
  return ArmFeatures(false, 0, getauxval(AT_HWCAP2));
#else
  return CpuFeatures{};
#endif
}

bool TierAvailable(Tier tier, const CpuFeatures& cpu) {
  switch (tier) {
    case Tier::kTable:
    case Tier::kSlice:
      return true;
    case Tier::kPclmulSse:
      return cpu.pclmul;
    case Tier::kPclmul:
      return cpu.pclmul && cpu.avx;
    case Tier::kAvx2:
      return cpu.avx2Clmul;
    case Tier::kAvx512:
      return cpu.avx512Clmul;
    case Tier::kArmCrc32:
      return cpu.armCrc32;
    case Tier::kArmPmull:
      return cpu.armCrc32 && cpu.armPmull;
  }
  return false;
}

Tier BestTier(const CpuFeatures& cpu) {
  for (int i = kTierCount - 1; i > 0; --i) {
    if (TierAvailable(static_cast<Tier>(i), cpu)) return static_cast<Tier>(i);
  }
  return Tier::kTable;
}

const char* TierName(Tier tier) {
  for (const TierEntry& entry : kTierNames) {
    if (entry.tier == tier) return entry.name;
  }
  return "unknown";
}

std::optional<Tier> ParseTierName(const char* name) {
  if (name == nullptr) return std::nullopt;
  for (const TierEntry& entry : kTierNames) {
    if (std::strcmp(entry.name, name) == 0) return entry.tier;
  }
  return std::nullopt;
}

Tier ChooseTier(const char* overrideName, const CpuFeatures& cpu) {
  const std::optional<Tier> forced = ParseTierName(overrideName);
  if (forced) {
    if (TierAvailable(*forced, cpu)) return *forced;
    if (*forced == Tier::kPclmul && TierAvailable(Tier::kPclmulSse, cpu)) return Tier::kPclmulSse;
  }
  return BestTier(cpu);
}

Tier SelectedTier() {
  static const Tier tier = ChooseTier(std::getenv(kImplEnvVar), DetectCpuFeatures());
  return tier;
}


namespace {

std::uint32_t Crc32KernelTable(std::uint32_t reg, const unsigned char* data, std::size_t len) {
  return UpdateBytewise(reg, data, len);
}

std::uint32_t Crc32KernelSlice(std::uint32_t reg, const unsigned char* data, std::size_t len) {
  return UpdateSlicing16(reg, data, len);
}

#if CODEHDR_CRC_X86

// For processors that have PCLMULQDQ (and SSSE3 and SSE4.1, which every such
// processor has) but no AVX.
__attribute__((target("pclmul,ssse3,sse4.1"))) std::uint32_t Crc32KernelPclmulSse(std::uint32_t reg,
                                                                                  const unsigned char* data,
                                                                                  std::size_t len) {
  return UpdateFold128(reg, data, len);
}

// The same folding in AVX (VEX) encoding: legacy SSE instructions after 256-
// or 512-bit code cost a state transition on some processors, VEX-encoded
// ones do not.
__attribute__((target("pclmul,avx"))) std::uint32_t Crc32KernelPclmul(std::uint32_t reg, const unsigned char* data,
                                                                      std::size_t len) {
  return UpdateFold128(reg, data, len);
}

#endif  // CODEHDR_CRC_X86

}  // namespace

Crc32Kernel CompiledKernel(Tier tier) {
  switch (tier) {
    case Tier::kTable:
      return &Crc32KernelTable;
    case Tier::kSlice:
      return &Crc32KernelSlice;
#if CODEHDR_CRC_X86
    case Tier::kPclmulSse:
      return &Crc32KernelPclmulSse;
    case Tier::kPclmul:
      return &Crc32KernelPclmul;
    case Tier::kAvx2:
      return &Crc32KernelAvx2;
    case Tier::kAvx512:
      return &Crc32KernelAvx512;
#endif
#if CODEHDR_CRC_ARM64 || CODEHDR_CRC_ARM32
    case Tier::kArmCrc32:
      return &Crc32KernelArmCrc;
#endif
#if CODEHDR_CRC_ARM64
    case Tier::kArmPmull:
      return &Crc32KernelArmPmull;
#endif
    default:
      return nullptr;
  }
}

Crc32Kernel KernelForTier(Tier tier) {
  static const CpuFeatures cpu = DetectCpuFeatures();
  return TierAvailable(tier, cpu) ? CompiledKernel(tier) : nullptr;
}

}  // namespace codehdr::crc

namespace codehdr {

namespace {

std::uint32_t ExtendOn(crc::Crc32Kernel kernel, std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  constexpr std::uint32_t kInvert = 0xFFFFFFFFu;
  return size == 0 ? crc : kernel(crc ^ kInvert, data, size) ^ kInvert;
}

}  // namespace

std::uint32_t Crc32Extend(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  static const crc::Crc32Kernel kernel = crc::KernelForTier(crc::SelectedTier());
  return ExtendOn(kernel, crc, data, size);
}

std::optional<std::uint32_t> Crc32ExtendWith(const char* kernel, std::uint32_t crc, const std::uint8_t* data,
                                             std::size_t size) {
  const std::optional<crc::Tier> tier = crc::ParseTierName(kernel);
  const crc::Crc32Kernel k = tier ? crc::KernelForTier(*tier) : nullptr;
  if (k == nullptr) return std::nullopt;
  return ExtendOn(k, crc, data, size);
}

std::vector<Crc32KernelInfo> Crc32Kernels() {
  std::vector<Crc32KernelInfo> kernels;
  for (int i = 0; i < crc::kTierCount; ++i) {
    const auto tier = static_cast<crc::Tier>(i);
    if (crc::CompiledKernel(tier) == nullptr) continue;
    kernels.push_back({crc::TierName(tier), crc::KernelForTier(tier) != nullptr, tier == crc::SelectedTier()});
  }
  return kernels;
}

const char* Crc32KernelName() { return crc::TierName(crc::SelectedTier()); }

bool Crc32KernelOverrideKnown() {
  const char* name = std::getenv(crc::kImplEnvVar);
  return name == nullptr || *name == '\0' || crc::ParseTierName(name).has_value();
}

std::string Crc32Text(std::uint32_t crc) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned int>(crc));
  return text;
}

std::uint16_t Crc16Extend(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
  return crc::Crc16Update(crc, crc::kCrc16Table.data(), data, size);
}

}  // namespace codehdr
