// The server's own messages acted on: rows that follow joins and leaves, the
// automatic refresh they owe, and messages to players.
#include "tests/net/session_fixture.h"

#include "net/commands.h"
#include "net/live_players.h"
#include "net/player_rows.h"

#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;
const std::string kGuid = "0123456789abcdef0123456789abcdef";
const std::string kOtherGuid = "fedcba9876543210fedcba9876543210";

class LivePlayers : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    ASSERT_TRUE(peer.ok());
    ASSERT_TRUE(ConnectTo(peer));
    PlayerRefresh.SetMode(AutoRefreshMode::OnJoinsAndLeaves, TestClock);
  }
  void TearDown() override {
    ForgetPlayerRows();
    PlayerList.clear();
    SessionTest::TearDown();
  }
  // The server says `line` by itself; the client acknowledges it and acts.
  void Say(const std::string& line) {
    peer.SendToClient(ServerFrame(rcon::kTypeServerMessage, serverSequence++, line));
    TickWhenReadable();
  }
  std::vector<std::string> Commands() {
    std::vector<std::string> texts;
    for (const Bytes& d : peer.Received()) {
      if (d.size() > 7 && d[0] == 'B' && d[7] == rcon::kTypeCommand && d.size() > 9) texts.push_back(CommandText(d));
    }
    return texts;
  }
  static Calls RowCalls() {
    Calls rows;
    for (const std::string& call : Fake.calls) {
      if (call.starts_with("PlayersList_")) rows.push_back(call);
    }
    return rows;
  }
  LoopbackPeer peer;
  int serverSequence = 0;
};

TEST_F(LivePlayers, RowsFollowJoinsGuidsAndLeavesAndAListKeepsThem) {
  // A name made to look like other forms: the number after "#" is the key.
  const std::string name = "Ghost #7 (Rider) disconnected";
  Say("Player #3 " + name + " (203.0.113.5:2304) connected");
  Say("Player #4 Bob (198.51.100.9:2304) connected");
  Say("Player #3 " + name + " - BE GUID: " + kGuid);
  Say("Verified GUID (" + kGuid + ") of player #3 " + name);
  Say("Player #4 Bob - BE GUID: " + kOtherGuid);
  Say("Player #9 Nobody - BE GUID: " + kOtherGuid);  // never joined: nothing
  Say("(Global) Bob: Player #3 x disconnected");     // chat only
  // The GUID rewrites the row he has: he stays selected.
  EXPECT_EQ(RowCalls(), (Calls{"PlayersList_InsertRow:" + name, "PlayersList_InsertRow:Bob",
                               "PlayersList_UpdateRow:" + name + ":6", "PlayersList_UpdateRow:" + name + ":6",
                               "PlayersList_UpdateRow:Bob:6"}));
  ASSERT_EQ(Fake.players.size(), 2u);
  EXPECT_EQ(Fake.players[0][4], "");  // no ping before a list
  EXPECT_EQ(Fake.players[0][5], "203.0.113.5");
  EXPECT_EQ(Fake.players[0][6], kGuid + "(OK)");
  EXPECT_EQ(Fake.players[1][6], kOtherGuid + "(?)");

  // The list the refresh brings names the same two: rewritten in place.
  Fake.calls.clear();
  PlayerList = {{name, "203.0.113.5", 2304, 31, kGuid + "(OK)", 3}, {"Bob", "198.51.100.9", 2304, 60, kOtherGuid + "(OK)", 4}};
  ShowPlayerRows();
  EXPECT_EQ(RowCalls(), (Calls{"PlayersList_UpdateRow:" + name + ":4", "PlayersList_UpdateRow:Bob:4,6"}));

  Fake.calls.clear();
  Say("Player #4 Bob (" + kOtherGuid + ") has been kicked by BattlEye: Admin Kick (bye)");
  Say("Player #3 " + name + " disconnected");
  EXPECT_EQ(RowCalls(), (Calls{"PlayersList_RemoveRow:Bob", "PlayersList_RemoveRow:" + name}));
  EXPECT_TRUE(PlayerList.empty());
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "0");
}

// A mission start: 40 joins waiting when the pass begins are read in it and
// shown in one update, which lays the list out once instead of 40 times.
TEST_F(LivePlayers, JoinsReadInOnePassAreShownInOneUpdate) {
  for (int i = 0; i < 40; ++i) {
    const std::string n = std::to_string(i);
    peer.SendToClient(ServerFrame(rcon::kTypeServerMessage, serverSequence++,
                                  "Player #" + n + " P" + n + " (10.0.0." + n + ":2304) connected"));
  }
  Fake.playerUpdates = 0;
  Fake.calls.clear();
  TickWhenReadable();
  EXPECT_EQ(Fake.players.size(), 40u);
  EXPECT_EQ(Fake.playerUpdates, 1);
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "40");
}

// A "players" reply the server wrote before messages that reached us first:
// it must not bring back a kicked player whose number a newcomer has taken
// (a Kick on that row would hit the newcomer), nor drop the newcomer. A
// reply written after them is taken as it is.
TEST_F(LivePlayers, AReplyWrittenBeforeLaterMessagesDoesNotUndoThem) {
  const auto ask = [&] {
    peer.ClearReceived();
    RequestPlayerList(Session);
    // Late acknowledgements of the messages before may come first.
    for (size_t count = 1; count < 8 && peer.WaitForCount(count); ++count) {
      for (const Bytes& d : peer.Received()) {
        if (d.size() > 9 && d[0] == 'B' && d[7] == rcon::kTypeCommand && CommandText(d) == "players") return int{d[8]};
      }
    }
    ADD_FAILURE() << "no players request";
    return -1;
  };
  const auto reply = [&](int sequence, const std::string& lines, int count) {
    peer.SendToClient(ServerFrame(rcon::kTypeCommand, sequence,
                                  "Players on server:\n[#] [IP Address]:[Port] [Ping] [GUID] [Name]\n"
                                  "--------------------------------------------------\n" +
                                      lines + "(" + std::to_string(count) + " players in total)"));
    TickWhenReadable();
  };
  const auto names = [] {
    std::vector<std::string> shown;
    for (const PlayerRow& row : Fake.players) shown.push_back(row[0] + " " + row[4] + " " + row[6]);
    return shown;
  };
  const std::string ann = "1   10.0.0.1:2304   30   " + kGuid + "(OK)   Ann\n";
  reply(ask(), ann + "2   10.0.0.2:2304   40   " + kOtherGuid + "(OK)   Bob\n", 2);
  ASSERT_EQ(names(), (Calls{"Ann 30 " + kGuid + "(OK)", "Bob 40 " + kOtherGuid + "(OK)"}));

  const int before = ask();
  Say("Player #2 Bob (" + kOtherGuid + ") has been kicked by BattlEye: Admin Kick (bye)");
  Say("Player #2 Cid (10.0.0.3:2304) connected");
  Say("Player #2 Cid - BE GUID: " + kGuid.substr(0, 31) + "e");
  reply(before, ann + "2   10.0.0.2:2304   40   " + kOtherGuid + "(OK)   Bob\n", 2);
  EXPECT_EQ(names(), (Calls{"Ann 30 " + kGuid + "(OK)", "Cid  " + kGuid.substr(0, 31) + "e(?)"}));

  // Written after the join that came first: its ping and GUID stand.
  const int next = ask();
  Say("Player #3 Dan (10.0.0.4:2304) connected");
  const std::string cid = "2   10.0.0.3:2304   55   " + kGuid.substr(0, 31) + "e(OK)   Cid\n";
  reply(next, ann + cid + "3   10.0.0.4:2304   60   " + kOtherGuid + "(OK)   Dan\n", 3);
  EXPECT_EQ(names(), (Calls{"Ann 30 " + kGuid + "(OK)", "Cid 55 " + kGuid.substr(0, 31) + "e(OK)",
                            "Dan 60 " + kOtherGuid + "(OK)"}));
}

TEST_F(LivePlayers, LinesAreLoggedUnderTheirCategories) {
  const std::vector<std::pair<std::string, LogCategory>> lines = {
      {"Player #1 Ann (10.0.0.1:2304) connected", LogCategory::Players},
      {"(Side) Ann: hello", LogCategory::Chat},
      {"RCon admin #1 (198.51.100.7:51234) logged in", LogCategory::Admin},
      {"RCon admin #0: (To Ann) hi", LogCategory::Admin},
      {"Something else entirely", LogCategory::Other},
  };
  for (const auto& [line, category] : lines) Say(line);
  ASSERT_EQ(Fake.logCategories.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(Fake.logCategories[i], lines[i].second) << lines[i].first;
}

// Ten joins 50 ms apart, as a mission start brings them: one request, 2 s
// after the last; ten leaves later: one more. The loop's sleep ends then.
TEST_F(LivePlayers, ABurstOfJoinsCostsOneRequestAndTheLoopWakesForIt) {
  for (int burst = 0; burst < 2; ++burst) {
    TestClock += AutoRefresh::kMinIntervalMs;  // the last request long past
    peer.ClearReceived();
    for (int i = 0; i < 10; ++i) {
      const std::string n = std::to_string(10 + i);
      Say(burst == 0 ? "Player #" + n + " P" + n + " (10.0.0." + n + ":2304) connected"
                     : "Player #" + n + " P" + n + " disconnected");
      TestClock += 50;
    }
    EXPECT_EQ(NetworkWaitMs(), AutoRefresh::kSettleMs - 50);
    TestClock += AutoRefresh::kSettleMs - 51;
    NetworkTick();
    EXPECT_TRUE(peer.WaitForCount(10));  // the acknowledgements only
    EXPECT_EQ(Commands(), Calls{});
    TestClock += 1;
    NetworkTick();
    peer.WaitForCount(12);
    EXPECT_EQ(Commands(), Calls{"players"});
    TestClock += AutoRefresh::kMinIntervalMs;
    NetworkTick();
    EXPECT_EQ(Commands(), Calls{"players"});
  }
  PlayerRefresh.SetMode(AutoRefreshMode::Off, TestClock);
  Say("Player #30 Late (10.0.0.30:2304) connected");
  EXPECT_FALSE(PlayerRefresh.Due(TestClock + AutoRefresh::kMaxDelayMs));
}

TEST_F(LivePlayers, MessagesGoAsUtf8ToEveryoneOrToThePlayerByHisNumberNow) {
  PlayerList = {{"Ann", "10.0.0.1", 2304, 30, kGuid + "(OK)", 5}};
  const PlayerIdentity ann{5, kGuid, "10.0.0.1", "Ann"};
  const PlayerIdentity gone{6, kOtherGuid, "10.0.0.2", "Ben"};
  struct Case {
    const char* what;
    bool everyone;
    PlayerIdentity target;
    std::string text;
    std::string sent;  // "" for nothing
    std::string log;
  };
  const Case cases[] = {
      {"to everyone, UTF-8 kept", true, {}, "Grüße, ça va?", "say -1 Grüße, ça va?", ""},
      {"to Ann by her number", false, ann, "hello\r\nthere", "say 5 hello there", ""},
      {"empty after the control characters go", true, {}, "\t\r\n", "", ""},
      {"to a player who has left", false, gone, "hi", "",
       "#6 Ben is no longer on the server; the message was not sent."},
      {"his number now someone else's", false, PlayerIdentity{5, kOtherGuid, "10.0.0.1", "Old"}, "hi", "",
       "#5 Old is no longer on the server; the message was not sent."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    peer.ClearReceived();
    Fake.log.clear();
    PendingActionData.sayToEveryone = c.everyone;
    PendingActionData.sayTarget = c.target;
    PendingActionData.sayText = c.text;
    PendingAction = Action::Say;
    NetworkTick();
    if (c.sent.empty()) {
      EXPECT_FALSE(peer.WaitForCount(1, 100));
    } else {
      ASSERT_TRUE(peer.WaitForCount(1));
      EXPECT_EQ(CommandText(peer.Received()[0]), c.sent);
    }
    EXPECT_EQ(Fake.log, c.log.empty() ? Calls{} : Calls{c.log});
    EXPECT_TRUE(PendingActionData.sayText.empty());
  }
}

}  // namespace
