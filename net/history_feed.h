// What the protocol client tells whoever keeps the player history: each
// player list read, each kick, ban and ban removal sent, each server message.
//
// net/ knows nothing of the history store (it lives beside it, not under
// it); the application sets these hooks at start-up and turns what they
// carry into the store's records. Unset hooks cost one comparison. They run
// on the loop's thread and must not wait for anything.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PlayerRecord;

enum class SentCommandKind { Kick, Ban, AddBan, RemoveBan };

struct SentCommand {
  SentCommandKind kind = SentCommandKind::Kick;
  std::string target;  // the player's GUID (his name while it is unknown), or a ban's GUID or address
  std::string reason;
  int32_t minutes = 0;  // bans: 0 = permanent
};

struct HistoryHooks {
  void (*listRead)(const std::vector<PlayerRecord>& players) = nullptr;
  void (*commandSent)(const SentCommand& command) = nullptr;
  void (*serverLine)(std::string_view line) = nullptr;
};

extern HistoryHooks HistoryFeed;

// "host:port" of the session's server, as the admin named it.
std::string HistoryServerName();
