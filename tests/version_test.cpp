// Formatted version strings: the check, the builder and the parser, through both APIs.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include <codehdr/code_header.h>
#include <codehdr/version_string.h>

namespace {

// An exact-size heap copy, so that the sanitizer build sees reads past the NUL.
std::unique_ptr<char[]> Exact(const char* text, std::size_t size) {
  return std::unique_ptr<char[]>(static_cast<char*>(std::memcpy(new char[size], text, size)));
}

// Strings at every count are checked against a model of the form by the version fuzz target over its corpus; these are
// the cases it cannot express.
TEST(VersionCheck, NullAndUnterminatedStrings) {
  EXPECT_EQ(VerifyCodeVersionFormat(nullptr, 16), 0);
  EXPECT_EQ(VerifyCodeVersionFormat(nullptr, 0), 1);
  EXPECT_EQ(VerifyCodeVersionFormat(Exact("R01", 3).get(), 3), 1);  // a count of 3 looks no further
  EXPECT_FALSE(codehdr::CheckVersion(nullptr, 0));
  // A classic object takes a code version of up to 16 characters that passes the check, and holds 15 of it; anything
  // else leaves it as it was.
  CCodeHeader h;
  for (const char* refused : {static_cast<const char*>(nullptr), "R01A02.1234567890", "R01I02"}) {
    EXPECT_EQ(h.InsertHeaderCodeVer(refused), 0) << (refused ? refused : "null");
  }
  EXPECT_EQ(h.InsertHeaderCodeVer("R01A02.123456789"), 1);
  EXPECT_STREQ(h.codeVer, "R01A02.12345678");
}

TEST(VersionBuild, WritesTheStringOrLeavesTheBuffer) {
  constexpr char kUntouched[] = "untouched~~~~~~";  // all of it left as it was when refused (verStr null)
  const struct { unsigned char maj, min; char incrRel; unsigned char buildNo; int prelim, size; const char* verStr; }
  cases[] = {
      {1, 2, 'a', 3, 0, 16, "R01A02.3"}, {0, 0, 'z', 0, 0, 9, "R00Z00.0"}, {99, 99, 'Z', 9, 1, 16, "P99Z99.9"},
      {10, 9, 'A', 255, -5, 9, "P10A09"}, {100, 1, 'A', 255, 0, 16, nullptr}, {1, 100, 'A', 255, 0, 16, nullptr},
      {1, 1, 'A', 255, 0, 8, nullptr}, {1, 1, 'A', 10, 0, 16, nullptr}, {1, 1, '[', 255, 0, 16, nullptr},
      {1, 1, '@', 255, 0, 16, nullptr}, {1, 1, '`', 255, 0, 16, nullptr}, {1, 1, '{', 255, 0, 16, nullptr},
  };
  CCodeHeader h;
  for (const auto& c : cases) {
    const auto out = Exact(kUntouched, c.size);
    std::string expected(kUntouched, c.size);
    if (c.verStr) std::strcpy(expected.data(), c.verStr);
    EXPECT_EQ(h.BuildFormattedVerStr(c.maj, c.min, out.get(), c.incrRel, c.size, c.buildNo, c.prelim), c.verStr ? 1 : 0)
        << int{c.maj} << ' ' << int{c.min} << ' ' << c.incrRel << ' ' << int{c.buildNo} << ' ' << int{c.size};
    EXPECT_EQ(std::string(out.get(), c.size), expected);
  }
  EXPECT_EQ(h.BuildFormattedVerStr(1, 2, nullptr, 'A', 16, 3, 0), 0);
  EXPECT_EQ(codehdr::FormatVersion(1, 1, 'A', -2, false), std::nullopt);
}

TEST(VersionParse, SplitsAStringThatPassesTheCheck) {
  const struct { const char* str; int result, major, minor; char letter; int build; } cases[] = {
      {"R01A02.3", 1, 1, 2, 'A', 3}, {"P12D05", 1, 12, 5, 'D', 0}, {"P12D05.456", 1, 12, 5, 'D', 45},
      {"R01A02x.5", 1, 1, 2, 'A', 5}, {"R01I02", 0, -7, -7, '?', -7},  // the first '.' anywhere; refused as checked
      // Shorter than the fixed part: missing numbers read 0, a missing letter NUL.
      {"", 1, 0, 0, '\0', 0}, {"R01", 1, 1, 0, '\0', 0}, {"R01B7", 1, 1, 7, 'B', 0}, {"R 5.9", 1, 5, 9, '.', 9},
  };
  CCodeHeader h;
  for (const auto& c : cases) {
    int major = -7, minor = -7, build = -7;
    char letter = '?';
    const auto str = Exact(c.str, std::strlen(c.str) + 1);
    ASSERT_EQ(h.ParseFormattedVersionStr(str.get(), &major, &minor, &letter, &build), c.result) << c.str;
    EXPECT_EQ(std::tie(major, minor, letter, build), std::tie(c.major, c.minor, c.letter, c.build)) << c.str;
  }
  EXPECT_EQ(h.ParseFormattedVersionStr("P12D05.45", nullptr, nullptr, nullptr, nullptr), 1);  // outputs not wanted
  EXPECT_EQ(h.ParseFormattedVersionStr(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  // The namespace function tells a missing build number from a 0.
  EXPECT_EQ(codehdr::ParseVersion("P12D05")->build, std::nullopt);
  EXPECT_EQ(codehdr::ParseVersion("R01A02.")->build, 0);
}

}  // namespace
