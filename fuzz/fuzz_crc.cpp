// CRC-32: every kernel this processor runs agrees with the byte-table kernel from the start and from an offset of the
// input's choosing (so that each meets every alignment of its loads); the entry points split anywhere and CCRC agree
// with the bit-at-a-time reference. The input lies in an allocation of its exact size: a read past it is reported.
#include <algorithm>
#include <cstdlib>

#include <codehdr/checksum.h>
#include <codehdr/crc.h>

#include "crc/crc32_internal.h"
#include "support.h"

using namespace codehdr::crc;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  size = std::min<std::size_t>(size, 4096);
  for (const std::size_t start : {std::size_t{0}, size == 0 ? 0 : data[0] % std::min<std::size_t>(size, 64)}) {
    const std::uint32_t want = KernelForTier(Tier::kTable)(~0u, data + start, size - start);
    for (int t = 1; t < kTierCount; ++t) {
      const Crc32Kernel k = KernelForTier(static_cast<Tier>(t));
      if (k != nullptr && k(~0u, data + start, size - start) != want) std::abort();
    }
  }
  const std::uint32_t crc = codehdr::test::ReferenceCrc32(data, size);
  const std::size_t cut = size == 0 ? 0 : data[size - 1] * size / 255;
  CCRC engine;
  if (codehdr::Crc32Extend(codehdr::Crc32(data, cut), data + cut, size - cut) != crc ||
      engine.GetCRC32(data, static_cast<int>(size)) != crc) {
    std::abort();
  }
  return 0;
}
