// Parsing of the reply to "players".
//
// The reply is a fixed header, then one line per player:
//   3   192.168.0.5:2304   47   0123456789abcdef0123456789abcdef   John Smith
// Columns are separated by runs of spaces; the name is whatever follows the
// GUID and may contain spaces itself.
#include "net/players.h"

#include "net/history_feed.h"
#include "net/live_players.h"
#include "net/number.h"
#include "net/player_rows.h"
#include "net/session.h"
#include "net/shell.h"
#include "net/text.h"

#include <algorithm>
#include <string>

std::vector<PlayerRecord> PlayerList;

namespace {

constexpr size_t kHeaderCharacters = 115;

// A refresh mostly lists the players it listed before; comparing first
// spares rewriting the same text (std::string's general replace is not cheap).
void Store(std::string& field, std::string_view text) {
  if (std::string_view(field) != text) field.assign(text);
}

void ParseLine(std::string_view line, PlayerRecord& record) {
  const std::string_view number = TakeColumn(line);
  const std::string_view endpoint = TakeColumn(line);
  const std::string_view ping = TakeColumn(line);
  const std::string_view guid = TakeColumn(line);

  record.number = ParseNumber32(number);
  record.ping = ParseNumber32(ping);
  Store(record.guid, guid);
  Store(record.name, line);

  const size_t colon = endpoint.find(':');
  if (colon == std::string_view::npos) {
    Store(record.address, endpoint);
    record.port = 0;
  } else {
    Store(record.address, endpoint.substr(0, colon));
    record.port = ParseNumber32(endpoint.substr(colon + 1));
  }
}

}  // namespace

void ParsePlayerLinesInto(std::string_view replyText, std::vector<PlayerRecord>& records) {
  const std::string_view body = SkipCharacters(replyText, kHeaderCharacters);
  size_t count = 0;
  size_t start = 0;
  for (size_t end; (end = body.find('\n', start)) != std::string_view::npos; start = end + 1) {
    if (count == records.size()) records.emplace_back();
    ParseLine(body.substr(start, end - start), records[count++]);
  }
  records.resize(count);
}

std::vector<PlayerRecord> ParsePlayerLines(std::string_view replyText) {
  std::vector<PlayerRecord> records;
  ParsePlayerLinesInto(replyText, records);
  return records;
}

int32_t ParsePlayerList(int32_t mark, std::string_view replyText) {
  ParsePlayerLinesInto(replyText, PlayerList);
  // The history records what the server listed; the view also what it has
  // said since the request.
  if (HistoryFeed.listRead != nullptr) HistoryFeed.listRead(PlayerList);
  ReplayLiveEventsSince(static_cast<uint32_t>(mark), PlayerList);
  PlayerListArrived();
  SetInfoValue("BE_PLAYERS", std::to_string(PlayerList.size()));
  return 0;
}

const PlayerRecord* FindPlayer(const PlayerIdentity& player) {
  const std::string key = PlayerKey(player);
  const auto match = std::find_if(PlayerList.begin(), PlayerList.end(),
                                  [&](const PlayerRecord& p) { return PlayerKey(IdentityOf(p)) == key; });
  return match == PlayerList.end() ? nullptr : &*match;
}
