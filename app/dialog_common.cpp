// The dialog frame window class and the helpers the dialogs share; see
// dialog_common.h. Only one dialog is open at a time: the main window is
// disabled while it is, so no menu can open a second one.
#include "app/dialog_common.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/dialogs.h"
#include "app/keep_focus.h"
#include "app/modal_tick.h"

MessageBoxFunction DialogMessageBox = [](HWND owner, const wchar_t* text, const wchar_t* caption,
                                         UINT type) {
  ModalLoopScope modal;
  return MessageBoxW(owner, text, caption, type);
};

OpenAddressFunction OpenWebAddress = [](const wchar_t* address) {
  ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
};

const wchar_t kPasswordTooLongText[] =
    L"The password is too long to be sent to the server. Please enter a shorter password.";

namespace {

constexpr wchar_t kFrameClass[] = L"QuorvelDialog";

struct OpenDialog {
  HWND window = nullptr;
  HWND mainWindow = nullptr;
  DialogKind kind = DialogKind::None;
  int defaultId = 0;
  DialogHandler handler = nullptr;
  FocusMemory focus{nullptr, nullptr, true};
};
OpenDialog g_open;

bool IsPushButton(HWND window) {
  wchar_t cls[16] = {};
  if (!window || !GetClassNameW(window, cls, 16) || lstrcmpiW(cls, L"Button") != 0) return false;
  LONG type = GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_open.window == window && g_open.handler) {
    LRESULT result = 0;
    if (g_open.handler(window, message, wParam, lParam, &result)) return result;
  }
  if (g_open.window == window && KeepFocus(g_open.focus, window, message, wParam)) return 0;
  switch (message) {
    case DM_GETDEFID: {
      // A focused push button is what Enter presses, as in a real dialog;
      // otherwise the dialog's default button, if it has one.
      HWND focus = GetFocus();
      if (IsPushButton(focus) && GetParent(focus) == window)
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
      return g_open.defaultId ? MAKELRESULT(g_open.defaultId, DC_HASDEFID) : 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) <= BN_CLICKED) {
        CloseDialog(window);
        return 0;
      }
      break;
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE:
    case WM_ENTERIDLE:
      FollowModalLoop(message);
      break;
    case WM_CLOSE:
      CloseDialog(window);
      return 0;
    case WM_PRINTCLIENT: {
      // Themed group boxes and option buttons paint their background by
      // asking the parent to print itself; DefWindowProc would leave it black.
      RECT client{};
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      return FaceColours(reinterpret_cast<HDC>(wParam));
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterFrameClass() {
  static bool registered = false;
  if (registered) return true;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFrameClass;
  registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return registered;
}

}  // namespace

HWND CreateDialogFrame(HWND mainWindow, const DialogFrame& frame) {
  if (g_open.window) {
    SetForegroundWindow(g_open.window);
    return nullptr;
  }
  if (!RegisterFrameClass()) return nullptr;

  // No WS_CLIPCHILDREN: a group box does not paint its inside, the dialog
  // beneath it has to.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (frame.owned ? 0 : WS_EX_APPWINDOW);
  RECT rect{0, 0, frame.clientWidth, frame.clientHeight};
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;

  RECT around{};
  if (frame.owned && mainWindow && IsWindow(mainWindow)) {
    GetWindowRect(mainWindow, &around);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
  }
  const int x = around.left + ((around.right - around.left) - width) / 2;
  const int y = around.top + ((around.bottom - around.top) - height) / 2;

  HWND window = CreateWindowExW(exStyle, kFrameClass, frame.title.c_str(), style, x, y, width,
                                height, frame.owned ? mainWindow : nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;
  g_open = {window, mainWindow, frame.kind, frame.defaultId, frame.handler, {nullptr, nullptr, true}};
  return window;
}

void ShowDialogFrame(HWND dialog, HWND firstFocus) {
  ShowWindow(dialog, SW_SHOW);
  if (g_open.mainWindow && IsWindow(g_open.mainWindow)) EnableWindow(g_open.mainWindow, FALSE);
  SetForegroundWindow(dialog);
  if (firstFocus) SetFocus(firstFocus);
}

void CloseDialog(HWND dialog) {
  if (!dialog || dialog != g_open.window) return;
  HWND mainWindow = g_open.mainWindow;
  g_open = {};
  // Enable the main window before the dialog goes, so that activation passes
  // back to it rather than to some other application's window.
  if (mainWindow && IsWindow(mainWindow)) EnableWindow(mainWindow, TRUE);
  DestroyWindow(dialog);
  if (mainWindow && IsWindow(mainWindow)) SetForegroundWindow(mainWindow);
}

DialogKind OpenDialogKind() { return g_open.kind; }

HWND OpenDialogWindow() { return g_open.window; }

HWND OpenDialogItem(int id) { return g_open.window ? GetDlgItem(g_open.window, id) : nullptr; }

bool RouteDialogMessage(MSG* msg) {
  if (!msg || !g_open.window || !IsWindow(g_open.window)) return false;
  if (msg->hwnd != g_open.window && !IsChild(g_open.window, msg->hwnd)) return false;
  return IsDialogMessageW(g_open.window, msg) != 0;
}

HFONT DialogFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

HWND AddControl(HWND dialog, const wchar_t* windowClass, std::wstring_view text, DWORD style,
                int x, int y, int width, int height, int id, DWORD exStyle) {
  std::wstring caption(text);
  HWND control = CreateWindowExW(exStyle, windowClass, caption.c_str(), WS_CHILD | WS_VISIBLE | style,
                                 x, y, width, height, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
  return control;
}

HWND AddLabel(HWND dialog, std::wstring_view text, int x, int y, int width, int height) {
  return AddControl(dialog, L"STATIC", text, SS_LEFT | SS_NOPREFIX, x, y, width, height, -1);
}

HWND AddSeparator(HWND dialog, int x, int y, int width) {
  return AddControl(dialog, L"STATIC", L"", SS_ETCHEDHORZ, x, y, width, 2, -1);
}

HWND AddComboBox(HWND dialog, int x, int y, int width, int height, int id) {
  // The height given to CreateWindow is the dropped list's; the edit box's
  // own height follows the item height, which is set to make it `height`.
  HWND combo = AddControl(dialog, L"COMBOBOX", L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                          x, y, width, height + 150, id);
  if (!combo) return nullptr;
  // The item height that gives a selection field of `height` is not the same
  // on every system (Wine reports two more than it was set to), so adjust by
  // what the field's actual height turns out to be.
  int itemHeight = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 3 && itemHeight > 0; ++attempt) {
    RECT rect{};
    GetWindowRect(combo, &rect);
    const int off = height - (rect.bottom - rect.top);
    if (off == 0 || itemHeight + off <= 0) break;
    itemHeight += off;
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
  }
  return combo;
}

std::wstring WindowTextW(HWND window) {
  if (!window) return {};
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  length = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return text;
}

std::string WindowTextUtf8(HWND window) { return Narrow(WindowTextW(window)); }

void SetWindowTextUtf8(HWND window, std::string_view utf8) {
  SetWindowTextW(window, Widen(utf8).c_str());
}

void AddReasons(HWND comboBox) {
  for (const wchar_t* reason : {L"Abusive language", L"Excessive teamkilling", L"Cheating/Hacking"})
    SendMessageW(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(reason));
}

void CutReason(HWND comboBox) {
  std::wstring text = WindowTextW(comboBox);
  if (text.size() <= static_cast<size_t>(kMaxReasonLength)) return;
  // Never keep half of a surrogate pair at the cut.
  size_t keep = kMaxReasonLength;
  if (IS_HIGH_SURROGATE(text[keep - 1])) --keep;
  text.resize(keep);
  SetWindowTextW(comboBox, text.c_str());
  SendMessageW(comboBox, CB_SETEDITSEL, 0, MAKELPARAM(keep, keep));
}

LRESULT FaceColours(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}
