// Command texts and the pending action; see commands.h.
#include "net/commands.h"

#include "net/bans.h"
#include "net/number.h"
#include "net/players.h"
#include "net/tick.h"
#include "platform/text_utf8.h"

namespace {

// A fixed command whose reply is shown as `message` (and handled by
// `handler`, if any).
void SendWithMessage(RconSession& session, std::string_view text, std::string_view message,
                     ReplyHandler handler = nullptr, int32_t parameter = 0) {
  const int32_t sequence = SendCommand(session, text);
  if (sequence != kNotSent) AddPendingRequest(session, sequence, handler, parameter, message);
}

void SetMaxPing(RconSession& session) {
  std::string answer;
  if (!AskMaxPing(answer)) return;
  // The tick goes on while the box is open and may have seen the session end.
  if (!session.connected || session.connection == nullptr) return;
  const int32_t value = ParseNumber32(answer);
  if (value <= 0) return;
  SendWithMessage(session, MaxPingCommandText(value), "MaxPing changed to " + std::to_string(value) + ".",
                  ShowMaxPingValue, value);
}

void KickOrBan(RconSession& session, Action action) {
  ActionData& data = PendingActionData;
  // A target that matched no player record would otherwise hit whoever had
  // the number of the previous kick or ban.
  if (!data.targetFound) return;
  const std::string text = action == Action::Kick
                               ? KickCommandText(data.targetPlayer, data.reason)
                               : BanCommandText(data.targetPlayer, data.banMinutes, data.reason);
  SendCommand(session, text);
  data.targetFound = false;
}

void RemoveBan(RconSession& session) {
  const int row = BansList_SelectedIndex();
  if (row < 0) return;
  const int32_t sequence = SendCommand(session, RemoveBanCommandText(row));
  if (sequence == kNotSent) return;
  // The server numbers its bans in the order of its list, and the rows are
  // that order only as of the last list. Had the "removeBan" been lost or
  // refused, a locally removed row would shift every later row onto another
  // ban, and the next Remove ban would delete the wrong one. So the rows go,
  // and the server's list is read again once it has answered (or the answer
  // is given up on): only the server knows its numbering now.
  BansList_Clear();
  AwaitReply(session, sequence, kBanListTimeoutMs, nullptr);
  if (session.connected && session.connection != nullptr) LoadBans(session);
}

}  // namespace

std::string KickCommandText(int32_t player, std::string_view reason) {
  return "kick " + std::to_string(player) + " " + std::string(reason);
}

std::string BanCommandText(int32_t player, int32_t minutes, std::string_view reason) {
  return "ban " + std::to_string(player) + " " + std::to_string(minutes) + " " + std::string(reason);
}

std::string RemoveBanCommandText(int32_t row) { return "removeBan " + std::to_string(row); }

std::string MaxPingCommandText(int32_t value) { return "maxping " + std::to_string(value); }

std::string SayCommandText(int32_t target, std::string_view utf8Text) {
  if (target < kSayEveryone) return {};
  std::string text;
  text.reserve(utf8Text.size());
  for (size_t pos = 0; pos < utf8Text.size();) {
    const char32_t c = platform::DecodeUtf8At(utf8Text, pos);
    const bool lineBreakOrTab = (c >= 0x09 && c <= 0x0D) || c == 0x2028 || c == 0x2029;
    if (lineBreakOrTab) {
      if (!text.empty() && text.back() != ' ') text += ' ';
    } else if (c >= 0x20 && (c < 0x7F || c > 0x9F)) {
      platform::AppendUtf8(text, c);
    }
  }
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  text = text.substr(begin, text.find_last_not_of(' ') - begin + 1);
  return "say " + std::to_string(target) + " " + text;
}

void AddPendingRequest(RconSession& session, int32_t sequence, ReplyHandler handler, int32_t parameter,
                       std::string_view message) {
  PendingRequest request;
  request.sequence = sequence;
  request.handler = handler;
  request.parameter = parameter;
  request.message.assign(message.substr(0, PendingRequest::kMaxMessage));
  session.pendingRequests.push_back(std::move(request));
}

int32_t ShowMaxPingValue(int32_t value, std::string_view /*replyText*/) {
  SetInfoValue("BE_MAXPING", std::to_string(value));
  return 0;
}

void RequestPlayerList(RconSession& session) {
  SendWithMessage(session, "players", kPlayersMessage, ParsePlayerList, 0);
  SendStatusQuery(session);
}

void CarryOutAction(RconSession& session, Action action) {
  switch (action) {
    case Action::None:
      break;
    case Action::Refresh:
      RequestPlayerList(session);
      break;
    case Action::Reassign:
      SendWithMessage(session, "#reassign", kReassignMessage);
      break;
    case Action::Restart:
      SendWithMessage(session, "#restart", kRestartMessage);
      break;
    case Action::Shutdown:
      SendWithMessage(session, "#shutdown", kShutdownMessage, Disconnect);
      break;
    case Action::Kick:
    case Action::Ban:
      KickOrBan(session, action);
      break;
    case Action::LoadBans:
      LoadBans(session);
      break;
    case Action::RemoveBan:
      RemoveBan(session);
      break;
    case Action::SetMaxPing:
      SetMaxPing(session);
      break;
    case Action::Lock:
      SendWithMessage(session, "#lock", kLockMessage);
      break;
    case Action::Unlock:
      SendWithMessage(session, "#unlock", kUnlockMessage);
      break;
  }
}

bool AwaitReply(RconSession& session, int32_t sequence, uint32_t timeoutMs, std::string* text) {
  ReplyCapture capture;
  capture.sequence = static_cast<uint8_t>(sequence & 0xFF);

  // Whatever else arrives meanwhile (a server message, an older reply) is
  // handled as the tick would, so nothing is mistaken for this reply and
  // nothing is lost. The wait is bounded: a lost reply must not freeze the
  // window.
  const uint32_t start = NetNow();
  while (session.connection != nullptr && !capture.done) {
    const uint32_t elapsed = NetNow() - start;
    if (elapsed > timeoutMs) break;
    ResetReadSet(session.connection);
    if (platform::UdpPoll(session.connection, timeoutMs - elapsed + 1) != 1) break;
    session.datagram.fill(0);
    platform::Endpoint from;
    const int n = ReceiveDatagram(session.connection, session.datagram.data(), session.datagram.size(), &from);
    if (n < 0) continue;
    session.receivedLength = n;
    if (DispatchDatagram(session, session.datagram.data(), static_cast<size_t>(n), from, &capture) < 0) break;
  }
  if (capture.done && text != nullptr) *text = std::move(capture.text);
  return capture.done;
}

void LoadBans(RconSession& session) {
  const int32_t sequence = SendCommandKeepSequence(session, "bans");
  if (sequence == kNotSent) return;
  std::string reply;
  if (AwaitReply(session, sequence, kBanListTimeoutMs, &reply)) ParseBanList(reply, platform::LocalTimeSeconds());
  AdvanceSequence(session);
}
