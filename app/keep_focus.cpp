#include "app/keep_focus.h"

namespace {

bool CanTakeFocus(HWND window, HWND control) {
  return control && IsWindow(control) && IsChild(window, control) && IsWindowVisible(control) &&
         IsWindowEnabled(control);
}

bool Restore(FocusMemory& memory, HWND window) {
  HWND target = CanTakeFocus(window, memory.saved) ? memory.saved : nullptr;
  if (!target && memory.firstTabStop) target = GetNextDlgTabItem(window, nullptr, FALSE);
  if (!CanTakeFocus(window, target)) return false;
  SetFocus(target);
  return true;
}

}  // namespace

bool KeepFocus(FocusMemory& memory, HWND window, UINT message, WPARAM wParam) {
  if (message == WM_ACTIVATE) {
    if (LOWORD(wParam) == WA_INACTIVE) {
      HWND focus = GetFocus();
      const bool excepted = memory.except && (focus == memory.except || IsChild(memory.except, focus));
      if (focus && IsChild(window, focus) && !excepted) memory.saved = focus;
      return false;
    }
    // Activated while minimised: the focus waits for the restore.
    if (HIWORD(wParam) != 0) return false;
    return Restore(memory, window);
  }
  if (message == WM_SETFOCUS) return Restore(memory, window);
  return false;
}
