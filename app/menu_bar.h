// The menu bar: a flat toolbar in the rebar with one button per drop-down of
// an ordinary HMENU. Clicking a title drops its menu down with
// TrackPopupMenuEx; while one is open, moving the mouse to another title or
// pressing Left/Right switches to the neighbour, as a window's own menu bar
// does. F10 or Alt alone (WM_SYSCOMMAND SC_KEYMENU) puts the bar in keyboard
// mode: Left/Right move the highlight, Enter, Up or Down open the menu, the
// first letter of a title opens it, Escape leaves. Escape in a menu opened
// from the keyboard goes back to the bar. Alt+letter opens the title with
// that first letter directly.
#pragma once

#include <windows.h>

// Creates the bar as a child of `parent` for the drop-downs of `menu`;
// commands go to `owner` as WM_COMMAND. The bar does not own the menu.
HWND MenuBar_Create(HWND parent, HWND owner, HMENU menu);

// The owner calls these from its window procedure.
// WM_NOTIFY from the bar; true when handled.
bool MenuBar_OnNotify(const NMHDR* header);
// WM_SYSCOMMAND with SC_KEYMENU; true when handled (else DefWindowProc).
bool MenuBar_OnKeyMenu(LPARAM character);

// Opens drop-down `index` as a click would (keyboard: first item selected).
void MenuBar_Open(int index, bool fromKeyboard);

// The title highlighted in keyboard mode, or -1 when not in keyboard mode.
int MenuBar_KeyboardItem();
// The drop-down open right now, or -1.
int MenuBar_OpenItem();

// Width and height the bar needs for its titles.
SIZE MenuBar_IdealSize();
