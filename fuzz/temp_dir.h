// A private temporary directory for one fuzz input's files, removed with
// everything in it when the object goes.
#ifndef CODEHDR_FUZZ_TEMP_DIR_H
#define CODEHDR_FUZZ_TEMP_DIR_H

#include <cstddef>
#include <string>

namespace codehdr::fuzz {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }

  // Writes `size` bytes as the file `name` inside the directory and returns
  // its full path. Aborts when the file cannot be written.
  std::string WriteFile(const char* name, const unsigned char* data, std::size_t size) const;

 private:
  std::string path_;
};

}  // namespace codehdr::fuzz

#endif  // CODEHDR_FUZZ_TEMP_DIR_H
