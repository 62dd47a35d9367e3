// CCRC: catalogue values, the trailer check, text form and copying.
#include <codehdr/crc.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "crc/crc_reference.h"

namespace {

const unsigned char kCheck[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
constexpr int kCheckLen = sizeof(kCheck);

void StoreLe32(unsigned int v, unsigned char* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

void StoreBe32(unsigned int v, unsigned char* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * (3 - i)));
}

TEST(CcrcCatalogue, Crc32CheckValueAndEmptyInputs) {
  CCRC crc;
  EXPECT_EQ(crc.GetCRC32(kCheck, kCheckLen), 0xCBF43926u);
  EXPECT_EQ(crc.GetCRC32(kCheck, 1), 0x83DCEFB7u);
  EXPECT_EQ(crc.GetCRC32(kCheck, 0), 0u);
  EXPECT_EQ(crc.GetCRC32(kCheck, -5), 0u);
  EXPECT_EQ(crc.GetCRC32(nullptr, 0), 0u);
}

TEST(CcrcCatalogue, Crc16IsIbm3740) {
  CCRC crc;
  EXPECT_EQ(crc.GenTable_CRC16(), 0);
  EXPECT_EQ(crc.GetCRC16(kCheck, kCheckLen), 0x29B1);
  EXPECT_EQ(crc.GetCRC16(kCheck, 0), 0xFFFF);
}

TEST(CcrcCatalogue, Crc32MsbTableEntries) {
  CCRC crc;
  EXPECT_EQ(crc.crc32Table[0], 0u);
  EXPECT_EQ(crc.crc32Table[1], 0x04C11DB7u);
  EXPECT_EQ(crc.crc32Table[255], 0xB1F740B4u);
  std::memset(crc.crc32Table, 0, sizeof(crc.crc32Table));
  EXPECT_EQ(crc.GenTable_CRC32(), 0);
  EXPECT_EQ(crc.crc32Table[1], 0x04C11DB7u);
}

TEST(CcrcCatalogue, Crc32DoesNotDependOnObjectTables) {
  CCRC crc;
  std::memset(crc.crc32Table, 0xA5, sizeof(crc.crc32Table));
  EXPECT_EQ(crc.GetCRC32(kCheck, kCheckLen), 0xCBF43926u);
  const CCRC copy(crc);
  EXPECT_EQ(CCRC(copy).GetCRC32(kCheck, kCheckLen), 0xCBF43926u);
}

TEST(CcrcText, Crc32ToStrIsShortLowerHex) {
  CCRC crc;
  char out[9];
  EXPECT_EQ(crc.Crc32ToStr(0, out), 1);
  EXPECT_STREQ(out, "0");
  EXPECT_EQ(crc.Crc32ToStr(0x04C11DB7u, out), 1);
  EXPECT_STREQ(out, "4c11db7");
  EXPECT_EQ(crc.Crc32ToStr(0xCBF43926u, out), 1);
  EXPECT_STREQ(out, "cbf43926");
  EXPECT_EQ(crc.Crc32ToStr(0xFFFFFFFFu, out), 1);
  EXPECT_STREQ(out, "ffffffff");
}

class CcrcCheck : public ::testing::Test {
 protected:
  // Random payload followed by four trailer bytes.
  void SetUp() override {
    std::mt19937 rng(7);
    data_.resize(1000 + 4);
    for (auto& b : data_) b = static_cast<unsigned char>(rng());
    payloadCrc_ = codehdr::test::ReferenceCrc32(data_.data(), 1000);
  }
  int Length() const { return static_cast<int>(data_.size()); }

  CCRC crc_;
  std::vector<unsigned char> data_;
  unsigned int payloadCrc_ = 0;
};

TEST_F(CcrcCheck, TrailerLeastSignificantByteFirstMatches) {
  StoreLe32(payloadCrc_, &data_[1000]);
  EXPECT_EQ(crc_.CheckCRC32(data_.data(), nullptr, 0, Length()), 1);
  EXPECT_EQ(crc_.lastCrc32, payloadCrc_);
}

TEST_F(CcrcCheck, TrailerMostSignificantByteFirstFails) {
  ASSERT_NE(payloadCrc_, __builtin_bswap32(payloadCrc_));
  StoreBe32(payloadCrc_, &data_[1000]);
  EXPECT_EQ(crc_.CheckCRC32(data_.data(), nullptr, 0, Length()), 0);
  EXPECT_EQ(crc_.lastCrc32, payloadCrc_);
}

TEST_F(CcrcCheck, ExplicitExpectedCoversWholeLengthAndIgnoresFlag) {
  const unsigned int whole = codehdr::test::ReferenceCrc32(data_.data(), data_.size());
  unsigned char expected[4];
  StoreLe32(whole, expected);
  for (int flag : {0, 1, -7}) {
    crc_.lastCrc32 = 0;
    EXPECT_EQ(crc_.CheckCRC32(data_.data(), expected, flag, Length()), 1) << flag;
    EXPECT_EQ(crc_.lastCrc32, whole);
  }
  expected[0] ^= 1;
  EXPECT_EQ(crc_.CheckCRC32(data_.data(), expected, 0, Length()), 0);
  EXPECT_EQ(crc_.lastCrc32, whole);
}

TEST_F(CcrcCheck, TrailerOnlyLengthFourComputesZero) {
  const unsigned char zeros[4] = {0, 0, 0, 0};
  crc_.lastCrc32 = 123;
  EXPECT_EQ(crc_.CheckCRC32(zeros, nullptr, 0, 4), 1);
  EXPECT_EQ(crc_.lastCrc32, 0u);
  const unsigned char nonzero[4] = {0, 0, 1, 0};
  EXPECT_EQ(crc_.CheckCRC32(nonzero, nullptr, 0, 4), 0);
  EXPECT_EQ(crc_.lastCrc32, 0u);
}

// Too short to hold a trailer: nothing is read (the sanitizer build would
// catch a read before or after these exact-size heap buffers).
TEST_F(CcrcCheck, TrailerShorterThanFourReadsNothingAndFails) {
  for (int len = 0; len < 4; ++len) {
    std::vector<unsigned char> tiny(static_cast<std::size_t>(len), 0);
    crc_.lastCrc32 = 123;
    EXPECT_EQ(crc_.CheckCRC32(tiny.data(), nullptr, 0, len), 0) << len;
    EXPECT_EQ(crc_.lastCrc32, 0u);
  }
  EXPECT_EQ(crc_.CheckCRC32(data_.data(), nullptr, 0, -1), 0);
}

TEST(CcrcCopy, CopyAndAssignmentCopyTablesAndLastCrc) {
  CCRC source;
  source.GenTable_CRC16();
  source.CheckCRC32(kCheck, nullptr, 0, kCheckLen);
  source.crc32Table[17] = 0x12345678u;  // so a fresh table build could not match
  source.crc16Table[3] = 0xBEEF;

  CCRC assigned;
  std::memset(assigned.crc16Table, 0, sizeof(assigned.crc16Table));
  assigned.lastCrc32 = ~source.lastCrc32;
  assigned = source;
  const CCRC copied(source);
  for (const CCRC* c : {static_cast<const CCRC*>(&assigned), &copied}) {
    EXPECT_EQ(c->lastCrc32, source.lastCrc32);
    EXPECT_EQ(std::memcmp(c->crc16Table, source.crc16Table, sizeof(source.crc16Table)), 0);
    EXPECT_EQ(std::memcmp(c->crc32Table, source.crc32Table, sizeof(source.crc32Table)), 0);
  }
}

}  // namespace
