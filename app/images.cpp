// The embedded images: PNG resources (RCDATA) decoded once with libpng and
// kept for the life of the process. The icons are built from the same pixels
// (CreateIconIndirect with a 32 bpp colour bitmap), so there is one decoder
// and one source of artwork.
#include "app/images.h"

#include <array>
#include <vector>

#include "app/pure/png_image.h"
#include "runtime/gdi_guard.h"
#include "res/resource_ids.h"

namespace {

constexpr int kIconCount = 5;

// Process-lifetime objects: created here once, never deleted (menus, list
// views and the About dialog hold on to them until the process ends).
HBITMAP g_logo = nullptr;
std::array<HICON, kIconCount + 1> g_icons{};
std::array<HBITMAP, kIconCount + 1> g_menuBitmaps{};

bool LoadResourcePng(int number, DecodedImage& image) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(IDR_IMAGE_BASE + number), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (info == nullptr) return false;
  HGLOBAL handle = LoadResource(module, info);
  const DWORD size = SizeofResource(module, info);
  const void* data = handle ? LockResource(handle) : nullptr;
  if (data == nullptr || size == 0) return false;
  return DecodePng(static_cast<const uint8_t*>(data), size, image);
}

// A top-down 32 bpp DIB section holding the premultiplied pixels.
HBITMAP MakeDib(const DecodedImage& image) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = image.width;
  bi.bmiHeader.biHeight = -image.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return nullptr;
  CopyMemory(bits, image.bgra.data(), image.bgra.size());
  GdiFlush();
  return bitmap;
}

// Icons take straight (not premultiplied) colour; the alpha channel decides
// what shows, and the mask only matters to code that ignores alpha.
HICON MakeIcon(const DecodedImage& image) {
  DecodedImage straight = image;
  for (size_t i = 0; i < straight.bgra.size(); i += 4) {
    const unsigned alpha = straight.bgra[i + 3];
    for (size_t c = 0; c < 3; ++c) {
      straight.bgra[i + c] = alpha == 0 ? 0 : static_cast<uint8_t>((straight.bgra[i + c] * 255 + alpha / 2) / alpha);
    }
  }
  ScopedBitmap colour(MakeDib(straight));
  if (!colour) return nullptr;
  // A monochrome mask: bits set where the pixel is transparent.
  const int stride = ((image.width + 15) / 16) * 2;
  std::vector<uint8_t> maskBits(static_cast<size_t>(stride) * image.height, 0);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.bgra[(static_cast<size_t>(y) * image.width + x) * 4 + 3] == 0) {
        maskBits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  ScopedBitmap mask(CreateBitmap(image.width, image.height, 1, 1, maskBits.data()));
  if (!mask) return nullptr;
  ICONINFO ii{};
  ii.fIcon = TRUE;
  ii.hbmColor = colour.Get();
  ii.hbmMask = mask.Get();
  return CreateIconIndirect(&ii);  // copies both bitmaps; the guards free ours
}

}  // namespace

bool LoadEmbeddedImages() {
  bool all = true;
  DecodedImage image;
  if (g_logo == nullptr) {
    if (LoadResourcePng(0, image)) g_logo = MakeDib(image);
    all = all && g_logo != nullptr;
  }
  for (int n = 1; n <= kIconCount; ++n) {
    if (g_icons[n] != nullptr) continue;
    if (LoadResourcePng(n, image) && image.width == 16 && image.height == 16) {
      g_icons[n] = MakeIcon(image);
      g_menuBitmaps[n] = MakeDib(image);
    }
    all = all && g_icons[n] != nullptr && g_menuBitmaps[n] != nullptr;
  }
  return all;
}

HBITMAP ImageLogo() { return g_logo; }

HICON ImageIcon(int number) {
  return (number >= 1 && number <= kIconCount) ? g_icons[number] : nullptr;
}

HBITMAP ImageMenuBitmap(int number) {
  return (number >= 1 && number <= kIconCount) ? g_menuBitmaps[number] : nullptr;
}
