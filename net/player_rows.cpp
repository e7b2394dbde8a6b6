// The join behind the players list view; see player_rows.h.
#include "net/player_rows.h"

#include "net/keyed_rows.h"
#include "net/players.h"
#include "net/shell.h"
#include "net/steam_link.h"

#include <deque>
#include <string_view>
#include <unordered_map>

std::vector<StatusPlayer> StatusPlayers;

namespace {

class PlayersViewSink final : public RowSink<kPlayerColumns> {
 public:
  void Begin() override { PlayersList_BeginUpdate(); }
  void End() override { PlayersList_EndUpdate(); }
  void Insert(int32_t id, const PlayerRow& cells, int at) override { PlayersList_InsertRow(id, cells, at); }
  void Update(int32_t id, const PlayerRow& cells, uint32_t changed) override {
    PlayersList_UpdateRow(id, cells, changed);
  }
  void Remove(int32_t id) override { PlayersList_RemoveRow(id); }
};

KeyedRows<kPlayerColumns>& Rows() {
  static KeyedRows<kPlayerColumns> rows;
  return rows;
}

PlayersViewSink& Sink() {
  static PlayersViewSink sink;
  return sink;
}

// "(OK)" or "(?)" after the GUID says whether the server has checked it yet;
// the player is the same either way.
std::string_view GuidProper(std::string_view guid) {
  if (!guid.empty() && guid.back() == ')') {
    const size_t open = guid.rfind('(');
    if (open != std::string_view::npos) guid = guid.substr(0, open);
  }
  return guid == "-" ? std::string_view() : guid;
}

}  // namespace

PlayerIdentity IdentityOf(const PlayerRecord& record) {
  PlayerIdentity player;
  player.number = record.number;
  player.guid.assign(GuidProper(record.guid));
  player.address = record.address;
  player.name = record.name;
  return player;
}

std::string PlayerKey(const PlayerIdentity& player) {
  std::string key = std::to_string(player.number);
  if (!player.guid.empty()) {
    key += "\x1Fguid ";
    key += player.guid;
  } else {
    key += "\x1F" "address ";
    key += player.address;
  }
  return key;
}

std::vector<KeyedPlayerRow> JoinPlayerRows(const std::vector<PlayerRecord>& players,
                                           const std::vector<StatusPlayer>& status) {
  std::vector<KeyedPlayerRow> rows;
  rows.reserve(players.size());
  // Name -> the rows of that name not yet filled, in list order.
  std::unordered_map<std::string_view, std::deque<size_t>> unfilled;
  for (const PlayerRecord& player : players) {
    PlayerRow cells;
    cells[0] = player.name;
    // A player known from his join alone has no ping yet.
    if (player.ping >= 0) cells[4] = std::to_string(player.ping);
    cells[5] = player.address;
    cells[6] = player.guid;
    unfilled[player.name].push_back(rows.size());
    rows.emplace_back(PlayerKey(IdentityOf(player)), std::move(cells));
  }
  for (const StatusPlayer& entry : status) {
    const auto found = unfilled.find(entry.name);
    if (found == unfilled.end() || found->second.empty()) continue;
    PlayerRow& cells = rows[found->second.front()].second;
    found->second.pop_front();
    cells[1] = entry.score;
    cells[2] = entry.deaths;
    cells[3] = entry.team;
  }
  return rows;
}

int ShowPlayerRows() {
  std::vector<KeyedPlayerRow> rows = JoinPlayerRows(PlayerList, StatusPlayers);
  // The Score and Time the Steam query gives each player; the status reply's
  // score wins where it names him.
  const std::vector<SteamPlayerCells> steam = SteamCellsFor(PlayerList);
  for (size_t i = 0; i < rows.size() && i < steam.size(); ++i) {
    PlayerRow& cells = rows[i].second;
    if (cells[1].empty()) cells[1] = steam[i].score;
    cells[kPlayerColumnTime] = steam[i].time;
  }
  return Rows().Apply(rows, Sink());
}

void PlayerListArrived() {
  SteamPlayerListArrived();
  ShowPlayerRows();
}

void StatusReplyArrived() {
  SteamStatusReplyArrived();
  ShowPlayerRows();
}

void PutPlayerRow(const KeyedPlayerRow& row) { Rows().Put(row.first, row.second, Sink()); }

bool RemovePlayerRow(const PlayerIdentity& player) { return Rows().Erase(PlayerKey(player), Sink()); }

bool RekeyPlayerRow(const PlayerIdentity& from, const PlayerIdentity& to) {
  return Rows().Rekey(PlayerKey(from), PlayerKey(to));
}

bool SelectedPlayer(PlayerIdentity* player) {
  const auto* row = Rows().Find(PlayersList_SelectedId());
  if (row == nullptr) return false;
  // The row's own cells say who it stands for; the number is in its key.
  player->number = static_cast<int32_t>(std::stol(row->key.substr(0, row->key.find('\x1F'))));
  player->guid.assign(GuidProper(row->cells[6]));
  player->address = row->cells[5];
  player->name = row->cells[0];
  return true;
}

void ForgetPlayerRows() {
  ForgetSteamQuery();
  StatusPlayers.clear();
  Rows().Clear(Sink());
}
