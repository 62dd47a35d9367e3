// The portable half of <codehdr/file_io.h>: page-aligned buffers, and the
// rules of reading an input file (whole buffers, exactly the reported size).
// Opening, reading and closing a handle are in the platform's own file.
#include <codehdr/file_io.h>

#include <algorithm>
#include <new>
#include <utility>

#include "platform/platform.h"

namespace codehdr {

bool InputFile::IsFile(const std::string& path) const {
  return handle_ != -1 && platform::IsSameFile(handle_, path);
}

IoBuffer::IoBuffer(std::size_t size)
    : data_(static_cast<std::uint8_t*>(::operator new(size == 0 ? 1 : size, std::align_val_t{kIoBufferAlignment}))),
      size_(size) {}

IoBuffer::~IoBuffer() {
  if (data_ != nullptr) ::operator delete(data_, std::align_val_t{kIoBufferAlignment});
}

IoBuffer::IoBuffer(IoBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

IoBuffer& IoBuffer::operator=(IoBuffer&& other) noexcept {
  if (this != &other) {
    IoBuffer gone(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

InputFile::InputFile(InputFile&& other) noexcept { *this = std::move(other); }

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
    owned_ = std::exchange(other.owned_, false);
    sized_ = other.sized_;
    status_ = other.status_;
    error_ = other.error_;
    size_ = other.size_;
    offset_ = other.offset_;
    other.Fail(Status::kFileRead, 0);  // a moved-from file reads nothing
  }
  return *this;
}

InputFile::~InputFile() { Close(); }

void InputFile::Fail(Status status, int error) {
  if (!ok()) return;
  status_ = status;
  error_ = error;
}

std::size_t InputFile::Read(std::uint8_t* buffer, std::size_t capacity) {
  if (!ok() || buffer == nullptr) return 0;
  if (sized_ && capacity > size_ - offset_) capacity = static_cast<std::size_t>(size_ - offset_);
  std::size_t filled = 0;
  while (filled < capacity) {
    const std::size_t got = ReadSome(buffer + filled, capacity - filled);
    if (got == 0) {
      // The end came before the size the file system reported.
      if (ok() && sized_) Fail(Status::kFileShrank, 0);
      break;
    }
    filled += got;
  }
  offset_ += filled;
  return filled;
}

void ReadChunks(InputFile& in, const ChunkSink& consume) {
  const std::uint64_t size = in.sized() ? std::min<std::uint64_t>(in.size(), kIoChunkSize) : kIoChunkSize;
  IoBuffer buffer(static_cast<std::size_t>(size));
  while (const std::size_t got = in.Read(buffer.data(), buffer.size())) consume(buffer.data(), got);
}

}  // namespace codehdr
