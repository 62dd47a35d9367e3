// Byte-at-a-time kernel: the reference tier.
#include "crc/crc32_kernels.h"
#include "crc/crc32_portable.h"

namespace codehdr::crc {

std::uint32_t Crc32KernelTable(std::uint32_t reg, const unsigned char* data, std::size_t len) {
  return UpdateBytewise(reg, data, len);
}

}  // namespace codehdr::crc
