// The current cell's editor: loading, placing, parking, committing.
//
// Three editor windows per grid are created once and moved over the current
// cell: the EDIT for text cells, the drop-down-list combo for list choices
// and the editable combo for editable choices. Keyboard and mouse handling
// inside the editors (typing, Tab, Escape, reduced fonts for short cells)
// comes with the input handling; what is here is what the operations need.
#include "grid/grid_private.h"
#include "runtime/runtime.h"

namespace {

HFONT ListFont(const GridRecord* record) {
  return reinterpret_cast<HFONT>(SendMessageW(record->listWindow, WM_GETFONT, 0, 0));
}

std::wstring TextOf(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return text;
}

void MoveOutOfSight(HWND window) {
  if (window) SetWindowPos(window, nullptr, -1000, -1000, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

// Items are LF-separated; a trailing LF gives a final empty item.
void LoadComboItems(int combo, const std::wstring& items) {
  ClearGadgetItems(combo);
  if (HWND window = GadgetWindow(combo)) UpdateWindow(window);
  size_t start = 0;
  for (;;) {
    size_t end = items.find(L'\n', start);
    std::wstring item = items.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    AddGadgetItem(combo, -1, item.c_str());
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
}

}  // namespace

void CommitEdit(GridRecord* record) {
  if (record->currentRow == -1 || gridShared.answeringTextChanged) return;
  const int row = record->currentRow;
  const int subItem = record->currentSubItem;
  if (record->initialText == record->editText) {
    if (CellText(record, row, subItem) != record->editText) SetCellTextRaw(record, row, subItem, record->editText);
    return;
  }
  GridCellEvent event;
  event.row = row;
  event.column = subItem - 1;
  event.text = record->editText;
  event.font = ListFont(record);
  gridShared.answeringTextChanged = true;
  int32_t answer = RaiseEvent(record, GridEvent::TextChanged, &event);
  gridShared.answeringTextChanged = false;
  if (answer == 1) {
    if (CellText(record, row, subItem) != event.text) SetCellTextRaw(record, row, subItem, event.text);
    record->initialText = event.text;
  } else {
    if (CellText(record, row, subItem) != record->initialText) SetCellTextRaw(record, row, subItem, record->initialText);
    record->editText = record->initialText;
  }
}

void LeaveCell(GridRecord* record) {
  if (record->currentRow == -1) return;
  RECT cell = CellRect(record, record->currentRow, record->currentSubItem);
  ParkEditor(record);
  record->currentRow = -1;
  record->currentSubItem = 0;
  RedrawWindow(record->listWindow, &cell, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT);
}

void ParkEditor(GridRecord* record) {
  if (record->currentRow == -1) return;
  switch (record->currentCellType) {
    case GridCell::Text:
      MoveOutOfSight(record->editWindow);
      break;
    case GridCell::ListChoice:
      if (HWND combo = GadgetWindow(record->listCombo)) {
        SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
        MoveOutOfSight(combo);
      }
      break;
    case GridCell::EditableChoice:
      MoveOutOfSight(GadgetWindow(record->editCombo));
      break;
    default:
      break;
  }
}

void ShowTextInEditor(GridRecord* record, const std::wstring& text) {
  switch (record->currentCellType) {
    case GridCell::Text:
      SetWindowTextW(record->editWindow, text.c_str());
      if (GetFocus() == record->editWindow) {
        auto end = static_cast<WPARAM>(text.size());
        SendMessageW(record->editWindow, EM_SETSEL, end, static_cast<LPARAM>(end));
      }
      break;
    case GridCell::ListChoice:
      SetGadgetText(record->listCombo, text.c_str());
      break;
    case GridCell::EditableChoice:
      SetGadgetText(record->editCombo, text.c_str());
      if (GetFocus() == record->editComboEdit) {
        auto end = static_cast<WPARAM>(text.size());
        SendMessageW(record->editComboEdit, EM_SETSEL, end, static_cast<LPARAM>(end));
      }
      break;
    default:
      break;
  }
}

void LoadEditor(GridRecord* record) {
  if (record->currentRow == -1) return;
  GridCellEvent event;
  event.row = record->currentRow;
  event.column = record->currentSubItem - 1;
  event.font = ListFont(record);
  RaiseEvent(record, GridEvent::QueryCellType, &event);
  record->currentCellType = event.cellType;
  record->initialText = record->editText = CellText(record, record->currentRow, record->currentSubItem);
  switch (record->currentCellType) {
    case GridCell::Text:
      SetWindowTextW(record->editWindow, record->initialText.c_str());
      break;
    case GridCell::ListChoice:
    case GridCell::EditableChoice: {
      int combo = record->currentCellType == GridCell::ListChoice ? record->listCombo : record->editCombo;
      LoadComboItems(combo, event.text);
      SetGadgetText(combo, record->initialText.c_str());
      break;
    }
    default:
      break;
  }
}

int OpenEditor(GridRecord* record, bool query, const RECT* given, int row, int subItem) {
  if (row == -1) row = record->currentRow;
  if (subItem == -1) subItem = record->currentSubItem;
  if (row == -1) return 0;
  HWND list = record->listWindow;
  RECT cell = given ? *given : CellRect(record, row, subItem);
  RECT client;
  GetClientRect(list, &client);
  bool scrolled = false;

  if (cell.left < 0 || cell.right - cell.left >= client.right) {
    InvalidateRect(list, nullptr, FALSE);
    SendMessageW(list, LVM_SCROLL, static_cast<WPARAM>(cell.left - 1), 0);
    scrolled = true;
  } else if (cell.right > client.right) {
    InvalidateRect(list, nullptr, TRUE);
    SendMessageW(list, LVM_SCROLL, static_cast<WPARAM>(cell.right - client.right), 0);
    scrolled = true;
  }
  int height = cell.bottom - cell.top;
  if (cell.top < record->headerHeight && height > 0) {
    InvalidateRect(list, nullptr, TRUE);
    SendMessageW(list, LVM_SCROLL, 0, cell.top - record->headerHeight);
    scrolled = true;
  } else if (cell.bottom >= client.bottom && height > 0) {
    int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    InvalidateRect(list, nullptr, TRUE);
    SendMessageW(list, LVM_SCROLL, 0, (row - (top + perPage - 1)) * height);
    scrolled = true;
  }
  if (!query) return scrolled ? 1 : 0;

  if (scrolled) cell = CellRect(record, row, subItem);
  LoadEditor(record);
  PlaceEditor(record, cell);
  return scrolled ? 1 : 0;
}

// Simple placement over the cell; the measured offsets and reduced fonts
// for short cells arrive with the editing code.
void PlaceEditor(GridRecord* record, RECT cell) {
  if (record->currentRow == -1) return;
  if (record->currentRow < SendMessageW(record->listWindow, LVM_GETTOPINDEX, 0, 0)) return;
  if (cell.left == -100) cell = CellRect(record, record->currentRow, record->currentSubItem);
  const int inset = 4 + record->frameWidth;
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  bool v6 = gridShared.commonControlsVersion >= 6;
  switch (record->currentCellType) {
    case GridCell::Text:
      InvalidateRect(record->listWindow, &cell, FALSE);
      SetWindowPos(record->editWindow, HWND_TOP, cell.left + inset, cell.top + record->frameWidth,
                   cell.right - cell.left - 2 * inset, cell.bottom - cell.top - 2 * record->frameWidth,
                   SWP_NOACTIVATE | SWP_NOREDRAW);
      InvalidateRect(record->editWindow, nullptr, TRUE);
      break;
    case GridCell::ListChoice:
      RedrawWindow(record->listWindow, &cell, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT);
      SetWindowPos(GadgetWindow(record->listCombo), nullptr, cell.left, cell.top, cell.right - cell.left,
                   v6 ? 20 : 100, flags);
      break;
    case GridCell::EditableChoice:
      InvalidateRect(record->listWindow, &cell, FALSE);
      SetWindowPos(GadgetWindow(record->editCombo), nullptr, cell.left + 3, cell.top, cell.right - cell.left - 2,
                   v6 ? 20 : 200, flags);
      break;
    default:
      RedrawWindow(record->listWindow, &cell, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
      break;
  }
}

void RepositionEditor(GridRecord* record) {
  if (record->currentRow == -1) return;
  if (record->currentRow < SendMessageW(record->listWindow, LVM_GETTOPINDEX, 0, 0)) {
    ParkEditor(record);
  } else {
    RECT cell = CellRect(record, record->currentRow, record->currentSubItem);
    if (cell.top == 0 && cell.bottom == 0) {
      ParkEditor(record);
    } else {
      PlaceEditor(record, cell);
    }
  }
  gridShared.scrollParked = false;
  PaintEmptyArea(record);
}

void FocusEditor(GridRecord* record) {
  switch (record->currentCellType) {
    case GridCell::Text: {
      auto length = static_cast<WPARAM>(GetWindowTextLengthW(record->editWindow));
      SendMessageW(record->editWindow, EM_SETSEL, length, static_cast<LPARAM>(length));
      SetFocus(record->editWindow);
      break;
    }
    case GridCell::EditableChoice: {
      SetFocus(GadgetWindow(record->editCombo));
      auto caret = static_cast<WPARAM>(record->initialText.size());
      SendMessageW(record->editComboEdit, EM_SETSEL, caret, static_cast<LPARAM>(caret));
      break;
    }
    case GridCell::StaticText:
    case GridCell::PlainText:
    case GridCell::ListChoice:
    case GridCell::CheckBox:
    case GridCell::ReadOnlyCheckBox:
    case GridCell::Image:
    case GridCell::Icon:
    case GridCell::Percentage:
    case GridCell::ReadOnlyPercentage:
    case GridCell::Button:
    case GridCell::OwnerPainted:
      SetFocus(GadgetWindow(record->listCombo));
      break;
    default:
      break;
  }
}

// The editors' text, as typed, for the procedures in grid_procs.cpp.
std::wstring EditorText(HWND editor) { return TextOf(editor); }
