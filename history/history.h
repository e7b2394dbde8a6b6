// Quorvel's player history: who was on the admin's servers, under which
// names and addresses, when, the admin's notes, and the kicks and bans sent
// from Quorvel. Kept in an SQLite database (history.db in the settings
// folder), in WAL mode so that searches read while lists are written and two
// Quorvel instances can share the file.
//
// Two ways in:
//  - the store (OpenHistory and the procedures taking a HistoryDb*), which
//    works synchronously on one connection; one thread per connection;
//  - the writer (StartHistory and the procedures taking a HistoryWriter*),
//    which owns a store on a thread of its own. The window thread only queues
//    work and picks up search results, so it never waits for the disk.
//
// Everything here is plain C++ and SQLite; the program feeds it plain records
// (below), not the protocol client's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace history {

// ---- What the program feeds in --------------------------------------------

// Seconds since 1970-01-01 00:00 UTC. Every time in the history is in this
// scale; the view converts to local time for display.
int64_t NowSeconds();

// One line of a player list. Text is UTF-8.
struct SeenPlayer {
  int32_t number = 0;   // the server's player number
  std::string name;
  std::string guid;     // as the server wrote it: a "(OK)" or "(?)" after the
                        // 32 hex digits is allowed; anything else ("-", "")
                        // means the GUID is not known yet
  std::string address;  // "a.b.c.d" or "a.b.c.d:port"; the port is dropped
};

// One player list of one server, as received at `time`.
struct SeenList {
  std::string server;   // "host:port", as the admin's favourite names it
  int64_t time = 0;
  std::vector<SeenPlayer> players;
};

// A player's GUID became known (the server's GUID message) or he joined.
struct GuidEvent {
  std::string server;
  int64_t time = 0;
  int32_t number = 0;
  std::string name;
  std::string guid;     // same forms as SeenPlayer::guid
  std::string address;  // may be empty: then the address seen with the number
                        // in an earlier list is used
};

enum class ActionKind { Kick, Ban, RemoveBan };

// A kick, ban or ban removal sent from Quorvel.
struct AdminAction {
  std::string server;
  int64_t time = 0;
  ActionKind kind = ActionKind::Kick;
  std::string target;   // the GUID or address it aimed at (for a kick, the
                        // player's GUID when known, else his name)
  std::string reason;
  int32_t minutes = 0;  // bans: 0 = permanent
};

// ---- What comes out -------------------------------------------------------

// One line of the search results.
struct Match {
  std::string guid;
  std::string lastName;
  std::vector<std::string> otherNames;  // the most recently used first
  std::string lastAddress;
  int64_t firstSeen = 0;
  int64_t lastSeen = 0;
  int32_t timesSeen = 0;
  std::string note;
  bool bannedByQuorvel = false;  // the latest ban or ban removal sent from
                                 // Quorvel for his GUID or an address of his
                                 // was a ban
};

struct NameUse {
  std::string name;
  int64_t firstSeen = 0, lastSeen = 0;
  int32_t timesSeen = 0;
};
struct AddressUse {
  std::string address;
  int64_t firstSeen = 0, lastSeen = 0;
};
struct ServerUse {
  std::string server;
  int64_t firstSeen = 0, lastSeen = 0;
};
struct ActionRecord {
  int64_t time = 0;
  std::string server;
  ActionKind kind = ActionKind::Kick;
  std::string target;
  std::string reason;
  int32_t minutes = 0;
};

// Everything known of one GUID; lists ordered by last seen, latest first.
struct PlayerDetails {
  std::string guid;
  std::string note;
  int64_t firstSeen = 0, lastSeen = 0;
  int32_t timesSeen = 0;
  std::vector<NameUse> names;
  std::vector<AddressUse> addresses;
  std::vector<ServerUse> servers;
  std::vector<ActionRecord> actions;  // aimed at him, latest first
};

// A sighting more than this long after the previous one starts a new visit:
// "times seen" counts visits, not list refreshes.
constexpr int64_t kVisitGapSeconds = 20 * 60;

// The most matches a search returns (the latest seen first).
constexpr size_t kSearchLimit = 500;

// The schema version this build writes (PRAGMA user_version).
constexpr int kSchemaVersion = 3;

// The 32 lowercase hex digits of a GUID in any of the accepted forms, or an
// empty string when it holds none.
std::string NormalizeGuid(std::string_view guid);

// ---- The store ------------------------------------------------------------

struct HistoryDb;

enum class OpenState {
  Opened,    // the file was there and sound, or was created
  Replaced,  // the file was unreadable or damaged: set aside, a new one made
  Failed,    // no history at all (`error` says why)
};

struct OpenResult {
  HistoryDb* db = nullptr;  // null when Failed
  OpenState state = OpenState::Failed;
  std::string setAsidePath;  // Replaced: where the old file went
  std::string error;         // Replaced and Failed: SQLite's reason
};

// Opens or creates the database at `path` (UTF-8), checks it, and brings its
// schema to kSchemaVersion. A file that is not a database or fails the check
// is renamed to "<name>-broken-YYYYMMDD-HHMMSS<ext>" and a new one started.
// A file another instance holds locked beyond the busy timeout, or one made
// by a newer Quorvel, is left alone and the result is Failed.
OpenResult OpenHistory(const std::string& path);
void CloseHistory(HistoryDb* db);

// Each writes one transaction; false when the database refused it (the
// transaction is then rolled back whole). A player whose GUID is not known
// yet is remembered by server and number and recorded, from the time he was
// first listed, once a later list or a GuidEvent gives his GUID.
bool RecordList(HistoryDb* db, const SeenList& list);
bool RecordGuid(HistoryDb* db, const GuidEvent& event);
bool RecordAction(HistoryDb* db, const AdminAction& action);
// Sets the admin's note of a GUID, creating its record when it has none yet.
bool SetNote(HistoryDb* db, std::string_view guid, std::string_view note);

// Players whose any name, GUID or address contains `text`, case-insensitively
// (FoldCase); the latest seen first, at most `limit`. Empty text lists the
// latest seen players.
std::vector<Match> Search(HistoryDb* db, std::string_view text, size_t limit = kSearchLimit);
bool LoadPlayer(HistoryDb* db, std::string_view guid, PlayerDetails* out);

// The schema version of the open file; -1 on error.
int SchemaVersion(HistoryDb* db);

// ---- The writer thread ----------------------------------------------------

struct HistoryWriter;

enum class HistoryState { Starting, On, Off };

// The program's texts for the one report of a history that was set aside or
// is off. "%s" stands for the path of the set-aside file or the reason.
constexpr const char* kHistoryReplacedText =
    "The player history could not be read; it was set aside as %s and a new one was started.";
constexpr const char* kHistoryOffText = "The player history is off: %s";

// The most work items waiting for the disk; beyond it new items are dropped
// (counted in DroppedCount) rather than holding the window up.
constexpr size_t kWriterQueueCapacity = 256;

// Starts the thread, which opens the database at `path`. `wake` is called on
// the writer thread whenever a search result or a notice is ready (the window
// posts itself a message there); it may be empty.
HistoryWriter* StartHistory(const std::string& path, std::function<void()> wake);
// Writes what is queued, closes the database and ends the thread.
void StopHistory(HistoryWriter* writer);

// Queue work; false when the history is off or the queue is full.
bool QueueList(HistoryWriter* writer, SeenList list);
bool QueueGuid(HistoryWriter* writer, GuidEvent event);
bool QueueAction(HistoryWriter* writer, AdminAction action);
bool QueueNote(HistoryWriter* writer, std::string guid, std::string note);

// Asks for a search; a search asked for earlier and not started yet is
// replaced (the admin is still typing). The search sees everything queued
// before it (a note just saved), and goes ahead of what is queued after.
void QueueSearch(HistoryWriter* writer, std::string text);

struct SearchResult {
  std::string text;  // the search text the matches answer
  std::vector<Match> matches;
};
// The latest finished search, once; false when none is waiting.
bool TakeSearchResult(HistoryWriter* writer, SearchResult* out);

HistoryState GetHistoryState(HistoryWriter* writer);
// The report of a set-aside or failed database, formatted from the texts
// above; given once, then false.
bool TakeHistoryNotice(HistoryWriter* writer, std::string* text);
// Items dropped because the queue was full or a write failed.
uint64_t DroppedCount(HistoryWriter* writer);
// Blocks until everything queued so far is written (tests and shutdown).
void FlushHistory(HistoryWriter* writer);

}  // namespace history
