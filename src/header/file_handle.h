// An owning FILE* that closes its file on every path out of a scope,
// exceptions included.
#ifndef CODEHDR_SRC_HEADER_FILE_HANDLE_H
#define CODEHDR_SRC_HEADER_FILE_HANDLE_H

#include <cstdio>
#include <memory>

#include "platform/platform.h"

namespace codehdr {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a code image file for reading as a binary stream; null on failure or
// for a null name. A FIFO without a writer opens at once and reads as empty.
inline FileHandle OpenBinaryForReading(const char* fileName) {
  if (fileName == nullptr) return FileHandle();
  return FileHandle(platform::OpenBinaryStream(platform::NativeName(fileName)));
}

}  // namespace codehdr

#endif  // CODEHDR_SRC_HEADER_FILE_HANDLE_H
