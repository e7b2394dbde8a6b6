// The Steam query in the protocol client; see steam_link.h.
#include "net/steam_link.h"

#include "net/player_rows.h"
#include "net/players.h"
#include "net/shell.h"

#include <algorithm>

a2s::SteamQuerySession SteamQuery;

namespace {

uint16_t g_typedPort = 0;
uint16_t g_foundPort = 0;
// Whether the status reply answered in this session: its values then stand
// in the Info tab and the Steam answer fills none of them.
bool g_statusSeen = false;
// The Info keys the last answer filled, so that a row the next one lacks is
// emptied rather than left showing an old value.
std::vector<std::string> g_infoKeys;
platform::UdpSocket* g_socket = nullptr;

// Datagrams read in one pass at most, as for the console's socket.
constexpr int kReadsPerPass = 64;

void ReadWaiting(RconSession& session) {
  if (g_socket == nullptr) return;
  static std::vector<uint8_t> buffer(65536);
  platform::UdpBeginDrain(g_socket);
  int errors = 0;
  for (int read = 0; read < kReadsPerPass; ++read) {
    platform::Endpoint from;
    const int n = platform::UdpReceive(g_socket, buffer.data(), buffer.size(), &from);
    if (n == platform::kNothingWaiting) return;
    if (n < 0) {
      // Each probe of a closed port may come back as a "port unreachable"
      // error here on Windows; the next read goes on.
      if (++errors > 8) return;
      continue;
    }
    if (from.address != session.server.address) continue;
    SteamQuery.Receive(from.port, buffer.data(), static_cast<size_t>(n), NetNow());
  }
}

void Begin(RconSession& session) {
  if (SteamQuery.active() || !session.connected) return;
  SteamQuery.Begin(static_cast<uint16_t>(session.port), g_typedPort, g_foundPort);
}

void ShowInfo() {
  if (g_statusSeen || !SteamQuery.info()) return;
  const auto rows = a2s::InfoRowValues(*SteamQuery.info());
  for (const std::string& key : g_infoKeys) {
    const bool kept = std::any_of(rows.begin(), rows.end(), [&](const auto& row) { return row.first == key; });
    if (!kept) SetInfoValue(key, "");
  }
  g_infoKeys.clear();
  for (const auto& [key, value] : rows) {
    SetInfoValue(key, value);
    g_infoKeys.push_back(key);
  }
}

// Sends what the session object asks for and shows what it learnt. The
// socket is made at the first send: before it, it would have nothing to
// read (Winsock even refuses a read on a socket that never sent).
void Settle(RconSession& session) {
  for (const a2s::Datagram& datagram : SteamQuery.TakeSends()) {
    if (g_socket == nullptr && session.connected) {
      g_socket = platform::UdpOpenAddress(session.server.address, session.server.port);
    }
    if (g_socket == nullptr) break;
    platform::UdpSendToPort(g_socket, datagram.port, datagram.bytes.data(), datagram.bytes.size());
  }
  for (const std::string& line : SteamQuery.TakeNotices()) AppendLog(line);
  if (const uint16_t found = SteamQuery.TakeFoundPort()) {
    g_foundPort = found;
    RememberFoundQueryPort(session.host, session.port, found);
  }
  if (SteamQuery.TakeInfoChanged()) ShowInfo();
  if (SteamQuery.TakePlayersChanged()) ShowPlayerRows();
}

}  // namespace

void SetSteamQueryPorts(uint16_t typed, uint16_t found) {
  g_typedPort = typed;
  g_foundPort = found;
}

void ForgetSteamQuery() {
  SteamQuery.End();
  platform::UdpClose(g_socket);
  g_socket = nullptr;
  g_statusSeen = false;
  g_infoKeys.clear();
}

platform::UdpSocket* SteamQuerySocket() { return g_socket; }

void SteamQueryTick(RconSession& session) {
  Begin(session);
  ReadWaiting(session);
  SteamQuery.Tick(NetNow());
  Settle(session);
}

uint32_t SteamQueryWaitMs(uint32_t now) {
  const auto next = SteamQuery.NextDeadline();
  if (!next) return 0xFFFFFFFFu;
  const auto left = static_cast<int32_t>(*next - now);
  return left <= 0 ? 0 : static_cast<uint32_t>(left);
}

void SteamPlayerListArrived() {
  Begin(Session);
  SteamQuery.PlayerListArrived(NetNow());
  Settle(Session);
}

void SteamStatusReplyArrived() {
  g_statusSeen = true;
  SteamQuery.StatusReplyArrived();
}

std::vector<SteamPlayerCells> SteamCellsFor(const std::vector<PlayerRecord>& players) {
  std::vector<SteamPlayerCells> cells(players.size());
  const auto& steam = SteamQuery.players();
  if (!steam) return cells;
  std::vector<std::string_view> names;
  names.reserve(players.size());
  for (const PlayerRecord& player : players) names.push_back(player.name);
  const std::vector<int> joined = a2s::JoinByName(names, *steam);
  for (size_t i = 0; i < players.size(); ++i) {
    if (joined[i] < 0) continue;
    const a2s::Player& player = (*steam)[static_cast<size_t>(joined[i])];
    cells[i].score = std::to_string(player.score);
    cells[i].time = a2s::FormatTimeConnected(player.duration);
  }
  return cells;
}
