// CRC-32 throughput: the byte-at-a-time loop, every library tier this CPU
// has, the public GetCRC32, zlib, libdeflate, ISA-L and memcpy, on buffers
// of 4 KiB to 64 MiB.
#include <benchmark/benchmark.h>
#include <codehdr/checksum.h>
#include <codehdr/crc.h>
#include <isa-l/crc.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "bench_registry.h"
#include "crc/crc32_internal.h"

namespace codehdr::bench {
namespace {

using crc::Tier;

struct BufferSize {
  const char* label;
  std::size_t bytes;
};

constexpr BufferSize kSizes[] = {
    {"4 KiB", 4u << 10}, {"64 KiB", 64u << 10}, {"1 MiB", 1u << 20}, {"64 MiB", 64u << 20}};
constexpr std::size_t kLargest = 64u << 20;
constexpr const char* kMemcpyRow = "memcpy";
constexpr std::size_t kAlignment = 64;

using CrcFunction = std::function<std::uint32_t(const unsigned char*, std::size_t)>;

struct AlignedFree {
  void operator()(unsigned char* p) const { ::operator delete[](p, std::align_val_t(kAlignment)); }
};
using AlignedBuffer = std::unique_ptr<unsigned char[], AlignedFree>;

// One random source buffer and one memcpy target, both touched up front so
// no benchmark pays for page faults.
struct Buffers {
  AlignedBuffer source;
  AlignedBuffer target;
};

Buffers& SharedBuffers() {
  static Buffers buffers = [] {
    Buffers b{AlignedBuffer(static_cast<unsigned char*>(::operator new[](kLargest, std::align_val_t(kAlignment)))),
              AlignedBuffer(static_cast<unsigned char*>(::operator new[](kLargest, std::align_val_t(kAlignment))))};
    std::mt19937_64 rng(42);
    for (std::size_t i = 0; i < kLargest; i += 8) {
      const std::uint64_t v = rng();
      std::memcpy(b.source.get() + i, &v, 8);
    }
    std::memset(b.target.get(), 0, kLargest);
    return b;
  }();
  return buffers;
}

CrcFunction TierFunction(crc::Crc32Kernel kernel) {
  return [kernel](const unsigned char* p, std::size_t n) { return kernel(0xFFFFFFFFu, p, n) ^ 0xFFFFFFFFu; };
}

std::uint32_t GetCrc32Public(const unsigned char* p, std::size_t n) {
  static CCRC engine;
  return engine.GetCRC32(p, static_cast<int>(n));
}

std::uint32_t Zlib(const unsigned char* p, std::size_t n) { return static_cast<std::uint32_t>(crc32_z(0, p, n)); }

std::uint32_t Libdeflate(const unsigned char* p, std::size_t n) { return libdeflate_crc32(0, p, n); }

// crc32_gzip_refl inverts on entry and exit itself: an initial value of 0
// gives the standard CRC-32, the same convention as zlib.
std::uint32_t Isal(const unsigned char* p, std::size_t n) { return crc32_gzip_refl(0, p, n); }

struct Candidate {
  std::string row;
  CrcFunction fn;
};

std::vector<Candidate> Candidates() {
  std::vector<Candidate> out;
  out.push_back({"byte-at-a-time loop", TierFunction(crc::KernelForTier(Tier::kTable))});
  for (int t = static_cast<int>(Tier::kSlice); t < crc::kTierCount; ++t) {
    const Tier tier = static_cast<Tier>(t);
    if (crc::Crc32Kernel kernel = crc::KernelForTier(tier)) {
      out.push_back({std::string("tier ") + crc::TierName(tier), TierFunction(kernel)});
    }
  }
  out.push_back({std::string("GetCRC32 (") + Crc32KernelName() + ")", &GetCrc32Public});
  out.push_back({kZlibRow, &Zlib});
  out.push_back({"libdeflate_crc32", &Libdeflate});
  out.push_back({kIsalRow, &Isal});
  return out;
}

// Every candidate must give the library's value, on a large odd-length
// buffer at an odd offset and on a short one.
bool AllAgree(const std::vector<Candidate>& candidates) {
  const unsigned char* data = SharedBuffers().source.get();
  bool ok = true;
  for (std::size_t len : {std::size_t{(3u << 20) + 77}, std::size_t{61}}) {
    const std::uint32_t want = Crc32(data + 3, len);
    for (const Candidate& c : candidates) {
      const std::uint32_t got = c.fn(data + 3, len);
      if (got != want) {
        std::fprintf(stderr, "%s gives %08x, library %08x on %zu bytes\n", c.row.c_str(), got, want, len);
        ok = false;
      }
    }
  }
  return ok;
}

void RunCrc(benchmark::State& state, const CrcFunction& fn, std::size_t bytes) {
  const unsigned char* data = SharedBuffers().source.get();
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(data, bytes));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

void RunMemcpy(benchmark::State& state, std::size_t bytes) {
  Buffers& b = SharedBuffers();
  for (auto _ : state) {
    std::memcpy(b.target.get(), b.source.get(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

std::string Name(const std::string& row, const char* column) {
  return std::string(kCrcGroup) + "/" + row + "/" + column;
}

}  // namespace

std::vector<std::string> CrcSizeLabels() {
  std::vector<std::string> labels;
  for (const BufferSize& s : kSizes) labels.emplace_back(s.label);
  return labels;
}

std::vector<std::string> CrcRowLabels() {
  std::vector<std::string> rows;
  for (const Candidate& c : Candidates()) rows.push_back(c.row);
  rows.emplace_back(kMemcpyRow);
  return rows;
}

bool RegisterCrc32Benchmarks() {
  const std::vector<Candidate> candidates = Candidates();
  if (!AllAgree(candidates)) return false;
  for (const Candidate& c : candidates) {
    for (const BufferSize& s : kSizes) {
      const CrcFunction fn = c.fn;
      const std::size_t bytes = s.bytes;
      benchmark::RegisterBenchmark(Name(c.row, s.label).c_str(), [fn, bytes](benchmark::State& st) {
        RunCrc(st, fn, bytes);
      })->UseRealTime();
    }
  }
  for (const BufferSize& s : kSizes) {
    const std::size_t bytes = s.bytes;
    benchmark::RegisterBenchmark(Name(kMemcpyRow, s.label).c_str(), [bytes](benchmark::State& st) {
      RunMemcpy(st, bytes);
    })->UseRealTime();
  }
  return true;
}

}  // namespace codehdr::bench
