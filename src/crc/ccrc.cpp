// The classic CRC engine over the library's checksums: CRC-32 work goes to
// the dispatched kernels, CRC-16 runs on the object's own table, and the
// tables an object holds are copied from tables built at compile time.
#include <codehdr/crc.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <codehdr/checksum.h>

#include "crc/crc16.h"

namespace {

constexpr unsigned int kCrc32MsbPoly = 0x04C11DB7u;
constexpr int kCrcBytes = 4;

// MSB-first (non-reflected) table of 0x04C11DB7.
constexpr std::array<unsigned int, 256> MakeCrc32MsbTable() {
  std::array<unsigned int, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint32_t r = static_cast<std::uint32_t>(i) << 24;
    for (int bit = 0; bit < 8; ++bit) {
      r = (r & 0x80000000u) ? (r << 1) ^ kCrc32MsbPoly : r << 1;
    }
    t[i] = r;
  }
  return t;
}

constexpr std::array<unsigned int, 256> kCrc32MsbTable = MakeCrc32MsbTable();

unsigned int ReadLe32(const unsigned char* p) {
  return static_cast<unsigned int>(p[0]) | static_cast<unsigned int>(p[1]) << 8 |
         static_cast<unsigned int>(p[2]) << 16 | static_cast<unsigned int>(p[3]) << 24;
}

unsigned int Crc32OfInt(const unsigned char* data, int length) {
  if (length <= 0) return 0;
  return codehdr::Crc32(data, static_cast<std::size_t>(length));
}

}  // namespace

CCRC::CCRC() { GenTable_CRC32(); }

CCRC::~CCRC() = default;

CCRC::CCRC(const CCRC& other) = default;

CCRC& CCRC::operator=(const CCRC& other) = default;

int CCRC::GenTable_CRC16() {
  std::copy(codehdr::crc::kCrc16Table.begin(), codehdr::crc::kCrc16Table.end(), crc16Table);
  return 0;
}

unsigned short CCRC::GetCRC16(const unsigned char* data, unsigned short length) {
  return codehdr::crc::Crc16Update(codehdr::kCrc16Init, crc16Table, data, length);
}

int CCRC::GenTable_CRC32() {
  std::copy(kCrc32MsbTable.begin(), kCrc32MsbTable.end(), crc32Table);
  return 0;
}

unsigned int CCRC::GetCRC32(const unsigned char* data, int length) { return Crc32OfInt(data, length); }

// With a null expected pointer the CRC trails the data. Data shorter than
// the trailer holds no CRC to compare with: nothing is read, lastCrc32 is set
// to 0 and the answer is 0.
int CCRC::CheckCRC32(const unsigned char* data, const unsigned char* expected, int /*flag*/, int length) {
  unsigned int want = 0;
  int count = length;
  if (expected != nullptr) {
    want = ReadLe32(expected);
  } else {
    if (length < kCrcBytes) {
      lastCrc32 = 0;
      return 0;
    }
    count = length - kCrcBytes;
    want = ReadLe32(data + count);
  }
  lastCrc32 = Crc32OfInt(data, count);
  return lastCrc32 == want ? 1 : 0;
}

int CCRC::Crc32ToStr(unsigned int crc, char* out) {
  std::snprintf(out, 9, "%x", crc);
  return 1;
}
