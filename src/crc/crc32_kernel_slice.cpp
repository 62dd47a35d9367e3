// Slicing-by-16 kernel: the fastest tier that needs no special instructions.
#include "crc/crc32_kernels.h"
#include "crc/crc32_portable.h"

namespace codehdr::crc {

std::uint32_t Crc32KernelSlice(std::uint32_t reg, const unsigned char* data, std::size_t len) {
  return UpdateSlicing16(reg, data, len);
}

}  // namespace codehdr::crc
