// The checksum functions of <codehdr/checksum.h>: catalogue values, and a CRC
// extended piece by piece equals the one computed in one go.
#include <codehdr/checksum.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "crc/crc_reference.h"

namespace {

using codehdr::test::ReferenceCrc16Update;
using codehdr::test::ReferenceCrc32;

const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

TEST(Checksum, CatalogueValues) {
  struct Case {
    const char* text;
    std::uint32_t crc32;
    std::uint16_t crc16;
  };
  const Case cases[] = {
      {"", 0x00000000u, 0xFFFF},
      {"A", 0xD3D99E8Bu, 0xB915},
      {"123456789", 0xCBF43926u, 0x29B1},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u, 0x8FDD},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(codehdr::Crc32(Bytes(c.text), std::strlen(c.text)), c.crc32) << '"' << c.text << '"';
    EXPECT_EQ(codehdr::Crc16(Bytes(c.text), std::strlen(c.text)), c.crc16) << '"' << c.text << '"';
  }
}

TEST(Checksum, EmptyExtensionKeepsTheValue) {
  for (std::uint32_t crc : {0u, 1u, 0xCBF43926u, 0xFFFFFFFFu}) {
    EXPECT_EQ(codehdr::Crc32Extend(crc, nullptr, 0), crc);
    EXPECT_EQ(codehdr::Crc16Extend(static_cast<std::uint16_t>(crc), nullptr, 0), static_cast<std::uint16_t>(crc));
  }
}

// Long enough that both pieces of most splits reach the widest kernel's
// stride, so every kernel path meets a continued register.
TEST(Checksum, ExtendSplitAtEveryPointEqualsOneShot) {
  std::vector<unsigned char> data(1100);
  std::mt19937 rng(9);
  for (auto& b : data) b = static_cast<unsigned char>(rng());
  const unsigned char* p = data.data();
  const std::size_t n = data.size();
  const std::uint32_t whole32 = ReferenceCrc32(p, n);
  const std::uint16_t whole16 = ReferenceCrc16Update(codehdr::kCrc16Init, p, n);
  ASSERT_EQ(codehdr::Crc32(p, n), whole32);
  ASSERT_EQ(codehdr::Crc16(p, n), whole16);
  for (std::size_t split = 0; split <= n; ++split) {
    EXPECT_EQ(codehdr::Crc32Extend(codehdr::Crc32(p, split), p + split, n - split), whole32) << split;
    EXPECT_EQ(codehdr::Crc16Extend(codehdr::Crc16(p, split), p + split, n - split), whole16) << split;
  }
}

}  // namespace
