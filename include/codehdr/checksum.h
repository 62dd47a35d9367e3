// The checksums of the library over any number of bytes, computed in one go
// or extended piece by piece:
//   Crc32Extend(Crc32(a, n), a + n, m) == Crc32(a, n + m)
//
//   CRC-32/ISO-HDLC  reflected polynomial 0xEDB88320, init and final XOR
//                    0xFFFFFFFF; "123456789" gives 0xCBF43926. The CRC that
//                    seals a code image file.
//   CRC-16/IBM-3740  polynomial 0x1021, init 0xFFFF, MSB first, no final XOR;
//                    "123456789" gives 0x29B1.
// The CRC-32 runs on the fastest kernel this processor offers, chosen once
// at first use (CODEHDR_CRC_IMPL=table|slice|pclmul-sse|pclmul|avx2|avx512|crc32|pmull
// forces one). Every function here may run on any number of threads at once.
#ifndef CODEHDR_CHECKSUM_H
#define CODEHDR_CHECKSUM_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <codehdr/export.h>

namespace codehdr {

// Continues the CRC-32 `crc` over `size` bytes; start from 0.
CODEHDR_EXPORT std::uint32_t Crc32Extend(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) { return Crc32Extend(0, data, size); }

// As Crc32Extend, over a large buffer in memory: pieces of at least 16 MiB
// each go to up to `threads` threads (0: up to 4, and no more than the
// processor has), and their CRCs are combined. One core alone cannot read
// memory as fast as the CRC kernels run. Smaller buffers, and a system that
// cannot start a thread, get one thread, the caller's.
CODEHDR_EXPORT std::uint32_t Crc32Parallel(std::uint32_t crc, const std::uint8_t* data, std::size_t size,
                                           unsigned threads = 0);

// The CRC-32 of A followed by B, from the CRC-32 of A, that of B and B's
// size, without the bytes: pieces checked apart (on several threads, say)
// give the CRC of the whole.
CODEHDR_EXPORT std::uint32_t Crc32Combine(std::uint32_t crc_a, std::uint32_t crc_b, std::uint64_t size_b);

constexpr std::uint16_t kCrc16Init = 0xFFFF;

// Continues the CRC-16 `crc` over `size` bytes; start from kCrc16Init.
CODEHDR_EXPORT std::uint16_t Crc16Extend(std::uint16_t crc, const std::uint8_t* data, std::size_t size);

inline std::uint16_t Crc16(const std::uint8_t* data, std::size_t size) {
  return Crc16Extend(kCrc16Init, data, size);
}

// A CRC-32 as people and scripts read it: 8 lower-case hex digits,
// "001685f0".
CODEHDR_EXPORT std::string Crc32Text(std::uint32_t crc);

// The CRC-32 kernel in use: "table", "slice", "pclmul-sse", "pclmul",
// "avx2" or "avx512" on x86, "crc32" or "pmull" on ARM.
CODEHDR_EXPORT const char* Crc32KernelName();

// Whether CODEHDR_CRC_IMPL holds a name it takes (one of those above, or
// nothing): any other value is ignored and the best kernel is used, which a
// program may want to say.
CODEHDR_EXPORT bool Crc32KernelOverrideKnown();

// A CRC-32 kernel this build has.
struct Crc32KernelInfo {
  const char* name;  // as CODEHDR_CRC_IMPL takes it
  bool available;    // this processor and system can run it
  bool in_use;       // the one Crc32Extend runs on
};

// The CRC-32 kernels of this build, slowest first; exactly one is in use.
CODEHDR_EXPORT std::vector<Crc32KernelInfo> Crc32Kernels();

// As Crc32Extend, on the kernel named; nothing when this build has no such
// kernel or this processor cannot run it. To check one kernel against another.
CODEHDR_EXPORT std::optional<std::uint32_t> Crc32ExtendWith(const char* kernel, std::uint32_t crc,
                                                           const std::uint8_t* data, std::size_t size);

}  // namespace codehdr

#endif  // CODEHDR_CHECKSUM_H
