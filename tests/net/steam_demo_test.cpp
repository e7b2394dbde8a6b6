// The Steam query in the protocol client against the demo game server over
// loopback, without its status reply: the port found by itself or typed by
// hand, Score and Time in the players' rows and the Info values. Native
// only, like every test that starts the demo server.
#include "tests/net/session_fixture.h"

#include "net/steam_link.h"

#ifndef _WIN32
#include "tests/support/demo_server.h"
#endif

#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <string>

namespace {

#ifdef _WIN32

TEST(SteamDemo, NeedsTheNativeDemoServer) { GTEST_SKIP() << "the demo server runs natively only"; }

#else

using quorvel_test::DemoServer;
using Clock = std::chrono::steady_clock;

class SteamDemoTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    SetTickSource(nullptr);
  }
  void TearDown() override {
    SetSteamQueryPorts(0, 0);
    SessionTest::TearDown();
  }

  void Connect(const DemoServer& server) {
    Session.host = "127.0.0.1";
    Session.port = server.port();
    Session.password = "demo";
    ConnectAndWait(1);  // the login is a pending state the tick moves on
  }

  static bool TickUntil(const std::function<bool()>& done, int timeoutMs = 8000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
      if (Clock::now() > deadline) return false;
      platform::SleepMs(5);
      NetworkTick();
    }
    return true;
  }

  // Every row has a Score and a Time.
  static bool RowsComplete(size_t players) {
    if (Fake.players.size() != players) return false;
    for (const PlayerRow& row : Fake.players) {
      if (row[1].empty() || row[kPlayerColumnTime].empty()) return false;
    }
    return true;
  }
};

// A demo server whose query port is its console port + 1, as on a real
// server; ports taken by something else are tried again elsewhere.
std::unique_ptr<DemoServer> ServerWithQueryPortAbove(int players) {
  std::mt19937 random(static_cast<unsigned>(Clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int port = 20000 + static_cast<int>(random() % 40000);
    auto server = std::make_unique<DemoServer>(std::vector<std::string>{
        "--port", std::to_string(port), "--query-port", std::to_string(port + 1), "--no-status", "--players",
        std::to_string(players), "--chat-interval", "0"});
    if (server->ok() && server->queryPort() == port + 1) return server;
  }
  return nullptr;
}

TEST_F(SteamDemoTest, WithoutAStatusReplyTheQueryPortIsFoundAndFillsScoresTimesAndInfo) {
  const auto server = ServerWithQueryPortAbove(5);
  ASSERT_NE(server, nullptr);
  SetSteamQueryPorts(0, 0);
  Connect(*server);
  ASSERT_TRUE(Session.connected);
  ASSERT_TRUE(TickUntil([] { return RowsComplete(5); })) << Fake.players.size();
  EXPECT_EQ(SteamQuery.port(), server->queryPort());
  EXPECT_EQ(Fake.foundQueryPorts["127.0.0.1:" + std::to_string(server->port())], server->queryPort());
  ASSERT_TRUE(TickUntil([] { return !Fake.info["players"].empty(); }));
  EXPECT_FALSE(Fake.info["hostname"].empty());
  EXPECT_FALSE(Fake.info["mapname"].empty());
  EXPECT_FALSE(Fake.info["mission"].empty());
  EXPECT_EQ(Fake.info["players"].rfind("5 / ", 0), 0u) << Fake.info["players"];
  // Team and Deaths come from the status reply alone.
  EXPECT_EQ(Fake.players[0][2], "");
  EXPECT_EQ(Fake.players[0][3], "");
}

TEST_F(SteamDemoTest, APortTypedByHandIsAskedAtOnceAndNothingElseIs) {
  // A full server: its player answer comes split.
  DemoServer server({"--query-port", "0", "--no-status", "--players", "64", "--chat-interval", "0"});
  ASSERT_TRUE(server.ok()) << server.error();
  SetSteamQueryPorts(static_cast<uint16_t>(server.queryPort()), 0);
  Connect(server);
  ASSERT_TRUE(TickUntil([] { return RowsComplete(64); })) << Fake.players.size();
  EXPECT_EQ(SteamQuery.source(), a2s::SteamQuerySession::PortSource::Manual);
  EXPECT_TRUE(Fake.foundQueryPorts.empty());
  for (const std::string& line : server.ReadLog()) {
    EXPECT_EQ(line.find("QUERY other"), std::string::npos) << line;
  }
}

#endif

}  // namespace
