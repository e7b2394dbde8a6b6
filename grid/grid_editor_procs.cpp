// The replaced window procedures of the header and the three editors, and the
// editors' messages to the list view (colours, the list combo's items).
//
// Each finds its record through "grid_ListPointer" on the list view (the
// editors are its children; the editable combo's EDIT is a grandchild) and
// passes every message it does not handle to the previous procedure of its
// window's kind.
#include "grid/grid_private.h"
#include "runtime/gdi_guard.h"
#include "runtime/runtime.h"

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
  RaiseEvent(record, GridEvent::QueryCellColours, &event);
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
  RaiseEvent(record, GridEvent::QueryCellColours, &event);
  ScopedSelect font(dc, event.font);
  RECT area = item->rcItem;
  DrawTextW(dc, text.c_str(), -1, &area, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

bool ListEditorMessage(GridRecord* record, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
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

LRESULT CALLBACK grid_EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  bool inCombo = false;
  GridRecord* record = EditorRecord(window, &inCombo);
  WNDPROC previous = inCombo ? gridShared.comboEditProc : gridShared.editProc;
  if (!record) return PassOn(previous, window, message, wParam, lParam);

  switch (message) {
    case WM_CHAR:
    case WM_CUT:
    case WM_PASTE:
    case WM_UNDO:
    case WM_CLEAR: {
      LRESULT result = PassOn(previous, window, message, wParam, lParam);
      // The combo's text is what a choice cell holds; its EDIT shows it.
      record->editText = EditorText(inCombo ? GetParent(window) : window);
      return result;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTTAB | DLGC_WANTALLKEYS;
    default:
      return PassOn(previous, window, message, wParam, lParam);
  }
}

LRESULT CALLBACK grid_ComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GridRecord* record = grid_RecordFromWindow(GetParent(window));
  WNDPROC previous = gridShared.listComboProc;
  if (!record) return PassOn(previous, window, message, wParam, lParam);

  switch (message) {
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
    case WM_GETDLGCODE:
      return DLGC_WANTTAB | DLGC_WANTALLKEYS;
    default:
      break;
  }
  return PassOn(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK grid_HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GridRecord* record = grid_RecordFromWindow(GetParent(window));
  WNDPROC previous = gridShared.headerProc;
  if (!record) return PassOn(previous, window, message, wParam, lParam);

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
      if (record->resizingHeaderItem != 0) return 0;
      return PassOn(previous, window, message, wParam, lParam);
    default:
      return PassOn(previous, window, message, wParam, lParam);
  }
}

