// Reading an image while its CRC-32 runs: the result must equal one pass over
// the whole image with its CRC field zeroed, wherever chunks and pieces split.
#include <cstdio>
#include <string>

#include <codehdr/checksum.h>
#include <gtest/gtest.h>

#include "header/header_test_support.h"
#include "header/image_read.h"
#include "header/layout.h"

namespace codehdr::test {
namespace {

Bytes Pattern(std::size_t len) {
  Bytes bytes(len);
  for (std::size_t i = 0; i < len; ++i) bytes[i] = static_cast<unsigned char>(i * 131 + (i >> 9));
  return bytes;
}

std::uint32_t CrcOfClearedCopy(Bytes bytes) {
  for (std::size_t i = layout::kCrcLoc; i < layout::kCrcLoc + layout::kCrcLen && i < bytes.size(); ++i) bytes[i] = 0;
  return Crc32(bytes.data(), bytes.size());
}

TEST(ImageRead, PiecesAroundTheCrcFieldAddUpToTheClearedImage) {
  const Bytes image = Pattern(64);
  for (std::size_t len : {std::size_t{20}, std::size_t{26}, std::size_t{28}, std::size_t{64}}) {
    const Bytes prefix(image.begin(), image.begin() + len);
    for (std::size_t split = 0; split <= len; ++split) {
      std::uint32_t crc = ExtendCrcWithFieldCleared(0, prefix.data(), 0, split);
      crc = ExtendCrcWithFieldCleared(crc, prefix.data(), split, len);
      EXPECT_EQ(crc, CrcOfClearedCopy(prefix)) << "length " << len << ", split at " << split;
    }
  }
}

class ImageReadFile : public ::testing::Test {
 protected:
  bool Read(const Bytes& contents, std::size_t len, bool wantCrc, std::uint32_t* crc, Bytes* image) {
    WriteFile(path, contents);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    image->assign(len == 0 ? 1 : len, 0);
    const bool ok = ReadImage(file, image->data(), len, wantCrc ? Yes : No, crc);
    std::fclose(file);
    return ok;
  }
  static bool Yes(const unsigned char*) { return true; }
  static bool No(const unsigned char*) { return false; }

  TempDir dir;
  std::string path = dir.File("image.bin");
};

TEST_F(ImageReadFile, ReadsEveryChunkAndComputesTheFileCrc) {
  for (std::size_t len : {kImageReadChunk - 1, kImageReadChunk, 3 * kImageReadChunk + 100}) {
    const Bytes contents = Pattern(len);
    std::uint32_t crc = 0;
    Bytes image;
    ASSERT_TRUE(Read(contents, len, true, &crc, &image));
    EXPECT_EQ(image, contents);
    EXPECT_EQ(crc, CrcOfClearedCopy(contents)) << "length " << len;
  }
}

TEST_F(ImageReadFile, SkipsTheCrcWhenNotWantedAndReportsShortReads) {
  const Bytes contents = Pattern(kImageReadChunk + 10);
  std::uint32_t crc = 0x12345678;
  Bytes image;
  ASSERT_TRUE(Read(contents, contents.size(), false, &crc, &image));
  EXPECT_EQ(crc, 0x12345678u);
  EXPECT_FALSE(Read(contents, contents.size() + 1, true, &crc, &image));
  EXPECT_EQ(crc, 0x12345678u);
}

}  // namespace
}  // namespace codehdr::test
