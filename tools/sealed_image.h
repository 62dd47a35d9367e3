// Writes a code image file from a built header and its payload: header, then
// payload; the CRC-32 of the whole file with the CRC field zero goes into the
// header, which is written again. The file appears whole or not at all.
#ifndef CODEHDR_TOOLS_SEALED_IMAGE_H
#define CODEHDR_TOOLS_SEALED_IMAGE_H

#include <cstdint>
#include <string>

#include "file_bytes.h"

class CCodeHeader;

namespace codehdr::tool {

// `header` holds a freshly built header (CRC field zero). Before the file is
// renamed into place it must pass the library's own verification for `tag`.
// Returns the stored CRC. Throws ToolError naming `output` on failure; an
// existing file of that name is then left as it was.
std::uint32_t WriteSealedImage(CCodeHeader& header, const Bytes& payload, const std::string& output,
                               unsigned char tag);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_SEALED_IMAGE_H
