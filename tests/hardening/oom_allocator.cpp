// Replacement global operator new/delete (every standard form) on malloc and
// free, with the failure injection and block count of oom_allocator.h.
// Linked only into the out-of-memory test executable.
#include "oom_allocator.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace codehdr::test::oom {
namespace {

std::atomic<long> countdown{0};  // 0: disarmed
std::atomic<bool> fired{false};
std::atomic<long> live{0};

// True when this call is the armed failure.
bool FailThisCall() {
  long left = countdown.load(std::memory_order_relaxed);
  while (left > 0) {
    if (countdown.compare_exchange_weak(left, left - 1)) {
      if (left == 1) {
        fired.store(true);
        return true;
      }
      return false;
    }
  }
  return false;
}

void* Allocate(std::size_t size, std::size_t align) {
  if (FailThisCall()) throw std::bad_alloc();
  if (size == 0) size = 1;
  void* p = nullptr;
  if (align <= alignof(std::max_align_t)) {
    p = std::malloc(size);
  } else if (posix_memalign(&p, align, size) != 0) {
    p = nullptr;
  }
  if (p == nullptr) throw std::bad_alloc();
  live.fetch_add(1, std::memory_order_relaxed);
  return p;
}

void* AllocateNoThrow(std::size_t size, std::size_t align) noexcept {
  try {
    return Allocate(size, align);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  live.fetch_sub(1, std::memory_order_relaxed);
  std::free(p);
}

}  // namespace

void Arm(long n) {
  fired.store(false);
  countdown.store(n);
}

bool Disarm() {
  countdown.store(0);
  return fired.exchange(false);
}

long LiveBlocks() { return live.load(); }

}  // namespace codehdr::test::oom

namespace oom = codehdr::test::oom;
constexpr std::size_t kDefaultAlign = alignof(std::max_align_t);

void* operator new(std::size_t n) { return oom::Allocate(n, kDefaultAlign); }
void* operator new[](std::size_t n) { return oom::Allocate(n, kDefaultAlign); }
void* operator new(std::size_t n, std::align_val_t a) { return oom::Allocate(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return oom::Allocate(n, static_cast<std::size_t>(a)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return oom::AllocateNoThrow(n, kDefaultAlign); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return oom::AllocateNoThrow(n, kDefaultAlign); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  return oom::AllocateNoThrow(n, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  return oom::AllocateNoThrow(n, static_cast<std::size_t>(a));
}

void operator delete(void* p) noexcept { oom::Release(p); }
void operator delete[](void* p) noexcept { oom::Release(p); }
void operator delete(void* p, std::size_t) noexcept { oom::Release(p); }
void operator delete[](void* p, std::size_t) noexcept { oom::Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { oom::Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { oom::Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { oom::Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { oom::Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { oom::Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { oom::Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { oom::Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { oom::Release(p); }
