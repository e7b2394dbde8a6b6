// The gallery's property box page: a window of its own beside the grids.
#pragma once

// Opens the page at (x, y); returns its window number, or -1.
int OpenPropertyBoxPage(int x, int y);
