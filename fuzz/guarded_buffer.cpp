#include "guarded_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace codehdr::fuzz {

GuardedBuffer::GuardedBuffer(const unsigned char* data, std::size_t size) : size_(size) {
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t dataPages = (size + page - 1) / page;
  mappingLen_ = (dataPages + 1) * page;
  mapping_ = mmap(nullptr, mappingLen_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping_ == MAP_FAILED) std::abort();
  unsigned char* guard = static_cast<unsigned char*>(mapping_) + dataPages * page;
  if (mprotect(guard, page, PROT_NONE) != 0) std::abort();
  unsigned char* start = guard - size;
  if (size != 0) std::memcpy(start, data, size);
  data_ = start;
}

GuardedBuffer::~GuardedBuffer() { munmap(mapping_, mappingLen_); }

}  // namespace codehdr::fuzz
