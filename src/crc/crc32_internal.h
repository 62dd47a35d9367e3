// Inside the CRC-32 engine: the kernel tiers, what this processor supports,
// the choice of a tier (with the CODEHDR_CRC_IMPL override) and the kernel
// of each tier. The public entry points are in <codehdr/checksum.h>.
#ifndef CODEHDR_SRC_CRC_CRC32_INTERNAL_H
#define CODEHDR_SRC_CRC_CRC32_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <optional>

// The x86 kernels (carry-less multiplication) exist in 64- and 32-bit x86
// builds alike; the 32-bit ABI has eight vector registers, which each kernel's
// four accumulators and constants fit.
#if defined(__x86_64__) || defined(__i386__)
#define CODEHDR_CRC_X86 1
#else
#define CODEHDR_CRC_X86 0
#endif

// The ARM kernels: the CRC-32 instructions in 64- and 32-bit builds (ARMv8,
// found in the hardware capabilities at run time), PMULL folding in 64-bit
// builds.
#if defined(__aarch64__)
#define CODEHDR_CRC_ARM64 1
#else
#define CODEHDR_CRC_ARM64 0
#endif
#if defined(__arm__) && !defined(__aarch64__)
#define CODEHDR_CRC_ARM32 1
#else
#define CODEHDR_CRC_ARM32 0
#endif

namespace codehdr::crc {

// Ordered from slowest to fastest.
enum class Tier {
  kTable,      // one byte per step through the byte table
  kSlice,      // slicing-by-16 on constant tables
  kPclmulSse,  // 128-bit carry-less folding, legacy SSE encoding
  kPclmul,     // 128-bit carry-less folding, AVX (VEX) encoding
  kAvx2,       // 256-bit VPCLMULQDQ folding
  kAvx512,     // 512-bit VPCLMULQDQ folding
  kArmCrc32,   // ARMv8 CRC-32 instructions, three streams joined
  kArmPmull,   // ARMv8 PMULL folding, CRC-32 instructions for the rest
};

constexpr int kTierCount = 8;

// Instruction sets usable here: the processor has them and the operating
// system saves the register state they need.
struct CpuFeatures {
  bool pclmul = false;       // PCLMULQDQ with SSSE3 and SSE4.1
  bool avx = false;          // AVX with YMM state enabled
  bool avx2Clmul = false;    // AVX2 + VPCLMULQDQ with YMM state enabled
  bool avx512Clmul = false;  // AVX-512 F/VL + VPCLMULQDQ with ZMM and mask state enabled
  bool armCrc32 = false;     // ARMv8 CRC32B/H/W/X (HWCAP_CRC32, on 32-bit ARM HWCAP2_CRC32)
  bool armPmull = false;     // ARMv8 64-bit PMULL (HWCAP_PMULL), 64-bit builds
};

// Environment variable that forces a tier.
constexpr const char* kImplEnvVar = "CODEHDR_CRC_IMPL";

CpuFeatures DetectCpuFeatures();

// What the processor's words say is usable, for every architecture on any
// (so that each platform's tests check them all): CPUID leaf 1 ECX, leaf 7
// EBX and ECX, and XCR0 (0 when the system has not enabled XGETBV); the ARM
// hardware capability words of an AArch64 (AT_HWCAP) or 32-bit (AT_HWCAP2)
// process.
CpuFeatures X86Features(unsigned ecx1, unsigned ebx7, unsigned ecx7, std::uint64_t xcr0);
CpuFeatures ArmFeatures(bool arm64, unsigned long hwcap, unsigned long hwcap2);

bool TierAvailable(Tier tier, const CpuFeatures& cpu);
Tier BestTier(const CpuFeatures& cpu);

// "table", "slice", "pclmul-sse", "pclmul", "avx2", "avx512", "crc32", "pmull".
const char* TierName(Tier tier);
std::optional<Tier> ParseTierName(const char* name);

// The tier to use given an override value (null or empty for none): the
// named tier when this CPU has it ("pclmul" falls back to its SSE encoding
// without AVX), otherwise the best tier the CPU has.
Tier ChooseTier(const char* overrideName, const CpuFeatures& cpu);

// The tier for this process: decided once, at first call, from the CPU and
// CODEHDR_CRC_IMPL. Thread-safe.
Tier SelectedTier();

// A kernel updates the raw register (the caller applies the initial and final
// inversion) over len bytes at any alignment, and reads nothing outside
// [data, data + len).
using Crc32Kernel = std::uint32_t (*)(std::uint32_t reg, const unsigned char* data, std::size_t len);

// The kernel compiled for a tier, whatever this CPU has; null when this build
// has none.
Crc32Kernel CompiledKernel(Tier tier);

// The kernel of a tier, or null when this build or this CPU cannot run it.
Crc32Kernel KernelForTier(Tier tier);

#if CODEHDR_CRC_X86
// The wide folding kernels, each in its own file.
std::uint32_t Crc32KernelAvx2(std::uint32_t reg, const unsigned char* data, std::size_t len);
std::uint32_t Crc32KernelAvx512(std::uint32_t reg, const unsigned char* data, std::size_t len);
#endif
#if CODEHDR_CRC_ARM64 || CODEHDR_CRC_ARM32
std::uint32_t Crc32KernelArmCrc(std::uint32_t reg, const unsigned char* data, std::size_t len);
#endif
#if CODEHDR_CRC_ARM64
std::uint32_t Crc32KernelArmPmull(std::uint32_t reg, const unsigned char* data, std::size_t len);
#endif

}  // namespace codehdr::crc

#endif  // CODEHDR_SRC_CRC_CRC32_INTERNAL_H
