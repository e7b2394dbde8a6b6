// Times full repaints of one visible page of a 10,000-row, 10-column grid
// with mixed cell types against the same list view drawn by Windows itself
// (no custom draw), and prints both and their ratio.
//
// Usage: grid_paint_bench [repaints [type]]   (default 40; a cell type
// number makes every grid cell that type, to see what each type costs)
// The goal is a ratio of at most 1. Both the elapsed time and the thread's
// own processor time are counted: on a busy machine the elapsed time also
// holds other programs' turns, the processor time does not. Exit code 0
// with figures to read; 2 when it did not measure what it names (the grid
// did not draw its cells, or the page shows no rows).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "grid/grid.h"
#include "runtime/runtime.h"

namespace {

constexpr int kRows = 10000;
constexpr int kColumns = 10;

HICON icon = nullptr;
int onlyType = -1;  // every cell this type when not -1
long long cellsAsked = 0;  // QueryCellType answers: the grid drew its cells

// Column by column: text, right-aligned static, check box, percentage,
// button, text, icon, plain link, list choice, gradient static.
int32_t MixedOwner(intptr_t, int32_t code, GridCellEvent* event) {
  if (code == GridEvent::QueryCellColours) {
    if (event->column == 1) event->format = DT_RIGHT;
    if (event->column == 9) {
      event->gradientFrom = RGB(255, 240, 200);
      event->gradientTo = RGB(200, 220, 255);
    }
    if (event->row % 2) event->backColour = RGB(248, 248, 248);
    return 0;
  }
  if (code != GridEvent::QueryCellType) return 1;
  ++cellsAsked;
  static const int32_t types[kColumns] = {GridCell::Text,    GridCell::StaticText, GridCell::CheckBox,
                                          GridCell::Percentage, GridCell::Button, GridCell::Text,
                                          GridCell::Icon,    GridCell::PlainText,  GridCell::ListChoice,
                                          GridCell::StaticText};
  event->cellType = onlyType >= 0 ? onlyType : types[event->column];
  if (event->column == 2) event->text = L"1/0";
  if (event->column == 6) {
    event->extra = reinterpret_cast<intptr_t>(icon);
    event->width = event->height = 16;
  }
  if (event->column == 8) event->text = L"alpha\nbeta";
  return 0;
}

std::wstring CellValue(int row, int column) {
  switch (column) {
    case 2:
      return row % 3 ? L"1" : L"0";
    case 3:
      return std::to_wstring(row % 101);
    case 4:
      return row % 5 ? L"Run" : L"Run\\+";
    case 6:
      return L"";
    default:
      return L"r" + std::to_wstring(row) + L" c" + std::to_wstring(column);
  }
}

void Fill(HWND list, bool grid) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_SETITEMCOUNT, kRows, 0);
  for (int row = 0; row < kRows; ++row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    std::wstring first = grid ? L"" : CellValue(row, 0);
    item.pszText = first.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int column = grid ? 0 : 1; column < kColumns; ++column) {
      std::wstring text = CellValue(row, column);
      LVITEMW sub{};
      sub.iSubItem = grid ? column + 1 : column;
      sub.pszText = text.data();
      SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

double ThreadMilliseconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto value = [](const FILETIME& time) {
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  };
  return (value(kernel) + value(user)) / 10000.0;
}

struct Timing {
  double elapsed;    // ms
  double processor;  // ms of this thread
};

Timing TimeRepaints(HWND list, int repaints) {
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // warm caches
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  const double processorStart = ThreadMilliseconds();
  QueryPerformanceCounter(&start);
  for (int i = 0; i < repaints; ++i) {
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    GdiFlush();
  }
  QueryPerformanceCounter(&end);
  return {static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart),
          ThreadMilliseconds() - processorStart};
}

}  // namespace

int main(int argc, char** argv) {
  const int repaints = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
  onlyType = argc > 2 ? atoi(argv[2]) : -1;
  icon = static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32516), IMAGE_ICON, 16, 16, LR_SHARED));
  int window = OpenWindowNumbered(kAnyNumber, 0, 0, 820, 620, L"grid paint bench", WS_POPUP | WS_VISIBLE, nullptr);
  if (window < 0) return 1;

  int grid = grid_Create(kAnyNumber, 0, 0, 800, 600, 22, 0, kGridLines);
  if (grid < 0) return 1;
  for (int c = 0; c < kColumns; ++c) grid_AddColumn(grid, -1, (L"Column " + std::to_wstring(c)).c_str(), 76);
  HWND gridWindow = GadgetWindow(grid);
  Fill(gridWindow, true);
  grid_SetCallback(grid, MixedOwner);

  // The same list view, drawn by the list view itself. Its own first column
  // carries column 0, so it also has ten visible columns.
  int plain = CreateListViewGadget(kAnyNumber, 0, 0, 800, 600, L"Column 0", 76, 0);
  if (plain < 0) return 1;
  HWND plainWindow = GadgetWindow(plain);
  for (int c = 1; c < kColumns; ++c) {
    std::wstring title = L"Column " + std::to_wstring(c);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 76;
    column.pszText = title.data();
    SendMessageW(plainWindow, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
  // Same row height as the grid.
  if (HIMAGELIST rows = ImageList_Create(1, 22, ILC_COLORDDB, 0, 0)) {
    SendMessageW(plainWindow, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rows));
  }
  Fill(plainWindow, false);

  // One list shown at a time, so each paints the same visible page. The
  // two take turns in rounds and the fastest round of each counts: other
  // work on the machine only ever makes a round slower.
  constexpr int kRounds = 8;
  const int perRound = std::max(1, repaints / kRounds);
  Timing gridTime{1e300, 1e300}, plainTime{1e300, 1e300};
  long long gridCellsAsked = 0;
  for (int round = 0; round < kRounds; ++round) {
    ShowWindow(plainWindow, SW_HIDE);
    ShowWindow(gridWindow, SW_SHOW);
    UpdateWindow(gridWindow);
    const long long askedBefore = cellsAsked;
    Timing grid = TimeRepaints(gridWindow, perRound);
    gridCellsAsked += cellsAsked - askedBefore;
    ShowWindow(gridWindow, SW_HIDE);
    ShowWindow(plainWindow, SW_SHOW);
    UpdateWindow(plainWindow);
    Timing list = TimeRepaints(plainWindow, perRound);
    gridTime.elapsed = std::min(gridTime.elapsed, grid.elapsed / perRound);
    gridTime.processor = std::min(gridTime.processor, grid.processor / perRound);
    plainTime.elapsed = std::min(plainTime.elapsed, list.elapsed / perRound);
    plainTime.processor = std::min(plainTime.processor, list.processor / perRound);
  }

  const int perPage = static_cast<int>(SendMessageW(plainWindow, LVM_GETCOUNTPERPAGE, 0, 0));
  const int gridPage = static_cast<int>(SendMessageW(gridWindow, LVM_GETCOUNTPERPAGE, 0, 0));
  std::printf("visible page: %d rows x %d columns, %d rounds of %d repaints each, best round counts\n", perPage,
              kColumns, kRounds, perRound);
  std::printf("grid (custom drawn):   %6.2f ms per repaint, %6.2f ms of processor\n", gridTime.elapsed,
              gridTime.processor);
  std::printf("list view (its own):   %6.2f ms per repaint, %6.2f ms of processor\n", plainTime.elapsed,
              plainTime.processor);
  std::printf("ratio grid / list view: %.2f elapsed, %.2f processor (goal: at most 1)\n",
              plainTime.elapsed > 0 ? gridTime.elapsed / plainTime.elapsed : 0.0,
              plainTime.processor > 0 ? gridTime.processor / plainTime.processor : 0.0);
  std::fflush(stdout);
  // What was timed must be what the figures name: both lists showed the
  // same page, and the grid drew every cell of it on every repaint.
  const long long cellsPerRepaint = static_cast<long long>(gridPage) * kColumns;
  if (perPage <= 0 || gridPage != perPage || plainTime.elapsed <= 0 ||
      gridCellsAsked < cellsPerRepaint * perRound * kRounds) {
    std::fprintf(stderr, "not measured: pages %d and %d rows, %lld cells drawn of %lld\n", perPage, gridPage,
                 gridCellsAsked, cellsPerRepaint * perRound * kRounds);
    return 2;
  }
  // Exits without tearing the windows down: Wine waits for unmapping a
  // top-level window when no window manager runs.
  return 0;
}
