// Writing what was seen: player lists, GUID events, the admin's actions and
// notes. Each call is one transaction, so a crash leaves either the whole
// list or none of it.
//
// A sighting within kVisitGapSeconds of the previous one continues the same
// visit; "times seen" (of a player and of each of his names) counts visits.
#include <sqlite3.h>

#include <cctype>

#include "history/fold.h"
#include "history/history.h"
#include "history/store_private.h"

namespace history {
namespace {

constexpr const char* kUpsertPlayer = R"sql(
INSERT INTO player(guid, first_seen, last_seen, times_seen, last_name, last_address, search)
VALUES(?1, ?2, ?3, 1, ?4, ?5, ?7)
ON CONFLICT(guid) DO UPDATE SET
  times_seen = times_seen + (excluded.last_seen - last_seen > ?6),
  first_seen = min(first_seen, excluded.first_seen),
  last_seen = max(last_seen, excluded.last_seen),
  last_name = CASE WHEN excluded.last_seen >= last_seen THEN excluded.last_name ELSE last_name END,
  last_address = CASE WHEN excluded.last_address <> '' AND excluded.last_seen >= last_seen
                      THEN excluded.last_address ELSE last_address END
RETURNING id)sql";

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

// BEGIN IMMEDIATE takes the write lock at once, so waiting for another
// instance goes through the busy timeout instead of failing at the first
// write of a transaction that started as a reader.
bool Begin(HistoryDb* h) { return sqlite3_step(h->begin.Reset()) == SQLITE_DONE; }
bool Commit(HistoryDb* h) {
  if (sqlite3_step(h->commit.Reset()) == SQLITE_DONE) return true;
  sqlite3_step(h->rollback.Reset());
  return false;
}
bool Rollback(HistoryDb* h) {
  sqlite3_step(h->rollback.Reset());
  return false;
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

bool RecordSighting(HistoryDb* h, const Sighting& w) {
  sqlite3_stmt* s = h->upsertPlayer.Reset();
  BindText(s, 1, w.guid);
  sqlite3_bind_int64(s, 2, w.firstSeen);
  sqlite3_bind_int64(s, 3, w.lastSeen);
  BindText(s, 4, w.name);
  BindText(s, 5, w.address);
  sqlite3_bind_int64(s, 6, kVisitGapSeconds);
  const std::string folded = FoldCase(w.name);
  std::string search;
  search.reserve(w.guid.size() + folded.size() + w.address.size() + 3);
  search.append(w.guid).append(1, '\n').append(folded).append(1, '\n');
  if (!w.address.empty()) search.append(w.address).append(1, '\n');
  BindText(s, 7, search);
  if (sqlite3_step(s) != SQLITE_ROW) return false;
  const int64_t id = sqlite3_column_int64(s, 0);
  sqlite3_reset(s);  // a RETURNING statement finishes its write at reset

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
    if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

bool PrepareRecordStatements(HistoryDb* h) {
  return h->begin.Prepare(h->db, "BEGIN IMMEDIATE") && h->commit.Prepare(h->db, "COMMIT") &&
         h->rollback.Prepare(h->db, "ROLLBACK") &&
         h->upsertPlayer.Prepare(h->db, kUpsertPlayer) &&
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
  if (!h || !Begin(h)) return false;
  const int64_t serverId = ServerId(h, list.server);
  if (serverId == 0) return Rollback(h);
  for (const SeenPlayer& p : list.players) {
    const std::string guid = NormalizeGuid(p.guid);
    if (guid.empty()) continue;
    int64_t firstSeen = list.time;
    const auto it = h->pending.find({list.server, p.number});
    if (it != h->pending.end() && it->second.name == p.name)
      firstSeen = std::min(firstSeen, it->second.firstListed);
    if (!RecordSighting(h, {guid, p.name, AddressOnly(p.address), firstSeen, list.time, serverId}))
      return Rollback(h);
  }
  if (!Commit(h)) return false;

  // Pending players of this server who are no longer listed without a GUID
  // either have one now (recorded above) or left before the server told it;
  // nothing more can be recorded of them.
  for (auto it = h->pending.lower_bound({list.server, INT32_MIN});
       it != h->pending.end() && it->first.first == list.server;) {
    bool stillPending = false;
    for (const SeenPlayer& p : list.players)
      stillPending |= p.number == it->first.second && NormalizeGuid(p.guid).empty();
    it = stillPending ? std::next(it) : h->pending.erase(it);
  }
  for (const SeenPlayer& p : list.players)
    if (NormalizeGuid(p.guid).empty()) RememberPending(h, list.server, p, list.time);
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
  // The player it aimed at: by GUID, else the latest seen behind the address.
  const std::string guid = NormalizeGuid(a.target);
  const std::string target = guid.empty() ? a.target : guid;
  Statement insert;
  if (!insert.Prepare(h->db, R"sql(
      INSERT INTO admin_action(time, server, kind, target, player_id, reason, minutes)
      VALUES(?1, ?2, ?3, ?4,
        coalesce((SELECT id FROM player WHERE guid = ?4),
                 (SELECT p.id FROM player_address a JOIN player p ON p.id = a.player_id
                  WHERE a.address = ?4 ORDER BY a.last_seen DESC LIMIT 1)),
        ?5, ?6))sql"))
    return false;
  sqlite3_stmt* s = insert.get();
  sqlite3_bind_int64(s, 1, a.time);
  BindText(s, 2, a.server);
  BindText(s, 3, KindName(a.kind));
  BindText(s, 4, target);
  BindText(s, 5, a.reason);
  sqlite3_bind_int(s, 6, a.minutes);
  // One statement: SQLite makes it a transaction of its own.
  return sqlite3_step(s) == SQLITE_DONE;
}

bool SetNote(HistoryDb* h, std::string_view guidText, std::string_view note) {
  const std::string guid = NormalizeGuid(guidText);
  if (!h || guid.empty()) return false;
  Statement upsert;
  if (!upsert.Prepare(h->db, R"sql(
      INSERT INTO player(guid, first_seen, last_seen, times_seen, note, search)
      VALUES(?1, ?2, ?2, 0, ?3, ?1 || char(10))
      ON CONFLICT(guid) DO UPDATE SET note = excluded.note)sql"))
    return false;
  sqlite3_stmt* s = upsert.get();
  BindText(s, 1, guid);
  sqlite3_bind_int64(s, 2, NowSeconds());
  BindText(s, 3, note);
  return sqlite3_step(s) == SQLITE_DONE;
}

}  // namespace history
