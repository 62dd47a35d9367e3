// Validation of a held header: the order of its checks, what it takes into the
// object, and headers whose sections do not fit.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "header/header_test_support.h"

namespace codehdr::test {
namespace {

constexpr unsigned char kTag = 12;
constexpr unsigned int kCrc = 0xA1B2C3D4;

// A header with a comment and two dependencies whose stored CRC is kCrc.
Bytes ValidHeader() {
  Bytes b = RawHeader(kTag, "R01A02", "P05E06.7");
  b[24] = 0xA1, b[25] = 0xB2, b[26] = 0xC3, b[27] = 0xD4;
  AddComment(b, "note");
  AddDependency(b, 3, "R02B03");
  AddDependency(b, 26, "R04C05.1");
  return b;
}

unsigned short Validate(CCodeHeader& hdr, const Bytes& image, unsigned char tag = kTag, unsigned int crc = kCrc) {
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), image.size());
  return hdr.ValidateHeader(tag, crc);
}

TEST(HeaderValidate, ValidHeaderTakesCodeVersionAndDependencies) {
  CCodeHeader hdr;
  EXPECT_EQ(Validate(hdr, ValidHeader()), HDR_SUCCESS);
  EXPECT_STREQ(hdr.codeVer, "P05E06.7");
  ASSERT_EQ(hdr.GetNumCodeDependencies(), 2);
  EXPECT_EQ(hdr.GetCodeDependencyAt(1).depType, 26);
  EXPECT_STREQ(hdr.GetCodeDependencyAt(1).depVer, "R04C05.1");
  EXPECT_EQ(hdr.ValidateHeader(0, 0), HDR_SUCCESS);  // any tag, CRC not compared
  EXPECT_EQ(hdr.ValidateHeader(0, kCrc), HDR_SUCCESS);
  EXPECT_EQ(Validate(hdr, RawHeader(kTag), kTag, 0), HDR_SUCCESS);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 0);
}

// Each corruption breaks exactly one check; listed in the order of the checks.
struct Corruption {
  const char* what;
  std::function<void(Bytes&)> apply;
  unsigned short code;
};

const std::vector<Corruption>& Corruptions() {
  static const std::vector<Corruption> list = {
      {"fourth guard byte", [](Bytes& b) { b[3] = 0xC8; }, ERR_GUARD_BYTES},
      {"VireVuz version", [](Bytes& b) { b[4] = 'X'; }, ERR_VERSION_FORMAT},
      {"mandatory size 47", [](Bytes& b) { b[21] = 47; }, ERR_MAN_HDR_SIZE},
      {"mandatory size 49", [](Bytes& b) { b[21] = 49; }, ERR_MAN_HDR_SIZE},
      {"stored CRC", [](Bytes& b) { b[27] ^= 1; }, ERR_CRC_MISMATCH},
      {"tag id", [](Bytes& b) { b[28] = kTag + 1; }, ERR_TAG_MISMATCH},
      {"code version", [](Bytes& b) { b[33] = 'I'; }, ERR_VERSION_FORMAT},
      {"reserved byte", [](Bytes& b) { b[47] = 1; }, ERR_CODE_VER_FORMAT},
      // Comment section at 48 (7 bytes), dependencies at 55 and 75.
      {"second dependency version", [](Bytes& b) { b[75 + 4] = 'r'; }, ERR_DEP_VER_FORMAT},
  };
  return list;
}

TEST(HeaderValidate, FirstFailingCheckWins) {
  // Corrupting checks k..last together must report check k: every earlier
  // check passes, and k comes before all the later ones.
  const std::vector<Corruption>& list = Corruptions();
  for (std::size_t k = 0; k < list.size(); ++k) {
    Bytes image = ValidHeader();
    for (std::size_t j = k; j < list.size(); ++j) list[j].apply(image);
    CCodeHeader hdr;
    EXPECT_EQ(Validate(hdr, image), list[k].code) << list[k].what;
  }
}

TEST(HeaderValidate, StateAfterEachFailure) {
  const Bytes withDeps = ValidHeader();
  for (const Corruption& c : Corruptions()) {
    if (c.code == ERR_GUARD_BYTES) continue;  // those images hold no new-style header
    Bytes image = withDeps;
    c.apply(image);
    CCodeHeader hdr;
    ASSERT_EQ(hdr.InsertHeaderCodeVer("R09Z09"), 1);
    ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), image.size());
    const int parsed = hdr.GetNumCodeDependencies();  // the parse does not check versions
    ASSERT_EQ(parsed, 2);
    ASSERT_EQ(hdr.ValidateHeader(kTag, kCrc), c.code) << c.what;
    const bool codeVerStored = c.code == ERR_CODE_VER_FORMAT || c.code == ERR_DEP_VER_FORMAT;
    EXPECT_STREQ(hdr.codeVer, codeVerStored ? "P05E06.7" : "R09Z09") << c.what;
    EXPECT_EQ(hdr.GetNumCodeDependencies(), c.code == ERR_DEP_VER_FORMAT ? 1 : 2) << c.what;
    EXPECT_EQ(HeldHeader(hdr), image) << c.what;
    EXPECT_STREQ(hdr.comment, "note");
  }
}

TEST(HeaderValidate, SectionsAfterACommentAreFixedSizeDependencies) {
  Bytes image = RawHeader(kTag);
  AddComment(image, "a longer comment");
  AddSection(image, 3, 7, DependencyPayload(44, "R01A02"));  // any type but 1, any length byte
  AddSection(image, 2, 18, DependencyPayload(45, "R01A02.123456789"));
  CCodeHeader hdr;
  ASSERT_EQ(Validate(hdr, image, 0, 0), HDR_SUCCESS);
  ASSERT_EQ(hdr.GetNumCodeDependencies(), 2);
  EXPECT_EQ(hdr.GetCodeDependencyAt(0).depType, 44);
  EXPECT_STREQ(hdr.GetCodeDependencyAt(1).depVer, "R01A02.12345678");

  // The comment section spans bytes 48-66; the type-3 section's version starts at 71.
  image[71 + 3] = '?';
  EXPECT_EQ(Validate(hdr, image, 0, 0), ERR_DEP_VER_FORMAT);
}

TEST(HeaderValidate, FullWidthCodeVersionIsStoredAs15Characters) {
  CCodeHeader hdr;
  EXPECT_EQ(Validate(hdr, RawHeader(kTag, "R01A02.123456789", "P01A02.987654321"), kTag, 0), HDR_SUCCESS);
  EXPECT_STREQ(hdr.codeVer, "P01A02.98765432");
}

TEST(HeaderValidate, NoNewStyleHeaderFailsAtTheGuardBytes) {
  CCodeHeader hdr;
  EXPECT_EQ(hdr.ValidateHeader(0, 0), ERR_GUARD_BYTES);
  const Bytes image = RawHeader(kTag);
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 48);
  hdr.compressedCodeHeader[0] = 0x00;  // the other three guard bytes stay 0xC9
  EXPECT_EQ(hdr.ValidateHeader(0, 0), ERR_GUARD_BYTES);
  const Bytes oldStyle = {4, 4, 4, 4};  // exactly four bytes: nothing beyond is read
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(oldStyle.data(), oldStyle.size()), 4);
  EXPECT_EQ(hdr.ValidateHeader(0, 0), ERR_GUARD_BYTES);
}

TEST(HeaderValidate, SectionsRunningPastTheHeaderFail) {
  // Section count beyond the sections present.
  Bytes image = RawHeader(kTag);
  AddDependency(image, 3, "R01A02");
  image[46] = 2;
  CCodeHeader hdr;
  EXPECT_EQ(Validate(hdr, image, 0, 0), ERR_DEP_VER_FORMAT);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 1);

  // A non-comment section with a short length byte is still read as 20 bytes.
  Bytes shortDep = RawHeader(kTag);
  AddSection(shortDep, 2, 2, Bytes{0, 3});
  EXPECT_EQ(Validate(hdr, shortDep, 0, 0), ERR_DEP_VER_FORMAT);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 0);

  // A comment whose length byte runs past the header.
  Bytes longComment = RawHeader(kTag);
  AddSection(longComment, 1, 200, Bytes{'x', 0});
  EXPECT_EQ(Validate(hdr, longComment, 0, 0), ERR_DEP_VER_FORMAT);
}

}  // namespace
}  // namespace codehdr::test
