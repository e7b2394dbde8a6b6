// The join behind the players list view; see player_rows.h.
//
// Each occurrence of a name in the status reply takes the next record of that
// name not yet used in the same join, so two players called "Bob" get a row
// each, each with its own address and GUID: Kick and Ban from the second row
// must reach the second player.
#include "net/player_rows.h"

#include "net/players.h"
#include "net/shell.h"
#include "net/steam_link.h"
#include "net/text.h"

#include <string_view>

std::vector<StatusPlayer> StatusPlayers;

namespace {

struct RowState {
  bool haveStatus = false;   // a status reply came on this connection
  uint32_t statusAt = 0;
  uint32_t playersAt = 0;
  bool waiting = false;      // a player list waits for its status reply
  bool playersAlone = false; // shown without a status reply
};
RowState State;

// Name -> the first record of that name not yet used in this join; the
// records of one name are chained in list order. Rebuilt for every join (the
// list changes between two) with its slots kept, so a steady server costs no
// allocation.
class NameChains {
 public:
  void Build(const std::vector<PlayerRecord>& players) {
    players_ = &players;
    size_t capacity = 16;
    while (capacity < players.size() * 2) capacity *= 2;
    slots_.assign(capacity, kNone);
    mask_ = capacity - 1;
    next_.assign(players.size(), kNone);
    // Walked from the end, each record goes in front of its name's chain, so
    // the chain runs in list order.
    for (size_t i = players.size(); i-- > 0;) {
      const std::string& name = players[i].name;
      for (size_t slot = HashText(name) & mask_;; slot = (slot + 1) & mask_) {
        const int32_t head = slots_[slot];
        if (head == kNone || players[static_cast<size_t>(head)].name == name) {
          next_[i] = head;
          slots_[slot] = static_cast<int32_t>(i);
          break;
        }
      }
    }
  }

  // The next unused record of `name`, now used; null when there is none.
  const PlayerRecord* Take(std::string_view name) {
    if (players_ == nullptr || players_->empty()) return nullptr;
    for (size_t slot = HashText(name) & mask_;; slot = (slot + 1) & mask_) {
      const int32_t head = slots_[slot];
      if (head == kNone) return nullptr;
      if (head < 0) {
        // A used-up name keeps its slot, or the probe for a name that
        // collided past it would stop here; its name is that of its record.
        if ((*players_)[static_cast<size_t>(kUsedUp - head)].name == name) return nullptr;
        continue;
      }
      const PlayerRecord& record = (*players_)[static_cast<size_t>(head)];
      if (record.name != name) continue;
      const int32_t after = next_[static_cast<size_t>(head)];
      slots_[slot] = after != kNone ? after : kUsedUp - head;
      return &record;
    }
  }

 private:
  static constexpr int32_t kNone = -1;
  static constexpr int32_t kUsedUp = -2;  // kUsedUp - i: used up, last record i
  const std::vector<PlayerRecord>* players_ = nullptr;
  std::vector<int32_t> slots_;
  std::vector<int32_t> next_;
  size_t mask_ = 0;
};

// One row, refilled for each player: its strings keep their buffers, so a
// full server's rows cost no allocation here.
PlayerRow& Row() {
  static PlayerRow row;
  return row;
}

// The Score and Time the Steam query gives each player, by his place in
// PlayerList; refilled with every rebuild.
std::vector<SteamPlayerCells> g_steam;

void AddRow(const PlayerRecord& player, std::string_view team, std::string_view score, std::string_view deaths) {
  PlayerRow& row = Row();
  const SteamPlayerCells& steam = g_steam[static_cast<size_t>(&player - PlayerList.data())];
  row[0] = player.name;
  // The status reply's score wins where it names the player.
  row[1] = score.empty() ? std::string_view(steam.score) : score;
  row[2] = deaths;
  row[3] = team;
  row[4] = std::to_string(player.ping);
  row[5] = player.address;
  row[6] = player.guid;
  row[kPlayerColumnTime] = steam.time;
  PlayersList_AddRow(row);
}

}  // namespace

void RebuildPlayerRows() {
  PlayersList_Clear();
  g_steam = SteamCellsFor(PlayerList);
  if (State.playersAlone) {
    for (const PlayerRecord& player : PlayerList) AddRow(player, {}, {}, {});
    return;
  }
  static NameChains names;
  names.Build(PlayerList);
  for (const StatusPlayer& entry : StatusPlayers) {
    if (const PlayerRecord* player = names.Take(entry.name)) AddRow(*player, entry.team, entry.score, entry.deaths);
  }
}

void PlayerListArrived(uint32_t now) {
  SteamPlayerListArrived();
  State.playersAt = now;
  // A status reply overtaken by the "players" reply of the same refresh came
  // just before it.
  const bool joined = State.haveStatus && now - State.statusAt <= kStatusWaitMs;
  if (joined) {
    State.playersAlone = false;
    State.waiting = false;
  } else {
    // A server that left the last list without status shows this one alone
    // at once; otherwise the list waits, joined with the last status reply.
    State.waiting = !State.playersAlone;
  }
  RebuildPlayerRows();
}

void StatusReplyArrived(uint32_t now) {
  SteamStatusReplyArrived();
  State.haveStatus = true;
  State.statusAt = now;
  State.waiting = false;
  State.playersAlone = false;
  RebuildPlayerRows();
}

void CheckStatusWait(uint32_t now) {
  if (!State.waiting || now - State.playersAt < kStatusWaitMs) return;
  State.waiting = false;
  State.playersAlone = true;
  RebuildPlayerRows();
}

void ForgetPlayerRows() {
  ForgetSteamQuery();
  State = RowState{};
  StatusPlayers.clear();
}

bool StatusWaitDeadline(uint32_t* at) {
  if (!State.waiting) return false;
  *at = State.playersAt + kStatusWaitMs;
  return true;
}
