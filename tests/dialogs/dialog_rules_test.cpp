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

}  // namespace
