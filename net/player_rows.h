// The rows of the players list view: one for every player of the latest
// "players" reply (number, address, ping, GUID, name), with team, score and
// deaths from the latest status reply where it names him.
//
// The remote console's list is the authority on who is on the server: a
// player the status reply does not name (another spelling or encoding, a
// server whose query lists fewer players, a reply a stranger forged) still
// has his row and can be kicked. The two replies travel as separate UDP
// datagrams, so either may come first, be lost or come twice; whichever
// arrives, the rows are joined again from both latest replies, and the view
// is changed in place (keyed_rows.h).
#pragma once

#include "net/shell.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct PlayerRecord;

// One player as the status reply lists it; all UTF-8.
struct StatusPlayer {
  std::string name;
  std::string team;
  std::string score;
  std::string deaths;
};

// The players of the latest status reply, in reply order.
extern std::vector<StatusPlayer> StatusPlayers;

using KeyedPlayerRow = std::pair<std::string, PlayerRow>;

// Who a record is, and the key of his row.
PlayerIdentity IdentityOf(const PlayerRecord& record);
std::string PlayerKey(const PlayerIdentity& player);

// The rows for `players`, in their order. Each occurrence of a name in the
// status reply fills the next row of that name not yet filled, so two players
// called "Bob" each get their own score.
std::vector<KeyedPlayerRow> JoinPlayerRows(const std::vector<PlayerRecord>& players,
                                           const std::vector<StatusPlayer>& status);

// PlayerList has just been replaced by a "players" reply.
void PlayerListArrived();
// StatusPlayers has just been replaced by a status reply.
void StatusReplyArrived();
// Brings the view to the join of PlayerList and StatusPlayers; returns the
// number of rows inserted or rewritten.
int ShowPlayerRows();

// One row, by identity, as the server reports a single change: Put adds or
// rewrites it, Remove takes it away (false when he has no row).
void PutPlayerRow(const KeyedPlayerRow& row);
bool RemovePlayerRow(const PlayerIdentity& player);
// The row of `from` now stands for `to` (the same player, his GUID learnt).
bool RekeyPlayerRow(const PlayerIdentity& from, const PlayerIdentity& to);

// The player of the selected row; false when no row is selected.
bool SelectedPlayer(PlayerIdentity* player);

// Empties StatusPlayers and the view (the session ended).
void ForgetPlayerRows();
