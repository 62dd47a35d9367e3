// A private temporary directory for a test's files, removed afterwards.
#ifndef CODEHDR_TESTS_HARDENING_SCRATCH_DIR_H
#define CODEHDR_TESTS_HARDENING_SCRATCH_DIR_H

#include <string>
#include <vector>

namespace codehdr::test {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string PathOf(const std::string& name) const { return path_ + "/" + name; }
  // Writes the bytes as the file `name` and returns its path.
  std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) const;
  std::string Write(const std::string& name, const std::string& text) const;

 private:
  std::string path_;
};

// Number of open file descriptors of this process.
int OpenDescriptorCount();

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_HARDENING_SCRATCH_DIR_H
