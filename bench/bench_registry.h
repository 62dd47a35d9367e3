// The CRC-32 benchmarks and the names their rows and columns use.
// A benchmark is named "<group>/<row>/<column>"; the driver turns the results
// of each group into a markdown table.
#ifndef CODEHDR_BENCH_BENCH_REGISTRY_H
#define CODEHDR_BENCH_BENCH_REGISTRY_H

#include <cstddef>
#include <string>
#include <vector>

namespace codehdr::bench {

constexpr const char* kCrcGroup = "crc32";
constexpr const char* kZlibRow = "zlib crc32";
constexpr const char* kIsalRow = "ISA-L crc32_gzip_refl";

// Column labels of the CRC table, in order.
std::vector<std::string> CrcSizeLabels();
// Row labels of the CRC table, in registration order.
std::vector<std::string> CrcRowLabels();

// Registers the CRC-32 throughput benchmarks. Returns false (after printing
// why) when a peer disagrees with the library on a test buffer.
bool RegisterCrc32Benchmarks();


}  // namespace codehdr::bench

#endif  // CODEHDR_BENCH_BENCH_REGISTRY_H
