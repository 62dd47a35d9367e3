// 128-bit PCLMULQDQ folding in legacy SSE encoding, for processors that have
// PCLMULQDQ (and SSSE3 and SSE4.1, which every such processor has) but no
// AVX.
#if defined(__x86_64__)

#include "crc/crc32_fold128.h"
#include "crc/crc32_kernels.h"

namespace codehdr::crc {

__attribute__((target("pclmul,ssse3,sse4.1"))) std::uint32_t Crc32KernelPclmulSse(std::uint32_t reg,
                                                                                  const unsigned char* data,
                                                                                  std::size_t len) {
  return UpdateFold128(reg, data, len);
}

}  // namespace codehdr::crc

#endif  // __x86_64__
