#include "tests/net/fake_shell.h"

#include "net/bans.h"
#include "net/player_rows.h"
#include "net/steam_link.h"

FakeShell Fake;

void FakeShell::Reset() {
  // The protocol client's views are emptied too, unseen: rows it believed
  // shown would otherwise be updated in a fake that no longer has them.
  recording = false;
  ForgetPlayerRows();
  ForgetBans();
  *this = FakeShell{};
}

void RegisterInfoRowsForTests() {
  static const char* const kRows[] = {
      "", "hostname", "platform", "language", "gamever", "dedicated", "mod", "equalModRequired",
      "verifySignatures", "signatures", "password", "currentVersion", "requiredVersion", "maxplayers",
      "players",
      "", "mission", "mapname", "gametype", "difficulty", "timelimit",
      "", "sv_battleye", "BE_VERSION", "BE_MAXPING", "BE_PLAYERS"};
  InfoRows.Clear();
  int32_t index = 0;
  for (const char* key : kRows) InfoRows.Set(key, index++);
}

void AppendLog(std::string_view text) {
  if (!Fake.recording) return;
  Fake.calls.push_back("AppendLog:" + std::string(text));
  Fake.log.emplace_back(text);
  if (Fake.onAppendLog) Fake.onAppendLog(Fake.log.back());
}

void AppendLogAs(std::string_view text, LogCategory category) {
  if (!Fake.recording) return;
  Fake.logCategories.push_back(category);
  AppendLog(text);
}

void SetInfoValue(std::string_view key, std::string_view text) {
  if (!Fake.recording) return;
  Fake.calls.push_back("SetInfoValue:" + std::string(key) + "=" + std::string(text));
  if (InfoRows.Find(key) != 0) Fake.info[std::string(key)] = std::string(text);
}

namespace {

template <typename Row>
void Insert(std::vector<Row>& rows, std::vector<int32_t>& ids, int& selected, int32_t id, const Row& cells, int at) {
  const size_t place = at < 0 || static_cast<size_t>(at) > rows.size() ? rows.size() : static_cast<size_t>(at);
  rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(place), cells);
  ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(place), id);
  if (selected >= static_cast<int>(place)) ++selected;
}

template <typename Row>
int IndexOf(const std::vector<int32_t>& ids, int32_t id) {
  for (size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == id) return static_cast<int>(i);
  }
  return -1;
}

template <typename Row>
void Remove(std::vector<Row>& rows, std::vector<int32_t>& ids, int& selected, int32_t id) {
  const int i = IndexOf<Row>(ids, id);
  if (i < 0) return;
  rows.erase(rows.begin() + i);
  ids.erase(ids.begin() + i);
  if (selected == i) selected = -1;
  else if (selected > i) --selected;
}

std::string Changed(uint32_t mask) {
  std::string text;
  for (int c = 0; c < 32; ++c) {
    if (mask & (1u << c)) text += (text.empty() ? "" : ",") + std::to_string(c);
  }
  return text;
}

}  // namespace

void PlayersList_BeginUpdate() { ++Fake.playerUpdates; }
void PlayersList_EndUpdate() {}

void PlayersList_InsertRow(int32_t id, const PlayerRow& cells, int at) {
  ++Fake.playerRowsAdded;
  if (!Fake.recording) return;
  Fake.calls.push_back("PlayersList_InsertRow:" + cells[0]);
  Insert(Fake.players, Fake.playerIds, Fake.playersSelected, id, cells, at);
}

void PlayersList_UpdateRow(int32_t id, const PlayerRow& cells, uint32_t changedColumns) {
  ++Fake.playerRowsUpdated;
  if (!Fake.recording) return;
  Fake.calls.push_back("PlayersList_UpdateRow:" + cells[0] + ":" + Changed(changedColumns));
  const int i = IndexOf<PlayerRow>(Fake.playerIds, id);
  if (i >= 0) Fake.players[static_cast<size_t>(i)] = cells;
}

void PlayersList_RemoveRow(int32_t id) {
  ++Fake.playerRowsRemoved;
  if (!Fake.recording) return;
  const int i = IndexOf<PlayerRow>(Fake.playerIds, id);
  Fake.calls.push_back("PlayersList_RemoveRow:" + (i >= 0 ? Fake.players[static_cast<size_t>(i)][0] : "?"));
  Remove(Fake.players, Fake.playerIds, Fake.playersSelected, id);
}

int32_t PlayersList_SelectedId() {
  const int i = Fake.playersSelected;
  return i >= 0 && i < static_cast<int>(Fake.playerIds.size()) ? Fake.playerIds[static_cast<size_t>(i)] : -1;
}

int PlayersList_SelectedIndex() { return Fake.playersSelected; }

std::string PlayersList_CellText(int row, int column) {
  if (row < 0 || row >= static_cast<int>(Fake.players.size()) || column < 0 || column >= kPlayerColumns) return {};
  return Fake.players[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void BansList_BeginUpdate() {}
void BansList_EndUpdate() {}

void BansList_InsertRow(int32_t id, const BanRow& cells, int at) {
  ++Fake.banRowsAdded;
  if (!Fake.recording) return;
  Fake.calls.push_back("BansList_InsertRow:" + cells[0]);
  Insert(Fake.bans, Fake.banIds, Fake.bansSelected, id, cells, at);
}

void BansList_UpdateRow(int32_t id, const BanRow& cells, uint32_t changedColumns) {
  if (!Fake.recording) return;
  Fake.calls.push_back("BansList_UpdateRow:" + cells[0] + ":" + Changed(changedColumns));
  const int i = IndexOf<BanRow>(Fake.banIds, id);
  if (i >= 0) Fake.bans[static_cast<size_t>(i)] = cells;
}

void BansList_RemoveRow(int32_t id) {
  if (!Fake.recording) return;
  const int i = IndexOf<BanRow>(Fake.banIds, id);
  Fake.calls.push_back("BansList_RemoveRow:" + (i >= 0 ? Fake.bans[static_cast<size_t>(i)][0] : "?"));
  Remove(Fake.bans, Fake.banIds, Fake.bansSelected, id);
}

int32_t BansList_SelectedId() {
  const int i = Fake.bansSelected;
  return i >= 0 && i < static_cast<int>(Fake.banIds.size()) ? Fake.banIds[static_cast<size_t>(i)] : -1;
}

int BansList_SelectedIndex() { return Fake.bansSelected; }

std::string BansList_CellText(int row, int column) {
  if (row < 0 || row >= static_cast<int>(Fake.bans.size()) || column < 0 || column >= kBanColumns) return {};
  return Fake.bans[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void CloseSessionDialogs() {
  Fake.calls.emplace_back("CloseSessionDialogs");
  ++Fake.sessionDialogsClosed;
}

void SetConnectionControlsDisabled(int disabled) {
  Fake.calls.push_back("SetConnectionControlsDisabled:" + std::to_string(disabled));
  Fake.controlsDisabled = disabled;
}

void ShowConnectError() {
  Fake.calls.emplace_back("ShowConnectError");
  ++Fake.connectErrors;
}

void CloseConnectDialog(int fromQuickConnect) {
  Fake.calls.push_back("CloseConnectDialog:" + std::to_string(fromQuickConnect));
  Fake.closedDialog = fromQuickConnect;
}

bool AskMaxPing(std::string& answer) {
  Fake.calls.emplace_back("AskMaxPing");
  ++Fake.maxPingAsked;
  if (Fake.onAskMaxPing) Fake.onAskMaxPing();
  answer = Fake.maxPingAnswer;
  return Fake.maxPingAnswered;
}

void RememberFoundQueryPort(std::string_view host, int32_t port, uint16_t queryPort) {
  Fake.calls.push_back("RememberFoundQueryPort:" + std::to_string(queryPort));
  Fake.foundQueryPorts[std::string(host) + ":" + std::to_string(port)] = queryPort;
}
