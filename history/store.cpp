// Opening history.db: the connection's settings, the check, setting a
// damaged file aside, and the schema's migrations.
//
// The schema's version is SQLite's user_version. Version 1 was the first
// file format (players, their names and addresses); each later version is
// one step from the one before, so a file of any age is brought forward one
// step at a time, each step in its own transaction.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <thread>

#include "history/fold.h"
#include "history/history.h"
#include "history/store_private.h"

namespace history {
namespace {

// Long enough for the other instance's list (a few milliseconds) or its
// start-up check; short enough that a hung instance does not stall us for ever.
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kVersion1 = R"sql(
CREATE TABLE player(
  id INTEGER PRIMARY KEY,
  guid TEXT NOT NULL UNIQUE,
  first_seen INTEGER NOT NULL,
  last_seen INTEGER NOT NULL,
  times_seen INTEGER NOT NULL DEFAULT 1);
CREATE TABLE player_name(
  player_id INTEGER NOT NULL REFERENCES player(id),
  name TEXT NOT NULL,
  first_seen INTEGER NOT NULL,
  last_seen INTEGER NOT NULL,
  times_seen INTEGER NOT NULL DEFAULT 1,
  PRIMARY KEY(player_id, name)) WITHOUT ROWID;
CREATE TABLE player_address(
  player_id INTEGER NOT NULL REFERENCES player(id),
  address TEXT NOT NULL,
  first_seen INTEGER NOT NULL,
  last_seen INTEGER NOT NULL,
  PRIMARY KEY(player_id, address)) WITHOUT ROWID;
)sql";

// Version 2: the search text (names folded by our own code, since SQLite
// folds ASCII only), the latest name and address kept on the player so a
// search reads one row per player, the servers, the admin's notes and the
// actions sent from Quorvel.
//
// player.search holds the GUID, every folded name and every address, each
// ended by a line feed; triggers add each new name and address, so no writer
// can forget to. A new player's row is written with his first name and
// address already in it (the triggers then find them there and write
// nothing), which spares two updates of the row and its index per newcomer.
constexpr const char* kVersion2 = R"sql(
ALTER TABLE player ADD COLUMN last_name TEXT NOT NULL DEFAULT '';
ALTER TABLE player ADD COLUMN last_address TEXT NOT NULL DEFAULT '';
ALTER TABLE player ADD COLUMN note TEXT NOT NULL DEFAULT '';
ALTER TABLE player ADD COLUMN search TEXT NOT NULL DEFAULT '';
ALTER TABLE player_name ADD COLUMN folded TEXT NOT NULL DEFAULT '';
UPDATE player_name SET folded = quorvel_fold(name);
UPDATE player SET
  last_name = coalesce((SELECT name FROM player_name n WHERE n.player_id = player.id
                        ORDER BY n.last_seen DESC LIMIT 1), ''),
  last_address = coalesce((SELECT address FROM player_address a WHERE a.player_id = player.id
                           ORDER BY a.last_seen DESC LIMIT 1), ''),
  search = guid || char(10)
    || coalesce((SELECT group_concat(folded, char(10)) || char(10) FROM player_name n
                 WHERE n.player_id = player.id), '')
    || coalesce((SELECT group_concat(address, char(10)) || char(10) FROM player_address a
                 WHERE a.player_id = player.id), '');
CREATE TRIGGER player_name_search AFTER INSERT ON player_name BEGIN
  UPDATE player SET search = search || NEW.folded || char(10)
  WHERE id = NEW.player_id AND instr(search, char(10) || NEW.folded || char(10)) = 0;
END;
CREATE TRIGGER player_address_search AFTER INSERT ON player_address BEGIN
  UPDATE player SET search = search || NEW.address || char(10)
  WHERE id = NEW.player_id AND instr(search, char(10) || NEW.address || char(10)) = 0;
END;
CREATE TABLE server(
  id INTEGER PRIMARY KEY,
  endpoint TEXT NOT NULL UNIQUE);
CREATE TABLE player_server(
  player_id INTEGER NOT NULL REFERENCES player(id),
  server_id INTEGER NOT NULL REFERENCES server(id),
  first_seen INTEGER NOT NULL,
  last_seen INTEGER NOT NULL,
  PRIMARY KEY(player_id, server_id)) WITHOUT ROWID;
CREATE TABLE admin_action(
  id INTEGER PRIMARY KEY,
  time INTEGER NOT NULL,
  server TEXT NOT NULL,
  kind TEXT NOT NULL CHECK(kind IN ('kick', 'ban', 'removeBan')),
  target TEXT NOT NULL,
  player_id INTEGER REFERENCES player(id),
  reason TEXT NOT NULL DEFAULT '',
  minutes INTEGER NOT NULL DEFAULT 0);
CREATE INDEX admin_action_player ON admin_action(player_id, time);
CREATE INDEX admin_action_target ON admin_action(target, time);
CREATE INDEX player_address_address ON player_address(address);
-- Searches walk this, latest seen first, testing the search text in the
-- index itself and reading a player's row only when it matches.
CREATE INDEX player_recent ON player(last_seen, search);
)sql";

// Version 3: what a list of newcomers costs is the index pages it dirties,
// about one per newcomer in each index keyed by something random, and each
// is a page written to the log and synced. So:
//  - the player's GUID is indexed by its first 8 digits instead of all 32
//    (UNIQUE): entries less than half as long, so far fewer pages. GUIDs are
//    hashes, so two sharing a prefix are rare and only cost a second row to
//    compare; the writer keeps a GUID to one row, looking it up under the
//    write lock before it inserts. Dropping UNIQUE takes a new table.
//  - the index by address served only bans aimed at an address; those are
//    rare and may read the table.
//  - the triggers keeping the search text became part of the player's own
//    update, which writes his row anyway.
// Foreign keys are off while this runs (Migrate): dropping the old table is
// not a deletion of its players.
constexpr const char* kVersion3 = R"sql(
DROP TRIGGER player_name_search;
DROP TRIGGER player_address_search;
DROP INDEX player_address_address;
CREATE TABLE player_v3(
  id INTEGER PRIMARY KEY,
  guid TEXT NOT NULL,
  first_seen INTEGER NOT NULL,
  last_seen INTEGER NOT NULL,
  times_seen INTEGER NOT NULL DEFAULT 1,
  last_name TEXT NOT NULL DEFAULT '',
  last_address TEXT NOT NULL DEFAULT '',
  note TEXT NOT NULL DEFAULT '',
  search TEXT NOT NULL DEFAULT '');
INSERT INTO player_v3(id, guid, first_seen, last_seen, times_seen, last_name, last_address, note,
                      search)
  SELECT id, guid, first_seen, last_seen, times_seen, last_name, last_address, note, search
  FROM player;
DROP TABLE player;
ALTER TABLE player_v3 RENAME TO player;
CREATE INDEX player_guid ON player(substr(guid, 1, 8));
CREATE INDEX player_recent ON player(last_seen, search);
)sql";

// kMigrations[v] takes a file of version v to version v + 1.
constexpr const char* kMigrations[] = {kVersion1, kVersion2, kVersion3};
static_assert(sizeof(kMigrations) / sizeof(kMigrations[0]) == kSchemaVersion);

void FoldFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  if (!text) {
    sqlite3_result_null(ctx);
    return;
  }
  const std::string folded =
      FoldCase(std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(argv[0]))));
  sqlite3_result_text(ctx, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

int UserVersion(sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  int version = -1;
  if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &s, nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW)
    version = sqlite3_column_int(s, 0);
  sqlite3_finalize(s);
  return version;
}

// Why a step failed, and whether the file itself is to blame (as opposed to
// another instance holding it, or a full disk).
struct Failure {
  std::string error;
  bool damaged = false;
  bool busy = false;  // another instance held the file
};

Failure FailureOf(sqlite3* db, int code) {
  const int primary = code & 0xff;
  return {db ? sqlite3_errmsg(db) : sqlite3_errstr(code), IsDamage(code),
          primary == SQLITE_BUSY || primary == SQLITE_LOCKED};
}

// Brings the schema to kSchemaVersion, one transaction per step. Each step
// reads the version again inside its transaction: another instance may have
// taken the file forward meanwhile.
bool Migrate(sqlite3* db, Failure* failure) {
  // The usual case needs no write lock, which another instance may hold.
  if (UserVersion(db) == kSchemaVersion) return true;
  for (;;) {
    int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      *failure = FailureOf(db, rc);
      return false;
    }
    const int version = UserVersion(db);
    if (version == kSchemaVersion) return Exec(db, "COMMIT");
    if (version < 0 || version > kSchemaVersion) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      *failure = {version < 0 ? sqlite3_errmsg(db)
                              : "the file was written by a newer version of Quorvel",
                  false};
      return false;
    }
    rc = sqlite3_exec(db, kMigrations[version], nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
      const std::string bump = "PRAGMA user_version = " + std::to_string(version + 1);
      rc = sqlite3_exec(db, bump.c_str(), nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      *failure = FailureOf(db, rc);
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      return false;
    }
  }
}

// Opens, configures, checks and migrates; null with `failure` set on error.
HistoryDb* TryOpen(const std::string& path, Failure* failure) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    *failure = FailureOf(db, rc);
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_create_function(db, "quorvel_fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                          FoldFunction, nullptr, nullptr);
  // A newer Quorvel's file is not ours to change, not even to WAL mode.
  if (UserVersion(db) > kSchemaVersion) {
    *failure = {"the file was written by a newer version of Quorvel", false};
    sqlite3_close(db);
    return nullptr;
  }
  // WAL: a search reads while a list is written, and a second instance's
  // reads never wait. FULL: a committed list survives a power cut.
  sqlite3_stmt* s = nullptr;
  rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode = WAL", -1, &s, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(s);
  const bool wal = rc == SQLITE_ROW && ColumnText(s, 0) == "wal";
  sqlite3_finalize(s);
  if (!wal) {
    *failure = rc == SQLITE_ROW ? Failure{"the file cannot be put in WAL mode", false}
                                : FailureOf(db, rc);
    sqlite3_close(db);
    return nullptr;
  }
  Exec(db, "PRAGMA synchronous = FULL");
  // A search reads every player's row; with a cache that holds them, the
  // second keystroke does not go back to the file. (Memory-mapped reads
  // would be faster still, but a disk error there kills the process.)
  Exec(db, "PRAGMA cache_size = -32768");

  // quick_check reads every page and catches what a program can meet: a
  // torn or overwritten file. The full integrity_check also cross-checks
  // indexes and takes much longer on a large history.
  rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &s, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(s);
  if (rc == SQLITE_ROW && ColumnText(s, 0) != "ok") {
    *failure = {"the integrity check failed: " + ColumnText(s, 0), true};
    sqlite3_finalize(s);
    sqlite3_close(db);
    return nullptr;
  }
  if (rc != SQLITE_ROW) {
    *failure = FailureOf(db, rc);
    sqlite3_finalize(s);
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_finalize(s);

  // Foreign keys are checked only once the schema is current: a step that
  // rebuilds a table must not see its rows' references vanish with it.
  Exec(db, "PRAGMA foreign_keys = OFF");
  if (!Migrate(db, failure)) {
    sqlite3_close(db);
    return nullptr;
  }
  Exec(db, "PRAGMA foreign_keys = ON");
  auto* h = new HistoryDb;
  h->db = db;
  if (!PrepareRecordStatements(h)) {
    *failure = FailureOf(db, sqlite3_errcode(db));
    CloseHistory(h);
    return nullptr;
  }
  return h;
}

std::string SetAsideName(const std::filesystem::path& path) {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "-broken-%04d%02d%02d-%02d%02d%02d", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  std::filesystem::path aside = path;
  aside.replace_filename(path.stem().u8string() + reinterpret_cast<const char8_t*>(stamp) +
                         path.extension().u8string());
  // Two failures within the same second must not overwrite the first.
  std::error_code ec;
  for (int n = 2; std::filesystem::exists(aside, ec); ++n)
    aside.replace_filename(path.stem().u8string() + reinterpret_cast<const char8_t*>(stamp) +
                           u8"-" + std::filesystem::path(std::to_string(n)).u8string() +
                           path.extension().u8string());
  return reinterpret_cast<const char*>(aside.u8string().c_str());
}

}  // namespace

bool IsDamage(int code) {
  code &= 0xff;
  return code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_FORMAT;
}

bool LastErrorIsDamage(HistoryDb* h, std::string* message) {
  if (!h || !IsDamage(h->failure)) return false;
  if (message) *message = h->failureMessage;
  return true;
}

bool Exec(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

int64_t NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

namespace {

// Another instance opening the same new file holds it alone while it puts it
// in WAL mode, and SQLite then answers "locked" at once, not through the
// busy timeout. Such a failure is tried again for as long as that timeout.
HistoryDb* TryOpenWhileBusy(const std::string& path, Failure* failure) {
  constexpr auto kStep = std::chrono::milliseconds(50);
  HistoryDb* db = TryOpen(path, failure);
  for (auto waited = std::chrono::milliseconds(0);
       db == nullptr && failure->busy && waited < std::chrono::milliseconds(kBusyTimeoutMs); waited += kStep) {
    std::this_thread::sleep_for(kStep);
    *failure = Failure{};
    db = TryOpen(path, failure);
  }
  return db;
}

}  // namespace

OpenResult OpenHistory(const std::string& path) {
  OpenResult result;
  Failure failure;
  result.db = TryOpenWhileBusy(path, &failure);
  if (result.db) {
    result.state = OpenState::Opened;
    return result;
  }
  result.error = failure.error;
  if (!failure.damaged) return result;
  return ReplaceHistory(path, failure.error);
}

OpenResult ReplaceHistory(const std::string& path, const std::string& error) {
  OpenResult result;
  result.error = error;
  // The file is beyond use: keep it for the admin (and whoever may rescue
  // it), and begin again. Its journal files belong to it and go with it.
  const std::filesystem::path file(reinterpret_cast<const char8_t*>(path.c_str()));
  const std::string aside = SetAsideName(file);
  const std::filesystem::path asidePath(reinterpret_cast<const char8_t*>(aside.c_str()));
  std::error_code ec;
  std::filesystem::rename(file, asidePath, ec);
  if (ec) {
    result.error += "; it could not be set aside: " + ec.message();
    return result;
  }
  for (const char* suffix : {"-wal", "-shm"}) {
    std::filesystem::path from = file, to = asidePath;
    from += suffix;
    to += suffix;
    std::error_code ignored;
    if (std::filesystem::exists(from, ignored)) std::filesystem::rename(from, to, ignored);
  }
  Failure again;
  result.db = TryOpenWhileBusy(path, &again);
  if (!result.db) {
    result.error = again.error;
    return result;
  }
  result.state = OpenState::Replaced;
  result.setAsidePath = aside;
  return result;
}

void CloseHistory(HistoryDb* h) {
  if (!h) return;
  sqlite3* db = h->db;
  delete h;  // finalizes the statements before the connection closes
  sqlite3_close(db);
}

int SchemaVersion(HistoryDb* h) { return h ? UserVersion(h->db) : -1; }

}  // namespace history
