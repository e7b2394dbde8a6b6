// The "Info" tab of the real main window: the property box with the server's
// settings, filled by SetInfoValue as the protocol client does.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/event_loop.h"
#include "app/images.h"
#include "app/info_view.h"
#include "app/containers.h"
#include "app/main_window.h"
#include "grid/grid.h"
#include "net/shell.h"
#include "propbox/propbox.h"
#include "propbox/propbox_private.h"
#include "runtime/runtime.h"

namespace {

class InfoViewTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(LoadEmbeddedImages());
    ASSERT_NE(CreateMainWindow(GetModuleHandleW(nullptr)), nullptr);
    Pump();
  }
  static void Pump(int passes = 20) {
    for (int i = 0; i < passes; ++i) RunOneEventLoopPass(5);
  }
  static int Box() { return InfoViewGadget(); }
  static HWND BoxWindow() { return GadgetWindow(Box()); }
};

TEST_F(InfoViewTest, TheTabShowsTheTwentySixRowsEmptyAndExpanded) {
  ASSERT_GE(Box(), 0);
  EXPECT_EQ(GetParent(BoxWindow()), InfoPanel());
  ASSERT_EQ(PropertyBox_CountRows(Box()), 26);
  ASSERT_EQ(grid_CountRows(Box()), 26);
  const std::vector<std::wstring> headings{L"General", L"Mission info", L"Battleye"};
  EXPECT_EQ(PropertyBox_GetText(Box(), 0, 1), L"General");
  EXPECT_EQ(PropertyBox_GetText(Box(), 15, 1), L"Mission info");
  EXPECT_EQ(PropertyBox_GetText(Box(), 21, 1), L"Battleye");
  EXPECT_EQ(PropertyBox_GetText(Box(), 1, 1), L"Host Name");
  EXPECT_EQ(PropertyBox_GetText(Box(), 19, 1), L"Difficulty");
  EXPECT_EQ(PropertyBox_GetText(Box(), 14, 1), L"Players");
  EXPECT_EQ(PropertyBox_GetText(Box(), 25, 1), L"Players");
  for (int i = 0; i < 26; ++i) {
    EXPECT_EQ(PropertyBox_GetText(Box(), i, 2), L"") << i;
    EXPECT_EQ(PropertyBox_GetCollapsed(Box(), i), 0) << i;
  }
  // The map holds the box's indices.
  EXPECT_EQ(InfoRows.Find("hostname"), 1);
  EXPECT_EQ(InfoRows.Find("mission"), 16);
  EXPECT_EQ(InfoRows.Find("players"), 14);
  EXPECT_EQ(InfoRows.Find("BE_PLAYERS"), 25);
  EXPECT_EQ(InfoRows.Find("no such key"), 0);
}

TEST_F(InfoViewTest, SetInfoValueWritesTheValueColumnAndUnknownKeysChangeNothing) {
  SetInfoValue("hostname", "Demo \xC3\xA9t\xC3\xA9 server");
  SetInfoValue("BE_PLAYERS", "3");
  EXPECT_EQ(PropertyBox_GetText(Box(), 1, 2), L"Demo \u00e9t\u00e9 server");
  EXPECT_EQ(grid_GetCellText(Box(), 2, 1), L"Demo \u00e9t\u00e9 server");
  EXPECT_EQ(grid_GetCellText(Box(), 2, 25), L"3");

  std::vector<std::wstring> before;
  for (int i = 0; i < 26; ++i) before.push_back(PropertyBox_GetText(Box(), i, 2));
  SetInfoValue("no such key", "x");
  SetInfoValue("", "into a heading?");
  for (int i = 0; i < 26; ++i) EXPECT_EQ(PropertyBox_GetText(Box(), i, 2), before[i]) << i;

  // A value far longer than its cell is kept whole and drawn cut.
  std::string longName(3000, 'n');
  SetInfoValue("mod", longName);
  EXPECT_EQ(PropertyBox_GetText(Box(), 6, 2).size(), 3000u);
  UpdateWindow(BoxWindow());
}

TEST_F(InfoViewTest, CollapsingGeneralHidesItsFourteenRowsOnly) {
  PropertyBox_SetCollapsed(Box(), 0, 1);
  EXPECT_EQ(grid_CountRows(Box()), 12);
  EXPECT_EQ(grid_GetCellText(Box(), 1, 1), L"Mission info");
  PropertyBox_SetCollapsed(Box(), 0, 0);
  EXPECT_EQ(grid_CountRows(Box()), 26);
  EXPECT_EQ(grid_GetCellText(Box(), 1, 1), L"Host Name");
}

int Width(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return r.right - r.left;
}

int Height(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return r.bottom - r.top;
}

// Raises a grid event at the box as its grid would.
int32_t Raise(int box, int32_t code, int row, int column, intptr_t extra = 0) {
  GridCellEvent event;
  event.row = row;
  event.column = column;
  event.extra = extra;
  return PropertyBoxGridEvent(box, code, &event);
}

TEST_F(InfoViewTest, NothingInTheTabCanBeEditedDeletedCopiedOrPastedButItsGroupsFold) {
  for (int row = 0; row < grid_CountRows(Box()); ++row) {
    for (int column = 1; column <= 2; ++column) {
      GridCellEvent type;
      type.row = row;
      type.column = column;
      PropertyBoxGridEvent(Box(), GridEvent::QueryCellType, &type);
      EXPECT_EQ(type.cellType, GridCell::StaticText) << row << "," << column;
    }
    EXPECT_EQ(Raise(Box(), GridEvent::DeleteKey, row, 2), 0) << row;
  }
  for (intptr_t action : {0, 1, 2}) EXPECT_EQ(Raise(Box(), GridEvent::Clipboard, 1, 2, action), 0);

  // A double click on a heading's text folds its group and unfolds it again.
  Raise(Box(), GridEvent::DoubleClick, 15, 1);
  EXPECT_EQ(grid_CountRows(Box()), 21);
  EXPECT_EQ(grid_GetCellText(Box(), 1, 16), L"Battleye");
  Raise(Box(), GridEvent::DoubleClick, 15, 2);
  ASSERT_EQ(grid_CountRows(Box()), 26);
  EXPECT_EQ(grid_GetCellText(Box(), 1, 16), L"Mission Name");
}

TEST_F(InfoViewTest, TheBoxFollowsTheTabPanelWhenTheSplitterMovesOrIsResized) {
  HWND tabs = MainTabs();
  SendMessageW(tabs, TCM_SETCURSEL, 2, 0);
  NMHDR change{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(GetParent(tabs), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
  Pump();
  ASSERT_TRUE(IsWindowVisible(BoxWindow()));
  auto expectFollows = [&] {
    EXPECT_EQ(Width(BoxWindow()), Width(tabs) - 10);
    EXPECT_EQ(Height(BoxWindow()), Height(tabs) - 25);
  };
  expectFollows();
  const int heightBefore = Height(BoxWindow());
  HWND splitter = MainSplitter();
  SplitterSetPosition(splitter, SplitterPosition(splitter) - 40);
  Pump();
  EXPECT_EQ(Height(BoxWindow()), heightBefore - 40);
  expectFollows();

  // The splitter made wider, as a larger main window would.
  const int valueBefore = static_cast<int>(SendMessageW(BoxWindow(), LVM_GETCOLUMNWIDTH, 3, 0));
  RECT placed;
  GetWindowRect(splitter, &placed);
  SetWindowPos(splitter, nullptr, 0, 0, placed.right - placed.left + 120, placed.bottom - placed.top,
               SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  expectFollows();
  EXPECT_EQ(SendMessageW(BoxWindow(), LVM_GETCOLUMNWIDTH, 3, 0), valueBefore + 120) << "the value column fills";
}

}  // namespace
