// Times a block drag over a 10,000-row, 10-column grid: the mouse, its left
// button held, sweeps 50 rows down one row per drag-timer tick, and each
// tick's redraw is painted at once. The same sweep over a plain list view
// selects the same rows the list view's own way and paints them. Prints both
// and their ratio (goal: at most 3).
//
// Usage: grid_drag_bench [rounds]   (default 5; the fastest round counts)
// Exits 1 when it did not measure a drag: when the grid's block or the list
// view's selection does not cover the 50 rows swept, or when a tick with the
// mouse at rest asked for a repaint.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "grid/grid.h"
#include "grid/grid_private.h"
#include "runtime/runtime.h"

namespace {

constexpr int kRows = 10000;
constexpr int kColumns = 10;
constexpr int kSweep = 50;
constexpr int kRowHeight = 12;

int32_t TextOwner(intptr_t, int32_t code, GridCellEvent* event) {
  if (code == GridEvent::QueryCellColours && event->row % 2) event->backColour = RGB(248, 248, 248);
  return code == GridEvent::CellChanging ? 1 : 0;
}

void Fill(HWND list, bool grid) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_SETITEMCOUNT, kRows, 0);
  for (int row = 0; row < kRows; ++row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    std::wstring first = grid ? L"" : L"r" + std::to_wstring(row) + L" c0";
    item.pszText = first.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int column = grid ? 0 : 1; column < kColumns; ++column) {
      std::wstring text = L"r" + std::to_wstring(row) + L" c" + std::to_wstring(column);
      LVITEMW sub{};
      sub.iSubItem = grid ? column + 1 : column;
      sub.pszText = text.data();
      SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

void Button(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof input);
  Sleep(20);
  Pump();
}

POINT RowPoint(HWND list, int row, int x) {
  RECT item{};
  item.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  POINT at{x, (item.top + item.bottom) / 2};
  ClientToScreen(list, &at);
  return at;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool failed = false;

double GridSweep(int grid) {
  HWND list = GadgetWindow(grid);
  GridRecord* record = RecordFromGadget(grid);
  const int x = 120;  // inside grid column 1
  POINT start = RowPoint(list, 0, x);
  SetCursorPos(start.x, start.y);
  Button(true);
  if (gridShared.dragTimer != reinterpret_cast<UINT_PTR>(record)) {
    std::printf("the click armed no drag\n");
    failed = true;
    Button(false);
    return 0;
  }
  UpdateWindow(list);
  const UINT_PTR timer = gridShared.dragTimer;
  LARGE_INTEGER from, to;
  QueryPerformanceCounter(&from);
  for (int row = 1; row <= kSweep; ++row) {
    POINT at = RowPoint(list, row, x);
    SetCursorPos(at.x, at.y);
    DragSelectTimer(list, WM_TIMER, timer, 0);
    UpdateWindow(list);
  }
  GdiFlush();
  QueryPerformanceCounter(&to);
  // At rest: a tick must not ask for a repaint.
  DragSelectTimer(list, WM_TIMER, timer, 0);
  RECT dirty{};
  if (GetUpdateRect(list, &dirty, FALSE)) {
    std::printf("a tick with the mouse at rest asked for a repaint\n");
    failed = true;
  }
  int32_t block[4] = {};
  grid_GetSelection(grid, block);
  if (block[1] != 0 || block[3] != kSweep + 1) {
    std::printf("the grid's block covers %d rows from row %d, not %d (top row %d, %d a page)\n", block[3], block[1],
                kSweep + 1, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)),
                static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)));
    failed = true;
  }
  Button(false);
  grid_SetCurrentCell(grid, 0, kRows - 1, 0, 0);  // the block goes
  UpdateWindow(list);
  return Milliseconds(from, to);
}

double ListSweep(HWND list) {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  UpdateWindow(list);
  LARGE_INTEGER from, to;
  QueryPerformanceCounter(&from);
  for (int row = 0; row <= kSweep; ++row) {
    POINT at = RowPoint(list, row, 120);
    SetCursorPos(at.x, at.y);
    LVITEMW selected{};
    selected.stateMask = LVIS_SELECTED;
    selected.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&selected));
    UpdateWindow(list);
  }
  GdiFlush();
  QueryPerformanceCounter(&to);
  const auto count = SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0);
  if (count != kSweep + 1) {
    std::printf("the list view selected %d rows, not %d\n", static_cast<int>(count), kSweep + 1);
    failed = true;
  }
  return Milliseconds(from, to);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
  const int height = 760;  // the screen's height: the 50 rows swept all in view
  int window = OpenWindowNumbered(kAnyNumber, 0, 0, 820, height, L"grid drag bench", WS_POPUP | WS_VISIBLE, nullptr);
  if (window < 0) return 1;
  SetForegroundWindow(WindowHandle(window));

  int grid = grid_Create(kAnyNumber, 0, 0, 800, height - 10, kRowHeight, 0, kGridLines);
  if (grid < 0) return 1;
  for (int c = 0; c < kColumns; ++c) grid_AddColumn(grid, -1, (L"Column " + std::to_wstring(c)).c_str(), 76);
  HWND gridWindow = GadgetWindow(grid);
  Fill(gridWindow, true);
  grid_SetCallback(grid, TextOwner);

  int plain = CreateListViewGadget(kAnyNumber, 0, 0, 800, height - 10, L"Column 0", 76, LVS_SHOWSELALWAYS);
  if (plain < 0) return 1;
  HWND plainWindow = GadgetWindow(plain);
  // A block of rows needs more than one selected item.
  SetWindowLongPtrW(plainWindow, GWL_STYLE, GetWindowLongPtrW(plainWindow, GWL_STYLE) & ~LVS_SINGLESEL);
  for (int c = 1; c < kColumns; ++c) {
    std::wstring title = L"Column " + std::to_wstring(c);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 76;
    column.pszText = title.data();
    SendMessageW(plainWindow, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
  if (HIMAGELIST rows = ImageList_Create(1, kRowHeight, ILC_COLORDDB, 0, 0))
    SendMessageW(plainWindow, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rows));
  Fill(plainWindow, false);

  if (SendMessageW(gridWindow, LVM_GETCOUNTPERPAGE, 0, 0) < kSweep + 2) {
    std::printf("the page shows fewer than %d rows\n", kSweep + 2);
    return 1;
  }
  double gridTime = 1e300, plainTime = 1e300;
  for (int round = 0; round < rounds && !failed; ++round) {
    ShowWindow(plainWindow, SW_HIDE);
    ShowWindow(gridWindow, SW_SHOW);
    UpdateWindow(gridWindow);
    gridTime = std::min(gridTime, GridSweep(grid));
    ShowWindow(gridWindow, SW_HIDE);
    ShowWindow(plainWindow, SW_SHOW);
    UpdateWindow(plainWindow);
    plainTime = std::min(plainTime, ListSweep(plainWindow));
  }
  if (failed) {
    std::printf("no figures: the sweep did not do what it names\n");
    std::fflush(stdout);
    return 1;
  }
  std::printf("sweep of %d rows over a %d x %d grid, %d rounds, best round counts\n", kSweep, kRows, kColumns, rounds);
  std::printf("grid block drag (timer ticks + redraws): %7.2f ms\n", gridTime);
  std::printf("list view selecting the same rows:      %7.2f ms\n", plainTime);
  std::printf("ratio grid / list view: %.2f (goal: at most 3)\n", plainTime > 0 ? gridTime / plainTime : 0.0);
  std::fflush(stdout);
  return 0;
}
