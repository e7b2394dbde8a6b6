// Command texts and the pending action; see commands.h.
#include "net/commands.h"

#include "net/bans.h"
#include "net/history_feed.h"
#include "net/live_players.h"
#include "net/number.h"
#include "net/player_rows.h"
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

void NoteSent(SentCommandKind kind, std::string target, std::string reason, int32_t minutes) {
  if (HistoryFeed.commandSent == nullptr) return;
  HistoryFeed.commandSent(SentCommand{kind, std::move(target), std::move(reason), minutes});
}

void KickOrBan(RconSession& session, Action action) {
  ActionData& data = PendingActionData;
  if (!data.hasTarget) return;
  data.hasTarget = false;
  // The dialog was opened for a player, not for a row or a number: he is
  // looked up in the latest list now. Gone, he takes no one with him; his
  // number may already be someone else's.
  const PlayerRecord* player = FindPlayer(data.target);
  if (player == nullptr) {
    AppendLog("#" + std::to_string(data.target.number) + " " + data.target.name +
              " is no longer on the server; nothing was sent.");
    return;
  }
  const std::string text = action == Action::Kick ? KickCommandText(player->number, data.reason)
                                                  : BanCommandText(player->number, data.banMinutes, data.reason);
  if (SendCommand(session, text) == kNotSent) return;
  RemovePlayerRow(data.target);
  NoteSent(action == Action::Kick ? SentCommandKind::Kick : SentCommandKind::Ban,
           player->guid.empty() || player->guid == "-" ? player->name : player->guid, data.reason,
           action == Action::Kick ? 0 : data.banMinutes);
}

// The server answers commands in the order it got them, so the ban list read
// after this answer (or after its deadline) has the new ban in it, and any
// change sent before it. The wait is Remove ban's, which changes the list the
// same way; a later change takes it over.
void AddBan(RconSession& session) {
  ActionData& data = PendingActionData;
  if (!data.hasTarget || data.target.guid.empty()) return;
  data.hasTarget = false;
  const int32_t sequence = SendCommand(session, AddBanCommandText(data.target.guid, data.banMinutes, data.reason));
  if (sequence == kNotSent) return;
  session.removeBan.active = true;
  session.removeBan.sequence = static_cast<uint8_t>(sequence & 0xFF);
  session.removeBan.deadline = NetNow() + kBanListTimeoutMs;
  NoteSent(SentCommandKind::AddBan, data.target.guid, data.reason, data.banMinutes);
}

// Sends "bans" and notes the wait; false when nothing went out.
bool RequestBanList(RconSession& session) {
  const int32_t sequence = SendCommand(session, "bans");
  if (sequence == kNotSent) return false;
  session.banList = BanListWait{};
  session.banList.active = true;
  session.banList.sequence = static_cast<uint8_t>(sequence & 0xFF);
  session.banList.deadline = NetNow() + kBanListTimeoutMs;
  return true;
}

// The server numbers its bans in the order of its list, and that order
// shifts whenever a timed ban runs out or another admin edits the list; a
// number read minutes ago may by now name another ban. So Remove ban first
// reads the list again and sends the number the selected ban has in it.
void RemoveBan(RconSession& session) {
  BanRecord selected;
  if (!SelectedBan(&selected)) return;
  // One removal at a time: a second click while the first is under way
  // would aim at a list about to change.
  if (session.removeBan.active || (session.banList.active && session.banList.toRemove)) return;
  std::string guid = std::move(selected.guid);
  std::string reason = std::move(selected.reason);
  // A list already on its way is as fresh as a new one would be.
  if (!session.banList.active && !RequestBanList(session)) return;
  session.banList.toRemove = true;
  session.banList.guid = std::move(guid);
  session.banList.reason = std::move(reason);
}

std::string BanName(const BanListWait& wait) { return wait.guid + " (\"" + wait.reason + "\")"; }

// The fresh list is in: the ban goes by the number it has now, if it is
// there exactly once.
void RemoveFoundBan(RconSession& session, const BanListWait& wait) {
  const BanRecord* found = nullptr;
  int matches = 0;
  for (const BanRecord& ban : BanList) {
    if (ban.guid != wait.guid || ban.reason != wait.reason) continue;
    found = &ban;
    ++matches;
  }
  if (matches == 0) {
    AppendLog("The ban of " + BanName(wait) + " is no longer on the server's list; nothing was removed.");
    return;
  }
  if (matches > 1) {
    AppendLog("The ban of " + BanName(wait) + " now matches " + std::to_string(matches) +
              " entries of the server's list; nothing was removed.");
    return;
  }
  const int32_t sequence = SendCommand(session, RemoveBanCommandText(found->number));
  if (sequence == kNotSent) return;
  NoteSent(SentCommandKind::RemoveBan, found->guid, found->reason, 0);
  session.removeBan.active = true;
  session.removeBan.sequence = static_cast<uint8_t>(sequence & 0xFF);
  session.removeBan.deadline = NetNow() + kBanListTimeoutMs;
  // Had the "removeBan" been lost or refused, a locally removed row would
  // show a list the server does not have; the rows go, and the server's list
  // is read again once it has answered (or the answer is given up on).
  ForgetBans();
}

}  // namespace

std::string KickCommandText(int32_t player, std::string_view reason) {
  return "kick " + std::to_string(player) + " " + std::string(reason);
}

std::string BanCommandText(int32_t player, int32_t minutes, std::string_view reason) {
  return "ban " + std::to_string(player) + " " + std::to_string(minutes) + " " + std::string(reason);
}

std::string RemoveBanCommandText(int32_t row) { return "removeBan " + std::to_string(row); }

std::string AddBanCommandText(std::string_view guid, int32_t minutes, std::string_view reason) {
  return "addBan " + std::string(guid) + " " + std::to_string(minutes) + " " + std::string(reason);
}

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
  SendWithMessage(session, "players", kPlayersMessage, ParsePlayerList, static_cast<int32_t>(LiveEventMark()));
  SendStatusQuery(session);
  PlayerRefresh.OnRequested(NetNow());
}

namespace {

// The message box's text goes to everyone or to its player, looked up now:
// the number he had when he was chosen may be someone else's by now.
void Say(RconSession& session) {
  ActionData& data = PendingActionData;
  const std::string text = std::move(data.sayText);
  data.sayText.clear();
  int32_t target = kSayEveryone;
  if (!data.sayToEveryone) {
    const PlayerRecord* player = FindPlayer(data.sayTarget);
    if (player == nullptr) {
      AppendLogAs("#" + std::to_string(data.sayTarget.number) + " " + data.sayTarget.name +
                      " is no longer on the server; the message was not sent.",
                  LogCategory::Admin);
      return;
    }
    target = player->number;
  }
  const std::string command = SayCommandText(target, text);
  if (command.empty()) return;
  if (SendUtf8Command(session, command) == kNotSent) {
    AppendLogAs("The message is too long to send.", LogCategory::Admin);
  }
}

}  // namespace

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
    case Action::AddBan:
      AddBan(session);
      break;
    case Action::Say:
      Say(session);
      break;
  }
}

void LoadBans(RconSession& session) {
  // Asked for already, or coming anyway after a removal.
  if (session.banList.active || session.removeBan.active) return;
  RequestBanList(session);
}

bool TakeBanReply(RconSession& session, uint8_t sequence, std::string_view text) {
  if (session.banList.active && sequence == session.banList.sequence) {
    const BanListWait wait = std::move(session.banList);
    session.banList = BanListWait{};
    ParseBanList(text, platform::LocalTimeSeconds());
    if (wait.toRemove) RemoveFoundBan(session, wait);
    return true;
  }
  if (session.removeBan.active && sequence == session.removeBan.sequence) {
    session.removeBan = RemoveBanWait{};
    LoadBans(session);
    return true;
  }
  return false;
}

void CheckBanDeadlines(RconSession& session) {
  const uint32_t now = NetNow();
  if (session.banList.active && DeadlinePassed(now, session.banList.deadline)) {
    const BanListWait wait = std::move(session.banList);
    session.banList = BanListWait{};
    if (wait.toRemove) AppendLog("The ban list did not come; the ban of " + BanName(wait) + " was not removed.");
  }
  if (session.removeBan.active && DeadlinePassed(now, session.removeBan.deadline)) {
    session.removeBan = RemoveBanWait{};
    LoadBans(session);
  }
}
