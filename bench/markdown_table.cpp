#include "markdown_table.h"

#include <cstdio>

namespace codehdr::bench {
namespace {

std::string Format(const char* fmt, double a) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, a);
  return buf;
}

}  // namespace

void ThroughputTable::Add(const std::string& row, const std::string& column, double bytesPerSecond) {
  cells_[row][column] = bytesPerSecond;
}

std::string ThroughputTable::Render(const std::vector<std::string>& rows, const std::vector<std::string>& columns,
                                    const std::string& ref1, const std::string& ref2) const {
  std::string out = "| implementation |";
  std::string rule = "|---|";
  for (const std::string& c : columns) {
    out += " " + c + " |";
    rule += "---:|";
  }
  out += "\n" + rule + "\n";
  auto lookup = [this](const std::string& row, const std::string& col) -> double {
    auto r = cells_.find(row);
    if (r == cells_.end()) return 0;
    auto c = r->second.find(col);
    return c == r->second.end() ? 0 : c->second;
  };
  for (const std::string& row : rows) {
    if (cells_.count(row) == 0) continue;
    out += "| " + row + " |";
    for (const std::string& col : columns) {
      const double v = lookup(row, col);
      if (v <= 0) {
        out += " — |";
        continue;
      }
      std::string cell = Format("%.2f", v / 1e9);
      const double r1 = lookup(ref1, col);
      const double r2 = lookup(ref2, col);
      if (r1 > 0 && r2 > 0) cell += " (" + Format("%.2f×", v / r1) + ", " + Format("%.2f×", v / r2) + ")";
      out += " " + cell + " |";
    }
    out += "\n";
  }
  return out;
}

}  // namespace codehdr::bench
