#include "tests/propbox/propbox_fixture.h"

#include <commctrl.h>

#include <ostream>

#include "grid/grid.h"
#include "grid/grid_private.h"
#include "runtime/gdi_guard.h"
#include "propbox/propbox_private.h"
#include "runtime/runtime.h"

BoxOwner boxOwner;

std::ostream& operator<<(std::ostream& out, const BoxEvent& event) {
  return out << "{code " << event.code << ", index " << event.index << "}";
}

int32_t RecordingBoxOwner(int, int32_t code, int32_t index, intptr_t extra) {
  boxOwner.seen.push_back({code, index});
  if (boxOwner.during) {
    auto during = std::move(boxOwner.during);
    boxOwner.during = nullptr;
    during();
  }
  if (boxOwner.decide) return boxOwner.decide(code, index, extra);
  return boxOwner.answer;
}

namespace {

HWND TopLevel() { return TestTopLevel(L"property box tests", 460, 360); }

}  // namespace

void PropertyBoxTest::SetUp() {
  boxOwner = BoxOwner{};
  HWND top = TopLevel();
  ASSERT_NE(top, nullptr);
  parent = CreateTestContainer(top, 440, 320);
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

int32_t PropertyBoxTest::Raise(int32_t code, int gridRow, int column, intptr_t extra, const POINT* point) {
  if (point) SendMessageW(Window(), WM_MOUSEMOVE, 0, MAKELPARAM(point->x, point->y));
  GridCellEvent event;
  event.row = gridRow;
  event.column = column;
  event.extra = extra;
  return PropertyBoxGridEvent(box, code, &event);
}

void PropertyBoxTest::Type(const wchar_t* text) {
  GridRecord* record = RecordFromGadget(box);
  ASSERT_NE(record, nullptr);
  ASSERT_NE(record->currentRow, -1) << "no cell is open";
  HWND editor = record->editWindow;
  SendMessageW(editor, EM_SETSEL, 0, -1);
  for (const wchar_t* key = text; *key; ++key) SendMessageW(editor, WM_CHAR, *key, 1);
  if (!*text) SendMessageW(editor, WM_CHAR, VK_BACK, 1);
  boxOwner.seen.clear();
}

void PropertyBoxTest::Click(POINT point, bool twice) {
  const LPARAM at = MAKELPARAM(point.x, point.y);
  SendMessageW(Window(), WM_MOUSEMOVE, 0, at);
  SendMessageW(Window(), twice ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, at);
  if (IsWindow(Window())) SendMessageW(Window(), WM_LBUTTONUP, 0, at);
}
