// The current cell's editor: loading, placing, parking, committing.
//
// Three editor windows per grid are created once and moved over the current
// cell: the EDIT for text cells, the drop-down-list combo for list choices
// and the editable combo for editable choices. The keys typed inside the
// editors are handled by their own procedures (grid_editor_procs.cpp); what
// is here is opening, placing, committing, cancelling and pasting.
//
// Several of these raise owner events (QueryCellType, QueryCellColours,
// TextChanged, ComboChanged). The owner may free the grid in any of them, so
// each reports whether the grid is still there and stops when it is not.
#include <algorithm>

#include "grid/grid_private.h"
#include "runtime/gdi_guard.h"
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

bool CommitEdit(GridRecord* record) {
  if (record->currentRow == -1 || gridShared.answeringTextChanged) return true;
  const int row = record->currentRow;
  const int subItem = record->currentSubItem;
  if (record->initialText == record->editText) {
    if (CellText(record, row, subItem) != record->editText) SetCellTextRaw(record, row, subItem, record->editText);
    return true;
  }
  HWND list = record->listWindow;
  GridCellEvent event;
  event.row = row;
  event.column = subItem - 1;
  event.text = record->editText;
  event.font = ListFont(record);
  const std::wstring initial = record->initialText;
  gridShared.answeringTextChanged = true;
  int32_t answer = RaiseEvent(record, GridEvent::TextChanged, &event);
  gridShared.answeringTextChanged = false;
  if (!GridAlive(list, record)) return false;
  // The owner may have moved the current cell or deleted rows meanwhile: the
  // answer still belongs to the cell that was edited, and the editor's texts
  // only when that cell is still the current one.
  const bool stillCurrent = record->currentRow == row && record->currentSubItem == subItem;
  const bool cellExists = row < CountGridRows(record);
  const std::wstring& stored = answer == 1 ? event.text : initial;
  if (cellExists && CellText(record, row, subItem) != stored) SetCellTextRaw(record, row, subItem, stored);
  if (stillCurrent) {
    if (answer == 1) {
      record->initialText = event.text;
    } else {
      record->initialText = initial;
      record->editText = initial;
      ShowTextInEditor(record, initial);
    }
  }
  return true;
}

bool CommitCellText(GridRecord* record, int row, int subItem, const std::wstring& text) {
  if (gridShared.answeringTextChanged || CellText(record, row, subItem) == text) return true;
  HWND list = record->listWindow;
  GridCellEvent event;
  event.row = row;
  event.column = subItem - 1;
  event.text = text;
  event.font = ListFont(record);
  gridShared.answeringTextChanged = true;
  int32_t answer = RaiseEvent(record, GridEvent::TextChanged, &event);
  gridShared.answeringTextChanged = false;
  if (!GridAlive(list, record)) return false;
  // The owner may have removed the row, or made this cell the open one,
  // while it answered.
  if (answer != 1 || row >= CountGridRows(record)) return true;
  SetCellTextRaw(record, row, subItem, event.text);
  if (row == record->currentRow && subItem == record->currentSubItem) {
    record->initialText = record->editText = event.text;
    ShowTextInEditor(record, event.text);
  }
  InvalidateCell(record, row, subItem);
  return true;
}

void KeyboardBackToList(GridRecord* record) {
  HWND focus = GetFocus();
  if (focus != record->listWindow && IsGridWindow(record, focus)) SetFocus(record->listWindow);
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

bool LoadEditor(GridRecord* record) {
  if (record->currentRow == -1) return true;
  HWND list = record->listWindow;
  GridCellEvent event;
  event.row = record->currentRow;
  event.column = record->currentSubItem - 1;
  event.font = ListFont(record);
  RaiseEvent(record, GridEvent::QueryCellType, &event);
  if (!GridAlive(list, record)) return false;
  record->currentCellType = event.cellType;
  record->initialText = record->editText = CellText(record, record->currentRow, record->currentSubItem);
  LoadEditorItems(record, event.text);
  return GridAlive(list, record);  // the combo was painted at once
}

void LoadEditorItems(GridRecord* record, const std::wstring& items) {
  switch (record->currentCellType) {
    case GridCell::Text:
      SetWindowTextW(record->editWindow, record->editText.c_str());
      break;
    case GridCell::ListChoice:
    case GridCell::EditableChoice: {
      int combo = record->currentCellType == GridCell::ListChoice ? record->listCombo : record->editCombo;
      LoadComboItems(combo, items);
      SetGadgetText(combo, record->editText.c_str());
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
    // Moving down is the common case (Enter, Down, Tab at a row's end), so
    // the list is left to scroll by blitting and paints only the rows that
    // come into view: the old cell's frame was invalidated when it was left,
    // and that pending region scrolls along with the pixels.
    int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    SendMessageW(list, LVM_SCROLL, 0, (row - (top + perPage - 1)) * height);
    scrolled = true;
  }
  if (!query) return scrolled ? 1 : 0;

  if (scrolled) cell = CellRect(record, row, subItem);
  if (LoadEditor(record)) PlaceEditor(record, cell);
  return scrolled ? 1 : 0;
}

// Lays the current cell's editor over the cell so that its text sits where
// the painted cell's text sits: same font, same inset, same odd vertical
// offset. The owner's colours and font for the cell decide.
bool PlaceEditor(GridRecord* record, RECT cell) {
  if (record->currentRow == -1) return true;
  if (record->currentRow < SendMessageW(record->listWindow, LVM_GETTOPINDEX, 0, 0)) return true;
  if (cell.left == -100) cell = CellRect(record, record->currentRow, record->currentSubItem);
  HWND list = record->listWindow;
  const int frame = record->frameWidth;
  const bool v6 = gridShared.commonControlsVersion >= 6;

  GridCellEvent event;
  event.row = record->currentRow;
  event.column = record->currentSubItem - 1;
  event.font = ListFont(record);
  RaiseEvent(record, GridEvent::QueryCellColours, &event);
  if (!GridAlive(list, record)) return false;
  HFONT font = event.font ? event.font : ListFont(record);
  const std::wstring shown = record->editText.empty() ? L" " : record->editText;

  auto textHeight = [&](bool drawText) {
    ScopedGetDC dc(list);
    if (!dc) return 0;
    ScopedSelect select(dc.Get(), font);
    if (drawText) {
      RECT measured = cell;
      UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_END_ELLIPSIS;
      flags |= (record->styleFlags & kGridWrapText) ? DT_WORDBREAK : DT_SINGLELINE;
      DrawTextW(dc.Get(), shown.c_str(), -1, &measured, flags);
      return static_cast<int>(measured.bottom - measured.top);
    }
    SIZE extent{};
    GetTextExtentPoint32W(dc.Get(), shown.c_str(), static_cast<int>(shown.size()), &extent);
    return static_cast<int>(extent.cy);
  };
  auto oddOffset = [&](const RECT& area, int height) {
    int offset = (area.top + area.bottom - height) / 2 - area.top;
    return std::max((offset / 2) * 2 + 1, frame);
  };

  const int row = record->currentRow, subItem = record->currentSubItem;
  // The list choice's cell is painted at once, and the owner answering the
  // paint may free the grid or move its rows: the combo is placed only over
  // the cell that is still the open one.
  auto paintedNow = [&] {
    RedrawWindow(list, &cell, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_UPDATENOW);
    return GridAlive(list, record) && record->currentRow == row && record->currentSubItem == subItem &&
           row < CountGridRows(record);
  };

  switch (record->currentCellType) {
    case GridCell::Text: {
      RECT area = cell;
      area.left += 4 + frame;
      area.right -= 4 + frame;
      area.top += frame;
      area.bottom -= frame;
      if (event.borderFlags & kBorderBottomThick) {
        area.bottom -= 2;
      } else if ((event.borderFlags & (kBorderBottom | kBorderBottomDotted)) ||
                 record->currentRow == CountGridRows(record) - 1) {
        area.bottom -= 1;
      }
      area.top += oddOffset(area, textHeight(true));
      const int available = area.bottom - area.top;
      // A cell lower than the font gets a reduced copy of it, so that the
      // editor's text is not clipped; it replaces the previous copy.
      TEXTMETRICW metrics{};
      {
        ScopedGetDC dc(list);
        ScopedSelect select(dc.Get(), font);
        GetTextMetricsW(dc.Get(), &metrics);
      }
      if (available > 0 && available < metrics.tmHeight) {
        LOGFONTW description{};
        if (GetObjectW(font, sizeof description, &description)) {
          description.lfHeight = available;
          description.lfWidth = metrics.tmAveCharWidth;
          if (HFONT reduced = CreateFontIndirectW(&description)) {
            if (record->editorFont) DeleteObject(record->editorFont);
            record->editorFont = reduced;
            font = reduced;
          }
        }
      }
      if (reinterpret_cast<HFONT>(SendMessageW(record->editWindow, WM_GETFONT, 0, 0)) != font) {
        SendMessageW(record->editWindow, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        SendMessageW(record->editWindow, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
      }
      InvalidateRect(list, &cell, FALSE);
      MoveWindow(record->editWindow, area.left, area.top, area.right - area.left, std::max(0, available), FALSE);
      InvalidateRect(record->editWindow, nullptr, TRUE);
      break;
    }
    case GridCell::ListChoice: {
      HWND combo = GadgetWindow(record->listCombo);
      if (!combo) break;
      if (!(record->styleFlags & kGridOwnerDrawnCombo) &&
          reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)) != font)
        SendMessageW(combo, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      const int height = textHeight(false);
      RECT place = cell;
      if (record->styleFlags & kGridOwnerDrawnCombo) {
        SendMessageW(combo, CB_SETITEMHEIGHT, 0, height + 1);
        const int field = std::min(16, record->rowHeight - 6);
        SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        if (!paintedNow()) return GridAlive(list, record);
        place.top += (record->rowHeight - field) / 2 - 2;
      } else {
        const int offset = oddOffset(cell, height);
        if (!paintedNow()) return GridAlive(list, record);
        place.top += offset - 4;
        place.left += 2;
      }
      MoveWindow(combo, place.left, place.top, place.right - place.left, v6 ? 20 : 100, TRUE);
      break;
    }
    case GridCell::EditableChoice: {
      HWND combo = GadgetWindow(record->editCombo);
      if (!combo) break;
      InvalidateRect(list, &cell, FALSE);
      if (reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)) != font) {
        SendMessageW(combo, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        SendMessageW(record->editComboEdit, EM_SETMARGINS, EC_LEFTMARGIN, 0);
      }
      RECT place = cell;
      place.top += oddOffset(cell, textHeight(false)) - 3;
      place.left += 3;
      MoveWindow(combo, place.left, place.top, place.right - place.left - 2, v6 ? 20 : 200, TRUE);
      break;
    }
    default:
      RedrawWindow(list, &cell, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
      break;
  }
  return true;
}

bool RepositionEditor(GridRecord* record) {
  if (record->currentRow == -1) return true;
  if (record->currentRow < SendMessageW(record->listWindow, LVM_GETTOPINDEX, 0, 0)) {
    ParkEditor(record);
  } else {
    RECT cell = CellRect(record, record->currentRow, record->currentSubItem);
    if (cell.top == 0 && cell.bottom == 0) {
      ParkEditor(record);
    } else if (!PlaceEditor(record, cell)) {
      return false;
    }
  }
  gridShared.scrollParked = false;
  PaintEmptyArea(record);
  return true;
}

// Moving the focus makes the window that loses it act (another grid's editor
// ends its edit), and that owner may free this grid.
bool FocusEditor(GridRecord* record) {
  HWND list = record->listWindow;
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
  return GridAlive(list, record);
}

// The editors' text, as typed, for the editor procedures.
std::wstring EditorText(HWND editor) { return TextOf(editor); }

bool CancelEdit(GridRecord* record) {
  if (record->currentRow == -1 || record->currentSubItem == 0) return true;
  HWND list = record->listWindow;
  const int row = record->currentRow;
  const int subItem = record->currentSubItem;
  const std::wstring initial = record->initialText;
  switch (record->currentCellType) {
    case GridCell::Text: {
      record->editText = initial;
      SetWindowTextW(record->editWindow, initial.c_str());
      auto end = static_cast<WPARAM>(initial.size());
      SendMessageW(record->editWindow, EM_SETSEL, end, static_cast<LPARAM>(end));
      break;
    }
    case GridCell::ListChoice:
    case GridCell::EditableChoice: {
      const bool list3 = record->currentCellType == GridCell::ListChoice;
      const int combo = list3 ? record->listCombo : record->editCombo;
      if (list3) {
        SetGadgetText(combo, initial.c_str());
      } else {
        // Setting an editable combo's text leaves its list selection where
        // the user put it, and the index reported below would name another
        // item than the text: the selection follows the text (none when no
        // item has it).
        HWND window = GadgetWindow(combo);
        auto match = SendMessageW(window, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(initial.c_str()));
        SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(match), 0);
        SetWindowTextW(window, initial.c_str());
        auto end = static_cast<WPARAM>(initial.size());
        SendMessageW(record->editComboEdit, EM_SETSEL, end, static_cast<LPARAM>(end));
      }
      if (record->editText != initial) {
        record->editText = initial;
        GridCellEvent event;
        event.row = row;
        event.column = subItem - 1;
        event.text = initial;
        HWND window = GadgetWindow(combo);
        event.extra = TextOf(window) == initial ? SendMessageW(window, CB_GETCURSEL, 0, 0) : -1;
        event.font = ListFont(record);
        RaiseEvent(record, GridEvent::ComboChanged, &event);
        if (!GridAlive(list, record)) return false;
      }
      break;
    }
    default:
      break;
  }
  if (row < CountGridRows(record) && CellText(record, row, subItem) != initial) {
    SetCellTextRaw(record, row, subItem, initial);
    InvalidateCell(record, row, subItem);
  }
  return true;
}

// A TAB ends a piece and moves one column right; a CR ends a piece and moves
// to the next row, back to the first column, and takes the character after
// it (the LF of a CR LF pair) with it. Spreadsheets end the last row of a
// copied block with CR LF too; the empty piece after that final line break
// is no cell of the block, and pasting it would empty the cell below.
std::vector<PastePiece> SplitPasteText(const std::wstring& text) {
  std::vector<PastePiece> pieces;
  int row = 0;
  int column = 0;
  std::wstring piece;
  bool afterLineBreak = false;
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\t') {
      pieces.push_back({row, column, piece});
      piece.clear();
      ++column;
      afterLineBreak = false;
    } else if (c == L'\r') {
      pieces.push_back({row, column, piece});
      piece.clear();
      ++row;
      column = 0;
      ++i;  // the character after the CR goes with it
      afterLineBreak = true;
    } else {
      piece.push_back(c);
      afterLineBreak = false;
    }
  }
  if (!afterLineBreak || !piece.empty()) pieces.push_back({row, column, piece});
  return pieces;
}

namespace {

std::wstring ClipboardText(HWND owner) {
  std::wstring text;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      // The clipboard's block may be larger than its text, never smaller:
      // read no further than the block, even without a terminating zero.
      size_t limit = GlobalSize(data) / sizeof(wchar_t);
      size_t length = 0;
      while (length < limit && chars[length] != L'\0') ++length;
      text.assign(chars, length);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool Editable(int32_t type) {
  switch (type) {
    case GridCell::StaticText:
    case GridCell::PlainText:
    case GridCell::ReadOnlyCheckBox:
    case GridCell::Image:
    case GridCell::Icon:
    case GridCell::ReadOnlyPercentage:
    case GridCell::Button:
    case GridCell::OwnerPainted:
      return false;
    default:
      return true;
  }
}

}  // namespace

// Pieces go to the cells right of and below the current cell. The owner
// answers a TextChanged per changed cell and may move the current cell or
// add, remove and move rows meanwhile: each piece is placed by the grid as
// it is then, and the current cell stays wherever the owner left it.
int PasteText(int gadget) {
  GridRecord* record = RecordFromGadget(gadget);
  if (!record || record->currentRow == -1 || CountGridColumns(record) == 0) return 0;
  HWND list = record->listWindow;
  const int startRow = record->currentRow;
  const int startSubItem = record->currentSubItem;
  RebuildColumnOrder(record);
  const int startPosition = record->columnPosition[static_cast<size_t>(startSubItem - 1)];
  const std::wstring text = ClipboardText(list);
  if (text.empty()) return 0;

  int handled = 0;
  for (const PastePiece& piece : SplitPasteText(text)) {
    const int row = startRow + piece.rowOffset;
    const int position = startPosition + piece.columnOffset;
    if (row >= CountGridRows(record) || position >= CountGridColumns(record)) continue;
    RebuildColumnOrder(record);
    const int subItem = record->columnOrder[static_cast<size_t>(position)] + 1;

    GridCellEvent event;
    event.row = row;
    event.column = subItem - 1;
    event.font = ListFont(record);
    RaiseEvent(record, GridEvent::QueryCellType, &event);
    if (!GridAlive(list, record)) return handled;
    if (!Editable(event.cellType) || row >= CountGridRows(record)) continue;
    ++handled;
    if (row != record->currentRow || subItem != record->currentSubItem) {
      if (!CommitCellText(record, row, subItem, piece.text)) return handled;
      continue;
    }
    record->editText = piece.text;
    if (!CommitEdit(record)) return handled;
    if (row != record->currentRow || subItem != record->currentSubItem) continue;
    record->editText = record->initialText;
    ShowTextInEditor(record, record->initialText);
    InvalidateCell(record, row, subItem);
    if (row == startRow && subItem == startSubItem) {
      grid_SetCurrentCell(gadget, subItem - 1, row, 0, 1);
      if (!GridAlive(list, record)) return handled;
    }
  }
  return handled;
}
