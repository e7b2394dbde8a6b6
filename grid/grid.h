// The grid control: a report-view list view turned into a cell grid.
//
// The grid paints every cell itself and asks its owner, through one event
// procedure, what each cell is (type, colours, font, borders, alignment) and
// whether typing, edits and moves are allowed. Grids are addressed by their
// gadget number (runtime/runtime.h); rows count from 0, and so do columns,
// which are the grid's own columns (the list view's column 0 is a hidden
// placeholder). Operations on a missing grid or with out-of-range arguments
// do nothing and return -1 (counts and positions), empty text or 0.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Colours are COLORREF values; this one means "none" or "the default".
constexpr COLORREF kGridNoColour = 0xFFFFFFFF;

// Cell types, answered by the owner to QueryCellType.
namespace GridCell {
enum : int32_t {
  Text = 0,
  StaticText = 1,
  PlainText = 2,
  ListChoice = 3,
  EditableChoice = 4,
  CheckBox = 5,
  ReadOnlyCheckBox = 6,
  Image = 7,
  Icon = 8,
  Percentage = 9,
  ReadOnlyPercentage = 10,
  Button = 11,
  OwnerPainted = 12,
};
}  // namespace GridCell

// Grid style flags (the gridFlags of grid_Create).
constexpr uint32_t kGridResizableColumns = 0x1;
constexpr uint32_t kGridFlatHeader = 0x4;
constexpr uint32_t kGridWrapText = 0x10;
constexpr uint32_t kGridLines = 0x40;
constexpr uint32_t kGridOwnerDrawnCombo = 0x80;  // always set
constexpr uint32_t kGridNoLinesInSelection = 0x100;
constexpr uint32_t kGridPinFirstColumn = 0x200;
constexpr uint32_t kGridTooltips = 0x400;
constexpr uint32_t kGridScrollOnThumbRelease = 0x800;

// Attributes of grid_SetAttribute.
constexpr int kGridHeaderLineColour = 1;
constexpr int kGridFrameColour = 2;
constexpr int kGridFrameWidth = 3;
constexpr int kGridSelectionColour = 4;
constexpr int kGridLineColour = 5;
constexpr int kGridEmptyAreaColour = 6;
constexpr int kGridSelectionMode = 7;

// Cell border bits (GridCellEvent::borderFlags), one group per side.
constexpr uint32_t kBorderLeft = 0x1, kBorderLeftDotted = 0x2, kBorderLeftThick = 0x4;
constexpr uint32_t kBorderTop = 0x10, kBorderTopDotted = 0x20, kBorderTopThick = 0x40;
constexpr uint32_t kBorderRight = 0x100, kBorderRightDotted = 0x200, kBorderRightThick = 0x400;
constexpr uint32_t kBorderBottom = 0x1000, kBorderBottomDotted = 0x2000, kBorderBottomThick = 0x4000;
constexpr uint32_t kBorderNoGridLines = 0x10000;

// Event codes passed to the owner's event procedure.
namespace GridEvent {
enum : int32_t {
  KeyChar = 0,
  TextRemoving = 1,
  TextChanged = 2,
  CellChanging = 3,
  ColumnResizing = 4,
  QueryCellType = 5,
  QueryCellColours = 6,
  ColumnClick = 7,
  RightClick = 8,
  EditEnded = 9,
  ComboChanged = 10,
  ButtonPressed = 11,
  ColumnsChanged = 12,
  Clipboard = 13,
  LeftClick = 14,
  LeftButtonUp = 15,
  DoubleClick = 16,
  RightButtonDown = 17,
  DeleteKey = 18,
  PaintCell = 19,
  TooltipRequest = 20,
};
}  // namespace GridEvent

// The record handed to the owner with each event. The owner may change the
// fields; for the query events the grid reads them back.
struct GridCellEvent {
  int32_t row = -1;
  int32_t column = -1;
  int32_t cellType = 0;
  HFONT font = nullptr;
  COLORREF backColour = RGB(255, 255, 255);
  COLORREF textColour = RGB(0, 0, 0);
  int32_t format = 0;  // DrawText alignment: 0, DT_CENTER, DT_RIGHT
  COLORREF transparentColour = RGB(255, 255, 255);
  std::wstring text;
  intptr_t extra = 0;  // character, reason, key state, or a bitmap/icon handle
  int32_t width = 0;
  int32_t height = 0;
  COLORREF borderColour = 0;
  uint32_t borderFlags = 0;
  COLORREF gradientFrom = kGridNoColour;
  COLORREF gradientTo = kGridNoColour;
  int32_t isLink = 0;
  COLORREF hotTextColour = kGridNoColour;
};

// The owner's event procedure: (owner value, event code, event record).
// The owner value is the list view's "grid_OwnerValue" property when set,
// else the grid's gadget number.
using GridCallback = int32_t (*)(intptr_t owner, int32_t code, GridCellEvent* event);

// Returns the grid's gadget number (the one asked for, or a free one for
// kAnyNumber), or -1 when the grid could not be made: 0 is a valid number.
int grid_Create(int gadget, int x, int y, int width, int height, int rowHeight, uint32_t listFlags,
                uint32_t gridFlags);
int grid_AddColumn(int gadget, int position, const wchar_t* title, int width);
int grid_AddRows(int gadget, int position, int count);
int grid_SetCallback(int gadget, GridCallback callback);
std::wstring grid_GetCellText(int gadget, int column, int row);
int grid_SetCellText(int gadget, int column, int row, const wchar_t* text);
int grid_EndEdit(int gadget, int reason);
int grid_CountColumns(int gadget);
int grid_CountRows(int gadget);
int grid_DeleteRow(int gadget, int row);
int grid_SetCurrentCell(int gadget, int column, int row, int focusEditor, int scrollIntoView);
int grid_GetCurrentColumn(int gadget);
int grid_GetCurrentRow(int gadget);
int grid_SetHeaderHeight(int gadget, int height);
int grid_SetAttribute(int gadget, int attribute, int32_t value);
// The value an attribute holds (kGridNoColour for the empty area left at
// its default); -1 for a missing grid or an unknown attribute.
int32_t grid_GetAttribute(int gadget, int attribute);

int grid_ClearRows(int gadget);
int grid_Free(int gadget);
int grid_GetSelection(int gadget, int32_t* destination);  // selCol, selRow, selCols, selRows
int grid_IsEditModified(int gadget);
int grid_GetHeight(int gadget);
int grid_Hide(int gadget, int state);

// Copies a block of cells to the clipboard as tab-separated text; returns
// the number of cells. Clears a block (each changed cell passes TextChanged).
// Extents are signed: negative ones reach left of / above the start cell.
int CopySelection(int gadget, int column, int row, int columns, int rows);
int ClearBlock(int gadget, int column, int row, int columns, int rows);
// Scrolls a cell into view (the editor follows); 1 when it scrolled.
int EnsureCellVisible(int gadget, int column, int row);
