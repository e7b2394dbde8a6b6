// The status query reply: information values, and the players list view rows
// joined from it and the remote console's player list.
#include "net/player_rows.h"
#include "net/players.h"
#include "net/session.h"
#include "net/status.h"
#include "platform/platform.h"
#include "tests/net/fake_shell.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using Calls = std::vector<std::string>;

std::vector<uint8_t> Bytes5() { return {0x00, 0x04, 0x05, 0x06, 0x07}; }

// A reply of exactly the bytes given, in a buffer of exactly that size so the
// sanitizers see any read past its end: the settings as key and value
// strings, then (when there are any) the empty key, the player section's
// marker and four strings per player.
std::vector<uint8_t> Reply(std::initializer_list<std::string> settings, std::initializer_list<std::string> players = {},
                           bool lastNul = true) {
  std::vector<uint8_t> bytes = Bytes5();
  const auto put = [&](const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
  };
  for (const std::string& s : settings) put(s);
  if (players.size() != 0) {
    put("");
    put("\x01player_");
    for (const std::string& s : players) put(s);
  }
  if (!lastNul) bytes.pop_back();
  bytes.shrink_to_fit();
  return bytes;
}

void Parse(const std::vector<uint8_t>& reply) { ParseStatusReply(reply.data(), reply.size()); }

uint32_t Now = 0;

class Status : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake.Reset();
    RegisterInfoRowsForTests();
    ForgetPlayerRows();
    Now = 5000;
    SetTickSource([] { return Now; });
    PlayerList = {{"John Smith", "192.168.0.5", 2304, 47, "guid3", 3},
                  {"Zo\xC3\xAB", "10.0.0.2", 2304, 80, "guid4", 4},
                  {"John Smith", "10.0.0.9", 2304, 99, "guid5", 5},
                  {"mapname", "10.0.0.7", 2304, 20, "guid6", 6},
                  {"Bob", "10.0.0.8", 2304, 21, "guid7", 7}};
  }
  void TearDown() override {
    ForgetPlayerRows();
    SetTickSource(nullptr);
  }
};

TEST_F(Status, KnownPlayersGetOneRowEachJoinedWithTheirRecord) {
  Parse(Reply({"hostname", "Demo"},
              {"John Smith", "1", "12", "3", "Zo\xC3\xAB", "2", "0", "1", "john smith", "1", "1", "1", "Ghost", "1", "1", "1"}));
  EXPECT_EQ(Fake.calls, (Calls{"SetInfoValue:hostname=Demo", "PlayersList_Clear", "PlayersList_AddRow:John Smith",
                               "PlayersList_AddRow:Zo\xC3\xAB"}));
  EXPECT_EQ(Fake.players[0], (PlayerRow{"John Smith", "12", "3", "1", "47", "192.168.0.5", "guid3"}));
}

TEST_F(Status, RepeatedNamesTakeTheNextRecordOfThatName) {
  // Each occurrence its own record, so Kick and Ban from the second row reach
  // the second player; a third occurrence has no record left.
  const auto reply = Reply({}, {"John Smith", "1", "12", "3", "John Smith", "2", "5", "6", "John Smith", "3", "0", "0"});
  Parse(reply);
  ASSERT_EQ(Fake.players.size(), 2u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"John Smith", "12", "3", "1", "47", "192.168.0.5", "guid3"}));
  EXPECT_EQ(Fake.players[1], (PlayerRow{"John Smith", "5", "6", "2", "99", "10.0.0.9", "guid5"}));
  // The same reply again (UDP may duplicate it) shows the same rows, once.
  Parse(reply);
  ASSERT_EQ(Fake.players.size(), 2u);
  EXPECT_EQ(Fake.players[1][6], "guid5");
}

TEST_F(Status, PlayerTextNeverSetsASettingNorHidesAPlayer) {
  // A player called "mapname" followed by Bob; a host name that is a player's.
  Parse(Reply({"mapname", "Altis", "hostname", "Bob", "mission", "Patrol"},
              {"mapname", "1", "4", "0", "Bob", "2", "7", "1"}));
  EXPECT_EQ(Fake.info["mapname"], "Altis");
  EXPECT_EQ(Fake.info["hostname"], "Bob");
  EXPECT_EQ(Fake.info["mission"], "Patrol");
  EXPECT_EQ(Fake.calls, (Calls{"SetInfoValue:mapname=Altis", "SetInfoValue:hostname=Bob", "SetInfoValue:mission=Patrol",
                               "PlayersList_Clear", "PlayersList_AddRow:mapname", "PlayersList_AddRow:Bob"}));
  EXPECT_EQ(Fake.players[1], (PlayerRow{"Bob", "7", "1", "2", "21", "10.0.0.8", "guid7"}));
}

TEST_F(Status, KeyValuesWithTheirNamedForms) {
  Parse(Reply({"difficulty", "2", "language", "1033", "gametype", "", "timelimit", "15"}));
  EXPECT_EQ(Fake.info["difficulty"], "Veteran");
  EXPECT_EQ(Fake.info["language"], platform::LanguageName(1033));
  EXPECT_EQ(Fake.info["gametype"], "");
  EXPECT_EQ(Fake.info["timelimit"], "15");
  // Both ends of the named difficulties, and just past them.
  const std::pair<const char*, const char*> levels[] = {
      {"0", "Recruit"}, {"3", "Expert"}, {"4", "4"}, {"-1", "-1"}, {"7", "7"}};
  for (const auto& [value, shown] : levels) {
    Parse(Reply({"difficulty", value}));
    EXPECT_EQ(Fake.info["difficulty"], shown) << value;
  }
}

TEST_F(Status, ValuesInUtf8ReadAsUtf8AndOthersAsLocalText) {
  Parse(Reply({"hostname", "D\xC3\xA9mo \xF0\x9F\x8E\xAE"}));
  EXPECT_EQ(Fake.info["hostname"], "D\xC3\xA9mo \xF0\x9F\x8E\xAE");
  // Windows-1252 "Démo": not UTF-8, so local text.
  Parse(Reply({"hostname", "D\xE9mo"}));
  EXPECT_EQ(Fake.info["hostname"], "D\xC3\xA9mo");
  // Mostly UTF-8 with one stray byte is not UTF-8 either.
  Parse(Reply({"hostname", "D\xC3\xA9mo\xE9"}));
  EXPECT_EQ(Fake.info["hostname"], platform::AnsiToUtf8("D\xC3\xA9mo\xE9"));
}

TEST_F(Status, KeysWithoutARowTakeTheirValueAlong) {
  // The value of an unknown key is its value, never a key of its own.
  Parse(Reply({"unknown", "mapname", "mapname", "Altis", "mission", ""}));
  EXPECT_EQ(Fake.calls, (Calls{"SetInfoValue:mapname=Altis", "SetInfoValue:mission=", "PlayersList_Clear"}));
}

TEST_F(Status, OnlyRepliesWithTheQueryHeader) {
  std::vector<uint8_t> reply = Reply({"hostname", "x"});
  reply[4] = 0x08;
  Parse(reply);
  ParseStatusReply(reply.data(), 4);
  ParseStatusReply(nullptr, 0);
  EXPECT_TRUE(Fake.calls.empty());
}

TEST_F(Status, ATruncatedLastStringEndsAtTheEnd) {
  Parse(Reply({"hostname", "My Serv"}, {}, false));
  EXPECT_EQ(Fake.info["hostname"], "My Serv");
  Parse(Reply({}, {"John Smith", "1"}, false));  // score and deaths missing
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"John Smith", "", "", "1", "47", "192.168.0.5", "guid3"}));
}

// ---- The join of the two latest replies, whatever their order ---------------

const std::string kPlayersHeader =
    "Players on server:\n[#] [IP Address]:[Port] [Ping] [GUID] [Name]\n"
    "--------------------------------------------------\n";

TEST_F(Status, StatusBeforePlayersStillFillsTheRows) {
  // The status reply overtook the "players" reply of the same refresh; the
  // player list that follows must not wipe the rows.
  PlayerList.clear();
  Parse(Reply({}, {"Anna", "1", "2", "3"}));
  EXPECT_TRUE(Fake.players.empty());
  ParsePlayerList(0, kPlayersHeader + "9 1.1.1.1:1 5 guidA Anna\n");
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"Anna", "2", "3", "1", "5", "1.1.1.1", "guidA"}));
}

TEST_F(Status, PlayerListWithoutStatusIsShownAloneAfterTheWait) {
  PlayerList.clear();
  ParsePlayerList(0, kPlayersHeader + "9 1.1.1.1:1 5 guidA Anna\n2 2.2.2.2:1 6 guidB Ben\n");
  EXPECT_TRUE(Fake.players.empty());
  CheckStatusWait(Now + kStatusWaitMs - 1);
  EXPECT_TRUE(Fake.players.empty());
  CheckStatusWait(Now + kStatusWaitMs);
  ASSERT_EQ(Fake.players.size(), 2u);
  EXPECT_EQ(Fake.players[1], (PlayerRow{"Ben", "", "", "", "6", "2.2.2.2", "guidB"}));

  // The next list of such a server shows at once; a late status reply fills in.
  Now += 9000;
  ParsePlayerList(0, kPlayersHeader + "2 2.2.2.2:1 7 guidB Ben\n");
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.players[0][4], "7");
  Now += 500;
  Parse(Reply({}, {"Ben", "2", "40", "1"}));
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"Ben", "40", "1", "2", "7", "2.2.2.2", "guidB"}));
}

TEST_F(Status, AnOldStatusReplyJoinsUntilTheNewOneComes) {
  PlayerList.clear();
  Parse(Reply({}, {"Anna", "1", "2", "3"}));
  Now += 20000;
  ParsePlayerList(0, kPlayersHeader + "9 1.1.1.1:1 5 guidA Anna\n");
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.players[0][1], "2");
  Now += 500;
  Parse(Reply({}, {"Anna", "1", "4", "3"}));
  CheckStatusWait(Now + kStatusWaitMs);
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.players[0][1], "4");  // still joined, with the new score
}

}  // namespace
