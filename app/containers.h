// Two small window classes the main window is assembled from:
//  - a pane: a plain container that hands its children's WM_COMMAND and
//    WM_NOTIFY up to the top-level window, so the main window procedure sees
//    every control event wherever the control sits;
//  - a horizontal splitter: an upper and a lower pane with a draggable bar
//    between them. Its position is the top edge of the lower pane.
#pragma once

#include <windows.h>

constexpr int kSplitterBar = 5;  // thickness of the bar, in pixels

bool RegisterContainerClasses(HINSTANCE instance);

HWND CreatePane(HWND parent, int x, int y, int width, int height);

HWND CreateSplitter(HWND parent, int x, int y, int width, int height);
// The two windows the splitter places; both must be its children.
void SplitterSetPanes(HWND splitter, HWND upper, HWND lower);
// Moves the bar (clamped so both panes stay inside) and places the panes.
void SplitterSetPosition(HWND splitter, int position);
int SplitterPosition(HWND splitter);
