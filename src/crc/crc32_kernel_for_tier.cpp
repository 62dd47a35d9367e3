// Maps a tier to its kernel, refusing tiers this CPU cannot run.
#include "crc/crc32_kernels.h"

namespace codehdr::crc {

Crc32Kernel KernelForTier(Tier tier) {
  static const CpuFeatures cpu = DetectCpuFeatures();
  if (!TierAvailable(tier, cpu)) return nullptr;
  switch (tier) {
    case Tier::kTable:
      return &Crc32KernelTable;
    case Tier::kSlice:
      return &Crc32KernelSlice;
#if defined(__x86_64__)
    case Tier::kPclmulSse:
      return &Crc32KernelPclmulSse;
    case Tier::kPclmul:
      return &Crc32KernelPclmul;
    case Tier::kAvx2:
      return &Crc32KernelAvx2;
    case Tier::kAvx512:
      return &Crc32KernelAvx512;
#endif
    default:
      return nullptr;
  }
}

}  // namespace codehdr::crc
