// 128-bit PCLMULQDQ folding in legacy SSE encoding, for processors that have
// PCLMULQDQ but no AVX.
#if defined(__x86_64__)

#include "crc/crc32_fold128.h"
#include "crc/crc32_kernels.h"

namespace codehdr::crc {

__attribute__((target("pclmul"))) std::uint32_t Crc32KernelPclmulSse(std::uint32_t reg, const unsigned char* data,
                                                                    std::size_t len) {
  return UpdateFold128(reg, data, len);
}

}  // namespace codehdr::crc

#endif  // __x86_64__
