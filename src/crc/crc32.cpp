// CRC-32/ISO-HDLC entry points: one indirect call into the kernel chosen at
// first use.
#include "crc/crc32.h"

#include "crc/crc32_kernels.h"
#include "crc/crc32_select.h"

namespace codehdr::crc {
namespace {

constexpr std::uint32_t kInvert = 0xFFFFFFFFu;

Crc32Kernel ActiveKernel() {
  static const Crc32Kernel kernel = KernelForTier(SelectedTier());
  return kernel;
}

}  // namespace

std::uint32_t Crc32(const unsigned char* data, std::size_t len) { return Crc32Extend(0, data, len); }

std::uint32_t Crc32Extend(std::uint32_t crc, const unsigned char* data, std::size_t len) {
  if (len == 0) return crc;
  return ActiveKernel()(crc ^ kInvert, data, len) ^ kInvert;
}

}  // namespace codehdr::crc
