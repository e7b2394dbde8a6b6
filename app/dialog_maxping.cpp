// The "Set MaxPing" input box, asked for by the network tick when it carries
// out the pending SetMaxPing.
//
// It is modal: it runs its own message loop until answered, with the main
// window (and any open dialog) disabled meanwhile. A WM_QUIT that arrives
// while it runs ends the box as cancelled and is posted again for the main
// loop.
#include <windows.h>

#include "app/dialog_common.h"
#include "app/dialog_ids.h"
#include "app/dialogs.h"
#include "app/keep_focus.h"
#include "app/main_window.h"
#include "app/modal_tick.h"
#include "app/pure/dialog_rules.h"
#include "net/shell.h"

namespace {

constexpr wchar_t kInputBoxClass[] = L"QuorvelInputBox";

struct InputBoxState {
  bool done = false;
  bool accepted = false;
  std::wstring answer;
  FocusMemory focus{nullptr, nullptr, true};
};

LRESULT CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (state && KeepFocus(state->focus, window, message, wParam)) return 0;
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      break;
    case DM_GETDEFID: {
      HWND focus = GetFocus();
      if (focus && GetParent(focus) == window && GetDlgCtrlID(focus) == IDCANCEL)
        return MAKELRESULT(IDCANCEL, DC_HASDEFID);
      return MAKELRESULT(IDOK, DC_HASDEFID);
    }
    case WM_COMMAND:
      if (state && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) &&
          HIWORD(wParam) == BN_CLICKED) {
        HWND value = GetDlgItem(window, dialog_id::kMaxPingValue);
        if (LOWORD(wParam) == IDOK && !MaxPingAccepted(Narrow(WindowTextW(value)))) {
          // Sent as it stands, 4294967297 would reach the server as 1.
          DialogMessageBox(window, Widen(kMaxPingRefusedText).c_str(), L"Quorvel",
                           MB_OK | MB_ICONWARNING);
          SetFocus(value);
          SendMessageW(value, EM_SETSEL, 0, -1);
          return 0;
        }
        state->accepted = LOWORD(wParam) == IDOK;
        state->answer = WindowTextW(value);
        state->done = true;
        return 0;
      }
      break;
    case WM_CLOSE:
      if (state) state->done = true;
      return 0;
    case WM_CTLCOLORSTATIC:
      return FaceColours(reinterpret_cast<HDC>(wParam));
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterInputBoxClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = InputBoxProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kInputBoxClass;
  registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return registered;
}

// Disables a window for the life of the guard, if it was enabled.
class ScopedDisable {
 public:
  explicit ScopedDisable(HWND window)
      : window_(window && IsWindow(window) && IsWindowEnabled(window) ? window : nullptr) {
    if (window_) EnableWindow(window_, FALSE);
  }
  ~ScopedDisable() {
    if (window_ && IsWindow(window_)) EnableWindow(window_, TRUE);
  }
  ScopedDisable(const ScopedDisable&) = delete;
  ScopedDisable& operator=(const ScopedDisable&) = delete;

 private:
  HWND window_;
};

// The box now open, for the end of a session to close it.
InputBoxState* g_openBox = nullptr;

}  // namespace

bool CancelMaxPingBox() {
  if (g_openBox == nullptr || g_openBox->done) return false;
  g_openBox->accepted = false;
  g_openBox->done = true;
  return true;
}

bool AskMaxPing(std::string& answer) {
  answer.clear();
  if (!RegisterInputBoxClass()) return false;

  HWND owner = OpenDialogWindow() ? OpenDialogWindow() : MainWindow();
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT rect{0, 0, 280, 100};
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  RECT around{};
  if (owner && IsWindow(owner)) {
    GetWindowRect(owner, &around);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
  }

  InputBoxState state;
  HWND box = CreateWindowExW(exStyle, kInputBoxClass, L"Set MaxPing", style,
                             around.left + ((around.right - around.left) - width) / 2,
                             around.top + ((around.bottom - around.top) - height) / 2, width, height,
                             owner, nullptr, GetModuleHandleW(nullptr), &state);
  if (!box) return false;
  AddControl(box, L"STATIC", L"Please enter a value:", SS_LEFT, 10, 10, 260, 15, -1);
  HWND value = AddControl(box, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 10, 30, 260, 20,
                          dialog_id::kMaxPingValue, WS_EX_CLIENTEDGE);
  AddControl(box, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 110, 65, 75, 25, IDOK);
  AddControl(box, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 195, 65, 75, 25, IDCANCEL);

  {
    ModalLoopScope modal;
    g_openBox = &state;
    ScopedDisable mainDisabled(MainWindow());
    ScopedDisable dialogDisabled(OpenDialogWindow());
    ShowWindow(box, SW_SHOW);
    SetForegroundWindow(box);
    SetFocus(value);
    MSG msg{};
    while (!state.done) {
      const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got == 0) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (got == -1) break;
      if (!IsDialogMessageW(box, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    g_openBox = nullptr;
  }  // enabled again before the box goes, so activation returns to them
  DestroyWindow(box);
  if (!state.accepted) return false;
  answer = Narrow(state.answer);
  return true;
}
