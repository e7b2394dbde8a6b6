// The "players" reply, the player list it builds and the kick/ban lookups.
#include "net/player_rows.h"
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

TEST(Players, LinesThatEndEarlyKeepTheFieldsTheyHave) {
  const auto list = ParsePlayerLines(kHeader + "nospaces\n5 10.0.0.9 12 g Bob\n6 10.0.0.6:2304 47\n7 10.0.0.7:2304 48 " +
                                     kGuid + "\n");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].number, 0);  // the first column, and not a number
  EXPECT_EQ(list[0].name, "");
  EXPECT_EQ(list[0].address, "");
  EXPECT_EQ(list[1].address, "10.0.0.9");  // no port given
  EXPECT_EQ(list[1].port, 0);
  EXPECT_EQ(list[1].name, "Bob");
  // Ends after the ping: the ping is the ping, not the name.
  EXPECT_EQ(list[2].number, 6);
  EXPECT_EQ(list[2].address, "10.0.0.6");
  EXPECT_EQ(list[2].ping, 47);
  EXPECT_EQ(list[2].guid, "");
  EXPECT_EQ(list[2].name, "");
  // Ends after the GUID: no name.
  EXPECT_EQ(list[3].ping, 48);
  EXPECT_EQ(list[3].guid, kGuid);
  EXPECT_EQ(list[3].name, "");
}

TEST(Players, HeaderIsCountedInCharactersNotBytes) {
  std::string header = kHeader;
  header.replace(0, 1, "\xC3\x9F");  // one character, two bytes
  ASSERT_EQ(ParsePlayerLines(header + kJohn).size(), 1u);
  EXPECT_EQ(ParsePlayerLines(header + kJohn)[0].number, 3);
  // Outside the Basic Multilingual Plane a character counts twice, as a
  // UTF-16 program counts it: four bytes stand for two header characters.
  header = kHeader;
  header.replace(0, 2, "\xF0\x9F\x8E\xAE");
  ASSERT_EQ(ParsePlayerLines(header + kJohn).size(), 1u);
  EXPECT_EQ(ParsePlayerLines(header + kJohn)[0].number, 3);
  EXPECT_EQ(SkipCharacters("\xF0\x9F\x8E\xAE" "ab", 2), "ab");
  EXPECT_EQ(SkipCharacters("\xF0\x9F\x8E\xAE" "ab", 3), "b");
}

TEST(Players, HandlerReplacesTheListAndShowsTheCount) {
  Fake.Reset();
  ForgetPlayerRows();
  RegisterInfoRowsForTests();
  EXPECT_EQ(ParsePlayerList(0, kHeader + kJohn + "7 1.2.3.4:1 5 " + kGuid + " John Smith\n"), 0);
  EXPECT_EQ(PlayerList.size(), 2u);  // duplicate names are both kept
  EXPECT_EQ(Fake.calls, (std::vector<std::string>{"PlayersList_InsertRow:John Smith", "PlayersList_InsertRow:John Smith",
                                                  "SetInfoValue:BE_PLAYERS=2"}));

  // A shorter reply after a longer one: the records reused in place must not
  // keep fields of the old ones.
  EXPECT_EQ(ParsePlayerList(0, kHeader + "plain\n"), 0);
  EXPECT_EQ(PlayerList[0].name, "");
  ASSERT_EQ(PlayerList.size(), 1u);
  EXPECT_EQ(PlayerList[0].port, 0);
  EXPECT_EQ(PlayerList[0].guid, "");
  EXPECT_EQ(PlayerList[0].address, "");
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "1");

  ParsePlayerList(0, "short");
  EXPECT_TRUE(PlayerList.empty());
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "0");
}

TEST(Players, APlayerIsFoundByNumberAndGuidOrByNumberAndAddressWhileItIsUnknown) {
  PlayerList = ParsePlayerLines(kHeader + "1 10.0.0.1:1 0 ga(OK) A\n2 10.0.0.2:1 0 - B\n3 10.0.0.1:2 0 gc(?) C\n");
  struct Case {
    PlayerIdentity held;
    int found;  // the number found, -1: nobody
  };
  const Case cases[] = {
      {{1, "ga", "10.0.0.1", "A"}, 1},
      {{1, "ga", "10.9.9.9", "A"}, 1},   // the GUID decides, not the address
      {{3, "gc", "10.0.0.1", "C"}, 3},   // "(?)" and "(OK)" say nothing of who he is
      {{3, "ga", "10.0.0.1", "A"}, -1},  // same address, another player
      {{2, "", "10.0.0.2", "B"}, 2},     // no GUID yet: the address
      {{2, "", "10.0.0.9", "B"}, -1},
      {{4, "ga", "10.0.0.1", "A"}, -1},  // his number is no longer his
      {{-1, "", "", ""}, -1},
  };
  for (const Case& c : cases) {
    const PlayerRecord* record = FindPlayer(c.held);
    EXPECT_EQ(record != nullptr ? record->number : -1, c.found) << c.held.number << " " << c.held.guid;
  }
}

TEST(PayloadText, DecodesUpToTheFirstNulReplacingInvalidBytes) {
  const uint8_t text[] = {'a', 0xC3, 0xA9, 'b', 0xFF, 'c', 0x00, 'd'};
  EXPECT_EQ(DecodePayloadText(text, sizeof text), "a\xC3\xA9" "b\xEF\xBF\xBD" "c");
  EXPECT_EQ(DecodePayloadText(text, 2), "a\xEF\xBF\xBD");  // cut inside a character
  EXPECT_EQ(DecodePayloadText(nullptr, 5), "");
  // Stray continuation bytes, alone and in a run, each become one U+FFFD.
  const uint8_t stray[] = {'x', 0x80, 'y', 0x80, 0xBF};
  EXPECT_EQ(DecodePayloadText(stray, sizeof stray), "x\xEF\xBF\xBDy\xEF\xBF\xBD\xEF\xBF\xBD");
  // A character straddling the eight-byte steps of the ASCII scan.
  const std::string ascii = "0123456\xE2\x82\xAC" "89abcdefghij";
  EXPECT_EQ(DecodePayloadText(reinterpret_cast<const uint8_t*>(ascii.data()), ascii.size()), ascii);
}

}  // namespace
