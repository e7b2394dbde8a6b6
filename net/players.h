// The remote console's player list: the records built from the reply to
// "players", and the lookups the kick and ban dialogs make in it.
#pragma once

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

// Reply handler of the "players" request: rebuilds PlayerList, then the
// players list view rows (player_rows.h), and shows the count under
// "BE_PLAYERS". The parameter
// is not used. Returns 0.
int32_t ParsePlayerList(int32_t parameter, std::string_view replyText);

// The player a kick or ban of the selected row aims at. The row shows the
// record's name, address and GUID, and all three must match: players behind
// one address (a household, a LAN party) share it, and going by the address
// alone would kick or ban whichever of them comes last or first in the list
// rather than the one selected. Should identical records match, a kick takes
// the last of them in list order and a ban the first. False, with *number
// untouched, when none match (the list changed since the row was drawn).
bool FindKickTarget(std::string_view address, std::string_view name, std::string_view guid, int32_t* number);
bool FindBanTarget(std::string_view address, std::string_view name, std::string_view guid, int32_t* number);
