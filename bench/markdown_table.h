// Collects benchmark results and renders them as a markdown table whose rows
// are implementations and whose columns are buffer sizes, each cell the
// throughput with its ratio to two reference rows.
#ifndef CODEHDR_BENCH_MARKDOWN_TABLE_H
#define CODEHDR_BENCH_MARKDOWN_TABLE_H

#include <map>
#include <string>
#include <vector>

namespace codehdr::bench {

class ThroughputTable {
 public:
  void Add(const std::string& row, const std::string& column, double bytesPerSecond);
  // Cells read "GB/s (ratio to ref1, ratio to ref2)"; the ratios are left
  // out when a reference row has no result for that column. Rows appear in
  // the order given; rows without results are left out.
  std::string Render(const std::vector<std::string>& rows, const std::vector<std::string>& columns,
                     const std::string& ref1, const std::string& ref2) const;

 private:
  std::map<std::string, std::map<std::string, double>> cells_;
};

}  // namespace codehdr::bench

#endif  // CODEHDR_BENCH_MARKDOWN_TABLE_H
