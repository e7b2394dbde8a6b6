// The game server's reply to the status query (the GameSpy 2 query layout):
// its settings as key and value strings, then a player section that gives a
// count byte, the names of its fields and, per player, one value per field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct StatusPlayer;

// What one reply says, read by its structure alone.
struct StatusReply {
  // Keys and values as sent (undecoded bytes), in reply order.
  std::vector<std::pair<std::string, std::string>> settings;
  // The players the reply announced and gave whole, in reply order; names
  // and teams decoded from UTF-8. A player whose strings are cut off by the
  // datagram's end is left out.
  std::vector<StatusPlayer> players;
};

// Reads a reply of `length` bytes that begins with the status header; false
// (and `out` left empty) for anything else. Nothing is read beyond `length`.
bool ReadStatusReply(const uint8_t* data, size_t length, StatusReply* out);

// Reads a status reply and acts on it: sets the information values whose
// keys have a row, keeps its players as StatusPlayers and updates the players
// list view (player_rows.h). Anything with another header is ignored.
void ParseStatusReply(const uint8_t* data, size_t length);
