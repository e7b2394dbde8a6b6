// The "bans" reply and the "Banned until" time.
#include "net/bans.h"
#include "tests/net/fake_shell.h"

#include <gtest/gtest.h>

namespace {

const std::string kHeader =
    "GUID Bans:\n[#] [GUID] [Minutes left] [Reason]\n---------------------------------------\n";
const std::string kIpSection = "\nIP Bans:\n[#] [IP Address] [Minutes left] [Reason]\n0 1.2.3.4 perm Ip ban\n";
const std::string kGuid = "0123456789abcdef0123456789abcdef";
constexpr int64_t kNewYearsEve2345 = 1735689600 - 15 * 60;  // 31.12.2024 23:45

TEST(BanTime, FormatsDayMonthYearHourMinute) {
  EXPECT_EQ(FormatBanTime(0), "01.01.1970 - 00:00");
  EXPECT_EQ(FormatBanTime(kNewYearsEve2345 + 90 * 60), "01.01.2025 - 01:15");
  EXPECT_EQ(FormatBanTime(kNewYearsEve2345 + 14 * 60 + 59), "31.12.2024 - 23:59");
  EXPECT_EQ(FormatBanTime(-60), "31.12.1969 - 23:59");
  EXPECT_EQ(FormatBanTime(253402300800), "01.01.10000 - 00:00");  // the year keeps all its digits
}

TEST(BanTime, LeapYears) {
  EXPECT_EQ(FormatBanTime(1709164800), "29.02.2024 - 00:00");
  EXPECT_EQ(FormatBanTime(951782400), "29.02.2000 - 00:00");          // divisible by 400
  EXPECT_EQ(FormatBanTime(-2203891200 - 60), "28.02.1900 - 23:59");   // by 100 only: no 29th
  EXPECT_EQ(FormatBanTime(1677628800 - 1), "28.02.2023 - 23:59");
  EXPECT_EQ(FormatBanTime(1677628800 + 366 * 86400), "01.03.2024 - 00:00");
}

TEST(Bans, GuidSectionOnlyEachLineItsOwnRecord) {
  ASSERT_EQ(kHeader.size(), 86u);
  const auto bans = ParseBanLines(kHeader + "0 " + kGuid + " perm Cheating\n\n"
                                  "1  fedcba  90  Spam in chat\n" + kIpSection, kNewYearsEve2345);
  ASSERT_EQ(bans.size(), 2u);
  EXPECT_EQ(bans[0].number, 0);
  EXPECT_EQ(bans[0].guid, kGuid);
  EXPECT_EQ(bans[0].until, "permanently");
  EXPECT_EQ(bans[0].reason, "Cheating");
  EXPECT_EQ(bans[1].number, 1);
  EXPECT_EQ(bans[1].until, "01.01.2025 - 01:15");
  EXPECT_EQ(bans[1].reason, "Spam in chat");
}

TEST(Bans, ALineEndingAfterItsMinutesHasThoseMinutesAndNoReason) {
  const auto bans = ParseBanLines(kHeader + "2 " + kGuid + " 90\n3 " + kGuid + " perm\n4 " + kGuid + "\n" + kIpSection,
                                  kNewYearsEve2345);
  ASSERT_EQ(bans.size(), 3u);
  EXPECT_EQ(bans[0].number, 2);
  EXPECT_EQ(bans[0].until, "01.01.2025 - 01:15");
  EXPECT_EQ(bans[0].reason, "");
  EXPECT_EQ(bans[1].until, "permanently");
  EXPECT_EQ(bans[1].reason, "");
  EXPECT_EQ(bans[2].guid, kGuid);  // no minutes at all: the time is now
  EXPECT_EQ(bans[2].until, FormatBanTime(kNewYearsEve2345));
  EXPECT_EQ(bans[2].reason, "");
}

TEST(Bans, RepliesWithoutGuidBans) {
  EXPECT_TRUE(ParseBanLines(kHeader + kIpSection, 0).empty());  // "\nIP Bans" right after the header
  EXPECT_TRUE(ParseBanLines(kHeader + "\n" + kIpSection, 0).empty());
  EXPECT_TRUE(ParseBanLines(kHeader + "0 g perm x\n", 0).empty());  // no IP section: not a reply we know
  EXPECT_TRUE(ParseBanLines("GUID Bans:", 0).empty());
}

TEST(Bans, MinutesAtTheEdgesOfSixtyFourBits) {
  // Wraps instead of overflowing; the sanitizers would catch the latter.
  const auto bans = ParseBanLines(kHeader + "0 g $7FFFFFFFFFFFFFFF x\n1 g -$7FFFFFFFFFFFFFFF y\n" + kIpSection,
                                  INT64_MAX);
  ASSERT_EQ(bans.size(), 2u);
  EXPECT_FALSE(bans[0].until.empty());
  EXPECT_FALSE(FormatBanTime(INT64_MIN).empty());
}

TEST(Bans, ListViewAndBanListAreReplacedByEachReply) {
  Fake.Reset();
  ParseBanList(kHeader + "0 a perm r1\n1 b perm r2\n" + kIpSection, 0);
  ParseBanList(kHeader + "0 c 60 r3\n" + kIpSection, 0);
  EXPECT_EQ(Fake.calls, (std::vector<std::string>{"BansList_InsertRow:a", "BansList_InsertRow:b",
                                                  "BansList_RemoveRow:a", "BansList_RemoveRow:b",
                                                  "BansList_InsertRow:c"}));
  ASSERT_EQ(BanList.size(), 1u);
  EXPECT_EQ(BanList[0].guid, "c");
  EXPECT_EQ(Fake.bans[0], (BanRow{"c", "01.01.1970 - 01:00", "r3"}));
}

}  // namespace
