// CRC-32: every kernel tier this processor can run, the one-shot and chunked
// entry points and CCRC::GetCRC32 must agree with a bit-at-a-time reference
// for every length and every start alignment, and read nothing outside the
// bytes they are given.
//
// Input: one byte choosing chunk sizes, then the data (at most 512 bytes).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/crc.h>

#include "byte_reader.h"
#include "crc/crc32_internal.h"
#include "crc/crc_reference.h"
#include "guarded_buffer.h"

namespace {

using codehdr::crc::Crc32Kernel;
using codehdr::fuzz::ByteReader;
using codehdr::fuzz::GuardedBuffer;

constexpr std::size_t kMaxData = 512;
// Up to this length every prefix length is checked; beyond it a sample.
constexpr std::size_t kEveryLengthLimit = 80;
constexpr std::size_t kAlignments = 32;

std::vector<Crc32Kernel> AvailableKernels() {
  std::vector<Crc32Kernel> kernels;
  for (int t = 0; t < codehdr::crc::kTierCount; ++t) {
    Crc32Kernel k = codehdr::crc::KernelForTier(static_cast<codehdr::crc::Tier>(t));
    if (k != nullptr) kernels.push_back(k);
  }
  return kernels;
}

bool Interesting(std::size_t len, std::size_t total) {
  return len <= kEveryLengthLimit || len + 32 >= total || len % 61 == 0 || (len & (len - 1)) == 0;
}

// Every kernel over [p, p + len) for every checked len, and from every start
// alignment to the end.
void CheckKernels(const std::vector<Crc32Kernel>& kernels, const unsigned char* p, std::size_t n) {
  std::uint32_t reg = ~0u;
  for (std::size_t len = 0; len <= n; ++len) {
    if (len > 0) reg = codehdr::test::ReferenceUpdate(reg, p + len - 1, 1);
    if (!Interesting(len, n)) continue;
    for (Crc32Kernel k : kernels) {
      if (k(~0u, p, len) != reg) std::abort();
    }
  }
  for (std::size_t start = 0; start < std::min(n, kAlignments); ++start) {
    const std::uint32_t want = codehdr::test::ReferenceUpdate(~0u, p + start, n - start);
    for (Crc32Kernel k : kernels) {
      if (k(~0u, p + start, n - start) != want) std::abort();
    }
  }
}

// The public entry points, one-shot and in chunks whose sizes the input picks.
void CheckEntryPoints(const unsigned char* p, std::size_t n, std::uint8_t chunkSeed) {
  const std::uint32_t want = codehdr::test::ReferenceCrc32(p, n);
  if (codehdr::Crc32(p, n) != want) std::abort();
  if (codehdr::Crc32Extend(0, p, n) != want) std::abort();
  CCRC engine;
  if (engine.GetCRC32(p, static_cast<int>(n)) != (n == 0 ? 0u : want)) std::abort();
  if (engine.GetCRC32(p, -static_cast<int>(n) - 1) != 0u) std::abort();

  std::uint32_t crc = 0;
  std::size_t done = 0;
  std::size_t step = 1 + chunkSeed % 67;
  while (done < n) {
    const std::size_t chunk = std::min(step, n - done);
    crc = codehdr::Crc32Extend(crc, p + done, chunk);
    done += chunk;
    if (crc != codehdr::test::ReferenceCrc32(p, done)) std::abort();
    step = (step * 7 + 3) % 131 + 1;
  }
}

void CheckStoredCrc(const unsigned char* p, std::size_t n) {
  CCRC engine;
  if (n < 4) return;
  const std::uint32_t c = codehdr::test::ReferenceCrc32(p, n - 4);
  const std::uint32_t stored = static_cast<std::uint32_t>(p[n - 4]) | static_cast<std::uint32_t>(p[n - 3]) << 8 |
                               static_cast<std::uint32_t>(p[n - 2]) << 16 | static_cast<std::uint32_t>(p[n - 1]) << 24;
  const int match = engine.CheckCRC32(p, nullptr, 0, static_cast<int>(n));
  if (match != (c == stored ? 1 : 0) || engine.lastCrc32 != c) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<Crc32Kernel> kernels = AvailableKernels();
  ByteReader in(data, size);
  const std::uint8_t chunkSeed = in.Byte();
  std::size_t n = 0;
  const std::uint8_t* rest = in.Rest(&n);
  n = std::min(n, kMaxData);

  // At the end of readable memory: no kernel may load past the last byte.
  GuardedBuffer tail(rest, n);
  CheckKernels(kernels, tail.data(), n);
  CheckEntryPoints(tail.data(), n, chunkSeed);
  CheckStoredCrc(tail.data(), n);

  // In an exact-size heap block: the sanitizer sees loads before the start.
  std::vector<unsigned char> heap(rest, rest + n);
  const unsigned char* h = heap.empty() ? tail.data() : heap.data();
  CheckKernels(kernels, h, n);
  CheckEntryPoints(h, n, chunkSeed);
  return 0;
}
