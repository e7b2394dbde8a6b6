// Shared set-up for the protocol client's tests: a clean program session, a
// clean fake shell, a clock the test moves by hand, and a loopback peer to
// connect to.
#pragma once

#include "net/bans.h"
#include "net/live_players.h"
#include "net/players.h"
#include "net/session.h"
#include "net/shell.h"
#include "net/tick.h"
#include "tests/net/fake_shell.h"
#include "tests/net/loopback_peer.h"

#include <gtest/gtest.h>

#include <memory>

inline uint32_t TestClock = 0;
inline uint32_t ReadTestClock() { return TestClock; }

// The program's loop without the window: sleep until a datagram, the end of
// a look-up or a deadline (at most `sliceMs`), then one tick; until `done`
// or `timeoutMs` of real time. False on the time-out.
template <typename Done>
bool RunLoopUntil(Done done, int timeoutMs = 5000, uint32_t sliceMs = 20) {
  const uint32_t start = platform::TickCount();
  while (!done()) {
    if (platform::TickCount() - start > static_cast<uint32_t>(timeoutMs)) return false;
    WaitForNetwork(sliceMs, false);
    NetworkTick();
  }
  return true;
}

// Starts connecting and runs the loop until the look-up and the login have
// ended one way or the other.
inline void ConnectAndWait(int fromQuickConnect, int timeoutMs = 6000) {
  ConnectToServer(Session, fromQuickConnect);
  RunLoopUntil([] { return Session.link != LinkState::LookingUp && Session.link != LinkState::LoggingIn; }, timeoutMs);
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SocketsStartup();
    CloseSocket(Session.connection);
    platform::LookupRelease(Session.lookup);
    Session = RconSession{};
    Fake.Reset();
    RegisterInfoRowsForTests();
    PendingAction = Action::None;
    PendingActionData = ActionData{};
    PlayerList.clear();
    ForgetLiveEvents();
    BanList.clear();
    TestClock = 100000;
    SetTickSource(ReadTestClock);
  }

  void TearDown() override {
    CloseSocket(Session.connection);
    Session.connection = nullptr;
    Session.connected = false;
    platform::LookupRelease(Session.lookup);
    Session.lookup = nullptr;
    Session.link = LinkState::Closed;
    SetTickSource(nullptr);
    SetHostResolverForTesting(nullptr);
  }

  // Connects the program's session to `peer` and forgets the datagrams of
  // the connect itself, so a test sees only what it caused. The keep-alive
  // clock is set to now, so no keep-alive interferes until the test moves it.
  bool ConnectTo(LoopbackPeer& peer, size_t expectedConnectDatagrams = 5) {
    Session.host = "127.0.0.1";
    Session.port = peer.Port();
    Session.password = "secret";
    ConnectAndWait(1);
    if (!Session.connected) return false;
    peer.WaitForCount(expectedConnectDatagrams);
    peer.ClearReceived();
    Fake.Reset();
    Session.lastKeepAlive = TestClock;
    return true;
  }

  // Waits (bounded) until the client's socket has something to read, then
  // runs one pass of the tick.
  static void TickWhenReadable() {
    ResetReadSet(Session.connection);
    platform::UdpPoll(Session.connection, 2000);
    NetworkTick();
  }
};
