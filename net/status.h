// The game server's reply to the status query: its settings as key and value
// strings, and for every player the name followed by team, score and deaths.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads a status reply (0x00 0x04 0x05 0x06 0x07, then NUL-terminated
// strings) of `length` bytes. Sets the information values whose keys have a
// row, keeps the reply's players as StatusPlayers and rebuilds the players
// list view rows from them (player_rows.h). Anything with another header is
// ignored. Nothing is read beyond `length`; a last string without its NUL
// ends there.
void ParseStatusReply(const uint8_t* data, size_t length);
