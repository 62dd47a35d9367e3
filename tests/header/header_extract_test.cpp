// Extraction from memory and from files, and the parse of optional sections,
// including headers that do not fit their own sizes.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "header/header_test_support.h"

namespace codehdr::test {
namespace {

// A header holding a comment and one dependency, to see what an extraction
// keeps or replaces.
void GiveCommentAndDependency(CCodeHeader& hdr) {
  Bytes image = RawHeader(5);
  AddComment(image, "old");
  AddDependency(image, 77, "R01A02");
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), image.size());
  ASSERT_EQ(hdr.GetNumCodeDependencies(), 1);
}

void ExpectCommentAndDependencyKept(CCodeHeader& hdr) {
  char text[32];
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 1);
  EXPECT_EQ(hdr.GetCodeDependencyAt(0).depType, 77);
  ASSERT_NE(hdr.comment, nullptr);
  EXPECT_STREQ(hdr.comment, "old");
  EXPECT_EQ(hdr.GetHeaderCommentLen(), 4);
  EXPECT_EQ(hdr.GetHeaderComment(text), hdr.compressedCodeHeader != nullptr ? 1 : 0);
}

TEST(HeaderExtract, PlainHeaderReplacesCommentAndDependencies) {
  CCodeHeader hdr;
  GiveCommentAndDependency(hdr);
  const Bytes image = RawHeader(9);
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data()), 48);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 0);
  EXPECT_EQ(hdr.comment, nullptr);
  EXPECT_EQ(hdr.GetHeaderCommentLen(), 0);
  EXPECT_EQ(hdr.GetHeaderTag(), 9);
  EXPECT_EQ(hdr.ExtractTagIdFromHeader(), 9);
  EXPECT_EQ(hdr.GetHeaderTotalSize(), 48);
  EXPECT_EQ(hdr.totalHdrSize, 0);  // only a build stores it
}

TEST(HeaderExtract, SectionsAreSteppedByTheirOwnLength) {
  Bytes image = RawHeader(5);
  AddComment(image, "first");
  AddSection(image, 5, 3, Bytes{0xEE, 0xEE, 0xEE});  // unknown type: skipped
  AddDependency(image, 3, "R01A02");
  Bytes longDep = DependencyPayload(26, "P02B03.4");
  longDep.insert(longDep.end(), {0xEE, 0xEE});
  AddSection(image, 2, 20, longDep);  // L = 20: read like 18, stepped by 22
  AddComment(image, "ABC");           // the last comment wins
  AddDependency(image, 511, "R09Z99");

  CCodeHeader hdr;
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), image.size());
  ASSERT_EQ(hdr.GetNumCodeDependencies(), 3);
  EXPECT_EQ(hdr.GetCodeDependencyAt(0).depType, 3);
  EXPECT_EQ(hdr.GetCodeDependencyAt(1).depType, 26);
  EXPECT_STREQ(hdr.GetCodeDependencyAt(1).depVer, "P02B03.4");
  EXPECT_EQ(hdr.GetCodeDependencyAt(2).depType, 511);
  char text[32];
  ASSERT_EQ(hdr.GetHeaderComment(text), 1);
  EXPECT_STREQ(text, "ABC");
  EXPECT_EQ(hdr.GetHeaderCommentLen(), 4);

  // Parsing again gives the same result.
  EXPECT_EQ(hdr.ParseHeaderDependencyInfo(), 1);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 3);
  EXPECT_STREQ(hdr.comment, "ABC");
}

TEST(HeaderExtract, OldStyleAndHeaderlessImages) {
  CCodeHeader hdr;
  GiveCommentAndDependency(hdr);
  const Bytes oldStyle = {5, 5, 5, 5, 0xC9};
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(oldStyle.data()), 4);
  EXPECT_EQ(HeldHeader(hdr), (Bytes{5, 5, 5, 5}));
  EXPECT_TRUE(hdr.oldStyleHeader);
  ExpectCommentAndDependencyKept(hdr);

  const Bytes none = {5, 5, 5, 6};
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(none.data()), 0);
  EXPECT_EQ(hdr.compressedCodeHeader, nullptr);
  EXPECT_FALSE(hdr.oldStyleHeader);
  EXPECT_EQ(hdr.GetHeaderTag(), 0);
  ExpectCommentAndDependencyKept(hdr);

  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(oldStyle.data(), 3), 0);  // too short for the old style
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(oldStyle.data(), 4), 4);
  const Bytes image = RawHeader(8);
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 48);
  EXPECT_FALSE(hdr.oldStyleHeader);
  EXPECT_EQ(hdr.GetHeaderTotalSize(), 48);
}

TEST(HeaderExtract, HeadersThatDoNotFitTheirSizesAreRefused) {
  CCodeHeader hdr;
  GiveCommentAndDependency(hdr);
  Bytes image = RawHeader(5);
  image[23] = 49;  // one byte more than the image holds
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 0);
  EXPECT_EQ(hdr.compressedCodeHeader, nullptr);
  ExpectCommentAndDependencyKept(hdr);

  for (unsigned char total : {0, 4, 30, 47}) {
    // Exactly `total` bytes (at least the size field) so that any read past
    // the declared header is caught by the sanitizer.
    Bytes shortImage = RawHeader(5);
    shortImage[23] = total;
    shortImage.resize(std::max<std::size_t>(total, 24));
    EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(shortImage.data()), 0) << int{total};
    EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(shortImage.data(), shortImage.size()), 0) << int{total};
    EXPECT_EQ(hdr.compressedCodeHeader, nullptr);
  }
  const Bytes guardOnly = {0xC9, 0, 0, 0};
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(guardOnly.data(), guardOnly.size()), 0);
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(static_cast<const unsigned char*>(nullptr), std::size_t{0}), 0);
  ExpectCommentAndDependencyKept(hdr);
}

TEST(HeaderExtract, SectionsRunningPastTheHeaderEndTheParse) {
  CCodeHeader hdr;
  Bytes image = RawHeader(5);
  AddDependency(image, 3, "R01A02");
  image[46] = 4;  // promises three sections more than the header holds
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 68);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 1);

  Bytes truncated = RawHeader(5);
  AddDependency(truncated, 3, "R01A02");
  AddDependency(truncated, 4, "R01A02");
  truncated.resize(truncated.size() - 12);  // the second section's version is cut to "R01A"
  truncated[22] = 0;
  truncated[23] = static_cast<unsigned char>(truncated.size());
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(truncated.data(), truncated.size()), truncated.size());
  ASSERT_EQ(hdr.GetNumCodeDependencies(), 2);
  EXPECT_EQ(hdr.GetCodeDependencyAt(1).depType, 4);
  EXPECT_STREQ(hdr.GetCodeDependencyAt(1).depVer, "R01A");

  truncated.resize(truncated.size() - 5);  // not even the second type is whole
  truncated[23] = static_cast<unsigned char>(truncated.size());
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(truncated.data(), truncated.size()), truncated.size());
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 1);

  // A dependency whose L is short still has its type and a version that ends
  // at the header's end.
  Bytes shortDep = RawHeader(5);
  AddSection(shortDep, 2, 4, Bytes{0x01, 0x02, 'R', '0'});
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(shortDep.data(), shortDep.size()), 54);
  ASSERT_EQ(hdr.GetNumCodeDependencies(), 1);
  EXPECT_EQ(hdr.GetCodeDependencyAt(0).depType, 0x0102);
  EXPECT_STREQ(hdr.GetCodeDependencyAt(0).depVer, "R0");
}

TEST(HeaderExtract, CommentWithoutNulStopsAtTheHeaderEnd) {
  Bytes image = RawHeader(5);
  AddSection(image, 1, 5, Bytes{'h', 'e', 'l', 'l', 'o'});
  CCodeHeader hdr;
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 55);
  ASSERT_NE(hdr.comment, nullptr);
  EXPECT_STREQ(hdr.comment, "hello");
  EXPECT_EQ(hdr.GetHeaderCommentLen(), 5);
}

TEST(HeaderExtract, ParseWithoutHeaderDiscardsEverything) {
  CCodeHeader hdr;
  GiveCommentAndDependency(hdr);
  const Bytes none = {1, 2, 3, 4};
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(none.data(), none.size()), 0);
  EXPECT_EQ(hdr.ParseHeaderDependencyInfo(), 0);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 0);
  EXPECT_EQ(hdr.comment, nullptr);

  GiveCommentAndDependency(hdr);
  const Bytes oldStyle = {3, 3, 3, 3};
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(oldStyle.data(), oldStyle.size()), 4);
  EXPECT_EQ(hdr.ParseHeaderDependencyInfo(), 1);
  EXPECT_EQ(hdr.GetNumCodeDependencies(), 0);
  EXPECT_EQ(hdr.comment, nullptr);
}

TEST(HeaderExtractFile, FileGivesTheSameHeaderAsMemory) {
  TempDir dir;
  Bytes image = RawHeader(0x1A);
  image[29] = 0x1A;
  AddSection(image, 7, 2, Bytes{0x0D, 0x0A});
  AddDependency(image, 0x0D0A, "R01A02");
  Bytes file = image;
  file.insert(file.end(), {0x1A, 0x0D, 0x0A, 0x00});
  WriteFile(dir.File("img.bin"), file);

  CCodeHeader fromMemory, fromFile;
  ASSERT_EQ(fromMemory.ExtractHdrFromCompressedCodeFile(file.data(), file.size()), image.size());
  ASSERT_EQ(fromFile.ExtractHdrFromCompressedCodeFile(dir.File("img.bin").c_str(), static_cast<long>(file.size())),
            image.size());
  EXPECT_EQ(HeldHeader(fromFile), image);
  EXPECT_EQ(HeldHeader(fromFile), HeldHeader(fromMemory));
  EXPECT_EQ(fromFile.GetCodeDependencyAt(0).depType, 0x0D0A);

  // A length beyond the file uses the bytes read; one that cuts the header
  // refuses it; one of 0 or less reads nothing and finds no header.
  EXPECT_EQ(fromFile.ExtractHdrFromCompressedCodeFile(dir.File("img.bin").c_str(), 1L << 40), image.size());
  EXPECT_EQ(fromFile.ExtractHdrFromCompressedCodeFile(dir.File("img.bin").c_str(), 60), 0);
  EXPECT_EQ(fromFile.ExtractHdrFromCompressedCodeFile(dir.File("img.bin").c_str(), 0), 0);
  EXPECT_EQ(fromFile.ExtractHdrFromCompressedCodeFile(dir.File("img.bin").c_str(), -5), 0);
  EXPECT_EQ(fromFile.compressedCodeHeader, nullptr);
}

TEST(HeaderExtractFile, MissingFileLeavesTheObjectUnchanged) {
  TempDir dir;
  CCodeHeader hdr;
  const Bytes image = RawHeader(5);
  ASSERT_EQ(hdr.ExtractHdrFromCompressedCodeFile(image.data(), image.size()), 48);
  const unsigned char* held = hdr.compressedCodeHeader;
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(dir.File("absent").c_str(), 100), 0);
  EXPECT_EQ(hdr.compressedCodeHeader, held);
  EXPECT_EQ(hdr.IsNewHeader(dir.File("absent").c_str()), 0);
}

TEST(HeaderExtractFile, IsNewHeaderNeedsFourGuardBytes) {
  TempDir dir;
  CCodeHeader hdr;
  const struct {
    Bytes start;
    int expected;
  } cases[] = {{{0xC9, 0xC9, 0xC9, 0xC9}, 1}, {{0xC9, 0, 0, 0}, 0}, {{0xC9, 0xC9, 0xC9}, 0}, {{5, 5, 5, 5}, 0}};
  for (const auto& c : cases) {
    WriteFile(dir.File("f"), c.start);
    EXPECT_EQ(hdr.IsNewHeader(dir.File("f").c_str()), c.expected);
  }

  Bytes image = RawHeader(5);
  image[1] = image[2] = image[3] = 0;  // extraction looks at byte 0 only
  WriteFile(dir.File("h"), image);
  EXPECT_EQ(hdr.IsNewHeader(dir.File("h").c_str()), 0);
  EXPECT_EQ(hdr.ExtractHdrFromCompressedCodeFile(dir.File("h").c_str(), 48), 48);

  image = RawHeader(5);
  image.resize(100, 0x55);
  WriteFile(dir.File("g"), image);
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(dir.File("g").c_str(), "rb"), std::fclose);
  ASSERT_NE(file, nullptr);
  std::fseek(file.get(), 0, SEEK_END);
  EXPECT_EQ(hdr.IsNewHeader(file.get()), 1);
  EXPECT_EQ(std::ftell(file.get()), 4);
}

}  // namespace
}  // namespace codehdr::test
