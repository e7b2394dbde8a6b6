// The status query reply: information values and the players list view rows.
#include "net/players.h"
#include "net/status.h"
#include "platform/platform.h"
#include "tests/net/fake_shell.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

// A reply of exactly the bytes given, in a buffer of exactly that size so the
// sanitizers see any read past its end.
std::vector<uint8_t> Reply(std::initializer_list<std::string> strings, bool lastNul = true) {
  std::vector<uint8_t> bytes = {0x00, 0x04, 0x05, 0x06, 0x07};
  for (const std::string& s : strings) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
  }
  if (!lastNul) bytes.pop_back();
  bytes.shrink_to_fit();
  return bytes;
}

void Parse(const std::vector<uint8_t>& reply) { ParseStatusReply(reply.data(), reply.size()); }

class Status : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake.Reset();
    RegisterInfoRowsForTests();
    PlayerList = {{"John Smith", "192.168.0.5", 2304, 47, "guid3", 3},
                  {"Zo\xC3\xAB", "10.0.0.2", 2304, 80, "guid4", 4},
                  {"John Smith", "10.0.0.9", 2304, 99, "guid5", 5},
                  {"mod", "10.0.0.7", 2304, 20, "guid6", 6}};
  }
};

TEST_F(Status, KnownPlayersGetOneRowEachJoinedWithTheirRecord) {
  Parse(Reply({"John Smith", "1", "12", "3", "Zo\xC3\xAB", "2", "0", "1", "john smith", "1", "1", "1", "Ghost"}));
  ASSERT_EQ(Fake.players.size(), 2u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"John Smith", "12", "3", "1", "47", "192.168.0.5", "guid3"}));
  EXPECT_EQ(Fake.players[1][0], "Zo\xC3\xAB");  // matched in UTF-8
}

TEST_F(Status, DuplicateNamesAndRepeatedRepliesAddRowsAgain) {
  const auto reply = Reply({"John Smith", "1", "12", "3", "John Smith", "2", "5", "6"});
  Parse(reply);
  Parse(reply);
  ASSERT_EQ(Fake.players.size(), 4u);
  for (const PlayerRow& row : Fake.players) EXPECT_EQ(row[6], "guid3");  // always the first of that name
}

TEST_F(Status, PlayerListChangesBetweenReplies) {
  Parse(Reply({"Anna", "1", "2", "3"}));
  EXPECT_TRUE(Fake.players.empty());
  PlayerList.push_back({"Anna", "1.1.1.1", 1, 5, "guidA", 9});
  Parse(Reply({"Anna", "1", "2", "3"}));
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.players[0][6], "guidA");
}

TEST_F(Status, KeyValuesWithTheirNamedForms) {
  Parse(Reply({"difficulty", "2", "language", "1033", "hostname", "D\xC3\xA9mo", "gametype", "", "timelimit", "15"}));
  EXPECT_EQ(Fake.info["difficulty"], "Veteran");
  EXPECT_EQ(Fake.info["language"], platform::LanguageName(1033));
  // Values are local text: each byte of the UTF-8 "é" is one ANSI character.
  EXPECT_EQ(Fake.info["hostname"], platform::AnsiToUtf8("D\xC3\xA9mo"));
  EXPECT_EQ(Fake.info["gametype"], "");
  EXPECT_EQ(Fake.info["timelimit"], "15");
  Parse(Reply({"difficulty", "7"}));
  EXPECT_EQ(Fake.info["difficulty"], "7");
}

TEST_F(Status, StringsWithoutARowAreSteppedOverOneByOne) {
  // "unknown" has no row, so its value is examined in turn, and is a key.
  Parse(Reply({"unknown", "mapname", "Altis", "", "mission"}));
  EXPECT_EQ(Fake.calls, (std::vector<std::string>{"SetInfoValue:mapname=Altis", "SetInfoValue:mission="}));
}

TEST_F(Status, ANameThatIsAlsoAKeyIsBoth) {
  Parse(Reply({"mod", "1", "2", "3", "@cba"}));
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.info["mod"], "@cba");
}

TEST_F(Status, OnlyRepliesWithTheQueryHeader) {
  std::vector<uint8_t> reply = Reply({"hostname", "x"});
  reply[4] = 0x08;
  Parse(reply);
  Parse(Reply({}));
  ParseStatusReply(reply.data(), 4);
  ParseStatusReply(nullptr, 0);
  EXPECT_TRUE(Fake.calls.empty());
}

TEST_F(Status, ATruncatedLastStringEndsAtTheEnd) {
  Parse(Reply({"hostname", "My Serv"}, false));
  EXPECT_EQ(Fake.info["hostname"], "My Serv");
  Parse(Reply({"John Smith", "1"}, false));  // score and deaths missing
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"John Smith", "", "", "1", "47", "192.168.0.5", "guid3"}));
}

}  // namespace
