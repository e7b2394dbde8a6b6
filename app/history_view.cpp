// The "History" tab and the feeding of the player history; see history_view.h.
//
// The tab's controls sit on a pane, which hands their WM_COMMAND and
// WM_NOTIFY up to the main window (containers.h); the main window passes
// them, and the history's wake-up message, to HistoryViewMessage first.
#include "app/history_view.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/favourites.h"
#include "app/main_window.h"
#include "app/main_window_internal.h"
#include "app/menu_ids.h"
#include "app/pure/layout.h"
#include "app/utf16.h"
#include "history/history.h"
#include "net/history_feed.h"
#include "net/players.h"
#include "net/server_events.h"
#include "net/session.h"
#include "net/shell.h"

namespace {

constexpr int kIdSearch = 120;
constexpr int kIdHistoryList = 121;
constexpr int kSearchHeight = 22;
constexpr int kGap = 4;

struct Column {
  const wchar_t* title;
  int width;
  SortKind sort;  // of the column's key (SortKey), not of its shown text
};
constexpr int kFirstSeen = 4;
constexpr int kLastSeen = 5;
constexpr int kTimesSeen = 6;
constexpr std::array<Column, 9> kColumns{{
    {L"Last name", 100, SortKind::Text},
    {L"Other names", 85, SortKind::Text},
    {L"GUID", 95, SortKind::Text},
    {L"Last address", 90, SortKind::Text},
    {L"First seen", 120, SortKind::Integer},
    {L"Last seen", 120, SortKind::Integer},
    {L"Times seen", 65, SortKind::Integer},
    {L"Note", 90, SortKind::Text},
    {L"Banned by Quorvel", 60, SortKind::Text},
}};

history::HistoryWriter* g_writer = nullptr;
// Read by the history's thread when it wakes the window.
std::atomic<HWND> g_wakeWindow{nullptr};

HWND g_page = nullptr;
HWND g_search = nullptr;
HWND g_list = nullptr;
HMENU g_popup = nullptr;
std::vector<history::Match> g_matches;  // the rows, by their lParam
// The column the admin sorted by (-1: the search's order, latest seen
// first); kept across searches, so new results come sorted the same way.
int g_sortColumn = -1;
bool g_sortDescending = false;

void Wake() {
  if (HWND window = g_wakeWindow.load()) PostMessageW(window, kHistoryReadyMessage, 0, 0);
}

// ---- Feeding -------------------------------------------------------------

void ListRead(const std::vector<PlayerRecord>& players) {
  history::SeenList list;
  list.server = HistoryServerName();
  list.time = history::NowSeconds();
  list.players.reserve(players.size());
  for (const PlayerRecord& p : players) list.players.push_back({p.number, p.name, p.guid, p.address});
  history::QueueList(g_writer, std::move(list));
}

void SearchAgain();

void CommandSent(const SentCommand& command) {
  history::AdminAction action;
  action.server = HistoryServerName();
  action.time = history::NowSeconds();
  switch (command.kind) {
    case SentCommandKind::Kick: action.kind = history::ActionKind::Kick; break;
    case SentCommandKind::Ban:
    case SentCommandKind::AddBan: action.kind = history::ActionKind::Ban; break;
    case SentCommandKind::RemoveBan: action.kind = history::ActionKind::RemoveBan; break;
  }
  action.target = command.target;
  action.reason = command.reason;
  action.minutes = command.minutes;
  history::QueueAction(g_writer, std::move(action));
  // The "banned by Quorvel" column follows.
  if (command.kind != SentCommandKind::Kick) SearchAgain();
}

// Joins and GUIDs as the server announces them: a player who leaves before
// the next list is still recorded, and one listed before his GUID was known
// gets it as soon as it is.
void ServerLine(std::string_view line) {
  ServerEvent event;
  const ServerEventKind kind = ReadServerEvent(line, &event);
  if (kind != ServerEventKind::PlayerConnected && kind != ServerEventKind::PlayerGuid &&
      kind != ServerEventKind::PlayerGuidVerified) {
    return;
  }
  history::GuidEvent guid;
  guid.server = HistoryServerName();
  guid.time = history::NowSeconds();
  guid.number = event.number;
  guid.name = std::string(event.name);
  guid.guid = std::string(event.guid);
  const std::string_view address = event.address.substr(0, event.address.find(':'));
  guid.address = std::string(address);
  history::QueueGuid(g_writer, std::move(guid));
}

// ---- The list --------------------------------------------------------------

// Seconds since 1970 (UTC) in the user's local date and time format.
std::wstring LocalTime(int64_t seconds) {
  if (seconds <= 0) return {};
  const uint64_t ticks = static_cast<uint64_t>(seconds) * 10000000ULL + 116444736000000000ULL;
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  wchar_t date[64] = {};
  wchar_t time[64] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 64);
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, 64);
  return std::wstring(date) + L" " + time;
}

// What a column sorts by: its text, but the dates by the seconds they stand
// for (the shown form is the user's and need not sort) and the count by its
// number.
std::string SortKey(const history::Match& m, int column) {
  switch (column) {
    case 0: return m.lastName;
    case 1: {
      std::string others;
      for (const std::string& name : m.otherNames) {
        if (!others.empty()) others += ", ";
        others += name;
      }
      return others;
    }
    case 2: return m.guid;
    case 3: return m.lastAddress;
    case kFirstSeen: return std::to_string(m.firstSeen);
    case kLastSeen: return std::to_string(m.lastSeen);
    case kTimesSeen: return std::to_string(m.timesSeen);
    case 7: return m.note;
    default: return m.bannedByQuorvel ? "Yes" : "";
  }
}

std::wstring CellText(const history::Match& m, int column) {
  if (column == kFirstSeen) return LocalTime(m.firstSeen);
  if (column == kLastSeen) return LocalTime(m.lastSeen);
  return Widen(SortKey(m, column));
}

// Puts g_matches in the chosen column's order; equal keys keep the search's
// order, the latest seen first.
void SortMatches() {
  if (g_sortColumn < 0) return;
  const SortKind kind = kColumns[static_cast<size_t>(g_sortColumn)].sort;
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(g_matches.size());
  for (size_t i = 0; i < g_matches.size(); ++i) keys.emplace_back(SortKey(g_matches[i], g_sortColumn), i);
  std::stable_sort(keys.begin(), keys.end(), [kind](const auto& a, const auto& b) {
    const int order = CompareCells(a.first, b.first, kind);
    return g_sortDescending ? order > 0 : order < 0;
  });
  std::vector<history::Match> sorted;
  sorted.reserve(g_matches.size());
  for (const auto& key : keys) sorted.push_back(std::move(g_matches[key.second]));
  g_matches = std::move(sorted);
}

const history::Match* SelectedMatch() {
  if (g_list == nullptr) return nullptr;
  const int row = static_cast<int>(SendMessageW(g_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (row < 0) return nullptr;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageW(g_list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  const size_t at = static_cast<size_t>(item.lParam);
  return at < g_matches.size() ? &g_matches[at] : nullptr;
}

// The rows replaced by a search's matches; the selected player stays
// selected when he is still among them.
void ShowMatches(std::vector<history::Match> matches) {
  const history::Match* selected = SelectedMatch();
  const std::string keep = selected ? selected->guid : std::string();
  g_matches = std::move(matches);
  SortMatches();
  SendMessageW(g_list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(g_list, LVM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < g_matches.size(); ++i) {
    std::wstring text = CellText(g_matches[i], 0);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(i);
    item.pszText = text.data();
    item.lParam = static_cast<LPARAM>(i);
    const int row = static_cast<int>(SendMessageW(g_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) continue;
    for (int c = 1; c < static_cast<int>(kColumns.size()); ++c) {
      text = CellText(g_matches[i], c);
      LVITEMW sub{};
      sub.iSubItem = c;
      sub.pszText = text.data();
      SendMessageW(g_list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&sub));
    }
    if (!keep.empty() && g_matches[i].guid == keep) {
      LVITEMW state{};
      state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      state.state = state.stateMask;
      SendMessageW(g_list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    }
  }
  SendMessageW(g_list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(g_list, nullptr, TRUE);
}

std::string SearchText() {
  if (g_search == nullptr) return {};
  const int length = GetWindowTextLengthW(g_search);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(g_search, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return Narrow(text);
}

void SearchAgain() {
  if (g_writer != nullptr && g_search != nullptr) history::QueueSearch(g_writer, SearchText());
}

// A header click: ascending, the same column again descending.
void SortHistory(int column) {
  if (g_list == nullptr || column < 0 || column >= static_cast<int>(kColumns.size())) return;
  g_sortDescending = column == g_sortColumn && !g_sortDescending;
  g_sortColumn = column;
  ShowMatches(g_matches);  // a copy: the selection is read from the rows shown
  MarkSortedColumn(g_list, g_sortColumn, g_sortDescending);
  const int selected =
      static_cast<int>(SendMessageW(g_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (selected >= 0) SendMessageW(g_list, LVM_ENSUREVISIBLE, selected, FALSE);
}

void OnHistoryReady() {
  if (g_writer == nullptr) return;
  std::string notice;
  // A notice may mean the file was replaced: the rows shown came from the
  // old one.
  if (history::TakeHistoryNotice(g_writer, &notice)) {
    AppendLog(notice);
    SearchAgain();
  }
  history::SearchResult result;
  // An answer to text since changed is dropped: the answer to the new text
  // is on its way, and the rows would only flicker.
  if (history::TakeSearchResult(g_writer, &result) && result.text == SearchText()) {
    ShowMatches(std::move(result.matches));
  }
}

void CopyText(const std::string& utf8) {
  if (utf8.empty() || !OpenClipboard(MainWindow())) return;
  EmptyClipboard();
  const std::wstring text = Widen(utf8);
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* place = GlobalLock(memory)) {
      memcpy(place, text.c_str(), bytes);
      GlobalUnlock(memory);
      if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

void ShowPopupAt(POINT at) {
  const history::Match* match = SelectedMatch();
  if (match == nullptr || g_popup == nullptr) return;
  // A ban goes to the server this session is logged in to.
  EnableMenuItem(g_popup, menu_id::kHistoryBan, MF_BYCOMMAND | (Session.connected ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(g_popup, menu_id::kHistoryCopyAddress,
                 MF_BYCOMMAND | (match->lastAddress.empty() ? MF_GRAYED : MF_ENABLED));
  ShowPopupMenu(g_popup, at);
}

void OnPopupCommand(int id) {
  const history::Match* match = SelectedMatch();
  if (match == nullptr) return;
  const history::Match m = *match;  // the rows may be replaced while a dialog is open
  switch (id) {
    case menu_id::kHistoryBan: OpenBanDialogForGuid(MainWindow(), m.guid, m.lastName); break;
    case menu_id::kHistoryNote: OpenNoteDialog(MainWindow(), m.guid, m.lastName, m.note); break;
    case menu_id::kHistoryCopyGuid: CopyText(m.guid); break;
    case menu_id::kHistoryCopyAddress: CopyText(m.lastAddress); break;
    default: break;
  }
}

}  // namespace

void StartPlayerHistory(HWND mainWindow) {
  g_wakeWindow.store(mainWindow);
  CreateDirectoryW(FavouritesFolder().c_str(), nullptr);
  g_writer = history::StartHistory(Narrow(FavouritesFolder() + L"history.db"), Wake);
  if (g_writer == nullptr) {
    AppendLog("The player history is off: its thread could not be started.");
    return;
  }
  HistoryFeed.listRead = ListRead;
  HistoryFeed.commandSent = CommandSent;
  HistoryFeed.serverLine = ServerLine;
}

void StopPlayerHistory() {
  HistoryFeed = HistoryHooks{};
  g_wakeWindow.store(nullptr);
  if (g_writer != nullptr) history::StopHistory(g_writer);
  g_writer = nullptr;
  if (g_popup != nullptr) DestroyMenu(g_popup);
  g_popup = nullptr;
  g_page = g_search = g_list = nullptr;
  g_matches.clear();
  g_sortColumn = -1;
  g_sortDescending = false;
}

void SaveHistoryNote(const std::string& guid, const std::string& note) {
  if (g_writer == nullptr) return;
  if (!history::QueueNote(g_writer, guid, note)) AppendLog("The note could not be saved: the player history is off.");
  SearchAgain();
}

void CreateHistoryView(HWND page) {
  g_page = page;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  g_search = CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                             0, 0, 300, kSearchHeight, page,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdSearch)), instance, nullptr);
  if (g_search) {
    SendMessageW(g_search, WM_SETFONT, reinterpret_cast<WPARAM>(MainFont()), FALSE);
    SendMessageW(g_search, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"Search names, GUIDs and addresses"));
  }
  g_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0,
                           kSearchHeight + kGap, 300, 200, page,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdHistoryList)), instance, nullptr);
  if (g_list) {
    SendMessageW(g_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP);
    SendMessageW(g_list, WM_SETFONT, reinterpret_cast<WPARAM>(MainFont()), FALSE);
    for (size_t i = 0; i < kColumns.size(); ++i) {
      LVCOLUMNW col{};
      col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      col.pszText = const_cast<wchar_t*>(kColumns[i].title);
      col.cx = kColumns[i].width;
      col.iSubItem = static_cast<int>(i);
      SendMessageW(g_list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
  }
  g_popup = CreatePopupMenu();
  if (g_popup) {
    AppendMenuW(g_popup, MF_STRING, menu_id::kHistoryBan, L"Ban\u2026");
    AppendMenuW(g_popup, MF_STRING, menu_id::kHistoryNote, L"Edit note\u2026");
    AppendMenuW(g_popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(g_popup, MF_STRING, menu_id::kHistoryCopyGuid, L"Copy GUID");
    AppendMenuW(g_popup, MF_STRING, menu_id::kHistoryCopyAddress, L"Copy address");
  }
}

void LayoutHistoryView() {
  if (g_page == nullptr) return;
  RECT page;
  GetClientRect(g_page, &page);
  const int width = page.right > 10 ? page.right - 10 : 0;
  const int listTop = kSearchHeight + kGap;
  const int listHeight = page.bottom > listTop + 25 ? page.bottom - listTop - 25 : 0;
  if (g_search) MoveWindow(g_search, 0, 0, width, kSearchHeight, TRUE);
  if (g_list) MoveWindow(g_list, 0, listTop, width, listHeight, TRUE);
}

bool HistoryViewMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case kHistoryReadyMessage:
      OnHistoryReady();
      *result = 0;
      return true;
    case WM_COMMAND:
      if (g_search != nullptr && reinterpret_cast<HWND>(lParam) == g_search) {
        if (HIWORD(wParam) == EN_CHANGE) SearchAgain();
        *result = 0;
        return true;
      }
      if (lParam == 0 && LOWORD(wParam) >= menu_id::kHistoryBan && LOWORD(wParam) <= menu_id::kHistoryCopyAddress) {
        OnPopupCommand(LOWORD(wParam));
        *result = 0;
        return true;
      }
      return false;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (g_list == nullptr || header->hwndFrom != g_list) return false;
      if (header->code == NM_RCLICK) {
        const DWORD pos = GetMessagePos();
        ShowPopupAt(POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))});
      } else if (header->code == LVN_COLUMNCLICK) {
        SortHistory(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
      }
      *result = 0;
      return true;
    }
    case WM_CONTEXTMENU: {
      // The menu key or Shift+F10: under the selected row.
      if (g_list == nullptr || reinterpret_cast<HWND>(wParam) != g_list || lParam != -1) return false;
      const int row =
          static_cast<int>(SendMessageW(g_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
      if (row >= 0) {
        RECT rect{LVIR_LABEL, 0, 0, 0};
        SendMessageW(g_list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        POINT at{rect.left + 8, rect.bottom};
        ClientToScreen(g_list, &at);
        ShowPopupAt(at);
      }
      *result = 0;
      return true;
    }
    default:
      return false;
  }
}

void HistoryTabShown() { SearchAgain(); }

void ShowHistoryFor(std::string_view guid) {
  // The list's GUID carries the server's "(OK)" or "(?)", which the history
  // does not keep.
  const std::string digits = history::NormalizeGuid(guid);
  if (g_search == nullptr || digits.empty()) return;
  SelectHistoryTab();
  // Setting the text sends EN_CHANGE, which searches.
  SetWindowTextW(g_search, Widen(digits).c_str());
  SetFocus(g_search);
}

HWND HistorySearchBox() { return g_search; }
HWND HistoryListView() { return g_list; }
void ShowHistoryMatchesForTesting(std::vector<history::Match> matches) { ShowMatches(std::move(matches)); }
