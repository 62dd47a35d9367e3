// The temporary files of outputs being written, kept where a signal handler
// can find them: RemovePartialOutputs removes them when a program is about to
// end on a signal, so that an interrupted build or extraction leaves nothing
// behind. Slots hold plain pointers to the names, set and cleared atomically,
// so that a handler reads them without locks or allocation.
#include <codehdr/image.h>

#include <atomic>
#include <cstddef>

#include "platform/platform.h"

namespace codehdr::platform {
namespace {

using Slot = std::atomic<const NativeChar*>;
static_assert(Slot::is_always_lock_free, "a signal handler reads the slots");

Slot slots[kPartialSlots];

}  // namespace

int RegisterPartialFile(const NativeChar* name) noexcept {
  for (std::size_t i = 0; i < kPartialSlots; ++i) {
    const NativeChar* empty = nullptr;
    if (slots[i].compare_exchange_strong(empty, name)) return static_cast<int>(i);
  }
  return -1;
}

void UnregisterPartialFile(int slot) noexcept {
  if (slot >= 0) slots[slot].store(nullptr);
}

}  // namespace codehdr::platform

namespace codehdr {

void RemovePartialOutputs() noexcept {
  for (platform::Slot& slot : platform::slots) {
    if (const platform::NativeChar* name = slot.load()) platform::RemovePartialFile(name);
  }
}

}  // namespace codehdr
