// Reading a whole code image file while its CRC-32 is computed.
#ifndef CODEHDR_SRC_HEADER_IMAGE_READ_H
#define CODEHDR_SRC_HEADER_IMAGE_READ_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace codehdr {

// Bytes read per step: small enough that a step's bytes are still in cache
// when the CRC runs over them.
constexpr std::size_t kImageReadChunk = std::size_t{256} << 10;

// CRC-32 of image[begin, end) continued from crc, counting the header's CRC
// field (bytes 24-27 of the image) as zero bytes. The image is not changed.
std::uint32_t ExtendCrcWithFieldCleared(std::uint32_t crc, const unsigned char* image, std::size_t begin,
                                        std::size_t end);

// Reads exactly len bytes of file into image, chunk by chunk. When
// crcWanted(image, bytesSoFar) says so after the first chunk, *crc receives
// the CRC-32 of the whole image with the CRC field counted as zero; otherwise
// it is left alone. Returns false on a short read.
bool ReadImage(std::FILE* file, unsigned char* image, std::size_t len, bool (*crcWanted)(const unsigned char*),
               std::uint32_t* crc);

}  // namespace codehdr

#endif  // CODEHDR_SRC_HEADER_IMAGE_READ_H
