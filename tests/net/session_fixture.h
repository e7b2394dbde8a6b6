// Shared set-up for the protocol client's tests: a clean program session, a
// clean fake shell, a clock the test moves by hand, and a loopback peer to
// connect to.
#pragma once

#include "net/bans.h"
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

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SocketsStartup();
    CloseSocket(Session.connection);
    Session = RconSession{};
    Fake.Reset();
    RegisterInfoRowsForTests();
    PendingAction = Action::None;
    PendingActionData = ActionData{};
    PlayerList.clear();
    BanList.clear();
    TestClock = 100000;
    SetTickSource(ReadTestClock);
  }

  void TearDown() override {
    CloseSocket(Session.connection);
    Session.connection = nullptr;
    Session.connected = false;
    SetTickSource(nullptr);
  }

  // Connects the program's session to `peer` and forgets the datagrams of
  // the connect itself, so a test sees only what it caused. The keep-alive
  // clock is set to now, so no keep-alive interferes until the test moves it.
  bool ConnectTo(LoopbackPeer& peer, size_t expectedConnectDatagrams = 5) {
    Session.host = "127.0.0.1";
    Session.port = peer.Port();
    Session.password = "secret";
    ConnectToServer(Session, 1);
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
