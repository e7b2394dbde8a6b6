// Searching the history as the admin types, and reading one player whole.
//
// A search is a substring test (instr) on each player's search text: his
// GUID, his names folded by FoldCase and his addresses. Folding both sides in
// our own code makes non-ASCII letters match in any case, and instr needs no
// escaping of LIKE's pattern characters. Walking the players latest seen
// first stops at the limit; a rare part reads every player, which at a
// hundred thousand stays well within a keystroke (bench/history_bench.cpp),
// and unlike an index finds any part of a name.
#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>

#include "history/fold.h"
#include "history/history.h"
#include "history/store_private.h"

namespace history {
namespace {

constexpr const char* kSearch = R"sql(
SELECT id, guid, last_name, last_address, first_seen, last_seen, times_seen, note
FROM player WHERE instr(search, ?1) > 0
ORDER BY last_seen DESC LIMIT ?2)sql";

constexpr const char* kLatest = R"sql(
SELECT id, guid, last_name, last_address, first_seen, last_seen, times_seen, note
FROM player ORDER BY last_seen DESC LIMIT ?2)sql";

// In key order; sorted here, because an ORDER BY would build a temporary
// b-tree for each of up to kSearchLimit matches.
constexpr const char* kNames = "SELECT name, last_seen FROM player_name WHERE player_id = ?1";

// The bans and removals sent from Quorvel: a few per player at most, read
// once per search. A ban aimed at an address was tied to the player last seen
// there when it was recorded.
constexpr const char* kBans = R"sql(
SELECT player_id, target, kind = 'ban', time, id FROM admin_action
WHERE kind IN ('ban', 'removeBan'))sql";

struct LatestBan {
  int64_t time = -1, id = -1;
  bool banned = false;
  void Take(int64_t t, int64_t i, bool b) {
    if (t > time || (t == time && i > id)) *this = {t, i, b};
  }
};

ActionKind KindOf(std::string_view name) {
  if (name == "ban") return ActionKind::Ban;
  if (name == "removeBan") return ActionKind::RemoveBan;
  return ActionKind::Kick;
}

}  // namespace

std::vector<Match> Search(HistoryDb* h, std::string_view text, size_t limit) {
  std::vector<Match> matches;
  if (!h) return matches;
  const std::string needle = FoldCase(text);
  Statement find, names, bans;
  if (!find.Prepare(h->db, needle.empty() ? kLatest : kSearch) ||
      !names.Prepare(h->db, kNames) || !bans.Prepare(h->db, kBans))
    return matches;
  // One read transaction: the matches and their details from one snapshot.
  Exec(h->db, "BEGIN");
  sqlite3_stmt* s = find.get();
  if (!needle.empty()) BindText(s, 1, needle);
  sqlite3_bind_int64(s, 2, static_cast<int64_t>(limit));
  std::vector<int64_t> ids;
  while (sqlite3_step(s) == SQLITE_ROW) {
    Match m;
    ids.push_back(sqlite3_column_int64(s, 0));
    m.guid = ColumnText(s, 1);
    m.lastName = ColumnText(s, 2);
    m.lastAddress = ColumnText(s, 3);
    m.firstSeen = sqlite3_column_int64(s, 4);
    m.lastSeen = sqlite3_column_int64(s, 5);
    m.timesSeen = sqlite3_column_int(s, 6);
    m.note = ColumnText(s, 7);
    matches.push_back(std::move(m));
  }
  sqlite3_reset(s);

  std::unordered_map<int64_t, LatestBan> byPlayer;
  std::unordered_map<std::string, LatestBan> byTarget;
  s = bans.get();
  while (sqlite3_step(s) == SQLITE_ROW) {
    const int64_t time = sqlite3_column_int64(s, 3), id = sqlite3_column_int64(s, 4);
    const bool banned = sqlite3_column_int(s, 2) != 0;
    if (sqlite3_column_type(s, 0) != SQLITE_NULL)
      byPlayer[sqlite3_column_int64(s, 0)].Take(time, id, banned);
    byTarget[ColumnText(s, 1)].Take(time, id, banned);
  }
  sqlite3_reset(s);

  std::vector<std::pair<int64_t, std::string>> used;
  for (size_t i = 0; i < matches.size(); ++i) {
    Match& m = matches[i];
    s = names.Reset();
    sqlite3_bind_int64(s, 1, ids[i]);
    used.clear();
    while (sqlite3_step(s) == SQLITE_ROW) {
      std::string name = ColumnText(s, 0);
      if (name != m.lastName) used.emplace_back(sqlite3_column_int64(s, 1), std::move(name));
    }
    sqlite3_reset(s);
    std::sort(used.begin(), used.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (auto& [time, name] : used) m.otherNames.push_back(std::move(name));

    LatestBan latest;
    if (const auto it = byPlayer.find(ids[i]); it != byPlayer.end())
      latest.Take(it->second.time, it->second.id, it->second.banned);
    if (const auto it = byTarget.find(m.guid); it != byTarget.end())
      latest.Take(it->second.time, it->second.id, it->second.banned);
    m.bannedByQuorvel = latest.banned;
  }
  Exec(h->db, "COMMIT");
  return matches;
}

bool LoadPlayer(HistoryDb* h, std::string_view guidText, PlayerDetails* out) {
  const std::string guid = NormalizeGuid(guidText);
  if (!h || !out || guid.empty()) return false;
  Statement player, names, addresses, servers, actions;
  if (!player.Prepare(h->db, "SELECT id, note, first_seen, last_seen, times_seen FROM player "
                             "WHERE " HISTORY_PLAYER_BY_GUID("?1")) ||
      !names.Prepare(h->db, "SELECT name, first_seen, last_seen, times_seen FROM player_name "
                            "WHERE player_id = ?1 ORDER BY last_seen DESC") ||
      !addresses.Prepare(h->db, "SELECT address, first_seen, last_seen FROM player_address "
                                "WHERE player_id = ?1 ORDER BY last_seen DESC") ||
      !servers.Prepare(h->db, "SELECT s.endpoint, ps.first_seen, ps.last_seen "
                              "FROM player_server ps JOIN server s ON s.id = ps.server_id "
                              "WHERE ps.player_id = ?1 ORDER BY ps.last_seen DESC") ||
      !actions.Prepare(h->db, "SELECT time, server, kind, target, reason, minutes "
                              "FROM admin_action WHERE player_id = ?1 OR target = ?2 "
                              "ORDER BY time DESC, id DESC"))
    return false;
  Exec(h->db, "BEGIN");
  sqlite3_stmt* s = player.get();
  BindText(s, 1, guid);
  if (sqlite3_step(s) != SQLITE_ROW) {
    sqlite3_reset(s);
    Exec(h->db, "COMMIT");
    return false;
  }
  PlayerDetails d;
  const int64_t id = sqlite3_column_int64(s, 0);
  d.guid = guid;
  d.note = ColumnText(s, 1);
  d.firstSeen = sqlite3_column_int64(s, 2);
  d.lastSeen = sqlite3_column_int64(s, 3);
  d.timesSeen = sqlite3_column_int(s, 4);
  sqlite3_reset(s);

  s = names.get();
  sqlite3_bind_int64(s, 1, id);
  while (sqlite3_step(s) == SQLITE_ROW)
    d.names.push_back({ColumnText(s, 0), sqlite3_column_int64(s, 1), sqlite3_column_int64(s, 2),
                       sqlite3_column_int(s, 3)});
  sqlite3_reset(s);
  s = addresses.get();
  sqlite3_bind_int64(s, 1, id);
  while (sqlite3_step(s) == SQLITE_ROW)
    d.addresses.push_back(
        {ColumnText(s, 0), sqlite3_column_int64(s, 1), sqlite3_column_int64(s, 2)});
  sqlite3_reset(s);
  s = servers.get();
  sqlite3_bind_int64(s, 1, id);
  while (sqlite3_step(s) == SQLITE_ROW)
    d.servers.push_back({ColumnText(s, 0), sqlite3_column_int64(s, 1), sqlite3_column_int64(s, 2)});
  sqlite3_reset(s);
  s = actions.get();
  sqlite3_bind_int64(s, 1, id);
  BindText(s, 2, guid);
  while (sqlite3_step(s) == SQLITE_ROW)
    d.actions.push_back({sqlite3_column_int64(s, 0), ColumnText(s, 1), KindOf(ColumnText(s, 2)),
                         ColumnText(s, 3), ColumnText(s, 4), sqlite3_column_int(s, 5)});
  sqlite3_reset(s);
  Exec(h->db, "COMMIT");
  *out = std::move(d);
  return true;
}

}  // namespace history
