// What a control test sees of a window: its client area rendered into a DIB
// through WM_PRINTCLIENT, and a child container per test under one top-level
// window kept for the whole run.
#pragma once

#include <windows.h>

#include <vector>

// Pixels of a window's client area as rendered by WM_PRINTCLIENT.
class Picture {
 public:
  // 0xFFFFFFFF outside the picture.
  COLORREF At(int x, int y) const;
  int CountIn(const RECT& area, COLORREF colour) const;
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
};
// The area is filled with `fill` first, so that what the window leaves
// unpainted shows.
Picture Render(HWND window, COLORREF fill = RGB(255, 0, 255));

// One visible top-level window for the whole run: Wine waits up to two
// seconds for a top-level window to be unmapped when there is no window
// manager, so each test gets a child container of it instead. The first
// call opens it with the given title and size.
HWND TestTopLevel(const wchar_t* title, int width, int height);
// A visible child of `top` that passes every message to DefWindowProc.
HWND CreateTestContainer(HWND top, int width, int height);
