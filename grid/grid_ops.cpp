// The grid's operations and the services the other grid files share:
// raising events, the selection look, the column order, cell access, and
// copying and clearing blocks of cells.
#include <algorithm>
#include <climits>

#include "grid/grid_private.h"
#include "runtime/runtime.h"

// The lines a signed extent covers from `start`, clipped to 0..limit-1.
// Worked in 64 bits: owners pass extents up to INT_MAX ("to the end").
void ClipExtent(int start, int extent, int limit, int* first, int* last) {
  const int64_t from = start;
  if (extent < 0) {
    *first = static_cast<int>(std::max<int64_t>(0, from + extent + 1));
    *last = start;
  } else {
    *first = start;
    *last = static_cast<int>(std::min<int64_t>(limit - 1, from + extent - 1));
  }
}

namespace {

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE;

// A block given as start and signed extents, turned into inclusive ranges of
// rows and visual positions clipped to the grid.
struct Block {
  int firstRow, lastRow, firstPosition, lastPosition;
};

bool NormaliseBlock(GridRecord* record, int column, int row, int columns, int rows, Block* block) {
  int rowCount = CountGridRows(record);
  int columnCount = CountGridColumns(record);
  if (row < 0 || row >= rowCount || column < 0 || column >= columnCount || columns == 0 || rows == 0) return false;
  RebuildColumnOrder(record);
  ClipExtent(row, rows, rowCount, &block->firstRow, &block->lastRow);
  ClipExtent(record->columnPosition[column], columns, columnCount, &block->firstPosition, &block->lastPosition);
  return true;
}

std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return parts;
}

std::wstring Part(const std::wstring& text, size_t index) {
  auto parts = SplitText(text, L'/');
  return index < parts.size() ? parts[index] : std::wstring();
}

}  // namespace

// --- services -------------------------------------------------------------

int CountGridColumns(const GridRecord* record) {
  return static_cast<int>(SendMessageW(record->headerWindow, HDM_GETITEMCOUNT, 0, 0)) - 1;
}

int CountGridRows(const GridRecord* record) {
  return static_cast<int>(SendMessageW(record->listWindow, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring CellText(const GridRecord* record, int row, int subItem) {
  std::wstring text(256, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    auto length = static_cast<size_t>(
        SendMessageW(record->listWindow, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < text.size() || text.size() >= 65536) {
      text.resize(std::min(length, text.size()));
      return text;
    }
    text.assign(text.size() * 4, L'\0');
  }
}

void SetCellTextRaw(GridRecord* record, int row, int subItem, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = subItem;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(record->listWindow, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

RECT CellRect(const GridRecord* record, int row, int subItem) {
  RECT cell{};
  cell.top = subItem;
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(record->listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell)))
    return RECT{};
  // For a sub-item the list view reports the right edge of the row on some
  // versions; the column width is what the cell really spans.
  cell.right = cell.left + static_cast<LONG>(SendMessageW(record->listWindow, LVM_GETCOLUMNWIDTH, subItem, 0));
  return cell;
}

void RemoveBlockSelection(GridRecord* record) {
  record->selectionState = 0;
  record->selCol = -1;
}

int64_t CellNumber(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  int base = 10;
  if (i < text.size() && text[i] == L'$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == L'%') {
    base = 2;
    ++i;
  }
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    wchar_t c = text[i];
    int digit = (c >= L'0' && c <= L'9')   ? c - L'0'
                : (c >= L'a' && c <= L'f') ? c - L'a' + 10
                : (c >= L'A' && c <= L'F') ? c - L'A' + 10
                                           : 99;
    if (digit >= base) break;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);  // wraps like 64-bit arithmetic
  }
  return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
}

int32_t RaiseEvent(GridRecord* record, int32_t code, GridCellEvent* event) {
  int32_t result = 1;
  if (record->eventCallback) {
    HWND list = record->listWindow;
    HANDLE ownerValue = record->painting ? record->paintOwnerValue : GetPropW(list, kOwnerValueProperty);
    intptr_t owner = ownerValue ? reinterpret_cast<intptr_t>(ownerValue) : record->gadget;
    result = record->eventCallback(owner, code, event);
    if (!GridAlive(list, record)) return result;
  }

  // Only an answer of exactly 1 lets the move happen; a refused move must
  // neither take the selection nor capture the mouse for a drag. A move the
  // owner sends outside the grid is refused: the block would be anchored
  // on a cell that is not there.
  if (code == GridEvent::CellChanging && result == 1 &&
      (event->row < 0 || event->row >= CountGridRows(record) || event->column < 0 ||
       event->column >= CountGridColumns(record)))
    result = 0;
  if (code == GridEvent::CellChanging && result == 1) {
    if (record->tooltipWindow && record->tooltipRow == event->row && record->tooltipSubItem - 1 == event->column) {
      DetachRecord(record->tooltipWindow);
      DestroyWindow(record->tooltipWindow);
      record->tooltipWindow = nullptr;
      record->tooltipRow = -2;
    }
    if (record->currentRow == -1 && record->selCol != -1) InvalidateRect(record->listWindow, nullptr, FALSE);
    record->selectionState = 2;
    record->selCol = record->focusCol = event->column;
    record->selRow = record->focusRow = event->row;
    record->selCols = record->selRows = 1;

    if (event->extra == 0 && record->selectionMode != 3) {
      // One drag at a time: a drag still running on any grid ends here.
      StopDrag();
      POINT cursor;
      GetCursorPos(&cursor);
      record->dragStartX = cursor.x;
      record->dragStartY = cursor.y;
      LVHITTESTINFO hit{};
      hit.pt = cursor;
      ScreenToClient(record->listWindow, &hit.pt);
      SendMessageW(record->listWindow, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.iItem == event->row && hit.iSubItem == event->column + 1) {
        gridShared.dragState = 1;
        int rows = CountGridRows(record);
        if (rows == 0 || CountGridColumns(record) == 0) {
          gridShared.dragLimitRight = -1;
          gridShared.dragLimitBottom = record->headerHeight;
        } else {
          RECT client, last{};
          GetClientRect(record->listWindow, &client);
          last.left = LVIR_BOUNDS;
          SendMessageW(record->listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(rows - 1),
                       reinterpret_cast<LPARAM>(&last));
          gridShared.dragLimitRight = std::min(last.right, client.right);
          gridShared.dragLimitBottom = std::min(last.bottom, client.bottom);
        }
        SetCapture(record->listWindow);
        // The timer's id is the record itself: StopDrag and the record's
        // clean-up find the grid from it (SetTimer promises only a non-zero
        // answer, not the id).
        const auto id = reinterpret_cast<UINT_PTR>(record);
        gridShared.dragTimer = SetTimer(record->listWindow, id, 1, DragSelectTimer) ? id : 0;
      }
    }
  } else if (code == GridEvent::QueryCellColours) {
    ApplySelectionLook(record, event);
  }
  return result;
}

void ApplySelectionLook(GridRecord* record, GridCellEvent* event) {
  record->cellSelected = 0;
  if (record->selectionState == 0 || record->currentRow != -1 || record->selCol < 0) return;

  int firstRow, lastRow;
  ClipExtent(record->selRow, record->selRows, INT_MAX, &firstRow, &lastRow);
  if (event->row < firstRow || event->row > lastRow) return;

  int columns = CountGridColumns(record);
  if (columns <= 0 || record->selCol >= columns || event->column < 0 || event->column >= columns) return;
  RebuildColumnOrder(record);
  int start = record->columnPosition[record->selCol];
  int firstPosition, lastPosition;
  ClipExtent(start, record->selCols, columns, &firstPosition, &lastPosition);
  // A block reaching past the columns keeps the extent it really shows.
  if (record->selCols < 0 && firstPosition == 0) record->selCols = -(start + 1);
  if (record->selCols > 0 && lastPosition == columns - 1) record->selCols = columns - start;
  int position = record->columnPosition[event->column];
  if (position < firstPosition || position > lastPosition) return;

  record->cellSelected = 1;
  if (record->selectionState == 2 && event->row == record->focusRow && event->column == record->focusCol) {
    event->backColour = RGB(128, 128, 128);
    event->textColour = RGB(216, 216, 216);
  } else if (record->selectionColour != kGridNoColour) {
    event->backColour = record->selectionColour;
  }
  if (record->styleFlags & kGridNoLinesInSelection) event->borderFlags = kBorderNoGridLines;

  if (position == firstPosition) record->cellBorderFlags |= kBorderLeftThick;
  if (event->row == firstRow) record->cellBorderFlags |= kBorderTopThick;
  if (position == lastPosition) record->cellBorderFlags |= kBorderRightThick;
  if (event->row == lastRow) record->cellBorderFlags |= kBorderBottomThick;
}

void RebuildColumnOrder(GridRecord* record) {
  int columns = CountGridColumns(record);
  if (!record->columnsChanged || columns <= 0) return;
  std::vector<int> order(static_cast<size_t>(columns) + 1);
  if (!SendMessageW(record->listWindow, LVM_GETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data())))
    return;
  int position = 0;
  for (int listColumn : order) {
    if (listColumn == 0 || position >= kMaxGridColumns) continue;
    record->columnOrder[position++] = listColumn - 1;
  }
  for (int p = 0; p < position; ++p) {
    int column = record->columnOrder[p];
    if (column >= 0 && column < kMaxGridColumns) record->columnPosition[column] = p;
  }
  record->columnsChanged = 0;
}

int FirstColumn(GridRecord* record) {
  if (!record || CountGridColumns(record) <= 0) return -1;
  RebuildColumnOrder(record);
  return record->columnOrder[0] + 1;
}

int LastColumn(GridRecord* record) {
  if (!record) return -1;
  int columns = CountGridColumns(record);
  if (columns <= 0) return -1;
  RebuildColumnOrder(record);
  return record->columnOrder[columns - 1] + 1;
}

namespace {
// The column `step` visual positions away; the edge column stays put.
int StepColumn(GridRecord* record, int subItem, int step) {
  if (!record) return -1;
  int columns = CountGridColumns(record);
  if (columns <= 0) return -1;
  if (columns == 1) return subItem == 1 ? subItem : -1;
  if (subItem < 1 || subItem > columns) return -1;
  RebuildColumnOrder(record);
  int position = record->columnPosition[subItem - 1] + step;
  return position < 0 || position >= columns ? subItem : record->columnOrder[position] + 1;
}
}  // namespace

int NextColumn(GridRecord* record, int subItem) { return StepColumn(record, subItem, 1); }
int PreviousColumn(GridRecord* record, int subItem) { return StepColumn(record, subItem, -1); }

void InvalidateCell(GridRecord* record, int row, int subItem) {
  RECT cell{};
  cell.top = subItem;
  cell.left = LVIR_BOUNDS;
  if (SendMessageW(record->listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell)))
    InvalidateRect(record->listWindow, &cell, FALSE);
}

// --- operations used by the property box ----------------------------------------

int grid_AddColumn(int gadget, int position, const wchar_t* title, int width) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || position < -1) return 0;
  int items = static_cast<int>(SendMessageW(record->headerWindow, HDM_GETITEMCOUNT, 0, 0));
  if (items > kMaxGridColumns) return 0;
  if (!EndEdit(record, 0)) return 0;
  RemoveBlockSelection(record);
  if (position == -1 || position > items - 1) position = items - 1;
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH | LVCF_TEXT;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title ? title : L"");
  SendMessageW(record->listWindow, LVM_INSERTCOLUMNW, static_cast<WPARAM>(position + 1),
               reinterpret_cast<LPARAM>(&column));
  record->columnsChanged = 1;
  if (record->headerHeight == 0) RebuildColumnOrder(record);
  return 0;
}

int grid_AddRows(int gadget, int position, int count) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || position < -1 || count < 1) return 0;
  if (!EndEdit(record, 0)) return 0;
  RemoveBlockSelection(record);
  for (int i = 0; i < count; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"");
    item.iItem = position == -1 ? CountGridRows(record) : position + i;
    SendMessageW(record->listWindow, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  RedrawWindow(record->listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  return 0;
}

int grid_SetCallback(int gadget, GridCallback callback) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record) return 0;
  record->eventCallback = callback;
  RedrawWindow(record->listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME);
  return 0;
}

std::wstring grid_GetCellText(int gadget, int column, int row) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || row < 0 || column < 0 || row >= CountGridRows(record) || column >= CountGridColumns(record))
    return {};
  if (row == record->currentRow && column + 1 == record->currentSubItem) return record->editText;
  return CellText(record, row, column + 1);
}

// The open editor's cell has a new value, and the owner has just answered its
// type. Another kind of cell needs the other editor, with its items and in
// its place, and the old one out of sight. False when the owner freed the
// grid meanwhile.
bool ShowInOpenEditor(GridRecord* record, const GridCellEvent& answer, const std::wstring& value) {
  if (answer.cellType == record->currentCellType) {
    ShowTextInEditor(record, value);
    return true;
  }
  ParkEditor(record);
  record->currentCellType = answer.cellType;
  LoadEditorItems(record, answer.text);
  return RepositionEditor(record);
}

int grid_SetCellText(int gadget, int column, int row, const wchar_t* text) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || row < 0 || column < 0 || row >= CountGridRows(record) || column >= CountGridColumns(record))
    return 0;
  std::wstring value = text ? text : L"";
  SetCellTextRaw(record, row, column + 1, value);
  if (row == record->currentRow && column + 1 == record->currentSubItem) {
    record->editText = value;
    HWND list = record->listWindow;
    GridCellEvent event;
    event.row = row;
    event.column = column;
    event.font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
    RaiseEvent(record, GridEvent::QueryCellType, &event);
    if (!GridAlive(list, record)) return 0;
    ShowInOpenEditor(record, event, value);
  }
  return 0;
}

bool EndEdit(GridRecord* record, int reason, bool keyboardLeaving) {
  HWND list = record->listWindow;
  GridCellEvent event;
  event.row = record->currentRow;
  event.column = record->currentSubItem - 1;
  bool removedSelection = false;
  if (record->currentRow != -1 && record->selCol != -1) {
    removedSelection = true;
    RemoveBlockSelection(record);
  }
  if (!CommitEdit(record)) return false;
  LeaveCell(record);
  if (!keyboardLeaving) {
    KeyboardBackToList(record);
    if (!GridAlive(list, record)) return false;
  }
  if (removedSelection) {
    event.extra = reason;
    RaiseEvent(record, GridEvent::EditEnded, &event);
  }
  return GridAlive(list, record);
}

int grid_EndEdit(int gadget, int reason) {
  if (GridRecord* record = RecordFromGadget(gadget)) EndEdit(record, reason);
  return 0;
}

int grid_CountColumns(int gadget) {
  GridRecord* record = RecordFromGadget(gadget);
  return record ? CountGridColumns(record) : -1;
}

int grid_CountRows(int gadget) {
  GridRecord* record = RecordFromGadget(gadget);
  return record ? CountGridRows(record) : -1;
}

int grid_DeleteRow(int gadget, int row) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || row < 0 || row >= CountGridRows(record)) return 0;
  // Ending the edit must not carry the typed text into the row that moves up.
  if (row == record->currentRow) record->initialText = record->editText;
  if (!EndEdit(record, 0)) return 0;
  RemoveBlockSelection(record);
  SendMessageW(record->listWindow, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  InvalidateRect(record->listWindow, nullptr, TRUE);
  return 0;
}

int grid_SetCurrentCell(int gadget, int column, int row, int focusEditor, int scrollIntoView) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || row < 0 || column < 0 || row >= CountGridRows(record) || column >= CountGridColumns(record))
    return 0;
  HWND list = record->listWindow;
  if (record->currentRow == -1 && record->selCol != -1) {
    RemoveBlockSelection(record);
    InvalidateRect(list, nullptr, FALSE);
  }
  UpdateWindow(list);
  if (!GridAlive(list, record)) return 0;
  record->selectionState = 2;
  record->selCol = record->focusCol = column;
  record->selRow = record->focusRow = row;
  record->selCols = record->selRows = 1;
  if (!CommitEdit(record)) return 0;
  LeaveCell(record);
  record->currentRow = row;
  record->currentSubItem = column + 1;
  if (scrollIntoView) {
    OpenEditor(record, true, nullptr, -1, -1);
    if (!GridAlive(list, record)) return 0;
  } else {
    if (!LoadEditor(record) || !RepositionEditor(record)) return 0;
  }
  if (focusEditor == 1) {
    FocusEditor(record);
  } else {
    SetFocus(record->listWindow);
  }
  return 0;
}

int grid_GetCurrentColumn(int gadget) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || record->currentRow == -1) return -1;
  return record->currentSubItem - 1;
}

int grid_GetCurrentRow(int gadget) {
  GridRecord* record = RecordFromGadget(gadget);
  return record ? record->currentRow : -1;
}

int grid_SetHeaderHeight(int gadget, int height) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || height < 0) return 0;
  if (!EndEdit(record, 0)) return 0;
  record->headerHeight = height;
  // Hiding and showing makes the list view lay its header out again, which
  // asks the header (HDM_LAYOUT) for the new height. Some list views (Wine's)
  // lay out only when their size changes, hence the one-pixel nudge, which
  // also serves a grid the owner has hidden: that one must stay hidden.
  if (IsWindowVisible(record->listWindow)) {
    ShowWindow(record->listWindow, SW_HIDE);
    ShowWindow(record->listWindow, SW_SHOW);
  }
  RECT frame;
  GetWindowRect(record->listWindow, &frame);
  const int width = frame.right - frame.left;
  const int tall = frame.bottom - frame.top;
  const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(record->listWindow, nullptr, 0, 0, width, tall + 1, flags);
  SetWindowPos(record->listWindow, nullptr, 0, 0, width, tall, flags);
  return 0;
}

int grid_SetAttribute(int gadget, int attribute, int32_t value) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record) return 0;
  auto colour = static_cast<COLORREF>(value);
  bool stored = false;
  switch (attribute) {
    case kGridHeaderLineColour:
    case kGridFrameColour:
    case kGridFrameWidth:
    case kGridLineColour:
      if (value == -1) break;
      if (attribute == kGridHeaderLineColour) record->headerLineColour = colour;
      if (attribute == kGridFrameColour) record->frameColour = colour;
      if (attribute == kGridFrameWidth) record->frameWidth = value;
      if (attribute == kGridLineColour) record->gridLineColour = colour;
      stored = true;
      break;
    case kGridSelectionColour:
      record->selectionColour = colour;
      stored = true;
      break;
    case kGridEmptyAreaColour:
      if (record->emptyAreaColour != colour) {
        record->emptyAreaColour = colour;
        stored = true;
      }
      break;
    case kGridSelectionMode:
      if (value < 0 || value > 3) break;
      record->selectionMode = static_cast<uint8_t>(value);
      // Narrowing an existing block; without one there is nothing to narrow
      // (setting the anchor alone would invent a block with a zero extent).
      if (value == 1 && record->selCol != -1) {
        record->selCol = record->focusCol;
        record->selCols = 1;
      } else if (value == 2 && record->selCol != -1) {
        record->selRow = record->focusRow;
        record->selRows = 1;
      } else if (value == 3) {
        RemoveBlockSelection(record);
      }
      stored = true;
      break;
    default:
      break;
  }
  if (stored) RedrawWindow(record->listWindow, nullptr, nullptr, kRedrawAll);
  return 0;
}

// --- further operations ------------------------------------------------------------

int grid_ClearRows(int gadget) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record) return 0;
  record->initialText = record->editText;
  if (!EndEdit(record, 0)) return 0;
  RemoveBlockSelection(record);
  SendMessageW(record->listWindow, WM_SETREDRAW, FALSE, 0);
  SendMessageW(record->listWindow, LVM_DELETEALLITEMS, 0, 0);
  SendMessageW(record->listWindow, WM_SETREDRAW, TRUE, 0);
  return 0;
}

int grid_GetSelection(int gadget, int32_t* destination) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || !destination) return 0;
  destination[0] = record->selCol;
  destination[1] = record->selRow;
  destination[2] = record->selCols;
  destination[3] = record->selRows;
  return 0;
}

int grid_IsEditModified(int gadget) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || record->currentRow == -1) return 0;
  return record->editText != record->initialText ? 1 : 0;
}

int grid_GetHeight(int gadget) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record) return -1;
  RECT window;
  GetWindowRect(record->listWindow, &window);
  return window.bottom - window.top;
}

int grid_Hide(int gadget, int state) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record) return 0;
  ShowWindow(record->listWindow, state ? SW_HIDE : SW_SHOW);
  return 0;
}

// --- blocks -----------------------------------------------------------------------------

int CopySelection(int gadget, int column, int row, int columns, int rows) {
  GridRecord* record = RecordFromGadget(gadget);
  Block block;
  if (!record || !NormaliseBlock(record, column, row, columns, rows, &block)) return 0;
  std::wstring text;
  for (int r = block.firstRow; r <= block.lastRow; ++r) {
    for (int p = block.firstPosition; p <= block.lastPosition; ++p) {
      int subItem = record->columnOrder[p] + 1;
      text += (r == record->currentRow && subItem == record->currentSubItem) ? record->editText
                                                                            : CellText(record, r, subItem);
      text += p == block.lastPosition ? L"\r\n" : L"\t";
    }
  }
  if (OpenClipboard(record->listWindow)) {
    EmptyClipboard();
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      if (void* target = GlobalLock(memory)) {
        memcpy(target, text.c_str(), bytes);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
      } else {
        GlobalFree(memory);
      }
    }
    CloseClipboard();
  }
  return (block.lastRow - block.firstRow + 1) * (block.lastPosition - block.firstPosition + 1);
}

// Each cell is emptied its own way. The cell of the open editor changes in
// place, as if typed; every other changed cell passes TextChanged, in which
// the owner may move the current cell or add and remove rows: the grid as
// it is then decides, and the current cell stays where the owner left it.
int ClearBlock(int gadget, int column, int row, int columns, int rows) {
  GridRecord* record = RecordFromGadget(gadget);
  Block block;
  if (!record || !NormaliseBlock(record, column, row, columns, rows, &block)) return 0;
  HWND list = record->listWindow;
  int cleared = 0;

  for (int r = block.firstRow; r <= block.lastRow; ++r) {
    for (int p = block.firstPosition; p <= block.lastPosition; ++p) {
      if (r >= CountGridRows(record) || p >= CountGridColumns(record)) continue;
      RebuildColumnOrder(record);
      const int subItem = record->columnOrder[p] + 1;
      GridCellEvent event;
      event.row = r;
      event.column = subItem - 1;
      event.font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
      RaiseEvent(record, GridEvent::QueryCellType, &event);
      if (!GridAlive(list, record)) return cleared;
      if (r >= CountGridRows(record)) continue;

      std::wstring value;
      switch (event.cellType) {
        case GridCell::Text:
        case GridCell::ListChoice:
        case GridCell::EditableChoice:
          break;
        case GridCell::CheckBox:
          value = Part(event.text, 1);
          break;
        case GridCell::Percentage:
          value = L"0";
          break;
        default:
          continue;
      }
      ++cleared;
      if (r == record->currentRow && subItem == record->currentSubItem) {
        SetCellTextRaw(record, r, subItem, value);
        record->editText = value;
        if (!ShowInOpenEditor(record, event, value)) return cleared;
      } else if (!CommitCellText(record, r, subItem, value)) {
        return cleared;
      }
    }
  }
  InvalidateRect(list, nullptr, FALSE);
  return cleared;
}
