// "%d"- and "%x"-like conversion of tokens, checked against sscanf itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "devctl/device_file.h"

namespace {

using codehdr::devctl::ScanDecimal;
using codehdr::devctl::ScanHex;
using codehdr::devctl::Token;

Token TokenOf(const char* text, std::size_t length) { return Token{text, length}; }
Token TokenOf(const char* text) { return TokenOf(text, std::strlen(text)); }

const char* const kTokens[] = {
    "42",         "+7",          "-13",        "3abc",        "2147483647", "2147483648",  "-2147483648",
    "4294967295", "4294967296",  "-1",         "-99999999999999999999",     "1A2",         "0x0C0",
    "0XfF",       "100000000",   "0x",         "0xg",         "-0x10",      "\v5",         "\f1A",
    "\v\f-8",     "abc",         "-",          "+",           "x1",         "--1",         "",
    "zz",         "x10",         "0009",       "1e5",         "12345678901234567890123",
};

TEST(NumberScan, DecimalAgreesWithPercentD) {
  for (const char* text : kTokens) {
    int expected = 55;
    const bool converts = std::sscanf(text, "%d", &expected) == 1;
    int value = 55;
    EXPECT_EQ(ScanDecimal(TokenOf(text), &value), converts) << text;
    EXPECT_EQ(value, converts ? expected : 55) << text;
  }
}

TEST(NumberScan, HexAgreesWithPercentX) {
  for (const char* text : kTokens) {
    unsigned int expected = 55;
    const bool converts = std::sscanf(text, "%x", &expected) == 1;
    unsigned int value = 55;
    EXPECT_EQ(ScanHex(TokenOf(text), &value), converts) << text;
    EXPECT_EQ(value, converts ? expected : 55u) << text;
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
  // A token longer than any line can hold is cut to a line's length.
  const std::string longToken(300, '7');
  EXPECT_TRUE(ScanDecimal(TokenOf(longToken.c_str()), &d));
}

}  // namespace
