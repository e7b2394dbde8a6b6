// The network tick and the dispatch of received datagrams; see tick.h.
#include "net/tick.h"

#include "net/commands.h"
#include "net/history_feed.h"
#include "net/live_players.h"
#include "net/player_rows.h"
#include "net/shell.h"
#include "net/status.h"
#include "net/steam_link.h"
#include "net/text.h"

#include <algorithm>

namespace {

bool SameSequence(int32_t request, uint8_t byte) {
  return static_cast<uint8_t>(request & 0xFF) == byte;
}

// A complete command reply: the pending request it answers, then the two
// queries sent at connect, whose replies are shown once per connection.
int HandleCommandReply(RconSession& session, uint8_t sequence, const std::string& text) {
  for (auto it = session.pendingRequests.begin(); it != session.pendingRequests.end(); ++it) {
    if (!SameSequence(it->sequence, sequence)) continue;
    // Off the list before the handler runs: a handler may well send more.
    const PendingRequest request = *it;
    session.pendingRequests.erase(it);
    AppendLog(request.message);
    if (request.handler != nullptr && request.handler(request.parameter, text) == -1) return -1;
    break;
  }

  if (SameSequence(session.versionRequest, sequence) && !session.versionShown) {
    SetInfoValue("BE_VERSION", text);
    AppendLog("Version: " + text);
    session.versionShown = true;
  } else if (SameSequence(session.maxPingRequest, sequence) && !session.maxPingShown) {
    SetInfoValue("BE_MAXPING", text);
    AppendLog("MaxPing: " + text);
    session.maxPingShown = true;
  }
  return 0;
}

void ShowServerText(RconSession& session, const std::string& text) {
  if (text == session.lastMessage) return;
  AppendLogAs(text, TakeServerMessage(text, NetNow()));
  session.lastMessage = text;
}

}  // namespace

void ReportGivenUpReplies(RconSession& session) {
  for (const ReplyAssembler::GivenUp& reply : session.replies.TakeGivenUp()) {
    const std::string& command = session.commandOnSequence[reply.sequence];
    const std::string which = command.empty() ? "a reply (sequence " + std::to_string(reply.sequence) + ")"
                                              : "the reply to \"" + command + "\"";
    AppendLog("Gave up " + which + ": " + std::to_string(reply.received) + " of " + std::to_string(reply.count) +
              " parts arrived.");
  }
}

int DispatchDatagram(RconSession& session, const uint8_t* data, size_t length, platform::Endpoint from) {
  // Anyone can send to our port; only the server gets an answer.
  if (!(from == session.server)) return 0;

  if (!rcon::IsRconDatagram(data, length)) {
    ParseStatusReply(data, length);
    return 0;
  }
  rcon::FrameView view;
  if (!rcon::ReadFrame(data, length, &view) || !view.checksumValid || length < 9) return 0;

  switch (view.type) {
    case rcon::kTypeLogin:
      // A login reply that came too late to count; there is nothing to show.
      return 0;
    case rcon::kTypeCommand: {
      std::string text;
      rcon::MultipartHeader part;
      if (rcon::ReadMultipartHeader(view, &part)) {
        std::string joined;
        const bool complete = session.replies.AddPart(view.sequence, part.count, part.index, view.payload + 3,
                                                      view.payloadLength - 3, NetNow(), &joined);
        ReportGivenUpReplies(session);
        if (!complete) return 0;
        text = DecodePayloadText(reinterpret_cast<const uint8_t*>(joined.data()), joined.size());
      } else {
        text = DecodePayloadText(view.payload, view.payloadLength);
      }
      if (TakeBanReply(session, view.sequence, text)) return session.connection == nullptr ? -1 : 0;
      return HandleCommandReply(session, view.sequence, text);
    }
    case rcon::kTypeServerMessage:
      // Acknowledged before anything else, or the server sends it again.
      SendAck(session, view.sequence);
      {
        const std::string line = DecodePayloadText(view.payload, view.payloadLength);
        // A copy sent again for want of our acknowledgement is not news.
        if (HistoryFeed.serverLine != nullptr && line != session.lastMessage) HistoryFeed.serverLine(line);
        ShowServerText(session, line);
      }
      return 0;
    default:
      // A type this client does not know: shown, never acknowledged.
      ShowServerText(session, DecodePayloadText(view.payload, view.payloadLength));
      return 0;
  }
}

namespace {

// Reads what waits on the socket, at most kDatagramsPerPass. A stranger's
// datagram costs its read and one comparison (DispatchDatagram); nothing is
// cleared or copied for it. False when the session ended meanwhile.
bool ReadWaitingDatagrams(RconSession& session) {
  session.moreWaiting = false;
  platform::UdpBeginDrain(session.connection);
  int errors = 0;
  for (int read = 0; read < kDatagramsPerPass; ++read) {
    platform::Endpoint from;
    const int n = ReceiveDatagram(session.connection, session.datagram.data(), session.datagram.size(), &from);
    if (n == platform::kNothingWaiting) return true;
    if (n < 0) {
      // An earlier send's "port unreachable" is reported once and the next
      // read goes on; an error that keeps coming must not keep the loop
      // awake, so it ends the pass as an empty socket would.
      if (++errors > 4) return true;
      continue;
    }
    session.receivedLength = n;
    if (session.link == LinkState::LoggingIn) {
      HandleLoginDatagram(session, session.datagram.data(), static_cast<size_t>(n), from);
    } else if (DispatchDatagram(session, session.datagram.data(), static_cast<size_t>(n), from) < 0) {
      return false;
    }
    if (session.connection == nullptr) return false;
  }
  session.moreWaiting = true;
  return true;
}

// The milliseconds from now until `deadline`, 0 when it has passed.
uint32_t Until(uint32_t now, uint32_t deadline) {
  return DeadlinePassed(now, deadline) ? 0 : deadline - now;
}

}  // namespace

void NetworkTick() {
  RconSession& session = Session;
  CheckLookup(session);
  if (session.connection == nullptr) return;
  const bool loggingIn = session.link == LinkState::LoggingIn;
  const bool stillConnected = ReadWaitingDatagrams(session);
  ShowLivePlayerChanges();
  if (!stillConnected) return;
  CheckLoginDeadline(session);
  // A login that completed in this pass has just sent its queries; the rest
  // waits for the next pass, as it would have waited for the next wake.
  if (loggingIn || !session.connected || session.connection == nullptr) return;

  if (PendingAction != Action::None) {
    // Cleared first: an action that asks the user something (Set MaxPing)
    // lets window events run, and one of them may set the next action.
    const Action action = PendingAction;
    PendingAction = Action::None;
    CarryOutAction(session, action);
  }
  // Set MaxPing's box lets the tick run, and "#shutdown" may have come in then.
  if (!session.connected || session.connection == nullptr) return;

  CheckBanDeadlines(session);
  if (!session.connected || session.connection == nullptr) return;
  session.replies.Expire(NetNow());
  ReportGivenUpReplies(session);
  SteamQueryTick(session);
  AutoRefreshTick(session);
  if (NetNow() - session.lastKeepAlive > kKeepAliveIntervalMs) {
    SendKeepAlive(session);
    session.lastKeepAlive = NetNow();
  }
}

uint32_t NetworkWaitMs() {
  const RconSession& session = Session;
  const uint32_t now = NetNow();
  switch (session.link) {
    case LinkState::Closed:
      return platform::kWaitForever;
    case LinkState::LookingUp:
      // The worker wakes the loop when it is done.
      return Until(now, session.lookupDeadline);
    case LinkState::LoggingIn:
      return session.moreWaiting ? 0 : Until(now, session.loginDeadline);
    case LinkState::Connected:
      break;
  }
  if (session.moreWaiting || PendingAction != Action::None) return 0;
  // A keep-alive goes once more than the interval has passed.
  uint32_t wait = Until(now, session.lastKeepAlive + kKeepAliveIntervalMs + 1);
  const auto sooner = [&](uint32_t deadline) {
    const uint32_t left = Until(now, deadline);
    if (left < wait) wait = left;
  };
  if (session.banList.active) sooner(session.banList.deadline);
  if (session.removeBan.active) sooner(session.removeBan.deadline);
  uint32_t at = 0;
  if (session.replies.NextExpiry(&at)) sooner(at);
  const uint32_t steam = SteamQueryWaitMs(now);
  if (steam < wait) wait = steam;
  wait = std::min(wait, PlayerRefresh.MsUntilDue(now));
  return wait;
}

void WaitForNetwork(uint32_t longestMs, bool windowMessages) {
  uint32_t wait = NetworkWaitMs();
  if (longestMs < wait) wait = longestMs;
  platform::WaitForWorkOnBoth(Session.connection, SteamQuerySocket(), wait, windowMessages);
}
