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

// Sends what the session object asks for and shows what it learnt.
void Settle(RconSession& session) {
  for (const a2s::Datagram& datagram : SteamQuery.TakeSends()) {
    if (session.connection != nullptr) {
      platform::UdpSendToPort(session.connection, datagram.port, datagram.bytes.data(), datagram.bytes.size());
    }
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
  g_statusSeen = false;
  g_infoKeys.clear();
}

void SteamQueryDatagram(RconSession& session, const uint8_t* data, size_t length, uint16_t port) {
  Begin(session);
  if (SteamQuery.Receive(port, data, length, NetNow())) Settle(session);
}

void SteamQueryTick(RconSession& session) {
  Begin(session);
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
