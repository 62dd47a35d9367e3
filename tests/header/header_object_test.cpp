// The header object's state and its single-field accessors.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "header/header_test_support.h"

namespace codehdr::test {
namespace {

TEST(HeaderObject, NewObjectHoldsNothing) {
  CCodeHeader hdr;
  char buf[32] = "untouched";
  EXPECT_EQ(hdr.GetHeaderTag(), 0);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 0);
  EXPECT_EQ(hdr.GetHeaderCommentLen(), 0);
  EXPECT_EQ(hdr.GetHeaderCodeVer(buf), 0);
  EXPECT_EQ(hdr.GetHeaderComment(buf), 0);
  EXPECT_STREQ(buf, "untouched");
  // Accessors that need a new-style header read nothing and report 0.
  EXPECT_EQ(hdr.GetHeaderTotalSize(), 0);
  EXPECT_EQ(hdr.ExtractTagIdFromHeader(), 0);
  EXPECT_EQ(hdr.ExtractCrcFromHeader(), 0u);
  hdr.InsertCrcIntoHeader(0x12345678);
  EXPECT_EQ(hdr.compressedCodeHeader, nullptr);
  EXPECT_EQ(hdr.ExtractVerStrFromHeader(buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "");
}

TEST(HeaderObject, OldStyleHeaderHasOnlyTagAndSize) {
  CCodeHeader hdr;
  const Bytes image = {7, 7, 7, 7};
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 4);
  EXPECT_EQ(hdr.GetHeaderTag(), 7);
  EXPECT_EQ(hdr.GetHeaderTotalSize(), 4);
  EXPECT_TRUE(hdr.oldStyleHeader);

  char ver[16] = "keep";
  EXPECT_EQ(hdr.GetHeaderCodeVer(ver), 0);
  EXPECT_STREQ(ver, "keep");
  EXPECT_EQ(hdr.ExtractVerStrFromHeader(ver, sizeof ver), 0);
  EXPECT_EQ(hdr.ExtractTagIdFromHeader(), 0);
  EXPECT_EQ(hdr.ExtractCrcFromHeader(), 0u);
  hdr.InsertCrcIntoHeader(0xFFFFFFFF);
  EXPECT_EQ(HeldHeader(hdr), image);
}

TEST(HeaderObject, CrcIsStoredBigEndianAndRemovedFromImagesOnly) {
  CCodeHeader hdr;
  Bytes image = RawHeader(5);
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 48);
  hdr.InsertCrcIntoHeader(0x12345678);
  EXPECT_EQ(hdr.compressedCodeHeader[24], 0x12);
  EXPECT_EQ(hdr.compressedCodeHeader[25], 0x34);
  EXPECT_EQ(hdr.compressedCodeHeader[26], 0x56);
  EXPECT_EQ(hdr.compressedCodeHeader[27], 0x78);
  EXPECT_EQ(hdr.ExtractCrcFromHeader(), 0x12345678u);

  image[24] = image[25] = image[26] = image[27] = 0xAB;
  hdr.RemoveCRC(image.data());
  EXPECT_EQ(Bytes(image.begin() + 24, image.begin() + 28), Bytes(4, 0));
  EXPECT_EQ(hdr.ExtractCrcFromHeader(), 0x12345678u);
}

TEST(HeaderObject, VersionAccessorsReadTheHeldHeader) {
  CCodeHeader hdr;
  const Bytes image = RawHeader(5, "R01A02", "P03B04.56");  // 9 characters
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 48);
  char dst[16];
  EXPECT_EQ(hdr.ExtractVerStrFromHeader(dst, 10), 1);
  EXPECT_STREQ(dst, "P03B04.56");
  EXPECT_EQ(hdr.ExtractVerStrFromHeader(dst, 9), 0);
  EXPECT_STREQ(dst, "");

  ASSERT_EQ(hdr.InsertHeaderCodeVer("R07C08"), 1);
  EXPECT_STREQ(hdr.codeVer, "R07C08");
  EXPECT_EQ(hdr.GetHeaderCodeVer(dst), 1);
  EXPECT_STREQ(dst, "P03B04.56");  // the field changes only with the next build
}

TEST(HeaderObject, FullWidthCodeVersionIsCutAtItsField) {
  CCodeHeader hdr;
  Bytes image = RawHeader(5, "R01A02", "R01A02.123456789");  // 16 characters, no NUL
  AddComment(image, "x");  // byte 46, right after the field, becomes 1
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 52);
  char dst[32];
  EXPECT_EQ(hdr.ExtractVerStrFromHeader(dst, 17), 1);
  EXPECT_STREQ(dst, "R01A02.123456789");
  EXPECT_EQ(hdr.GetHeaderCodeVer(dst), 1);
  EXPECT_STREQ(dst, "R01A02.12345678");
}

TEST(HeaderObject, InsertHeaderCodeVerChecksBeforeStoring) {
  CCodeHeader hdr;
  ASSERT_EQ(hdr.InsertHeaderCodeVer("R01A02.3"), 1);
  EXPECT_EQ(hdr.InsertHeaderCodeVer("R01I02"), 0);
  EXPECT_EQ(hdr.InsertHeaderCodeVer("R01A02.1234567890"), 0);  // 17 characters
  // 256 characters would wrap a byte-sized count to 0 and pass unchecked.
  EXPECT_EQ(hdr.InsertHeaderCodeVer(("R01A02." + std::string(249, '1')).c_str()), 0);
  EXPECT_STREQ(hdr.codeVer, "R01A02.3");
  EXPECT_EQ(hdr.InsertHeaderCodeVer("R01A02.123456789"), 1);
  EXPECT_STREQ(hdr.codeVer, "R01A02.12345678");
  EXPECT_EQ(hdr.InsertHeaderCodeVer(""), 1);
  EXPECT_STREQ(hdr.codeVer, "");
}

TEST(HeaderObject, DependencyListKeepsOrderAcrossBlocks) {
  CCodeHeader hdr;
  for (unsigned short i = 0; i < 25; ++i) {
    EXPECT_EQ(hdr.AddCodeDependencyToHdr(static_cast<unsigned short>(100 + i), "R01A02"), 1);
  }
  ASSERT_EQ(hdr.GetNumCodeDependencies(), 25);
  for (unsigned char i = 0; i < 25; ++i) EXPECT_EQ(hdr.GetCodeDependencyAt(i).depType, 100 + i);
  const dependencyInfo beyond = hdr.GetCodeDependencyAt(25);
  EXPECT_EQ(beyond.depType, 0);
  EXPECT_STREQ(beyond.depVer, "");
  hdr.AddCodeDependencyToHdr(7, "R01A02.1234567890123");
  EXPECT_STREQ(hdr.GetCodeDependencyAt(25).depVer, "R01A02.12345678");
  hdr.dependencyList.Clear();
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 0);
}

TEST(HeaderObject, DependencyAssignmentCopiesEveryVersionByte) {
  dependencyInfo from{};
  from.depType = 511;
  std::memcpy(from.depVer, "R01A02\0garbage!", 16);
  dependencyInfo to{};
  to = from;
  EXPECT_EQ(to.depType, 511);
  EXPECT_EQ(std::memcmp(to.depVer, from.depVer, 16), 0);
}

}  // namespace
}  // namespace codehdr::test
