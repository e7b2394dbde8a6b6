#include "tests/net/fake_shell.h"

#include "net/steam_link.h"

FakeShell Fake;

void FakeShell::Reset() { *this = FakeShell{}; }

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

void SetInfoValue(std::string_view key, std::string_view text) {
  if (!Fake.recording) return;
  Fake.calls.push_back("SetInfoValue:" + std::string(key) + "=" + std::string(text));
  if (InfoRows.Find(key) != 0) Fake.info[std::string(key)] = std::string(text);
}

void PlayersList_Clear() {
  if (!Fake.recording) return;
  Fake.calls.emplace_back("PlayersList_Clear");
  Fake.players.clear();
  Fake.playersSelected = -1;
}

void PlayersList_AddRow(const PlayerRow& cells) {
  ++Fake.playerRowsAdded;
  if (!Fake.recording) return;
  Fake.calls.push_back("PlayersList_AddRow:" + cells[0]);
  Fake.players.push_back(cells);
}

void PlayersList_RemoveSelected() {
  Fake.calls.emplace_back("PlayersList_RemoveSelected");
  if (Fake.playersSelected >= 0 && Fake.playersSelected < static_cast<int>(Fake.players.size())) {
    Fake.players.erase(Fake.players.begin() + Fake.playersSelected);
  }
  Fake.playersSelected = -1;
}

int PlayersList_SelectedIndex() { return Fake.playersSelected; }

std::string PlayersList_CellText(int row, int column) {
  if (row < 0 || row >= static_cast<int>(Fake.players.size()) || column < 0 || column >= kPlayerColumns) return {};
  return Fake.players[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void BansList_Clear() {
  if (!Fake.recording) return;
  Fake.calls.emplace_back("BansList_Clear");
  Fake.bans.clear();
  Fake.bansSelected = -1;
}

void BansList_AddRow(const BanRow& cells) {
  ++Fake.banRowsAdded;
  if (!Fake.recording) return;
  Fake.calls.push_back("BansList_AddRow:" + cells[0]);
  Fake.bans.push_back(cells);
}

void BansList_RemoveSelected() {
  Fake.calls.emplace_back("BansList_RemoveSelected");
  if (Fake.bansSelected >= 0 && Fake.bansSelected < static_cast<int>(Fake.bans.size())) {
    Fake.bans.erase(Fake.bans.begin() + Fake.bansSelected);
  }
  Fake.bansSelected = -1;
}

int BansList_SelectedIndex() { return Fake.bansSelected; }

std::string BansList_CellText(int row, int column) {
  if (row < 0 || row >= static_cast<int>(Fake.bans.size()) || column < 0 || column >= kBanColumns) return {};
  return Fake.bans[static_cast<size_t>(row)][static_cast<size_t>(column)];
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
