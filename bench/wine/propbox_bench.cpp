// Times the property box against a plain grid doing the same work:
//   - adding 1,000 rows one by one (each add brings the grid in step with
//     the model; the plain grid gets one row and its two texts per add);
//   - full repaints of a 25-row box laid out like the Info tab (three
//     headings, 22 read-only rows, style 0x8F) beside a plain three-column
//     grid of 25 rows whose owner answers static text.
// Prints both times and their ratios. Exits non-zero when a run did not do
// what it is named for: fewer rows than added, or repaints that painted no
// cells.
//
// Usage: propbox_bench [repaints [style]]   (default 40 repaints, style 8F;
// given a style, in hex, only the repaints are timed, to show what each part
// of the box's look costs)
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/wine/bench_clock.h"
#include "grid/grid.h"
#include "propbox/propbox.h"
#include "propbox/propbox_private.h"
#include "runtime/runtime.h"

namespace {

constexpr int kAddedRows = 1000;
constexpr int kPageRows = 25;

long paintedCells = 0;

int32_t PlainOwner(intptr_t, int32_t code, GridCellEvent* event) {
  if (code == GridEvent::QueryCellType) {
    ++paintedCells;
    event->cellType = GridCell::StaticText;
    return 0;
  }
  if (code == GridEvent::QueryCellColours) {
    if (event->column == 0) event->backColour = GetSysColor(COLOR_BTNFACE);
    return 0;
  }
  return 1;
}

// The box's own answers, counted on the way through.
int32_t CountingBoxOwner(intptr_t owner, int32_t code, GridCellEvent* event) {
  if (code == GridEvent::QueryCellType) ++paintedCells;
  return PropertyBoxGridEvent(owner, code, event);
}

int MakePlainGrid(int height) {
  int grid = grid_Create(kAnyNumber, 0, 0, 300, height, 18, 0, 0x188);
  if (grid < 0) return -1;
  grid_SetHeaderHeight(grid, 0);
  grid_AddColumn(grid, -1, L"", 18);
  grid_AddColumn(grid, -1, L"", 100);
  grid_AddColumn(grid, -1, L"", 150);
  grid_SetCallback(grid, PlainOwner);
  return grid;
}

std::wstring RowText(int row) { return L"Setting " + std::to_wstring(row) + L"\nvalue " + std::to_wstring(row); }

double AddToBox(int box, bool* ok) {
  PropertyRowDescription heading, text;
  heading.kind = PropertyKind::Heading;
  text.kind = PropertyKind::ReadOnlyText;
  const double start = Now();
  for (int row = 0; row < kAddedRows; ++row) {
    const std::wstring line = RowText(row);
    PropertyBox_AddRow(box, -1, line.c_str(), row % 25 == 0 ? &heading : &text, 8);
  }
  const double time = Now() - start;
  *ok = PropertyBox_CountRows(box) == kAddedRows && grid_CountRows(box) == kAddedRows;
  return time;
}

double AddToGrid(int grid, bool* ok) {
  const double start = Now();
  for (int row = 0; row < kAddedRows; ++row) {
    const std::wstring label = L"Setting " + std::to_wstring(row);
    const std::wstring value = L"value " + std::to_wstring(row);
    grid_AddRows(grid, -1, 1);
    grid_SetCellText(grid, 1, row, label.c_str());
    grid_SetCellText(grid, 2, row, value.c_str());
  }
  const double time = Now() - start;
  *ok = grid_CountRows(grid) == kAddedRows;
  return time;
}

// Milliseconds per repaint, and whether every repaint painted the page.
double TimeRepaints(HWND window, int repaints, int cellsPerPage, bool* ok) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // warm caches
  paintedCells = 0;
  const double start = Now();
  for (int i = 0; i < repaints; ++i) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    GdiFlush();
  }
  const double time = Now() - start;
  *ok = paintedCells >= static_cast<long>(cellsPerPage) * repaints;
  if (!*ok) std::fprintf(stderr, "painted %ld cells in %d repaints, expected %d a page\n", paintedCells, repaints, cellsPerPage);
  return time / repaints;
}

}  // namespace

int main(int argc, char** argv) {
  const int repaints = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
  const auto style = static_cast<uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 16) : 0x8F);
  int window = OpenWindowNumbered(kAnyNumber, 0, 0, 340, 700, L"property box bench", WS_POPUP | WS_VISIBLE, nullptr);
  if (window < 0) return 1;
  bool ok = true;

  // Adding rows, several rounds; the fastest of each counts (other work on
  // the machine only ever makes a round slower).
  constexpr int kRounds = 2;
  double boxAdd = 1e300, gridAdd = 1e300;
  const bool timeAdding = argc <= 2;
  for (int round = 0; timeAdding && round < kRounds; ++round) {
    int box = PropertyBox_Create(kAnyNumber, 0, 0, 300, 480, 18, 100, 150, 0x8F, nullptr);
    int grid = MakePlainGrid(480);
    if (box < 0 || grid < 0) return 1;
    ShowWindow(GadgetWindow(grid), SW_HIDE);
    bool added = false;
    boxAdd = std::min(boxAdd, AddToBox(box, &added));
    ok = ok && added;
    ShowWindow(GadgetWindow(box), SW_HIDE);
    ShowWindow(GadgetWindow(grid), SW_SHOW);
    gridAdd = std::min(gridAdd, AddToGrid(grid, &added));
    ok = ok && added;
    FreeGadget(box);
    FreeGadget(grid);
  }
  if (!ok) {
    std::fprintf(stderr, "propbox_bench: the rows were not all added\n");
    return 2;
  }

  // Repainting a 25-row page, shown one at a time.
  const int height = kPageRows * 18 + 8;
  int box = PropertyBox_Create(kAnyNumber, 0, 0, 300, height, 18, 100, 150, style, nullptr);
  int grid = MakePlainGrid(height);
  if (box < 0 || grid < 0) return 1;
  PropertyRowDescription heading, text;
  heading.kind = PropertyKind::Heading;
  text.kind = PropertyKind::ReadOnlyText;
  for (int row = 0; row < kPageRows; ++row) {
    const std::wstring line = RowText(row);
    PropertyBox_AddRow(box, -1, line.c_str(), row == 0 || row == 14 || row == 20 ? &heading : &text, 8);
  }
  grid_SetCallback(box, CountingBoxOwner);
  grid_AddRows(grid, -1, kPageRows);
  for (int row = 0; row < kPageRows; ++row) {
    grid_SetCellText(grid, 1, row, (L"Setting " + std::to_wstring(row)).c_str());
    grid_SetCellText(grid, 2, row, (L"value " + std::to_wstring(row)).c_str());
  }
  HWND boxWindow = GadgetWindow(box);
  HWND gridWindow = GadgetWindow(grid);
  // Tall enough for every row at the height the list view really gives them.
  RECT item{};
  item.left = LVIR_BOUNDS;
  SendMessageW(gridWindow, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  const int fit = kPageRows * (item.bottom - item.top) + 2 * GetSystemMetrics(SM_CYEDGE) + 2;
  PropertyBox_Resize(box, 0, 0, 300, fit);
  MoveWindow(gridWindow, 0, 0, 300, fit, TRUE);
  const int perRound = std::max(1, repaints / 5);
  double boxPaint = 1e300, gridPaint = 1e300;
  for (int round = 0; round < 5; ++round) {
    bool painted = false;
    ShowWindow(gridWindow, SW_HIDE);
    ShowWindow(boxWindow, SW_SHOW);
    UpdateWindow(boxWindow);
    boxPaint = std::min(boxPaint, TimeRepaints(boxWindow, perRound, kPageRows * 3, &painted));
    ok = ok && painted;
    ShowWindow(boxWindow, SW_HIDE);
    ShowWindow(gridWindow, SW_SHOW);
    UpdateWindow(gridWindow);
    gridPaint = std::min(gridPaint, TimeRepaints(gridWindow, perRound, kPageRows * 3, &painted));
    ok = ok && painted;
  }
  if (!ok) {
    std::fprintf(stderr, "propbox_bench: a repaint did not paint the whole page\n");
    return 3;
  }

  if (timeAdding) {
    std::printf("adding %d rows one by one, best of %d rounds:\n", kAddedRows, kRounds);
    std::printf("  property box: %8.2f ms\n  plain grid:   %8.2f ms\n  ratio box / grid: %.2f\n", boxAdd, gridAdd,
                gridAdd > 0 ? boxAdd / gridAdd : 0.0);
  }
  std::printf("full repaint of %d rows (box style 0x%X), best of 5 rounds of %d:\n", kPageRows, style, perRound);
  std::printf("  property box: %8.2f ms\n  plain grid:   %8.2f ms\n  ratio box / grid: %.2f\n", boxPaint, gridPaint,
              gridPaint > 0 ? boxPaint / gridPaint : 0.0);
  std::fflush(stdout);
  return 0;
}
