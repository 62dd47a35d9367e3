// Internal CRC-32/ISO-HDLC entry points, for lengths beyond int and for
// computing a CRC in pieces. CCRC::GetCRC32 is a thin wrapper over Crc32.
#ifndef CODEHDR_SRC_CRC_CRC32_H
#define CODEHDR_SRC_CRC_CRC32_H

#include <cstddef>
#include <cstdint>

namespace codehdr::crc {

// CRC-32/ISO-HDLC of len bytes (0 for len 0).
std::uint32_t Crc32(const unsigned char* data, std::size_t len);

// Continues a CRC: Crc32Extend(Crc32(a, n), a + n, m) == Crc32(a, n + m),
// and Crc32Extend(0, a, n) == Crc32(a, n).
std::uint32_t Crc32Extend(std::uint32_t crc, const unsigned char* data, std::size_t len);

}  // namespace codehdr::crc

#endif  // CODEHDR_SRC_CRC_CRC32_H
