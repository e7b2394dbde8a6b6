// The log pane: filters, the kept log and its file, the message box.
//
// The list is a plain list box holding only the lines the filter shows;
// every line is kept in the LogStore whatever the filter, so changing the
// filter refills the list from the store and loses nothing. The store's
// bound (5,000 lines) is the list's: when the store lets its oldest line go
// and that line was shown, the list's first line goes with it.
//
// The message box is a one-line edit subclassed for Enter (an edit outside
// a dialog would only beep).
#include "app/log_view.h"

#include <commctrl.h>

#include <array>
#include <memory>
#include <string>

#include "app/files/settings.h"
#include "app/main_window_internal.h"
#include "app/pure/log_file.h"
#include "app/pure/log_store.h"
#include "app/utf16.h"
#include "net/player_rows.h"
#include "net/session.h"
#include "platform/platform.h"

namespace {

enum : int { kIdFilterAll = 400, kIdFilterChat, kIdFilterPlayers, kIdFilterAdmin, kIdLogList, kIdTarget, kIdMessage };
constexpr int kRowHeight = 22;
constexpr wchar_t kEditHookProperty[] = L"Quorvel.MessageBox";

struct LogViewState {
  HWND pane = nullptr;
  HWND list = nullptr;
  std::array<HWND, 4> filters{};
  HWND target = nullptr;
  HWND message = nullptr;
  LogFilter filter = LogFilter::All;
  // The player the box is aimed at when its second choice is picked.
  bool havePlayer = false;
  PlayerIdentity player;
};

LogViewState g;

LogStore& Store() {
  static LogStore store;
  return store;
}

// The day's file of the session's server; remade when the server changes.
struct FileState {
  std::unique_ptr<LogFileAppender> appender;
  std::string host;
  int32_t port = 0;
};
FileState g_file;

std::string SettingsFolder() {
  std::string path = Narrow(SettingsPath());
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The text of a failed write, once; "" otherwise.
std::string WriteToFile(int64_t now, std::string_view text) {
  if (Session.host.empty()) return {};
  if (!g_file.appender || g_file.host != Session.host || g_file.port != Session.port) {
    g_file.host = Session.host;
    g_file.port = Session.port;
    g_file.appender = std::make_unique<LogFileAppender>(SettingsFolder(), Session.host, Session.port);
  }
  return g_file.appender->Append(now, text);
}

void ShowLine(const std::string& line) {
  HWND log = g.list;
  const std::wstring wide = Widen(line);
  SendMessageW(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  // One line down from where the view stands, not a jump to the end: someone
  // reading back through the log sees it creep, not leap.
  const LRESULT top = SendMessageW(log, LB_GETTOPINDEX, 0, 0);
  SendMessageW(log, LB_SETTOPINDEX, static_cast<WPARAM>(top + 1), 0);
}

void Keep(std::string line, LogCategory category) {
  LogCategory dropped = LogCategory::Other;
  const bool full = Store().Add(line, category, &dropped);
  if (g.list == nullptr) return;
  if (full && ShownUnder(g.filter, dropped)) {
    // The lines below moving up is the step down.
    const LRESULT top = SendMessageW(g.list, LB_GETTOPINDEX, 0, 0);
    SendMessageW(g.list, LB_DELETESTRING, 0, 0);
    if (ShownUnder(g.filter, category)) {
      const std::wstring wide = Widen(line);
      SendMessageW(g.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
      SendMessageW(g.list, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    }
    return;
  }
  if (ShownUnder(g.filter, category)) ShowLine(line);
}

void Refill() {
  if (g.list == nullptr) return;
  SendMessageW(g.list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(g.list, LB_RESETCONTENT, 0, 0);
  const LogStore& store = Store();
  for (size_t i = 0; i < store.size(); ++i) {
    if (!ShownUnder(g.filter, store.at(i).category)) continue;
    const std::wstring wide = Widen(store.at(i).text);
    SendMessageW(g.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  const LRESULT count = SendMessageW(g.list, LB_GETCOUNT, 0, 0);
  if (count > 0) SendMessageW(g.list, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
  SendMessageW(g.list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(g.list, nullptr, TRUE);
}

std::wstring PlayerChoiceText(const PlayerIdentity& player) {
  return Widen(player.name + " (#" + std::to_string(player.number) + ")");
}

// The second choice names the player selected now, or is absent.
void OfferSelectedPlayer() {
  if (g.target == nullptr) return;
  PlayerIdentity selected;
  const bool have = SelectedPlayer(&selected);
  const LRESULT chosen = SendMessageW(g.target, CB_GETCURSEL, 0, 0);
  // A player already chosen stays the target until another is chosen.
  if (chosen == 1) return;
  while (SendMessageW(g.target, CB_GETCOUNT, 0, 0) > 1) SendMessageW(g.target, CB_DELETESTRING, 1, 0);
  if (!have) return;
  const std::wstring text = PlayerChoiceText(selected);
  SendMessageW(g.target, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  g.player = selected;
}

void AimAt(const PlayerIdentity& player) {
  g.player = player;
  g.havePlayer = true;
  while (SendMessageW(g.target, CB_GETCOUNT, 0, 0) > 1) SendMessageW(g.target, CB_DELETESTRING, 1, 0);
  const std::wstring text = PlayerChoiceText(player);
  SendMessageW(g.target, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(g.target, CB_SETCURSEL, 1, 0);
}

LRESULT CALLBACK MessageBoxProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto previous = reinterpret_cast<WNDPROC>(GetPropW(edit, kEditHookProperty));
  switch (message) {
    case WM_GETDLGCODE:
      if (wParam == VK_RETURN) return DLGC_WANTALLKEYS;
      break;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        LogView_Send();
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\r' || wParam == L'\n') return 0;  // no beep
      break;
    case WM_NCDESTROY:
      RemovePropW(edit, kEditHookProperty);
      SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      break;
    default:
      break;
  }
  return previous ? CallWindowProcW(previous, edit, message, wParam, lParam)
                  : DefWindowProcW(edit, message, wParam, lParam);
}

HWND MakeControl(const wchar_t* cls, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0) {
  HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, g.pane,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MainFont()), FALSE);
  return control;
}

}  // namespace

HWND LogView_Create(HWND pane) {
  g = LogViewState{};
  g.pane = pane;
  if (pane == nullptr) return nullptr;
  const wchar_t* titles[] = {L"All", L"Chat", L"Players", L"Admin"};
  for (size_t i = 0; i < g.filters.size(); ++i) {
    g.filters[i] = MakeControl(WC_BUTTONW, titles[i],
                               WS_TABSTOP | BS_AUTORADIOBUTTON | BS_PUSHLIKE | (i == 0 ? WS_GROUP : 0),
                               kIdFilterAll + static_cast<int>(i));
  }
  if (g.filters[0]) SendMessageW(g.filters[0], BM_SETCHECK, BST_CHECKED, 0);
  g.list = MakeControl(WC_LISTBOXW, L"", WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, kIdLogList, WS_EX_CLIENTEDGE);
  g.target = MakeControl(WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kIdTarget);
  if (g.target) {
    SendMessageW(g.target, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Everyone"));
    SendMessageW(g.target, CB_SETCURSEL, 0, 0);
  }
  g.message = MakeControl(WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, kIdMessage, WS_EX_CLIENTEDGE);
  if (g.message) {
    SendMessageW(g.message, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Message"));
    const LONG_PTR previous = GetWindowLongPtrW(g.message, GWLP_WNDPROC);
    SetPropW(g.message, kEditHookProperty, reinterpret_cast<HANDLE>(previous));
    SetWindowLongPtrW(g.message, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MessageBoxProc));
  }
  Refill();
  LogView_Layout();
  return g.list;
}

void LogView_Layout() {
  if (g.pane == nullptr) return;
  RECT pane;
  GetClientRect(g.pane, &pane);
  const int width = pane.right;
  const int height = pane.bottom;
  int x = 0;
  for (HWND button : g.filters) {
    if (button) MoveWindow(button, x, 0, 64, kRowHeight, TRUE);
    x += 66;
  }
  const int listTop = kRowHeight + 2;
  const int listBottom = height - kRowHeight - 2;
  if (g.list) MoveWindow(g.list, 0, listTop, width, listBottom > listTop ? listBottom - listTop : 0, TRUE);
  const int targetWidth = 170;
  // A drop-down list's height is its list's; the closed box is one row.
  if (g.target) MoveWindow(g.target, 0, height - kRowHeight, targetWidth, 200, TRUE);
  if (g.message) MoveWindow(g.message, targetWidth + 4, height - kRowHeight, width - targetWidth - 4, kRowHeight, TRUE);
}

bool LogView_OnCommand(WPARAM wParam, LPARAM lParam) {
  const HWND from = reinterpret_cast<HWND>(lParam);
  if (from == nullptr || g.pane == nullptr) return false;
  for (size_t i = 0; i < g.filters.size(); ++i) {
    if (from == g.filters[i]) {
      if (HIWORD(wParam) == BN_CLICKED) LogView_SetFilter(static_cast<LogFilter>(i));
      return true;
    }
  }
  if (from == g.target) {
    if (HIWORD(wParam) == CBN_DROPDOWN) OfferSelectedPlayer();
    if (HIWORD(wParam) == CBN_SELCHANGE) {
      g.havePlayer = SendMessageW(g.target, CB_GETCURSEL, 0, 0) == 1;
    }
    return true;
  }
  return from == g.message || from == g.list;
}

void LogView_SetFilter(LogFilter filter) {
  const size_t index = static_cast<size_t>(filter);
  if (index >= g.filters.size()) return;
  for (size_t i = 0; i < g.filters.size(); ++i) {
    if (g.filters[i]) SendMessageW(g.filters[i], BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  if (filter == g.filter) return;
  g.filter = filter;
  Refill();
}

LogFilter LogView_Filter() { return g.filter; }

void LogView_MessagePlayer(const PlayerIdentity& player) {
  if (g.target == nullptr || g.message == nullptr) return;
  AimAt(player);
  SetFocus(g.message);
}

bool LogView_Send() {
  if (g.message == nullptr) return false;
  const int length = GetWindowTextLengthW(g.message);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(g.message, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  if (text.empty() || !IsConnected()) return false;
  const bool toPlayer = g.havePlayer && SendMessageW(g.target, CB_GETCURSEL, 0, 0) == 1;
  PendingActionData.sayToEveryone = !toPlayer;
  PendingActionData.sayTarget = toPlayer ? g.player : PlayerIdentity{};
  PendingActionData.sayText = Narrow(text);
  PendingAction = Action::Say;
  SetWindowTextW(g.message, L"");
  return true;
}

HWND LogView_MessageBox() { return g.message; }
HWND LogView_TargetBox() { return g.target; }
HWND LogView_FilterButton(LogFilter filter) {
  const size_t index = static_cast<size_t>(filter);
  return index < g.filters.size() ? g.filters[index] : nullptr;
}

void LogView_Clear() {
  Store().Clear();
  Refill();
}

std::string LogView_FilePath() { return g_file.appender ? g_file.appender->path() : std::string(); }

// ---- The shell's log operations (net/shell.h) --------------------------------

void AppendLogAs(std::string_view text, LogCategory category) {
  const int64_t now = platform::LocalTimeSeconds();
  const std::string failed = WriteToFile(now, text);
  Keep(LogTimePrefix(now) + std::string(text), category);
  if (!failed.empty()) Keep(LogTimePrefix(now) + failed, LogCategory::Other);
}

void AppendLog(std::string_view text) { AppendLogAs(text, LogCategory::Other); }
