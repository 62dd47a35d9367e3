// CRC-32: every kernel this processor runs agrees with the byte-table kernel
// from two start offsets, the entry points and CCRC agree with the
// bit-at-a-time reference, and nothing reads outside the input (libFuzzer
// hands it over in an allocation of its exact size).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <codehdr/checksum.h>
#include <codehdr/crc.h>

#include "crc/crc32_internal.h"
#include "support.h"

using namespace codehdr::crc;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  size = std::min<std::size_t>(size, 4096);
  const Crc32Kernel table = KernelForTier(Tier::kTable);
  // From the start and from an offset of the input's choosing, so that every
  // kernel meets every alignment of its loads.
  for (const std::size_t start : {std::size_t{0}, size == 0 ? 0 : data[0] % std::min<std::size_t>(size, 64)}) {
    const std::uint32_t want = table(~0u, data + start, size - start);
    for (int t = 1; t < kTierCount; ++t) {
      const Crc32Kernel k = KernelForTier(static_cast<Tier>(t));
      if (k != nullptr && k(~0u, data + start, size - start) != want) std::abort();
    }
  }
  const std::uint32_t crc = codehdr::test::ReferenceCrc32(data, size);
  const std::size_t cut = size == 0 ? 0 : data[size - 1] * size / 255;  // a split point of the input's choosing
  if (codehdr::Crc32Extend(codehdr::Crc32(data, cut), data + cut, size - cut) != crc) std::abort();
  CCRC engine;
  if (engine.GetCRC32(data, static_cast<int>(size)) != crc) std::abort();
  if (size >= 4) {
    const std::uint32_t trailer = static_cast<std::uint32_t>(data[size - 4]) | data[size - 3] << 8 |
                                  data[size - 2] << 16 | static_cast<std::uint32_t>(data[size - 1]) << 24;
    const std::uint32_t head = codehdr::test::ReferenceCrc32(data, size - 4);
    if (engine.CheckCRC32(data, nullptr, 0, static_cast<int>(size)) != (head == trailer) || engine.lastCrc32 != head) {
      std::abort();
    }
  }
  return 0;
}
