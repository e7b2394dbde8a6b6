// Rendering windows into DIBs and the test windows they live in.
#include "tests/support/window_picture.h"

#include "runtime/gdi_guard.h"
#include "runtime/runtime.h"

COLORREF Picture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFF;
  return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
}

int Picture::CountIn(const RECT& area, COLORREF colour) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (At(x, y) == colour) ++count;
  return count;
}

Picture Render(HWND window, COLORREF fill) {
  Picture picture;
  RECT client;
  GetClientRect(window, &client);
  picture.width = client.right;
  picture.height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  ScopedBitmap section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ScopedMemoryDC dc(nullptr);
  if (!section || !dc) return picture;
  {
    ScopedSelect select(dc.Get(), section.Get());
    ScopedBrush background(CreateSolidBrush(fill));
    FillRect(dc.Get(), &client, background.Get());
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    GdiFlush();
  }
  picture.pixels.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
  const auto* source = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < picture.pixels.size(); ++i) {
    uint32_t bgra = source[i];
    picture.pixels[i] = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
  }
  return picture;
}

namespace {

constexpr wchar_t kContainerClass[] = L"QuorvelTestContainer";

LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HWND TestTopLevel(const wchar_t* title, int width, int height) {
  static int topLevel = OpenWindowNumbered(kAnyNumber, 0, 0, width, height, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                           nullptr);
  static bool registered = [] {
    WNDCLASSW container{};
    container.lpfnWndProc = ContainerProc;
    container.hInstance = GetModuleHandleW(nullptr);
    container.lpszClassName = kContainerClass;
    return RegisterClassW(&container) != 0;
  }();
  return registered ? WindowHandle(topLevel) : nullptr;
}

HWND CreateTestContainer(HWND top, int width, int height) {
  return CreateWindowExW(0, kContainerClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, width, height, top, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}
