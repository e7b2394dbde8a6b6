// The network tick against a loopback peer that plays the server: what is
// acknowledged, shown, matched and sent, pass by pass.
#include "tests/net/session_fixture.h"

#include "net/commands.h"
#include "net/player_rows.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string kGuid = "0123456789abcdef0123456789abcdef";

// The "players" reply: a 115-character header, then one line per player.
std::string PlayersReply(int count) {
  std::string text =
      "Players on server:\n[#] [IP Address]:[Port] [Ping] [GUID] [Name]\n"
      "--------------------------------------------------\n";
  for (int i = 0; i < count; ++i) {
    text += std::to_string(i) + "   10.0.0." + std::to_string(i) + ":2304   " + std::to_string(30 + i) + "   " +
            kGuid + "   Player " + std::to_string(i) + "\n";
  }
  text += "(" + std::to_string(count) + " players in total)";
  return text;
}

class TickTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    ASSERT_TRUE(peer.ok());
    ASSERT_TRUE(ConnectTo(peer));
  }

  // Sends `datagram` to the client and runs the pass that reads it.
  void Deliver(const Bytes& datagram) {
    peer.SendToClient(datagram);
    TickWhenReadable();
  }

  // The command datagrams the client sent since the last ClearReceived.
  std::vector<std::string> SentTexts() {
    std::vector<std::string> texts;
    for (const Bytes& d : peer.Received()) texts.push_back(d.size() >= 8 && d[7] == 0x01 ? CommandText(d) : "?");
    return texts;
  }

  LoopbackPeer peer;
};

TEST_F(TickTest, ServerMessageIsAcknowledgedBeforeItIsShownAndShownOnce) {
  bool ackedBeforeShown = false;
  Fake.onAppendLog = [&](const std::string&) { ackedBeforeShown = peer.WaitForCount(1, 1000); };
  Deliver(ServerFrame(rcon::kTypeServerMessage, 7, "Player #1 Bob connected"));
  EXPECT_TRUE(ackedBeforeShown);
  ASSERT_TRUE(peer.WaitForCount(1));
  const Bytes ack = peer.Received()[0];
  ASSERT_EQ(ack.size(), 9u);
  EXPECT_EQ(ack[7], 0x02);
  EXPECT_EQ(ack[8], 7);
  EXPECT_EQ(Fake.log, std::vector<std::string>{"Player #1 Bob connected"});

  // The same text again, with another sequence byte: acknowledged, not shown.
  Fake.onAppendLog = nullptr;
  Deliver(ServerFrame(rcon::kTypeServerMessage, 8, "Player #1 Bob connected"));
  ASSERT_TRUE(peer.WaitForCount(2));
  EXPECT_EQ(peer.Received()[1][8], 8);
  EXPECT_EQ(Fake.log.size(), 1u);
  EXPECT_EQ(Session.sequence, 3);  // acknowledgements do not count

  Deliver(ServerFrame(rcon::kTypeServerMessage, 9, "RCon admin #0 logged in"));
  EXPECT_EQ(Fake.log.back(), "RCon admin #0 logged in");
}

TEST_F(TickTest, PlayerListMessageIsWrittenBeforeTheListIsParsed) {
  Deliver(ServerFrame(rcon::kTypeCommand, 2, PlayersReply(2)));
  ASSERT_GE(Fake.calls.size(), 3u);
  EXPECT_EQ(Fake.calls[0], "AppendLog:Received player list.");
  EXPECT_EQ(Fake.calls[1], "PlayersList_InsertRow:Player 0");
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "2");
  EXPECT_EQ(PlayerList.size(), 2u);
  EXPECT_TRUE(Session.pendingRequests.empty());
}

TEST_F(TickTest, ShutdownReplyDisconnectsAndEndsThePass) {
  PendingAction = Action::Shutdown;
  NetworkTick();
  EXPECT_EQ(PendingAction, Action::None);
  ASSERT_TRUE(peer.WaitForCount(1));
  EXPECT_EQ(SentTexts(), std::vector<std::string>{"#shutdown"});
  peer.ClearReceived();

  TestClock += 60000;  // a keep-alive is due, but the pass ends first
  const uint32_t lastKeepAlive = Session.lastKeepAlive;
  Deliver(ServerFrame(rcon::kTypeCommand, 3, ""));
  EXPECT_EQ(Fake.log, std::vector<std::string>{"The server is shutting down now. Please reconnect."});
  // With the socket gone a keep-alive could not reach the peer; the counter
  // and the clock show whether one was attempted.
  EXPECT_EQ(Session.sequence, 4);
  EXPECT_EQ(Session.lastKeepAlive, lastKeepAlive);
  EXPECT_FALSE(Session.connected);
  EXPECT_EQ(Session.connection, nullptr);
  EXPECT_EQ(Fake.controlsDisabled, 1);

  PendingAction = Action::Lock;
  NetworkTick();  // does nothing while disconnected
  EXPECT_EQ(PendingAction, Action::Lock);
  EXPECT_FALSE(peer.WaitForCount(1, 100));
}

TEST_F(TickTest, SequenceByteMatchesPendingNumbersModulo256) {
  AddPendingRequest(Session, 200, nullptr, 0, "two hundred");
  AddPendingRequest(Session, 456, nullptr, 0, "four fifty-six");
  Deliver(ServerFrame(rcon::kTypeCommand, 200, "ok"));
  EXPECT_EQ(Fake.log, std::vector<std::string>{"two hundred"});
  Deliver(ServerFrame(rcon::kTypeCommand, 200, "ok"));
  EXPECT_EQ(Fake.log.back(), "four fifty-six");
  Deliver(ServerFrame(rcon::kTypeCommand, 200, "ok"));  // nothing left: dropped
  EXPECT_EQ(Fake.log.size(), 2u);
}

TEST_F(TickTest, ARequestWhoseReplyWasLostGivesWayToTheNextDatagramOnItsByte) {
  // "#shutdown" goes out as 3, and neither it nor its reply arrives.
  PendingAction = Action::Shutdown;
  NetworkTick();
  ASSERT_TRUE(peer.WaitForCount(1));
  // 256 datagrams later a keep-alive carries byte 3 again; its reply comes.
  Session.sequence = 3 + 256;
  TestClock += kKeepAliveIntervalMs + 1;
  NetworkTick();
  ASSERT_TRUE(peer.WaitForCount(2));
  ASSERT_EQ(peer.Received()[1][8], 3);
  Deliver(ServerFrame(rcon::kTypeCommand, 3, ""));
  EXPECT_TRUE(Session.connected);
  EXPECT_TRUE(Fake.log.empty());

  // Likewise a lost "players" (2) gives way to a command on byte 2.
  Session.sequence = 2 + 512;
  PendingAction = Action::Lock;
  NetworkTick();
  Deliver(ServerFrame(rcon::kTypeCommand, 2, ""));
  EXPECT_EQ(Fake.log, std::vector<std::string>{"The server was locked."});
  EXPECT_TRUE(std::none_of(Fake.calls.begin(), Fake.calls.end(),
                           [](const std::string& call) { return call.starts_with("PlayersList_"); }));
  EXPECT_TRUE(Session.pendingRequests.empty());

  // The connect's "maxping" (1) was never answered either; the value set
  // since must survive the reply to a keep-alive on byte 1.
  Fake.Reset();
  SetInfoValue("BE_MAXPING", "250");
  Session.sequence = 1 + 768;
  TestClock += kKeepAliveIntervalMs + 1;
  NetworkTick();
  Deliver(ServerFrame(rcon::kTypeCommand, 1, ""));
  EXPECT_EQ(Fake.info["BE_MAXPING"], "250");
  EXPECT_TRUE(Fake.log.empty());
}

TEST_F(TickTest, VersionIsShownOncePerConnection) {
  Deliver(ServerFrame(rcon::kTypeCommand, 0, "1.217"));
  Deliver(ServerFrame(rcon::kTypeCommand, 1, "250"));
  EXPECT_EQ(Fake.log, (std::vector<std::string>{"Version: 1.217", "MaxPing: 250"}));
  EXPECT_EQ(Fake.info["BE_VERSION"], "1.217");
  EXPECT_EQ(Fake.info["BE_MAXPING"], "250");

  Deliver(ServerFrame(rcon::kTypeCommand, 0, "later reply, same byte"));
  EXPECT_EQ(Fake.log.size(), 2u);

  ASSERT_TRUE(ConnectTo(peer));
  Deliver(ServerFrame(rcon::kTypeCommand, 0, "1.218"));
  EXPECT_EQ(Fake.log, std::vector<std::string>{"Version: 1.218"});
}

TEST_F(TickTest, RequestsOfAnEarlierConnectionDoNotTakeTheNextOnesReplies) {
  // "#shutdown" goes out as 3 and the server goes down without answering.
  PendingAction = Action::Shutdown;
  NetworkTick();
  ASSERT_TRUE(peer.WaitForCount(1));

  ASSERT_TRUE(ConnectTo(peer));
  // The new connection's fourth datagram (its first keep-alive) is answered
  // with sequence byte 3 too.
  Deliver(ServerFrame(rcon::kTypeCommand, 3, ""));
  EXPECT_TRUE(Session.connected);
  EXPECT_TRUE(Fake.log.empty());
  // The new connection's own "players" still finds its reply.
  Deliver(ServerFrame(rcon::kTypeCommand, 2, PlayersReply(1)));
  EXPECT_EQ(Fake.log, std::vector<std::string>{"Received player list."});
  EXPECT_TRUE(Session.pendingRequests.empty());
}

TEST_F(TickTest, KeepAliveEveryTwentySecondsOfSilence) {
  const uint32_t start = TestClock;
  TestClock = start + 20000;
  NetworkTick();
  EXPECT_FALSE(peer.WaitForCount(1, 100));

  TestClock = start + 20001;
  NetworkTick();
  ASSERT_TRUE(peer.WaitForCount(1));
  const Bytes keepAlive = peer.Received()[0];
  ASSERT_EQ(keepAlive.size(), 9u);
  EXPECT_EQ(keepAlive[7], 0x01);
  EXPECT_EQ(keepAlive[8], 3);
  EXPECT_EQ(Session.sequence, 4);
  EXPECT_EQ(Session.lastKeepAlive, start + 20001);

  // Measured from the previous keep-alive, not from the last command.
  TestClock = start + 30000;
  PendingAction = Action::Lock;
  NetworkTick();
  TestClock = start + 40002;
  NetworkTick();
  ASSERT_TRUE(peer.WaitForCount(3));
  EXPECT_EQ(SentTexts(), (std::vector<std::string>{"", "#lock", ""}));
}

TEST_F(TickTest, KeepAliveTimingHoldsAcrossTheClockWrap) {
  Session.lastKeepAlive = 0xFFFFF000u;
  TestClock = 0x00000100u;  // 4352 ms later
  NetworkTick();
  EXPECT_FALSE(peer.WaitForCount(1, 100));
  TestClock = 0xFFFFF000u + 20001u;
  NetworkTick();
  EXPECT_TRUE(peer.WaitForCount(1));
}

TEST_F(TickTest, PendingActionGoesOutAfterTheDatagramsWaitingAreRead) {
  PendingAction = Action::Reassign;
  peer.SendToClient(ServerFrame(rcon::kTypeServerMessage, 1, "busy"));
  TickWhenReadable();
  ASSERT_TRUE(peer.WaitForCount(2));
  EXPECT_EQ(peer.Received()[0][7], 0x02);  // the acknowledgement first
  EXPECT_EQ(CommandText(peer.Received()[1]), "#reassign");
  EXPECT_EQ(PendingAction, Action::None);
}

TEST_F(TickTest, ReplySplitInThreePartsIsJoinedInAnyOrder) {
  const std::string reply = PlayersReply(100);
  const size_t third = reply.size() / 3;
  const std::string parts[3] = {reply.substr(0, third), reply.substr(third, third), reply.substr(2 * third)};
  Deliver(ServerPart(2, 3, 2, parts[2]));
  Deliver(ServerPart(2, 3, 0, parts[0]));
  EXPECT_TRUE(Fake.log.empty());
  EXPECT_EQ(Session.replies.InProgress(), 1u);
  Deliver(ServerPart(2, 3, 1, parts[1]));
  EXPECT_EQ(Fake.log, std::vector<std::string>{"Received player list."});
  ASSERT_EQ(PlayerList.size(), 100u);
  EXPECT_EQ(PlayerList[99].name, "Player 99");
  EXPECT_EQ(Fake.info["BE_PLAYERS"], "100");
  EXPECT_EQ(peer.ReceivedCount(), 0u);  // reply parts are not acknowledged
}

TEST_F(TickTest, LostPartDoesNotHoldUpLaterReplies) {
  AddPendingRequest(Session, 7, nullptr, 0, "seven");
  Deliver(ServerPart(2, 3, 0, "first"));  // part 1 and 2 never come
  Deliver(ServerFrame(rcon::kTypeCommand, 7, "done"));
  EXPECT_EQ(Fake.log, std::vector<std::string>{"seven"});

  TestClock += ReplyAssembler::kPartTimeoutMs + 1;
  NetworkTick();
  EXPECT_EQ(Session.replies.InProgress(), 0u);
}

TEST_F(TickTest, StrangersAndBadChecksumsAreIgnored) {
  peer.SendToClientFromElsewhere(ServerFrame(rcon::kTypeServerMessage, 4, "forged"));
  TickWhenReadable();
  Bytes corrupted = ServerFrame(rcon::kTypeServerMessage, 5, "corrupted");
  corrupted.back() ^= 0x20;
  Deliver(corrupted);
  peer.SendToClientFromElsewhere(ServerFrame(rcon::kTypeCommand, 2, PlayersReply(1)));
  TickWhenReadable();
  EXPECT_TRUE(Fake.log.empty());
  EXPECT_FALSE(peer.WaitForCount(1, 100));  // no acknowledgement
  EXPECT_EQ(Session.pendingRequests.size(), 1u);
}

TEST_F(TickTest, StrangersStatusRepliesAndLoginsAreIgnored) {
  const std::string reply = std::string("\x00\x04\x05\x06\x07", 5) + std::string("hostname\0Forged\0", 16);
  peer.SendToClientFromElsewhere(AsBytes(reply));
  TickWhenReadable();
  Session.lastMessage = "something";
  peer.SendToClientFromElsewhere(ServerFrame(rcon::kTypeLogin, 1, ""));
  TickWhenReadable();
  EXPECT_TRUE(Fake.calls.empty());
  EXPECT_EQ(Session.server, (platform::Endpoint{0x7F000001, peer.Port()}));
  EXPECT_FALSE(peer.WaitForCount(1, 100));
}

TEST_F(TickTest, PlayerListIsShownAtOnceWithoutAStatusReply) {
  // A remote console on a port of its own never answers the status query.
  Deliver(ServerFrame(rcon::kTypeCommand, 2, PlayersReply(2)));
  ASSERT_EQ(Fake.players.size(), 2u);
  EXPECT_EQ(Fake.players[1], (PlayerRow{"Player 1", "", "", "", "31", "10.0.0.1", kGuid}));
}

TEST_F(TickTest, StatusReplyBeforeThePlayerListAndTwiceStillJoinsOnce) {
  // No settings, one player: the empty key, the count byte, the field names.
  const std::string status = std::string("\x00\x04\x05\x06\x07" "\0" "\x01", 7) +
                             std::string("player_\0team_\0score_\0deaths_\0\0", 30) +
                             std::string("Player 0\0" "1\0" "5\0" "2\0", 15);
  Deliver(AsBytes(status));
  Deliver(ServerFrame(rcon::kTypeCommand, 2, PlayersReply(2)));
  Deliver(AsBytes(status));
  ASSERT_EQ(Fake.players.size(), 2u);
  EXPECT_EQ(Fake.players[0], (PlayerRow{"Player 0", "5", "2", "1", "30", "10.0.0.0", kGuid}));
}

TEST_F(TickTest, BurstOfTwiceSentPartsCompletes) {
  // 84 parts of 256 bytes, each sent twice, all at once: more than a default
  // receive buffer holds, read one datagram per pass of the event loop.
  std::string reply = PlayersReply(300);
  constexpr uint8_t kParts = 84;
  reply.resize(kParts * 256, ' ');
  reply.back() = '\n';
  for (uint8_t i = 0; i < kParts; ++i) {
    const Bytes part = ServerPart(2, kParts, i, reply.substr(i * 256u, 256));
    peer.SendToClient(part);
    peer.SendToClient(part);
  }
  for (int pass = 0; pass < 400 && Fake.log.empty(); ++pass) {
    platform::SleepMs(5);
    NetworkTick();
  }
  EXPECT_EQ(Fake.log, std::vector<std::string>{"Received player list."});
  EXPECT_EQ(PlayerList.size(), ParsePlayerLines(reply).size());
  EXPECT_GT(PlayerList.size(), 250u);
}

TEST_F(TickTest, AnIncompleteReplyGivenUpIsLogged) {
  Deliver(ServerPart(2, 3, 0, "first"));
  Deliver(ServerPart(2, 3, 2, "third"));
  Deliver(ServerPart(2, 3, 2, "third"));  // a repeat is not another part
  TestClock += ReplyAssembler::kPartTimeoutMs + 1;
  NetworkTick();
  EXPECT_EQ(Fake.log, std::vector<std::string>{"Gave up the reply to \"players\": 2 of 3 parts arrived."});
  NetworkTick();
  EXPECT_EQ(Fake.log.size(), 1u);
}

TEST_F(TickTest, LateLoginReplyIsNotShown) {
  Session.lastMessage = "something";
  Deliver(ServerFrame(rcon::kTypeLogin, 1, ""));
  EXPECT_TRUE(Fake.log.empty());
  EXPECT_FALSE(peer.WaitForCount(1, 100));
}

TEST_F(TickTest, StatusReplyGoesToItsParser) {
  const std::string reply = std::string("\x00\x04\x05\x06\x07", 5) + std::string("hostname\0Demo\0", 14);
  Deliver(AsBytes(reply));
  EXPECT_EQ(Fake.info["hostname"], "Demo");
  EXPECT_TRUE(Fake.log.empty());
}

}  // namespace

namespace {

// The loop sleeps for what NetworkWaitMs says: too long and a keep-alive or a
// deadline is late, too short and the program wakes for nothing.
TEST_F(TickTest, TheLoopSleepsUntilTheNextThingDue) {
  // Connected and idle: until the next keep-alive.
  EXPECT_EQ(NetworkWaitMs(), kKeepAliveIntervalMs + 1);
  TestClock += 5000;
  EXPECT_EQ(NetworkWaitMs(), kKeepAliveIntervalMs + 1 - 5000);
  // A ban list asked for: until its deadline, the sooner of the two.
  LoadBans(Session);
  EXPECT_EQ(NetworkWaitMs(), kBanListTimeoutMs);
  TestClock += kBanListTimeoutMs;
  EXPECT_EQ(NetworkWaitMs(), 0u);
  NetworkTick();
  EXPECT_FALSE(Session.banList.active);
  // A reply collecting its parts: until it is given up.
  Session.lastKeepAlive = TestClock;
  Deliver(ServerPart(2, 2, 0, "half"));
  EXPECT_EQ(NetworkWaitMs(), ReplyAssembler::kPartTimeoutMs + 1);
  // An action chosen, or datagrams left over by the bound: at once.
  PendingAction = Action::Lock;
  EXPECT_EQ(NetworkWaitMs(), 0u);
  PendingAction = Action::None;
  Session.moreWaiting = true;
  EXPECT_EQ(NetworkWaitMs(), 0u);
  Session.moreWaiting = false;
  // The keep-alive overdue (the clock moved on while a box was open): now.
  TestClock += kKeepAliveIntervalMs * 3;
  EXPECT_EQ(NetworkWaitMs(), 0u);
  // Nothing to do without a connection: until a window event.
  Disconnect(0, "");
  EXPECT_EQ(NetworkWaitMs(), platform::kWaitForever);
}

// Datagrams past the bound of one pass are read by the next, with nothing
// lost and nothing read twice.
TEST_F(TickTest, MoreThanAPassReadsWaitForTheNextPassNotForTheNextDatagram) {
  const int count = kDatagramsPerPass + 10;
  for (int i = 0; i < count; ++i) {
    peer.SendToClient(ServerFrame(rcon::kTypeServerMessage, i, "message " + std::to_string(i)));
  }
  ASSERT_TRUE(peer.WaitForCount(0));
  platform::SleepMs(200);  // all of them waiting before the first pass
  NetworkTick();
  EXPECT_EQ(Fake.log.size(), static_cast<size_t>(kDatagramsPerPass));
  EXPECT_EQ(NetworkWaitMs(), 0u);
  ASSERT_TRUE(RunLoopUntil([&] { return Fake.log.size() == static_cast<size_t>(count); }));
  ASSERT_TRUE(peer.WaitForCount(count));
  EXPECT_FALSE(peer.WaitForCount(count + 1, 100));  // each acknowledged once
}

}  // namespace
