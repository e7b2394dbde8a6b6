// The players and bans views kept in place by identity, and the end of a
// session's state.
#include "net/bans.h"
#include "net/player_rows.h"
#include "net/players.h"
#include "net/session.h"
#include "net/session_reset.h"
#include "tests/net/fake_shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

PlayerRecord P(int number, const std::string& name, const std::string& guid, int ping = 40,
               const std::string& address = "10.0.0.1") {
  return {name, address, 2304, ping, guid, number};
}

class Rows : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake.Reset();
    RegisterInfoRowsForTests();
    PlayerList = {P(1, "Ann", "ga"), P(2, "Ben", "gb"), P(3, "Cid", "gc")};
    ShowPlayerRows();
    Fake.calls.clear();
  }
  void TearDown() override {
    PlayerList.clear();
    Fake.Reset();
  }
};

TEST_F(Rows, ARefreshTouchesOnlyTheRowsThatChanged) {
  struct Case {
    const char* what;
    std::vector<PlayerRecord> list;
    Calls calls;
  };
  const Case cases[] = {
      {"the same list", {P(1, "Ann", "ga"), P(2, "Ben", "gb"), P(3, "Cid", "gc")}, {}},
      {"one ping", {P(1, "Ann", "ga"), P(2, "Ben", "gb", 41), P(3, "Cid", "gc")}, {"PlayersList_UpdateRow:Ben:4"}},
      {"one left", {P(1, "Ann", "ga"), P(3, "Cid", "gc")}, {"PlayersList_RemoveRow:Ben"}},
      {"one joined", {P(1, "Ann", "ga"), P(4, "Dan", "gd"), P(2, "Ben", "gb"), P(3, "Cid", "gc")}, {"PlayersList_InsertRow:Dan"}},
      {"his number taken by another: a new row",
       {P(1, "Ann", "ga"), P(3, "Eve", "ge"), P(2, "Ben", "gb")},
       {"PlayersList_RemoveRow:Cid", "PlayersList_InsertRow:Eve"}},
      {"a GUID checked since: the same player", {P(1, "Ann", "ga(OK)"), P(2, "Ben", "gb"), P(3, "Cid", "gc")},
       {"PlayersList_UpdateRow:Ann:6"}},
      {"the server lists one player twice: a row each",
       {P(1, "Ann", "ga"), P(2, "Ben", "gb"), P(3, "Cid", "gc"), P(3, "Cid", "gc")},
       {"PlayersList_InsertRow:Cid"}},
  };
  for (const Case& c : cases) {
    SetUp();
    PlayerList = c.list;
    ShowPlayerRows();
    EXPECT_EQ(Fake.calls, c.calls) << c.what;
    ASSERT_EQ(Fake.players.size(), c.list.size()) << c.what;
    for (size_t i = 0; i < c.list.size(); ++i) EXPECT_EQ(Fake.players[i][0], c.list[i].name) << c.what;
  }
}

TEST_F(Rows, TheSelectedRowStaysItsPlayersAndSaysWhoHeIs) {
  Fake.playersSelected = 1;  // Ben
  PlayerList = {P(4, "Dan", "gd"), P(1, "Ann", "ga", 99), P(2, "Ben", "gb", 12)};
  ShowPlayerRows();
  PlayerIdentity held;
  ASSERT_TRUE(SelectedPlayer(&held));
  EXPECT_EQ(held.number, 2);
  EXPECT_EQ(held.guid, "gb");
  EXPECT_EQ(held.name, "Ben");
  EXPECT_EQ(FindPlayer(held)->ping, 12);

  // A player known before his GUID is identified by his address meanwhile.
  PlayerList.push_back(P(5, "Fay", "-", 40, "10.0.0.5"));
  ShowPlayerRows();
  Fake.playersSelected = 3;
  ASSERT_TRUE(SelectedPlayer(&held));
  EXPECT_EQ(held.guid, "");
  EXPECT_EQ(held.address, "10.0.0.5");
  EXPECT_EQ(FindPlayer(held)->number, 5);

  Fake.playersSelected = -1;
  EXPECT_FALSE(SelectedPlayer(&held));
}

TEST_F(Rows, OnePlayerAddedChangedOrRemovedByIdentity) {
  const std::vector<KeyedPlayerRow> joined = JoinPlayerRows({P(7, "Gus", "gg")}, {});
  PutPlayerRow(joined[0]);
  PutPlayerRow(joined[0]);  // told twice: nothing more
  EXPECT_TRUE(RemovePlayerRow(IdentityOf(P(2, "Ben", "gb"))));
  EXPECT_FALSE(RemovePlayerRow(IdentityOf(P(2, "Ben", "gb"))));
  EXPECT_EQ(Fake.calls, (Calls{"PlayersList_InsertRow:Gus", "PlayersList_RemoveRow:Ben"}));
}

TEST_F(Rows, BansReloadedKeepTheirRowsAndTheSelectedBanIsKnownByGuidAndReason) {
  const std::string header(86, '-');
  const std::string ip = "\nIP Bans:\n";
  ParseBanList(header + "0 g1 perm Spam\n1 g2 perm Cheat\n2 g3 perm Spam\n" + ip, 0);
  Fake.bansSelected = 1;
  Fake.calls.clear();
  // Ban 0 expired: the others are renumbered, their rows stay.
  ParseBanList(header + "0 g2 perm Cheat\n1 g3 perm Spam\n" + ip, 0);
  EXPECT_EQ(Fake.calls, (Calls{"BansList_RemoveRow:g1"}));
  BanRecord ban;
  ASSERT_TRUE(SelectedBan(&ban));
  EXPECT_EQ(ban.guid, "g2");
  EXPECT_EQ(ban.reason, "Cheat");
  EXPECT_EQ(ban.number, 0);
  // Same GUID, another reason: another ban.
  ParseBanList(header + "0 g2 perm Spam\n1 g3 perm Spam\n" + ip, 0);
  EXPECT_FALSE(SelectedBan(&ban));
}

TEST_F(Rows, ALoginOrADisconnectForgetsEverythingOfTheSession) {
  const std::string header(86, '-');
  for (const bool byDisconnect : {false, true}) {
    SetUp();
    StatusPlayers = {{"Ann", "Red", "5", "1"}};
    ShowPlayerRows();
    ParseBanList(header + "0 g1 perm Spam\n\nIP Bans:\n", 0);
    Fake.playersSelected = 0;
    Fake.bansSelected = 0;
    SetInfoValue("mod", "@cba");
    SetInfoValue("BE_PLAYERS", "3");
    PendingAction = Action::Kick;
    PendingActionData.hasTarget = true;
    PendingActionData.target = IdentityOf(PlayerList[0]);
    Session.pendingRequests.push_back({});

    if (byDisconnect) {
      Disconnect(0, "");
    } else {
      ResetSessionState();
    }
    EXPECT_EQ(Fake.sessionDialogsClosed, 1);
    EXPECT_TRUE(PlayerList.empty() && StatusPlayers.empty() && BanList.empty());
    EXPECT_TRUE(Fake.players.empty());
    EXPECT_TRUE(Fake.bans.empty());
    EXPECT_EQ(PendingAction, Action::None);
    EXPECT_FALSE(PendingActionData.hasTarget);
    EXPECT_TRUE(Session.pendingRequests.empty());
    for (const auto& [key, value] : Fake.info) EXPECT_EQ(value, "") << key;
    EXPECT_EQ(Fake.info.size(), 23u);  // every key with a row, the headings' empty key aside
    PlayerIdentity held;
    EXPECT_FALSE(SelectedPlayer(&held));
    BanRecord ban;
    EXPECT_FALSE(SelectedBan(&ban));
  }
}

}  // namespace
