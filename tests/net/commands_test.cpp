// The commands the tick sends for each pending action, and what their
// replies do.
#include "tests/net/session_fixture.h"

#include "net/bans.h"
#include "net/commands.h"
#include "net/history_feed.h"

#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kBansHeader =
    "GUID Bans:\n[#] [GUID] [Minutes left] [Reason]\n---------------------------------------\n";
const std::string kIpSection = "\nIP Bans:\n[#] [IP Address] [Minutes left] [Reason]\n0 1.2.3.4 perm Ip ban\n";
const std::string kGuid = "0123456789abcdef0123456789abcdef";

class CommandsTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    ASSERT_TRUE(peer.ok());
    ASSERT_TRUE(ConnectTo(peer));
  }

  // Sets the action and runs a pass with nothing to read; returns the texts
  // of the command datagrams sent (status queries as "<status>").
  std::vector<std::string> Carry(Action action, size_t expected = 1) {
    peer.ClearReceived();
    PendingAction = action;
    NetworkTick();
    EXPECT_EQ(PendingAction, Action::None);
    peer.WaitForCount(expected, expected == 0 ? 100 : 2000);
    std::vector<std::string> texts;
    for (const Bytes& d : peer.Received()) texts.push_back(d[0] == 'B' ? CommandText(d) : "<status>");
    return texts;
  }

  void Reply(uint8_t sequence, std::string_view text) {
    peer.SendToClient(ServerFrame(rcon::kTypeCommand, sequence, text));
    TickWhenReadable();
  }

  LoopbackPeer peer;
};

using Texts = std::vector<std::string>;

TEST(CommandTexts, ArgumentsInDecimalAndTheReasonVerbatim) {
  EXPECT_EQ(KickCommandText(3, "Spam"), "kick 3 Spam");
  EXPECT_EQ(KickCommandText(3, ""), "kick 3 ");
  EXPECT_EQ(BanCommandText(12, 2 * 24 * 60, "Cheating"), "ban 12 2880 Cheating");
  EXPECT_EQ(BanCommandText(0, 0, "for ever"), "ban 0 0 for ever");
  EXPECT_EQ(RemoveBanCommandText(2), "removeBan 2");
  EXPECT_EQ(MaxPingCommandText(250), "maxping 250");
}

TEST_F(CommandsTest, FixedCommandsAndTheLinesTheirRepliesWrite) {
  struct Case {
    Action action;
    const char* text;
    const char* line;
  };
  const Case cases[] = {
      {Action::Reassign, "#reassign", "The players are being reassigned."},
      {Action::Restart, "#restart", "The server is restarting now."},
      {Action::Lock, "#lock", "The server was locked."},
      {Action::Unlock, "#unlock", "The server was unlocked."},
  };
  for (const Case& c : cases) {
    const int32_t sequence = Session.sequence;
    EXPECT_EQ(Carry(c.action), Texts{c.text});
    Fake.Reset();
    Reply(static_cast<uint8_t>(sequence), "");
    EXPECT_EQ(Fake.log, Texts{c.line}) << c.text;
  }
  ASSERT_EQ(Session.pendingRequests.size(), 1u);  // only the connect's "players" is left
  EXPECT_EQ(Session.pendingRequests[0].sequence, 2);
}

TEST_F(CommandsTest, RefreshSendsPlayersThenTheStatusQuery) {
  EXPECT_EQ(Carry(Action::Refresh, 2), (Texts{"players", "<status>"}));
  ASSERT_FALSE(Session.pendingRequests.empty());
  EXPECT_EQ(Session.pendingRequests.back().message, "Received player list.");
  EXPECT_EQ(Session.pendingRequests.back().sequence, 3);
}

// The dialog's player, as it holds him: number 3 with his GUID.
void AimAtPlayerThree(std::string reason) {
  PendingActionData.hasTarget = true;
  PendingActionData.target = PlayerIdentity{3, "g3", "10.0.0.3", "Carl"};
  PendingActionData.reason = std::move(reason);
}

TEST_F(CommandsTest, KickAndBanGoToTheHeldPlayersNumberInTheLatestList) {
  PlayerList = {{"Ann", "10.0.0.1", 1, 10, "g1", 1}, {"Carl", "10.0.0.3", 1, 10, "g3(OK)", 3}};
  AimAtPlayerThree("Spam");
  EXPECT_EQ(Carry(Action::Kick), Texts{"kick 3 Spam"});
  EXPECT_FALSE(PendingActionData.hasTarget);  // used up by the kick
  EXPECT_EQ(Carry(Action::Kick, 0), Texts{}); // and not reused by the next

  AimAtPlayerThree("");
  EXPECT_EQ(Carry(Action::Kick), Texts{"kick 3 "});
  AimAtPlayerThree("Cheating");
  PendingActionData.banMinutes = 2 * 24 * 60;
  EXPECT_EQ(Carry(Action::Ban), Texts{"ban 3 2880 Cheating"});
  AimAtPlayerThree("Cheating");
  PendingActionData.banMinutes = 0;
  EXPECT_EQ(Carry(Action::Ban), Texts{"ban 3 0 Cheating"});
  EXPECT_EQ(Session.pendingRequests.size(), 1u);  // kick and ban wait for nothing
}

TEST_F(CommandsTest, KickOrBanOfAPlayerWhoLeftSendsNothingAndSaysSo) {
  // #3 left and another took his number; then the list lost #3 altogether.
  const std::vector<std::vector<PlayerRecord>> lists = {
      {{"Dora", "10.0.0.3", 1, 10, "g9", 3}},
      {{"Ann", "10.0.0.1", 1, 10, "g1", 1}},
  };
  for (const auto& list : lists) {
    PlayerList = list;
    for (const Action action : {Action::Kick, Action::Ban}) {
      Fake.Reset();
      AimAtPlayerThree("Spam");
      const int32_t sequence = Session.sequence;
      EXPECT_EQ(Carry(action, 0), Texts{});
      EXPECT_EQ(Session.sequence, sequence);
      EXPECT_EQ(Fake.log, Texts{"#3 Carl is no longer on the server; nothing was sent."});
    }
  }
}

TEST_F(CommandsTest, OverlongReasonIsNotSent) {
  PlayerList = {{"Carl", "10.0.0.3", 1, 10, "g3", 3}};
  AimAtPlayerThree(std::string(kMaxCommandBytes, 'r'));
  const int32_t sequence = Session.sequence;
  EXPECT_EQ(Carry(Action::Kick, 0), Texts{});
  EXPECT_EQ(Session.sequence, sequence);
}

// The rows were read a while ago; meanwhile the server's numbering moved.
// Remove ban reads the list again and aims at the ban, not at the row.
TEST_F(CommandsTest, RemoveBanSendsTheNumberTheSelectedBanHasNow) {
  const std::string guidB(32, 'b');
  const auto line = [](int number, const std::string& guid, const char* reason) {
    return std::to_string(number) + " " + guid + " perm " + reason + "\n";
  };
  struct Case {
    const char* what;
    std::string freshList;
    std::string removeBan;  // what is sent; empty: nothing
    std::string log;
  };
  const std::string gone = "The ban of " + kGuid + " (\"r2\") ";
  const Case cases[] = {
      {"shifted", line(0, kGuid, "r2") + line(1, guidB, "r3"), "removeBan 0", ""},
      {"unchanged", line(0, kGuid, "r1") + line(1, kGuid, "r2") + line(2, guidB, "r3"), "removeBan 1", ""},
      {"gone", line(0, kGuid, "r1") + line(1, guidB, "r3"), "",
       gone + "is no longer on the server's list; nothing was removed."},
      {"twice", line(0, kGuid, "r2") + line(1, kGuid, "r2"), "",
       gone + "now matches 2 entries of the server's list; nothing was removed."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ForgetBans();
    ParseBanList(kBansHeader + line(0, kGuid, "r1") + line(1, kGuid, "r2") + line(2, guidB, "r3") + kIpSection, 0);
    Fake.bansSelected = 1;
    Fake.log.clear();
    EXPECT_EQ(Carry(Action::RemoveBan), Texts{"bans"});
    // Asked twice meanwhile: one removal at a time.
    EXPECT_EQ(Carry(Action::RemoveBan, 0), Texts{});
    peer.ClearReceived();
    Reply(static_cast<uint8_t>(Session.banList.sequence), kBansHeader + c.freshList + kIpSection);
    if (c.removeBan.empty()) {
      EXPECT_FALSE(peer.WaitForCount(1, 100));
      EXPECT_EQ(Fake.log, Texts{c.log});
      continue;
    }
    ASSERT_TRUE(peer.WaitForCount(1));
    EXPECT_EQ(CommandText(peer.Received()[0]), c.removeBan);
    EXPECT_TRUE(Fake.bans.empty());  // the rows wait for the server's word
    // The reply, then the list is read again.
    peer.ClearReceived();
    Reply(Session.removeBan.sequence, "");
    ASSERT_TRUE(peer.WaitForCount(1));
    EXPECT_EQ(CommandText(peer.Received()[0]), "bans");
    Reply(static_cast<uint8_t>(Session.banList.sequence), kBansHeader + line(0, guidB, "r3") + kIpSection);
    EXPECT_EQ(Fake.bans.size(), 1u);
  }

  // A "removeBan" never answered: the list is read again at its deadline.
  ForgetBans();
  ParseBanList(kBansHeader + line(0, kGuid, "r1") + kIpSection, 0);
  Fake.bansSelected = 0;
  EXPECT_EQ(Carry(Action::RemoveBan), Texts{"bans"});
  peer.ClearReceived();
  Reply(static_cast<uint8_t>(Session.banList.sequence), kBansHeader + line(0, kGuid, "r1") + kIpSection);
  ASSERT_TRUE(peer.WaitForCount(1));
  peer.ClearReceived();
  TestClock += kBanListTimeoutMs;
  NetworkTick();
  ASSERT_TRUE(peer.WaitForCount(1));
  EXPECT_EQ(CommandText(peer.Received()[0]), "bans");

  // No selection, nothing to remove.
  TestClock += kBanListTimeoutMs;
  NetworkTick();
  Fake.bansSelected = -1;
  EXPECT_EQ(Carry(Action::RemoveBan, 0), Texts{});
}

// A ban from the history, of a player who need not be on the server: his
// GUID goes out, the history hears of it, and the ban list is read again once
// the server has answered, so that it has the ban.
TEST_F(CommandsTest, AddBanSendsTheGuidAndReadsTheBanListAfterTheAnswer) {
  static std::vector<SentCommand> sent;
  sent.clear();
  HistoryFeed.commandSent = [](const SentCommand& command) { sent.push_back(command); };
  PendingActionData.hasTarget = true;
  PendingActionData.target = PlayerIdentity{-1, kGuid, "", "Gone"};
  PendingActionData.banMinutes = 10080;
  PendingActionData.reason = "Cheating";
  EXPECT_EQ(Carry(Action::AddBan), Texts{"addBan " + kGuid + " 10080 Cheating"});
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, SentCommandKind::AddBan);
  EXPECT_EQ(sent[0].target, kGuid);
  EXPECT_EQ(sent[0].minutes, 10080);
  EXPECT_EQ(Carry(Action::None, 0), Texts{});
  peer.ClearReceived();
  Reply(Session.removeBan.sequence, "");
  ASSERT_TRUE(peer.WaitForCount(1));
  EXPECT_EQ(CommandText(peer.Received()[0]), "bans");
  // The target went with the command: asked again, nothing goes out.
  EXPECT_EQ(Carry(Action::AddBan, 0), Texts{});
  HistoryFeed = HistoryHooks{};
}

TEST_F(CommandsTest, TheFreshListNotComingEndsTheRemovalWithALine) {
  ForgetBans();
  ParseBanList(kBansHeader + "0 " + kGuid + " perm r1\n" + kIpSection, 0);
  ASSERT_EQ(Fake.bans.size(), 1u);
  Fake.bansSelected = 0;
  EXPECT_EQ(Carry(Action::RemoveBan), Texts{"bans"});
  TestClock += kBanListTimeoutMs - 1;
  NetworkTick();
  EXPECT_TRUE(Session.banList.active);
  TestClock += 1;
  EXPECT_EQ(Carry(Action::None, 0), Texts{});
  EXPECT_FALSE(Session.banList.active);
  EXPECT_EQ(Fake.log, Texts{"The ban list did not come; the ban of " + kGuid + " (\"r1\") was not removed."});
}

TEST_F(CommandsTest, SetMaxPingAsksSendsAndShowsTheValueOnReply) {
  Fake.maxPingAnswer = "250";
  const int32_t sequence = Session.sequence;
  EXPECT_EQ(Carry(Action::SetMaxPing), Texts{"maxping 250"});
  EXPECT_EQ(Fake.maxPingAsked, 1);
  Fake.Reset();
  Reply(static_cast<uint8_t>(sequence), "");
  EXPECT_EQ(Fake.log, Texts{"MaxPing changed to 250."});
  EXPECT_EQ(Fake.info["BE_MAXPING"], "250");
}

TEST_F(CommandsTest, SetMaxPingWithoutAPositiveNumberSendsNothing) {
  for (const char* answer : {"", "0", "-5", "abc", " \t"}) {
    Fake.maxPingAnswer = answer;
    EXPECT_EQ(Carry(Action::SetMaxPing, 0), Texts{}) << '"' << answer << '"';
  }
  Fake.maxPingAnswer = "300";
  Fake.maxPingAnswered = false;  // cancelled
  EXPECT_EQ(Carry(Action::SetMaxPing, 0), Texts{});
  Fake.maxPingAnswered = true;
  Fake.maxPingAnswer = "$FA";
  EXPECT_EQ(Carry(Action::SetMaxPing), Texts{"maxping 250"});
}

TEST_F(CommandsTest, ActionChosenWhileTheMaxPingBoxIsOpenIsKept) {
  Fake.maxPingAnswer = "250";
  Fake.onAskMaxPing = [] { PendingAction = Action::Refresh; };
  PendingAction = Action::SetMaxPing;
  NetworkTick();
  EXPECT_EQ(PendingAction, Action::Refresh);
  Fake.onAskMaxPing = nullptr;
  NetworkTick();
  ASSERT_TRUE(peer.WaitForCount(3));
  EXPECT_EQ(CommandText(peer.Received()[0]), "maxping 250");
  EXPECT_EQ(CommandText(peer.Received()[1]), "players");
}

TEST_F(CommandsTest, OnlyTheLastOfTwoActionsIsCarriedOut) {
  PendingAction = Action::Restart;
  PendingAction = Action::Lock;  // as a second menu command would
  NetworkTick();
  ASSERT_TRUE(peer.WaitForCount(1));
  EXPECT_FALSE(peer.WaitForCount(2, 100));
  EXPECT_EQ(CommandText(peer.Received()[0]), "#lock");
}

TEST_F(CommandsTest, BanListWaitsForItsOwnReplyHandlingTheRestAsUsual) {
  const uint8_t bansSequence = static_cast<uint8_t>(Session.sequence);
  // The server's answers are queued before the request goes out: a server
  // message, the reply to "players" (sequence 2), then the ban list.
  peer.SendToClient(ServerFrame(rcon::kTypeServerMessage, 9, "Player #0 joined"));
  peer.SendToClient(ServerFrame(rcon::kTypeCommand, 2, std::string(115, '-') + "\n"));
  peer.SendToClient(ServerFrame(rcon::kTypeCommand, bansSequence,
                                kBansHeader + "0 " + kGuid + " perm Cheating\n" + kIpSection));
  ResetReadSet(Session.connection);
  platform::UdpPoll(Session.connection, 1000);

  // LoadBans is carried out directly here: the tick would read the queued
  // datagrams first.
  LoadBans(Session);
  EXPECT_EQ(Session.sequence, bansSequence + 1);
  ASSERT_TRUE(RunLoopUntil([] { return !Session.banList.active; }));
  EXPECT_EQ(Fake.log, (Texts{"Player #0 joined", "Received player list."}));
  ASSERT_EQ(Fake.bans.size(), 1u);
  EXPECT_EQ(Fake.bans[0], (BanRow{kGuid, "permanently", "Cheating"}));

  ASSERT_TRUE(peer.WaitForCount(2));
  const auto sent = peer.Received();
  EXPECT_EQ(CommandText(sent[0]), "bans");
  EXPECT_EQ(sent[1][7], 0x02);  // the server message was acknowledged
  EXPECT_EQ(sent[1][8], 9);
}

TEST_F(CommandsTest, BanListGivesUpWhenNoReplyComes) {
  Fake.bans = {{"old", "permanently", "kept"}};
  const int32_t sequence = Session.sequence;
  EXPECT_EQ(Carry(Action::LoadBans), Texts{"bans"});
  // The Bans tab clicked again while the list is awaited: not asked twice.
  EXPECT_EQ(Carry(Action::LoadBans, 0), Texts{});
  TestClock += kBanListTimeoutMs;
  NetworkTick();
  EXPECT_FALSE(Session.banList.active);
  EXPECT_EQ(Session.sequence, sequence + 1);
  EXPECT_EQ(Fake.bans.size(), 1u);  // nothing arrived, nothing replaced
  EXPECT_TRUE(Fake.log.empty());
  EXPECT_TRUE(Session.connected);
}

TEST_F(CommandsTest, ShutdownDuringTheBanListWaitEndsIt) {
  PendingAction = Action::Shutdown;
  NetworkTick();
  const uint8_t shutdownSequence = static_cast<uint8_t>(Session.sequence - 1);
  peer.SendToClient(ServerFrame(rcon::kTypeCommand, shutdownSequence, ""));
  ResetReadSet(Session.connection);
  platform::UdpPoll(Session.connection, 1000);
  LoadBans(Session);
  ASSERT_TRUE(RunLoopUntil([] { return !Session.banList.active; }));
  EXPECT_FALSE(Session.connected);
  EXPECT_EQ(Session.connection, nullptr);
  EXPECT_EQ(Fake.log, Texts{"The server is shutting down now. Please reconnect."});
}

TEST(PendingRequests, MessageKeepsAtMost256Bytes) {
  RconSession session;
  AddPendingRequest(session, 1, nullptr, 0, std::string(300, 'm'));
  ASSERT_EQ(session.pendingRequests.size(), 1u);
  EXPECT_EQ(session.pendingRequests[0].message.size(), 256u);
}

}  // namespace

namespace {

TEST(SayCommandText, TargetsAndCleanedText) {
  const struct {
    int32_t target;
    std::string text, command;
  } cases[] = {
      {kSayEveryone, "hello all", "say -1 hello all"},
      {7, "stop that", "say 7 stop that"},
      {0, "gr\xC3\xBC\xC3\x9F dich \xF0\x9F\x98\x80", "say 0 gr\xC3\xBC\xC3\x9F dich \xF0\x9F\x98\x80"},
      {kSayEveryone, "  two\r\nlines\tand\x07 a bell\x7F ", "say -1 two lines and a bell"},
      {kSayEveryone, "c1\xC2\x85" "control", "say -1 c1control"},
      {kSayEveryone, "bad \xFF byte", "say -1 bad \xEF\xBF\xBD byte"},
      {kSayEveryone, "", ""},
      {kSayEveryone, " \r\n\t\x01 ", ""},
      {-2, "hello", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SayCommandText(c.target, c.text), c.command) << c.text;
}

}  // namespace
