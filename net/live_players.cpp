// The server's own messages acted on; see live_players.h.
#include "net/live_players.h"

#include "net/commands.h"
#include "net/player_rows.h"
#include "net/players.h"
#include "net/shell.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <string>

AutoRefresh PlayerRefresh;

namespace {

// Set by a message that changed PlayerList; the view follows once the pass
// has read everything waiting (ShowLivePlayerChanges).
bool g_playersChanged = false;

// A join, GUID or leave as taken, kept for the lists already asked for: a
// "players" reply the server wrote before the message must not bring back
// a player who has just left (his number may be someone else's by now), nor
// drop one who has just joined. The deque holds the latest only; a reply
// older than all of them is a minute late, and the next list mends it.
struct TakenEvent {
  uint32_t serial = 0;
  ServerEventKind kind = ServerEventKind::Plain;
  int32_t number = -1;
  std::string name, address, guid;
};
constexpr size_t kEventsKept = 512;
std::deque<TakenEvent> g_taken;
uint32_t g_serial = 1;  // 0 is no mark (LiveEventMark)

PlayerRecord* RecordOf(std::vector<PlayerRecord>& list, int32_t number) {
  const auto found =
      std::find_if(list.begin(), list.end(), [number](const PlayerRecord& p) { return p.number == number; });
  return found == list.end() ? nullptr : &*found;
}

PlayerRecord JoinedRecord(const TakenEvent& event) {
  PlayerRecord record;
  record.number = event.number;
  record.name = event.name;
  // "203.0.113.5:2304": the list keeps the address and the port apart.
  const size_t colon = event.address.rfind(':');
  record.address = event.address.substr(0, colon);
  if (colon != std::string::npos) {
    const std::string_view port = std::string_view(event.address).substr(colon + 1);
    std::from_chars(port.data(), port.data() + port.size(), record.port);
  }
  record.ping = -1;  // unknown until the next list
  return record;
}

std::string GuidCell(const TakenEvent& event) {
  return event.guid + (event.kind == ServerEventKind::PlayerGuidVerified ? "(OK)" : "(?)");
}

// The live path: messages come in the server's order, so each one stands.
void Take(const TakenEvent& event) {
  switch (event.kind) {
    case ServerEventKind::PlayerConnected:
      // A number is the server's slot: whoever had it before has gone, even
      // if his leave never reached us.
      if (PlayerRecord* old = RecordOf(PlayerList, event.number)) {
        *old = JoinedRecord(event);
      } else {
        PlayerList.push_back(JoinedRecord(event));
      }
      break;
    case ServerEventKind::PlayerGuid:
    case ServerEventKind::PlayerGuidVerified: {
      PlayerRecord* record = RecordOf(PlayerList, event.number);
      // A GUID line for a number we know under another name is not his.
      if (record == nullptr || record->name != event.name) return;
      const PlayerIdentity before = IdentityOf(*record);
      record->guid = GuidCell(event);
      // A row already shown keeps its id, and so its selection; one not
      // shown yet is added under the new key.
      RekeyPlayerRow(before, IdentityOf(*record));
      break;
    }
    case ServerEventKind::PlayerDisconnected:
    case ServerEventKind::PlayerKicked: {
      const auto gone = std::remove_if(PlayerList.begin(), PlayerList.end(),
                                       [&](const PlayerRecord& p) { return p.number == event.number; });
      if (gone == PlayerList.end()) return;
      PlayerList.erase(gone, PlayerList.end());
      break;
    }
    default: return;
  }
  g_playersChanged = true;
}

// A reply written before the message may or may not know of it already: the
// message changes only what the reply says otherwise, by number and name.
void Replay(const TakenEvent& event, std::vector<PlayerRecord>& list) {
  PlayerRecord* record = RecordOf(list, event.number);
  switch (event.kind) {
    case ServerEventKind::PlayerConnected:
      if (record == nullptr) {
        list.push_back(JoinedRecord(event));
      } else if (record->name != event.name) {
        *record = JoinedRecord(event);
      }
      break;
    case ServerEventKind::PlayerGuid:
    case ServerEventKind::PlayerGuidVerified:
      if (record != nullptr && record->name == event.name && !record->guid.starts_with(event.guid))
        record->guid = GuidCell(event);
      break;
    case ServerEventKind::PlayerDisconnected:
    case ServerEventKind::PlayerKicked:
      if (record != nullptr && record->name == event.name)
        list.erase(list.begin() + (record - list.data()));
      break;
    default: break;
  }
}

}  // namespace

LogCategory TakeServerMessage(std::string_view line, uint32_t nowMs) {
  ServerEvent event;
  const ServerEventKind kind = ReadServerEvent(line, &event);
  if (IsJoinOrLeave(kind) || kind == ServerEventKind::PlayerGuid || kind == ServerEventKind::PlayerGuidVerified) {
    if (++g_serial == 0) g_serial = 1;
    TakenEvent taken{g_serial, kind, event.number, std::string(event.name), std::string(event.address),
                     std::string(event.guid)};
    Take(taken);
    g_taken.push_back(std::move(taken));
    if (g_taken.size() > kEventsKept) g_taken.pop_front();
  }
  if (IsJoinOrLeave(kind)) PlayerRefresh.OnJoinOrLeave(nowMs);
  return CategoryOf(kind);
}

uint32_t LiveEventMark() { return g_serial; }

void ReplayLiveEventsSince(uint32_t mark, std::vector<PlayerRecord>& list) {
  if (mark == 0) return;
  for (const TakenEvent& event : g_taken) {
    if (static_cast<int32_t>(event.serial - mark) > 0) Replay(event, list);
  }
}

void ForgetLiveEvents() {
  g_taken.clear();
  g_playersChanged = false;
}

void ShowLivePlayerChanges() {
  if (!g_playersChanged) return;
  g_playersChanged = false;
  ShowPlayerRows();
  SetInfoValue("BE_PLAYERS", std::to_string(PlayerList.size()));
}

void AutoRefreshTick(RconSession& session) {
  if (session.connected && PlayerRefresh.Due(NetNow())) RequestPlayerList(session);
}
