// Round trips through files: build, seal with the file CRC-32, verify, and
// extract again; and the files DoVerifyHeader must accept or refuse.
#include <string>

#include <gtest/gtest.h>

#include <codehdr/crc.h>

#include "header/header_test_support.h"

namespace codehdr::test {
namespace {

// The size of one read while a file is verified.
constexpr std::size_t kChunk = std::size_t{256} << 10;

class HeaderVerify : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(builder.Init(WriteDeviceFile(dir).c_str()), HDR_SUCCESS); }

  // Builds a header whose comment comes from a parsed header, with two
  // dependencies, and writes it with a payload as the host does: header and
  // code, CRC-32 of the whole file into the header, header again.
  void BuildSealedFile(std::size_t payloadLen = 3000) {
    Bytes source = RawHeader(3);
    AddComment(source, "field build 7");
    ASSERT_GT(builder.ExtractHdrFromCompressedCodeFile(source.data(), source.size()), 48);
    ASSERT_EQ(builder.InsertHeaderCodeVer("R02B03.4"), 1);
    ASSERT_EQ(builder.AddCodeDependencyToHdr(Label(3), "R01A01"), HDR_SUCCESS);
    ASSERT_EQ(builder.AddCodeDependencyToHdr(700, "P09Z09.9"), 1);
    int rc = -1;
    const unsigned short total = builder.BuildHeader(kTagApp, "R05F06", &rc);
    ASSERT_EQ(rc, HDR_SUCCESS);
    ASSERT_EQ(total, 48 + 16 + 40);

    file = HeldHeader(builder);
    for (std::size_t i = 0; i < payloadLen; ++i) file.push_back(static_cast<unsigned char>(i * 7 + 1));
    CCRC crc;
    builder.InsertCrcIntoHeader(crc.GetCRC32(file.data(), static_cast<int>(file.size())));
    std::copy(builder.compressedCodeHeader, builder.compressedCodeHeader + total, file.begin());
    WriteFile(path, file);
  }

  int Verify(const Bytes& bytes, unsigned char tag = 0) {
    WriteFile(path, bytes);
    return checker.DoVerifyHeader(path.c_str(), 0, tag);
  }

  TempDir dir;
  std::string path = dir.File("image.bin");
  CCodeHeader builder;
  CCodeHeader checker;
  Bytes file;
};

void ExpectSameAccessors(CCodeHeader& a, CCodeHeader& b) {
  EXPECT_EQ(HeldHeader(a), HeldHeader(b));
  EXPECT_EQ(a.GetHeaderTag(), b.GetHeaderTag());
  EXPECT_EQ(a.ExtractTagIdFromHeader(), b.ExtractTagIdFromHeader());
  EXPECT_EQ(a.GetHeaderTotalSize(), b.GetHeaderTotalSize());
  EXPECT_EQ(a.ExtractCrcFromHeader(), b.ExtractCrcFromHeader());
  char va[32] = "", vb[32] = "";
  EXPECT_EQ(a.ExtractVerStrFromHeader(va, 16), 1);
  EXPECT_EQ(b.ExtractVerStrFromHeader(vb, 16), 1);
  EXPECT_STREQ(va, vb);
  EXPECT_EQ(a.GetHeaderCodeVer(va), 1);
  EXPECT_EQ(b.GetHeaderCodeVer(vb), 1);
  EXPECT_STREQ(va, vb);
  EXPECT_EQ(a.GetHeaderComment(va), 1);
  EXPECT_EQ(b.GetHeaderComment(vb), 1);
  EXPECT_STREQ(va, vb);
  EXPECT_EQ(a.GetHeaderCommentLen(), b.GetHeaderCommentLen());
  ASSERT_EQ(a.GetNumCodeDependencies(), b.GetNumCodeDependencies());
  for (unsigned char i = 0; i < a.GetNumCodeDependencies(); ++i) {
    EXPECT_EQ(a.GetCodeDependencyAt(i).depType, b.GetCodeDependencyAt(i).depType);
    EXPECT_STREQ(a.GetCodeDependencyAt(i).depVer, b.GetCodeDependencyAt(i).depVer);
  }
}

TEST_F(HeaderVerify, SealedFileRoundTrips) {
  BuildSealedFile();
  EXPECT_EQ(checker.DoVerifyHeader(path.c_str(), 0, kTagApp), 1);
  EXPECT_EQ(checker.DoVerifyHeader(path.c_str(), 0, 0), 1);
  EXPECT_EQ(checker.DoVerifyHeader(path.c_str(), 0, kTagApp + 1), 0);

  ASSERT_EQ(checker.DoVerifyHeader(path.c_str(), 0, kTagApp), 1);
  EXPECT_STREQ(checker.codeVer, "R02B03.4");
  ExpectSameAccessors(checker, builder);
  char text[32];
  ASSERT_EQ(checker.GetHeaderComment(text), 1);
  EXPECT_STREQ(text, "field build 7");
  EXPECT_EQ(checker.GetCodeDependencyAt(0).depType, CodeModes()[3].value);
  EXPECT_EQ(checker.GetCodeDependencyAt(1).depType, 700);

  CCodeHeader fromFile;
  ASSERT_EQ(fromFile.ExtractHdrFromCompressedCodeFile(path.c_str(), static_cast<long>(file.size())), 104);
  ExpectSameAccessors(fromFile, builder);
}

TEST_F(HeaderVerify, AnyChangedByteOutsideTheCrcFieldFails) {
  BuildSealedFile();
  for (std::size_t at : {std::size_t{10}, std::size_t{60}, std::size_t{104}, file.size() - 1}) {
    Bytes changed = file;
    changed[at] ^= 0x01;
    EXPECT_EQ(Verify(changed, kTagApp), 0) << "byte " << at;
  }
  Bytes unsealed = file;
  unsealed[24] = unsealed[25] = unsealed[26] = unsealed[27] = 0;
  EXPECT_EQ(Verify(unsealed, kTagApp), 0);
  EXPECT_EQ(Verify(file, kTagApp), 1);
}

// A file larger than one read step: a change on either side of a step's end
// is still seen.
TEST_F(HeaderVerify, ChangesAcrossReadStepsFail) {
  BuildSealedFile(2 * kChunk + 5);
  EXPECT_EQ(Verify(file, kTagApp), 1);
  for (std::size_t at : {kChunk - 1, kChunk, 2 * kChunk, file.size() - 1}) {
    Bytes changed = file;
    changed[at] ^= 0x80;
    EXPECT_EQ(Verify(changed, kTagApp), 0) << "byte " << at;
  }
}

TEST_F(HeaderVerify, FilesWithoutANewStyleHeaderPass) {
  EXPECT_EQ(Verify(Bytes{5, 5, 5, 5, 1, 2, 3}), 1);
  EXPECT_EQ(checker.GetHeaderTag(), 5);
  EXPECT_EQ(Verify(Bytes{5, 5, 5, 6, 1, 2, 3}), 1);
  EXPECT_EQ(Verify(Bytes{}), 1);
  EXPECT_EQ(checker.compressedCodeHeader, nullptr);
}

TEST_F(HeaderVerify, UnreadableOrMalformedFilesFail) {
  EXPECT_EQ(checker.DoVerifyHeader(dir.File("absent").c_str(), 0, 0), 0);
  EXPECT_EQ(checker.DoVerifyHeader(dir.Path().c_str(), 0, 0), 0);  // a directory has no size

  BuildSealedFile();
  EXPECT_EQ(Verify(Bytes(file.begin(), file.begin() + 100)), 0);  // shorter than its header
  EXPECT_EQ(Verify(Bytes(file.begin(), file.begin() + 20)), 0);   // not even the size field
  Bytes image = RawHeader(kTagApp);
  image.resize(200, 0xAA);
  image[23] = 30;  // cannot hold the mandatory header
  EXPECT_EQ(Verify(image), 0);
  image[23] = 3;  // a declared total of 4 or less counts as no header
  EXPECT_EQ(Verify(image), 1);

  Bytes badVersion = file;
  badVersion[4] = 'X';
  EXPECT_EQ(Verify(badVersion), 0);
  EXPECT_EQ(checker.GetHeaderTotalSize(), 104);  // the extracted header stays
}

}  // namespace
}  // namespace codehdr::test
