// The version string functions of namespace codehdr: what they add to the
// classic entry points (optional results, a build of "none", size_t counts).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <codehdr/version_string.h>

namespace {

TEST(FormatVersion, BuildsOrRefuses) {
  const struct {
    unsigned major;
    unsigned minor;
    char release;
    int build;
    bool prelim;
    std::optional<std::string> expected;
  } cases[] = {
      {1, 2, 'a', 3, false, "R01A02.3"},
      {12, 5, 'D', -1, true, "P12D05"},
      {0, 0, 'z', 0, false, "R00Z00.0"},
      {1, 2, 'A', -1, false, "R01A02"},
      {3, 20, 'Z', 5, true, "P03Z20.5"},
      {99, 99, 'O', 9, true, "P99O99.9"},
      {100, 1, 'A', -1, false, std::nullopt},
      {1, 100, 'A', -1, false, std::nullopt},
      {1, 1, 'A', 10, false, std::nullopt},
      {1, 1, 'A', -2, false, std::nullopt},
      {1, 1, '[', -1, false, std::nullopt},
      {1, 1, '`', -1, false, std::nullopt},
      {1, 1, static_cast<char>(0xE1), -1, false, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(codehdr::FormatVersion(c.major, c.minor, c.release, c.build, c.prelim), c.expected)
        << c.major << ' ' << c.minor << ' ' << c.release << ' ' << c.build;
  }
}

TEST(ParseVersion, SplitsOrRefuses) {
  const struct {
    const char* text;
    bool valid;
    int major;
    int minor;
    char letter;
    std::optional<int> build;
  } cases[] = {
      {"R01A02.3", true, 1, 2, 'A', 3},
      {"P12D05.456", true, 12, 5, 'D', 45},
      {"P12D05", true, 12, 5, 'D', std::nullopt},  // no '.': no build
      {"R01A02.", true, 1, 2, 'A', 0},             // a '.' with nothing after it: 0
      {"R01A02x.5", true, 1, 2, 'A', 5},
      {"R01", true, 1, 0, '\0', std::nullopt},
      {"", true, 0, 0, '\0', std::nullopt},
      {"R01I02", false, 0, 0, '\0', std::nullopt},
      {"R01A02.3x", false, 0, 0, '\0', std::nullopt},
      {nullptr, false, 0, 0, '\0', std::nullopt},
  };
  for (const auto& c : cases) {
    const char* name = c.text != nullptr ? c.text : "(null)";
    const std::optional<codehdr::Version> v = codehdr::ParseVersion(c.text);
    ASSERT_EQ(v.has_value(), c.valid) << name;
    if (!v) continue;
    EXPECT_EQ(v->major, c.major) << name;
    EXPECT_EQ(v->minor, c.minor) << name;
    EXPECT_EQ(v->letter, c.letter) << name;
    EXPECT_EQ(v->build, c.build) << name;
  }
}

TEST(CheckVersion, CountIsNotNarrowedAndNullFails) {
  EXPECT_TRUE(codehdr::CheckVersion("R01A02.3", 16));
  EXPECT_FALSE(codehdr::CheckVersion("R01A02.3", 17));
  EXPECT_FALSE(codehdr::CheckVersion("R01A02.3", 256));  // 0 once narrowed to a byte
  EXPECT_TRUE(codehdr::CheckVersion("junk", 0));
  EXPECT_FALSE(codehdr::CheckVersion(nullptr, 0));
  EXPECT_FALSE(codehdr::CheckVersion(nullptr, 16));
}

}  // namespace
