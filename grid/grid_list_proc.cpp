// The list view's replaced window procedure.
//
// It finds its record through "grid_ListPointer" and takes over nearly all
// input: the list view's own selection, keyboard handling, incremental search
// and focus handling never run. Mouse and keys go to grid_input.cpp, the
// cursor, tooltips and header notifications to grid_hover.cpp, the editors'
// messages to the editing code; everything else reaches the list view.
#include "grid/grid_private.h"
#include "runtime/runtime.h"

namespace {

// The edit in progress is written into the cell and the editor laid out
// again after the list view changed its size or a column width.
void FollowLayout(GridRecord* record) {
  if (record->currentRow == -1) return;
  const int type = record->currentCellType;
  if (type != GridCell::Text && type != GridCell::ListChoice && type != GridCell::EditableChoice) return;
  if (CellText(record, record->currentRow, record->currentSubItem) != record->editText)
    SetCellTextRaw(record, record->currentRow, record->currentSubItem, record->editText);
  ParkEditor(record);
  RepositionEditor(record);
}

// The first scroll message of a gesture parks the editor, with the edit
// written into its cell; it comes back on SB_ENDSCROLL or the next
// WM_SETCURSOR.
void ParkForScroll(GridRecord* record) {
  if (gridShared.scrollParked) return;
  if (record->currentRow != -1 &&
      CellText(record, record->currentRow, record->currentSubItem) != record->editText)
    SetCellTextRaw(record, record->currentRow, record->currentSubItem, record->editText);
  ParkEditor(record);
  gridShared.scrollParked = true;
}

int RowHeight(const GridRecord* record) {
  RECT item{};
  item.left = LVIR_BOUNDS;
  SendMessageW(record->listWindow, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  return item.bottom - item.top;
}

LRESULT Scroll(GridRecord* record, HWND window, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC previous) {
  ParkForScroll(record);
  const bool vertical = message == WM_VSCROLL;
  const int code = LOWORD(wParam);
  const int perPage = static_cast<int>(SendMessageW(window, LVM_GETCOUNTPERPAGE, 0, 0));
  const int top = static_cast<int>(SendMessageW(window, LVM_GETTOPINDEX, 0, 0));
  auto scroll = [&](int amount) {
    SendMessageW(window, LVM_SCROLL, vertical ? 0 : amount, vertical ? amount : 0);
  };
  switch (code) {
    case SB_LINEDOWN:
    case SB_LINEUP:
    case SB_PAGEDOWN:
    case SB_PAGEUP: {
      const bool back = code == SB_LINEUP || code == SB_PAGEUP;
      const bool page = code == SB_PAGEDOWN || code == SB_PAGEUP;
      if (!vertical) {
        InvalidateRect(window, nullptr, TRUE);
        scroll((page ? 200 : 50) * (back ? -1 : 1));
      } else if (!back || top >= 1) {
        InvalidateRect(window, nullptr, FALSE);
        scroll(RowHeight(record) * (page ? perPage : 1) * (back ? -1 : 1));
      }
      return 0;
    }
    case SB_THUMBTRACK:
      if (record->styleFlags & kGridScrollOnThumbRelease) return 0;
      return PassOn(previous, window, message, wParam, lParam);
    case SB_THUMBPOSITION: {
      if (!(record->styleFlags & kGridScrollOnThumbRelease)) return PassOn(previous, window, message, wParam, lParam);
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_POS | SIF_TRACKPOS;
      GetScrollInfo(window, vertical ? SB_VERT : SB_HORZ, &info);
      // The track position of a message sent by hand is in its high word.
      if (info.nTrackPos == info.nPos) info.nTrackPos = static_cast<short>(HIWORD(wParam));
      if (info.nTrackPos != info.nPos) {
        InvalidateRect(window, nullptr, FALSE);
        scroll((info.nTrackPos - info.nPos) * (vertical ? RowHeight(record) : 1));
      }
      return 0;
    }
    case SB_ENDSCROLL: {
      LRESULT result = PassOn(previous, window, message, wParam, lParam);
      if (grid_RecordFromWindow(window) == record) RepositionEditor(record);
      return result;
    }
    default:
      if (vertical) InvalidateRect(window, nullptr, FALSE);
      return PassOn(previous, window, message, wParam, lParam);
  }
}

}  // namespace

LRESULT CALLBACK grid_ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GridRecord* record = grid_RecordFromWindow(window);
  WNDPROC previous = gridShared.listProc;
  if (!record) return PassOn(previous, window, message, wParam, lParam);

  switch (message) {
    case WM_NCDESTROY:
      DestroyGridRecord(record);
      return PassOn(previous, window, message, wParam, lParam);
    case WM_DESTROY:
      if (gridShared.dragTimer == reinterpret_cast<UINT_PTR>(record)) StopDrag();
      CommitEdit(record);
      if (grid_RecordFromWindow(window) == record) DestroyTooltip(record);
      return PassOn(previous, window, message, wParam, lParam);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      record->paintOwnerValue = GetPropW(window, kOwnerValueProperty);
      record->painting = true;
      LRESULT result = PassOn(previous, window, message, wParam, lParam);
      // The record may be gone if the owner destroyed the grid meanwhile.
      if (grid_RecordFromWindow(window) != record) return result;
      record->painting = false;
      if (message == WM_PAINT) PaintEmptyArea(record);
      return result;
    }
    case WM_SIZE:
    case LVM_SETCOLUMNWIDTH: {
      LRESULT result = PassOn(previous, window, message, wParam, lParam);
      if (grid_RecordFromWindow(window) != record) return result;
      FollowLayout(record);
      if (message == WM_SIZE && grid_RecordFromWindow(window) == record) {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
      }
      return result;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTTAB | DLGC_WANTALLKEYS;
    case LVM_SORTITEMS:
      if (!EndEdit(record, 0)) return 0;
      record->selectionState = 0;
      record->selCol = -1;
      return PassOn(previous, window, message, wParam, lParam);
    case WM_CHAR:
      return 0;
    case WM_KILLFOCUS: {
      HWND gaining = reinterpret_cast<HWND>(wParam);
      if (IsGridWindow(record, gaining)) return 0;
      // A key held on a button is not released here any more.
      if (record->pressedKey != 0) CancelPress(record);
      // Shift+Tab never leaves the grid.
      if (KeyIsDown(VK_SHIFT) && KeyIsDown(VK_TAB)) {
        SetFocus(window);
      } else if (!(GetWindowLongPtrW(window, GWL_STYLE) & LVS_SHOWSELALWAYS)) {
        EndEdit(record, 1, true);
      }
      return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      return Scroll(record, window, message, wParam, lParam, previous);
    case WM_MOUSEWHEEL: {
      if (gridShared.dragTimer == reinterpret_cast<UINT_PTR>(record) || gridShared.dragState != 0) StopDrag();
      gridShared.scrollParked = false;
      ParkForScroll(record);
      LRESULT result = PassOn(previous, window, message, wParam, lParam);
      if (grid_RecordFromWindow(window) == record) RepositionEditor(record);
      return result;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      ListRightButton(record, message == WM_RBUTTONDOWN, wParam, lParam);
      return 0;
    case WM_KEYDOWN:
      ListKeyDown(record, static_cast<int>(wParam));
      return 0;
    case WM_KEYUP:
      if (wParam == VK_TAB) {
        ListTabReleased(record);
        return 0;
      }
      if (wParam == VK_RETURN || wParam == VK_SPACE) {
        KeyReleased(record, static_cast<int>(wParam));
        if (grid_RecordFromWindow(window) != record) return 0;
      }
      return PassOn(previous, window, message, wParam, lParam);
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      // A dialog or another program took the mouse: a pressed button and a
      // block drag end here, without an event.
      if (message == WM_CANCELMODE || reinterpret_cast<HWND>(lParam) != window) {
        if (record->pressedKey == 0) CancelPress(record);
        if (gridShared.dragTimer == reinterpret_cast<UINT_PTR>(record)) StopDrag();
      }
      return PassOn(previous, window, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ListButtonDown(record, wParam, lParam, message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_LBUTTONUP:
      ListButtonUp(record, wParam, lParam);
      if (grid_RecordFromWindow(window) != record) return 0;
      return PassOn(previous, window, message, wParam, lParam);
    case WM_MOUSEMOVE: {
      LRESULT result = PassOn(previous, window, message, wParam, lParam);
      if (grid_RecordFromWindow(window) == record) TrackPressedButton(record, lParam);
      return result;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == window && HoverSetCursor(record)) return TRUE;
      if (grid_RecordFromWindow(window) != record) return TRUE;
      return PassOn(previous, window, message, wParam, lParam);
    case WM_MOUSELEAVE:
      HoverLeave(record);
      return PassOn(previous, window, message, wParam, lParam);
    case kGridDropTooltipMessage:
      if (record->tooltipWindow && reinterpret_cast<HWND>(wParam) == record->tooltipWindow) {
        DetachRecord(record->tooltipWindow);
        DestroyWindow(record->tooltipWindow);
        record->tooltipWindow = nullptr;
      }
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      LRESULT result = 0;
      if (header && header->hwndFrom == record->headerWindow &&
          HeaderNotification(record, header, previous, wParam, &result))
        return result;
      return PassOn(previous, window, message, wParam, lParam);
    }
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_DRAWITEM: {
      LRESULT result = 0;
      if (ListEditorMessage(record, message, wParam, lParam, &result)) return result;
      break;
    }
    case kGridColumnsChangedMessage: {
      GridCellEvent event;
      event.row = -1;
      event.column = -1;
      event.extra = 2;
      RaiseEvent(record, GridEvent::ColumnsChanged, &event);
      return 0;
    }
    default:
      break;
  }
  return PassOn(previous, window, message, wParam, lParam);
}
