// The format check of version strings.
#include <gtest/gtest.h>

#include <string>

#include <codehdr/version_string.h>

namespace {

struct CheckCase {
  const char* str;
  unsigned char count;
  int expected;
};

class VersionCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(VersionCheck, GivesExpectedResult) {
  const CheckCase& c = GetParam();
  EXPECT_EQ(VerifyCodeVersionFormat(c.str, c.count), c.expected) << '"' << c.str << "\" count " << int{c.count};
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, VersionCheck,
                         testing::Values(CheckCase{"R01A02.3", 16, 1}, CheckCase{"P12D05", 16, 1},
                                         CheckCase{"P12D05.45", 16, 1}, CheckCase{"P12D05.456", 16, 1},
                                         CheckCase{"R01A02.", 16, 1}, CheckCase{"R01A02 extra", 16, 1},
                                         CheckCase{"R01A02-3", 16, 1}, CheckCase{"R01A02x.5", 16, 1},
                                         CheckCase{"R01A02.3x", 16, 0}, CheckCase{"R01I02", 16, 0},
                                         CheckCase{"R01a02", 16, 0}, CheckCase{"r01A02", 16, 0},
                                         CheckCase{"X01A02", 16, 0}, CheckCase{"R1A02", 16, 0}));

INSTANTIATE_TEST_SUITE_P(
    CountAndPrefix, VersionCheck,
    testing::Values(CheckCase{"garbage", 0, 1}, CheckCase{"R01A02.3", 17, 0}, CheckCase{"R01A02.3", 255, 0},
                    CheckCase{"", 16, 1}, CheckCase{"P", 16, 1}, CheckCase{"R01", 16, 1},
                    CheckCase{"R01A02.x", 6, 1}, CheckCase{"R01A02.x", 8, 0}, CheckCase{"R01A02.x", 7, 1},
                    CheckCase{"R01O02", 16, 0}, CheckCase{"R01A0", 16, 1}, CheckCase{"RA", 16, 0},
                    CheckCase{"R01A02.123456789", 16, 1}, CheckCase{"R01A02.1234567890", 16, 1},
                    CheckCase{"R01A02.123456789x", 16, 1}, CheckCase{"R01A02.12345678x", 16, 0},
                    CheckCase{"R01A02..", 16, 0}, CheckCase{"R0\xb1" "A02", 16, 0},
                    CheckCase{"R01A02.\xb9", 16, 0}, CheckCase{"R01[02", 16, 0}, CheckCase{"R01@02", 16, 0}));

TEST(VersionCheckBounds, StopsAtCountWithoutReadingFurther) {
  // Only the first three bytes exist; a count of 3 must not look beyond them.
  const char unterminated[3] = {'R', '0', '1'};
  EXPECT_EQ(VerifyCodeVersionFormat(unterminated, 3), 1);
}

TEST(VersionCheckBounds, NullStringIsRefusedUnlessNothingIsExamined) {
  EXPECT_EQ(VerifyCodeVersionFormat(nullptr, 16), 0);
  EXPECT_EQ(VerifyCodeVersionFormat(nullptr, 0), 1);
}

}  // namespace
