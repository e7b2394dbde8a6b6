// The replaced window procedures of the header and the three editors, and the
// editors' messages to the list view (choices made in the combos, colours,
// the list combo's items).
//
// Each finds its record through "grid_ListPointer" on the list view (the
// editors are its children; the editable combo's EDIT is a grandchild) and
// passes every message it does not handle to the previous procedure of its
// window's kind. The owner is asked before a key changes a cell's text, and
// may free the grid while it answers: after every event the procedures ask
// GridAlive and stop when the grid is gone.
#include <algorithm>

#include "grid/grid_private.h"
#include "runtime/gdi_guard.h"
#include "runtime/runtime.h"

// The grid's own windows: focus moving among them does not end the edit.
bool IsGridWindow(const GridRecord* record, HWND window) {
  return window && (window == record->listWindow || window == record->editWindow ||
                    window == GadgetWindow(record->listCombo) || window == GadgetWindow(record->editCombo) ||
                    window == record->editComboEdit);
}

namespace {

// The editable combo's EDIT is a grandchild of the list view; the text
// editor a child.
GridRecord* EditorRecord(HWND editor, bool* inCombo) {
  HWND parent = GetParent(editor);
  if (GridRecord* record = grid_RecordFromWindow(parent)) {
    *inCombo = false;
    return record;
  }
  *inCombo = true;
  return grid_RecordFromWindow(GetParent(parent));
}

// The header part right of the last column, which the header would leave
// in its own colour.
void FillHeaderEmptyArea(GridRecord* record, HWND header) {
  int right = 0;
  int rows = CountGridRows(record);
  if (rows > 0) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    SendMessageW(record->listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(rows - 1), reinterpret_cast<LPARAM>(&bounds));
    right = bounds.right;
  } else {
    int last = LastColumn(record);
    RECT item{};
    if (last >= 0) SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(last), reinterpret_cast<LPARAM>(&item));
    right = item.right;
  }
  RECT client;
  GetClientRect(record->listWindow, &client);
  if (right >= client.right) return;
  RECT empty{right > 0 ? right : 0, 0, client.right, record->headerHeight};
  ScopedBrush brush(CreateSolidBrush(EmptyAreaColour(record)));
  ScopedGetDC dc(header);
  if (brush && dc) FillRect(dc.Get(), &empty, brush.Get());
  ValidateRect(header, &empty);
}

// The editor takes the cell's colours. The brush is shared by all grids and
// replaced at every request; the last one is deleted with any grid.
LRESULT EditorColours(GridRecord* record, HDC dc) {
  // The drop-down list's field lies over the grid's own drawing of the cell.
  if ((record->styleFlags & kGridOwnerDrawnCombo) && record->currentCellType == GridCell::ListChoice)
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  GridCellEvent event;
  event.row = record->currentRow;
  event.column = record->currentSubItem - 1;
  event.font = reinterpret_cast<HFONT>(SendMessageW(record->listWindow, WM_GETFONT, 0, 0));
  HWND list = record->listWindow;
  RaiseEvent(record, GridEvent::QueryCellColours, &event);
  // A grid freed meanwhile took the shared brush with it; the editor that
  // asked goes with the grid and can do with the default colours.
  if (!GridAlive(list, record)) return 0;
  if (gridShared.editorBrush) DeleteObject(gridShared.editorBrush);
  SetBkMode(dc, OPAQUE);
  SetTextColor(dc, event.textColour);
  SetBkColor(dc, event.backColour);
  gridShared.editorBrush = CreateSolidBrush(event.backColour);
  return reinterpret_cast<LRESULT>(gridShared.editorBrush);
}

// Items of the drop-down list; the field itself is left to the cell's
// painting.
void DrawListComboItem(GridRecord* record, DRAWITEMSTRUCT* item) {
  if (item->itemState & ODS_COMBOBOXEDIT) return;
  HDC dc = item->hDC;
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  if (item->itemState & (ODS_SELECTED | ODS_FOCUS)) {
    FillRect(dc, &item->rcItem, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  } else {
    FillRect(dc, &item->rcItem, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  if (item->itemID == static_cast<UINT>(-1)) return;
  auto length = SendMessageW(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0);
  if (length < 0) return;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(item->hwndItem, CB_GETLBTEXT, item->itemID, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  GridCellEvent event;
  event.row = record->currentRow;
  event.column = record->currentSubItem - 1;
  event.font = reinterpret_cast<HFONT>(SendMessageW(record->listWindow, WM_GETFONT, 0, 0));
  HWND list = record->listWindow;
  RaiseEvent(record, GridEvent::QueryCellColours, &event);
  if (!GridAlive(list, record)) return;
  ScopedSelect font(dc, event.font);
  RECT area = item->rcItem;
  DrawTextW(dc, text.c_str(), -1, &area, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}


bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

GridCellEvent CurrentCellEvent(const GridRecord* record) {
  GridCellEvent event;
  event.row = record->currentRow;
  event.column = record->currentSubItem - 1;
  return event;
}

// Raises an event about the current cell; false when the owner freed the
// grid meanwhile.
bool Raise(GridRecord* record, int32_t code, GridCellEvent* event, int32_t* answer = nullptr) {
  HWND list = record->listWindow;
  int32_t result = RaiseEvent(record, code, event);
  if (answer) *answer = result;
  return GridAlive(list, record);
}

// The focus leaves the grid's windows: Shift+Tab from the first cell keeps it
// in the grid; otherwise the edit ends, unless the list shows its selection
// always (the property box keeps editing while another window is used).
void FocusLeaving(GridRecord* record, HWND gaining) {
  if (IsGridWindow(record, gaining)) return;
  if (record->pressedKey != 0) CancelPress(record);
  if (record->currentRow == -1) return;
  if (KeyDown(VK_SHIFT) && KeyDown(VK_TAB)) {
    FocusEditor(record);
  } else if (!(GetWindowLongPtrW(record->listWindow, GWL_STYLE) & LVS_SHOWSELALWAYS)) {
    EndEdit(record, 1, true);
  }
}

// After an accepted move by Tab or Enter the keyboard follows the new cell;
// Ctrl+Tab leaves it with the list view.
void FocusAfterMove(GridRecord* record, bool tab) {
  if (tab && KeyDown(VK_CONTROL) && !KeyDown(VK_SHIFT)) {
    SetFocus(record->listWindow);
  } else {
    FocusEditor(record);
  }
}

bool MoveByKey(GridRecord* record, bool tab) {
  HWND list = record->listWindow;
  int accepted = TabToNextCell(record);
  if (!GridAlive(list, record)) return false;
  if (accepted == 1) FocusAfterMove(record, tab);
  return true;
}

// The characters a key would take out: those selected, else the one before
// the caret (none at the start).
std::wstring RemovedText(const std::wstring& text, DWORD start, DWORD end) {
  if (end == 0 || start > text.size()) return {};
  if (start == end) return start >= 1 ? text.substr(start - 1, 1) : std::wstring();
  if (end < start) std::swap(start, end);
  return text.substr(start, end - start);
}

// What a key took out of `before`, leaving `after`: the part between what
// both begin and end with.
std::wstring RemovedPart(const std::wstring& before, const std::wstring& after) {
  if (after.size() >= before.size()) return {};
  size_t head = 0;
  while (head < after.size() && before[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < after.size() - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) ++tail;
  return before.substr(head, before.size() - head - tail);
}

void Selection(HWND editor, DWORD* start, DWORD* end) {
  *start = *end = 0;
  SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(start), reinterpret_cast<LPARAM>(end));
}

void StoreCurrentCell(GridRecord* record, const std::wstring& text) {
  if (CellText(record, record->currentRow, record->currentSubItem) != text) {
    SetCellTextRaw(record, record->currentRow, record->currentSubItem, text);
    InvalidateCell(record, record->currentRow, record->currentSubItem);
  }
}

// The end of a column drag or a divider drag: the list view shows the new
// layout and the owner hears of it.
void ColumnsChangedAfterDrag(GridRecord* record, int item, intptr_t extra) {
  HWND list = record->listWindow;
  // Painted at once: the owner answering the paint may free the grid.
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
  if (!GridAlive(list, record)) return;
  GridCellEvent event;
  event.row = -1;
  event.column = item - 1;
  event.extra = extra;
  RaiseEvent(record, GridEvent::ColumnsChanged, &event);
}

HDHITTESTINFO HitHeader(HWND header, LPARAM point) {
  HDHITTESTINFO hit{};
  hit.pt.x = static_cast<short>(LOWORD(point));
  hit.pt.y = static_cast<short>(HIWORD(point));
  hit.iItem = -1;
  CallWindowProcW(gridShared.headerProc, header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return hit;
}

bool OnDivider(const HDHITTESTINFO& hit) { return (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) != 0; }

bool ComboSelectionChanged(GridRecord* record, HWND combo, UINT message, WPARAM wParam, LPARAM lParam,
                           LRESULT* result) {
  const bool list3 = record->currentCellType == GridCell::ListChoice;
  auto index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  std::wstring text;
  if (list3) {
    text = EditorText(combo);
  } else if (index >= 0) {
    auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length > 0) {
      text.assign(static_cast<size_t>(length) + 1, L'\0');
      length = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(length > 0 ? length : 0));
    }
  }
  const bool changed = text != record->editText;
  if (changed) {
    record->editText = text;
    if (list3 && (record->styleFlags & kGridOwnerDrawnCombo)) StoreCurrentCell(record, text);
  }
  HWND list = record->listWindow;
  *result = PassOn(gridShared.listProc, list, message, wParam, lParam);
  if (!GridAlive(list, record) || !changed || record->currentRow == -1) return true;
  GridCellEvent event = CurrentCellEvent(record);
  event.text = record->editText;
  event.extra = index;
  RaiseEvent(record, GridEvent::ComboChanged, &event);
  return true;
}

}  // namespace

bool ListEditorMessage(GridRecord* record, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_COMMAND: {
      auto combo = reinterpret_cast<HWND>(lParam);
      if (!combo || record->currentRow == -1) return false;
      // The editor's text changes by keys and menus the grid never sees
      // (Shift+Insert pastes without WM_PASTE): its view follows every change.
      if (combo == record->editWindow && HIWORD(wParam) == EN_CHANGE) {
        if (record->currentCellType == GridCell::Text) record->editText = EditorText(combo);
        return false;
      }
      if (combo == GadgetWindow(record->editCombo) && HIWORD(wParam) == CBN_EDITCHANGE) {
        if (record->currentCellType == GridCell::EditableChoice) record->editText = EditorText(combo);
        return false;
      }
      const bool fromList = combo == GadgetWindow(record->listCombo);
      const bool fromEdit = combo == GadgetWindow(record->editCombo);
      if (!fromList && !fromEdit) return false;
      switch (HIWORD(wParam)) {
        case CBN_DROPDOWN:
          gridShared.comboListOpened = true;
          return false;
        case CBN_SELCHANGE:
          if ((fromList && record->currentCellType == GridCell::ListChoice) ||
              (fromEdit && record->currentCellType == GridCell::EditableChoice))
            return ComboSelectionChanged(record, combo, message, wParam, lParam, result);
          return false;
        default:
          return false;
      }
    }
    case WM_CTLCOLOREDIT:
      if (record->currentRow == -1) return false;
      *result = EditorColours(record, reinterpret_cast<HDC>(wParam));
      return true;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item && item->hwndItem == GadgetWindow(record->listCombo)) {
        DrawListComboItem(record, item);
        *result = 0;
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

namespace {

// A typed character: the owner may refuse it, replace it, or refuse the
// removal of the text it would overwrite. Returns the character to pass on,
// or 0 to drop it; *alive false when the owner freed the grid.
WPARAM AskAboutCharacter(GridRecord* record, HWND editor, WPARAM character, bool* alive) {
  *alive = true;
  GridCellEvent event = CurrentCellEvent(record);
  event.extra = static_cast<intptr_t>(character);
  DWORD start = 0, end = 0;
  Selection(editor, &start, &end);
  event.width = static_cast<int32_t>(start);
  event.height = static_cast<int32_t>(end);
  // Read as much as the editor holds: a long cell text must be neither
  // overrun nor cut.
  const std::wstring removed = RemovedText(EditorText(editor), start, end);
  int32_t answer = 0;
  if (character == VK_BACK) {
    event.text = removed;
    if (!(*alive = Raise(record, GridEvent::TextRemoving, &event, &answer))) return 0;
  } else if (start != end) {
    event.text = removed;
    if (!(*alive = Raise(record, GridEvent::TextRemoving, &event, &answer))) return 0;
    if (answer != 0) {
      event.text = record->editText;
      if (!(*alive = Raise(record, GridEvent::KeyChar, &event, &answer))) return 0;
    }
  } else {
    event.text = record->editText;
    if (!(*alive = Raise(record, GridEvent::KeyChar, &event, &answer))) return 0;
  }
  return answer == 1 ? static_cast<WPARAM>(event.extra) : 0;
}

}  // namespace

LRESULT CALLBACK grid_EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  bool inCombo = false;
  GridRecord* record = EditorRecord(window, &inCombo);
  WNDPROC previous = inCombo ? gridShared.comboEditProc : gridShared.editProc;
  if (!record) return PassOn(previous, window, message, wParam, lParam);
  // The combo's text is what a choice cell holds; its EDIT shows it.
  HWND textWindow = inCombo ? GetParent(window) : window;

  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // 0x8000 in the high word marks a click the grid forwards itself to
      // place the caret; the owner heard of that one already.
      if (HIWORD(lParam) != 0x8000) {
        GridCellEvent event = CurrentCellEvent(record);
        event.extra = static_cast<intptr_t>(wParam);
        int32_t code = message == WM_LBUTTONDOWN ? GridEvent::LeftClick : GridEvent::DoubleClick;
        if (!Raise(record, code, &event)) return 0;
      }
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN: {
      GridCellEvent event = CurrentCellEvent(record);
      event.extra = static_cast<intptr_t>(wParam);
      if (!Raise(record, message == WM_LBUTTONUP ? GridEvent::LeftButtonUp : GridEvent::RightButtonDown, &event))
        return 0;
      break;
    }
    case WM_CONTEXTMENU: {
      GridCellEvent event = CurrentCellEvent(record);
      event.extra = reinterpret_cast<intptr_t>(window);
      int32_t answer = 0;
      if (!Raise(record, GridEvent::RightClick, &event, &answer) || answer != 1) return 0;
      break;  // the standard edit menu
    }
    case WM_GETDLGCODE:
      return DLGC_WANTTAB | DLGC_WANTALLKEYS;
    case WM_CUT:
    case WM_PASTE:
    case WM_UNDO:
    case WM_CLEAR: {
      HWND list = record->listWindow;
      LRESULT result = PassOn(previous, window, message, wParam, lParam);
      if (GridAlive(list, record)) record->editText = EditorText(textWindow);
      return result;
    }
    case WM_KILLFOCUS: {
      HWND list = record->listWindow;
      FocusLeaving(record, reinterpret_cast<HWND>(wParam));
      if (!GridAlive(list, record)) return 0;
      break;
    }
    case WM_ERASEBKGND:
      ValidateRect(window, nullptr);
      return 1;
    case WM_CHAR: {
      switch (wParam) {
        case VK_RETURN:
          MoveByKey(record, false);
          return 0;
        case VK_ESCAPE:
          CancelEdit(record);
          return 0;
        case VK_TAB:
          return 0;
        default:
          break;
      }
      HWND list = record->listWindow;
      bool alive = true;
      WPARAM character = AskAboutCharacter(record, window, wParam, &alive);
      if (!alive || character == 0) return 0;
      LRESULT result = PassOn(previous, window, message, character, lParam);
      if (GridAlive(list, record)) record->editText = EditorText(textWindow);
      return result;
    }
    case WM_KEYDOWN:
      if (wParam == VK_BACK || wParam == VK_TAB) return 0;  // Backspace is done as WM_CHAR
      if (wParam == VK_DELETE) {
        // Delete, Shift+Delete (cut, or the character before the caret) and
        // Ctrl+Delete (to the end) take out what the edit control decides:
        // the owner hears what really went, and a refusal puts it back.
        HWND list = record->listWindow;
        DWORD start = 0, end = 0;
        Selection(window, &start, &end);
        const std::wstring before = EditorText(window);
        LRESULT result = PassOn(previous, window, message, wParam, lParam);
        if (!GridAlive(list, record)) return result;
        const std::wstring after = EditorText(window);
        GridCellEvent event = CurrentCellEvent(record);
        event.text = RemovedPart(before, after);
        record->editText = before;  // the owner is asked about the text as it was
        int32_t answer = 0;
        if (!Raise(record, GridEvent::TextRemoving, &event, &answer)) return result;
        if (answer == 1) {
          record->editText = EditorText(textWindow);
        } else if (before != after) {
          SetWindowTextW(window, before.c_str());
          SendMessageW(window, EM_SETSEL, start, static_cast<LPARAM>(end));
          record->editText = EditorText(textWindow);
        }
        return result;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_TAB) {
        MoveByKey(record, true);
        return 0;
      }
      break;
    default:
      break;
  }
  return PassOn(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK grid_ComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GridRecord* record = grid_RecordFromWindow(GetParent(window));
  WNDPROC previous = gridShared.listComboProc;
  if (!record) return PassOn(previous, window, message, wParam, lParam);

  switch (message) {
    case WM_KEYUP:
      if (wParam == VK_TAB) {
        MoveByKey(record, true);
        return 0;
      }
      if (wParam == VK_RETURN || wParam == VK_SPACE) {
        KeyReleased(record, static_cast<int>(wParam));
        return 0;
      }
      break;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_RETURN:
          // Enter presses a button cell as Space does; elsewhere it moves on.
          if (record->currentCellType == GridCell::Button) {
            PressCurrentButton(record, VK_RETURN);
          } else {
            MoveByKey(record, false);
          }
          return 0;
        case VK_SPACE:
          SpaceOnCurrentCell(record);
          return 0;
        case VK_ESCAPE:
          CancelEdit(record);
          return 0;
        default:
          break;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN: {
      GridCellEvent event = CurrentCellEvent(record);
      event.extra = static_cast<intptr_t>(wParam);
      int32_t code = message == WM_LBUTTONDOWN ? GridEvent::LeftClick
                     : message == WM_LBUTTONUP ? GridEvent::LeftButtonUp
                                               : GridEvent::RightButtonDown;
      if (!Raise(record, code, &event)) return 0;
      break;
    }
    case WM_CONTEXTMENU: {
      GridCellEvent event = CurrentCellEvent(record);
      Raise(record, GridEvent::RightClick, &event);
      return 0;  // no menu for a list
    }
    case WM_KILLFOCUS:
      FocusLeaving(record, reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTTAB | DLGC_WANTALLKEYS;
    case WM_PAINT: {
      if (!(record->styleFlags & kGridOwnerDrawnCombo)) break;
      // Only the drop button is drawn: the field stays unpainted so that
      // the grid's own drawing of the cell shows through it.
      InvalidateRect(window, nullptr, FALSE);
      ScopedPaint paint(window);
      RECT combo;
      GetClientRect(window, &combo);
      RECT button{combo.right - combo.bottom + 2, 0, combo.right, combo.bottom - 1};
      if (button.left >= 0) {
        UINT state = DFCS_SCROLLDOWN;
        if (gridShared.comboListOpened) {
          state |= DFCS_PUSHED;
          gridShared.comboListOpened = false;
        }
        DrawFrameControl(paint.Get(), &button, DFC_SCROLL, state);
      }
      return 0;
    }
    case WM_CHAR:
      // The list view's typing (a key that starts an edit) sees it too.
      PostMessageW(record->listWindow, WM_CHAR, wParam, lParam);
      break;
    default:
      break;
  }
  return PassOn(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK grid_HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GridRecord* record = grid_RecordFromWindow(GetParent(window));
  WNDPROC previous = gridShared.headerProc;
  if (!record) return PassOn(previous, window, message, wParam, lParam);
  HWND list = record->listWindow;

  switch (message) {
    case HDM_ORDERTOINDEX: {
      // The placeholder, and with the pinning style the first grid column,
      // stay at the left end whatever the user drags: whenever the list
      // view asks who is there, the right item is put back first.
      const auto order = static_cast<int>(wParam);
      if (order == 0 || (order == 1 && (record->styleFlags & kGridPinFirstColumn))) {
        if (static_cast<int>(PassOn(previous, window, message, wParam, lParam)) != order) {
          HDITEMW item{};
          item.mask = HDI_ORDER;
          item.iOrder = order;
          PassOn(previous, window, HDM_SETITEMW, static_cast<WPARAM>(order), reinterpret_cast<LPARAM>(&item));
          record->columnsChanged = 1;
          RebuildColumnOrder(record);
        }
      }
      return PassOn(previous, window, message, wParam, lParam);
    }
    case HDM_LAYOUT: {
      LRESULT result = PassOn(previous, window, message, wParam, lParam);
      auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
      if (layout && layout->prc && layout->pwpos) {
        layout->prc->top = record->headerHeight;
        layout->pwpos->cy = record->headerHeight;
      }
      return result;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      // Columns added while the header was shown are put in order here.
      RebuildColumnOrder(record);
      FillHeaderEmptyArea(record, window);
      if (record->resizingHeaderItem != 0) {
        // The header is not drawn while a divider is dragged, but what is
        // left invalid would bring WM_PAINT back at once, without end.
        ValidateRect(window, nullptr);
        return 0;
      }
      return PassOn(previous, window, message, wParam, lParam);
    case WM_SETCURSOR: {
      if (!(record->styleFlags & kGridResizableColumns)) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return 1;
      }
      POINT cursor;
      GetCursorPos(&cursor);
      ScreenToClient(window, &cursor);
      HDHITTESTINFO hit = HitHeader(window, MAKELPARAM(cursor.x, cursor.y));
      GridCellEvent event;
      event.row = -1;
      event.column = hit.iItem - 1;
      int32_t answer = 0;
      if (!Raise(record, GridEvent::ColumnResizing, &event, &answer)) return 1;
      if (answer == 1 && hit.iItem != 0 && OnDivider(hit)) break;  // the sizing cursor
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return 1;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDOWN: {
      HDHITTESTINFO hit = HitHeader(window, lParam);
      GridCellEvent event;
      event.row = -1;
      event.column = hit.iItem - 1;
      bool alive = true;
      if (message == WM_LBUTTONDOWN && event.column >= 0) {
        event.extra = static_cast<intptr_t>(wParam);
        alive = Raise(record, GridEvent::LeftClick, &event);
      } else if (message == WM_RBUTTONUP) {
        if (hit.iItem < 0) event.row = event.column = -10;
        alive = Raise(record, GridEvent::RightClick, &event);
      } else if (message == WM_RBUTTONDOWN && event.column >= 0) {
        event.extra = static_cast<intptr_t>(wParam);
        alive = Raise(record, GridEvent::RightButtonDown, &event);
      }
      if (!alive) return 0;
      break;
    }
    case WM_LBUTTONDBLCLK: {
      HDHITTESTINFO hit = HitHeader(window, lParam);
      GridCellEvent event;
      event.row = -1;
      event.column = hit.iItem - 1;
      event.extra = static_cast<intptr_t>(wParam);
      if (event.column >= 0 && !Raise(record, GridEvent::DoubleClick, &event)) return 0;
      if (!(record->styleFlags & kGridResizableColumns)) return 1;
      GridCellEvent resizing;
      resizing.row = -1;
      resizing.column = hit.iItem - 1;
      int32_t answer = 0;
      if (!Raise(record, GridEvent::ColumnResizing, &resizing, &answer)) return 0;
      if (answer != 1 || hit.iItem == 0 || !OnDivider(hit)) return 1;
      SetFocus(list);
      if (!GridAlive(list, record) || !EndEdit(record, 0)) return 0;
      LRESULT result = PassOn(previous, window, message, wParam, lParam);  // sizes the column to its content
      if (!GridAlive(list, record)) return result;
      GridCellEvent changed;
      changed.row = -1;
      changed.column = hit.iItem - 1;
      changed.extra = 0;
      RaiseEvent(record, GridEvent::ColumnsChanged, &changed);
      return result;
    }
    case WM_LBUTTONUP: {
      if (record->resizingHeaderItem != 0) {
        const int item = record->resizingHeaderItem;
        record->resizingHeaderItem = 0;
        LRESULT result = PassOn(previous, window, message, wParam, lParam);
        if (GridAlive(list, record)) ColumnsChangedAfterDrag(record, item, 0);
        return result;
      }
      if (record->draggedHeaderItem != -1) {
        // Cleared first: the header lets the capture go on the way.
        const int item = record->draggedHeaderItem;
        record->draggedHeaderItem = -1;
        LRESULT result = PassOn(previous, window, message, wParam, lParam);
        if (!GridAlive(list, record)) return result;
        record->columnsChanged = 1;
        RebuildColumnOrder(record);
        ColumnsChangedAfterDrag(record, item, 1);
        return result;
      }
      HDHITTESTINFO hit = HitHeader(window, lParam);
      GridCellEvent event;
      event.row = -1;
      event.column = hit.iItem - 1;
      event.extra = static_cast<intptr_t>(wParam);
      if (event.column >= 0 && !Raise(record, GridEvent::LeftButtonUp, &event)) return 0;
      break;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE: {
      // A divider or column drag that loses the mouse ends without an event;
      // the header paints again and the next click is a click.
      const bool lost = message == WM_CANCELMODE || reinterpret_cast<HWND>(lParam) != window;
      if (!lost || (record->resizingHeaderItem == 0 && record->draggedHeaderItem == -1)) break;
      record->resizingHeaderItem = 0;
      record->draggedHeaderItem = -1;
      LRESULT result = PassOn(previous, window, message, wParam, lParam);
      RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      return result;
    }
    default:
      break;
  }
  return PassOn(previous, window, message, wParam, lParam);
}
