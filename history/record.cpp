// Writing what was seen: player lists, GUID events, the admin's actions and
// notes. Each call is one transaction, so a crash leaves either the whole
// list or none of it.
//
// A sighting within kVisitGapSeconds of the previous one continues the same
// visit; "times seen" (of a player and of each of his names) counts visits.
#include <sqlite3.h>

#include <set>
#include <vector>

#include "history/fold.h"
#include "history/history.h"
#include "history/store_private.h"

namespace history {
namespace {

// A player is looked up by GUID, then inserted or updated: the GUID has no
// unique index to upsert on (store.cpp, version 3), and an upsert returning
// the id would gather it in a temporary table, which for each player cost
// more than the rest of his writes together.
//
constexpr const char* kFindPlayer = "SELECT id, search FROM player WHERE " HISTORY_PLAYER_BY_GUID("?1");

constexpr const char* kInsertPlayer = R"sql(
INSERT INTO player(guid, first_seen, last_seen, times_seen, last_name, last_address, search)
VALUES(?1, ?2, ?3, 1, ?4, ?5, ?6))sql";

constexpr const char* kUpdatePlayer = R"sql(
UPDATE player SET
  times_seen = times_seen + (?3 - last_seen > ?6),
  first_seen = min(first_seen, ?2),
  last_seen = max(last_seen, ?3),
  last_name = CASE WHEN ?3 >= last_seen THEN ?4 ELSE last_name END,
  last_address = CASE WHEN ?5 <> '' AND ?3 >= last_seen THEN ?5 ELSE last_address END,
  search = ?7
WHERE id = ?1)sql";

constexpr const char* kUpsertName = R"sql(
INSERT INTO player_name(player_id, name, folded, first_seen, last_seen, times_seen)
VALUES(?1, ?2, ?3, ?4, ?5, 1)
ON CONFLICT(player_id, name) DO UPDATE SET
  times_seen = times_seen + (excluded.last_seen - last_seen > ?6),
  first_seen = min(first_seen, excluded.first_seen),
  last_seen = max(last_seen, excluded.last_seen))sql";

constexpr const char* kUpsertAddress = R"sql(
INSERT INTO player_address(player_id, address, first_seen, last_seen) VALUES(?1, ?2, ?3, ?4)
ON CONFLICT(player_id, address) DO UPDATE SET
  first_seen = min(first_seen, excluded.first_seen),
  last_seen = max(last_seen, excluded.last_seen))sql";

constexpr const char* kUpsertServer =
    "INSERT INTO server(endpoint) VALUES(?1) ON CONFLICT(endpoint) DO NOTHING";
constexpr const char* kFindServer = "SELECT id FROM server WHERE endpoint = ?1";

constexpr const char* kUpsertPlayerServer = R"sql(
INSERT INTO player_server(player_id, server_id, first_seen, last_seen) VALUES(?1, ?2, ?3, ?4)
ON CONFLICT(player_id, server_id) DO UPDATE SET
  first_seen = min(first_seen, excluded.first_seen),
  last_seen = max(last_seen, excluded.last_seen))sql";

bool Done(int rc) { return rc == SQLITE_DONE || rc == SQLITE_ROW; }

// Keeps the first failure of the write under way (the connection forgets it
// as soon as the next statement, the rollback, runs); always false.
bool Failed(HistoryDb* h) {
  if (h->failure == SQLITE_OK) {
    h->failure = sqlite3_extended_errcode(h->db);
    h->failureMessage = sqlite3_errmsg(h->db);
  }
  return false;
}

// BEGIN IMMEDIATE takes the write lock at once, so waiting for another
// instance goes through the busy timeout instead of failing at the first
// write of a transaction that started as a reader.
bool Begin(HistoryDb* h) {
  h->failure = SQLITE_OK;
  return sqlite3_step(h->begin.Reset()) == SQLITE_DONE || Failed(h);
}
bool Rollback(HistoryDb* h) {
  Failed(h);
  sqlite3_step(h->rollback.Reset());
  return false;
}
bool Commit(HistoryDb* h) {
  return sqlite3_step(h->commit.Reset()) == SQLITE_DONE || Rollback(h);
}

std::string AddressOnly(std::string_view address) {
  const size_t colon = address.find(':');
  return std::string(address.substr(0, colon));
}

// The server's id, adding it on first sight; 0 on error.
int64_t ServerId(HistoryDb* h, std::string_view endpoint) {
  sqlite3_stmt* s = h->upsertServer.Reset();
  BindText(s, 1, endpoint);
  if (!Done(sqlite3_step(s))) return 0;
  s = h->findServer.Reset();
  BindText(s, 1, endpoint);
  const int64_t id = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
  // A statement left on a row keeps its read open past the commit, and the
  // WAL could then never be checkpointed: it would grow without end.
  sqlite3_reset(s);
  return id;
}

struct Sighting {
  std::string_view guid;  // normalized
  std::string_view name;
  std::string_view address;  // without port; may be empty
  int64_t firstSeen = 0, lastSeen = 0;
  int64_t serverId = 0;
};

// Adds `item` to a player's search text unless it is there already. Every
// item follows a line feed (the text starts with the GUID and one), so a
// whole item is found, not a part of a longer one.
void AddSearchItem(std::string& search, std::string_view item) {
  if (item.empty()) return;
  std::string whole;
  whole.reserve(item.size() + 2);
  whole.append(1, '\n').append(item).append(1, '\n');
  if (search.find(whole) == std::string::npos) search.append(whole, 1, std::string::npos);
}

// The caller holds the write lock (Begin): nobody else can add the player
// between the look-up and the insert.
bool RecordSighting(HistoryDb* h, const Sighting& w) {
  const std::string folded = FoldCase(w.name);
  sqlite3_stmt* s = h->findPlayer.Reset();
  BindText(s, 1, w.guid);
  int rc = sqlite3_step(s);
  if (!Done(rc)) return false;
  const bool known = rc == SQLITE_ROW;
  int64_t id = known ? sqlite3_column_int64(s, 0) : 0;
  std::string search = known ? ColumnText(s, 1) : std::string(w.guid) + '\n';
  sqlite3_reset(s);
  AddSearchItem(search, folded);
  AddSearchItem(search, w.address);

  s = known ? h->updatePlayer.Reset() : h->insertPlayer.Reset();
  if (known) {
    sqlite3_bind_int64(s, 1, id);
    sqlite3_bind_int64(s, 6, kVisitGapSeconds);
    BindText(s, 7, search);
  } else {
    BindText(s, 1, w.guid);
    BindText(s, 6, search);
  }
  sqlite3_bind_int64(s, 2, w.firstSeen);
  sqlite3_bind_int64(s, 3, w.lastSeen);
  BindText(s, 4, w.name);
  BindText(s, 5, w.address);
  if (sqlite3_step(s) != SQLITE_DONE) return false;
  if (!known) id = sqlite3_last_insert_rowid(h->db);

  s = h->upsertName.Reset();
  sqlite3_bind_int64(s, 1, id);
  BindText(s, 2, w.name);
  BindText(s, 3, folded);
  sqlite3_bind_int64(s, 4, w.firstSeen);
  sqlite3_bind_int64(s, 5, w.lastSeen);
  sqlite3_bind_int64(s, 6, kVisitGapSeconds);
  if (!Done(sqlite3_step(s))) return false;

  if (!w.address.empty()) {
    s = h->upsertAddress.Reset();
    sqlite3_bind_int64(s, 1, id);
    BindText(s, 2, w.address);
    sqlite3_bind_int64(s, 3, w.firstSeen);
    sqlite3_bind_int64(s, 4, w.lastSeen);
    if (!Done(sqlite3_step(s))) return false;
  }
  if (w.serverId != 0) {
    s = h->upsertPlayerServer.Reset();
    sqlite3_bind_int64(s, 1, id);
    sqlite3_bind_int64(s, 2, w.serverId);
    sqlite3_bind_int64(s, 3, w.firstSeen);
    sqlite3_bind_int64(s, 4, w.lastSeen);
    if (!Done(sqlite3_step(s))) return false;
  }
  return true;
}

void RememberPending(HistoryDb* h, const std::string& server, const SeenPlayer& p,
                     int64_t time) {
  const auto key = std::make_pair(server, p.number);
  auto it = h->pending.find(key);
  // Another name under the same number is another player who got the slot.
  if (it != h->pending.end() && it->second.name != p.name) {
    h->pending.erase(it);
    it = h->pending.end();
  }
  if (it == h->pending.end()) {
    if (h->pending.size() >= kMaxPendingPlayers) return;
    it = h->pending.emplace(key, PendingPlayer{p.name, {}, time}).first;
  }
  if (!p.address.empty()) it->second.address = AddressOnly(p.address);
}

const char* KindName(ActionKind kind) {
  switch (kind) {
    case ActionKind::Ban: return "ban";
    case ActionKind::RemoveBan: return "removeBan";
    case ActionKind::Kick: break;
  }
  return "kick";
}

}  // namespace

std::string NormalizeGuid(std::string_view guid) {
  if (guid.size() < 32) return {};
  const std::string_view rest = guid.substr(32);
  if (!rest.empty() && rest != "(OK)" && rest != "(?)") return {};
  std::string out(guid.substr(0, 32));
  for (char& c : out) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c + ('a' - 'A'));
    else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return {};
  }
  return out;
}

bool PrepareRecordStatements(HistoryDb* h) {
  return h->begin.Prepare(h->db, "BEGIN IMMEDIATE") && h->commit.Prepare(h->db, "COMMIT") &&
         h->rollback.Prepare(h->db, "ROLLBACK") &&
         h->findPlayer.Prepare(h->db, kFindPlayer) &&
         h->insertPlayer.Prepare(h->db, kInsertPlayer) &&
         h->updatePlayer.Prepare(h->db, kUpdatePlayer) &&
         h->upsertName.Prepare(h->db, kUpsertName) &&
         h->upsertAddress.Prepare(h->db, kUpsertAddress) &&
         h->upsertServer.Prepare(h->db, kUpsertServer) &&
         h->findServer.Prepare(h->db, kFindServer) &&
         h->upsertPlayerServer.Prepare(h->db, kUpsertPlayerServer);
}

// The players remembered without a GUID change only once the transaction
// has committed: a list that failed is tried again by the writer, and must
// find them as they were.
bool RecordList(HistoryDb* h, const SeenList& list) {
  if (!h) return false;
  std::vector<std::string> guids;
  guids.reserve(list.players.size());
  for (const SeenPlayer& p : list.players) guids.push_back(NormalizeGuid(p.guid));
  if (!Begin(h)) return false;
  const int64_t serverId = ServerId(h, list.server);
  if (serverId == 0) return Rollback(h);
  for (size_t i = 0; i < list.players.size(); ++i) {
    const SeenPlayer& p = list.players[i];
    if (guids[i].empty()) continue;
    int64_t firstSeen = list.time;
    const auto it = h->pending.find({list.server, p.number});
    if (it != h->pending.end() && it->second.name == p.name)
      firstSeen = std::min(firstSeen, it->second.firstListed);
    if (!RecordSighting(h, {guids[i], p.name, AddressOnly(p.address), firstSeen, list.time,
                            serverId}))
      return Rollback(h);
  }
  if (!Commit(h)) return false;

  // Pending players of this server who are no longer listed without a GUID
  // either have one now (recorded above) or left before the server told it;
  // nothing more can be recorded of them.
  std::set<int32_t> stillPending;
  for (size_t i = 0; i < list.players.size(); ++i)
    if (guids[i].empty()) stillPending.insert(list.players[i].number);
  for (auto it = h->pending.lower_bound({list.server, INT32_MIN});
       it != h->pending.end() && it->first.first == list.server;)
    it = stillPending.count(it->first.second) ? std::next(it) : h->pending.erase(it);
  for (size_t i = 0; i < list.players.size(); ++i)
    if (guids[i].empty()) RememberPending(h, list.server, list.players[i], list.time);
  return true;
}

bool RecordGuid(HistoryDb* h, const GuidEvent& e) {
  const std::string guid = NormalizeGuid(e.guid);
  if (!h || guid.empty()) return false;
  std::string address = AddressOnly(e.address);
  int64_t firstSeen = e.time;
  const auto key = std::make_pair(e.server, e.number);
  const auto it = h->pending.find(key);
  if (it != h->pending.end() && it->second.name == e.name) {
    firstSeen = std::min(firstSeen, it->second.firstListed);
    if (address.empty()) address = it->second.address;
  }
  if (!Begin(h)) return false;
  const int64_t serverId = ServerId(h, e.server);
  if (serverId == 0 ||
      !RecordSighting(h, {guid, e.name, address, firstSeen, std::max(firstSeen, e.time), serverId}))
    return Rollback(h);
  if (!Commit(h)) return false;
  h->pending.erase(key);
  return true;
}

bool RecordAction(HistoryDb* h, const AdminAction& a) {
  if (!h) return false;
  // The player it aimed at: by GUID, else the latest seen behind the
  // address. Addresses have no index of their own (it cost a page per
  // newcomer); a ban by address is rare enough to read them all.
  const std::string guid = NormalizeGuid(a.target);
  const std::string target = guid.empty() ? a.target : guid;
  h->failure = SQLITE_OK;
  Statement insert;
  if (!insert.Prepare(h->db, R"sql(
      INSERT INTO admin_action(time, server, kind, target, player_id, reason, minutes)
      VALUES(?1, ?2, ?3, ?4,
        CASE WHEN ?7 THEN (SELECT id FROM player WHERE )sql" HISTORY_PLAYER_BY_GUID("?4") R"sql()
             ELSE (SELECT player_id FROM player_address WHERE address = ?4
                   ORDER BY last_seen DESC LIMIT 1) END,
        ?5, ?6))sql"))
    return Failed(h);
  sqlite3_stmt* s = insert.get();
  sqlite3_bind_int64(s, 1, a.time);
  BindText(s, 2, a.server);
  BindText(s, 3, KindName(a.kind));
  BindText(s, 4, target);
  BindText(s, 5, a.reason);
  sqlite3_bind_int(s, 6, a.minutes);
  sqlite3_bind_int(s, 7, !guid.empty());
  // One statement: SQLite makes it a transaction of its own.
  return sqlite3_step(s) == SQLITE_DONE || Failed(h);
}

bool SetNote(HistoryDb* h, std::string_view guidText, std::string_view note) {
  const std::string guid = NormalizeGuid(guidText);
  if (!h || guid.empty() || !Begin(h)) return false;
  sqlite3_stmt* s = h->findPlayer.Reset();
  BindText(s, 1, guid);
  const int rc = sqlite3_step(s);
  const int64_t id = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
  sqlite3_reset(s);
  if (!Done(rc)) return Rollback(h);
  Statement write;
  if (!write.Prepare(h->db, id != 0 ? "UPDATE player SET note = ?3 WHERE id = ?1"
                                    : "INSERT INTO player(guid, first_seen, last_seen, "
                                      "times_seen, note, search) "
                                      "VALUES(?2, ?4, ?4, 0, ?3, ?2 || char(10))"))
    return Rollback(h);
  s = write.get();
  sqlite3_bind_int64(s, 1, id);
  BindText(s, 2, guid);
  BindText(s, 3, note);
  sqlite3_bind_int64(s, 4, NowSeconds());
  if (sqlite3_step(s) != SQLITE_DONE) return Rollback(h);
  return Commit(h);
}

}  // namespace history
