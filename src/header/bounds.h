// Range checks that keep every header access inside its buffer, whatever the
// header's own size fields claim.
#ifndef CODEHDR_SRC_HEADER_BOUNDS_H
#define CODEHDR_SRC_HEADER_BOUNDS_H

#include <cstddef>

namespace codehdr {

// True when the `count` bytes from `pos` on lie inside a buffer of `bufLen`
// bytes. Written so that no sum can overflow.
inline bool SpanFits(std::size_t bufLen, std::size_t pos, std::size_t count) {
  return pos <= bufLen && count <= bufLen - pos;
}

// Number of bytes of a buffer of `bufLen` bytes from `pos` on (0 past the end).
inline std::size_t BytesFrom(std::size_t bufLen, std::size_t pos) {
  return pos < bufLen ? bufLen - pos : 0;
}

}  // namespace codehdr

#endif  // CODEHDR_SRC_HEADER_BOUNDS_H
