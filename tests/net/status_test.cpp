// The status query reply in the GameSpy 2 layout: information values, its
// players, and the players list view rows joined from it and the remote
// console's player list.
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
using Strings = std::vector<std::string>;

// A reply of exactly the bytes given, in a buffer of exactly that size so the
// sanitizers see any read past its end: the settings as key and value
// strings and the empty key; then, when `count` is given, the zero byte
// (unless `noZero`), the count byte, the field names, the empty string and
// the values. `cut` bytes are taken off the end.
std::vector<uint8_t> Reply(const Strings& settings, int count = -1, const Strings& fields = {},
                           const Strings& values = {}, size_t cut = 0, bool noZero = false) {
  std::vector<uint8_t> bytes = {0x00, 0x04, 0x05, 0x06, 0x07};
  const auto put = [&](const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
  };
  for (const std::string& s : settings) put(s);
  if (count >= 0) {
    put("");
    if (!noZero) bytes.push_back(0);
    bytes.push_back(static_cast<uint8_t>(count));
    for (const std::string& s : fields) put(s);
    put("");
    for (const std::string& s : values) put(s);
  }
  bytes.resize(bytes.size() - cut);
  bytes.shrink_to_fit();
  return bytes;
}

const Strings kFields = {"player_", "team_", "score_", "deaths_"};

void Parse(const std::vector<uint8_t>& reply) { ParseStatusReply(reply.data(), reply.size()); }

Strings Names(const std::vector<StatusPlayer>& players) {
  Strings names;
  for (const StatusPlayer& p : players) names.push_back(p.name + "/" + p.team + "/" + p.score + "/" + p.deaths);
  return names;
}

class Status : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake.Reset();
    RegisterInfoRowsForTests();
    PlayerList = {{"John Smith", "192.168.0.5", 2304, 47, "guid3", 3},
                  {"Zo\xC3\xAB", "10.0.0.2", 2304, 80, "guid4", 4},
                  {"John Smith", "10.0.0.9", 2304, 99, "guid5", 5},
                  {"mapname", "10.0.0.7", 2304, 20, "guid6", 6},
                  {"Bob", "10.0.0.8", 2304, 21, "guid7", 7}};
  }
  void TearDown() override { PlayerList.clear(); Fake.Reset(); }
};

// Written out byte by byte from the public descriptions of the GameSpy 2
// query reply (header, settings ended by an empty key, then per section a
// zero byte, a count byte, field names ending in "_", an empty string, the
// values), not made by any code of ours: two players, then a team section
// of two teams.
const uint8_t kHandWritten[] = {
    0x00, 0x04, 0x05, 0x06, 0x07,                                            // header, query id echoed
    'h', 'o', 's', 't', 'n', 'a', 'm', 'e', 0x00, 'M', 'y', ' ', 'S', 'v', 0x00,  // hostname = My Sv
    'm', 'a', 'p', 'n', 'a', 'm', 'e', 0x00, 'A', 'l', 't', 'i', 's', 0x00,       // mapname = Altis
    0x00,                                                                    // end of the settings
    0x00, 0x02,                                                              // two players
    'p', 'l', 'a', 'y', 'e', 'r', '_', 0x00, 't', 'e', 'a', 'm', '_', 0x00,
    's', 'c', 'o', 'r', 'e', '_', 0x00, 'd', 'e', 'a', 't', 'h', 's', '_', 0x00, 0x00,
    'B', 'o', 'b', 0x00, 'R', 'e', 'd', 0x00, '1', '2', 0x00, '3', 0x00,
    'm', 'a', 'p', 'n', 'a', 'm', 'e', 0x00, 'B', 'l', 'u', 'e', 0x00, '4', 0x00, '0', 0x00,
    0x00, 0x02,                                                              // two teams
    't', 'e', 'a', 'm', '_', 't', 0x00, 's', 'c', 'o', 'r', 'e', '_', 't', 0x00, 0x00,
    'R', 'e', 'd', 0x00, '1', '2', 0x00, 'B', 'l', 'u', 'e', 0x00, '4', 0x00,
};

TEST_F(Status, AReplyInTheRealLayoutWrittenByHand) {
  StatusReply reply;
  ASSERT_TRUE(ReadStatusReply(kHandWritten, sizeof kHandWritten, &reply));
  ASSERT_EQ(reply.settings.size(), 2u);
  EXPECT_EQ(reply.settings[1], (std::pair<std::string, std::string>{"mapname", "Altis"}));
  EXPECT_EQ(Names(reply.players), (Strings{"Bob/Red/12/3", "mapname/Blue/4/0"}));

  ParseStatusReply(kHandWritten, sizeof kHandWritten);
  EXPECT_EQ(Fake.info["hostname"], "My Sv");
  EXPECT_EQ(Fake.info["mapname"], "Altis");  // the player called "mapname" sets nothing
  EXPECT_EQ(Fake.players[3], (PlayerRow{"mapname", "4", "0", "Blue", "20", "10.0.0.7", "guid6"}));
  EXPECT_EQ(Fake.players[4], (PlayerRow{"Bob", "12", "3", "Red", "21", "10.0.0.8", "guid7"}));
}

TEST_F(Status, ThePlayerSectionReadByItsCountAndFieldNames) {
  std::vector<std::string> forty;
  for (int i = 0; i < 40; ++i) forty.insert(forty.end(), {"P" + std::to_string(i), "T", "1", "2"});
  const Strings fortyShown(40, "");
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    size_t players;
    std::string first;  // name/team/score/deaths of the first, when any
  };
  const Case cases[] = {
      {"no players: the count is itself a zero byte", Reply({"a", "b"}, 0, kFields), 0, ""},
      {"forty: the count reads as \"(\"", Reply({}, 40, kFields, forty), 40, "P0/T/1/2"},
      {"fields in another order, one more",
       Reply({}, 1, {"score_", "ping_", "deaths_", "player_", "team_"}, {"5", "80", "6", "Ann", "Red"}), 1,
       "Ann/Red/5/6"},
      {"a missing field leaves its cell empty", Reply({}, 1, {"player_", "score_"}, {"Ann", "5"}), 1, "Ann//5/"},
      {"\"team_t\" is not \"team_\"", Reply({}, 1, {"player_", "team_t"}, {"Ann", "Red"}), 1, "Ann///"},
      {"more announced than sent: the datagram's end stops",
       Reply({}, 3, kFields, {"Ann", "R", "1", "2", "Ben", "B", "3", "4"}), 2, "Ann/R/1/2"},
      {"fewer announced than sent: the count stops", Reply({}, 1, kFields, {"Ann", "R", "1", "2", "Ben", "B", "3", "4"}),
       1, "Ann/R/1/2"},
      {"the last player cut inside his last value", Reply({}, 2, kFields, {"Ann", "R", "1", "2", "Ben", "B", "3", "4"}, 1),
       1, "Ann/R/1/2"},
      {"the last player cut before his last value", Reply({}, 2, kFields, {"Ann", "R", "1", "2", "Ben", "B", "3"}), 1,
       "Ann/R/1/2"},
      {"cut inside the field names", Reply({}, 2, kFields, {}, 4), 0, ""},
      {"no fields at all", Reply({}, 2, {}, {"Ann", "R"}), 0, ""},
      {"no player section", Reply({"a", "b"}), 0, ""},
      {"no \"player_\" field: nobody to tell of", Reply({}, 1, {"score_", "team_"}, {"5", "Red"}), 0, ""},
      // Without the zero byte before the count, as some describe the layout.
      {"no zero byte: two players", Reply({"a", "b"}, 2, kFields, {"Ann", "R", "1", "2", "Ben", "B", "3", "4"}, 0, true),
       2, "Ann/R/1/2"},
      {"no zero byte: forty", Reply({}, 40, kFields, forty, 0, true), 40, "P0/T/1/2"},
      {"no zero byte: none, the count a zero byte", Reply({"a", "b"}, 0, kFields, {}, 0, true), 0, ""},
      {"no zero byte: none, and the fields in another order", Reply({}, 0, {"team_", "player_"}, {}, 0, true), 0, ""},
      {"no zero byte, cut after the count", Reply({}, 3, kFields, {}, 30, true), 0, ""},
  };
  for (const Case& c : cases) {
    StatusReply reply;
    ASSERT_TRUE(ReadStatusReply(c.bytes.data(), c.bytes.size(), &reply)) << c.what;
    EXPECT_EQ(reply.players.size(), c.players) << c.what;
    if (!reply.players.empty()) EXPECT_EQ(Names(reply.players)[0], c.first) << c.what;
  }
}

TEST_F(Status, EveryListedPlayerHasARowFilledWhereTheReplyNamesHim) {
  // Repeated names fill the rows of that name in order; a name listed in
  // another spelling leaves its row empty; a name the console does not list
  // adds nothing; the player called "mapname" is a player.
  Parse(Reply({"mapname", "Altis"}, 6, kFields,
              {"John Smith", "1", "12", "3", "John Smith", "2", "5", "6", "john smith", "1", "1", "1", "Ghost", "1", "1",
               "1", "mapname", "3", "9", "9", "John Smith", "3", "0", "0"}));
  EXPECT_EQ(Fake.info["mapname"], "Altis");
  ASSERT_EQ(Fake.players.size(), 5u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"John Smith", "12", "3", "1", "47", "192.168.0.5", "guid3"}));
  EXPECT_EQ(Fake.players[1], (PlayerRow{"Zo\xC3\xAB", "", "", "", "80", "10.0.0.2", "guid4"}));
  EXPECT_EQ(Fake.players[2], (PlayerRow{"John Smith", "5", "6", "2", "99", "10.0.0.9", "guid5"}));
  EXPECT_EQ(Fake.players[3], (PlayerRow{"mapname", "9", "9", "3", "20", "10.0.0.7", "guid6"}));
  EXPECT_EQ(Fake.players[4], (PlayerRow{"Bob", "", "", "", "21", "10.0.0.8", "guid7"}));
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
  PlayerList.clear();
  Parse(Reply({"unknown", "mapname", "mapname", "Altis", "mission", ""}));
  EXPECT_EQ(Fake.calls, (Calls{"SetInfoValue:mapname=Altis", "SetInfoValue:mission="}));
}

TEST_F(Status, OnlyRepliesWithTheQueryHeader) {
  std::vector<uint8_t> reply = Reply({"hostname", "x"});
  reply[4] = 0x08;
  Parse(reply);
  ParseStatusReply(reply.data(), 4);
  ParseStatusReply(nullptr, 0);
  EXPECT_TRUE(Fake.calls.empty());
}

TEST_F(Status, ATruncatedLastSettingEndsAtTheEnd) {
  Parse(Reply({"hostname", "My Serv"}, -1, {}, {}, 1));
  EXPECT_EQ(Fake.info["hostname"], "My Serv");
}

// ---- The join of the two latest replies, whatever their order ---------------

const std::string kPlayersHeader =
    "Players on server:\n[#] [IP Address]:[Port] [Ping] [GUID] [Name]\n"
    "--------------------------------------------------\n";

TEST_F(Status, WhicheverReplyComesFirstTheRowsAreTheJoinOfTheLatestOfEach) {
  PlayerList.clear();
  // The status reply overtook the "players" reply: nothing to show yet.
  Parse(Reply({}, 1, kFields, {"Anna", "1", "2", "3"}));
  EXPECT_TRUE(Fake.players.empty());
  ParsePlayerList(0, kPlayersHeader + "9 1.1.1.1:1 5 guidA Anna\n2 2.2.2.2:1 6 guidB Ben\n");
  ASSERT_EQ(Fake.players.size(), 2u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"Anna", "2", "3", "1", "5", "1.1.1.1", "guidA"}));
  EXPECT_EQ(Fake.players[1], (PlayerRow{"Ben", "", "", "", "6", "2.2.2.2", "guidB"}));  // at once, no wait

  // A long list completing long after its status reply keeps the columns
  // that reply gave, until a newer one comes.
  ParsePlayerList(0, kPlayersHeader + "9 1.1.1.1:1 7 guidA Anna\n");
  ASSERT_EQ(Fake.players.size(), 1u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"Anna", "2", "3", "1", "7", "1.1.1.1", "guidA"}));
  Parse(Reply({}, 1, kFields, {"Anna", "1", "4", "3"}));
  EXPECT_EQ(Fake.players[0][1], "4");
}

}  // namespace
