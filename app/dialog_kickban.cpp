// Kick Player and Ban Player: both act on the selected row of the players
// list. They only fill in the pending action and its data; the network tick
// sends the command on its next idle pass.
//
// The row's address, name and GUID are looked up in the player list the last
// "players" reply built. When no record has them (the list changed since the
// row was drawn), or no row is selected any more (the list was refilled while the
// dialog was open), the dialog closes without a pending action, so no command
// can go out with the target of an earlier kick or ban or at a stranger.
#include <windows.h>

#include <string>

#include "app/dialog_common.h"
#include "app/dialog_ids.h"
#include "app/dialogs.h"
#include "app/pure/dialog_rules.h"
#include "net/players.h"
#include "net/shell.h"

namespace {

constexpr int kPlayerColumnName = 0;
constexpr int kPlayerColumnGuid = 6;

std::wstring SelectedPlayerName() {
  const int row = PlayersList_SelectedIndex();
  return row < 0 ? std::wstring() : Widen(PlayersList_CellText(row, kPlayerColumnName));
}

// What identifies the selected row's player; false when no row is selected
// any more (a new player list arrived while the dialog was open). An empty
// address must not stand in for it: a record parsed from a stray line has one
// too.
struct SelectedPlayer {
  std::string address;
  std::string name;
  std::string guid;
};

bool GetSelectedPlayer(SelectedPlayer* player) {
  const int row = PlayersList_SelectedIndex();
  if (row < 0) return false;
  player->address = PlayersList_CellText(row, kPlayerColumnIp);
  player->name = PlayersList_CellText(row, kPlayerColumnName);
  player->guid = PlayersList_CellText(row, kPlayerColumnGuid);
  return true;
}

std::string ReasonText(HWND reasonField) {
  CutReason(reasonField);
  return WindowTextUtf8(reasonField);
}

void SetTarget(int32_t number, std::string reason, int32_t banMinutes, Action action) {
  PendingActionData.targetPlayer = number;
  PendingActionData.targetFound = true;
  PendingActionData.reason = std::move(reason);
  PendingActionData.banMinutes = banMinutes;
  PlayersList_RemoveSelected();
  PendingAction = action;
}

bool KickProc(HWND dialog, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case dialog_id::kKickReason:
      CutReason(GetDlgItem(dialog, dialog_id::kKickReason));
      return false;
    case dialog_id::kKickButton: {
      if (HIWORD(wParam) != BN_CLICKED) return false;
      int32_t number = 0;
      SelectedPlayer player;
      if (GetSelectedPlayer(&player) && FindKickTarget(player.address, player.name, player.guid, &number)) {
        SetTarget(number, ReasonText(GetDlgItem(dialog, dialog_id::kKickReason)),
                  PendingActionData.banMinutes, Action::Kick);
      }
      CloseDialog(dialog);
      *result = 0;
      return true;
    }
    case IDOK:  // Enter with no button focused: Kick has no default button
      *result = 0;
      return true;
  }
  return false;
}

void EnableDaysField(HWND dialog) {
  const bool forDays = SendMessageW(GetDlgItem(dialog, dialog_id::kBanForDays), BM_GETCHECK, 0, 0) ==
                       BST_CHECKED;
  EnableWindow(GetDlgItem(dialog, dialog_id::kBanDays), forDays);
}

bool BanProc(HWND dialog, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case dialog_id::kBanReason:
      CutReason(GetDlgItem(dialog, dialog_id::kBanReason));
      return false;
    case dialog_id::kBanPermanent:
    case dialog_id::kBanForDays:
      EnableDaysField(dialog);
      return false;
    case dialog_id::kBanDays: {
      HWND days = GetDlgItem(dialog, dialog_id::kBanDays);
      if (DaysFieldNeedsReset(WindowTextUtf8(days))) {
        SetWindowTextW(days, L"7");
        // Selected, so that the digit typed next replaces the fallback.
        SendMessageW(days, EM_SETSEL, 0, -1);
      }
      return false;
    }
    case dialog_id::kBanButton: {
      if (HIWORD(wParam) != BN_CLICKED) return false;
      int32_t number = 0;
      SelectedPlayer player;
      if (GetSelectedPlayer(&player) && FindBanTarget(player.address, player.name, player.guid, &number)) {
        const bool permanent = SendMessageW(GetDlgItem(dialog, dialog_id::kBanPermanent),
                                            BM_GETCHECK, 0, 0) == BST_CHECKED;
        HWND days = GetDlgItem(dialog, dialog_id::kBanDays);
        if (!permanent && !BanDaysAccepted(WindowTextUtf8(days))) {
          // A pasted day count the server's minutes cannot hold: say so and
          // let the admin correct it, the dialog stays open.
          DialogMessageBox(dialog, Widen(kBanDaysRefusedText).c_str(), L"Quorvel",
                           MB_OK | MB_ICONWARNING);
          SetFocus(days);
          SendMessageW(days, EM_SETSEL, 0, -1);
          *result = 0;
          return true;
        }
        SetTarget(number, ReasonText(GetDlgItem(dialog, dialog_id::kBanReason)),
                  BanMinutes(permanent, WindowTextUtf8(GetDlgItem(dialog, dialog_id::kBanDays))),
                  Action::Ban);
      }
      CloseDialog(dialog);
      *result = 0;
      return true;
    }
    case IDOK:
      *result = 0;
      return true;
  }
  return false;
}

}  // namespace

void OpenKickDialog(HWND mainWindow) {
  DialogFrame frame;
  frame.kind = DialogKind::Kick;
  frame.title = L"Kick Player - " + SelectedPlayerName();
  frame.clientWidth = 430;
  frame.clientHeight = 85;
  frame.handler = KickProc;
  HWND dialog = CreateDialogFrame(mainWindow, frame);
  if (!dialog) return;

  AddLabel(dialog, L"Reason:", 10, 12, 50, 15);
  HWND reason = AddComboBox(dialog, 65, 10, 355, 20, dialog_id::kKickReason);
  AddReasons(reason);
  AddSeparator(dialog, 10, 45, 410);
  AddControl(dialog, L"BUTTON", L"Kick player", BS_PUSHBUTTON | WS_TABSTOP, 10, 55, 75, 25,
             dialog_id::kKickButton);
  AddControl(dialog, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 100, 55, 75, 25, IDCANCEL);
  ShowDialogFrame(dialog, reason);
}

void OpenBanDialog(HWND mainWindow) {
  DialogFrame frame;
  frame.kind = DialogKind::Ban;
  frame.title = L"Ban Player - " + SelectedPlayerName();
  frame.clientWidth = 430;
  frame.clientHeight = 165;
  frame.handler = BanProc;
  HWND dialog = CreateDialogFrame(mainWindow, frame);
  if (!dialog) return;

  AddLabel(dialog, L"Reason:", 10, 12, 50, 15);
  HWND reason = AddComboBox(dialog, 65, 10, 355, 20, dialog_id::kBanReason);
  AddReasons(reason);
  HWND permanent = AddControl(dialog, L"BUTTON", L"Ban permanently.",
                              BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 10, 50, 140, 20,
                              dialog_id::kBanPermanent);
  AddControl(dialog, L"BUTTON", L"Ban for", BS_AUTORADIOBUTTON, 10, 85, 55, 20,
             dialog_id::kBanForDays);
  HWND days = AddControl(dialog, L"EDIT", L"7", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP,
                         75, 85, 65, 20, dialog_id::kBanDays, WS_EX_CLIENTEDGE);
  AddControl(dialog, L"STATIC", L"days.", SS_LEFT | WS_GROUP, 150, 87, 45, 20, -1);
  AddSeparator(dialog, 10, 125, 410);
  AddControl(dialog, L"BUTTON", L"Ban player", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 10, 135, 75,
             25, dialog_id::kBanButton);
  AddControl(dialog, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 100, 135, 75, 25, IDCANCEL);
  SendMessageW(permanent, BM_SETCHECK, BST_CHECKED, 0);
  EnableWindow(days, FALSE);
  ShowDialogFrame(dialog, reason);
}
