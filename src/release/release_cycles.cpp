// Finding the cycles of a dependency graph: Tarjan's strongly connected
// components, with an explicit stack of open nodes instead of recursion, so
// that a chain of ten thousand images needs no deep call stack.
#include <algorithm>
#include <utility>

#include "release/release_internal.h"

namespace codehdr::detail {

std::vector<std::vector<std::size_t>> CycleGroups(const std::vector<std::vector<std::size_t>>& edges) {
  constexpr std::size_t kUnseen = static_cast<std::size_t>(-1);
  const std::size_t count = edges.size();
  std::vector<std::size_t> order(count, kUnseen);  // when each node was reached
  std::vector<std::size_t> low(count, 0);          // the earliest node reachable from it that is still open
  std::vector<bool> open(count, false);            // on the component stack
  std::vector<std::size_t> pending;                // the component stack
  std::vector<std::pair<std::size_t, std::size_t>> walk;  // node, next edge to follow
  std::vector<std::vector<std::size_t>> groups;
  std::size_t reached = 0;

  const auto reach = [&](std::size_t node) {
    order[node] = low[node] = reached++;
    pending.push_back(node);
    open[node] = true;
    walk.emplace_back(node, 0);
  };
  for (std::size_t root = 0; root < count; ++root) {
    if (order[root] != kUnseen) continue;
    reach(root);
    while (!walk.empty()) {
      const std::size_t node = walk.back().first;
      const std::size_t next = walk.back().second;
      if (next < edges[node].size()) {
        walk.back().second = next + 1;
        const std::size_t to = edges[node][next];
        if (order[to] == kUnseen) {
          reach(to);
        } else if (open[to]) {
          low[node] = std::min(low[node], order[to]);
        }
        continue;
      }
      walk.pop_back();
      if (!walk.empty()) low[walk.back().first] = std::min(low[walk.back().first], low[node]);
      if (low[node] != order[node]) continue;
      // `node` is the first of its component: the component is everything
      // above it on the stack.
      const auto first = std::find(pending.rbegin(), pending.rend(), node).base() - 1;
      std::vector<std::size_t> group(first, pending.end());
      for (const std::size_t member : group) open[member] = false;
      pending.erase(first, pending.end());
      if (group.size() > 1) groups.push_back(std::move(group));
    }
  }
  return groups;
}

}  // namespace codehdr::detail
