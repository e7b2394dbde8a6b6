// The player history against real database files in a temporary folder.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "history/fold.h"
#include "history/history.h"

namespace fs = std::filesystem;
using namespace history;

namespace {

const std::string kGuidA = "0123456789abcdef0123456789abcdef";
const std::string kGuidB = "fedcba9876543210fedcba9876543210";
const std::string kGuidC = "00112233445566778899aabbccddeeff";
constexpr int64_t kT0 = 1'700'000'000;

class HistoryTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           (std::string("quorvel-history-") + info->test_suite_name() + "-" + info->name() + "-" +
            std::to_string(std::random_device{}()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "history.db").string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  HistoryDb* Open() {
    OpenResult r = OpenHistory(path_);
    EXPECT_EQ(r.state, OpenState::Opened) << r.error;
    return r.db;
  }
  // Runs SQL on a connection of the test's own, as another program would.
  void Sql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
  }
  std::vector<std::string> Guids(HistoryDb* db, const std::string& text) {
    std::vector<std::string> guids;
    for (const Match& m : Search(db, text)) guids.push_back(m.guid);
    return guids;
  }

  fs::path dir_;
  std::string path_;
};

SeenList List(const std::string& server, int64_t time, std::vector<SeenPlayer> players) {
  return {server, time, std::move(players)};
}

TEST_F(HistoryTest, GuidUnderTwoNamesAndAddressesOnTwoServersIsOneRecord) {
  HistoryDb* db = Open();
  ASSERT_NE(db, nullptr);
  // The server writes the GUID in capitals with its verification mark; the
  // port changes with every connection and is not part of the address.
  ASSERT_TRUE(RecordList(db, List("a.example:2302", kT0,
                                  {{0, "Alpha", "0123456789ABCDEF0123456789ABCDEF(OK)",
                                    "10.0.0.1:2304"}})));
  // Refreshes within the visit do not count as visits.
  ASSERT_TRUE(RecordList(db, List("a.example:2302", kT0 + 60,
                                  {{0, "Alpha", kGuidA + "(OK)", "10.0.0.1:2310"}})));
  ASSERT_TRUE(RecordList(db, List("b.example:2402", kT0 + 3600,
                                  {{3, "Beta", kGuidA + "(OK)", "192.168.7.9:2304"},
                                   {4, "Other", kGuidB + "(OK)", "10.9.9.9:2304"}})));
  PlayerDetails d;
  ASSERT_TRUE(LoadPlayer(db, kGuidA, &d));
  EXPECT_EQ(d.firstSeen, kT0);
  EXPECT_EQ(d.lastSeen, kT0 + 3600);
  EXPECT_EQ(d.timesSeen, 2);
  ASSERT_EQ(d.names.size(), 2u);
  EXPECT_EQ(d.names[0].name, "Beta");
  EXPECT_EQ(d.names[1].name, "Alpha");
  EXPECT_EQ(d.names[1].firstSeen, kT0);
  EXPECT_EQ(d.names[1].lastSeen, kT0 + 60);
  EXPECT_EQ(d.names[1].timesSeen, 1);
  ASSERT_EQ(d.addresses.size(), 2u);
  EXPECT_EQ(d.addresses[0].address, "192.168.7.9");
  EXPECT_EQ(d.addresses[1].address, "10.0.0.1");
  ASSERT_EQ(d.servers.size(), 2u);
  EXPECT_EQ(d.servers[0].server, "b.example:2402");
  EXPECT_EQ(d.servers[1].server, "a.example:2302");

  const std::vector<Match> all = Search(db, "");
  ASSERT_EQ(all.size(), 2u);
  const Match& m = all[0].guid == kGuidA ? all[0] : all[1];
  EXPECT_EQ(m.lastName, "Beta");
  EXPECT_EQ(m.otherNames, std::vector<std::string>{"Alpha"});
  EXPECT_EQ(m.lastAddress, "192.168.7.9");
  EXPECT_EQ(m.timesSeen, 2);
  CloseHistory(db);
}

// A player is listed before the server has verified his GUID; he is recorded
// from that first listing once a later list or the GUID message names it,
// but never under a GUID that came with another player in his slot.
TEST_F(HistoryTest, PlayerWithoutGuidIsRecordedOnceItIsKnown) {
  HistoryDb* db = Open();
  ASSERT_NE(db, nullptr);
  const std::string s = "s:2302";
  ASSERT_TRUE(RecordList(db, List(s, kT0, {{1, "Late", "-", "10.1.1.1:1"},
                                           {2, "Eventful", "", "10.2.2.2:1"},
                                           {3, "Leaver", "-", "10.3.3.3:1"}})));
  ASSERT_TRUE(RecordList(db, List(s, kT0 + 30, {{1, "Late", kGuidA + "(OK)", "10.1.1.1:1"},
                                                {2, "Eventful", "-", "10.2.2.2:1"},
                                                {3, "Newcomer", "-", "10.4.4.4:1"}})));
  ASSERT_TRUE(RecordGuid(db, {s, kT0 + 40, 2, "Eventful", kGuidB, ""}));
  ASSERT_TRUE(RecordList(db, List(s, kT0 + 50, {{3, "Newcomer", kGuidC, "10.4.4.4:1"}})));

  PlayerDetails d;
  ASSERT_TRUE(LoadPlayer(db, kGuidA, &d));
  EXPECT_EQ(d.firstSeen, kT0);
  ASSERT_TRUE(LoadPlayer(db, kGuidB, &d));
  EXPECT_EQ(d.firstSeen, kT0);
  ASSERT_EQ(d.addresses.size(), 1u);
  EXPECT_EQ(d.addresses[0].address, "10.2.2.2");
  ASSERT_TRUE(LoadPlayer(db, kGuidC, &d));
  EXPECT_EQ(d.firstSeen, kT0 + 30);
  ASSERT_EQ(d.names.size(), 1u);
  EXPECT_EQ(d.names[0].name, "Newcomer");
  EXPECT_TRUE(Guids(db, "leaver").empty());
  CloseHistory(db);
}

TEST_F(HistoryTest, NoteIsKeptAcrossReopen) {
  HistoryDb* db = Open();
  ASSERT_NE(db, nullptr);
  ASSERT_TRUE(RecordList(db, List("s:1", kT0, {{0, "Noted", kGuidA, "1.2.3.4"}})));
  ASSERT_TRUE(SetNote(db, kGuidA, "Teamkills at base; warned twice — «заметка»"));
  // A later sighting must not wipe the note.
  ASSERT_TRUE(RecordList(db, List("s:1", kT0 + 7200, {{0, "Noted", kGuidA, "1.2.3.4"}})));
  CloseHistory(db);

  db = Open();
  ASSERT_NE(db, nullptr);
  const std::vector<Match> m = Search(db, "noted");
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].note, "Teamkills at base; warned twice — «заметка»");
  EXPECT_EQ(m[0].timesSeen, 2);
  CloseHistory(db);
}

// The files earlier releases wrote, each with the same player: named Иван,
// then Ivan, at two addresses.
TEST_F(HistoryTest, OlderFilesAreMigrated) {
  const std::string tables1 = R"sql(
    CREATE TABLE player(id INTEGER PRIMARY KEY, guid TEXT NOT NULL UNIQUE,
      first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL, times_seen INTEGER NOT NULL DEFAULT 1);
    CREATE TABLE player_name(player_id INTEGER NOT NULL REFERENCES player(id), name TEXT NOT NULL,
      first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL, times_seen INTEGER NOT NULL DEFAULT 1,
      PRIMARY KEY(player_id, name)) WITHOUT ROWID;
    CREATE TABLE player_address(player_id INTEGER NOT NULL REFERENCES player(id),
      address TEXT NOT NULL, first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,
      PRIMARY KEY(player_id, address)) WITHOUT ROWID;)sql";
  const std::string v1 = tables1 + R"sql(
    INSERT INTO player VALUES(1, '0123456789abcdef0123456789abcdef', 100, 500, 3);
    INSERT INTO player_name VALUES(1, 'Иван', 100, 200, 1), (1, 'Ivan', 300, 500, 2);
    INSERT INTO player_address VALUES(1, '10.0.0.1', 100, 200), (1, '10.0.0.2', 300, 500);
    PRAGMA user_version = 1;)sql";
  // The second added columns, wrote the search text through triggers, had an
  // index by address, a note and a ban sent from Quorvel.
  const std::string v2 = tables1 + R"sql(
    ALTER TABLE player ADD COLUMN last_name TEXT NOT NULL DEFAULT '';
    ALTER TABLE player ADD COLUMN last_address TEXT NOT NULL DEFAULT '';
    ALTER TABLE player ADD COLUMN note TEXT NOT NULL DEFAULT '';
    ALTER TABLE player ADD COLUMN search TEXT NOT NULL DEFAULT '';
    ALTER TABLE player_name ADD COLUMN folded TEXT NOT NULL DEFAULT '';
    CREATE TRIGGER player_name_search AFTER INSERT ON player_name BEGIN
      UPDATE player SET search = search || NEW.folded || char(10)
      WHERE id = NEW.player_id AND instr(search, char(10) || NEW.folded || char(10)) = 0;
    END;
    CREATE TRIGGER player_address_search AFTER INSERT ON player_address BEGIN
      UPDATE player SET search = search || NEW.address || char(10)
      WHERE id = NEW.player_id AND instr(search, char(10) || NEW.address || char(10)) = 0;
    END;
    CREATE TABLE server(id INTEGER PRIMARY KEY, endpoint TEXT NOT NULL UNIQUE);
    CREATE TABLE player_server(player_id INTEGER NOT NULL REFERENCES player(id),
      server_id INTEGER NOT NULL REFERENCES server(id), first_seen INTEGER NOT NULL,
      last_seen INTEGER NOT NULL, PRIMARY KEY(player_id, server_id)) WITHOUT ROWID;
    CREATE TABLE admin_action(id INTEGER PRIMARY KEY, time INTEGER NOT NULL, server TEXT NOT NULL,
      kind TEXT NOT NULL CHECK(kind IN ('kick', 'ban', 'removeBan')), target TEXT NOT NULL,
      player_id INTEGER REFERENCES player(id), reason TEXT NOT NULL DEFAULT '',
      minutes INTEGER NOT NULL DEFAULT 0);
    CREATE INDEX admin_action_player ON admin_action(player_id, time);
    CREATE INDEX admin_action_target ON admin_action(target, time);
    CREATE INDEX player_address_address ON player_address(address);
    CREATE INDEX player_recent ON player(last_seen, search);
    INSERT INTO player VALUES(1, '0123456789abcdef0123456789abcdef', 100, 500, 3, 'Ivan',
      '10.0.0.2', 'kept', '0123456789abcdef0123456789abcdef' || char(10));
    INSERT INTO player_name VALUES(1, 'Иван', 100, 200, 1, 'иван'), (1, 'Ivan', 300, 500, 2, 'ivan');
    INSERT INTO player_address VALUES(1, '10.0.0.1', 100, 200), (1, '10.0.0.2', 300, 500);
    INSERT INTO server VALUES(1, 's:1');
    INSERT INTO player_server VALUES(1, 1, 100, 500);
    INSERT INTO admin_action VALUES(1, 600, 's:1', 'ban', '0123456789abcdef0123456789abcdef', 1,
      'cheating', 0);
    PRAGMA user_version = 2;)sql";
  struct Case {
    int version;
    const std::string& sql;
    const char* note;
    bool banned;
  };
  const Case cases[] = {{1, v1, "", false}, {2, v2, "kept", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE("version " + std::to_string(c.version));
    fs::remove(path_);
    Sql(c.sql);
    HistoryDb* db = Open();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(SchemaVersion(db), kSchemaVersion);
    std::vector<Match> m = Search(db, "ива");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].lastName, "Ivan");
    EXPECT_EQ(m[0].otherNames, std::vector<std::string>{"Иван"});
    EXPECT_EQ(m[0].lastAddress, "10.0.0.2");
    EXPECT_EQ(m[0].timesSeen, 3);
    EXPECT_EQ(m[0].note, c.note);
    EXPECT_EQ(m[0].bannedByQuorvel, c.banned);

    // The migrated player is found by his GUID again: a new visit under a
    // new name and address joins his record, which keeps its note.
    ASSERT_TRUE(RecordList(db, List("s:1", 10000, {{0, "Вася", kGuidA, "10.0.0.3"}})));
    ASSERT_TRUE(SetNote(db, kGuidA, std::string(c.note) + "+"));
    EXPECT_EQ(Search(db, "").size(), 1u);
    for (const char* part : {"иван", "вас", "10.0.0.1", "10.0.0.3", "01234567"}) {
      SCOPED_TRACE(part);
      EXPECT_EQ(Guids(db, part), std::vector<std::string>{kGuidA});
    }
    PlayerDetails d;
    ASSERT_TRUE(LoadPlayer(db, kGuidA, &d));
    EXPECT_EQ(d.firstSeen, 100);
    EXPECT_EQ(d.timesSeen, 4);
    EXPECT_EQ(d.names.size(), 3u);
    EXPECT_EQ(d.note, std::string(c.note) + "+");
    EXPECT_EQ(d.servers.size(), 1u);
    CloseHistory(db);
    fs::remove(path_ + "-wal");
    fs::remove(path_ + "-shm");
  }
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 300 players, enough for a file of many pages; `tag` starts their GUIDs.
SeenList ManyPlayers(int tag, int64_t time) {
  SeenList list{"s:1", time, {}};
  for (int i = 0; i < 300; ++i) {
    char guid[33];
    std::snprintf(guid, sizeof guid, "%02x%030x", tag, i);
    list.players.push_back({i, "Player number " + std::to_string(i), guid, "10.0.0.1"});
  }
  return list;
}

// Every page after the first loses its header, as a torn write would.
void DamagePages(const std::string& path) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  const auto size = static_cast<std::streamoff>(fs::file_size(path));
  ASSERT_GT(size, 8 * 4096);
  for (std::streamoff at = 4096; at < size; at += 4096) file.seekp(at).write("ZZZZZZZZZZZZZZZZ", 16);
}

SearchResult AwaitSearch(HistoryWriter* w, const std::string& text) {
  QueueSearch(w, text);
  SearchResult r;
  for (int i = 0; i < 1000 && !TakeSearchResult(w, &r); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return r;
}

// Files that cannot serve are set aside (their bytes kept) and a new history
// begins; a file of a newer Quorvel is never touched.
TEST_F(HistoryTest, UnusableFileIsSetAsideAndANewOneStarted) {
  struct Case {
    const char* what;
    bool damageSound;  // damage a sound database rather than write garbage
    std::string bytes;
  };
  const Case cases[] = {
      {"not a database", false, "This is not an SQLite file, just a note.\n"},
      {"truncated header", false, std::string("SQLite format 3\0\x10\0", 18)},
      {"damaged pages", true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    if (c.damageSound) {
      HistoryDb* db = Open();
      ASSERT_NE(db, nullptr);
      ASSERT_TRUE(RecordList(db, ManyPlayers(0, kT0)));
      CloseHistory(db);  // checkpoints the WAL into the file
      DamagePages(path_);
    } else {
      std::ofstream(path_, std::ios::binary) << c.bytes;
    }
    const std::string before = ReadFile(path_);

    OpenResult r = OpenHistory(path_);
    ASSERT_EQ(r.state, OpenState::Replaced) << r.error;
    ASSERT_NE(r.db, nullptr);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(ReadFile(fs::u8path(r.setAsidePath)), before);
    EXPECT_NE(fs::u8path(r.setAsidePath).filename().string().find("history-broken-"),
              std::string::npos);
    EXPECT_EQ(SchemaVersion(r.db), kSchemaVersion);
    EXPECT_TRUE(RecordList(r.db, List("s:1", kT0, {{0, "Fresh", kGuidA, "1.1.1.1"}})));
    EXPECT_EQ(Guids(r.db, "fresh"), std::vector<std::string>{kGuidA});
    CloseHistory(r.db);
  }

  // Through the writer, the admin is told once; a newer file is left alone.
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  std::ofstream(path_, std::ios::binary) << "garbage";
  HistoryWriter* w = StartHistory(path_, nullptr);
  FlushHistory(w);
  std::string notice;
  EXPECT_EQ(GetHistoryState(w), HistoryState::On);
  ASSERT_TRUE(TakeHistoryNotice(w, &notice));
  EXPECT_NE(notice.find("history-broken-"), std::string::npos) << notice;
  EXPECT_FALSE(TakeHistoryNotice(w, &notice));
  StopHistory(w);

  fs::remove_all(dir_);
  fs::create_directories(dir_);
  Sql("CREATE TABLE future(x); PRAGMA user_version = 99;");
  const std::string future = ReadFile(path_);
  w = StartHistory(path_, nullptr);
  FlushHistory(w);
  EXPECT_EQ(GetHistoryState(w), HistoryState::Off);
  ASSERT_TRUE(TakeHistoryNotice(w, &notice));
  EXPECT_NE(notice.find("newer version"), std::string::npos) << notice;
  EXPECT_FALSE(QueueList(w, List("s:1", kT0, {})));
  StopHistory(w);
  EXPECT_EQ(ReadFile(path_), future);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// The file is damaged while Quorvel has it open (a disk fault, another
// program writing into it): the write that finds it sets it aside and starts
// a new file, which takes that list and the ones after it. Damage that keeps
// coming back turns the history off instead of filling the folder.
TEST_F(HistoryTest, DamageFoundWhileWritingStartsANewFile) {
  HistoryWriter* w = StartHistory(path_, nullptr);
  std::string notice;
  for (int round = 1; round <= 4; ++round) {
    SCOPED_TRACE("damage number " + std::to_string(round));
    const int64_t t = kT0 + round * 100;
    ASSERT_TRUE(QueueList(w, ManyPlayers(round, t)));
    FlushHistory(w);
    // Everything into the file itself, then damage; another connection's
    // commit makes the writer read the file again rather than trust the
    // pages it holds.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr), SQLITE_OK);
    DamagePages(path_);
    EXPECT_EQ(sqlite3_exec(other, "PRAGMA user_version = 3", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);

    const std::string after = "After damage " + std::to_string(round);
    EXPECT_TRUE(QueueList(w, List("s:1", t + 30, {{0, after, kGuidA, "1.1.1.1"}})));
    EXPECT_TRUE(QueueList(w, List("s:1", t + 60, {{1, "Later", kGuidB, "1.1.1.2"}})));
    FlushHistory(w);
    ASSERT_TRUE(TakeHistoryNotice(w, &notice));
    EXPECT_FALSE(TakeHistoryNotice(w, &notice));
    const bool replaced = round < 4;
    EXPECT_NE(notice.find(replaced ? "history-broken-" : " off"), std::string::npos) << notice;
    EXPECT_EQ(GetHistoryState(w), replaced ? HistoryState::On : HistoryState::Off);
    if (!replaced) break;
    EXPECT_EQ(DroppedCount(w), 0u);
    const SearchResult r = AwaitSearch(w, "");
    ASSERT_EQ(r.matches.size(), 2u);
    EXPECT_EQ(r.matches[1].lastName, after);
  }
  StopHistory(w);
  int setAside = 0;
  for (const auto& entry : fs::directory_iterator(dir_))
    setAside += entry.path().extension() == ".db" && entry.path().filename().string().find("history-broken-") == 0;
  EXPECT_EQ(setAside, 3);
}

// Two Quorvel instances, each with its own writer thread and connection,
// record at once into one file.
TEST_F(HistoryTest, TwoWritersAtOnceLoseNothing) {
  constexpr int kLists = 60, kPlayers = 40;
  auto instance = [&](int which) {
    HistoryWriter* w = StartHistory(path_, nullptr);
    for (int l = 0; l < kLists; ++l) {
      SeenList list{which == 1 ? "one:2302" : "two:2302", kT0 + l * 10, {}};
      for (int p = 0; p < kPlayers; ++p) {
        char guid[33];
        std::snprintf(guid, sizeof guid, "%02x%06x%024x", which, l * kPlayers + p, 0);
        list.players.push_back({p, std::string(guid, 8), guid, "10.0.0.1"});
      }
      // Both also see the same player, so both write the same rows.
      list.players.push_back({99, "Shared", kGuidA, "10.0.0.2"});
      while (!QueueList(w, list)) std::this_thread::yield();  // the queue is bounded
    }
    FlushHistory(w);
    EXPECT_EQ(DroppedCount(w), 0u);
    StopHistory(w);
  };
  std::thread first(instance, 1), second(instance, 2);
  first.join();
  second.join();

  HistoryDb* db = Open();
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(Search(db, "", 100000).size(), 2u * kLists * kPlayers + 1);
  PlayerDetails d;
  ASSERT_TRUE(LoadPlayer(db, kGuidA, &d));
  EXPECT_EQ(d.servers.size(), 2u);
  CloseHistory(db);
}

TEST_F(HistoryTest, SearchFindsAnyPartCaseInsensitively) {
  HistoryDb* db = Open();
  ASSERT_NE(db, nullptr);
  ASSERT_TRUE(RecordList(db, List("s:1", kT0, {{0, "OldSniperName", kGuidA, "10.20.30.40"},
                                               {1, "Иван Грозный", kGuidB, "172.16.5.1"},
                                               {2, "Σίσυφος", kGuidC, "192.168.100.7"}})));
  ASSERT_TRUE(RecordList(db, List("s:1", kT0 + 3600, {{0, "NewName", kGuidA, "10.20.30.41"}})));
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> guids;
  };
  const Case cases[] = {
      {"part of a past name", "dsnip", {kGuidA}},
      {"part of the current name, other case", "WNAM", {kGuidA}},
      {"GUID prefix", "0123456", {kGuidA}},
      {"GUID prefix in capitals", "FEDCBA98", {kGuidB}},
      {"address prefix", "172.16.", {kGuidB}},
      {"an address added later", "30.41", {kGuidA}},
      {"Cyrillic by a lowercase part", "грозн", {kGuidB}},
      {"Cyrillic by a mixed-case part", "иВАН", {kGuidB}},
      {"Greek final sigma", "ΣΊΣΥΦΟΣ", {kGuidC}},
      {"LIKE wildcards are plain text", "%", {}},
      {"", "_", {}},
      {"nothing", "zzz", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what + std::string(": ") + c.text);
    EXPECT_EQ(Guids(db, c.text), c.guids);
  }
  CloseHistory(db);
}

// The search's mark follows the latest ban or removal sent for the GUID or
// for one of his addresses; a kick is not a ban.
TEST_F(HistoryTest, BannedMarkFollowsTheLatestBanOrRemoval) {
  HistoryDb* db = Open();
  ASSERT_NE(db, nullptr);
  ASSERT_TRUE(RecordList(db, List("s:1", kT0, {{0, "Target", kGuidA, "10.0.0.1"},
                                               {1, "ByAddress", kGuidB, "10.0.0.2"}})));
  struct Step {
    ActionKind kind;
    std::string target;
    bool bannedA, bannedB;
  };
  const Step steps[] = {
      {ActionKind::Kick, kGuidA, false, false},
      {ActionKind::Ban, kGuidA, true, false},
      {ActionKind::Ban, "10.0.0.2", true, true},
      {ActionKind::RemoveBan, kGuidA, false, true},
      {ActionKind::RemoveBan, "10.0.0.2", false, false},
  };
  int64_t t = kT0;
  for (const Step& s : steps) {
    ASSERT_TRUE(RecordAction(db, {"s:1", ++t, s.kind, s.target, "reason", 0}));
    for (const Match& m : Search(db, "")) {
      SCOPED_TRACE(m.guid + " after step at " + std::to_string(t));
      EXPECT_EQ(m.bannedByQuorvel, m.guid == kGuidA ? s.bannedA : s.bannedB);
    }
  }
  PlayerDetails d;
  ASSERT_TRUE(LoadPlayer(db, kGuidA, &d));
  ASSERT_EQ(d.actions.size(), 3u);
  EXPECT_EQ(d.actions[0].kind, ActionKind::RemoveBan);
  EXPECT_EQ(d.actions[2].kind, ActionKind::Kick);
  CloseHistory(db);
}

// The search the admin asks for right after saving a note shows that note.
TEST_F(HistoryTest, WriterSearchSeesWhatWasQueuedBeforeIt) {
  std::atomic<int> wakes{0};
  HistoryWriter* w = StartHistory(path_, [&] { ++wakes; });
  ASSERT_TRUE(QueueList(w, List("s:1", kT0, {{0, "Alpha", kGuidA, "1.1.1.1"}})));
  ASSERT_TRUE(QueueNote(w, kGuidA, "note"));
  SearchResult r = AwaitSearch(w, "alp");
  EXPECT_EQ(r.text, "alp");
  ASSERT_EQ(r.matches.size(), 1u);
  EXPECT_EQ(r.matches[0].note, "note");
  EXPECT_GE(wakes.load(), 1);
  EXPECT_FALSE(TakeSearchResult(w, &r));
  StopHistory(w);
}

TEST(FoldCase, FoldsTheScriptsNamesAreWrittenIn) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"AZaz09[@`{", "azaz09[@`{"},
      {"ÀÉÎÕÜÞ×ß", "àéîõüþ×ß"},  // × is not a letter; ß folds to itself
      {"ĀāĲŁŃŸŽſ", "āāĳłńÿžs"},
      {"ǄǅǆǍǏǞȘȚ", "ǆǆǆǎǐǟșț"},
      {"ΆΈΊΌΎΏΑΩΣς", "άέίόύώαωσσ"},
      {"ЀЁЉЏАЯЁЄҐҒӀӁӐԮ", "ѐёљџаяёєґғӏӂӑԯ"},
      {"ẞẠỸＡＺ", "ßạỹａｚ"},
      {"日本語 한국어", "日本語 한국어"},
      {"\xff\xc3", "\xef\xbf\xbd\xef\xbf\xbd"},  // invalid bytes
  };
  for (const Case& c : cases) EXPECT_EQ(FoldCase(c.in), c.out) << c.in;
}

}  // namespace
