// What the property box does with its grid's input: headings folded and
// unfolded, the current cell moved by the box's own rules (the grid's
// proposals are always refused), the number rows' character filter, the
// value button of the owner-painted kinds, label-edit mode, and Ctrl+Space.
//
// The grid's click events name a cell but not the point; the box's window
// procedure (propbox_create.cpp, on top of the grid's own) notes where the
// mouse was before the grid raises them.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "grid/grid.h"
#include "propbox/propbox_filter.h"
#include "propbox/propbox_private.h"

namespace {

constexpr int kMarginColumn = 0, kLabelColumn = 1, kValueColumn = 2;
constexpr int kExpandBoxSize = 12;
constexpr int kButtonSize = 12;

// CellChanging reasons.
constexpr intptr_t kByMouse = 0, kByTab = 1, kByShiftTab = 2, kByLeft = 3, kByRight = 4, kByCtrlEnd = 10;

bool InExpandBox(const PropertyBox* box, int gridRow) {
  const RECT cell = GridCellRect(box, gridRow, kMarginColumn);
  const int left = (cell.left + cell.right - kExpandBoxSize) / 2;
  const int top = (cell.top + cell.bottom - kExpandBoxSize) / 2;
  const RECT expand{left, top, left + kExpandBoxSize, top + kExpandBoxSize};
  return PtInRect(&expand, box->mousePoint) != 0;
}

// The value button as PaintValueCell draws it: 12 pixels from 16 to 4 short
// of the cell's right edge, centred vertically.
bool OnValueButton(const PropertyBox* box, int gridRow) {
  const RECT cell = GridCellRect(box, gridRow, kValueColumn);
  const int top = (cell.top + cell.bottom) / 2 - kButtonSize / 2;
  const RECT button{cell.right - 16, top, cell.right - 4, top + kButtonSize};
  return PtInRect(&button, box->mousePoint) != 0;
}

bool HasValueButton(const PropertyRow* row) { return row->kind >= PropertyKind::Colour; }

bool IsCurrentValueCell(const PropertyBox* box, int gridRow) {
  return grid_GetCurrentRow(box->grid) == gridRow && grid_GetCurrentColumn(box->grid) == kValueColumn;
}

void SetMark(PropertyBox* box, int gridRow) {
  RedrawGridRow(box, box->markedRow);
  box->markedRow = gridRow;
  RedrawGridRow(box, gridRow);
}

// Commits a changed edit so that what its owner event does to the rows is
// over before the box works out a grid row; false when the box was freed.
bool CommitPendingEdit(PropertyBox* box) {
  if (!grid_IsEditModified(box->grid)) return true;
  HWND window = box->window;
  grid_EndEdit(box->grid, 0);
  return BoxAlive(window, box);
}

// Makes a cell current as the box's own move: no CellChanging, editor not
// focused, scrolled into view; label-edit mode ends and the row is marked.
bool MoveTo(PropertyBox* box, int gridRow, int column) {
  HWND window = box->window;
  grid_SetCurrentCell(box->grid, column, gridRow, 0, 1);
  if (!BoxAlive(window, box)) return false;
  box->labelEditing = false;
  SetMark(box, gridRow);
  return true;
}

int32_t AnswerCellChanging(PropertyBox* box, GridCellEvent* event) {
  if (box->headingClicked) {
    // The click that toggled a heading asks for no move as well.
    box->headingClicked = false;
    return 0;
  }
  const intptr_t reason = event->extra;
  const int rows = static_cast<int>(box->gridRows.size());
  const int current = grid_GetCurrentRow(box->grid);
  int target = -1;
  int column = event->column;
  if (reason == kByTab) {
    if (current < 0) return 0;
    const bool sameRow = grid_GetCurrentColumn(box->grid) == kMarginColumn || rows <= 1;
    target = sameRow ? current : (current + 1 >= rows ? 0 : current + 1);
    column = sameRow ? kValueColumn : kLabelColumn;
  } else if (reason == kByShiftTab) {
    if (current < 0 || event->row != current || box->labelEditing) return 0;
    target = current == 0 ? rows - 1 : current - 1;
    column = std::min(event->column + 1, kValueColumn);
  } else if (reason == kByLeft || reason == kByRight) {
    return 0;
  } else if (reason == kByMouse || (reason > kByRight && reason <= kByCtrlEnd)) {
    if (event->row == current && !box->labelEditing) return 0;
    target = event->row;
  } else {
    return 0;
  }
  PropertyRow* row = RowOfGridRow(box, target);
  if (!row) return 0;
  if (row->kind != PropertyKind::Heading) column = kValueColumn;
  else if (reason == kByTab) column = kLabelColumn;
  else if (reason == kByMouse && event->column != kMarginColumn) column = kValueColumn;
  column = std::clamp(column, kMarginColumn, kValueColumn);

  HWND window = box->window;
  const int32_t allowed = RaiseOwnerEvent(box, PropertyEvent::RowChanging, IndexOf(box, row), 0);
  if (!BoxAlive(window, box) || allowed == 0) return 0;
  // The edit being left is committed before the move, and the owner hearing
  // of it may insert, remove or fold rows: the target is looked up after.
  if (!CommitPendingEdit(box) || IndexOf(box, row) < 0) return 0;
  const int g = GridRowOf(box, row);
  if (g >= 0) MoveTo(box, g, column);
  return 0;
}

int32_t AnswerEditEnded(PropertyBox* box) {
  if ((box->style & kPropertyBoxShowSelection) || box->markedRow < 0) return 1;
  const int marked = box->markedRow;
  PropertyRow* row = RowOfGridRow(box, marked);
  RedrawGridRow(box, marked);
  box->markedRow = -1;
  HWND focus = GetFocus();
  if (row && focus != box->window && !IsChild(box->window, focus))
    RaiseOwnerEvent(box, PropertyEvent::FocusLeft, IndexOf(box, row), 0);
  return 1;
}

// The clipboard's text up to its first line break (a one-line editor keeps
// no more of a paste).
std::wstring ClipboardLine(HWND owner) {
  std::wstring text;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text.substr(0, text.find_first_of(L"\r\n"));
}

// Ctrl+V in an editor whose typing is filtered: the edit control would
// paste past the filter and the owner, so the box refuses its paste and
// types the clipboard's text into the editor instead, one character after
// another, each passing what a typed one passes.
void PasteAsTyped(PropertyBox* box, HWND editor) {
  const std::wstring text = ClipboardLine(box->window);
  HWND window = box->window;
  for (wchar_t character : text) {
    if (character < 0x20) continue;
    SendMessageW(editor, WM_CHAR, character, 1);
    if (!BoxAlive(window, box) || !IsWindow(editor)) return;
  }
}

int32_t AnswerKeyChar(PropertyBox* box, PropertyRow* row, GridCellEvent* event) {
  if (event->column != kValueColumn) return 1;
  const auto character = static_cast<wchar_t>(event->extra);
  constexpr wchar_t kCtrlV = 0x16;
  if (character == kCtrlV && row->kind >= PropertyKind::EditableChoice && row->kind <= PropertyKind::Text) {
    HWND editor = GetFocus();
    if (editor && IsChild(box->window, editor)) PasteAsTyped(box, editor);
    return 0;
  }
  switch (row->kind) {
    case PropertyKind::UnsignedNumber:
    case PropertyKind::SignedNumber:
    case PropertyKind::DecimalNumber:
      return NumberCharacterAccepted(row->kind, character, event->text, event->width, event->height) ? 1 : 0;
    case PropertyKind::Text:
    case PropertyKind::EditableChoice: {
      HWND window = box->window;
      wchar_t typed = character;
      const int32_t answer =
          RaiseOwnerEvent(box, PropertyEvent::KeyChar, IndexOf(box, row), reinterpret_cast<intptr_t>(&typed));
      if (!BoxAlive(window, box)) return 0;
      event->extra = typed;
      return answer == 0 ? 0 : 1;
    }
    default:
      return 1;
  }
}

int32_t AnswerLeftClick(PropertyBox* box, PropertyRow* row, GridCellEvent* event) {
  const int g = event->row;
  if (row->kind == PropertyKind::Heading) {
    if (event->column == kMarginColumn && InExpandBox(box, g)) {
      box->headingClicked = true;
      ToggleHeading(box, row, true);
    }
    return 1;
  }
  if (event->column != kValueColumn || !HasValueButton(row)) return 1;
  if (!IsCurrentValueCell(box, g) && !(box->style & kPropertyBoxAlwaysButton)) return 1;
  if (!OnValueButton(box, g)) return 1;
  DropValueButton(boxShared.pressedButtonBox);
  boxShared.pressedButtonBox = box;
  boxShared.pressedButtonRow = g;
  SetCapture(box->window);
  RedrawGridRow(box, g);
  return 1;
}

int32_t AnswerDoubleClick(PropertyBox* box, PropertyRow* row, GridCellEvent* event) {
  if (row->kind == PropertyKind::Heading) {
    if (event->column == kLabelColumn || event->column == kValueColumn) ToggleHeading(box, row, true);
    return 1;
  }
  if (!(box->style & kPropertyBoxEditLabels) || event->column != kLabelColumn || box->labelEditing) return 1;
  HWND window = box->window;
  // The other edit is committed first; its owner may move the clicked row.
  if (!CommitPendingEdit(box) || IndexOf(box, row) < 0) return 1;
  const int g = GridRowOf(box, row);
  if (g < 0) return 1;
  box->labelEditing = true;
  RedrawGridRow(box, box->markedRow);
  grid_SetCurrentCell(box->grid, kLabelColumn, g, 1, 1);
  if (!BoxAlive(window, box)) return 1;
  if (box->labelEditing) {
    box->markedRow = g;
    RedrawGridRow(box, g);
  }
  return 1;
}

}  // namespace

RECT GridCellRect(const PropertyBox* box, int gridRow, int column) {
  RECT cell{};
  cell.top = column + 1;  // the grid's placeholder column comes first
  cell.left = LVIR_BOUNDS;
  SendMessageW(box->window, LVM_GETSUBITEMRECT, static_cast<WPARAM>(gridRow), reinterpret_cast<LPARAM>(&cell));
  cell.right = cell.left + static_cast<int>(SendMessageW(box->window, LVM_GETCOLUMNWIDTH, column + 1, 0));
  return cell;
}

PropertyRow* RowOfGridRow(PropertyBox* box, int gridRow) {
  if (gridRow < 0 || gridRow >= static_cast<int>(box->gridRows.size())) return nullptr;
  return box->gridRows[static_cast<size_t>(gridRow)];
}

bool ToggleHeading(PropertyBox* box, PropertyRow* row, bool byUser) {
  HWND window = box->window;
  const int32_t code = row->collapsed ? PropertyEvent::Expanding : PropertyEvent::Collapsing;
  const int32_t allowed = RaiseOwnerEvent(box, code, IndexOf(box, row), 0);
  if (!BoxAlive(window, box)) return false;
  if (IndexOf(box, row) < 0 || (byUser && allowed == 0)) return true;
  // An edit on a row that is about to lose its grid row is committed (or
  // refused by the owner) first, so no editor is left over a row that went.
  // A heading that was the current cell stays current, or Ctrl+Space could
  // fold a group but never unfold it again.
  const bool headingCurrent = GridRowOf(box, row) == grid_GetCurrentRow(box->grid);
  const int column = grid_GetCurrentColumn(box->grid);
  grid_EndEdit(box->grid, 0);
  if (!BoxAlive(window, box)) return false;
  if (IndexOf(box, row) < 0) return true;
  row->collapsed = row->collapsed ? 0 : 1;
  box->labelEditing = false;
  // SyncGrid switches redrawing off while it deletes or inserts, refits the
  // value column and repaints.
  if (!SyncGrid(box)) return false;
  const int g = GridRowOf(box, row);
  if (headingCurrent && g >= 0 && column >= 0) return MoveTo(box, g, column);
  RedrawGridRow(box, g);
  return true;
}

void NoteMouse(PropertyBox* box, UINT message, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_LBUTTONUP ||
      message == WM_MOUSEMOVE)
    box->mousePoint = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

void DropValueButton(PropertyBox* box) {
  if (!box || boxShared.pressedButtonBox != box) return;
  const int g = boxShared.pressedButtonRow;
  boxShared.pressedButtonBox = nullptr;
  boxShared.pressedButtonRow = -1;
  if (GetCapture() == box->window) ReleaseCapture();
  RedrawGridRow(box, g);
}

void AfterGridMessage(PropertyBox* box, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      bool buttonWasHeld) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
    // The move a heading's box click holds back belongs to that click alone;
    // the grid proposes none when the clicked cell was current already.
    box->headingClicked = false;
    return;
  }
  if (message == WM_LBUTTONUP && buttonWasHeld) {
    const int g = boxShared.pressedButtonRow;
    DropValueButton(box);
    // Opened only when released over the button it was pressed on, and that
    // cell is still the current one.
    PropertyRow* row = RowOfGridRow(box, g);
    if (row && HasValueButton(row) && IsCurrentValueCell(box, g) && OnValueButton(box, g))
      OpenValueEditor(box, row);
    return;
  }
  if (message == WM_CAPTURECHANGED && boxShared.pressedButtonBox == box &&
      reinterpret_cast<HWND>(lParam) != window) {
    DropValueButton(box);
    return;
  }
  if (message == WM_CHAR && wParam == L' ' && (GetKeyState(VK_CONTROL) & 0x8000)) {
    PropertyRow* row = RowOfGridRow(box, grid_GetCurrentRow(box->grid));
    if (!row) return;
    if (row->kind == PropertyKind::Heading) ToggleHeading(box, row, true);
    else if (HasValueButton(row)) OpenValueEditor(box, row);
  }
}

int32_t AnswerEditEvent(PropertyBox* box, int32_t code, GridCellEvent* event) {
  PropertyRow* row = RowOfGridRow(box, event->row);
  switch (code) {
    case GridEvent::CellChanging:
      return AnswerCellChanging(box, event);
    case GridEvent::EditEnded:
      return AnswerEditEnded(box);
    case GridEvent::KeyChar:
      return row ? AnswerKeyChar(box, row, event) : 1;
    case GridEvent::LeftClick:
      return row ? AnswerLeftClick(box, row, event) : 1;
    case GridEvent::DoubleClick:
      return row ? AnswerDoubleClick(box, row, event) : 1;
    default:
      return 1;
  }
}
