// Bringing the players view up to date: a full server's list (256 players)
// applied to a view that already shows it with one player changed, beside
// the same list applied to an empty view. Both report the rows repainted
// (inserted or rewritten) per apply: a refresh of a steady server must
// rewrite the one row that changed, not all of them.
//
// The shell is the tests' fake with its recording switched off: it only
// counts the rows it was asked to add or rewrite.
#include "net/player_rows.h"
#include "net/players.h"
#include "tests/net/fake_shell.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int kPlayers = 256;

std::vector<PlayerRecord> FullServer() {
  std::vector<PlayerRecord> list;
  for (int i = 0; i < kPlayers; ++i) {
    list.push_back({"Player " + std::to_string(i), "10.0." + std::to_string(i / 200) + "." + std::to_string(i % 200),
                    2304, 20 + i % 180, std::to_string(1000000 + i) + "0123456789abcdef0123456(OK)", i});
  }
  return list;
}

std::vector<StatusPlayer> FullStatus() {
  std::vector<StatusPlayer> status;
  for (int i = 0; i < 255; ++i) status.push_back({"Player " + std::to_string(i), "1", std::to_string(i), "0"});
  return status;
}

int Repainted() { return Fake.playerRowsAdded + Fake.playerRowsUpdated; }

void BM_PlayerRows_IntoEmptyView(benchmark::State& state) {
  Fake.Reset();
  PlayerList = FullServer();
  Fake.recording = false;
  int repainted = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ForgetPlayerRows();
    StatusPlayers = FullStatus();
    Fake.playerRowsAdded = Fake.playerRowsUpdated = 0;
    state.ResumeTiming();
    ShowPlayerRows();
    repainted = Repainted();
  }
  state.counters["rows_repainted"] = repainted;
  if (repainted != kPlayers) state.SkipWithError("not every row was added");
  Fake.Reset();
}
BENCHMARK(BM_PlayerRows_IntoEmptyView);

void BM_PlayerRows_OneChangedInAFullView(benchmark::State& state) {
  Fake.Reset();
  PlayerList = FullServer();
  StatusPlayers = FullStatus();
  Fake.recording = false;
  ShowPlayerRows();
  int repainted = 0;
  int ping = 0;
  for (auto _ : state) {
    Fake.playerRowsAdded = Fake.playerRowsUpdated = 0;
    PlayerList[100].ping = ++ping % 2;  // one player's ping moves, every refresh
    ShowPlayerRows();
    repainted = Repainted();
  }
  state.counters["rows_repainted"] = repainted;
  if (repainted != 1) state.SkipWithError("more than the changed row was repainted");
  Fake.Reset();
  PlayerList.clear();
}
BENCHMARK(BM_PlayerRows_OneChangedInAFullView);

}  // namespace
