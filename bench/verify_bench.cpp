// File verification cost: DoVerifyHeader on a 64 MiB code image in the page
// cache, against the floor its design imposes, reading that file into a
// fresh buffer, and against the CRC-32 of the image already in memory.
#include <benchmark/benchmark.h>
#include <codehdr/codehdr.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_registry.h"

namespace codehdr::bench {
namespace {

constexpr std::size_t kPayloadBytes = 64u << 20;
constexpr unsigned char kTag = 17;

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// A device control file with one model of tag kTag.
bool WriteDeviceControl(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  std::fprintf(f, "VERSION 1\nDEVICE_MODEL 1A2 BENCH APP x %d\n", kTag);
  return std::fclose(f) == 0;
}

// Builds a sealed code image: header from the public API, random payload,
// the CRC-32 of the whole image (CRC field zero) inserted into the header.
bool BuildImage(const std::string& devctl, const std::string& imagePath, std::size_t payloadBytes, std::uint32_t seed) {
  CCodeHeader header;
  if (header.Init(devctl.c_str()) != HDR_SUCCESS) return false;
  if (header.InsertHeaderCodeVer("R01A02") != 1) return false;
  int result = 0;
  const unsigned short headerLen = header.BuildHeader(kTag, "R02B03", &result);
  if (headerLen == 0) return false;

  std::vector<unsigned char> image(headerLen + payloadBytes);
  std::mt19937 rng(seed);
  for (std::size_t i = headerLen; i < image.size(); ++i) image[i] = static_cast<unsigned char>(rng());
  std::copy(header.compressedCodeHeader, header.compressedCodeHeader + headerLen, image.begin());
  header.InsertCrcIntoHeader(Crc32(image.data(), image.size()));
  std::copy(header.compressedCodeHeader, header.compressedCodeHeader + headerLen, image.begin());
  return WriteFile(imagePath, image);
}

std::size_t ReadIntoFreshBuffer(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  struct stat st {};
  fstat(fileno(f), &st);
  const auto size = static_cast<std::size_t>(st.st_size);
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
  const std::size_t got = std::fread(buffer.get(), 1, size, f);
  std::fclose(f);
  benchmark::DoNotOptimize(buffer.get());
  return got;
}

constexpr const char* kDoVerifyRow = "DoVerifyHeader";
constexpr const char* kCrcInMemoryRow = "CRC-32 of the image in memory";

std::string Name(const char* row) { return std::string(kVerifyGroup) + "/" + row + "/64 MiB"; }

}  // namespace

std::vector<std::string> VerifyRowLabels() { return {kReadFileRow, kDoVerifyRow, kCrcInMemoryRow}; }

bool RegisterVerifyBenchmarks(const std::string& workDir) {
  const std::string imagePath = workDir + "/image64m.bin";
  const std::string devctl = workDir + "/virevuz.txt";
  if (!WriteDeviceControl(devctl) || !BuildImage(devctl, imagePath, kPayloadBytes, 9)) {
    std::fprintf(stderr, "cannot build the 64 MiB code image in %s\n", workDir.c_str());
    return false;
  }
  CCodeHeader checker;
  if (checker.DoVerifyHeader(imagePath.c_str(), 0, kTag) != 1) {
    std::fprintf(stderr, "the 64 MiB code image does not verify\n");
    return false;
  }

  benchmark::RegisterBenchmark(Name(kDoVerifyRow).c_str(),
                               [imagePath](benchmark::State& st) {
                                 CCodeHeader h;
                                 for (auto _ : st)
                                   benchmark::DoNotOptimize(h.DoVerifyHeader(imagePath.c_str(), 0, kTag));
                               })
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(Name(kReadFileRow).c_str(),
                               [imagePath](benchmark::State& st) {
                                 for (auto _ : st) benchmark::DoNotOptimize(ReadIntoFreshBuffer(imagePath));
                               })
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);

  auto image = std::make_shared<std::vector<unsigned char>>(kPayloadBytes + 64, 0x5A);
  benchmark::RegisterBenchmark(Name(kCrcInMemoryRow).c_str(),
                               [image](benchmark::State& st) {
                                 for (auto _ : st) benchmark::DoNotOptimize(Crc32(image->data(), image->size()));
                               })
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  return true;
}

bool MakeSmallImages(const std::string& dir, int count) {
  const std::string devctl = dir + "/virevuz.txt";
  if (!WriteDeviceControl(devctl)) return false;
  std::mt19937 sizes(11);
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/image%04d.bin", i);
    const std::size_t payload = kSmallImageMin + sizes() % (kSmallImageMax - kSmallImageMin);
    if (!BuildImage(devctl, dir + name, payload, static_cast<std::uint32_t>(i))) return false;
  }
  return true;
}

}  // namespace codehdr::bench
