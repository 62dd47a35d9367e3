#include "read_chunks.h"

#include <algorithm>

namespace codehdr::tool {

void ReadChunks(InputFile& in, const ChunkSink& consume) {
  // A small file gets a buffer of its own size.
  const std::uint64_t size = in.sized() ? std::min<std::uint64_t>(in.size(), kIoChunkSize) : kIoChunkSize;
  IoBuffer buffer(static_cast<std::size_t>(size));
  while (const std::size_t got = in.Read(buffer.data(), buffer.size())) consume(buffer.data(), got);
}

}  // namespace codehdr::tool
