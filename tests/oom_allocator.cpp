// Replacement global operator new and delete for the out-of-memory tests, on malloc and free. While armed, allocations
// are counted and the Nth throws std::bad_alloc (once: later ones succeed again, so that cleanup paths can allocate).
// Live blocks are counted, so that a test sees a leak.
#include <atomic>
#include <cstdlib>
#if defined(_WIN32)
#include <malloc.h>
#endif
#include <new>

#include "oom_allocator.h"

namespace codehdr::test::oom {

std::atomic<long> countdown{0};  // 0: disarmed
std::atomic<bool> fired{false};
std::atomic<long> live{0};

void Arm(long n) { fired = false, countdown = n; }
bool Disarm() { return countdown = 0, fired.exchange(false); }
long LiveBlocks() { return live; }

void* Allocate(std::size_t size) {
  if (countdown.load() > 0 && countdown.fetch_sub(1) == 1) fired = true, throw std::bad_alloc();
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return ++live, p;
}

void* AllocateNoThrow(std::size_t size) noexcept try { return Allocate(size); } catch (const std::bad_alloc&) {
  return nullptr;
}

// aligned_alloc wants a size that is a multiple of the alignment. The Windows C runtime has its own aligned
// allocation, with its own release.
void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  const auto align = static_cast<std::size_t>(alignment);
  if (countdown.load() > 0 && countdown.fetch_sub(1) == 1) fired = true, throw std::bad_alloc();
#if defined(_WIN32)
  void* p = _aligned_malloc(size == 0 ? 1 : size, align);
#else
  void* p = std::aligned_alloc(align, (size + align - 1) / align * align + (size == 0 ? align : 0));
#endif
  if (p == nullptr) throw std::bad_alloc();
  return ++live, p;
}

void Release(void* p) noexcept {
  if (p != nullptr) --live, std::free(p);
}

void ReleaseAligned(void* p) noexcept {
#if defined(_WIN32)
  if (p != nullptr) --live, _aligned_free(p);
#else
  Release(p);
#endif
}

}  // namespace codehdr::test::oom

namespace oom = codehdr::test::oom;

// Every form the library and the standard library use (a sanitizer's runtime would otherwise pair its own with these).
void* operator new(std::size_t n) { return oom::Allocate(n); }
void* operator new[](std::size_t n) { return oom::Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return oom::AllocateNoThrow(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return oom::AllocateNoThrow(n); }
void operator delete(void* p) noexcept { oom::Release(p); }
void operator delete[](void* p) noexcept { oom::Release(p); }
void operator delete(void* p, std::size_t) noexcept { oom::Release(p); }
void operator delete[](void* p, std::size_t) noexcept { oom::Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { oom::Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { oom::Release(p); }
void* operator new(std::size_t n, std::align_val_t a) { return oom::AllocateAligned(n, a); }
void* operator new[](std::size_t n, std::align_val_t a) { return oom::AllocateAligned(n, a); }
void operator delete(void* p, std::align_val_t) noexcept { oom::ReleaseAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { oom::ReleaseAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { oom::ReleaseAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { oom::ReleaseAligned(p); }
