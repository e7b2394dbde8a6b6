// Mouse and keyboard input of the list view: hit testing, current-cell moves,
// block selection and the keys a spreadsheet user expects.
//
// Every handler here may raise an event, and the owner may free the grid in
// any of them; each one asks GridAlive with the list view it noted first and
// returns at once when the grid is gone.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "grid/grid_private.h"

namespace {

constexpr wchar_t kPressedMark[] = L"\\+";

bool EndsPressed(const std::wstring& text) { return text.size() >= 2 && text.compare(text.size() - 2, 2, kPressedMark) == 0; }

HFONT ListFont(const GridRecord* record) {
  return reinterpret_cast<HFONT>(SendMessageW(record->listWindow, WM_GETFONT, 0, 0));
}

bool BlockExists(const GridRecord* record) { return record->selCol != -1; }
bool BlockShown(const GridRecord* record) { return record->selCol != -1 && record->selectionState == 2; }

std::wstring CheckValue(const std::wstring& values, size_t index) {
  size_t start = 0;
  for (size_t i = 0; i < index; ++i) {
    size_t slash = values.find(L'/', start);
    if (slash == std::wstring::npos) return {};
    start = slash + 1;
  }
  size_t end = values.find(L'/', start);
  return values.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

// The cell type the owner gives a cell, asked afresh.
bool AskCellType(GridRecord* record, int row, int subItem, GridCellEvent* event) {
  HWND list = record->listWindow;
  event->row = row;
  event->column = subItem - 1;
  event->cellType = GridCell::Text;
  event->text.clear();
  event->font = ListFont(record);
  RaiseEvent(record, GridEvent::QueryCellType, event);
  return GridAlive(list, record);
}

// A check box's value flipped: the current cell changes in place (the edit is
// committed when the cell is left); any other cell asks the owner first.
bool ToggleCheckBox(GridRecord* record, int row, int subItem, const std::wstring& values) {
  const bool current = row == record->currentRow && subItem == record->currentSubItem;
  const std::wstring first = CheckValue(values, 0);
  const std::wstring value = current ? record->editText : CellText(record, row, subItem);
  const std::wstring toggled = value == first ? CheckValue(values, 1) : first;
  if (current) {
    SetCellTextRaw(record, row, subItem, toggled);
    record->editText = CellText(record, row, subItem);
    InvalidateCell(record, row, subItem);
    return true;
  }
  HWND list = record->listWindow;
  GridCellEvent event;
  event.row = row;
  event.column = subItem - 1;
  event.text = toggled;
  event.font = ListFont(record);
  int32_t answer = RaiseEvent(record, GridEvent::TextChanged, &event);
  if (!GridAlive(list, record)) return false;
  if (answer == 1 && row < CountGridRows(record)) {
    SetCellTextRaw(record, row, subItem, event.text);
    InvalidateCell(record, row, subItem);
  }
  return true;
}

// The button of a button cell: width and height from the owner, 0 for the
// whole cell; false when it does not fit (it cannot be pressed then).
bool ButtonRect(const RECT& cell, const GridCellEvent& event, RECT* button) {
  const int w = cell.right - cell.left, h = cell.bottom - cell.top;
  if ((event.width && event.width > w - 5) || (event.height && event.height > h - 5)) return false;
  *button = cell;
  if (event.width) {
    button->left = cell.left + (w - event.width) / 2;
    button->right = button->left + event.width;
  }
  if (event.height) {
    button->top = cell.top + (h - event.height) / 2;
    button->bottom = button->top + event.height;
  }
  return true;
}

void SetPressedLook(GridRecord* record, int row, int subItem, bool pressed) {
  std::wstring text = CellText(record, row, subItem);
  if (EndsPressed(text) == pressed) return;
  if (pressed) {
    text += kPressedMark;
  } else {
    text.resize(text.size() - 2);
  }
  SetCellTextRaw(record, row, subItem, text);
  if (row == record->currentRow && subItem == record->currentSubItem) record->editText = text;
  InvalidateCell(record, row, subItem);
}

// The far line of a signed extent from its anchor.
int FarLine(int anchor, int extent) { return extent < 0 ? anchor + extent + 1 : anchor + extent - 1; }
int ExtentTo(int anchor, int line) { return line >= anchor ? line - anchor + 1 : line - anchor - 1; }
// One arrow step of an extent: 0 never occurs, it becomes one past the
// anchor line in the new direction.
int StepExtent(int extent, int step) {
  int result = extent + step;
  return result == 0 ? 2 * step : result;
}

int VisualPosition(GridRecord* record, int column) {
  RebuildColumnOrder(record);
  return record->columnPosition[column];
}

// The moving corner of the block shown, scrolled into view; otherwise the
// whole list is redrawn for the new block.
void ShowBlockChange(GridRecord* record) {
  const int row = FarLine(record->selRow, record->selRows);
  const int position = FarLine(VisualPosition(record, record->selCol), record->selCols);
  const int column = record->columnOrder[std::clamp(position, 0, CountGridColumns(record) - 1)];
  if (!EnsureCellVisible(record->gadget, column, std::clamp(row, 0, CountGridRows(record) - 1)))
    InvalidateRect(record->listWindow, nullptr, FALSE);
}

// Only the rows between the block's old and new far edge change their look
// (the edge's thick border is drawn inside its cells): a sweep of the mouse
// redraws a row or two per tick, not the page.
void InvalidateRowBand(GridRecord* record, int from, int to) {
  const int rows = CountGridRows(record);
  const int first = std::max(0, std::min(from, to)), last = std::min(rows - 1, std::max(from, to));
  if (first > last) return;
  RECT top{}, bottom{};
  top.left = bottom.left = LVIR_BOUNDS;
  SendMessageW(record->listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(first), reinterpret_cast<LPARAM>(&top));
  SendMessageW(record->listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(last), reinterpret_cast<LPARAM>(&bottom));
  // Across the block's columns only: the cells beside it keep their look.
  const int columns = CountGridColumns(record);
  const int anchor = VisualPosition(record, record->selCol);
  int firstPosition, lastPosition;
  ClipExtent(anchor, record->selCols, columns, &firstPosition, &lastPosition);
  RECT left = CellRect(record, first, record->columnOrder[firstPosition] + 1);
  RECT right = CellRect(record, first, record->columnOrder[lastPosition] + 1);
  RECT band{std::min(left.left, right.left), top.top, std::max(left.right, right.right), bottom.bottom};
  InvalidateRect(record->listWindow, &band, FALSE);
}

// Shift with an arrow, Page, Home or End key: the block grows or shrinks;
// a current cell first becomes the anchor of a new block.
void ShiftKey(GridRecord* record, int key) {
  const int mode = record->selectionMode;
  if (mode == 3 || (!BlockShown(record) && record->currentRow == -1)) return;
  const int rows = CountGridRows(record), columns = CountGridColumns(record);
  if (rows <= 0 || columns <= 0) return;
  const bool sideways = key == VK_LEFT || key == VK_RIGHT;
  const bool upDown = key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT;
  if ((sideways && mode == 1) || (upDown && mode == 2)) return;
  const int perPage = std::max(1, static_cast<int>(SendMessageW(record->listWindow, LVM_GETCOUNTPERPAGE, 0, 0)));

  int anchorRow, anchorColumn, rowExtent, columnExtent;
  const bool fresh = record->currentRow != -1;
  if (fresh) {
    anchorRow = record->currentRow;
    anchorColumn = record->currentSubItem - 1;
    rowExtent = columnExtent = 1;
  } else {
    anchorRow = record->selRow;
    anchorColumn = record->selCol;
    rowExtent = record->selRows;
    columnExtent = record->selCols;
  }
  const int anchorPosition = VisualPosition(record, anchorColumn);
  const int farRow = FarLine(anchorRow, rowExtent), farPosition = FarLine(anchorPosition, columnExtent);
  int newRows = rowExtent, newColumns = columnExtent;
  switch (key) {
    case VK_DOWN:
    case VK_UP: {
      const int step = key == VK_DOWN ? 1 : -1;
      if (farRow + step < 0 || farRow + step >= rows) return;
      newRows = fresh ? 2 * step : StepExtent(rowExtent, step);
      break;
    }
    case VK_RIGHT:
    case VK_LEFT: {
      const int step = key == VK_RIGHT ? 1 : -1;
      if (farPosition + step < 0 || farPosition + step >= columns) return;
      newColumns = fresh ? 2 * step : StepExtent(columnExtent, step);
      break;
    }
    case VK_NEXT:
    case VK_PRIOR: {
      const bool down = key == VK_NEXT;
      if (fresh) {
        const int target = down ? std::min(rows - 1, anchorRow + perPage) : std::max(0, anchorRow - perPage);
        if (target == anchorRow) return;
        newRows = ExtentTo(anchorRow, target);
      } else {
        int64_t extent = static_cast<int64_t>(rowExtent) + (down ? perPage : -perPage);
        if (extent == 0) extent = down ? 1 : -1;
        const int64_t line = extent < 0 ? anchorRow + extent + 1 : anchorRow + extent - 1;
        newRows = ExtentTo(anchorRow, static_cast<int>(std::clamp<int64_t>(line, 0, rows - 1)));
      }
      break;
    }
    case VK_HOME:
      if (mode != 2) newRows = ExtentTo(anchorRow, 0);
      if (mode != 1) newColumns = ExtentTo(anchorPosition, 0);
      break;
    case VK_END:
      if (mode != 2) newRows = ExtentTo(anchorRow, rows - 1);
      if (mode != 1) newColumns = ExtentTo(anchorPosition, columns - 1);
      break;
    default:
      return;
  }
  if (!fresh && newRows == rowExtent && newColumns == columnExtent) return;
  if (fresh) {
    HWND list = record->listWindow;
    if (!EndEdit(record, 0) || !GridAlive(list, record)) return;
    record->focusRow = anchorRow;
    record->focusCol = anchorColumn;
  }
  record->selectionState = 2;
  record->selRow = anchorRow;
  record->selCol = anchorColumn;
  record->selRows = newRows;
  record->selCols = newColumns;
  ShowBlockChange(record);
}

// Escape without a current cell: the block's start cell becomes current
// (when the block is shown) and the block goes.
void CollapseBlock(GridRecord* record) {
  HWND list = record->listWindow;
  if (BlockShown(record)) {
    grid_SetCurrentCell(record->gadget, record->focusCol, record->focusRow, 0, 1);
    if (!GridAlive(list, record)) return;
  }
  record->selCol = -1;
  InvalidateRect(list, nullptr, FALSE);
  UpdateWindow(list);
}

// The cell a plain navigation key leads to from (row, subItem); false when
// the key would leave the grid.
bool NavigationTarget(GridRecord* record, int key, bool ctrl, int row, int subItem, int* targetRow,
                      int* targetSubItem, int* reason) {
  const int rows = CountGridRows(record);
  const int perPage = std::max(1, static_cast<int>(SendMessageW(record->listWindow, LVM_GETCOUNTPERPAGE, 0, 0)));
  *targetRow = row;
  *targetSubItem = subItem;
  auto empty = [&](int r, int s) { return CellText(record, r, s).empty(); };
  switch (key) {
    case VK_DOWN:
      if (row + 1 >= rows) return false;
      *targetRow = row + 1;
      while (ctrl && *targetRow < rows - 1 && empty(*targetRow, subItem)) ++*targetRow;
      *reason = 6;
      return true;
    case VK_UP:
      if (row < 1) return false;
      *targetRow = row - 1;
      while (ctrl && *targetRow >= 1 && empty(*targetRow, subItem)) --*targetRow;
      *reason = 5;
      return true;
    case VK_RIGHT:
    case VK_LEFT: {
      auto step = [&](int s) { return key == VK_RIGHT ? NextColumn(record, s) : PreviousColumn(record, s); };
      int next = step(subItem);
      if (next < 1 || next == subItem) return false;
      for (int further = step(next); ctrl && empty(row, next) && further >= 1 && further != next; further = step(next))
        next = further;
      *targetSubItem = next;
      *reason = key == VK_RIGHT ? 4 : 3;
      return true;
    }
    case VK_NEXT:
      if (row >= rows - 1) return false;
      *targetRow = std::min(rows - 1, row + perPage);
      *reason = 7;
      return true;
    case VK_PRIOR:
      if (row <= 0) return false;
      *targetRow = std::max(0, row - perPage);
      *reason = 8;
      return true;
    case VK_HOME:
      if (!ctrl || rows < 1) return false;
      *targetRow = 0;
      *targetSubItem = FirstColumn(record);
      *reason = 9;
      return *targetSubItem >= 1;
    case VK_END:
      if (!ctrl || rows < 1 || CountGridColumns(record) < 1) return false;
      *targetRow = rows - 1;
      *targetSubItem = LastColumn(record);
      *reason = 10;
      return *targetSubItem >= 1;
    default:
      return false;
  }
}

void NavigationKey(GridRecord* record, int key, bool ctrl) {
  HWND list = record->listWindow;
  int row = record->currentRow, subItem = record->currentSubItem;
  if (row == -1) {
    if (!BlockShown(record)) return;
    row = record->focusRow;
    subItem = record->focusCol + 1;
  }
  int targetRow, targetSubItem, reason = 0;
  if (!NavigationTarget(record, key, ctrl, row, subItem, &targetRow, &targetSubItem, &reason)) {
    if (record->currentRow == -1 && (key != VK_HOME && key != VK_END)) CollapseBlock(record);
    return;
  }
  if (record->currentRow == -1) {
    // The block gives way to its start cell, from where the key moves on.
    grid_SetCurrentCell(record->gadget, subItem - 1, row, 0, 1);
    if (!GridAlive(list, record)) return;
    InvalidateRect(list, nullptr, FALSE);
  }
  MoveCurrentCell(record, targetRow, targetSubItem, reason, false);
}

void SelectAll(GridRecord* record) {
  const int rows = CountGridRows(record), columns = CountGridColumns(record);
  if (rows <= 0 || columns <= 0 || !BlockShown(record) || record->selectionMode == 3) return;
  HWND list = record->listWindow;
  const int keptColumn = record->selCol, keptRow = record->selRow;
  if (!EndEdit(record, 0) || !GridAlive(list, record)) return;
  record->selectionState = 2;
  switch (record->selectionMode) {
    case 1:
      record->selCol = keptColumn;
      record->selRow = 0;
      record->selCols = 1;
      record->selRows = rows;
      break;
    case 2:
      record->selCol = FirstColumn(record) - 1;
      record->selRow = keptRow;
      record->selCols = columns;
      record->selRows = 1;
      break;
    default:
      record->selCol = FirstColumn(record) - 1;
      record->selRow = 0;
      record->selCols = columns;
      record->selRows = rows;
      break;
  }
  // The focus cell stays: Escape returns to where the user was.
  if (!EnsureCellVisible(record->gadget, record->selCol, 0)) InvalidateRect(list, nullptr, FALSE);
}

// Clipboard keys: the owner may refuse through Clipboard (extra 0 copy,
// 1 cut, 2 paste).
void ClipboardKey(GridRecord* record, int action) {
  if (action == 2 ? record->currentRow == -1 : !BlockExists(record)) return;
  HWND list = record->listWindow;
  GridCellEvent event;
  event.row = action == 2 ? record->currentRow : record->selRow;
  event.column = action == 2 ? record->currentSubItem - 1 : record->selCol;
  event.width = record->selCols;
  event.height = record->selRows;
  event.extra = action;
  int32_t answer = RaiseEvent(record, GridEvent::Clipboard, &event);
  if (!GridAlive(list, record) || answer == 0) return;
  if (action == 2) {
    PasteText(record->gadget);
    return;
  }
  if (!BlockExists(record)) return;
  CopySelection(record->gadget, record->selCol, record->selRow, record->selCols, record->selRows);
  if (action == 1 && GridAlive(list, record) && BlockExists(record))
    ClearBlock(record->gadget, record->selCol, record->selRow, record->selCols, record->selRows);
}

void DeleteKey(GridRecord* record) {
  if (!BlockExists(record)) return;
  HWND list = record->listWindow;
  GridCellEvent event;
  event.row = record->selRow;
  event.column = record->selCol;
  event.width = record->selCols;
  event.height = record->selRows;
  int32_t answer = RaiseEvent(record, GridEvent::DeleteKey, &event);
  if (!GridAlive(list, record) || answer == 0 || !BlockExists(record)) return;
  ClearBlock(record->gadget, record->selCol, record->selRow, record->selCols, record->selRows);
}

}  // namespace

bool KeyIsDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool HitTestCell(GridRecord* record, POINT point, int* row, int* column) {
  LVHITTESTINFO hit{};
  hit.pt = point;
  SendMessageW(record->listWindow, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  *row = hit.iItem;
  *column = (hit.iSubItem < 1 || hit.iItem == -1) ? -1 : hit.iSubItem - 1;
  return *row >= 0 && *column >= 0;
}

int MoveCurrentCell(GridRecord* record, int row, int subItem, int reason, bool byMouse) {
  HWND list = record->listWindow;
  GridCellEvent event;
  event.row = row;
  event.column = subItem - 1;
  event.extra = reason;
  int32_t answer = RaiseEvent(record, GridEvent::CellChanging, &event);
  if (!GridAlive(list, record)) return -1;
  if (answer != 1) return 0;
  if (!CommitEdit(record)) return -1;
  LeaveCell(record);
  // The owner may have removed the target's row while the edit was
  // committed; a cell that is not there gets no editor.
  if (event.row >= CountGridRows(record) || event.column >= CountGridColumns(record)) {
    KeyboardBackToList(record);
    return 1;
  }
  record->currentRow = event.row;
  record->currentSubItem = event.column + 1;
  OpenEditor(record, true, nullptr, -1, -1);
  if (!GridAlive(list, record)) return -1;
  if (byMouse) SetFocus(list);
  return 1;
}

int TabToNextCell(GridRecord* record) {
  if (!record || record->currentRow == -1) return 0;
  const int rows = CountGridRows(record);
  const int columns = CountGridColumns(record);
  if (rows <= 0 || columns <= 0) return 0;
  const bool back = KeyIsDown(VK_SHIFT);
  int row = record->currentRow;
  int subItem = record->currentSubItem;
  int next = back ? PreviousColumn(record, subItem) : NextColumn(record, subItem);
  if (next == subItem || next < 1) {
    // Past the row's end: on to the other end of the next (or previous) row,
    // round from the last row to the first and back.
    row = back ? (row == 0 ? rows - 1 : row - 1) : (row + 1 >= rows ? 0 : row + 1);
    next = back ? LastColumn(record) : FirstColumn(record);
  }
  return MoveCurrentCell(record, row, next, back ? 2 : 1, false) == 1 ? 1 : 0;
}

void StopDrag() {
  if (gridShared.dragTimer != 0) {
    // The timer's id is the record it serves; DestroyGridRecord clears it, so
    // a set id names a live grid.
    auto* dragging = reinterpret_cast<GridRecord*>(gridShared.dragTimer);
    KillTimer(dragging->listWindow, gridShared.dragTimer);
    if (GetCapture() == dragging->listWindow) ReleaseCapture();
  }
  gridShared.dragTimer = 0;
  gridShared.dragState = 0;
}

int EnsureCellVisible(int gadget, int column, int row) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || row < 0 || column < 0 || row >= CountGridRows(record) || column >= CountGridColumns(record))
    return 0;
  RECT cell = CellRect(record, row, column + 1);
  RECT client;
  GetClientRect(record->listWindow, &client);
  const int height = cell.bottom - cell.top;
  const bool outOfView = cell.left < 0 || cell.right - cell.left >= client.right || cell.right > client.right ||
                         (cell.top < record->headerHeight && height > 0) || cell.bottom >= client.bottom;
  if (!outOfView) return 0;
  HWND list = record->listWindow;
  const int savedRow = record->currentRow, savedSubItem = record->currentSubItem;
  LeaveCell(record);
  record->currentRow = savedRow;
  record->currentSubItem = savedSubItem;
  OpenEditor(record, false, &cell, row, column + 1);
  if (GridAlive(list, record) && record->currentRow != -1) RepositionEditor(record);
  return 1;
}

void ListButtonDown(GridRecord* record, WPARAM keys, LPARAM position, bool doubleClick) {
  HWND list = record->listWindow;
  POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  int row, column;
  if (!HitTestCell(record, point, &row, &column)) return;
  const int subItem = column + 1;

  GridCellEvent click;
  click.row = row;
  click.column = column;
  click.extra = static_cast<intptr_t>(keys);
  RaiseEvent(record, doubleClick ? GridEvent::DoubleClick : GridEvent::LeftClick, &click);
  if (!GridAlive(list, record) || row >= CountGridRows(record) || column >= CountGridColumns(record)) return;

  GridCellEvent type;
  if (!AskCellType(record, row, subItem, &type)) return;
  const RECT cell = CellRect(record, row, subItem);
  const bool current = row == record->currentRow && subItem == record->currentSubItem;

  if (type.cellType == GridCell::CheckBox) {
    const int side = std::min(static_cast<int>((cell.bottom - cell.top) / 2 + 1), 14);
    const int left = (cell.left + cell.right - side) / 2, top = (cell.top + cell.bottom - side) / 2;
    if (point.x >= left && point.x <= left + side && point.y >= top && point.y <= top + side) {
      ToggleCheckBox(record, row, subItem, type.text);
      return;
    }
  } else if (type.cellType == GridCell::Button) {
    if (doubleClick) return;
    RECT button;
    if (!ButtonRect(cell, type, &button)) return;
    if (PtInRect(&button, point)) {
      SetPressedLook(record, row, subItem, true);
      record->pressedRow = row;
      record->pressedSubItem = subItem;
      record->pressedKey = 0;
      SetCapture(list);
      return;
    }
  } else if (type.cellType == GridCell::Text && current) {
    // The editor places its caret where the cell was clicked.
    RECT editor;
    GetWindowRect(record->editWindow, &editor);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&editor), 2);
    LPARAM inside = MAKELPARAM(static_cast<WORD>(point.x - editor.left), 0x8000);
    for (int i = doubleClick ? 2 : 1; i > 0; --i) SendMessageW(record->editWindow, WM_LBUTTONDOWN, keys, inside);
    return;
  }
  if (!current) MoveCurrentCell(record, row, subItem, 0, true);
}

void ListButtonUp(GridRecord* record, WPARAM keys, LPARAM position) {
  HWND list = record->listWindow;
  if (gridShared.dragState != 0 || gridShared.dragTimer != 0) StopDrag();
  POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  int row, column;
  if (HitTestCell(record, point, &row, &column)) {
    GridCellEvent event;
    event.row = row;
    event.column = column;
    event.extra = static_cast<intptr_t>(keys);
    RaiseEvent(record, GridEvent::LeftButtonUp, &event);
    if (!GridAlive(list, record)) return;
  }
  ReleaseButton(record);
}

void ReleaseButton(GridRecord* record) {
  if (record->pressedRow < 0 || record->pressedSubItem < 0) return;
  const int row = record->pressedRow, subItem = record->pressedSubItem;
  const bool byMouse = record->pressedKey == 0;
  // Cleared before the capture goes: losing the capture cancels a press.
  record->pressedRow = record->pressedSubItem = -1;
  record->pressedKey = 0;
  if (byMouse && GetCapture() == record->listWindow) ReleaseCapture();
  if (row >= CountGridRows(record) || subItem > CountGridColumns(record)) return;
  if (!EndsPressed(CellText(record, row, subItem))) return;  // released away from the button
  SetPressedLook(record, row, subItem, false);
  GridCellEvent event;
  event.row = row;
  event.column = subItem - 1;
  RaiseEvent(record, GridEvent::ButtonPressed, &event);
}

// A button held down while a dialog or another program takes the capture or
// the keyboard is let go without being pressed: a release that comes later,
// anywhere, must not fire it (the button may be "kick").
void CancelPress(GridRecord* record) {
  if (record->pressedRow < 0 || record->pressedSubItem < 0) return;
  const int row = record->pressedRow, subItem = record->pressedSubItem;
  record->pressedRow = record->pressedSubItem = -1;
  record->pressedKey = 0;
  if (row < CountGridRows(record) && subItem <= CountGridColumns(record)) SetPressedLook(record, row, subItem, false);
}

// The release comes with the key's WM_KEYUP; no capture is taken.
void PressCurrentButton(GridRecord* record, int key) {
  if (record->currentRow == -1 || record->pressedRow >= 0) return;
  SetPressedLook(record, record->currentRow, record->currentSubItem, true);
  record->pressedRow = record->currentRow;
  record->pressedSubItem = record->currentSubItem;
  record->pressedKey = key;
}

// Only the key that pressed the button releases it.
void KeyReleased(GridRecord* record, int key) {
  if (record->pressedRow >= 0 && record->pressedKey == key) ReleaseButton(record);
}

void SpaceOnCurrentCell(GridRecord* record) {
  if (record->currentRow == -1) return;
  const int row = record->currentRow, subItem = record->currentSubItem;
  GridCellEvent event;
  if (!AskCellType(record, row, subItem, &event)) return;
  if (record->currentRow != row || record->currentSubItem != subItem) return;
  if (event.cellType == GridCell::CheckBox) {
    ToggleCheckBox(record, row, subItem, event.text);
  } else if (event.cellType == GridCell::Button) {
    PressCurrentButton(record, VK_SPACE);
  } else if (event.cellType == GridCell::Percentage && !record->editText.empty()) {
    // Worked on the clamped value: a cell may hold any 64-bit number.
    const int64_t value = CellNumber(record->editText);
    const int64_t stepped = KeyIsDown(VK_CONTROL) ? (value <= 0 ? 0 : value - 1) : (value >= 100 ? 100 : value + 1);
    std::wstring text = std::to_wstring(stepped);
    if (text != record->editText) {
      record->editText = text;
      SetCellTextRaw(record, row, subItem, text);
      InvalidateCell(record, row, subItem);
    }
  }
}

void TrackPressedButton(GridRecord* record, LPARAM position) {
  if (record->pressedRow < 0 || record->pressedSubItem < 0 || record->pressedKey != 0 ||
      GetCapture() != record->listWindow)
    return;
  const int row = record->pressedRow, subItem = record->pressedSubItem;
  if (row >= CountGridRows(record) || subItem > CountGridColumns(record)) return;
  HWND list = record->listWindow;
  GridCellEvent type;
  if (!AskCellType(record, row, subItem, &type)) return;
  RECT button;
  POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  const bool over = ButtonRect(CellRect(record, row, subItem), type, &button) && PtInRect(&button, point);
  if (GridAlive(list, record)) SetPressedLook(record, row, subItem, over);
}

void ListRightButton(GridRecord* record, bool down, WPARAM keys, LPARAM position) {
  HWND list = record->listWindow;
  POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  int row, column;
  HitTestCell(record, point, &row, &column);
  GridCellEvent event;
  if (down) {
    if (row < 0) return;
    event.row = row;
    event.column = column;
    event.extra = static_cast<intptr_t>(keys);
    RaiseEvent(record, GridEvent::RightButtonDown, &event);
    return;
  }
  if (row >= 0 && row == record->currentRow && column + 1 == record->currentSubItem &&
      (record->currentCellType == GridCell::Text || record->currentCellType == GridCell::EditableChoice)) {
    HWND editor = record->currentCellType == GridCell::Text ? record->editWindow : record->editComboEdit;
    POINT screen = point;
    ClientToScreen(list, &screen);
    SendMessageW(editor, WM_CONTEXTMENU, 0, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    return;
  }
  event.row = row < 0 ? -10 : row;
  event.column = row < 0 ? -10 : column;
  RaiseEvent(record, GridEvent::RightClick, &event);
}

void ListKeyDown(GridRecord* record, int key) {
  const bool ctrl = KeyIsDown(VK_CONTROL), shift = KeyIsDown(VK_SHIFT);
  switch (key) {
    case 'A':
      if (ctrl) SelectAll(record);
      return;
    case 'C':
      if (ctrl) ClipboardKey(record, 0);
      return;
    case 'X':
      if (ctrl) ClipboardKey(record, 1);
      return;
    case 'V':
      if (ctrl) ClipboardKey(record, 2);
      return;
    case VK_ESCAPE:
      if (record->currentRow != -1) {
        CancelEdit(record);
      } else if (BlockExists(record)) {
        CollapseBlock(record);
      }
      return;
    case VK_RETURN:
      if (record->currentCellType == GridCell::Button) PressCurrentButton(record, VK_RETURN);
      return;
    case VK_SPACE:
      SpaceOnCurrentCell(record);
      return;
    case VK_DELETE:
      DeleteKey(record);
      return;
    case VK_DOWN:
    case VK_UP:
    case VK_RIGHT:
    case VK_LEFT:
    case VK_NEXT:
    case VK_PRIOR:
    case VK_HOME:
    case VK_END:
      if (shift) {
        ShiftKey(record, key);
      } else {
        NavigationKey(record, key, ctrl);
      }
      return;
    default:
      return;
  }
}

void ListTabReleased(GridRecord* record) {
  HWND list = record->listWindow;
  if (record->currentRow == -1 && BlockShown(record)) {
    grid_SetCurrentCell(record->gadget, record->focusCol, record->focusRow, 0, 1);
    if (!GridAlive(list, record)) return;
    record->selRow = record->focusRow;
    record->selCol = -1;
    InvalidateRect(list, nullptr, FALSE);
  }
  if (record->currentRow == -1) return;
  if (TabToNextCell(record) != 1 || !GridAlive(list, record)) return;
  if (KeyIsDown(VK_CONTROL)) {
    FocusEditor(record);
  } else {
    SetFocus(list);
  }
}

void CALLBACK DragSelectTimer(HWND window, UINT, UINT_PTR id, DWORD) {
  GridRecord* record = grid_RecordFromWindow(window);
  if (!record || id != reinterpret_cast<UINT_PTR>(record) || gridShared.dragTimer != id) {
    KillTimer(window, id);
    return;
  }
  // A release that never reached the list (another window took the capture)
  // still ends the drag.
  if (!(GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) & 0x8000) ||
      GetCapture() != window) {
    StopDrag();
    return;
  }
  POINT cursor;
  GetCursorPos(&cursor);
  if (gridShared.dragState == 1) {
    if (std::abs(cursor.x - record->dragStartX) < 6 && std::abs(cursor.y - record->dragStartY) < 6) return;
    gridShared.dragState = 2;
  }
  POINT point = cursor;
  ScreenToClient(window, &point);
  int row, column;
  HitTestCell(record, point, &row, &column);
  if (record->hotRow != -1 && (row == record->hotRow || column + 1 == record->hotSubItem)) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    InvalidateCell(record, record->hotRow, record->hotSubItem);
    record->hotRow = -1;
  }
  const int rows = CountGridRows(record), columns = CountGridColumns(record);
  if (rows <= 0 || columns <= 0 || record->selCol < 0 || record->selCol >= columns) return;
  if (column < 0) {
    if (point.x < 0) {
      column = FirstColumn(record) - 1;
    } else if (point.x > gridShared.dragLimitRight) {
      column = LastColumn(record) - 1;
    } else {
      // Above or below the rows the list finds no cell at all; the column
      // is still the one under the cursor's x, read in the top visible row.
      RECT topRow{};
      topRow.left = LVIR_BOUNDS;
      const auto topIndex = static_cast<WPARAM>(SendMessageW(window, LVM_GETTOPINDEX, 0, 0));
      SendMessageW(window, LVM_GETITEMRECT, topIndex, reinterpret_cast<LPARAM>(&topRow));
      int ignored;
      HitTestCell(record, POINT{point.x, (topRow.top + topRow.bottom) / 2}, &ignored, &column);
    }
  }
  if (row < 0) {
    LVHITTESTINFO hit{};
    hit.pt = {0, point.y};
    SendMessageW(window, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    row = hit.iItem;
    if (row < 0) {
      if (point.y < record->headerHeight) row = 0;
      else if (point.y > gridShared.dragLimitBottom) row = rows - 1;
    }
  }
  if (row < 0 || column < 0) return;

  int newRows = ExtentTo(record->selRow, row);
  int newColumns = ExtentTo(VisualPosition(record, record->selCol), VisualPosition(record, column));
  if (record->selectionMode == 1) newColumns = 1;
  if (record->selectionMode == 2) newRows = 1;
  if (record->currentRow != -1) {
    if (std::abs(newRows) <= 1 && std::abs(newColumns) <= 1) return;
    const int anchorColumn = record->selCol;
    if (!EndEdit(record, 0) || !GridAlive(window, record)) return;
    record->selectionState = 2;
    record->selCol = anchorColumn;
    record->selRows = newRows;
    record->selCols = newColumns;
    if (!EnsureCellVisible(record->gadget, column, row)) InvalidateRect(window, nullptr, FALSE);
  } else if (newRows != record->selRows || newColumns != record->selCols) {
    const int oldFarRow = FarLine(record->selRow, record->selRows);
    const bool columnsChanged = newColumns != record->selCols;
    record->selRows = newRows;
    record->selCols = newColumns;
    if (EnsureCellVisible(record->gadget, column, row)) {
      UpdateWindow(window);
    } else if (columnsChanged) {
      InvalidateRect(window, nullptr, FALSE);
    } else {
      InvalidateRowBand(record, oldFarRow, FarLine(record->selRow, newRows));
    }
  }
}
