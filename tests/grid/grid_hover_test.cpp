// The mouse over the grid: cursor shapes, the hot (link) cell, tooltips asked
// from the owner, and the header's resizing, dragging and drawing.
#include <windows.h>

#include <commctrl.h>

#include "runtime/runtime.h"
#include "tests/grid/grid_fixture.h"

namespace {

using Events = std::vector<SeenEvent>;

// The recording owner, with link cells, tooltip answers and header looks.
struct HoverAnswers {
  std::map<std::pair<int, int>, int> links;
  std::map<std::pair<int, int>, std::wstring> tips;
  intptr_t tipIcon = 0;
  int resizeAnswer = 1;
  intptr_t headerDirection = 0;
  COLORREF headerFrom = kGridNoColour, headerTo = kGridNoColour;
} answers;

int32_t HoverOwner(intptr_t value, int32_t code, GridCellEvent* event) {
  int32_t answer = RecordingOwner(value, code, event);
  switch (code) {
    case GridEvent::QueryCellType:
      if (answers.links.count({event->row, event->column})) event->isLink = 1;
      return answer;
    case GridEvent::TooltipRequest: {
      auto found = answers.tips.find({event->row, event->column});
      if (found == answers.tips.end()) return 0;
      event->text = found->second;
      event->extra = answers.tipIcon;
      return 1;
    }
    case GridEvent::ColumnResizing:
      return answers.resizeAnswer;
    case GridEvent::QueryCellColours:
      if (event->row == -1) {
        event->extra = answers.headerDirection;
        event->gradientFrom = answers.headerFrom;
        event->gradientTo = answers.headerTo;
        event->textColour = RGB(0, 0, 0);
      }
      return answer;
    default:
      return answer;
  }
}

// What the grid tells the tooltip, seen on its way (Wine's tooltip does not
// answer TTM_GETTITLE).
struct TitleSeen {
  std::wstring text;
  WPARAM icon = 0;
  int count = 0;
} titleSeen;

LRESULT CALLBACK WatchTitles(int code, WPARAM wParam, LPARAM lParam) {
  auto* call = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == TTM_SETTITLEW) {
    titleSeen.text = reinterpret_cast<const wchar_t*>(call->lParam);
    titleSeen.icon = call->wParam;
    ++titleSeen.count;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class GridHoverTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    answers = HoverAnswers{};
  }
  void MakeHoverGrid(int columns, int rows, uint32_t gridFlags = 0) {
    MakeGrid(columns, rows, gridFlags);
    grid_SetCallback(grid, HoverOwner);
    UpdateWindow(List());
    owner.seen.clear();
  }
  HWND List() const { return record()->listWindow; }
  // The mouse over a cell, and the list asked for its cursor.
  HCURSOR Hover(int row, int column) {
    RECT cell = Cell(row, column);
    POINT at{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    ClientToScreen(List(), &at);
    SetCursorPos(at.x, at.y);
    SendMessageW(List(), WM_SETCURSOR, reinterpret_cast<WPARAM>(List()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  }
  RECT Dirty() const {
    RECT update{};
    GetUpdateRect(List(), &update, FALSE);
    return update;
  }
  LRESULT HeaderNotify(UINT code, int item) {
    NMHEADERW notification{};
    notification.hdr.hwndFrom = record()->headerWindow;
    notification.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(record()->headerWindow));
    notification.hdr.code = code;
    notification.iItem = item;
    return SendMessageW(List(), WM_NOTIFY, notification.hdr.idFrom, reinterpret_cast<LPARAM>(&notification));
  }
};

TEST_F(GridHoverTest, ALinkCellTurnsHotWithOneRedrawAndLeavingRedrawsItBack) {
  MakeHoverGrid(3, 3);
  answers.links[{1, 1}] = 1;
  owner.cells[{2, 2}] = CellLook(GridCell::PlainText);
  ValidateRect(List(), nullptr);
  EXPECT_EQ(Hover(1, 1), LoadCursorW(nullptr, IDC_HAND));
  EXPECT_EQ(record()->hotRow, 1);
  RECT dirty = Dirty();
  RECT cell = Cell(1, 1);
  EXPECT_EQ(dirty.top, cell.top);
  EXPECT_EQ(dirty.left, cell.left);
  ValidateRect(List(), nullptr);
  Hover(1, 1);  // still there: no second redraw
  EXPECT_TRUE(IsRectEmpty(&(dirty = Dirty())));

  SendMessageW(List(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(record()->hotRow, -1);
  dirty = Dirty();
  EXPECT_EQ(dirty.top, cell.top);

  // Plain text (type 2) is always a link; another cell clears the hot one.
  EXPECT_EQ(Hover(2, 2), LoadCursorW(nullptr, IDC_HAND));
  EXPECT_EQ(record()->hotRow, 2);
  EXPECT_NE(Hover(0, 0), LoadCursorW(nullptr, IDC_HAND));
  EXPECT_EQ(record()->hotRow, -1);
}

TEST_F(GridHoverTest, TheCurrentTextCellShowsTheIBeamAndNoTooltip) {
  MakeHoverGrid(3, 3, kGridTooltips);
  answers.tips[{1, 1}] = L"tip";
  grid_SetCurrentCell(grid, 1, 1, 0, 1);
  owner.seen.clear();
  EXPECT_EQ(Hover(1, 1), LoadCursorW(nullptr, IDC_IBEAM));
  EXPECT_TRUE(owner.Only({GridEvent::TooltipRequest}).empty());
  EXPECT_EQ(record()->tooltipWindow, nullptr);
}

TEST_F(GridHoverTest, TooltipsCarryTitleAndIconAndAreAskedOncePerCell) {
  MakeHoverGrid(3, 3, kGridTooltips);
  answers.tips[{0, 1}] = L"Title\x07" L"Body text";
  answers.tips[{2, 2}] = L"Plain";
  answers.tipIcon = TTI_INFO;
  titleSeen = TitleSeen{};
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchTitles, nullptr, GetCurrentThreadId());
  Hover(0, 1);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(titleSeen.text, L"Title");
  EXPECT_EQ(titleSeen.icon, static_cast<WPARAM>(TTI_INFO));
  HWND tip = record()->tooltipWindow;
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(grid_RecordFromWindow(tip), record());
  wchar_t body[64] = {};
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = parent;
  tool.uId = reinterpret_cast<UINT_PTR>(List());
  tool.lpszText = body;
  SendMessageW(tip, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(body, L"Body text");

  Hover(0, 1);
  EXPECT_EQ(owner.Only({GridEvent::TooltipRequest}).size(), 1u) << "same cell: not asked again";
  Hover(1, 0);  // no tip there: the old one goes, none is made
  EXPECT_EQ(record()->tooltipWindow, nullptr);
  EXPECT_FALSE(IsWindow(tip));
  titleSeen = TitleSeen{};
  hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchTitles, nullptr, GetCurrentThreadId());
  Hover(2, 2);
  UnhookWindowsHookEx(hook);
  ASSERT_NE(record()->tooltipWindow, nullptr);
  EXPECT_EQ(titleSeen.count, 0) << "no title without 0x07";

  // TTN_POP from the tooltip: destroyed after its notification, not inside.
  tip = record()->tooltipWindow;
  NMHDR pop{tip, 0, static_cast<UINT>(TTN_POP)};
  SendMessageW(parent, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&pop));
  EXPECT_TRUE(IsWindow(tip));
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_FALSE(IsWindow(tip));
  EXPECT_EQ(record()->tooltipWindow, nullptr);
}

TEST_F(GridHoverTest, ResizingIsTheOwnersPerColumnAndNobodysWithoutStyle1) {
  MakeHoverGrid(3, 3);
  EXPECT_EQ(HeaderNotify(HDN_BEGINTRACKW, 1), 1);
  EXPECT_TRUE(owner.Only({GridEvent::ColumnResizing}).empty());
  grid_Free(grid);

  MakeHoverGrid(3, 3, kGridResizableColumns);
  EXPECT_EQ(HeaderNotify(HDN_BEGINTRACKW, 0), 1) << "the placeholder never";
  EXPECT_EQ(HeaderNotify(HDN_BEGINTRACKW, 2), 0);
  EXPECT_EQ(record()->resizingHeaderItem, 2);
  answers.resizeAnswer = 0;
  EXPECT_EQ(HeaderNotify(HDN_BEGINTRACKW, 1), 1);
  EXPECT_EQ(owner.Only({GridEvent::ColumnResizing}),
            (Events{{GridEvent::ColumnResizing, -1, 1}, {GridEvent::ColumnResizing, -1, 0}}));

  // Dragging columns needs the list view's header drag-and-drop.
  EXPECT_EQ(HeaderNotify(HDN_BEGINDRAG, 1), 1);
  SendMessageW(List(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_HEADERDRAGDROP, LVS_EX_HEADERDRAGDROP);
  EXPECT_EQ(HeaderNotify(HDN_BEGINDRAG, 2), 0);
  EXPECT_EQ(record()->draggedHeaderItem, 2);
}

// The header drawn into a DIB: a flat item's gradient, and a vertical title.
TEST_F(GridHoverTest, AFlatHeaderDrawsItsGradientAndVerticalTitles) {
  MakeHoverGrid(2, 2, kGridFlatHeader);
  grid_SetHeaderHeight(grid, 60);
  HDITEMW title{};
  title.mask = HDI_TEXT;
  title.pszText = const_cast<wchar_t*>(L"WWWWW");
  SendMessageW(record()->headerWindow, HDM_SETITEMW, 2, reinterpret_cast<LPARAM>(&title));
  answers.headerFrom = RGB(255, 0, 0);
  answers.headerTo = RGB(0, 0, 255);
  answers.headerDirection = 2;
  Picture header = Render(record()->headerWindow);
  RECT item{};
  SendMessageW(record()->headerWindow, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  COLORREF top = header.At(item.left + 3, item.top + 2);
  COLORREF bottom = header.At(item.left + 3, item.bottom - 4);
  EXPECT_GT(GetRValue(top), 200);
  EXPECT_LT(GetBValue(top), 60);
  EXPECT_GT(GetBValue(bottom), 200);
  EXPECT_LT(GetRValue(bottom), 60);

  // The vertical title: dark pixels in a narrow column through the middle,
  // reaching up from the bottom.
  RECT second{};
  SendMessageW(record()->headerWindow, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&second));
  int darkRows = 0, lowest = -1, highest = 1000;
  for (int y = second.top + 2; y < second.bottom - 2; ++y)
    for (int x = second.left + 2; x < second.right - 2; ++x) {
      COLORREF c = header.At(x, y);
      if (GetRValue(c) < 60 && GetGValue(c) < 60 && GetBValue(c) < 60) {
        ++darkRows;
        lowest = std::max(lowest, y);
        highest = std::min(highest, y);
        break;
      }
    }
  EXPECT_GT(darkRows, 15) << "a title standing upright is taller than it is wide";
  EXPECT_GT(lowest, second.bottom - 15);
}

}  // namespace
