// The reply parsers against the work no parser can avoid: decoding the same
// payload from UTF-8. Each parser runs beside its baseline on the same bytes,
// so the ratio between the two says what the parsing itself costs.
//
// The shell here is the tests' fake with its recording switched off, so the
// figures are the protocol client's own; the *_ShellOnly cases show what
// recording every row (as the tests do) would add.
#include "net/a2s.h"
#include "net/bans.h"
#include "net/player_rows.h"
#include "net/players.h"
#include "net/server_events.h"
#include "net/session.h"
#include "net/status.h"
#include "net/text.h"
#include "net/tick.h"
#include "tests/net/fake_shell.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kPlayers = 256;
constexpr int kStatusPlayers = 255;  // all its count byte can say
constexpr int kBans = 1000;
constexpr int kA2sPlayers = 255;  // the most an A2S_PLAYER count byte can say

std::string Guid(int i) {
  char text[40];
  std::snprintf(text, sizeof text, "%08x%08x%08x%08x", i * 2654435761u, i * 40503u, i + 17u, i * 97u);
  return text;
}

std::string PlayerName(int i) { return "Player " + std::to_string(i) + (i % 16 == 0 ? " M\xC3\xBCller" : ""); }

std::vector<uint8_t> PlayersReply() {
  std::string text =
      "Players on server:\n[#] [IP Address]:[Port] [Ping] [GUID] [Name]\n"
      "--------------------------------------------------\n";
  for (int i = 0; i < kPlayers; ++i) {
    text += std::to_string(i) + "   10.0." + std::to_string(i / 200) + "." + std::to_string(i % 200) +
            ":2304   " + std::to_string(20 + i % 180) + "   " + Guid(i) + "(OK)   " + PlayerName(i) + "\n";
  }
  text += "(" + std::to_string(kPlayers) + " players in total)";
  return {text.begin(), text.end()};
}

std::vector<uint8_t> StatusReply() {
  std::vector<uint8_t> bytes = {0x00, 0x04, 0x05, 0x06, 0x07};
  const auto add = [&](const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
  };
  const char* const keys[][2] = {{"hostname", "Quorvel Test Server"}, {"gamever", "2.18.151618"},
                                 {"mapname", "Altis"},               {"gametype", "Coop"},
                                 {"numplayers", "256"},              {"maxplayers", "256"},
                                 {"language", "1033"},               {"difficulty", "2"},
                                 {"mod", "@cba_a3;@ace"},            {"password", "0"},
                                 {"sv_battleye", "1"},               {"timelimit", "0"}};
  for (const auto& kv : keys) {
    add(kv[0]);
    add(kv[1]);
  }
  add("");  // the settings end, the player section begins: its count byte
  bytes.push_back(kStatusPlayers);
  for (const char* field : {"player_", "team_", "score_", "deaths_", ""}) add(field);
  for (int i = 0; i < kStatusPlayers; ++i) {
    add(PlayerName(i));
    add(std::to_string(i % 3));
    add(std::to_string(i * 7 % 100));
    add(std::to_string(i % 13));
  }
  return bytes;
}

std::vector<uint8_t> BansReply() {
  std::string text = "GUID Bans:\n[#] [GUID] [Minutes left] [Reason]\n---------------------------------------\n";
  for (int i = 0; i < kBans; ++i) {
    text += std::to_string(i) + " " + Guid(i) + " " + (i % 4 == 0 ? std::string("perm") : std::to_string(i * 37)) +
            " Cheating, banned by admin " + std::to_string(i % 7) + "\n";
  }
  text += "\nIP Bans:\n[#] [IP Address] [Minutes left] [Reason]\n----------------------------------------------\n";
  return {text.begin(), text.end()};
}

// ---- "players" -----------------------------------------------------------

void BM_Players_DecodeOnly(benchmark::State& state) {
  const auto reply = PlayersReply();
  for (auto _ : state) benchmark::DoNotOptimize(DecodePayloadText(reply.data(), reply.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_Players_DecodeOnly);

void BM_Players_DecodeAndParse(benchmark::State& state) {
  const auto reply = PlayersReply();
  RegisterInfoRowsForTests();
  Fake.recording = false;
  for (auto _ : state) ParsePlayerList(0, DecodePayloadText(reply.data(), reply.size()));
  Fake.recording = true;
  if (PlayerList.size() != kPlayers) state.SkipWithError("wrong player count");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_Players_DecodeAndParse);

// ---- status reply ------------------------------------------------------------

// Every string decoded on its own, as any reader of this reply must.
void BM_Status_DecodeOnly(benchmark::State& state) {
  const auto reply = StatusReply();
  for (auto _ : state) {
    size_t pos = 5;
    while (pos < reply.size()) {
      std::string text = DecodePayloadText(reply.data() + pos, reply.size() - pos);
      pos += text.size() + 1;  // ASCII and valid UTF-8 only here, so bytes == decoded length
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_Status_DecodeOnly);

void BM_Status_Parse(benchmark::State& state) {
  const auto players = PlayersReply();
  const auto reply = StatusReply();
  RegisterInfoRowsForTests();
  ParsePlayerList(0, DecodePayloadText(players.data(), players.size()));
  Fake.recording = false;
  for (auto _ : state) ParseStatusReply(reply.data(), reply.size());
  Fake.recording = true;
  if (StatusPlayers.size() != kStatusPlayers) state.SkipWithError("wrong player count");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_Status_Parse);

// What the recording fake alone costs for the rows the parse adds.
void BM_Status_ShellOnly(benchmark::State& state) {
  std::vector<PlayerRow> rows;
  for (int i = 0; i < kPlayers; ++i) {
    rows.push_back({PlayerName(i), "1", "2", "3", "47", "10.0.0.1", Guid(i) + "(OK)"});
  }
  for (auto _ : state) {
    Fake.calls.clear();
    Fake.players.clear();
    Fake.playerIds.clear();
    for (int i = 0; i < kPlayers; ++i) PlayersList_InsertRow(i, rows[static_cast<size_t>(i)], i);
  }
}
BENCHMARK(BM_Status_ShellOnly);

// ---- "bans" --------------------------------------------------------------

void BM_Bans_DecodeOnly(benchmark::State& state) {
  const auto reply = BansReply();
  for (auto _ : state) benchmark::DoNotOptimize(DecodePayloadText(reply.data(), reply.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_Bans_DecodeOnly);

void BM_Bans_DecodeAndParse(benchmark::State& state) {
  const auto reply = BansReply();
  Fake.recording = false;
  for (auto _ : state) ParseBanList(DecodePayloadText(reply.data(), reply.size()), 1735688700);
  Fake.recording = true;
  if (BanList.size() != kBans) state.SkipWithError("wrong ban count");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_Bans_DecodeAndParse);

void BM_Bans_ShellOnly(benchmark::State& state) {
  const auto reply = BansReply();
  const auto bans = ParseBanLines(std::string(reply.begin(), reply.end()), 1735688700);
  for (auto _ : state) {
    Fake.calls.clear();
    Fake.bans.clear();
    Fake.banIds.clear();
    int32_t id = 0;
    for (const BanRecord& ban : bans) BansList_InsertRow(++id, {ban.guid, ban.until, ban.reason}, id);
  }
}
BENCHMARK(BM_Bans_ShellOnly);

// ---- Steam query A2S_PLAYER ---------------------------------------------------

std::vector<uint8_t> A2sPlayerAnswer() {
  std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0x44, static_cast<uint8_t>(kA2sPlayers)};
  for (int i = 0; i < kA2sPlayers; ++i) {
    bytes.push_back(static_cast<uint8_t>(i));
    const std::string name = PlayerName(i);
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.push_back(0);
    const int32_t score = i * 7 - 100;
    const float seconds = static_cast<float>(i) * 97.25f;
    uint8_t fields[8];
    std::memcpy(fields, &score, 4);  // little-endian host, as on the wire
    std::memcpy(fields + 4, &seconds, 4);
    bytes.insert(bytes.end(), fields, fields + 8);
  }
  return bytes;
}

// The same bytes walked with no bounds kept and nothing stored beyond one
// decoded name and the two numbers: what any reader of this answer must do.
void BM_A2sPlayers_DecodeOnly(benchmark::State& state) {
  const auto answer = A2sPlayerAnswer();
  for (auto _ : state) {
    size_t pos = 6;
    for (int i = 0; i < kA2sPlayers; ++i) {
      ++pos;  // index
      std::string name = DecodePayloadText(answer.data() + pos, answer.size() - pos);
      pos += std::strlen(reinterpret_cast<const char*>(answer.data() + pos)) + 1;
      int32_t score;
      float seconds;
      std::memcpy(&score, answer.data() + pos, 4);
      std::memcpy(&seconds, answer.data() + pos + 4, 4);
      pos += 8;
      benchmark::DoNotOptimize(name);
      benchmark::DoNotOptimize(score);
      benchmark::DoNotOptimize(seconds);
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(answer.size()));
}
BENCHMARK(BM_A2sPlayers_DecodeOnly);

void BM_A2sPlayers_Read(benchmark::State& state) {
  const auto answer = A2sPlayerAnswer();
  std::vector<a2s::Player> players;
  for (auto _ : state) {
    a2s::ReadPlayerAnswer(answer.data(), answer.size(), &players);
    benchmark::DoNotOptimize(players.data());
  }
  if (players.size() != kA2sPlayers) state.SkipWithError("wrong player count");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(answer.size()));
}
BENCHMARK(BM_A2sPlayers_Read);

// ---- the tick's dispatch of one server message ---------------------------------

void BM_Tick_DispatchServerMessage(benchmark::State& state) {
  static RconSession session;  // no socket: the acknowledgement is built but goes nowhere
  session.connected = true;
  std::vector<uint8_t> datagrams[2];
  uint8_t scratch[rcon::kScratchSize];
  const std::string texts[2] = {"Player #3 John Smith (192.168.0.5:2304) connected",
                                "Verified GUID (0123456789abcdef0123456789abcdef) of player #3 John Smith"};
  for (int i = 0; i < 2; ++i) {
    datagrams[i].resize(rcon::kDatagramBufferSize);
    const int n = rcon::FrameDatagram(datagrams[i].data(), datagrams[i].size(), scratch, sizeof scratch,
                                      rcon::kTypeServerMessage, 7 + i,
                                      reinterpret_cast<const uint8_t*>(texts[i].data()), texts[i].size());
    datagrams[i].resize(static_cast<size_t>(n));
  }
  size_t which = 0;
  Fake.recording = false;
  for (auto _ : state) {
    // Alternating texts, or the second would be the repeat that is not shown.
    const auto& d = datagrams[which ^= 1];
    DispatchDatagram(session, d.data(), d.size(), session.server);
  }
  Fake.recording = true;
}
BENCHMARK(BM_Tick_DispatchServerMessage);

// ---- the server-message reader ---------------------------------------------

// 1,000 messages as a busy evening brings them: chat on every channel, joins
// with their two GUID lines, leaves, kicks, admins, and lines of no form.
std::vector<std::string> ServerMessages() {
  static const char* const kChannels[] = {"Global", "Side", "Command", "Group", "Vehicle", "Direct", "Unknown"};
  std::vector<std::string> lines;
  for (int i = 0; lines.size() < 1000; ++i) {
    const std::string n = std::to_string(i % 120), name = PlayerName(i), guid = Guid(i);
    lines.push_back(std::string("(") + kChannels[i % 7] + ") " + name + ": need a medic at grid 045 112");
    lines.push_back("(Side) " + name + ": enemy armour north: two tanks");
    switch (i % 5) {
      case 0:
        lines.push_back("Player #" + n + " " + name + " (10.0.0." + std::to_string(i % 250) + ":2304) connected");
        lines.push_back("Player #" + n + " " + name + " - BE GUID: " + guid);
        lines.push_back("Verified GUID (" + guid + ") of player #" + n + " " + name);
        break;
      case 1: lines.push_back("Player #" + n + " " + name + " disconnected"); break;
      case 2:
        lines.push_back("Player #" + n + " " + name + " (" + guid + ") has been kicked by BattlEye: Admin Kick (spam)");
        break;
      case 3: lines.push_back("RCon admin #0: (To " + name + ") stop that"); break;
      case 4: lines.push_back("Server will restart in 10 minutes"); break;
    }
  }
  lines.resize(1000);
  return lines;
}

// The baseline: decoding the same payloads, which the tick does to every
// message before it is read.
void BM_ServerEvents_Baseline(benchmark::State& state) {
  const auto lines = ServerMessages();
  for (auto _ : state) {
    size_t sum = 0;
    for (const std::string& line : lines)
      sum += DecodePayloadText(reinterpret_cast<const uint8_t*>(line.data()), line.size()).size();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_ServerEvents_Baseline);

void BM_ServerEvents_Read(benchmark::State& state) {
  const auto lines = ServerMessages();
  ServerEvent event;
  for (auto _ : state) {
    int events = 0;
    for (const std::string& line : lines) events += ReadServerEvent(line, &event) != ServerEventKind::Plain;
    benchmark::DoNotOptimize(events);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_ServerEvents_Read);

}  // namespace
