// The protocol client against the demo game server, end to end over
// loopback: the same code paths the program runs, with a real peer that
// splits, shuffles and pushes. The server is a native program, so under
// Windows these tests skip.
#include "tests/net/session_fixture.h"

#include "net/bans.h"
#include "net/player_rows.h"
#include "net/players.h"

#ifndef _WIN32
#include "tests/support/demo_server.h"
#endif

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

#ifdef _WIN32

TEST(DemoClient, NeedsTheNativeDemoServer) { GTEST_SKIP() << "the demo server runs natively only"; }

#else

using quorvel_test::DemoServer;
using Clock = std::chrono::steady_clock;

class DemoClientTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    SetTickSource(nullptr);  // real time against a real server
  }

  void Connect(const DemoServer& server, const char* password = "demo") {
    Session.host = "127.0.0.1";
    Session.port = server.port();
    Session.password = password;
    ConnectAndWait(1);
  }

  // Runs the event loop's idle work (5 ms sleep, one tick) until `done` or
  // the time is up.
  static bool TickUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
      if (Clock::now() > deadline) return false;
      WaitForNetwork(5, false);
      NetworkTick();
    }
    return true;
  }

  static bool Logged(const std::string& line) {
    return std::find(Fake.log.begin(), Fake.log.end(), line) != Fake.log.end();
  }

  static std::vector<std::string> Received(const DemoServer& server) {
    std::vector<std::string> lines;
    for (const std::string& line : server.ReadLog())
      if (line.rfind("RECV", 0) == 0 || line.rfind("ACK", 0) == 0) lines.push_back(line);
    return lines;
  }
};

TEST_F(DemoClientTest, ConnectSendsLoginQueriesAndStatusInOrder) {
  DemoServer server({"--players", "3", "--chat-interval", "0"});
  ASSERT_TRUE(server.ok()) << server.error();
  Connect(server);
  ASSERT_TRUE(Session.connected);
  EXPECT_EQ(Fake.log.front(), "Connected to 127.0.0.1:" + std::to_string(server.port()));

  ASSERT_TRUE(TickUntil([] { return Logged("Received player list.") && Session.versionShown && Session.maxPingShown; }));
  EXPECT_EQ(PlayerList.size(), 3u);
  EXPECT_FALSE(Fake.info["BE_VERSION"].empty());
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "3");

  // The status query goes last, and the server may not have logged it yet.
  ASSERT_TRUE(TickUntil([&] { return Received(server).size() >= 5u; }));
  const auto lines = Received(server);
  EXPECT_EQ(lines[0], "RECV 0 - demo");
  EXPECT_EQ(lines[1], "RECV 1 0 version");
  EXPECT_EQ(lines[2], "RECV 1 1 maxping");
  EXPECT_EQ(lines[3], "RECV 1 2 players");
  EXPECT_EQ(lines[4], "RECV status-query");
}

TEST_F(DemoClientTest, WrongPasswordIsRefusedAtOnce) {
  DemoServer server;
  ASSERT_TRUE(server.ok()) << server.error();
  const auto start = Clock::now();
  Connect(server, "not the password");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_EQ(Fake.connectErrors, 1);
  EXPECT_FALSE(Session.connected);
}

TEST_F(DemoClientTest, SilentServerTimesOut) {
  DemoServer server({"--silent"});
  ASSERT_TRUE(server.ok()) << server.error();
  const auto start = Clock::now();
  Connect(server);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(2900));
  EXPECT_EQ(Fake.connectErrors, 1);
  EXPECT_FALSE(Session.connected);
}

TEST_F(DemoClientTest, HundredPlayersInShuffledPartsMakeACompleteList) {
  DemoServer server({"--players", "100", "--part-size", "500", "--shuffle-parts", "--chat-interval", "0"});
  ASSERT_TRUE(server.ok()) << server.error();
  Connect(server);
  ASSERT_TRUE(Session.connected);
  ASSERT_TRUE(TickUntil([] { return Logged("Received player list."); }));
  EXPECT_EQ(PlayerList.size(), 100u);
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "100");
  // Every listed player has a row, and the status reply (in the layout real
  // servers send) gives each his team, score and deaths.
  EXPECT_TRUE(TickUntil([] {
    return Fake.players.size() == 100 &&
           std::all_of(Fake.players.begin(), Fake.players.end(), [](const PlayerRow& r) { return !r[3].empty(); });
  }));
  for (size_t i = 0; i < Fake.players.size(); ++i) {
    const PlayerRow& row = Fake.players[i];
    EXPECT_EQ(row[0], PlayerList[i].name);
    EXPECT_EQ(row[6], PlayerList[i].guid);
    EXPECT_FALSE(row[1].empty() || row[2].empty()) << i;
  }
}

TEST_F(DemoClientTest, BanListInPartsAndRemovingABan) {
  DemoServer server({"--bans", "40", "--part-size", "300", "--shuffle-parts", "--chat-interval", "0"});
  ASSERT_TRUE(server.ok()) << server.error();
  Connect(server);
  ASSERT_TRUE(Session.connected);
  ASSERT_TRUE(TickUntil([] { return Logged("Received player list."); }));

  PendingAction = Action::LoadBans;
  ASSERT_TRUE(TickUntil([] { return Fake.bans.size() == 40u; }));
  EXPECT_FALSE(Session.banList.active);

  Fake.bansSelected = 0;
  PendingAction = Action::RemoveBan;
  ASSERT_TRUE(TickUntil([] { return Fake.bans.size() == 39u && !Session.removeBan.active && !Session.banList.active; }));
  TickUntil([] { return false; }, 200);
  const auto lines = Received(server);
  const auto removal = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& l) { return l.find(" removeBan 0") != std::string::npos; });
  ASSERT_NE(removal, lines.end());
  // The rows shown are the server's list read again after the removal.
  EXPECT_NE(std::find_if(removal, lines.end(), [](const std::string& l) { return l.ends_with(" bans"); }), lines.end());
}

TEST_F(DemoClientTest, ServerWithoutStatusShowsThePlayersAloneAndKickWorks) {
  DemoServer server({"--no-status", "--players", "4", "--chat-interval", "0"});
  ASSERT_TRUE(server.ok()) << server.error();
  Connect(server);
  ASSERT_TRUE(Session.connected);
  ASSERT_TRUE(TickUntil([] { return Logged("Received player list."); }));
  ASSERT_EQ(Fake.players.size(), 4u);  // at once: nothing waits for a status reply
  const PlayerRow row = Fake.players[2];
  EXPECT_EQ(row[0], PlayerList[2].name);
  EXPECT_EQ(row[1] + row[2] + row[3], "");  // score, deaths, team: nobody said
  EXPECT_EQ(row[5], PlayerList[2].address);

  Fake.playersSelected = 2;
  ASSERT_TRUE(SelectedPlayer(&PendingActionData.target));
  const int32_t number = PendingActionData.target.number;
  EXPECT_EQ(number, PlayerList[2].number);
  PendingActionData.hasTarget = true;
  PendingActionData.reason = "Test";
  PendingAction = Action::Kick;
  TickUntil([] { return false; }, 300);
  const auto lines = Received(server);
  const std::string kick = " kick " + std::to_string(number) + " Test";
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.size() > kick.size() && l.ends_with(kick); }),
            lines.end());
}

TEST_F(DemoClientTest, AfterALoginToAnotherServerNothingOfTheFirstIsShownOrTargeted) {
  DemoServer a({"--players", "5", "--bans", "3", "--chat-interval", "0", "--setting", "mod=@a_mod"});
  DemoServer b({"--players", "2", "--bans", "0", "--chat-interval", "0", "--setting", "mod", "--seed", "7"});
  ASSERT_TRUE(a.ok() && b.ok());
  Connect(a);
  ASSERT_TRUE(Session.connected);
  ASSERT_TRUE(TickUntil([] { return Fake.players.size() == 5 && Fake.info["mod"] == "@a_mod"; }));
  PendingAction = Action::LoadBans;
  ASSERT_TRUE(TickUntil([] { return Fake.bans.size() == 3; }));
  Fake.playersSelected = 4;
  Fake.bansSelected = 2;
  PlayerIdentity aPlayer;
  ASSERT_TRUE(SelectedPlayer(&aPlayer));
  PendingAction = Action::Kick;  // chosen as the session ends
  PendingActionData.hasTarget = true;
  PendingActionData.target = aPlayer;

  Connect(b);
  ASSERT_TRUE(Session.connected);
  EXPECT_EQ(PendingAction, Action::None);
  EXPECT_FALSE(PendingActionData.hasTarget);
  EXPECT_TRUE(Fake.bans.empty());
  BanRecord ban;
  EXPECT_FALSE(SelectedBan(&ban));
  EXPECT_EQ(Fake.info["mod"], "");  // B has no mods: not A's shown as B's
  ASSERT_TRUE(TickUntil([] { return Fake.players.size() == 2 && !Fake.players[0][3].empty(); }));
  for (const PlayerRow& row : Fake.players) {
    EXPECT_TRUE(std::any_of(PlayerList.begin(), PlayerList.end(),
                            [&](const PlayerRecord& p) { return p.guid == row[6] && p.name == row[0]; }));
  }
  PlayerIdentity now;
  EXPECT_FALSE(SelectedPlayer(&now));
  EXPECT_EQ(FindPlayer(aPlayer), nullptr);
  TickUntil([] { return false; }, 300);
  for (const std::string& line : Received(b)) EXPECT_EQ(line.find(" kick "), std::string::npos) << line;
  for (const std::string& line : Received(a)) EXPECT_EQ(line.find(" kick "), std::string::npos) << line;
}

TEST_F(DemoClientTest, ServerMessagesAreAcknowledgedAndShown) {
  DemoServer server({"--chat-interval", "100"});
  ASSERT_TRUE(server.ok()) << server.error();
  Connect(server);
  ASSERT_TRUE(Session.connected);
  ASSERT_TRUE(TickUntil([] { return !Session.lastMessage.empty(); }));
  EXPECT_TRUE(Logged(Session.lastMessage));
  TickUntil([] { return false; }, 300);
  const auto lines = Received(server);
  EXPECT_NE(std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("ACK ", 0) == 0; }),
            lines.end());
}

TEST_F(DemoClientTest, ShutdownDisconnects) {
  DemoServer server({"--chat-interval", "0"});
  ASSERT_TRUE(server.ok()) << server.error();
  Connect(server);
  ASSERT_TRUE(Session.connected);
  PendingAction = Action::Shutdown;
  ASSERT_TRUE(TickUntil([] { return !Session.connected; }));
  EXPECT_TRUE(Logged("The server is shutting down now. Please reconnect."));
  EXPECT_EQ(Fake.controlsDisabled, 1);
}

#endif

}  // namespace
