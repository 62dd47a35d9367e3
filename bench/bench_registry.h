// The benchmark families and the names their rows and columns use.
// A benchmark is named "<group>/<row>/<column>"; the driver turns the results
// of each group into a markdown table.
#ifndef CODEHDR_BENCH_BENCH_REGISTRY_H
#define CODEHDR_BENCH_BENCH_REGISTRY_H

#include <cstddef>
#include <string>
#include <vector>

namespace codehdr::bench {

constexpr const char* kCrcGroup = "crc32";
constexpr const char* kVerifyGroup = "verify";
constexpr const char* kZlibRow = "zlib crc32";
constexpr const char* kIsalRow = "ISA-L crc32_gzip_refl";
constexpr const char* kReadFileRow = "read file into a fresh buffer";

// Column labels of the CRC table, in order.
std::vector<std::string> CrcSizeLabels();
// Row labels of the CRC table, in registration order.
std::vector<std::string> CrcRowLabels();
// Row labels of the verification table, in order.
std::vector<std::string> VerifyRowLabels();

// Registers the CRC-32 throughput benchmarks. Returns false (after printing
// why) when a peer disagrees with the library on a test buffer.
bool RegisterCrc32Benchmarks();

// Registers the file verification benchmarks on a 64 MiB image built in
// `workDir`. Returns false (after printing why) when the image cannot be
// built or does not verify.
bool RegisterVerifyBenchmarks(const std::string& workDir);

// Payload sizes of the small images for the command-line verification run.
constexpr std::size_t kSmallImageMin = 4u << 10;
constexpr std::size_t kSmallImageMax = 64u << 10;

// Writes `count` sealed code images of 4 to 64 KiB (and their device control
// file) into `dir`. Returns false when one cannot be built.
bool MakeSmallImages(const std::string& dir, int count);

}  // namespace codehdr::bench

#endif  // CODEHDR_BENCH_BENCH_REGISTRY_H
