// An owning FILE* that closes its file on every path out of a scope,
// exceptions included.
#ifndef CODEHDR_SRC_HEADER_FILE_HANDLE_H
#define CODEHDR_SRC_HEADER_FILE_HANDLE_H

#include <cstdio>
#include <memory>

namespace codehdr {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a code image file for reading as a binary stream; null on failure or
// for a null name.
inline FileHandle OpenBinaryForReading(const char* fileName) {
  if (fileName == nullptr) return FileHandle();
  return FileHandle(std::fopen(fileName, "rb"));
}

}  // namespace codehdr

#endif  // CODEHDR_SRC_HEADER_FILE_HANDLE_H
