// "Edit note": the admin's note on a player of the history, by GUID. The
// note is handed to the history's thread; the dialog never waits for it.
#include <windows.h>

#include <string>

#include "app/dialog_common.h"
#include "app/dialog_ids.h"
#include "app/dialogs.h"
#include "app/history_view.h"

namespace {

// The GUID the open dialog was opened for; one dialog is open at a time.
std::string g_guid;

// Long enough for a story, short enough to show in one cell.
constexpr int kMaxNoteLength = 500;

bool NoteProc(HWND dialog, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
  if (message != WM_COMMAND || LOWORD(wParam) != IDOK || HIWORD(wParam) > BN_CLICKED) return false;
  const std::string note = WindowTextUtf8(GetDlgItem(dialog, dialog_id::kNoteText));
  const std::string guid = g_guid;
  CloseDialog(dialog);
  SaveHistoryNote(guid, note);
  *result = 0;
  return true;
}

}  // namespace

void OpenNoteDialog(HWND mainWindow, const std::string& guid, const std::string& name, const std::string& note) {
  if (guid.empty()) return;
  DialogFrame frame;
  frame.kind = DialogKind::Note;
  frame.title = L"Edit note - " + Widen(name.empty() ? guid : name);
  frame.clientWidth = 430;
  frame.clientHeight = 85;
  frame.defaultId = IDOK;
  frame.handler = NoteProc;
  HWND dialog = CreateDialogFrame(mainWindow, frame);
  if (!dialog) return;
  g_guid = guid;

  AddLabel(dialog, L"Note:", 10, 12, 50, 15);
  HWND text = AddControl(dialog, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 65, 10, 355, 20, dialog_id::kNoteText,
                         WS_EX_CLIENTEDGE);
  SendMessageW(text, EM_LIMITTEXT, kMaxNoteLength, 0);
  SetWindowTextUtf8(text, note);
  SendMessageW(text, EM_SETSEL, 0, -1);
  AddSeparator(dialog, 10, 45, 410);
  AddControl(dialog, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 55, 75, 25, IDOK);
  AddControl(dialog, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 100, 55, 75, 25, IDCANCEL);
  ShowDialogFrame(dialog, text);
}
