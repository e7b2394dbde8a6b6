// Cell painting checked pixel by pixel: the grid is rendered into a DIB
// section with WM_PRINTCLIENT and sampled at points computed from the cell
// rectangles.
#include <windows.h>

#include <algorithm>

#include "runtime/gdi_guard.h"
#include "tests/grid/grid_fixture.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kMarker = RGB(255, 0, 255);

int CountColour(const Picture& picture, const RECT& area, COLORREF colour) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (picture.At(x, y) == colour) ++count;
  return count;
}

RECT Inset(RECT r, int by) {
  InflateRect(&r, -by, -by);
  return r;
}

class GridPaintTest : public GridTest {
 protected:
  Picture Paint() { return Render(record()->listWindow); }
};

TEST_F(GridPaintTest, AnEmptyTextCellIsBackgroundOnly) {
  MakeGrid(2, 2);
  owner.cells[{0, 0}] = CellLook{GridCell::Text, kGreen};
  grid_SetCellText(grid, 0, 0, L"");
  Picture picture = Paint();
  RECT cell = Inset(Cell(0, 0), 1);
  EXPECT_EQ(CountColour(picture, cell, kGreen), (cell.right - cell.left) * (cell.bottom - cell.top));
  // Its neighbour, with text, shows some black.
  EXPECT_GT(CountColour(picture, Cell(0, 1), kBlack), 0);
}

TEST_F(GridPaintTest, CheckBoxesAreCrossedOnlyForTheCheckedValue) {
  MakeGrid(3, 1);
  for (int c = 0; c < 3; ++c) owner.cells[{0, c}] = CellLook{GridCell::CheckBox, kWhite, kRed, L"on/off"};
  grid_SetCellText(grid, 0, 0, L"on");
  grid_SetCellText(grid, 1, 0, L"off");
  grid_SetCellText(grid, 2, 0, L"other");
  Picture picture = Paint();
  for (int c = 0; c < 3; ++c) {
    RECT cell = Cell(0, c);
    int h = cell.bottom - cell.top;
    int w = cell.right - cell.left;
    int side = std::min(h / 2 + 1, 14);
    int boxTop = cell.top + (h - side) / 2;
    int boxLeft = cell.left + w / 2 - side / 2;
    SCOPED_TRACE(c);
    EXPECT_EQ(picture.At(boxLeft, boxTop + side / 2), kBlack) << "the box's left side";
    EXPECT_EQ(picture.At(cell.left + w / 2, cell.top + h / 2), c == 0 ? kRed : kWhite) << "the centre";
  }
}

TEST_F(GridPaintTest, PercentageCellsClampTheBarButKeepTheText) {
  MakeGrid(4, 1);
  for (int c = 0; c < 4; ++c) owner.cells[{0, c}] = CellLook{GridCell::Percentage, kWhite, kBlue};
  grid_SetCellText(grid, 3, 0, L"100");
  grid_SetCellText(grid, 0, 0, L"150");
  grid_SetCellText(grid, 1, 0, L"0");
  grid_SetCellText(grid, 2, 0, L"abc");
  Picture picture = Paint();
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"150");
  EXPECT_EQ(grid_GetCellText(grid, 2, 0), L"0") << "no number: stored back as 0";

  // The bar's outline is black at x 5 of the cell; on the rows inside it,
  // the fill reaches w - 7 for a full bar and nowhere for 0.
  auto barInterior = [&](const RECT& cell) {
    std::vector<int> rows;
    for (int y = cell.top + 1; y < cell.bottom - 1; ++y)
      if (picture.At(cell.left + 5, y - 1) == kBlack && picture.At(cell.left + 5, y) == kBlack &&
          picture.At(cell.left + 5, y + 1) == kBlack)
        rows.push_back(y);
    return rows;
  };
  RECT full = Cell(0, 0);
  const int w = full.right - full.left;
  auto fullRows = barInterior(full);
  ASSERT_FALSE(fullRows.empty());
  int filled = 0;
  for (int y : fullRows) filled += picture.At(full.left + w - 7, y) == kBlue && picture.At(full.left + 6, y) == kBlue;
  EXPECT_GT(filled, 0) << "150 draws a full bar";

  RECT empty = Cell(0, 1);
  auto emptyRows = barInterior(empty);
  ASSERT_FALSE(emptyRows.empty());
  for (int y : emptyRows) EXPECT_NE(picture.At(empty.left + 7, y), kBlue) << "0 draws no fill, y " << y;

  // 150 looks exactly like 100: same bar, same "100%" caption.
  RECT hundred = Cell(0, 3);
  int differences = 0;
  for (int y = full.top + 1; y < full.bottom - 1; ++y)
    for (int x = 1; x < w - 1; ++x)
      differences += picture.At(full.left + x, y) != picture.At(hundred.left + x, y);
  EXPECT_EQ(differences, 0);
}

TEST_F(GridPaintTest, ANarrowPercentageCellShowsOnlyItsBackground) {
  MakeGrid(1, 1);
  ListView_SetColumnWidth(record()->listWindow, 1, 28);
  owner.cells[{0, 0}] = CellLook{GridCell::Percentage, kGreen, kBlue};
  grid_SetCellText(grid, 0, 0, L"50");
  Picture picture = Paint();
  EXPECT_EQ(CountColour(picture, Cell(0, 0), kBlue), 0);
}

TEST_F(GridPaintTest, AButtonEndingInTheMarkerIsDrawnPressed) {
  MakeGrid(2, 1);
  owner.cells[{0, 0}] = CellLook{GridCell::Button, kWhite, kRed};
  owner.cells[{0, 1}] = CellLook{GridCell::Button, kWhite, kRed};
  grid_SetCellText(grid, 0, 0, L"Go");
  grid_SetCellText(grid, 1, 0, L"Go\\+");
  Picture picture = Paint();
  // A raised push button has a light top-left edge, a pressed one a dark.
  RECT up = Cell(0, 0);
  RECT down = Cell(0, 1);
  COLORREF upEdge = picture.At(up.left + 1, up.top + 1 + 4);
  COLORREF downEdge = picture.At(down.left + 1, down.top + 1 + 4);
  auto brightness = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
  EXPECT_GT(brightness(upEdge), brightness(downEdge));
  EXPECT_EQ(grid_GetCellText(grid, 1, 0), L"Go\\+") << "the marker stays in the text";

  // The pressed caption is the text without the marker, one pixel right and
  // down of where the raised button has it.
  const int upRed = CountColour(picture, up, kRed);
  EXPECT_GT(upRed, 0);
  EXPECT_EQ(CountColour(picture, down, kRed), upRed);
  int moved = 0;
  for (int y = up.top; y < up.bottom - 1; ++y)
    for (int x = up.left; x < up.right - 1; ++x)
      moved += picture.At(x, y) == kRed && picture.At(down.left + (x - up.left) + 1, y + 1) == kRed;
  EXPECT_EQ(moved, upRed);
}

TEST_F(GridPaintTest, TheSelectionFocusCellIsGreyWhateverTheOwnerSays) {
  MakeGrid(3, 2);
  owner.fallback.back = kGreen;
  grid_SetCurrentCell(grid, 0, 0, 0, 0);
  LeaveCell(record());  // the block stays, no cell is current
  record()->selCols = 2;
  Picture picture = Paint();
  EXPECT_EQ(picture.At(Cell(0, 0).left + 3, Cell(0, 0).top + 3), RGB(128, 128, 128));
  EXPECT_EQ(picture.At(Cell(0, 1).left + 3, Cell(0, 1).top + 3), RGB(206, 219, 241));
  EXPECT_EQ(picture.At(Cell(1, 1).left + 3, Cell(1, 1).top + 3), kGreen) << "outside the block";
  // The outline is two black pixels wide on the block's left edge.
  EXPECT_EQ(picture.At(Cell(0, 0).left + 1, Cell(0, 0).top + 8), kBlack);

  grid_SetAttribute(grid, kGridSelectionColour, -1);
  picture = Paint();
  EXPECT_EQ(picture.At(Cell(0, 1).left + 3, Cell(0, 1).top + 3), kGreen) << "selection colouring off";

  grid_SetCurrentCell(grid, 2, 1, 0, 0);
  picture = Paint();
  EXPECT_EQ(picture.At(Cell(0, 1).left + 3, Cell(0, 1).top + 3), kGreen) << "hidden while a cell is current";
}

TEST_F(GridPaintTest, AGradientRunsFromLeftToRight) {
  MakeGrid(2, 1);
  CellLook look{GridCell::StaticText, kGreen};
  look.gradientFrom = kRed;
  look.gradientTo = kBlue;
  owner.cells[{0, 0}] = look;
  grid_SetCellText(grid, 0, 0, L"");
  Picture picture = Paint();
  RECT cell = Cell(0, 0);
  COLORREF left = picture.At(cell.left + 1, cell.top + 3);
  COLORREF right = picture.At(cell.right - 2, cell.top + 3);
  EXPECT_GT(GetRValue(left), 200);
  EXPECT_LT(GetBValue(left), 60);
  EXPECT_GT(GetBValue(right), 200);
  EXPECT_LT(GetRValue(right), 60);
}

TEST_F(GridPaintTest, AnUnknownCellTypePaintsOnlyItsBorders) {
  MakeGrid(2, 1, kGridLines);
  owner.cells[{0, 0}] = CellLook{13, kGreen};
  owner.cells[{0, 0}].borderFlags = kBorderLeft;
  owner.cells[{0, 0}].borderColour = kRed;
  Picture picture = Paint();
  RECT cell = Cell(0, 0);
  EXPECT_EQ(picture.At(cell.left + 10, cell.top + 8), kMarker) << "what was there before";
  EXPECT_EQ(picture.At(cell.left, cell.top + 8), kRed) << "its left border";
  EXPECT_EQ(picture.At(cell.left + 10, cell.top), GetSysColor(COLOR_BTNFACE)) << "its top grid line";
  EXPECT_EQ(CountColour(picture, Inset(cell, 2), kGreen), 0);
}

TEST_F(GridPaintTest, TheCurrentCellFrameFollowsTheFrameWidth) {
  MakeGrid(2, 2);
  owner.fallback.type = GridCell::StaticText;
  grid_SetAttribute(grid, kGridFrameColour, kRed);
  grid_SetCurrentCell(grid, 1, 1, 0, 0);
  Picture picture = Paint();
  RECT cell = Cell(1, 1);
  EXPECT_EQ(picture.At(cell.left, cell.top + 10), kRed);
  EXPECT_EQ(picture.At(cell.right - 1, cell.top + 10), kRed);

  grid_SetAttribute(grid, kGridFrameWidth, 0);
  picture = Paint();
  EXPECT_EQ(CountColour(picture, cell, kRed), 0) << "frame width 0: no frame";
}

// The frame width is also the text's margin: text starts frameWidth + 4
// pixels into the cell (plus the font's own left bearing, the same each
// time).
TEST_F(GridPaintTest, TextIsInsetByTheFrameWidthAndFourPixels) {
  MakeGrid(2, 1);
  owner.cells[{0, 0}] = CellLook{GridCell::StaticText, kWhite, kRed};
  grid_SetCellText(grid, 0, 0, L"HH");
  auto firstTextColumn = [&] {
    Picture picture = Paint();
    RECT cell = Cell(0, 0);
    for (int x = cell.left; x < cell.right; ++x)
      for (int y = cell.top; y < cell.bottom; ++y)
        if (picture.At(x, y) == kRed) return static_cast<int>(x - cell.left);
    return -1;
  };
  grid_SetAttribute(grid, kGridFrameWidth, 0);
  const int bare = firstTextColumn();
  EXPECT_GE(bare, 4);
  EXPECT_LE(bare, 6);
  grid_SetAttribute(grid, kGridFrameWidth, 3);
  EXPECT_EQ(firstTextColumn(), bare + 3);
}

TEST_F(GridPaintTest, OwnerPaintedCellsShowWhatTheOwnerDrew) {
  MakeGrid(2, 1);
  owner.cells[{0, 1}] = CellLook{GridCell::OwnerPainted};
  Picture picture = Paint();
  RECT cell = Cell(0, 1);
  EXPECT_EQ(picture.At((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2), kBlue);
  auto paints = owner.Only({GridEvent::PaintCell});
  ASSERT_EQ(paints.size(), 1u);
  EXPECT_EQ(paints[0].column, 1);
}

TEST_F(GridPaintTest, ImagesLeaveTheirTransparentColourOut) {
  MakeGrid(1, 1);
  // A 6 x 6 bitmap: white (transparent) with a red 2 x 2 centre.
  ScopedBitmap image;
  {
    ScopedGetDC screen(nullptr);
    image.Reset(CreateCompatibleBitmap(screen.Get(), 6, 6));
    ScopedMemoryDC dc(screen.Get());
    ScopedSelect select(dc.Get(), image.Get());
    ScopedBrush white(CreateSolidBrush(kWhite));
    ScopedBrush red(CreateSolidBrush(kRed));
    RECT all{0, 0, 6, 6}, centre{2, 2, 4, 4};
    FillRect(dc.Get(), &all, white.Get());
    FillRect(dc.Get(), &centre, red.Get());
  }
  CellLook look{GridCell::Image, kGreen};
  look.extra = reinterpret_cast<intptr_t>(image.Get());
  owner.cells[{0, 0}] = look;
  Picture picture = Paint();
  RECT cell = Cell(0, 0);
  int x = cell.left + (cell.right - cell.left - 6) / 2;
  int y = cell.top + (cell.bottom - cell.top - 6) / 2;
  EXPECT_EQ(picture.At(x + 2, y + 2), kRed);
  EXPECT_EQ(picture.At(x, y), kGreen) << "the white corner lets the background through";
}

// Every pen, brush, bitmap and memory DC made for a cell is gone before the
// next: the number of GDI objects the process can still make is the same
// after many repaints of every cell type as before them. (Counted this way
// because Wine does not implement GetGuiResources.)
size_t GdiObjectsLeftToMake() {
  std::vector<HPEN> made;
  while (made.size() < 200000) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    if (!pen) break;
    made.push_back(pen);
  }
  for (HPEN pen : made) DeleteObject(pen);
  return made.size();
}

TEST_F(GridPaintTest, RepaintingEveryCellTypeKeepsNoGdiObjects) {
  ScopedBitmap image;
  {
    ScopedGetDC screen(nullptr);
    image.Reset(CreateCompatibleBitmap(screen.Get(), 8, 8));
  }
  HICON icon = static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32516), IMAGE_ICON, 16, 16, LR_SHARED));
  MakeGrid(7, 3, kGridLines | kGridWrapText);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 7; ++c) {
      CellLook look{(r * 7 + c) % 14, kGreen, kBlue, L"a/b"};  // 13: unknown
      look.borderFlags = (r + c) % 2 ? 0x7777 : 0x2222;  // thick, dotted and solid sides
      look.borderColour = kRed;
      if (c == 2) look.gradientFrom = kWhite, look.gradientTo = kGreen;
      if (look.type == GridCell::Image) look.extra = reinterpret_cast<intptr_t>(image.Get());
      if (look.type == GridCell::Icon) look.extra = reinterpret_cast<intptr_t>(icon), look.width = look.height = 16;
      owner.cells[{r, c}] = look;
    }
  }
  grid_SetCellText(grid, 2, 1, L"40");  // a percentage
  grid_SetCellText(grid, 4, 1, L"Go\\+");  // a pressed button
  auto paintBoth = [&] {
    RedrawWindow(record()->listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Paint();
  };
  // With a block selection shown, then with a current cell and its editor.
  grid_SetCurrentCell(grid, 1, 1, 0, 0);
  LeaveCell(record());
  record()->selCols = 3;
  record()->selRows = 2;
  paintBoth();
  const size_t before = GdiObjectsLeftToMake();
  for (int i = 0; i < 20; ++i) paintBoth();
  grid_SetCurrentCell(grid, 0, 2, 1, 0);
  for (int i = 0; i < 20; ++i) paintBoth();
  const size_t after = GdiObjectsLeftToMake();
  EXPECT_LE(before - std::min(before, after), 2u) << "before " << before << ", after " << after;
}

}  // namespace
