// "%d"- and "%x"-like conversion of tokens.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "devctl/number_scan.h"

namespace {

using codehdr::devctl::ScanDecimal;
using codehdr::devctl::ScanHex;
using codehdr::devctl::Token;

// The token is the first `length` characters of text; what follows must not
// be read.
Token TokenOf(const char* text, std::size_t length) { return Token{text, length}; }
Token TokenOf(const char* text) { return TokenOf(text, std::strlen(text)); }

TEST(ScanDecimal, ConvertsLikePercentDAndClamps) {
  const struct {
    const char* text;
    int value;
  } cases[] = {{"42", 42}, {"+7", 7}, {"-13", -13}, {"3abc", 3}, {"2147483648", INT_MAX},
               {"-2147483648", INT_MIN}, {"-99999999999999999999", INT_MIN}};
  for (const auto& c : cases) {
    int value = 55;
    EXPECT_TRUE(ScanDecimal(TokenOf(c.text), &value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(ScanHex, ConvertsLikePercentXAndClamps) {
  const struct {
    const char* text;
    unsigned int value;
  } cases[] = {{"1A2", 0x1A2},  {"0x0C0", 0xC0}, {"0XfF", 0xFF},     {"100000000", 0xFFFFFFFFu},
               {"-1", 0xFFFFFFFFu}, {"0x", 0},   {"0xg", 0},         {"-0x10", 0xFFFFFFF0u}};
  for (const auto& c : cases) {
    unsigned int value = 55;
    EXPECT_TRUE(ScanHex(TokenOf(c.text), &value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(NumberScan, NonNumbersLeaveTheValue) {
  for (const char* text : {"abc", "-", "+", "x1", "--1", ""}) {
    int value = 55;
    EXPECT_FALSE(ScanDecimal(TokenOf(text), &value)) << text;
    EXPECT_EQ(value, 55) << text;
  }
  for (const char* text : {"zz", "x10", "-", ""}) {
    unsigned int value = 55;
    EXPECT_FALSE(ScanHex(TokenOf(text), &value)) << text;
    EXPECT_EQ(value, 55u) << text;
  }
}

TEST(NumberScan, ReadsOnlyTheTokenLength) {
  int d = 0;
  unsigned int x = 0;
  EXPECT_TRUE(ScanDecimal(TokenOf("12345", 2), &d));
  EXPECT_EQ(d, 12);
  EXPECT_TRUE(ScanHex(TokenOf("0x1F", 2), &x));  // "0x" alone: its 0
  EXPECT_EQ(x, 0u);
  EXPECT_FALSE(ScanDecimal(TokenOf("-5", 1), &d));
}

}  // namespace
