// The network tick and the dispatch of received datagrams; see tick.h.
#include "net/tick.h"

#include "net/commands.h"
#include "net/player_rows.h"
#include "net/shell.h"
#include "net/status.h"
#include "net/steam_link.h"
#include "net/text.h"

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
  AppendLog(text);
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
  return DispatchDatagram(session, data, length, from, nullptr);
}

int DispatchDatagram(RconSession& session, const uint8_t* data, size_t length, platform::Endpoint from,
                     ReplyCapture* capture) {
  // Anyone can send to our port; only the server gets an answer. Its Steam
  // query port is another port of the same address (steam_link.h).
  if (from.address == session.server.address && from.port != session.server.port) {
    SteamQueryDatagram(session, data, length, from.port);
    return 0;
  }
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
      if (capture != nullptr && !capture->done && view.sequence == capture->sequence) {
        capture->done = true;
        capture->text = std::move(text);
        return 0;
      }
      return HandleCommandReply(session, view.sequence, text);
    }
    case rcon::kTypeServerMessage:
      // Acknowledged before anything else, or the server sends it again.
      SendAck(session, view.sequence);
      ShowServerText(session, DecodePayloadText(view.payload, view.payloadLength));
      return 0;
    default:
      // A type this client does not know: shown, never acknowledged.
      ShowServerText(session, DecodePayloadText(view.payload, view.payloadLength));
      return 0;
  }
}

void NetworkTick() {
  RconSession& session = Session;
  if (!session.connected || session.connection == nullptr) return;

  ResetReadSet(session.connection);
  if (PollReadable(session.connection) == 1) {
    session.datagram.fill(0);
    platform::Endpoint from;
    const int n = ReceiveDatagram(session.connection, session.datagram.data(), session.datagram.size(), &from);
    session.receivedLength = n < 0 ? 0 : n;
    if (n > 0 && DispatchDatagram(session, session.datagram.data(), static_cast<size_t>(n), from) < 0) return;
  } else if (PendingAction != Action::None) {
    // Cleared first: an action that asks the user something (Set MaxPing)
    // lets window events run, and one of them may set the next action.
    const Action action = PendingAction;
    PendingAction = Action::None;
    CarryOutAction(session, action);
  }
  // The ban list wait dispatches too, and "#shutdown" may have come in then.
  if (!session.connected || session.connection == nullptr) return;

  session.replies.Expire(NetNow());
  ReportGivenUpReplies(session);
  CheckStatusWait(NetNow());
  SteamQueryTick(session);
  if (NetNow() - session.lastKeepAlive > kKeepAliveIntervalMs) {
    SendKeepAlive(session);
    session.lastKeepAlive = NetNow();
  }
  ResetReadSet(session.connection);
}
