// The CRC-32 kernels. Each updates the raw register (the caller applies the
// initial and final inversion) over len bytes at any alignment, and reads
// nothing outside [data, data + len).
#ifndef CODEHDR_SRC_CRC_CRC32_KERNELS_H
#define CODEHDR_SRC_CRC_CRC32_KERNELS_H

#include <cstddef>
#include <cstdint>

#include "crc/crc32_select.h"

namespace codehdr::crc {

using Crc32Kernel = std::uint32_t (*)(std::uint32_t reg, const unsigned char* data, std::size_t len);

std::uint32_t Crc32KernelTable(std::uint32_t reg, const unsigned char* data, std::size_t len);
std::uint32_t Crc32KernelSlice(std::uint32_t reg, const unsigned char* data, std::size_t len);
#if defined(__x86_64__)
std::uint32_t Crc32KernelPclmulSse(std::uint32_t reg, const unsigned char* data, std::size_t len);
std::uint32_t Crc32KernelPclmul(std::uint32_t reg, const unsigned char* data, std::size_t len);
std::uint32_t Crc32KernelAvx2(std::uint32_t reg, const unsigned char* data, std::size_t len);
std::uint32_t Crc32KernelAvx512(std::uint32_t reg, const unsigned char* data, std::size_t len);
#endif

// The kernel of a tier, or null when this CPU cannot run it.
Crc32Kernel KernelForTier(Tier tier);

}  // namespace codehdr::crc

#endif  // CODEHDR_SRC_CRC_CRC32_KERNELS_H
