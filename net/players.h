// The remote console's player list: the records built from the reply to
// "players", and the lookups the kick and ban dialogs make in it.
#pragma once

#include "net/shell.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PlayerRecord {
  std::string name;     // the rest of the line after the GUID; may hold spaces
  std::string address;  // second column, before its first ':'
  int32_t port = 0;     // second column, after its first ':'
  int32_t ping = 0;
  std::string guid;     // fourth column, as the server wrote it
  int32_t number = 0;   // the number that kick and ban commands name
};

// Program-wide; every "players" reply replaces its content.
extern std::vector<PlayerRecord> PlayerList;

// Parses the text of a "players" reply: the 115-character header is skipped
// unread, then every line ended by a line feed is one record. Text after the
// last line feed (the server's "(n players in total)") is not a player.
std::vector<PlayerRecord> ParsePlayerLines(std::string_view replyText);

// Same, into `records`, reusing the strings already there so that a refresh
// with the same players allocates nothing.
void ParsePlayerLinesInto(std::string_view replyText, std::vector<PlayerRecord>& records);

// Reply handler of the "players" request: rebuilds PlayerList, applies the
// server messages taken since `parameter` (LiveEventMark when the request
// went), then brings the players list view up to date (player_rows.h), and
// shows the count under "BE_PLAYERS". Returns 0.
int32_t ParsePlayerList(int32_t parameter, std::string_view replyText);

// The record of the latest list that is `player` (same number, and same GUID,
// or same address while his GUID is unknown); null when he has left. Kick and
// Ban go to this record's number, never to a row position.
const PlayerRecord* FindPlayer(const PlayerIdentity& player);
