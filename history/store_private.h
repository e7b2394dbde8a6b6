// The store's record and the small SQLite helpers its files share.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "history/history.h"

namespace history {

// A prepared statement, finalized with its owner.
class Statement {
 public:
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(stmt_); }

  bool Prepare(sqlite3* db, const char* sql) {
    return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) == SQLITE_OK;
  }
  sqlite3_stmt* get() const { return stmt_; }
  // Clears the previous run's state and bindings.
  sqlite3_stmt* Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    return stmt_;
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

inline void BindText(sqlite3_stmt* s, int i, std::string_view text) {
  sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}
inline std::string ColumnText(sqlite3_stmt* s, int i) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
  return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(s, i))) : std::string();
}

// A player listed before his GUID was known, remembered by server and number.
struct PendingPlayer {
  std::string name;
  std::string address;
  int64_t firstListed = 0;
};

struct HistoryDb {
  sqlite3* db = nullptr;
  // Statements prepared once per connection, used by every list.
  Statement begin, commit, rollback;
  Statement findPlayer, insertPlayer, updatePlayer, upsertName, upsertAddress, upsertServer, upsertPlayerServer;
  Statement findServer;
  std::map<std::pair<std::string, int32_t>, PendingPlayer> pending;
  // The first failure of the latest write: SQLite's extended code and its
  // message (SQLITE_OK when it succeeded).
  int failure = SQLITE_OK;
  std::string failureMessage;
};

// The most players remembered while their GUIDs are unknown; a server that
// never verifies GUIDs must not make this grow for ever.
constexpr size_t kMaxPendingPlayers = 4096;

bool Exec(sqlite3* db, const char* sql);
// Whether an SQLite result code says the file itself is damaged.
bool IsDamage(int code);
// Whether the latest write failed because the file is damaged; SQLite's
// message.
bool LastErrorIsDamage(HistoryDb* h, std::string* message);
// Sets the damaged file at `path` aside (named as OpenHistory does) and
// starts a new one; `error` says what was found. Replaced, or Failed when
// the file cannot be moved or the new one not made.
OpenResult ReplaceHistory(const std::string& path, const std::string& error);
bool PrepareRecordStatements(HistoryDb* h);

// The condition that finds the player of the GUID in SQL parameter `param`
// (a string literal such as "?1") through the index of GUID prefixes
// (player_guid in store.cpp). The + keeps SQLite from folding the GUID's
// value into the prefix expression, which would then no longer match the
// index, and every look-up would read the whole table.
#define HISTORY_PLAYER_BY_GUID(param) "substr(guid, 1, 8) = substr(" param ", 1, 8) AND +guid = " param

}  // namespace history
