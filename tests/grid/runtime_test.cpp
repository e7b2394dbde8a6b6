// The control layer's numbering, gadget lists and texts.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "runtime/runtime.h"

namespace {

class RuntimeTest : public testing::Test {
 protected:
  void SetUp() override {
    window = OpenWindowNumbered(kAnyNumber, 0, 0, 300, 200, L"runtime", WS_OVERLAPPEDWINDOW, nullptr);
    ASSERT_GE(window, kFirstFreeNumber);
  }
  void TearDown() override { CloseWindowNumbered(window); }
  int window = -1;
};

TEST_F(RuntimeTest, NumbersAreChosenOrGivenAndFreedWithTheirWindow) {
  EXPECT_EQ(CurrentGadgetList(), WindowHandle(window));
  int chosen = CreateComboGadget(kAnyNumber, 0, 0, 100, 20, CBS_DROPDOWN);
  int other = CreateComboGadget(kAnyNumber, 0, 0, 100, 20, CBS_DROPDOWN);
  EXPECT_GE(chosen, kFirstFreeNumber);
  EXPECT_NE(chosen, other);
  EXPECT_EQ(GadgetFromWindow(GadgetWindow(chosen)), chosen);

  EXPECT_EQ(CreateComboGadget(3, 0, 0, 100, 20, CBS_DROPDOWN), 3);
  HWND first = GadgetWindow(3);
  EXPECT_EQ(CreateListViewGadget(3, 0, 0, 100, 100, L"", 0, 0), 3);
  EXPECT_FALSE(IsWindow(first)) << "a taken number frees the old control";

  EXPECT_EQ(FreeGadget(3), 1);
  EXPECT_EQ(IsGadget(3), 0);
  EXPECT_EQ(FreeGadget(3), 0);

  DestroyWindow(GadgetWindow(other));
  EXPECT_EQ(GadgetWindow(other), nullptr) << "a window destroyed behind the table's back is gone";
  EXPECT_EQ(GadgetFromWindow(nullptr), -1);

  // Failure is -1, since 0 is a number like any other.
  EXPECT_EQ(CreateComboGadget(0, 0, 0, 100, 20, CBS_DROPDOWN), 0);
  EXPECT_EQ(RegisterGadget(-2, WindowHandle(window)), -1);
  EXPECT_EQ(RegisterGadget(kAnyNumber, nullptr), -1);
  HWND main = UseGadgetList(nullptr);
  EXPECT_EQ(CreateComboGadget(kAnyNumber, 0, 0, 100, 20, CBS_DROPDOWN), -1) << "no container to create into";
  EXPECT_EQ(CreateListViewGadget(7, 0, 0, 100, 100, L"", 0, 0), -1);
  EXPECT_EQ(IsGadget(7), 0);
  UseGadgetList(main);
}

TEST_F(RuntimeTest, TheGadgetListDecidesTheParent) {
  HWND main = WindowHandle(window);
  int list = CreateListViewGadget(kAnyNumber, 0, 0, 100, 100, L"first", 40, LVS_SHOWSELALWAYS);
  HWND listWindow = GadgetWindow(list);
  EXPECT_EQ(GetParent(listWindow), main);
  EXPECT_NE(GetWindowLongPtrW(listWindow, GWL_STYLE) & LVS_SHOWSELALWAYS, 0);
  EXPECT_EQ(GetWindowLongPtrW(listWindow, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);
  EXPECT_EQ(SendMessageW(listWindow, LVM_GETCOLUMNWIDTH, 0, 0), 40);

  EXPECT_EQ(UseGadgetList(listWindow), main);
  int combo = CreateComboGadget(kAnyNumber, 0, 0, 50, 20, CBS_DROPDOWNLIST);
  EXPECT_EQ(GetParent(GadgetWindow(combo)), listWindow);
  EXPECT_EQ(UseGadgetList(main), listWindow);
}

TEST_F(RuntimeTest, TextsAndItems) {
  int list = CreateComboGadget(kAnyNumber, 0, 0, 100, 200, CBS_DROPDOWNLIST | CBS_HASSTRINGS);
  AddGadgetItem(list, -1, L"alpha");
  AddGadgetItem(list, -1, L"beta");
  EXPECT_EQ(AddGadgetItem(list, 0, L"zero"), 0);
  EXPECT_EQ(CountGadgetItems(list), 3);
  SetGadgetText(list, L"beta");
  EXPECT_EQ(GetGadgetState(list), 2) << "a drop-down list selects the matching item";
  EXPECT_EQ(GetGadgetText(list), L"beta");
  SetGadgetText(list, L"nothing like it");
  EXPECT_EQ(GetGadgetState(list), -1);
  AddGadgetItem(list, -1, L"Beta");
  SetGadgetText(list, L"Beta");
  EXPECT_EQ(GetGadgetState(list), 3) << "exactly that text, case and all";
  ClearGadgetItems(list);
  EXPECT_EQ(CountGadgetItems(list), 0);

  int edit = CreateComboGadget(kAnyNumber, 0, 0, 100, 200, CBS_DROPDOWN | CBS_HASSTRINGS);
  SetGadgetText(edit, L"typed");
  EXPECT_EQ(GetGadgetText(edit), L"typed");
  EXPECT_EQ(GetGadgetText(99999), L"");
  EXPECT_EQ(CountGadgetItems(99999), -1);
}

TEST_F(RuntimeTest, WindowEventsArriveAsKindWindowItemType) {
  int button = -1;
  HWND main = WindowHandle(window);
  HWND child = CreateWindowExW(0, L"Button", L"b", WS_CHILD | BS_PUSHBUTTON, 0, 0, 10, 10, main, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  button = RegisterGadget(kAnyNumber, child);
  RuntimeEvent event{};
  while (WindowEvent(&event) != kEventNone) {
  }
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(child));
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(42, 0), 0);
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(WindowEvent(&event), kEventGadget);
  EXPECT_EQ(event.window, window);
  EXPECT_EQ(event.item, button);
  EXPECT_EQ(event.type, BN_CLICKED);
  ASSERT_EQ(WindowEvent(&event), kEventMenu);
  EXPECT_EQ(event.item, 42);
  ASSERT_EQ(WindowEvent(&event), kEventCloseWindow);
  EXPECT_TRUE(IsWindow(main)) << "closing is the program's decision";
  EXPECT_EQ(WindowEvent(&event), kEventNone);
}

TEST(RuntimeServices, ImagesAndVersion) {
  HBITMAP image = CreateImage24(7, 5);
  ASSERT_NE(image, nullptr);
  BITMAP info{};
  GetObjectW(image, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 7);
  EXPECT_EQ(info.bmBitsPixel, 24);
  DeleteObject(image);
  EXPECT_EQ(CreateImage24(0, 5), nullptr);
  EXPECT_GE(OSVersion(), 500);
}

}  // namespace
