// CRC-32 of a large buffer in memory on several threads: one core cannot
// read memory as fast as the kernels run, so the buffer is cut into pieces
// whose CRCs are computed side by side and then combined.
#include <algorithm>
#include <thread>
#include <vector>

#include <codehdr/checksum.h>

namespace codehdr {
namespace {

constexpr std::size_t kMinPiece = std::size_t{16} << 20;
constexpr unsigned kMaxDefaultThreads = 4;

}  // namespace

std::uint32_t Crc32Parallel(std::uint32_t crc, const std::uint8_t* data, std::size_t size, unsigned threads) {
  if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxDefaultThreads);
  const std::size_t count = std::min<std::size_t>(threads, size / kMinPiece);
  if (count < 2) return Crc32Extend(crc, data, size);

  // Piece i starts at bound(i); the last one takes the remainder. The
  // caller's thread takes piece 0, continued from `crc`.
  const std::size_t piece = size / count;
  const auto bound = [piece, size, count](std::size_t i) { return i == count ? size : piece * i; };
  std::vector<std::uint32_t> crcs(count);
  std::vector<std::thread> helpers;
  helpers.reserve(count - 1);
  std::size_t started = 1;
  try {
    for (; started < count; ++started) {
      helpers.emplace_back([&crcs, &bound, data, started] {
        crcs[started] = Crc32(data + bound(started), bound(started + 1) - bound(started));
      });
    }
  } catch (...) {
    // No thread to be had (a system without threads, or none left): the
    // caller's thread does the pieces that did not start.
  }
  crcs[0] = Crc32Extend(crc, data, bound(1));
  for (std::size_t i = started; i < count; ++i) crcs[i] = Crc32(data + bound(i), bound(i + 1) - bound(i));
  for (std::thread& helper : helpers) helper.join();

  std::uint32_t total = crcs[0];
  for (std::size_t i = 1; i < count; ++i) total = Crc32Combine(total, crcs[i], bound(i + 1) - bound(i));
  return total;
}

}  // namespace codehdr
