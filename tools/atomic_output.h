// An output file that appears whole or not at all. Bytes go to a temporary
// file in the target's directory; Commit() syncs it and renames it over the
// target. Until then the target is untouched, and an uncommitted temporary
// file is removed when the object goes away.
#ifndef CODEHDR_TOOLS_ATOMIC_OUTPUT_H
#define CODEHDR_TOOLS_ATOMIC_OUTPUT_H

#include <cstddef>
#include <string>

namespace codehdr::tool {

class AtomicOutput {
 public:
  // Creates the temporary file. Throws ToolError naming the target.
  explicit AtomicOutput(std::string target);
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  // Appends `size` bytes at the current end.
  void Append(const unsigned char* data, std::size_t size);
  // Overwrites `size` bytes at `offset` (within what was appended).
  void WriteAt(std::size_t offset, const unsigned char* data, std::size_t size);
  // Syncs, closes and renames the temporary file to the target.
  void Commit();

  const std::string& temp_path() const { return temp_path_; }

 private:
  void WriteAll(const unsigned char* data, std::size_t size, long long offset);
  [[noreturn]] void Fail(const std::string& what, int errnum) const;

  std::string target_;
  std::string temp_path_;
  int fd_ = -1;
  std::size_t end_ = 0;
  bool committed_ = false;
};

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_ATOMIC_OUTPUT_H
