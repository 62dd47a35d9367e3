// 128-bit PCLMULQDQ folding compiled with AVX (VEX) encoding: legacy SSE
// instructions after 256- or 512-bit code cost a state transition on some
// processors, VEX-encoded ones do not.
#if defined(__x86_64__)

#include "crc/crc32_fold128.h"
#include "crc/crc32_kernels.h"

namespace codehdr::crc {

__attribute__((target("pclmul,avx"))) std::uint32_t Crc32KernelPclmul(std::uint32_t reg, const unsigned char* data,
                                                                      std::size_t len) {
  return UpdateFold128(reg, data, len);
}

}  // namespace codehdr::crc

#endif  // __x86_64__
