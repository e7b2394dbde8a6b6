// The rows of the players list view: the join of the latest "players" reply
// (number, address, ping, GUID, name) with the latest status reply (team,
// score, deaths by name).
//
// The two replies travel as separate UDP datagrams, so either may come first,
// either may be lost or come twice, and some servers (a remote console on a
// port of its own) never answer the status query at all. The rows are
// therefore rebuilt from both latest replies whenever either arrives, and a
// player list that no status reply joins within kStatusWaitMs is shown on
// its own, with team, score and deaths left empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One player as the status reply lists it; all UTF-8.
struct StatusPlayer {
  std::string name;
  std::string team;
  std::string score;
  std::string deaths;
};

// How long a player list waits for a status reply before it is shown alone.
constexpr uint32_t kStatusWaitMs = 2000;

// The players of the latest status reply, in reply order.
extern std::vector<StatusPlayer> StatusPlayers;

// PlayerList has just been replaced by a "players" reply.
void PlayerListArrived(uint32_t now);
// StatusPlayers has just been replaced by a status reply.
void StatusReplyArrived(uint32_t now);
// From the network tick: shows the player list alone once its wait is over.
void CheckStatusWait(uint32_t now);
// When CheckStatusWait will next have something to do; false when nothing
// waits.
bool StatusWaitDeadline(uint32_t* at);
// A new connection: the old server's status reply joins nothing of the new
// one's, and its absence says nothing about the new one.
void ForgetPlayerRows();

// Clears the players list view and adds the rows of the join again.
void RebuildPlayerRows();
