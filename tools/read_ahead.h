// Reading an input to its end while its bytes are consumed on another
// thread, so that a large file costs about the longer of reading and
// checking rather than their sum.
#ifndef CODEHDR_TOOLS_READ_AHEAD_H
#define CODEHDR_TOOLS_READ_AHEAD_H

#include <cstddef>
#include <cstdint>
#include <functional>

#include <codehdr/file_io.h>

namespace codehdr::tool {

using ChunkSink = std::function<void(const std::uint8_t* data, std::size_t size)>;

// Reads `in` to its end and hands every chunk to `consume`, in order, on the
// calling thread. A file of a few chunks or less is read on the calling thread
// too; anything larger (standard input included) is read ahead by a second
// thread into a small ring of page-aligned buffers. Returns when everything
// is consumed or reading failed (see in.status()); an exception thrown by
// `consume` stops the reader and is passed on.
void ReadAhead(InputFile& in, const ChunkSink& consume);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_READ_AHEAD_H
