// What the release check's files share.
#ifndef CODEHDR_SRC_RELEASE_RELEASE_INTERNAL_H
#define CODEHDR_SRC_RELEASE_RELEASE_INTERNAL_H

#include <cstddef>
#include <vector>

namespace codehdr::detail {

// The strongly connected components of the directed graph whose node v has
// the edges edges[v] (each a node index below edges.size()) that hold more
// than one node, each in the order its nodes were first reached. Iterative:
// the depth of the graph does not reach the call stack.
std::vector<std::vector<std::size_t>> CycleGroups(const std::vector<std::vector<std::size_t>>& edges);

}  // namespace codehdr::detail

#endif  // CODEHDR_SRC_RELEASE_RELEASE_INTERNAL_H
