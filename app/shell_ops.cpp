// The shell operations the protocol client calls (net/shell.h), over the main
// window's controls. Before the main window exists (or after it is gone) they
// do nothing: the protocol client only relies on the operations themselves.
#include <windows.h>

#include <commctrl.h>

#include <array>
#include <string>

#include "app/info_view.h"
#include "app/main_window.h"
#include "app/main_window_internal.h"
#include "app/menu_ids.h"
#include "app/players_view.h"
#include "app/pure/info_rows.h"
#include "app/utf16.h"
#include "net/shell.h"

namespace {

// The values shown by the information view, by row. They are kept here too,
// so a view created later (or a test) can read what arrived.
std::array<std::string, kInfoRowCount> g_infoValues;

template <size_t N>
void AddRow(HWND list, int32_t id, const std::array<std::string, N>& cells, int image, int at) {
  if (list == nullptr) return;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  if (at < 0 || at > count) at = count;
  std::wstring text = Widen(cells[0]);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
  item.iItem = at;
  item.pszText = text.data();
  item.iImage = image;
  item.lParam = id;
  const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  for (size_t column = 1; column < N; ++column) {
    text = Widen(cells[column]);
    LVITEMW sub{};
    sub.iSubItem = static_cast<int>(column);
    sub.pszText = text.data();
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&sub));
  }
}

int SelectedIndex(HWND list) {
  if (list == nullptr) return -1;
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// The row the view keeps under `id`, wherever the sort has put it; -1.
int RowOf(HWND list, int32_t id) {
  if (list == nullptr) return -1;
  LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = id;
  return static_cast<int>(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

int32_t IdOf(HWND list, int row) {
  if (list == nullptr || row < 0) return -1;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return -1;
  return static_cast<int32_t>(item.lParam);
}

// Rewrites only the cells that changed: an unchanged row is not repainted.
template <size_t N>
void SetCells(HWND list, int row, const std::array<std::string, N>& cells, uint32_t changed) {
  for (size_t column = 0; column < N; ++column) {
    if (!(changed & (1u << column))) continue;
    std::wstring text = Widen(cells[column]);
    LVITEMW sub{};
    sub.iSubItem = static_cast<int>(column);
    sub.pszText = text.data();
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&sub));
  }
}

// Rows inserted or removed above the top row would slide the rows the admin
// is looking at; the row that was on top is put back on top.
struct TopRow {
  int32_t id = -1;
};

void RememberTop(HWND list, TopRow& top) {
  top.id = list ? IdOf(list, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0))) : -1;
}

void RestoreTop(HWND list, const TopRow& top) {
  if (list == nullptr || top.id < 0) return;
  const int row = RowOf(list, top.id);
  const int now = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  if (row < 0 || row == now) return;
  RECT rect{LVIR_BOUNDS, 0, 0, 0};
  if (!SendMessageW(list, LVM_GETITEMRECT, now, reinterpret_cast<LPARAM>(&rect))) return;
  SendMessageW(list, LVM_SCROLL, 0, (row - now) * (rect.bottom - rect.top));
}

TopRow g_playersTop;
TopRow g_bansTop;

// A row added or removed makes the list view lay out and redraw its scroll
// bar there and then: about 20 ms a row under Wine, seconds for a server's
// first list or a burst of joins. While rows come and go the drawing is
// held, and the batch's end lays out and paints once. A batch that only
// rewrites cells leaves the drawing alone, so only those rows repaint.
void HoldRedraw(HWND list, bool& held) {
  if (list == nullptr || held) return;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  held = true;
}

void ReleaseRedraw(HWND list, bool& held) {
  if (!held) return;
  held = false;
  if (list == nullptr) return;
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  // Not every list view repaints by itself when drawing is let go.
  InvalidateRect(list, nullptr, FALSE);
}

bool g_playersHeld = false;
bool g_bansHeld = false;

std::string CellText(HWND list, int row, int column, int columns) {
  if (list == nullptr || row < 0 || column < 0 || column >= columns) return {};
  if (row >= static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0))) return {};
  // Grow the buffer until the text fits: LVM_GETITEMTEXT truncates silently.
  std::wstring buffer(256, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
    if (n < static_cast<int>(buffer.size()) - 1 || buffer.size() >= 65536) {
      return Narrow(std::wstring_view(buffer.data(), static_cast<size_t>(n > 0 ? n : 0)));
    }
    buffer.assign(buffer.size() * 4, L'\0');
  }
}

}  // namespace

namespace {

// The value row for `key`, or -1. The empty key maps to the last heading, and
// a heading has no value column: a reply carrying an empty key must not
// write into it.
int ValueRow(std::string_view key) {
  const int32_t row = InfoRows.Find(key);
  if (row <= 0 || row >= static_cast<int32_t>(g_infoValues.size())) return -1;
  if (InfoRowDefinitions()[static_cast<size_t>(row)].heading) return -1;
  return row;
}

}  // namespace

void SetInfoValue(std::string_view key, std::string_view text) {
  const int row = ValueRow(key);
  if (row < 0) return;
  g_infoValues[static_cast<size_t>(row)].assign(text);
  ShowInfoValue(row, text);
}

std::string InfoValue(const std::string& key) {
  const int row = ValueRow(key);
  return row < 0 ? std::string() : g_infoValues[static_cast<size_t>(row)];
}

void PlayersList_BeginUpdate() { RememberTop(PlayersListView(), g_playersTop); }

void PlayersList_EndUpdate() {
  ReleaseRedraw(PlayersListView(), g_playersHeld);
  RestoreTop(PlayersListView(), g_playersTop);
  PlayersView_UpdateTitle();
}

void PlayersList_HoldRedraw() { HoldRedraw(PlayersListView(), g_playersHeld); }

void PlayersList_InsertRow(int32_t id, const PlayerRow& cells, int at) {
  PlayersList_HoldRedraw();
  const int sorted = PlayersSortedPosition(cells);
  AddRow(PlayersListView(), id, cells, 0, sorted >= 0 ? sorted : at);
}

void PlayersList_UpdateRow(int32_t id, const PlayerRow& cells, uint32_t changedColumns) {
  HWND list = PlayersListView();
  const int row = RowOf(list, id);
  if (row < 0) return;
  SetCells(list, row, cells, changedColumns);
  KeepPlayersRowSorted(row);
}

void PlayersList_RemoveRow(int32_t id) {
  HWND list = PlayersListView();
  const int row = RowOf(list, id);
  if (row < 0) return;
  PlayersList_HoldRedraw();
  SendMessageW(list, LVM_DELETEITEM, row, 0);
}

int32_t PlayersList_SelectedId() {
  HWND list = PlayersListView();
  return IdOf(list, SelectedIndex(list));
}

int PlayersList_SelectedIndex() { return SelectedIndex(PlayersListView()); }

std::string PlayersList_CellText(int row, int column) {
  return CellText(PlayersListView(), row, column, kPlayerColumns);
}

void BansList_BeginUpdate() { RememberTop(BansListView(), g_bansTop); }

void BansList_EndUpdate() {
  ReleaseRedraw(BansListView(), g_bansHeld);
  RestoreTop(BansListView(), g_bansTop);
}

// The bans view shows the server's order; a new ban goes where the list has it.
void BansList_InsertRow(int32_t id, const BanRow& cells, int at) {
  HoldRedraw(BansListView(), g_bansHeld);
  AddRow(BansListView(), id, cells, -1, at);
}

void BansList_UpdateRow(int32_t id, const BanRow& cells, uint32_t changedColumns) {
  HWND list = BansListView();
  const int row = RowOf(list, id);
  if (row >= 0) SetCells(list, row, cells, changedColumns);
}

void BansList_RemoveRow(int32_t id) {
  HWND list = BansListView();
  const int row = RowOf(list, id);
  if (row < 0) return;
  HoldRedraw(list, g_bansHeld);
  SendMessageW(list, LVM_DELETEITEM, row, 0);
}

int32_t BansList_SelectedId() {
  HWND list = BansListView();
  return IdOf(list, SelectedIndex(list));
}

int BansList_SelectedIndex() { return SelectedIndex(BansListView()); }

std::string BansList_CellText(int row, int column) { return CellText(BansListView(), row, column, kBanColumns); }

void SetConnectionControlsDisabled(int disabled) {
  const BOOL enable = disabled ? FALSE : TRUE;
  for (HWND control : {RefreshButton(), PlayersListView(), BansListView()}) {
    if (control) EnableWindow(control, enable);
  }
  PlayersView_UpdateTitle();
  if (HMENU commands = CommandsMenu()) {
    const UINT flags = MF_BYCOMMAND | (disabled ? MF_GRAYED : MF_ENABLED);
    for (int id : {menu_id::kReassign, menu_id::kRestart, menu_id::kShutdown, menu_id::kSetMaxPing, menu_id::kRefresh}) {
      EnableMenuItem(commands, static_cast<UINT>(id), flags);
    }
  }
}
