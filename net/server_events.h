// The server's own messages (remote-console type 2 lines) read into events:
// players connecting, their GUIDs, leaving and being kicked, admins logging
// in, chat. Everything else stays a plain log line.
//
// Names and chat texts are written by players, so a name may hold spaces,
// parentheses, "#", ": " or the very words the server puts around it. The
// reader therefore takes the player number after "#" as the key, and for the
// rest only the fixed parts at the start and the end of each form; a line
// that does not fit one form exactly is a plain line, never a guessed event.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

enum class ServerEventKind : uint8_t {
  Plain,             // none of the forms below
  PlayerConnected,   // Player #12 Name (203.0.113.5:2304) connected
  PlayerGuid,        // Player #12 Name - BE GUID: <guid>   (older: - GUID: <guid> (unverified))
  PlayerGuidVerified,// Verified GUID (<guid>) of player #12 Name
  PlayerDisconnected,// Player #12 Name disconnected
  PlayerKicked,      // Player #12 Name (<guid or address>) has been kicked by BattlEye: <reason>
  AdminLogin,        // RCon admin #0 (198.51.100.7:51234) logged in
  Chat,              // (Global) Name: text
  AdminMessage,      // RCon admin #0: (Global) text   or   RCon admin #0: (To Name) text
};

enum class ChatChannel : uint8_t { Global, Side, Command, Group, Vehicle, Direct, Unknown };

// Why a kick line says the player went: the two reasons an admin gives, or
// any other (BattlEye's own: a global ban, a script restriction, a timeout).
enum class KickCause : uint8_t { Other, AdminKick, AdminBan };

// The parts of one line. Every view points into the line that was read: the
// event is valid only as long as that text is.
struct ServerEvent {
  ServerEventKind kind = ServerEventKind::Plain;
  int32_t number = -1;         // the player's (or, for admin lines, the admin's) number after '#'
  std::string_view name;       // player name; for an admin message to one player, his name
  std::string_view address;    // "203.0.113.5:2304"; for a kick, set when the server named the address
  std::string_view guid;       // 32 hex digits; for a kick, set when the server named the GUID
  bool guidVerified = false;   // PlayerGuid: the "BE GUID" form; false for "(unverified)"
  std::string_view reason;     // whole kick reason
  KickCause kickCause = KickCause::Other;
  std::string_view adminText;  // an admin kick's or ban's text in parentheses, if any
  ChatChannel channel = ChatChannel::Global;
  bool toPlayer = false;       // AdminMessage: "(To Name)" rather than "(Global)"
  std::string_view text;       // chat or admin message text
};

// Reads `line` (one decoded message, UTF-8). Returns the event's kind; the
// event is reset first, so a plain line leaves it with kind Plain.
ServerEventKind ReadServerEvent(std::string_view line, ServerEvent* event);

// A chat line is split at the first ": " and an admin's message to one
// player at the first ") ", which is right unless the name itself holds that
// text. Given the names of the players on the server, picks the longest of
// them that the line makes sense with instead; without a match it keeps the
// first split. `line` must be the line the event was read from.
void ResolveSpeaker(std::string_view line, const std::vector<std::string_view>& knownNames, ServerEvent* event);

// The channel's name as the server writes it ("Global", "Side", ...).
std::string_view ChatChannelName(ChatChannel channel);

// ---- Log categories --------------------------------------------------------

// What a log line is, for the filter buttons above the log.
enum class LogCategory : uint8_t {
  Other,    // shown under All only: plain server lines, replies, errors
  Chat,     // players' chat
  Players,  // connects, GUIDs, disconnects, kicks, bans
  Admin,    // admin logins, admins' messages, and the client's own lines
};

enum class LogFilter : uint8_t { All, Chat, Players, Admin };

LogCategory CategoryOf(ServerEventKind kind);

inline bool ShownUnder(LogFilter filter, LogCategory category) {
  switch (filter) {
    case LogFilter::All: return true;
    case LogFilter::Chat: return category == LogCategory::Chat;
    case LogFilter::Players: return category == LogCategory::Players;
    case LogFilter::Admin: return category == LogCategory::Admin;
  }
  return true;
}

// True for the events that change who is on the server: these are what the
// automatic refresh of the player list follows.
inline bool IsJoinOrLeave(ServerEventKind kind) {
  return kind == ServerEventKind::PlayerConnected || kind == ServerEventKind::PlayerDisconnected ||
         kind == ServerEventKind::PlayerKicked;
}
