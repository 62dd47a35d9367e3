// The CCodeHeader members hand every argument through in its own position.
#include <gtest/gtest.h>

#include <cstring>

#include <codehdr/code_header.h>

namespace {

TEST(CodeHeaderVersion, BuildPassesEachArgumentInPlace) {
  CCodeHeader header;
  char ver[16];
  std::memcpy(ver, "untouched", 10);
  EXPECT_EQ(header.BuildFormattedVerStr(12, 5, ver, 'd', 9, 7, 1), 1);
  EXPECT_STREQ(ver, "P12D05.7");
  EXPECT_EQ(header.BuildFormattedVerStr(1, 1, ver, 'A', 8, 255, 0), 0);
  EXPECT_STREQ(ver, "P12D05.7");
}

TEST(CodeHeaderVersion, ParsePassesEachOutputInPlace) {
  CCodeHeader header;
  int major = 0, minor = 0, build = 0;
  char letter = 0;
  ASSERT_EQ(header.ParseFormattedVersionStr("R03B04.56", &major, &minor, &letter, &build), 1);
  EXPECT_EQ(major, 3);
  EXPECT_EQ(minor, 4);
  EXPECT_EQ(letter, 'B');
  EXPECT_EQ(build, 56);
  EXPECT_EQ(header.ParseFormattedVersionStr("R03I04", &major, &minor, &letter, &build), 0);
  EXPECT_EQ(major, 3);
}

}  // namespace
