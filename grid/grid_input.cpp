// Mouse and keyboard input of the list view: hit testing, current-cell moves,
// block selection and the keys a spreadsheet user expects.
#include "grid/grid_private.h"

bool KeyIsDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

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
  // The owner may have sent the move elsewhere; a cell that is not there
  // gets no editor.
  if (event.row < 0 || event.row >= CountGridRows(record) || event.column < 0 ||
      event.column >= CountGridColumns(record))
    return 1;
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
