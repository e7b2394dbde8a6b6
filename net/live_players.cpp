// The server's own messages acted on; see live_players.h.
#include "net/live_players.h"

#include "net/commands.h"
#include "net/player_rows.h"
#include "net/players.h"
#include "net/shell.h"

#include <algorithm>
#include <charconv>
#include <string>

AutoRefresh PlayerRefresh;

namespace {

PlayerRecord* RecordOf(int32_t number) {
  const auto found = std::find_if(PlayerList.begin(), PlayerList.end(),
                                  [number](const PlayerRecord& p) { return p.number == number; });
  return found == PlayerList.end() ? nullptr : &*found;
}

void Joined(const ServerEvent& event) {
  PlayerRecord record;
  record.number = event.number;
  record.name.assign(event.name);
  // "203.0.113.5:2304": the list keeps the address and the port apart.
  const size_t colon = event.address.rfind(':');
  record.address.assign(event.address.substr(0, colon));
  if (colon != std::string_view::npos) {
    const std::string_view port = event.address.substr(colon + 1);
    std::from_chars(port.data(), port.data() + port.size(), record.port);
  }
  record.ping = -1;  // unknown until the next list
  // A number is the server's slot: whoever had it before has gone, even if
  // his leave never reached us.
  if (PlayerRecord* old = RecordOf(event.number)) {
    *old = std::move(record);
  } else {
    PlayerList.push_back(std::move(record));
  }
  ShowPlayerRows();
}

void GuidLearnt(const ServerEvent& event, bool verified) {
  PlayerRecord* record = RecordOf(event.number);
  // A GUID line for a number we know under another name is not his.
  if (record == nullptr || record->name != event.name) return;
  const PlayerIdentity before = IdentityOf(*record);
  record->guid.assign(event.guid);
  record->guid += verified ? "(OK)" : "(?)";
  RekeyPlayerRow(before, IdentityOf(*record));
  ShowPlayerRows();
}

void Left(const ServerEvent& event) {
  const auto gone = std::remove_if(PlayerList.begin(), PlayerList.end(),
                                   [&](const PlayerRecord& p) { return p.number == event.number; });
  if (gone == PlayerList.end()) return;
  PlayerList.erase(gone, PlayerList.end());
  ShowPlayerRows();
}

}  // namespace

LogCategory TakeServerMessage(std::string_view line, uint32_t nowMs) {
  ServerEvent event;
  const ServerEventKind kind = ReadServerEvent(line, &event);
  switch (kind) {
    case ServerEventKind::PlayerConnected: Joined(event); break;
    case ServerEventKind::PlayerGuid: GuidLearnt(event, false); break;
    case ServerEventKind::PlayerGuidVerified: GuidLearnt(event, true); break;
    case ServerEventKind::PlayerDisconnected:
    case ServerEventKind::PlayerKicked: Left(event); break;
    default: break;
  }
  if (IsJoinOrLeave(kind)) {
    PlayerRefresh.OnJoinOrLeave(nowMs);
    SetInfoValue("BE_PLAYERS", std::to_string(PlayerList.size()));
  }
  return CategoryOf(kind);
}

void AutoRefreshTick(RconSession& session) {
  if (session.connected && PlayerRefresh.Due(NetNow())) RequestPlayerList(session);
}
