#include "read_ahead.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace codehdr::tool {

namespace {

// Chunks of the ring: enough that the reader rarely waits for the consumer,
// few enough to stay small (4 MiB in all).
constexpr std::size_t kSlots = 4;
constexpr std::size_t kChunk = 4 * kIoChunkSize;

// A file this small is not worth a thread.
constexpr std::uint64_t kThreadThreshold = 4 * kChunk;

void ReadInline(InputFile& in, const ChunkSink& consume) {
  IoBuffer buffer(static_cast<std::size_t>(in.sized() ? std::min<std::uint64_t>(in.size(), kChunk) : kChunk));
  while (const std::size_t got = in.Read(buffer.data(), buffer.size())) consume(buffer.data(), got);
}

// A ring of filled and free buffers between one reader and one consumer.
class Ring {
 public:
  Ring() {
    for (IoBuffer& b : buffers_) b = IoBuffer(kChunk);
  }

  // Reader side: fills slots in turn until the input ends, fails, or the
  // consumer stops.
  void Produce(InputFile& in) {
    for (std::size_t n = 0;; ++n) {
      Slot& slot = slots_[n % kSlots];
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !slot.full || stopped_; });
        if (stopped_) return;
      }
      const std::size_t got = in.Read(buffers_[n % kSlots].data(), kChunk);
      std::lock_guard<std::mutex> lock(mutex_);
      slot.size = got;
      slot.full = true;
      changed_.notify_all();
      if (got == 0) return;
    }
  }

  // Consumer side: every chunk in order, until the empty one that ends them.
  void Consume(const ChunkSink& consume) {
    for (std::size_t n = 0;; ++n) {
      Slot& slot = slots_[n % kSlots];
      std::size_t size = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return slot.full; });
        size = slot.size;
      }
      if (size == 0) return;
      consume(buffers_[n % kSlots].data(), size);
      std::lock_guard<std::mutex> lock(mutex_);
      slot.full = false;
      changed_.notify_all();
    }
  }

  void Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  struct Slot {
    std::size_t size = 0;
    bool full = false;
  };
  std::array<IoBuffer, kSlots> buffers_;
  std::array<Slot, kSlots> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopped_ = false;
};

}  // namespace

void ReadAhead(InputFile& in, const ChunkSink& consume) {
  if (in.sized() && in.size() <= kThreadThreshold) return ReadInline(in, consume);
  Ring ring;
  std::thread reader([&] { ring.Produce(in); });
  try {
    ring.Consume(consume);
  } catch (...) {
    ring.Stop();
    reader.join();
    throw;
  }
  reader.join();
}

}  // namespace codehdr::tool
