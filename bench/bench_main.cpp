// Benchmark driver: runs the CRC-32 benchmarks with the usual console output
// and, with --markdown=FILE, writes their results as a markdown table.
#include <benchmark/benchmark.h>
#include <codehdr/checksum.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_registry.h"
#include "markdown_table.h"

namespace codehdr::bench {
namespace {

struct Options {
  std::string markdownPath;
};

// Takes our own options out of argv; the rest goes to Google Benchmark.
Options TakeOwnOptions(int* argc, char** argv) {
  Options o;
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp(argv[i], "--markdown=", 11) == 0) {
      o.markdownPath = argv[i] + 11;
    } else {
      argv[kept++] = argv[i];
    }
  }
  *argc = kept;
  return o;
}

// Console output as usual; each result (the median when repeated) is also
// filed into the table of its group.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool repeated = run.repetitions > 1;
      if (run.error_occurred) continue;
      if (repeated && !(run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")) continue;
      if (!repeated && run.run_type != Run::RT_Iteration) continue;
      File(run);
    }
  }

  ThroughputTable crc;

 private:
  void File(const Run& run) {
    const std::string& name = run.run_name.function_name;
    const std::size_t a = name.find('/');
    const std::size_t b = name.rfind('/');
    if (a == std::string::npos || b == a) return;
    const std::string group = name.substr(0, a);
    const std::string row = name.substr(a + 1, b - a - 1);
    const std::string column = name.substr(b + 1);
    if (group == kCrcGroup) {
      auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) crc.Add(row, column, it->second.value);
    }
  }
};

bool WriteMarkdown(const std::string& path, const TableReporter& tables) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  std::fprintf(f,
               "CRC-32 throughput in GB/s (ratio to zlib crc32, ratio to ISA-L crc32_gzip_refl); "
               "GetCRC32 uses the %s tier here.\n\n",
               Crc32KernelName());
  std::fputs(tables.crc.Render(CrcRowLabels(), CrcSizeLabels(), kZlibRow, kIsalRow).c_str(), f);
  return std::fclose(f) == 0;
}

}  // namespace
}  // namespace codehdr::bench

int main(int argc, char** argv) {
  using namespace codehdr::bench;
  const Options options = TakeOwnOptions(&argc, argv);
  if (!RegisterCrc32Benchmarks()) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (!options.markdownPath.empty() && !WriteMarkdown(options.markdownPath, reporter)) {
    std::fprintf(stderr, "cannot write %s\n", options.markdownPath.c_str());
    return 1;
  }
  return 0;
}
