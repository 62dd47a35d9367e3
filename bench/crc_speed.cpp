// CRC-32 throughput through the installed API alone, so that the same source builds for every platform and the builds
// can be compared on one machine (scripts/windows_speed.sh: Linux, and Windows under Wine). Runs the kernel this
// process chose (CODEHDR_CRC_IMPL may force one) over a page-aligned buffer of KIB KiB (default 1024: in the cache,
// so that the kernel is timed rather than the memory), ROUNDS times 64 MiB of work, and prints the kernel, the median
// throughput in GB/s and the CRC (which must agree between builds).
//
//   codehdr_crc_speed [KIB [ROUNDS]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/file_io.h>

int main(int argc, char** argv) {
  const std::size_t size = (argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024) << 10;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
  if (size == 0 || rounds <= 0) return 2;
  codehdr::IoBuffer buffer(size);
  std::uint32_t x = 0x12345678u;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1664525u + 1013904223u;
    buffer.data()[i] = static_cast<std::uint8_t>(x >> 24);
  }
  std::uint32_t crc = codehdr::Crc32(buffer.data(), size);  // warms the caches and the kernel choice
  const std::size_t passes = std::max<std::size_t>(1, (std::size_t{64} << 20) / size);
  std::vector<double> gbps;
  for (int r = 0; r < rounds; ++r) {
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t p = 0; p < passes; ++p) crc = codehdr::Crc32(buffer.data(), size);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    gbps.push_back(static_cast<double>(size * passes) / took.count() / 1e9);
  }
  std::sort(gbps.begin(), gbps.end());
  std::printf("%s %.2f %08x\n", codehdr::Crc32KernelName(), gbps[gbps.size() / 2], crc);
  return 0;
}
