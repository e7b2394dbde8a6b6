// Kick Player and Ban Player: both act on the player of the row selected
// when the dialog opened. They only fill in the pending action and its data;
// the network tick sends the command on its next idle pass.
//
// The dialog holds the player's identity (number and GUID, or address), not
// a row: rows move, vanish and come back as the lists refresh, and the
// dialog stays open through all of it. The tick looks the player up in the
// latest list when it sends; if he has left, nothing goes out and the log
// says so.
#include <windows.h>

#include <string>

#include "app/dialog_common.h"
#include "app/dialog_ids.h"
#include "app/dialogs.h"
#include "app/pure/dialog_rules.h"
#include "net/player_rows.h"
#include "net/shell.h"

namespace {

// The player the open dialog was opened for; one dialog is open at a time.
PlayerIdentity g_player;
bool g_havePlayer = false;
// Opened from the history for a GUID: the ban is "addBan", aimed at a GUID
// that need not be on the server.
bool g_byGuid = false;

void HoldSelectedPlayer() {
  g_byGuid = false;
  g_havePlayer = SelectedPlayer(&g_player);
}

std::string ReasonText(HWND reasonField) {
  CutReason(reasonField);
  return WindowTextUtf8(reasonField);
}

void SetTarget(std::string reason, int32_t banMinutes, Action action) {
  if (!g_havePlayer) return;
  PendingActionData.hasTarget = true;
  PendingActionData.target = g_player;
  PendingActionData.reason = std::move(reason);
  PendingActionData.banMinutes = banMinutes;
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
      SetTarget(ReasonText(GetDlgItem(dialog, dialog_id::kKickReason)), PendingActionData.banMinutes, Action::Kick);
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
      if (g_havePlayer) {
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
        SetTarget(ReasonText(GetDlgItem(dialog, dialog_id::kBanReason)),
                  BanMinutes(permanent, WindowTextUtf8(GetDlgItem(dialog, dialog_id::kBanDays))),
                  g_byGuid ? Action::AddBan : Action::Ban);
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
  HoldSelectedPlayer();
  frame.title = L"Kick Player - " + Widen(g_havePlayer ? g_player.name : std::string());
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

namespace {

void BuildBanDialog(HWND mainWindow);

}  // namespace

void OpenBanDialog(HWND mainWindow) {
  HoldSelectedPlayer();
  BuildBanDialog(mainWindow);
}

void OpenBanDialogForGuid(HWND mainWindow, const std::string& guid, const std::string& name) {
  g_player = PlayerIdentity{};
  g_player.guid = guid;
  g_player.name = name;
  g_havePlayer = !guid.empty();
  g_byGuid = true;
  BuildBanDialog(mainWindow);
}

namespace {

void BuildBanDialog(HWND mainWindow) {
  DialogFrame frame;
  frame.kind = DialogKind::Ban;
  frame.title = L"Ban Player - " + Widen(g_havePlayer ? g_player.name : std::string());
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

}  // namespace

void CloseSessionDialogs() {
  const DialogKind kind = OpenDialogKind();
  if (kind == DialogKind::Kick || kind == DialogKind::Ban) {
    CloseDialog(OpenDialogWindow());
    g_havePlayer = false;
    AppendLog(kind == DialogKind::Kick ? "The session ended: the Kick Player window was closed and nothing was sent."
                                       : "The session ended: the Ban Player window was closed and nothing was sent.");
  }
  if (CancelMaxPingBox()) AppendLog("The session ended: the Set MaxPing window was closed and nothing was sent.");
}
