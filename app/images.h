// The six embedded images, decoded once at start-up and kept for the process:
// 0 the 200 x 108 logo (a PNG resource decoded with libpng), 1-5 the 16 x 16
// 32 bpp icons (1 Quick Connect, 2 Connect, 3 favourite, 4 About, 5 player).
#pragma once

#include <windows.h>

// Decodes all images; false if any of them failed (the others stay usable).
bool LoadEmbeddedImages();

// Image 0 as a 32 bpp top-down DIB section with premultiplied alpha; nullptr
// when it could not be decoded. Owned by this module: do not delete it.
HBITMAP ImageLogo();

// Images 1 to 5; nullptr for other numbers or when not loaded. Owned by this
// module: do not destroy them.
HICON ImageIcon(int number);

// Images 1 to 5 as 32 bpp premultiplied bitmaps for menu items (HBMMENU
// bitmaps with alpha); nullptr as ImageIcon.
HBITMAP ImageMenuBitmap(int number);
