// Building and parsing version strings through the classic members.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/version_string.h>

namespace {

int BuildVersionString(unsigned char maj, unsigned char min, char* verStr, char incrRel, unsigned char verStrSize,
                       unsigned char buildNo, int prelim) {
  CCodeHeader header;
  return header.BuildFormattedVerStr(maj, min, verStr, incrRel, verStrSize, buildNo, prelim);
}

int ParseVersionString(const char* str, int* major, int* minor, char* letter, int* build) {
  CCodeHeader header;
  return header.ParseFormattedVersionStr(str, major, minor, letter, build);
}

constexpr char kUntouched[] = "untouched~~~~~~";

struct BuildCase {
  unsigned char maj;
  unsigned char min;
  char incrRel;
  unsigned char buildNo;
  int prelim;
  unsigned char verStrSize;
  int expected;
  const char* verStr;  // what the buffer holds afterwards
};

class VersionBuild : public testing::TestWithParam<BuildCase> {};

TEST_P(VersionBuild, WritesOrLeavesBuffer) {
  const BuildCase& c = GetParam();
  char buf[16];
  std::memcpy(buf, kUntouched, sizeof buf);
  EXPECT_EQ(BuildVersionString(c.maj, c.min, buf, c.incrRel, c.verStrSize, c.buildNo, c.prelim), c.expected);
  EXPECT_STREQ(buf, c.verStr);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, VersionBuild,
    testing::Values(BuildCase{1, 2, 'a', 3, 0, 16, 1, "R01A02.3"}, BuildCase{12, 5, 'D', 255, 1, 16, 1, "P12D05"},
                    BuildCase{0, 0, 'z', 0, 0, 9, 1, "R00Z00.0"}, BuildCase{99, 99, 'I', 9, 1, 16, 1, "P99I99.9"},
                    BuildCase{100, 1, 'A', 255, 0, 16, 0, kUntouched},
                    BuildCase{1, 1, 'A', 255, 0, 8, 0, kUntouched},
                    BuildCase{1, 1, 'A', 10, 0, 16, 0, kUntouched},
                    BuildCase{1, 1, '[', 255, 0, 16, 0, kUntouched}));

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, VersionBuild,
    testing::Values(BuildCase{1, 100, 'A', 255, 0, 16, 0, kUntouched},
                    BuildCase{1, 1, 'A', 254, 0, 16, 0, kUntouched},
                    BuildCase{1, 1, '@', 255, 0, 16, 0, kUntouched},
                    BuildCase{1, 1, '`', 255, 0, 16, 0, kUntouched},
                    BuildCase{1, 1, '{', 255, 0, 16, 0, kUntouched},
                    BuildCase{1, 1, '1', 255, 0, 16, 0, kUntouched},
                    BuildCase{1, 1, static_cast<char>(0xC1), 255, 0, 16, 0, kUntouched},
                    // The size is refused first, whatever else is wrong.
                    BuildCase{200, 200, '[', 99, 0, 0, 0, kUntouched},
                    // Any nonzero prelim gives 'P'; 'o' is accepted like 'I'.
                    BuildCase{7, 9, 'o', 255, -5, 9, 1, "P07O09"}));

TEST(VersionBuild, LettersIAndOMakeStringsTheCheckRefuses) {
  EXPECT_EQ(VerifyCodeVersionFormat("P99I99.9", 16), 0);
  EXPECT_EQ(VerifyCodeVersionFormat("P07O09", 16), 0);
}

TEST(VersionBuild, WritesNothingPastTheNineByteMinimum) {
  // Exactly nine bytes: ASan reports any write beyond them.
  auto buf = std::make_unique<char[]>(9);
  ASSERT_EQ(BuildVersionString(42, 7, buf.get(), 'k', 9, 4, 1), 1);
  EXPECT_STREQ(buf.get(), "P42K07.4");
}

TEST(VersionBuild, NullBufferIsRefused) { EXPECT_EQ(BuildVersionString(1, 2, nullptr, 'A', 16, 3, 0), 0); }

struct ParseCase {
  const char* str;
  int expected;
  int major;
  int minor;
  char letter;
  int build;
};

class VersionParse : public testing::TestWithParam<ParseCase> {};

TEST_P(VersionParse, GivesFieldsOrTouchesNothing) {
  const ParseCase& c = GetParam();
  int major = -7, minor = -7, build = -7;
  char letter = '?';
  // Parse a heap copy of the exact length so that ASan catches reads past the NUL.
  const std::size_t len = std::strlen(c.str) + 1;
  auto copy = std::make_unique<char[]>(len);
  std::memcpy(copy.get(), c.str, len);
  ASSERT_EQ(ParseVersionString(copy.get(), &major, &minor, &letter, &build), c.expected) << c.str;
  EXPECT_EQ(major, c.major) << c.str;
  EXPECT_EQ(minor, c.minor) << c.str;
  EXPECT_EQ(letter, c.letter) << c.str;
  EXPECT_EQ(build, c.build) << c.str;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, VersionParse,
    testing::Values(ParseCase{"R01A02.3", 1, 1, 2, 'A', 3}, ParseCase{"P12D05", 1, 12, 5, 'D', 0},
                    ParseCase{"P12D05.45", 1, 12, 5, 'D', 45}, ParseCase{"P12D05.456", 1, 12, 5, 'D', 45},
                    ParseCase{"R01A02.", 1, 1, 2, 'A', 0}, ParseCase{"R01A02 extra", 1, 1, 2, 'A', 0},
                    ParseCase{"R01A02-3", 1, 1, 2, 'A', 0}, ParseCase{"R01A02x.5", 1, 1, 2, 'A', 5},
                    ParseCase{"R01A02.3x", 0, -7, -7, '?', -7}, ParseCase{"R01I02", 0, -7, -7, '?', -7},
                    ParseCase{"R01a02", 0, -7, -7, '?', -7}, ParseCase{"r01A02", 0, -7, -7, '?', -7},
                    ParseCase{"X01A02", 0, -7, -7, '?', -7}, ParseCase{"R1A02", 0, -7, -7, '?', -7}));

// Strings that pass the check but end before the fixed part does: missing
// numbers read 0, a missing letter reads NUL.
INSTANTIATE_TEST_SUITE_P(ShortStrings, VersionParse,
                         testing::Values(ParseCase{"", 1, 0, 0, '\0', 0}, ParseCase{"P", 1, 0, 0, '\0', 0},
                                         ParseCase{"R0", 1, 0, 0, '\0', 0}, ParseCase{"R01", 1, 1, 0, '\0', 0},
                                         ParseCase{"R01B", 1, 1, 0, 'B', 0}, ParseCase{"R01B7", 1, 1, 7, 'B', 0},
                                         ParseCase{"R 5.9", 1, 5, 9, '.', 9},
                                         ParseCase{"R01C02.", 1, 1, 2, 'C', 0}));

TEST(VersionParse, OptionalOutputsMayBeNull) {
  int major = 0, minor = 0;
  ASSERT_EQ(ParseVersionString("P12D05.45", &major, &minor, nullptr, nullptr), 1);
  EXPECT_EQ(major, 12);
  EXPECT_EQ(minor, 5);
}

TEST(VersionParse, NullStringIsRefused) {
  int major = -7, minor = -7;
  EXPECT_EQ(ParseVersionString(nullptr, &major, &minor, nullptr, nullptr), 0);
  EXPECT_EQ(major, -7);
}

}  // namespace
