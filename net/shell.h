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

#include "net/server_events.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
  Say = 12,
  // A ban by GUID of a player who need not be on the server (the history
  // tab): PendingActionData's target GUID, minutes and reason.
  AddBan = 13,
};

// Who a row of the players view stands for: the player's number with his
// GUID, or with his address while the server has no GUID for him yet.
struct PlayerIdentity {
  int32_t number = -1;
  std::string guid;
  std::string address;
  std::string name;  // to name him in the log; not part of the identity
};

struct ActionData {
  // The player Kick and Ban aim at, resolved against the latest player list
  // when the command goes out; none: Kick/Ban send nothing.
  bool hasTarget = false;
  PlayerIdentity target;
  int32_t banMinutes = 0;    // 0 = permanent
  std::string reason;
  // A message from the box under the log: to everyone, or to the player
  // chosen as its target, whose number is looked up when it goes out.
  bool sayToEveryone = true;
  PlayerIdentity sayTarget;
  std::string sayText;
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
  std::vector<std::string> Keys() const;

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
// The same, for a line the log's filter buttons show under `category`
// (AppendLog's lines are LogCategory::Other).
void AppendLogAs(std::string_view text, LogCategory category);

// Sets the value of the information row that `key` maps to; nothing when the
// key has no row.
void SetInfoValue(std::string_view key, std::string_view text);

// The players list view: Name, Score, Deaths, Team, Ping, IP, GUID, Time
// (time connected, from the Steam query).
// Its rows are kept by id (keyed_rows.h): the view holds each row's id with
// it and finds the row by it, wherever the sort has put it. Between Begin and
// End the view keeps its selection, focus and top row.
constexpr int kPlayerColumns = 8;
constexpr int kPlayerColumnIp = 5;
constexpr int kPlayerColumnTime = 7;
using PlayerRow = std::array<std::string, kPlayerColumns>;
void PlayersList_BeginUpdate();
void PlayersList_EndUpdate();
// With the player icon; where the shown sort puts it, or at `at` unsorted.
void PlayersList_InsertRow(int32_t id, const PlayerRow& cells, int at);
void PlayersList_UpdateRow(int32_t id, const PlayerRow& cells, uint32_t changedColumns);
void PlayersList_RemoveRow(int32_t id);
int32_t PlayersList_SelectedId();  // -1 when none
int PlayersList_SelectedIndex();   // -1 when none
std::string PlayersList_CellText(int row, int column);

// The bans list view: GUID, Banned until, Reason; kept by id the same way.
constexpr int kBanColumns = 3;
using BanRow = std::array<std::string, kBanColumns>;
void BansList_BeginUpdate();
void BansList_EndUpdate();
void BansList_InsertRow(int32_t id, const BanRow& cells, int at);
void BansList_UpdateRow(int32_t id, const BanRow& cells, uint32_t changedColumns);
void BansList_RemoveRow(int32_t id);
int32_t BansList_SelectedId();  // -1 when none
int BansList_SelectedIndex();   // -1 when none
std::string BansList_CellText(int row, int column);

// The session ended (a disconnect, or a login that starts another): an open
// Kick, Ban or Set MaxPing window closes without sending anything, and the
// log says why. Nothing when none is open.
void CloseSessionDialogs();

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
