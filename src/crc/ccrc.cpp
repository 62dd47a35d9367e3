// The exported CRC engine. CRC-32 work goes to the shared kernels; the
// object's own tables are filled from tables generated at compile time.
#include <codehdr/crc.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "crc/crc32.h"

namespace {

constexpr unsigned short kCrc16Poly = 0x1021;
constexpr unsigned short kCrc16Init = 0xFFFF;
constexpr unsigned int kCrc32MsbPoly = 0x04C11DB7u;
constexpr int kCrcBytes = 4;

// MSB-first CRC-16 table: entry i is eight division steps on i placed in the
// top byte, with the data shifted in alongside the register.
constexpr std::array<unsigned short, 256> MakeCrc16Table() {
  std::array<unsigned short, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = 0;
    unsigned d = i << 8;
    for (int bit = 0; bit < 8; ++bit) {
      r = (((r ^ d) & 0x8000u) ? (r << 1) ^ kCrc16Poly : r << 1) & 0xFFFFu;
      d = (d << 1) & 0xFFFFu;
    }
    t[i] = static_cast<unsigned short>(r);
  }
  return t;
}

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

constexpr std::array<unsigned short, 256> kCrc16Table = MakeCrc16Table();
constexpr std::array<unsigned int, 256> kCrc32MsbTable = MakeCrc32MsbTable();

unsigned int ReadLe32(const unsigned char* p) {
  return static_cast<unsigned int>(p[0]) | static_cast<unsigned int>(p[1]) << 8 |
         static_cast<unsigned int>(p[2]) << 16 | static_cast<unsigned int>(p[3]) << 24;
}

unsigned int Crc32OfInt(const unsigned char* data, int length) {
  if (length <= 0) return 0;
  return codehdr::crc::Crc32(data, static_cast<std::size_t>(length));
}

}  // namespace

CCRC::CCRC() { GenTable_CRC32(); }

CCRC::~CCRC() = default;

CCRC::CCRC(const CCRC& other) = default;

CCRC& CCRC::operator=(const CCRC& other) = default;

int CCRC::GenTable_CRC16() {
  std::copy(kCrc16Table.begin(), kCrc16Table.end(), crc16Table);
  return 0;
}

unsigned short CCRC::GetCRC16(const unsigned char* data, unsigned short length) {
  unsigned short r = kCrc16Init;
  for (unsigned short i = 0; i < length; ++i) {
    r = static_cast<unsigned short>((r << 8) ^ crc16Table[((r >> 8) ^ data[i]) & 0xFFu]);
  }
  return r;
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
