// The number conversion every text field and reply goes through.
#include "net/number.h"

#include <gtest/gtest.h>

TEST(ParseNumber, DecimalWithLeadingBlanksAndSign) {
  EXPECT_EQ(ParseNumber("2302"), 2302);
  EXPECT_EQ(ParseNumber("  \t 2302"), 2302);
  EXPECT_EQ(ParseNumber("-17"), -17);
  EXPECT_EQ(ParseNumber("+17"), 17);
  EXPECT_EQ(ParseNumber("\t-0"), 0);
}

TEST(ParseNumber, HexadecimalAndBinaryPrefixes) {
  EXPECT_EQ(ParseNumber("$ff"), 255);
  EXPECT_EQ(ParseNumber("$8FA"), 0x8FA);
  EXPECT_EQ(ParseNumber("-$10"), -16);
  EXPECT_EQ(ParseNumber("%1011"), 11);
  EXPECT_EQ(ParseNumber("%1012"), 5);  // '2' is not a binary digit
  EXPECT_EQ(ParseNumber("12ab"), 12);  // hex digits only after '$'
}

TEST(ParseNumber, StopsAtFirstOtherCharacter) {
  EXPECT_EQ(ParseNumber("60 min"), 60);
  EXPECT_EQ(ParseNumber("1.5"), 1);
  EXPECT_EQ(ParseNumber("$1g"), 1);
  // Blanks are only skipped before the sign, not between sign and digits.
  EXPECT_EQ(ParseNumber("- 5"), 0);
  EXPECT_EQ(ParseNumber(" \n5"), 0);  // only spaces and tabs are blanks
}

TEST(ParseNumber, NoDigitsGiveZero) {
  EXPECT_EQ(ParseNumber(""), 0);
  EXPECT_EQ(ParseNumber("   "), 0);
  EXPECT_EQ(ParseNumber("-"), 0);
  EXPECT_EQ(ParseNumber("$"), 0);
  EXPECT_EQ(ParseNumber("%"), 0);
  EXPECT_EQ(ParseNumber("perm"), 0);
  EXPECT_EQ(ParseNumber("$$1"), 0);
}

TEST(ParseNumber, SixtyFourBitsThenLowThirtyTwo) {
  EXPECT_EQ(ParseNumber("4294967296"), int64_t{4294967296});
  EXPECT_EQ(ParseNumber32("4294967296"), 0);
  EXPECT_EQ(ParseNumber32("4294967297"), 1);
  EXPECT_EQ(ParseNumber32("2147483648"), INT32_MIN);
  EXPECT_EQ(ParseNumber32("-1"), -1);
  EXPECT_EQ(ParseNumber("9223372036854775807"), INT64_MAX);
  // Wraps instead of trapping (the sanitizer build would catch signed overflow).
  EXPECT_EQ(ParseNumber("18446744073709551617"), 1);
  EXPECT_EQ(ParseNumber("$FFFFFFFFFFFFFFFF"), -1);
}
