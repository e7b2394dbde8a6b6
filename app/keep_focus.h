// Keeping the keyboard focus where the user left it. A window that loses
// activation (another program, or a dialog of ours) and gets it back would
// otherwise take the focus itself, and keys typed next would go nowhere:
// dialog boxes remember their focused control for this, and so do ours.
#pragma once

#include <windows.h>

struct FocusMemory {
  HWND saved = nullptr;
  // The focus in here is never remembered (the menu bar's keyboard mode ends
  // when the window is deactivated).
  HWND except = nullptr;
  // With nothing remembered, the first Tab stop takes the focus (dialogs);
  // otherwise the window keeps the default, taking the focus itself.
  bool firstTabStop = false;
};

// Call from the window procedure for WM_ACTIVATE and WM_SETFOCUS. True when
// the message was handled and the procedure returns 0.
bool KeepFocus(FocusMemory& memory, HWND window, UINT message, WPARAM wParam);
