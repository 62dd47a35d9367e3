// Places a copy of an input at the very end of readable memory: the bytes are
// copied to the end of a mapping whose next page is PROT_NONE, so reading even
// one byte past the last input byte faults at once, sanitizer or not.
#ifndef CODEHDR_FUZZ_GUARDED_BUFFER_H
#define CODEHDR_FUZZ_GUARDED_BUFFER_H

#include <cstddef>

namespace codehdr::fuzz {

class GuardedBuffer {
 public:
  GuardedBuffer(const unsigned char* data, std::size_t size);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  // The copy; for an empty input this points at the guard page itself.
  // Writable, so that it can also serve as an output buffer of exact size.
  unsigned char* data() const { return data_; }
  char* chars() const { return reinterpret_cast<char*>(data_); }
  std::size_t size() const { return size_; }

 private:
  void* mapping_ = nullptr;
  std::size_t mappingLen_ = 0;
  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace codehdr::fuzz

#endif  // CODEHDR_FUZZ_GUARDED_BUFFER_H
