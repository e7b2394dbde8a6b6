// The Kick and Ban dialogs' rules that need no window.
#include <gtest/gtest.h>

#include <limits>

#include "app/pure/dialog_rules.h"

namespace {

TEST(DaysField, OnlyEmptyOrAllZerosFallBack) {
  EXPECT_TRUE(DaysFieldNeedsReset(""));
  EXPECT_TRUE(DaysFieldNeedsReset("0"));
  EXPECT_TRUE(DaysFieldNeedsReset("0000"));
  EXPECT_FALSE(DaysFieldNeedsReset("7"));
  EXPECT_FALSE(DaysFieldNeedsReset("070"));
  EXPECT_FALSE(DaysFieldNeedsReset("00 "));
}

TEST(BanMinutes, PermanentIsZeroAndDaysAreWholeDaysOfMinutes) {
  EXPECT_EQ(BanMinutes(true, "2"), 0);
  EXPECT_EQ(BanMinutes(false, "2"), 2880);
  EXPECT_EQ(BanMinutes(false, "7"), 7 * 24 * 60);
  EXPECT_EQ(BanMinutes(false, "$A"), 10 * 1440);
  EXPECT_EQ(BanMinutes(false, "1491308"), 1491308 * 1440);  // the last day that fits
}

TEST(BanMinutes, HugeDayCountsStayTheLongestBanInsteadOfWrapping) {
  constexpr int32_t kLongest = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(BanMinutes(false, "1491309"), kLongest);
  // 2^27 days times 1440 is a multiple of 2^32: wrapped, it would read as
  // a permanent ban.
  EXPECT_EQ(BanMinutes(false, "134217728"), kLongest);
  EXPECT_EQ(BanMinutes(false, "9223372036854775807"), kLongest);  // no 64-bit overflow either
  EXPECT_NE(BanMinutes(false, "2982616"), -256);
  EXPECT_GT(BanMinutes(false, "2982616"), 0);
}

TEST(BanMinutes, HugeNegativeDayCountsStayNegativeInsteadOfWrapping) {
  // -2982616 days are -4294967040 minutes: wrapped to 32 bits, 256 minutes.
  EXPECT_EQ(BanMinutes(false, "-2982616"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(BanMinutes(false, "-1491308"), -1491308 * 1440);
}

TEST(NumberTextWithin, ReadsByTheNumberRuleAndNeverWrapsIntoRange) {
  EXPECT_TRUE(NumberTextWithin(" \t+42x", 42, 42));
  EXPECT_TRUE(NumberTextWithin("$FF", 255, 255));
  EXPECT_TRUE(NumberTextWithin("%101", 5, 5));
  EXPECT_TRUE(NumberTextWithin("-7", -7, -7));
  EXPECT_TRUE(NumberTextWithin("abc", 0, 0)) << "no digits read as 0";
  EXPECT_TRUE(NumberTextWithin("9223372036854775807", 0, INT64_MAX));
  EXPECT_TRUE(NumberTextWithin("-9223372036854775808", INT64_MIN, 0));
  // 2^64 + 1 and 2^65 + 1 wrap to 1 in 64 bits.
  EXPECT_FALSE(NumberTextWithin("18446744073709551617", 0, 10));
  EXPECT_FALSE(NumberTextWithin("$20000000000000001", 0, 10));
  EXPECT_FALSE(NumberTextWithin("-18446744073709551615", 0, 10));
  EXPECT_FALSE(NumberTextWithin("9223372036854775808", 0, INT64_MAX));
  EXPECT_FALSE(NumberTextWithin("-9223372036854775809", INT64_MIN, 0));
}

TEST(DialogRanges, MaxPingAndBanDaysRefuseWhatTheServerWouldReadOtherwise) {
  EXPECT_TRUE(MaxPingAccepted("0"));
  EXPECT_TRUE(MaxPingAccepted("250"));
  EXPECT_TRUE(MaxPingAccepted("2147483647"));
  EXPECT_FALSE(MaxPingAccepted("2147483648"));
  EXPECT_FALSE(MaxPingAccepted("4294967297")) << "would go out as maxping 1";
  EXPECT_FALSE(MaxPingAccepted("-1"));

  EXPECT_TRUE(BanDaysAccepted("1"));
  EXPECT_TRUE(BanDaysAccepted("1491308"));
  EXPECT_FALSE(BanDaysAccepted("1491309"));
  EXPECT_FALSE(BanDaysAccepted("0"));
  EXPECT_FALSE(BanDaysAccepted("-2982616"));
  EXPECT_FALSE(BanDaysAccepted("18446744073709551617"));
}

}  // namespace
