// The player history: recording a full server's list (each list one
// transaction, as the writer thread does) and searching a large history by a
// three-letter part of a name, as the admin types. Both run against a real
// file in the temporary folder; the database's size is reported as counters.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "history/history.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kStart = 1'700'000'000;

struct TempHistory {
  fs::path dir;
  std::string path;
  explicit TempHistory(const char* name) {
    dir = fs::temp_directory_path() / (std::string("quorvel-bench-") + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "history.db").string();
  }
  ~TempHistory() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  double Bytes(const char* suffix = "") const {
    std::error_code ec;
    const auto size = fs::file_size(path + suffix, ec);
    return ec ? 0.0 : static_cast<double>(size);
  }
  void Report(benchmark::State& state) const {
    state.counters["db_bytes"] = Bytes();
    state.counters["wal_bytes"] = Bytes("-wal");
  }
};

std::string Guid(uint32_t n) {
  char guid[33];
  std::snprintf(guid, sizeof guid, "%08x%024x", n * 2654435761u, n);
  return guid;
}

// Names built from syllables, so a three-letter part matches a realistic
// share of players rather than all or none.
std::string Name(std::mt19937& rng) {
  static const char* const kSyllables[] = {"ka", "ro", "mi", "th", "ne", "sa", "vo", "li",
                                           "dr", "ag", "on", "ex", "ul", "ze", "pa", "qu",
                                           "fi", "gh", "bo", "ty", "wi", "ju", "ce", "ny"};
  std::uniform_int_distribution<int> pick(0, 23), length(3, 6);
  std::string name;
  for (int i = length(rng); i > 0; --i) name += kSyllables[pick(rng)];
  name[0] = static_cast<char>(name[0] - 32);
  return name;
}

std::string Address(std::mt19937& rng) {
  std::uniform_int_distribution<int> octet(1, 254);
  return std::to_string(octet(rng)) + "." + std::to_string(octet(rng)) + "." +
         std::to_string(octet(rng)) + "." + std::to_string(octet(rng)) + ":2304";
}

// A full server refreshing its list: the same 256 players, time moving on
// (updates), or each list 256 players never seen before (inserts).
void BM_HistoryRecordList(benchmark::State& state) {
  const bool newPlayers = state.range(0) != 0;
  TempHistory temp(newPlayers ? "record-new" : "record-same");
  history::OpenResult r = history::OpenHistory(temp.path);
  std::mt19937 rng(7);
  history::SeenList list{"203.0.113.5:2302", kStart, {}};
  for (int i = 0; i < 256; ++i) list.players.push_back({i, Name(rng), Guid(i), Address(rng)});
  uint32_t next = 256;
  for (auto _ : state) {
    list.time += 30;
    if (newPlayers)
      for (auto& p : list.players) p.guid = Guid(next++);
    if (!history::RecordList(r.db, list)) state.SkipWithError("RecordList failed");
  }
  temp.Report(state);
  history::CloseHistory(r.db);
}
BENCHMARK(BM_HistoryRecordList)->Arg(0)->Arg(1)->ArgName("new_players")->Unit(benchmark::kMillisecond);

// 100,000 players, a third of them under a second, earlier name, searched
// by a three-letter part of a name.
void BM_HistorySearch(benchmark::State& state) {
  TempHistory temp("search");
  history::OpenResult r = history::OpenHistory(temp.path);
  std::mt19937 rng(11);
  constexpr uint32_t kPlayers = 100'000;
  history::SeenList list{"203.0.113.5:2302", kStart, {}};
  for (uint32_t n = 0; n < kPlayers; ++n) {
    list.players.push_back({static_cast<int32_t>(n % 1000), Name(rng), Guid(n), Address(rng)});
    if (list.players.size() == 1000 || n + 1 == kPlayers) {
      history::RecordList(r.db, list);
      // A third come back later under another name and address.
      for (auto& p : list.players) {
        p.name = Name(rng);
        p.address = Address(rng);
      }
      list.players.resize(list.players.size() / 3);
      list.time += 86'400;
      history::RecordList(r.db, list);
      list.players.clear();
      list.time += 3'600;
    }
  }
  size_t matches = 0;
  const char* const kParts[] = {"kar", "ovo", "thn", "ize", "qua"};
  size_t i = 0;
  for (auto _ : state) {
    matches += history::Search(r.db, kParts[i++ % 5]).size();
  }
  state.counters["matches_per_search"] =
      benchmark::Counter(static_cast<double>(matches) / static_cast<double>(state.iterations()));
  temp.Report(state);
  history::CloseHistory(r.db);
}
BENCHMARK(BM_HistorySearch)->Unit(benchmark::kMillisecond);

}  // namespace
