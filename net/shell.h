// The seam between the protocol client and the application shell.
//
// The protocol client never touches a window. What it shows, it shows through
// the operations declared here; the shell (app/) implements them over the
// real windows, and the protocol tests link a recording fake instead.
// The shell's shared state (the pending action with its data and the
// information row map) is plain data defined in net/ so that both sides and
// the tests see the same thing.
//
// All text is UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// ---- Shared state --------------------------------------------------------

// The one-slot hand-off from a window event to the network tick. A later
// request overwrites one not yet carried out.
enum class Action : int32_t {
  None = 0,
  Refresh = 1,
  Reassign = 2,
  Restart = 3,
  Shutdown = 4,
  Kick = 5,
  Ban = 6,
  LoadBans = 7,
  RemoveBan = 8,
  SetMaxPing = 9,
  Lock = 10,
  Unlock = 11,
};

struct ActionData {
  int32_t targetPlayer = 0;  // PlayerRecord number for Kick and Ban
  bool targetFound = false;  // false: no player matched, Kick/Ban send nothing
  int32_t banMinutes = 0;    // 0 = permanent
  std::string reason;
};

extern Action PendingAction;
extern ActionData PendingActionData;

// Information row map: key -> row index of the server information view.
// 512 slots, exact case-sensitive keys; 0 means "no row" (row 0 is the first
// group heading, which never takes a value).
class InfoRowMap {
 public:
  static constexpr int kSlots = 512;
  void Set(std::string_view key, int32_t row);
  int32_t Find(std::string_view key) const;  // 0 when absent
  void Clear();

 private:
  struct Slot {
    std::string key;
    int32_t row = 0;
    bool used = false;
  };
  std::array<Slot, kSlots> slots_{};
};

extern InfoRowMap InfoRows;

// ---- Operations the shell implements ---------------------------------------

// Adds a line at the end of the log list and scrolls it down one line.
void AppendLog(std::string_view text);

// Sets the value of the information row that `key` maps to; nothing when the
// key has no row.
void SetInfoValue(std::string_view key, std::string_view text);

// The players list view: Name, Score, Deaths, Team, Ping, IP, GUID, Time
// (time connected, from the Steam query).
constexpr int kPlayerColumns = 8;
constexpr int kPlayerColumnIp = 5;
constexpr int kPlayerColumnTime = 7;
using PlayerRow = std::array<std::string, kPlayerColumns>;
void PlayersList_Clear();
void PlayersList_AddRow(const PlayerRow& cells);  // with the player icon
void PlayersList_RemoveSelected();
int PlayersList_SelectedIndex();  // -1 when none
std::string PlayersList_CellText(int row, int column);

// The bans list view: GUID, Banned until, Reason.
constexpr int kBanColumns = 3;
using BanRow = std::array<std::string, kBanColumns>;
void BansList_Clear();
void BansList_AddRow(const BanRow& cells);
void BansList_RemoveSelected();
int BansList_SelectedIndex();  // -1 when none
std::string BansList_CellText(int row, int column);

// Disables (1) or enables (0) the controls that need a connection: the
// "REFRESH" button, both list views and the menu items Reassign, Restart,
// Shutdown, Set MaxPing and Refresh. Lock and Unlock are never disabled.
void SetConnectionControlsDisabled(int disabled);

// The "Error" / "Could not connect!" message box.
void ShowConnectError();

// Closes the dialog that started a successful connection: Quick Connect
// when `fromQuickConnect` is non-zero, otherwise the favourites window.
void CloseConnectDialog(int fromQuickConnect);

// The "Set MaxPing" input box ("Please enter a value:", empty default).
// Returns false when cancelled; `answer` receives the text entered.
bool AskMaxPing(std::string& answer);
