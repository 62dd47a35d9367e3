// Takes typed values off the front of a fuzz input. Once the input is used
// up every value reads as zero (strings as empty), so any input length works.
#ifndef CODEHDR_FUZZ_BYTE_READER_H
#define CODEHDR_FUZZ_BYTE_READER_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace codehdr::fuzz {

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t remaining() const { return size_ - pos_; }

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  std::uint16_t U16() {
    const std::uint16_t hi = Byte();
    return static_cast<std::uint16_t>((hi << 8) | Byte());
  }

  bool Bool() { return (Byte() & 1) != 0; }

  // Up to maxLen bytes, the count taken from the input first. The string may
  // hold NUL bytes; callers that need C strings use c_str().
  std::string String(std::size_t maxLen) {
    std::size_t len = Byte() % (maxLen + 1);
    if (len > remaining()) len = remaining();
    std::string s(reinterpret_cast<const char*>(data_ + pos_), len);
    pos_ += len;
    return s;
  }

  // Everything not read yet.
  const std::uint8_t* Rest(std::size_t* len) {
    *len = remaining();
    const std::uint8_t* p = data_ + pos_;
    pos_ = size_;
    return p;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace codehdr::fuzz

#endif  // CODEHDR_FUZZ_BYTE_READER_H
