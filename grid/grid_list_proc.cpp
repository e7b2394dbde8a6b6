// The list view's replaced window procedure.
//
// It finds its record through "grid_ListPointer" and passes every message it
// does not handle to the list view's own procedure. It carries painting, the
// record's clean-up and the owner's ColumnsChanged request; the editors'
// messages to their parent go to the editing code. Mouse and keyboard
// handling, cell moves and tooltips are added with the input handling.
#include "grid/grid_private.h"
#include "runtime/runtime.h"

LRESULT CALLBACK grid_ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GridRecord* record = grid_RecordFromWindow(window);
  WNDPROC previous = gridShared.listProc;
  if (!record) return PassOn(previous, window, message, wParam, lParam);

  switch (message) {
    case WM_NCDESTROY:
      DestroyGridRecord(record);
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
    case WM_GETDLGCODE:
      return DLGC_WANTTAB | DLGC_WANTALLKEYS;
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

// The drag selection itself comes with the mouse handling; until then an
// armed drag ends when the button is released.
void CALLBACK DragSelectTimer(HWND window, UINT, UINT_PTR id, DWORD) {
  if (GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) & 0x8000) return;
  KillTimer(window, id);
  gridShared.dragTimer = 0;
  gridShared.dragState = 0;
  if (GetCapture() == window) ReleaseCapture();
}
