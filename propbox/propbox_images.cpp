// The images and the heading font that all property boxes share.
//
// The artwork is drawn by res/make-art.sh and compiled in as pixel tables,
// so a program needs no resource script to have a property box. The images
// are DIB sections (the grid draws them with their key colour left out);
// they live from the first box of the process to the last.
#include <cstring>

#include "propbox/propbox_private.h"
#include "res/propbox_art.h"
#include "runtime/runtime.h"

PropertyBoxShared boxShared;

namespace {

HBITMAP ImageFromArt(const uint32_t* art, int side) {
  HBITMAP image = CreateTopDownDib(side, side, 32);
  if (!image) return nullptr;
  DIBSECTION section{};
  if (!GetObjectW(image, sizeof section, &section) || !section.dsBm.bmBits) {
    DeleteObject(image);
    return nullptr;
  }
  // 32-bit DIB pixels are 0x00RRGGBB, as the table is.
  std::memcpy(section.dsBm.bmBits, art, static_cast<size_t>(side * side) * sizeof(uint32_t));
  GdiFlush();
  return image;
}

HFONT CreateHeadingFont() {
  LOGFONTW description{};
  if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description)) return nullptr;
  description.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&description);
}

}  // namespace

bool CreateSharedImages() {
  if (boxShared.headingFont && boxShared.expandedImage && boxShared.collapsedImage && boxShared.buttonImage)
    return true;
  FreeSharedImages();
  boxShared.headingFont = CreateHeadingFont();
  boxShared.expandedImage = ImageFromArt(kExpandedArt, 9);
  boxShared.collapsedImage = ImageFromArt(kCollapsedArt, 9);
  boxShared.buttonImage = ImageFromArt(kValueButtonArt, 12);
  if (boxShared.headingFont && boxShared.expandedImage && boxShared.collapsedImage && boxShared.buttonImage)
    return true;
  FreeSharedImages();
  return false;
}

void FreeSharedImages() {
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(boxShared.headingFont), static_cast<HGDIOBJ>(boxShared.expandedImage),
                         static_cast<HGDIOBJ>(boxShared.collapsedImage), static_cast<HGDIOBJ>(boxShared.buttonImage)})
    if (object) DeleteObject(object);
  boxShared.headingFont = nullptr;
  boxShared.expandedImage = boxShared.collapsedImage = boxShared.buttonImage = nullptr;
}

int PropertyBox_LiveCount() { return boxShared.liveBoxes; }

bool PropertyBox_SharedResourcesExist() { return boxShared.headingFont != nullptr; }
