// The "players" reply, the player list it builds and the kick/ban lookups.
#include "net/players.h"
#include "net/text.h"
#include "tests/net/fake_shell.h"

#include <gtest/gtest.h>

namespace {

const std::string kHeader =
    "Players on server:\n[#] [IP Address]:[Port] [Ping] [GUID] [Name]\n"
    "--------------------------------------------------\n";
const std::string kGuid = "0123456789abcdef0123456789abcdef";
const std::string kJohn = "3   192.168.0.5:2304   47   " + kGuid + "   John Smith\n";

TEST(Players, LineWithRunsOfSpacesAndANameWithSpaces) {
  ASSERT_EQ(kHeader.size(), 115u);
  const auto list = ParsePlayerLines(kHeader + kJohn);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].number, 3);
  EXPECT_EQ(list[0].address, "192.168.0.5");
  EXPECT_EQ(list[0].port, 2304);
  EXPECT_EQ(list[0].ping, 47);
  EXPECT_EQ(list[0].guid, kGuid);
  EXPECT_EQ(list[0].name, "John Smith");
}

TEST(Players, OnlyLinesEndedByALineFeedAreRecords) {
  const auto list = ParsePlayerLines(kHeader + kJohn + "4 10.0.0.1:2305 80 " + kGuid + " Anna\n(2 players in total)");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].name, "Anna");
  EXPECT_TRUE(ParsePlayerLines(kHeader.substr(0, 114)).empty());
  EXPECT_TRUE(ParsePlayerLines(kHeader).empty());
}

TEST(Players, MalformedLinesKeepWhatTheyHave) {
  const auto list = ParsePlayerLines(kHeader + "nospaces\n5 10.0.0.9 12 g Bob\n");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "nospaces");
  EXPECT_EQ(list[0].number, 0);
  EXPECT_EQ(list[0].address, "");
  EXPECT_EQ(list[0].guid, "");
  EXPECT_EQ(list[1].address, "10.0.0.9");  // no port given
  EXPECT_EQ(list[1].port, 0);
}

TEST(Players, HeaderIsCountedInCharactersNotBytes) {
  std::string header = kHeader;
  header.replace(0, 1, "\xC3\x9F");  // one character, two bytes
  ASSERT_EQ(ParsePlayerLines(header + kJohn).size(), 1u);
  EXPECT_EQ(ParsePlayerLines(header + kJohn)[0].number, 3);
}

TEST(Players, HandlerReplacesTheListAndShowsTheCount) {
  Fake.Reset();
  RegisterInfoRowsForTests();
  EXPECT_EQ(ParsePlayerList(0, kHeader + kJohn + "7 1.2.3.4:1 5 " + kGuid + " John Smith\n"), 0);
  EXPECT_EQ(PlayerList.size(), 2u);  // duplicate names are both kept
  EXPECT_EQ(Fake.calls, (std::vector<std::string>{"PlayersList_Clear", "SetInfoValue:BE_PLAYERS=2"}));

  // A shorter reply after a longer one: the records reused in place must not
  // keep fields of the old ones.
  EXPECT_EQ(ParsePlayerList(0, kHeader + "plain\n"), 0);
  ASSERT_EQ(PlayerList.size(), 1u);
  EXPECT_EQ(PlayerList[0].port, 0);
  EXPECT_EQ(PlayerList[0].guid, "");
  EXPECT_EQ(PlayerList[0].address, "");
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "1");

  ParsePlayerList(0, "short");
  EXPECT_TRUE(PlayerList.empty());
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "0");
}

TEST(Players, KickAndBanAimAtThePlayerTheRowShowsNotJustItsAddress) {
  // A and C play behind one address: the row of A must never kick or ban C.
  PlayerList = ParsePlayerLines(kHeader + "1 10.0.0.1:1 0 ga A\n2 10.0.0.2:1 0 gb B\n3 10.0.0.1:2 0 gc C\n");
  int32_t number = -5;
  EXPECT_TRUE(FindKickTarget("10.0.0.1", "A", "ga", &number));
  EXPECT_EQ(number, 1);
  EXPECT_TRUE(FindBanTarget("10.0.0.1", "C", "gc", &number));
  EXPECT_EQ(number, 3);
  // A row drawn from an older list (same address, another player now) or no
  // row at all finds nobody, and leaves the number alone.
  EXPECT_FALSE(FindKickTarget("10.0.0.1", "A", "gc", &number));
  EXPECT_FALSE(FindKickTarget("10.0.0.3", "A", "ga", &number));
  EXPECT_FALSE(FindBanTarget("", "", "", &number));
  EXPECT_EQ(number, 3);

  // Records alike in all three: a kick takes the last, a ban the first.
  PlayerList = ParsePlayerLines(kHeader + "4 10.0.0.1:1 0 g Twin\n5 10.0.0.1:2 0 g Twin\n");
  EXPECT_TRUE(FindKickTarget("10.0.0.1", "Twin", "g", &number));
  EXPECT_EQ(number, 5);
  EXPECT_TRUE(FindBanTarget("10.0.0.1", "Twin", "g", &number));
  EXPECT_EQ(number, 4);
}

TEST(PayloadText, DecodesUpToTheFirstNulReplacingInvalidBytes) {
  const uint8_t text[] = {'a', 0xC3, 0xA9, 'b', 0xFF, 'c', 0x00, 'd'};
  EXPECT_EQ(DecodePayloadText(text, sizeof text), "a\xC3\xA9" "b\xEF\xBF\xBD" "c");
  EXPECT_EQ(DecodePayloadText(text, 2), "a\xEF\xBF\xBD");  // cut inside a character
  EXPECT_EQ(DecodePayloadText(nullptr, 5), "");
  // A character straddling the eight-byte steps of the ASCII scan.
  const std::string ascii = "0123456\xE2\x82\xAC" "89abcdefghij";
  EXPECT_EQ(DecodePayloadText(reinterpret_cast<const uint8_t*>(ascii.data()), ascii.size()), ascii);
}

}  // namespace
