#include "header/image_read.h"

#include <algorithm>

#include <codehdr/checksum.h>

#include "header/layout.h"

namespace codehdr {

namespace {

constexpr std::size_t kFieldBegin = layout::kCrcLoc;
constexpr std::size_t kFieldEnd = layout::kCrcLoc + layout::kCrcLen;

}  // namespace

std::uint32_t ExtendCrcWithFieldCleared(std::uint32_t crc, const unsigned char* image, std::size_t begin,
                                        std::size_t end) {
  static constexpr unsigned char kZeros[layout::kCrcLen] = {};
  std::size_t pos = begin;
  if (pos < end && pos < kFieldBegin) {
    const std::size_t stop = std::min(end, kFieldBegin);
    crc = Crc32Extend(crc, image + pos, stop - pos);
    pos = stop;
  }
  if (pos < end && pos < kFieldEnd) {
    const std::size_t stop = std::min(end, kFieldEnd);
    crc = Crc32Extend(crc, kZeros, stop - pos);
    pos = stop;
  }
  if (pos < end) crc = Crc32Extend(crc, image + pos, end - pos);
  return crc;
}

bool ReadImage(std::FILE* file, unsigned char* image, std::size_t len, bool (*crcWanted)(const unsigned char*),
               std::uint32_t* crc) {
  // Computing the CRC right behind each chunk keeps the file's bytes from
  // making a second trip through memory; the result equals one pass over the
  // whole image.
  std::uint32_t running = 0;
  bool computing = false;
  for (std::size_t done = 0; done < len;) {
    const std::size_t step = std::min(kImageReadChunk, len - done);
    if (std::fread(image + done, 1, step, file) != step) return false;
    if (done == 0) computing = crcWanted(image);
    if (computing) running = ExtendCrcWithFieldCleared(running, image, done, done + step);
    done += step;
  }
  if (computing) *crc = running;
  return true;
}

}  // namespace codehdr
