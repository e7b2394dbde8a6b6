// The gallery's input page: a grid to click, drag, hover and resize.
#pragma once

// Opens the page at (x, y); returns its window number, or -1.
int OpenInputPage(int x, int y);
