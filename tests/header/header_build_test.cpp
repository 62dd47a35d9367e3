// Building headers: byte-exact layouts, result codes in the order the build
// meets them, and the object's state after each failure.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "header/header_test_support.h"

namespace codehdr::test {
namespace {

class HeaderBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(hdr.Init(WriteDeviceFile(dir).c_str()), HDR_SUCCESS);
    ASSERT_EQ(hdr.InsertHeaderCodeVer("P03B04.5"), 1);
  }

  unsigned short Build(unsigned char tag, const char* vireVuz = "R01A02") {
    rc = -1;
    return hdr.BuildHeader(tag, vireVuz, &rc);
  }

  // Extracts a hand-made header so that its comment is carried over.
  void TakeCommentFrom(const char* text) {
    Bytes source = RawHeader(kTagApp);
    AddComment(source, text);
    ASSERT_GT(hdr.ExtractHdrFromCompressedCodeFile(source.data(), source.size()), 48);
  }

  TempDir dir;
  CCodeHeader hdr;
  int rc = -1;
};

TEST_F(HeaderBuild, MandatoryHeaderIsByteExact) {
  ASSERT_EQ(Build(kTagApp), 48);
  EXPECT_EQ(rc, HDR_SUCCESS);
  EXPECT_EQ(HeldHeader(hdr), RawHeader(kTagApp));
  EXPECT_EQ(hdr.totalHdrSize, 48);
  EXPECT_FALSE(hdr.oldStyleHeader);
  EXPECT_EQ(hdr.GetHeaderTag(), kTagApp);
}

TEST_F(HeaderBuild, EmptyCommentGivesA51ByteHeader) {
  TakeCommentFrom("");
  ASSERT_EQ(Build(kTagApp), 51);
  const Bytes held = HeldHeader(hdr);
  EXPECT_EQ(Bytes(held.begin() + 48, held.end()), (Bytes{0x01, 0x01, 0x00}));
  EXPECT_EQ(held[46], 1);
}

TEST_F(HeaderBuild, CommentThenDependenciesInOrder) {
  TakeCommentFrom("abc");
  ASSERT_EQ(hdr.AddCodeDependencyToHdr(3, "R02B03"), 1);
  ASSERT_EQ(hdr.AddCodeDependencyToHdr(Label(16), "P04C05.6"), HDR_SUCCESS);
  ASSERT_EQ(Build(kTagLang), 94);

  Bytes expected = RawHeader(kTagLang);
  expected[29] = 26;
  AddComment(expected, "abc");
  AddDependency(expected, 3, "R02B03");
  AddDependency(expected, 511, "P04C05.6");
  const Bytes held = HeldHeader(hdr);
  EXPECT_EQ(held, expected);
  EXPECT_EQ(held[46], 3);
  EXPECT_EQ(Bytes(held.begin() + 74, held.begin() + 78), (Bytes{0x02, 0x12, 0x01, 0xFF}));
}

TEST_F(HeaderBuild, LongCommentIsCarriedOverAs31Characters) {
  TakeCommentFrom("0123456789012345678901234567890123456789");
  EXPECT_EQ(hdr.GetHeaderCommentLen(), 41);
  ASSERT_EQ(Build(kTagApp), 48 + 34);
  const Bytes held = HeldHeader(hdr);
  EXPECT_EQ(held[49], 32);
  EXPECT_EQ(std::string(held.begin() + 50, held.begin() + 81), "0123456789012345678901234567890");
  EXPECT_EQ(held.back(), 0);
}

TEST_F(HeaderBuild, VersionFieldsAreCutAndNulFilled) {
  ASSERT_EQ(hdr.InsertHeaderCodeVer("R01A02.123456789"), 1);  // keeps 15
  ASSERT_EQ(Build(kTagApp, "R01A02.1234567890123"), 48);
  Bytes held = HeldHeader(hdr);
  EXPECT_EQ(std::string(held.begin() + 4, held.begin() + 20), std::string("R01A02.12345678") + '\0');
  EXPECT_EQ(std::string(held.begin() + 30, held.begin() + 46), std::string("R01A02.12345678") + '\0');

  std::memcpy(hdr.codeVer, "R01A02.123456789", 16);  // fills the field, no NUL
  ASSERT_EQ(Build(kTagApp, ""), 48);
  held = HeldHeader(hdr);
  EXPECT_EQ(Bytes(held.begin() + 4, held.begin() + 20), Bytes(16, 0));
  EXPECT_EQ(std::string(held.begin() + 30, held.begin() + 46), "R01A02.123456789");
}

TEST_F(HeaderBuild, CodeModeComesFromTheDeviceLabel) {
  ASSERT_EQ(Build(kTagUnknown), 48);
  EXPECT_EQ(hdr.compressedCodeHeader[29], CODE_MODE_NOT_FOUND);
  ASSERT_EQ(Build(kTagLongLabel), 48);  // label cut to 7 characters matches row 1
  EXPECT_EQ(hdr.compressedCodeHeader[29], CodeModes()[1].value);
}

TEST_F(HeaderBuild, MandatoryHeaderRefusesASmallBufferWithoutWriting) {
  unsigned char buf[48];
  std::memset(buf, 0xEE, sizeof buf);
  EXPECT_EQ(hdr.BuildMandatoryHeader(buf, 47, kTagApp, "R01A02"), ERR_MAN_HDR_SIZE);
  EXPECT_EQ(Bytes(buf, buf + 48), Bytes(48, 0xEE));
  EXPECT_EQ(hdr.BuildMandatoryHeader(buf, 1000, kTagApp, "R01A02"), HDR_SUCCESS);
  Bytes expected = RawHeader(kTagApp);
  expected[23] = 0;  // only BuildHeader writes the total size
  EXPECT_EQ(Bytes(buf, buf + 48), expected);
}

TEST_F(HeaderBuild, FailuresComeInOrderAndLeaveTheObjectUnchanged) {
  ASSERT_EQ(Build(kTagApp), 48);
  const unsigned char* built = hdr.compressedCodeHeader;
  const Bytes before = HeldHeader(hdr);

  auto expectRefused = [&](unsigned short got, int code, const char* what) {
    EXPECT_EQ(got, 0) << what;
    EXPECT_EQ(rc, code) << what;
    EXPECT_EQ(hdr.compressedCodeHeader, built) << what;
    EXPECT_EQ(HeldHeader(hdr), before) << what;
    EXPECT_EQ(hdr.totalHdrSize, 48) << what;
  };
  expectRefused(Build(99, "X01A02"), ERR_VERSION_FORMAT, "bad VireVuz version wins over unknown tag");
  expectRefused(Build(0), ERR_CODE_MODE, "tag 0");
  expectRefused(Build(99), ERR_CODE_MODE, "tag without a device");
  expectRefused(Build(kTagBundle), ERR_CODE_MODE, "code mode above 255");
  std::strcpy(hdr.codeVer, "X01A02");
  expectRefused(Build(99), ERR_CODE_MODE, "device lookup before the code version");
  expectRefused(Build(kTagApp), ERR_CODE_VER_FORMAT, "malformed code version");
  ASSERT_EQ(hdr.InsertHeaderCodeVer(""), 1);
  expectRefused(Build(kTagApp), ERR_VERSION_FORMAT, "empty code version");

  CCodeHeader noDevices;
  ASSERT_EQ(noDevices.InsertHeaderCodeVer("R01A02"), 1);
  EXPECT_EQ(noDevices.BuildHeader(kTagApp, "R01A02", &rc), 0);
  EXPECT_EQ(rc, ERR_CODE_MODE);
  EXPECT_EQ(noDevices.compressedCodeHeader, nullptr);
}

TEST_F(HeaderBuild, AtMost255SectionsFitTheCountByte) {
  for (int i = 0; i < 255; ++i) hdr.AddCodeDependencyToHdr(1, "R01A02");
  ASSERT_EQ(Build(kTagApp), 48 + 255 * 20);
  EXPECT_EQ(hdr.compressedCodeHeader[46], 255);
  const Bytes before = HeldHeader(hdr);

  hdr.AddCodeDependencyToHdr(1, "R01A02");
  EXPECT_EQ(Build(kTagApp), 0);
  EXPECT_EQ(rc, ERR_OPT_SECTION);
  EXPECT_EQ(HeldHeader(hdr), before);
  EXPECT_EQ(hdr.totalHdrSize, 48 + 255 * 20);

  TakeCommentFrom("c");  // empties the list
  for (int i = 0; i < 254; ++i) hdr.AddCodeDependencyToHdr(1, "R01A02");
  EXPECT_EQ(Build(kTagApp), 48 + 4 + 254 * 20);
  hdr.AddCodeDependencyToHdr(1, "R01A02");
  EXPECT_EQ(Build(kTagApp), 0);
  EXPECT_EQ(rc, ERR_OPT_SECTION);
}

TEST_F(HeaderBuild, DependencyByLabelIsCheckedBeforeAppending) {
  EXPECT_EQ(hdr.AddCodeDependencyToHdr("NOSUCH", "X"), ERR_UNKNOWN_DEP_LABEL);
  EXPECT_EQ(hdr.AddCodeDependencyToHdr(Label(5), "R01I02"), ERR_VERSION_FORMAT);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 0);
  EXPECT_EQ(hdr.AddCodeDependencyToHdr(Label(5), "R01A02"), HDR_SUCCESS);
  EXPECT_EQ(hdr.GetCodeDependencyAt(0).depType, CodeModes()[5].value);
}

TEST_F(HeaderBuild, RebuildingGivesEqualBytesAndIgnoresLaterAdditions) {
  hdr.AddCodeDependencyToHdr(9, "R01A02");
  ASSERT_EQ(Build(kTagApp), 68);
  const Bytes first = HeldHeader(hdr);
  hdr.AddCodeDependencyToHdr(10, "R01A02");
  EXPECT_EQ(HeldHeader(hdr), first);
  hdr.dependencyList.Clear();
  hdr.AddCodeDependencyToHdr(9, "R01A02");
  ASSERT_EQ(Build(kTagApp), 68);
  EXPECT_EQ(HeldHeader(hdr), first);
}

}  // namespace
}  // namespace codehdr::test
