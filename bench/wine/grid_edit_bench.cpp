// Times editing in the grid against the plain controls it is made of:
//  - 1,000 characters typed into a grid text cell, each offered to an owner
//    that accepts it (KeyChar) and painted, against the same characters
//    typed into a plain Edit control of the same size and font;
//  - 200 current-cell moves down a 10,000-row grid, each scrolling the cell
//    into view and placing the editor over it, against 200 selection moves
//    down a plain list view of the same rows.
// Prints both pairs and their ratios (goal: at most 2 each).
//
// Usage: grid_edit_bench [rounds]   (default 5; the best round counts)
// Exit code 0 when every run did what it is named for (all characters
// arrived, every move landed, the editor lay over the last cell), 1 when
// one did not: a figure for work that did not happen would mislead.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/wine/bench_clock.h"
#include "grid/grid.h"
#include "grid/grid_private.h"
#include "runtime/runtime.h"

namespace {

constexpr int kCharacters = 1000;
constexpr int kRows = 10000;
constexpr int kMoves = 200;
constexpr int kColumns = 3;

int keyChars = 0;

int32_t AcceptingOwner(intptr_t, int32_t code, GridCellEvent* event) {
  if (code == GridEvent::KeyChar) ++keyChars;
  if (code == GridEvent::QueryCellType || code == GridEvent::QueryCellColours) {
    event->cellType = GridCell::Text;
    return 0;
  }
  return 1;
}

// Types the characters one by one, painting after each as a person would see.
double TimeTyping(HWND editor) {
  SetWindowTextW(editor, L"");
  const double start = Now();
  for (int i = 0; i < kCharacters; ++i) {
    SendMessageW(editor, WM_CHAR, static_cast<WPARAM>(L'a' + i % 26), 1);
    UpdateWindow(editor);
  }
  GdiFlush();
  return Now() - start;
}

void FillRows(HWND list, int firstSubItem) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_SETITEMCOUNT, kRows, 0);
  for (int row = 0; row < kRows; ++row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    std::wstring first = firstSubItem == 0 ? L"r" + std::to_wstring(row) : L"";
    item.pszText = first.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int column = firstSubItem == 0 ? 1 : 0; column < kColumns; ++column) {
      std::wstring text = L"r" + std::to_wstring(row) + L" c" + std::to_wstring(column);
      LVITEMW sub{};
      sub.iSubItem = column + firstSubItem;
      sub.pszText = text.data();
      SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

double TimeGridMoves(int grid, HWND list) {
  grid_SetCurrentCell(grid, 1, 0, 1, 1);
  SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
  UpdateWindow(list);
  const double start = Now();
  for (int row = 1; row <= kMoves; ++row) {
    grid_SetCurrentCell(grid, 1, row, 1, 1);
    UpdateWindow(list);
  }
  GdiFlush();
  return Now() - start;
}

void SelectRow(HWND list, int row) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

double TimeListMoves(HWND list) {
  SelectRow(list, 0);
  UpdateWindow(list);
  const double start = Now();
  for (int row = 1; row <= kMoves; ++row) {
    SelectRow(list, row);
    UpdateWindow(list);
  }
  GdiFlush();
  return Now() - start;
}

bool Check(bool condition, const char* what) {
  if (!condition) std::fprintf(stderr, "not measured: %s\n", what);
  return condition;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
  int window = OpenWindowNumbered(kAnyNumber, 0, 0, 640, 480, L"grid edit bench", WS_POPUP | WS_VISIBLE, nullptr);
  if (window < 0) return 1;
  HWND top = WindowHandle(window);
  UseGadgetList(top);

  // Typing: a one-cell-wide grid and a plain Edit control of the cell's size.
  int typingGrid = grid_Create(kAnyNumber, 0, 0, 620, 100, 22, 0, 0);
  if (typingGrid < 0) return 1;
  grid_AddColumn(typingGrid, -1, L"Text", 600);
  grid_AddRows(typingGrid, -1, 2);
  grid_SetCallback(typingGrid, AcceptingOwner);
  grid_SetCurrentCell(typingGrid, 0, 0, 1, 0);
  GridRecord* typing = RecordFromGadget(typingGrid);
  HWND cellEditor = typing->editWindow;
  RECT place;
  GetWindowRect(cellEditor, &place);
  HWND plainEdit = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 110,
                                   place.right - place.left, place.bottom - place.top, top, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  if (!plainEdit) return 1;
  SendMessageW(plainEdit, WM_SETFONT, SendMessageW(cellEditor, WM_GETFONT, 0, 0), FALSE);

  double gridTyping = 1e300, plainTyping = 1e300;
  bool measured = true;
  for (int round = 0; round < rounds; ++round) {
    SetFocus(cellEditor);
    keyChars = 0;
    typing->editText.clear();
    gridTyping = std::min(gridTyping, TimeTyping(cellEditor));
    measured &= Check(keyChars == kCharacters, "every grid key offered to the owner");
    measured &= Check(GetWindowTextLengthW(cellEditor) == kCharacters, "every grid key typed");
    measured &= Check(grid_GetCellText(typingGrid, 0, 0).size() == kCharacters, "the grid's edit text followed");
    SetFocus(plainEdit);
    plainTyping = std::min(plainTyping, TimeTyping(plainEdit));
    measured &= Check(GetWindowTextLengthW(plainEdit) == kCharacters, "every plain key typed");
  }
  SendMessageW(plainEdit, EM_SETSEL, 0, 0);
  ShowWindow(plainEdit, SW_HIDE);
  grid_Hide(typingGrid, 1);

  // Moving: a 10,000-row grid and the same rows in a plain list view.
  int movingGrid = grid_Create(kAnyNumber, 0, 0, 620, 460, 22, 0, 0);
  if (movingGrid < 0) return 1;
  for (int c = 0; c < kColumns; ++c) grid_AddColumn(movingGrid, -1, L"Column", 150);
  HWND gridList = GadgetWindow(movingGrid);
  FillRows(gridList, 1);
  grid_SetCallback(movingGrid, AcceptingOwner);
  int plain = CreateListViewGadget(kAnyNumber, 0, 0, 620, 460, L"Column", 150, LVS_SHOWSELALWAYS);
  if (plain < 0) return 1;
  HWND plainList = GadgetWindow(plain);
  for (int c = 1; c < kColumns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 150;
    column.pszText = const_cast<wchar_t*>(L"Column");
    SendMessageW(plainList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
  if (HIMAGELIST rowImages = ImageList_Create(1, 22, ILC_COLORDDB, 0, 0))
    SendMessageW(plainList, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowImages));
  FillRows(plainList, 0);

  double gridMoves = 1e300, plainMoves = 1e300;
  GridRecord* moving = RecordFromGadget(movingGrid);
  for (int round = 0; round < rounds; ++round) {
    ShowWindow(plainList, SW_HIDE);
    ShowWindow(gridList, SW_SHOW);
    UpdateWindow(gridList);
    gridMoves = std::min(gridMoves, TimeGridMoves(movingGrid, gridList));
    measured &= Check(grid_GetCurrentRow(movingGrid) == kMoves, "every grid move landed");
    RECT cell = CellRect(moving, kMoves, 2);
    RECT editor;
    GetWindowRect(moving->editWindow, &editor);
    MapWindowPoints(nullptr, gridList, reinterpret_cast<POINT*>(&editor), 2);
    RECT common;
    measured &= Check(IntersectRect(&common, &cell, &editor) != 0, "the editor lay over the last cell");
    ShowWindow(gridList, SW_HIDE);
    ShowWindow(plainList, SW_SHOW);
    UpdateWindow(plainList);
    plainMoves = std::min(plainMoves, TimeListMoves(plainList));
    measured &= Check(SendMessageW(plainList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == kMoves,
                      "every list move landed");
  }

  std::printf("%d rounds, best round counts\n", rounds);
  std::printf("typing %d characters: grid cell %7.2f ms, plain Edit %7.2f ms, ratio %.2f (goal: at most 2)\n",
              kCharacters, gridTyping, plainTyping, plainTyping > 0 ? gridTyping / plainTyping : 0.0);
  std::printf("%d moves down %d rows: grid cell  %7.2f ms, list view  %7.2f ms, ratio %.2f (goal: at most 2)\n",
              kMoves, kRows, gridMoves, plainMoves, plainMoves > 0 ? gridMoves / plainMoves : 0.0);
  std::fflush(stdout);
  // Exits without tearing the windows down: Wine waits for unmapping a
  // top-level window when no window manager runs.
  return measured ? 0 : 1;
}
