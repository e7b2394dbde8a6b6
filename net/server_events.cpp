// The server-message reader; see server_events.h.
//
// Each form is matched from its fixed start (the number after '#' is read
// there) and its fixed end, and the player's name is whatever lies between.
// Where a form has a variable end (a kick's reason, a chat text), the forms
// with a fixed end are tried first: a name cannot change how a line ends, so
// a player called "x (1.2.3.4:5) has been kicked by BattlEye: y" who leaves
// still reads as leaving.
#include "net/server_events.h"

#include <array>

namespace {

constexpr size_t kGuidLength = 32;

bool TakePrefix(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

bool TakeSuffix(std::string_view& text, std::string_view suffix) {
  if (!text.ends_with(suffix)) return false;
  text.remove_suffix(suffix.size());
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A decimal number as the server writes one: no sign, no leading zero, at
// most nine digits (so it cannot wrap round to a real player's number).
bool TakeNumber(std::string_view& text, int32_t* number) {
  size_t n = 0;
  while (n < text.size() && IsDigit(text[n])) ++n;
  if (n == 0 || n > 9 || (n > 1 && text[0] == '0')) return false;
  int32_t value = 0;
  for (size_t i = 0; i < n; ++i) value = value * 10 + (text[i] - '0');
  *number = value;
  text.remove_prefix(n);
  return true;
}

// Up to `maxValue`, from one to `maxDigits` digits.
bool IsSmallNumber(std::string_view text, size_t maxDigits, int maxValue) {
  if (text.empty() || text.size() > maxDigits) return false;
  int value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return value <= maxValue;
}

bool IsGuid(std::string_view text) {
  if (text.size() != kGuidLength) return false;
  for (const char c : text)
    if (!IsHexDigit(c)) return false;
  return true;
}

bool IsIpv4(std::string_view text) {
  for (int part = 0; part < 4; ++part) {
    const size_t dot = part < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos || !IsSmallNumber(text.substr(0, dot), 3, 255)) return false;
    text.remove_prefix(part < 3 ? dot + 1 : dot);
  }
  return true;
}

// "a.b.c.d:port"
bool IsEndpoint(std::string_view text) {
  const size_t colon = text.rfind(':');
  return colon != std::string_view::npos && IsIpv4(text.substr(0, colon)) &&
         IsSmallNumber(text.substr(colon + 1), 5, 65535);
}

// Splits "Name (inner)" at its last " (": the inner part is the server's and
// holds no " (", so whatever parentheses the name has stay in the name.
bool SplitParenthesisedTail(std::string_view body, std::string_view* name, std::string_view* inner) {
  if (!body.ends_with(')')) return false;
  const size_t open = body.rfind(" (");
  if (open == std::string_view::npos) return false;
  *name = body.substr(0, open);
  *inner = body.substr(open + 2, body.size() - open - 3);
  return true;
}

constexpr std::array<std::string_view, 7> kChannelNames = {"Global",  "Side",   "Command", "Group",
                                                           "Vehicle", "Direct", "Unknown"};

void ReadKickReason(ServerEvent* e) {
  static constexpr std::array<std::pair<std::string_view, KickCause>, 2> kCauses = {
      {{"Admin Kick", KickCause::AdminKick}, {"Admin Ban", KickCause::AdminBan}}};
  for (const auto& [words, cause] : kCauses) {
    std::string_view rest = e->reason;
    if (!TakePrefix(rest, words)) continue;
    if (rest.empty()) {
      e->kickCause = cause;
    } else if (TakePrefix(rest, " (") && TakeSuffix(rest, ")")) {
      e->kickCause = cause;
      e->adminText = rest;
    }
    return;
  }
}

// "Player #12 " has been read; `rest` is what follows.
ServerEventKind ReadPlayerLine(std::string_view rest, ServerEvent* e) {
  std::string_view body = rest;
  if (TakeSuffix(body, " connected")) {
    std::string_view name, address;
    if (SplitParenthesisedTail(body, &name, &address) && IsEndpoint(address)) {
      e->name = name;
      e->address = address;
      return e->kind = ServerEventKind::PlayerConnected;
    }
    // Not an address in the parentheses: perhaps a kick whose reason ends
    // in " connected", which the kick form below decides.
  }
  body = rest;
  if (TakeSuffix(body, " disconnected")) {
    e->name = body;
    return e->kind = ServerEventKind::PlayerDisconnected;
  }
  body = rest;
  const bool unverified = TakeSuffix(body, " (unverified)");
  if (body.size() >= kGuidLength && IsGuid(body.substr(body.size() - kGuidLength))) {
    const std::string_view guid = body.substr(body.size() - kGuidLength);
    body.remove_suffix(kGuidLength);
    if (TakeSuffix(body, unverified ? " - GUID: " : " - BE GUID: ")) {
      e->name = body;
      e->guid = guid;
      e->guidVerified = !unverified;
      return e->kind = ServerEventKind::PlayerGuid;
    }
  }
  // The reason is the server's (or the admin's) and comes last; the name may
  // hold the kick words too, so the last occurrence is the server's own.
  static constexpr std::string_view kKicked = ") has been kicked by BattlEye: ";
  const size_t at = rest.rfind(kKicked);
  if (at == std::string_view::npos) return ServerEventKind::Plain;
  std::string_view name, target;
  if (!SplitParenthesisedTail(rest.substr(0, at + 1), &name, &target)) return ServerEventKind::Plain;
  if (IsGuid(target)) {
    e->guid = target;
  } else if (IsEndpoint(target) || IsIpv4(target)) {
    e->address = target;
  } else {
    return ServerEventKind::Plain;
  }
  e->name = name;
  e->reason = rest.substr(at + kKicked.size());
  ReadKickReason(e);
  return e->kind = ServerEventKind::PlayerKicked;
}

// "RCon admin #0" has been read.
ServerEventKind ReadAdminLine(std::string_view rest, ServerEvent* e) {
  if (TakePrefix(rest, ": ")) {
    if (TakePrefix(rest, "(Global) ")) {
      e->text = rest;
      return e->kind = ServerEventKind::AdminMessage;
    }
    if (!TakePrefix(rest, "(To ")) return ServerEventKind::Plain;
    const size_t close = rest.find(") ");
    if (close == 0 || close == std::string_view::npos) return ServerEventKind::Plain;
    e->toPlayer = true;
    e->name = rest.substr(0, close);
    e->text = rest.substr(close + 2);
    return e->kind = ServerEventKind::AdminMessage;
  }
  if (TakePrefix(rest, " (") && TakeSuffix(rest, ") logged in") && IsEndpoint(rest)) {
    e->address = rest;
    return e->kind = ServerEventKind::AdminLogin;
  }
  return ServerEventKind::Plain;
}

// "(" has been read.
ServerEventKind ReadChatLine(std::string_view rest, ServerEvent* e) {
  for (size_t i = 0; i < kChannelNames.size(); ++i) {
    std::string_view body = rest;
    if (!TakePrefix(body, kChannelNames[i]) || !TakePrefix(body, ") ")) continue;
    const size_t colon = body.find(": ");
    if (colon == 0 || colon == std::string_view::npos) return ServerEventKind::Plain;
    e->channel = static_cast<ChatChannel>(i);
    e->name = body.substr(0, colon);
    e->text = body.substr(colon + 2);
    return e->kind = ServerEventKind::Chat;
  }
  return ServerEventKind::Plain;
}

}  // namespace

ServerEventKind ReadServerEvent(std::string_view line, ServerEvent* event) {
  ServerEvent& e = *event;
  e = ServerEvent{};
  std::string_view rest = line;
  ServerEventKind kind = ServerEventKind::Plain;
  if (TakePrefix(rest, "Player #")) {
    if (TakeNumber(rest, &e.number) && TakePrefix(rest, " ")) kind = ReadPlayerLine(rest, &e);
  } else if (TakePrefix(rest, "Verified GUID (")) {
    const std::string_view guid = rest.substr(0, kGuidLength);
    rest.remove_prefix(guid.size());
    if (IsGuid(guid) && TakePrefix(rest, ") of player #") && TakeNumber(rest, &e.number) && TakePrefix(rest, " ")) {
      e.guid = guid;
      e.guidVerified = true;
      e.name = rest;
      kind = e.kind = ServerEventKind::PlayerGuidVerified;
    }
  } else if (TakePrefix(rest, "RCon admin #")) {
    if (TakeNumber(rest, &e.number)) kind = ReadAdminLine(rest, &e);
  } else if (TakePrefix(rest, "(")) {
    kind = ReadChatLine(rest, &e);
  }
  // A half-read line must not leave parts behind for a caller to misuse.
  if (kind == ServerEventKind::Plain) e = ServerEvent{};
  return kind;
}

void ResolveSpeaker(std::string_view line, const std::vector<std::string_view>& knownNames, ServerEvent* event) {
  std::string_view body;
  std::string_view separator;
  if (event->kind == ServerEventKind::Chat) {
    body = line.substr(line.find(") ") + 2);
    separator = ": ";
  } else if (event->kind == ServerEventKind::AdminMessage && event->toPlayer) {
    body = line.substr(line.find("(To ") + 4);
    separator = ") ";
  } else {
    return;
  }
  std::string_view best;
  for (const std::string_view name : knownNames) {
    if (name.empty() || name.size() <= best.size() || !body.starts_with(name)) continue;
    if (body.substr(name.size()).starts_with(separator)) best = name;
  }
  if (best.empty()) return;
  event->name = body.substr(0, best.size());
  event->text = body.substr(best.size() + separator.size());
}

std::string_view ChatChannelName(ChatChannel channel) {
  const size_t i = static_cast<size_t>(channel);
  return i < kChannelNames.size() ? kChannelNames[i] : std::string_view("Unknown");
}

LogCategory CategoryOf(ServerEventKind kind) {
  switch (kind) {
    case ServerEventKind::Plain: return LogCategory::Other;
    case ServerEventKind::Chat: return LogCategory::Chat;
    case ServerEventKind::AdminLogin:
    case ServerEventKind::AdminMessage: return LogCategory::Admin;
    case ServerEventKind::PlayerConnected:
    case ServerEventKind::PlayerGuid:
    case ServerEventKind::PlayerGuidVerified:
    case ServerEventKind::PlayerDisconnected:
    case ServerEventKind::PlayerKicked: return LogCategory::Players;
  }
  return LogCategory::Other;
}
