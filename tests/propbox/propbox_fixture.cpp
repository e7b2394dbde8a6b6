#include "tests/propbox/propbox_fixture.h"

#include <commctrl.h>

#include <ostream>

#include "grid/grid.h"
#include "runtime/gdi_guard.h"
#include "runtime/runtime.h"

BoxOwner boxOwner;

std::ostream& operator<<(std::ostream& out, const BoxEvent& event) {
  return out << "{code " << event.code << ", index " << event.index << "}";
}

int32_t RecordingBoxOwner(int, int32_t code, int32_t index, intptr_t) {
  boxOwner.seen.push_back({code, index});
  if (boxOwner.during) {
    auto during = std::move(boxOwner.during);
    boxOwner.during = nullptr;
    during();
  }
  return boxOwner.answer;
}

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

Picture Render(HWND window) {
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
    ScopedBrush background(CreateSolidBrush(RGB(255, 0, 255)));
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

LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

// One visible top-level window for the whole run (Wine is slow to unmap a
// top-level window without a window manager); each test gets a child.
HWND TopLevel() {
  static int topLevel = OpenWindowNumbered(kAnyNumber, 0, 0, 460, 360, L"property box tests",
                                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  static bool registered = [] {
    WNDCLASSW container{};
    container.lpfnWndProc = ContainerProc;
    container.hInstance = GetModuleHandleW(nullptr);
    container.lpszClassName = L"PropertyBoxTestContainer";
    return RegisterClassW(&container) != 0;
  }();
  return registered ? WindowHandle(topLevel) : nullptr;
}

}  // namespace

void PropertyBoxTest::SetUp() {
  boxOwner = BoxOwner{};
  HWND top = TopLevel();
  ASSERT_NE(top, nullptr);
  parent = CreateWindowExW(0, L"PropertyBoxTestContainer", L"", WS_CHILD | WS_VISIBLE, 0, 0, 440, 320, top, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  UseGadgetList(parent);
}

void PropertyBoxTest::TearDown() {
  UseGadgetList(TopLevel());
  DestroyWindow(parent);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_EQ(PropertyBox_LiveCount(), 0) << "every box goes with its window";
}

int PropertyBoxTest::MakeBox(uint32_t style, PropertyBoxCallback callback, int width, int height, int labelWidth,
                             int valueWidth) {
  UseGadgetList(parent);
  box = PropertyBox_Create(kAnyNumber, 0, 0, width, height, 18, labelWidth, valueWidth, style, callback);
  EXPECT_GE(box, 0);
  return box;
}

int PropertyBoxTest::Add(int position, const wchar_t* text, int32_t kind, int grouped) {
  PropertyRowDescription description;
  description.kind = kind;
  return PropertyBox_AddRow(box, position, text, &description, grouped);
}

HWND PropertyBoxTest::Window() const { return GadgetWindow(box); }

RECT PropertyBoxTest::Cell(int gridRow, int column) const {
  RECT cell{};
  cell.top = column + 1;
  cell.left = LVIR_BOUNDS;
  SendMessageW(Window(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(gridRow), reinterpret_cast<LPARAM>(&cell));
  cell.right = cell.left + static_cast<int>(SendMessageW(Window(), LVM_GETCOLUMNWIDTH, column + 1, 0));
  return cell;
}

std::vector<std::wstring> PropertyBoxTest::GridRows() const {
  std::vector<std::wstring> rows;
  for (int r = 0; r < grid_CountRows(box); ++r)
    rows.push_back(grid_GetCellText(box, 1, r) + L"|" + grid_GetCellText(box, 2, r));
  return rows;
}
