// What the dialogs share: one frame window class, the open-dialog slot,
// control creation in client pixels with the system's dialog font, UTF-8
// text access, and the message box the dialogs show through.
//
// The dialogs are plain windows of one class rather than dialog templates,
// because their layout is given in pixels and dialog units would not land on
// them. IsDialogMessageW still gives them Tab, Enter and Escape: the frame
// answers DM_GETDEFID and turns IDCANCEL into closing.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "app/utf16.h"

enum class DialogKind { None, QuickConnect, Favourites, Kick, Ban, About, Note };

// A dialog's own reaction to a message; return true with *result set when
// handled. The frame handles closing, DM_GETDEFID and control colours.
using DialogHandler = bool (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT* result);

struct DialogFrame {
  DialogKind kind = DialogKind::None;
  std::wstring title;
  int clientWidth = 0;
  int clientHeight = 0;
  bool owned = true;  // owned by the main window and centred on it
  int defaultId = 0;  // the button Enter presses when no button has the focus
  DialogHandler handler = nullptr;
};

// Creates the (hidden) frame. Null when another dialog is open (that one is
// brought to the front instead) or creation failed.
HWND CreateDialogFrame(HWND mainWindow, const DialogFrame& frame);

// Shows the frame, disables the main window and focuses `firstFocus`.
void ShowDialogFrame(HWND dialog, HWND firstFocus);

// Enables the main window again and destroys the dialog.
void CloseDialog(HWND dialog);

DialogKind OpenDialogKind();

// A child control at x, y, width, height in client pixels, visible, with the
// dialog font. Null on failure.
HWND AddControl(HWND dialog, const wchar_t* windowClass, std::wstring_view text, DWORD style,
                int x, int y, int width, int height, int id, DWORD exStyle = 0);
HWND AddLabel(HWND dialog, std::wstring_view text, int x, int y, int width, int height);
HWND AddSeparator(HWND dialog, int x, int y, int width);
// An editable drop-down list whose edit box is `height` pixels high.
HWND AddComboBox(HWND dialog, int x, int y, int width, int height, int id);

// The dialog font: the system's stock GUI font, so it is never deleted.
HFONT DialogFont();

// Answer to WM_CTLCOLORSTATIC/BTN: labels, option buttons and frames sit on
// the dialog's face colour.
LRESULT FaceColours(HDC dc);

std::wstring WindowTextW(HWND window);
std::string WindowTextUtf8(HWND window);
void SetWindowTextUtf8(HWND window, std::string_view utf8);

// Every message box the dialogs show goes through here, so that tests can
// record caption and text instead of blocking on a modal box.
using MessageBoxFunction = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption,
                                   UINT type);
extern MessageBoxFunction DialogMessageBox;

// Opens a web address in the default browser; replaceable for the same reason.
using OpenAddressFunction = void (*)(const wchar_t* address);
extern OpenAddressFunction OpenWebAddress;

// The text of the password refusal, caption "Quorvel".
extern const wchar_t kPasswordTooLongText[];

// The reasons offered by Kick and Ban, and the longest reason kept.
constexpr int kMaxReasonLength = 32;
void AddReasons(HWND comboBox);
// Cuts the reason field to kMaxReasonLength characters when it is longer.
void CutReason(HWND comboBox);

// The control with this id in the open dialog, or null; tests drive the
// dialogs through it.
HWND OpenDialogItem(int id);
