// Bit-at-a-time CRC-32/ISO-HDLC and CRC-16/IBM-3740, independent of every
// table and kernel of the library: the references the tests compare against.
#ifndef CODEHDR_TESTS_CRC_CRC_REFERENCE_H
#define CODEHDR_TESTS_CRC_CRC_REFERENCE_H

#include <cstddef>
#include <cstdint>

namespace codehdr::test {

// Raw register update, one bit per step.
inline std::uint32_t ReferenceUpdate(std::uint32_t reg, const unsigned char* p, std::size_t len) {
  for (std::size_t i = 0; i < len; ++i) {
    reg ^= p[i];
    for (int bit = 0; bit < 8; ++bit) reg = (reg >> 1) ^ (0xEDB88320u & (0u - (reg & 1u)));
  }
  return reg;
}

inline std::uint32_t ReferenceCrc32(const unsigned char* p, std::size_t len) {
  return ReferenceUpdate(0xFFFFFFFFu, p, len) ^ 0xFFFFFFFFu;
}

// CRC-16 register update, MSB first, one bit per step.
inline std::uint16_t ReferenceCrc16Update(std::uint16_t reg, const unsigned char* p, std::size_t len) {
  for (std::size_t i = 0; i < len; ++i) {
    reg = static_cast<std::uint16_t>(reg ^ (p[i] << 8));
    for (int bit = 0; bit < 8; ++bit) reg = static_cast<std::uint16_t>((reg << 1) ^ ((reg & 0x8000u) ? 0x1021u : 0u));
  }
  return reg;
}

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_CRC_CRC_REFERENCE_H
