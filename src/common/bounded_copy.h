// Bounded string copy: at most dstSize - 1 characters of src, stopping at its
// first NUL, and always a terminating NUL. A longer source is cut, not
// refused. A dstSize of 0 writes nothing.
#ifndef CODEHDR_SRC_COMMON_BOUNDED_COPY_H
#define CODEHDR_SRC_COMMON_BOUNDED_COPY_H

#include <cstddef>

namespace codehdr {

// Returns the number of characters copied (without the NUL).
inline std::size_t BoundedCopy(char* dst, std::size_t dstSize, const char* src) {
  if (dstSize == 0) return 0;
  std::size_t n = 0;
  while (n + 1 < dstSize && src[n] != '\0') {
    dst[n] = src[n];
    ++n;
  }
  dst[n] = '\0';
  return n;
}

// As BoundedCopy, for a source that is not necessarily NUL-terminated: reads
// at most srcLen bytes of src.
inline std::size_t BoundedCopyN(char* dst, std::size_t dstSize, const char* src, std::size_t srcLen) {
  if (dstSize == 0) return 0;
  std::size_t n = 0;
  while (n + 1 < dstSize && n < srcLen && src[n] != '\0') {
    dst[n] = src[n];
    ++n;
  }
  dst[n] = '\0';
  return n;
}

// Length of the string in src, reading at most maxLen bytes.
inline std::size_t BoundedLength(const char* src, std::size_t maxLen) {
  std::size_t n = 0;
  while (n < maxLen && src[n] != '\0') ++n;
  return n;
}

}  // namespace codehdr

#endif  // CODEHDR_SRC_COMMON_BOUNDED_COPY_H
