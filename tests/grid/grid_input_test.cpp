// The grid's mouse and keyboard input, driven with real messages; the
// owner's events are recorded and compared with the expected sequences.
#include <windows.h>

#include <climits>
#include <functional>

#include "runtime/runtime.h"
#include "tests/grid/grid_fixture.h"

namespace {

using Events = std::vector<SeenEvent>;
constexpr int32_t kCellChanging = GridEvent::CellChanging;

// Extra hooks on top of the recording owner: the reasons of moves and a
// place to act inside an event (redirect a move, free the grid).
std::function<void(int32_t code, GridCellEvent* event)> inside;

int32_t InputOwner(intptr_t value, int32_t code, GridCellEvent* event) {
  int32_t answer = RecordingOwner(value, code, event);
  switch (code) {
    case GridEvent::CellChanging:
    case GridEvent::Clipboard:
    case GridEvent::LeftClick:
    case GridEvent::ColumnsChanged:
    case GridEvent::RightClick:
    case GridEvent::RightButtonDown:
      owner.seen.back().extra = event->extra;
      break;
    default:
      break;
  }
  if (inside) inside(code, event);
  return answer;
}

// The modifiers as the grid reads them for the message it handles.
void HoldKeys(std::initializer_list<int> keys) {
  BYTE state[256] = {};
  for (int key : keys) state[key] = 0x80;
  SetKeyboardState(state);
}

class GridInputTest : public GridTest {
 public:
  GridRecord* Record() const { return record(); }
  int Grid() const { return grid; }
  void SetUp() override {
    GridTest::SetUp();
    inside = nullptr;
    HoldKeys({});
  }
  void TearDown() override {
    inside = nullptr;
    HoldKeys({});
    GridTest::TearDown();
  }
  void MakeInputGrid(int columns, int rows, uint32_t gridFlags = 0) {
    MakeGrid(columns, rows, gridFlags);
    grid_SetCallback(grid, InputOwner);
    owner.seen.clear();
  }
  HWND List() const { return record()->listWindow; }
  void Key(int key, std::initializer_list<int> held = {}) {
    HWND list = List();
    HoldKeys(held);
    SendMessageW(list, WM_KEYDOWN, static_cast<WPARAM>(key), 1);
    SendMessageW(list, WM_KEYUP, static_cast<WPARAM>(key), 0xC0000001);
    HoldKeys({});
  }
  std::pair<int, int> Current() const { return {grid_GetCurrentRow(grid), grid_GetCurrentColumn(grid)}; }
  POINT Middle(int row, int column) const {
    RECT cell = Cell(row, column);
    return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  }
  void Click(POINT at, UINT message = WM_LBUTTONDOWN, WPARAM keys = MK_LBUTTON) {
    SendMessageW(List(), message, keys, MAKELPARAM(at.x, at.y));
  }
  void Release(POINT at) { SendMessageW(List(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y)); }
  void PointAt(POINT at) {
    ClientToScreen(List(), &at);
    SetCursorPos(at.x, at.y);
  }
  std::vector<int> Selection() const {
    int32_t s[4] = {};
    grid_GetSelection(grid, s);
    return {s[0], s[1], s[2], s[3]};
  }
};

TEST_F(GridInputTest, TabWalksTheVisualColumnsAndWrapsRoundTheGrid) {
  MakeInputGrid(3, 2);
  // Visual order 0, 2, 1 (list columns 0 placeholder, then 1, 3, 2).
  int order[4] = {0, 1, 3, 2};
  SendMessageW(List(), LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));
  record()->columnsChanged = 1;
  grid_SetCurrentCell(grid, 2, 1, 0, 1);
  owner.seen.clear();

  GridRecord* r = record();
  EXPECT_EQ(TabToNextCell(r), 1);
  EXPECT_EQ(Current(), std::make_pair(1, 1));
  EXPECT_EQ(TabToNextCell(r), 1);  // past the last row: round to row 0
  EXPECT_EQ(Current(), std::make_pair(0, 0));
  HoldKeys({VK_SHIFT});
  EXPECT_EQ(TabToNextCell(r), 1);  // back from row 0: the last row's last column
  EXPECT_EQ(Current(), std::make_pair(1, 1));
  EXPECT_EQ(TabToNextCell(r), 1);
  EXPECT_EQ(Current(), std::make_pair(1, 2));
  HoldKeys({});

  Events expected{{kCellChanging, 1, 1, 1}, {kCellChanging, 0, 0, 1}, {kCellChanging, 1, 1, 2},
                  {kCellChanging, 1, 2, 2}};
  EXPECT_EQ(owner.Only({kCellChanging}), expected);

  owner.cellChangingAnswer = 0;
  EXPECT_EQ(TabToNextCell(r), 0);
  EXPECT_EQ(Current(), std::make_pair(1, 2));
}

TEST_F(GridInputTest, AnOwnerThatRedirectsOrFreesOnAMoveIsFollowed) {
  MakeInputGrid(3, 4);
  grid_SetCurrentCell(grid, 0, 0, 0, 1);
  inside = [](int32_t code, GridCellEvent* event) {
    if (code == kCellChanging) event->row = 3;
  };
  EXPECT_EQ(TabToNextCell(record()), 1);
  EXPECT_EQ(Current(), std::make_pair(3, 1));

  int number = grid;
  inside = [number](int32_t code, GridCellEvent*) {
    if (code == kCellChanging) grid_Free(number);
  };
  EXPECT_EQ(TabToNextCell(record()), 0);
  EXPECT_EQ(RecordFromGadget(number), nullptr);
}

// Extents up to INT_MAX mean "to the end"; they are clipped, not wrapped.
TEST_F(GridInputTest, HugeBlockExtentsAreClippedToTheGrid) {
  MakeInputGrid(3, 4);
  EXPECT_EQ(CopySelection(grid, 1, 0, INT_MAX, 1), 2);
  EXPECT_EQ(CopySelection(grid, 0, 2, 1, INT_MAX), 2);
  EXPECT_EQ(CopySelection(grid, 2, 3, INT_MIN, INT_MIN), 12);
  EXPECT_EQ(ClearBlock(grid, 1, 1, INT_MAX, INT_MAX), 6);

  GridRecord* r = record();
  r->selectionState = 1;
  r->selCol = 1;
  r->selRow = 1;
  r->selCols = INT_MAX;
  r->selRows = INT_MAX;
  GridCellEvent cell;
  cell.row = 3;
  cell.column = 2;
  ApplySelectionLook(r, &cell);
  EXPECT_EQ(r->cellSelected, 1);
  EXPECT_EQ(r->selCols, 2) << "the extent the block really shows";
  cell.row = 0;
  ApplySelectionLook(r, &cell);
  EXPECT_EQ(r->cellSelected, 0);
}

TEST_F(GridInputTest, NarrowingModesInventNoBlock) {
  MakeInputGrid(3, 4);
  for (int mode : {1, 2}) {
    grid_SetAttribute(grid, kGridSelectionMode, mode);
    int32_t selection[4] = {};
    grid_GetSelection(grid, selection);
    EXPECT_EQ(selection[0], -1) << "mode " << mode;
  }
  // With a block the mode narrows it to the focus line.
  grid_SetAttribute(grid, kGridSelectionMode, 0);
  GridRecord* r = record();
  r->selectionState = 2;
  r->selCol = r->focusCol = 1;
  r->selRow = r->focusRow = 1;
  r->selCols = 2;
  r->selRows = -2;
  grid_SetAttribute(grid, kGridSelectionMode, 1);
  int32_t selection[4] = {};
  grid_GetSelection(grid, selection);
  EXPECT_EQ(selection[2], 1);
  EXPECT_EQ(selection[3], -2);
}

TEST_F(GridInputTest, ClicksReachCellsOnlyAndMoveWithReasonZero) {
  MakeInputGrid(3, 3);
  // Below the last row: nothing at all, and the list view never selects.
  RECT last = Cell(2, 1);
  Click({last.left + 5, last.bottom + 10});
  Release({last.left + 5, last.bottom + 10});
  EXPECT_TRUE(owner.seen.empty());
  EXPECT_EQ(Current(), std::make_pair(-1, -1));

  // Full-row selection on the list view must not hide which cell was hit.
  EXPECT_TRUE(SendMessageW(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
  Click(Middle(1, 2));
  Release(Middle(1, 2));
  Events expected{{GridEvent::LeftClick, 1, 2, MK_LBUTTON}, {GridEvent::QueryCellType, 1, 2},
                  {kCellChanging, 1, 2, 0}};
  Events seen = owner.Only({GridEvent::LeftClick, GridEvent::QueryCellType, kCellChanging});
  if (seen.size() > expected.size()) seen.erase(seen.begin() + static_cast<long>(expected.size()), seen.end());
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(Current(), std::make_pair(1, 2));
  EXPECT_EQ(GetFocus(), List());
  EXPECT_EQ(SendMessageW(List(), LVM_GETSELECTEDCOUNT, 0, 0), 0);

  // Refused: nothing moves.
  owner.cellChangingAnswer = 0;
  Click(Middle(0, 0));
  Release(Middle(0, 0));
  EXPECT_EQ(Current(), std::make_pair(1, 2));

  // A second click on the current text cell goes to its editor.
  owner.cellChangingAnswer = 1;
  SetFocus(List());
  owner.seen.clear();
  Click(Middle(1, 2));
  EXPECT_EQ(GetFocus(), record()->editWindow);
  EXPECT_TRUE(owner.Only({kCellChanging}).empty());
  ReleaseCapture();
}

TEST_F(GridInputTest, EveryKeyMoveCarriesItsReason) {
  MakeInputGrid(4, 30);
  grid_SetCurrentCell(grid, 1, 10, 0, 1);
  owner.seen.clear();
  const int page = static_cast<int>(SendMessageW(List(), LVM_GETCOUNTPERPAGE, 0, 0));
  ASSERT_GT(page, 1);
  Key(VK_LEFT);
  Key(VK_RIGHT);
  Key(VK_UP);
  Key(VK_DOWN);
  Key(VK_NEXT);
  Key(VK_PRIOR);
  Key(VK_END, {VK_CONTROL});
  Key(VK_HOME, {VK_CONTROL});
  Key(VK_HOME);  // without Ctrl: nothing
  Key(VK_UP);    // row 0: nothing
  Key(VK_LEFT);  // first column: nothing
  Events expected{{kCellChanging, 10, 0, 3},         {kCellChanging, 10, 1, 4},
                  {kCellChanging, 9, 1, 5},          {kCellChanging, 10, 1, 6},
                  {kCellChanging, 10 + page, 1, 7},  {kCellChanging, 10, 1, 8},
                  {kCellChanging, 29, 3, 10},        {kCellChanging, 0, 0, 9}};
  EXPECT_EQ(owner.Only({kCellChanging}), expected);
  EXPECT_EQ(Current(), std::make_pair(0, 0));

  owner.cellChangingAnswer = 2;
  Key(VK_DOWN);
  EXPECT_EQ(Current(), std::make_pair(0, 0));
  owner.cellChangingAnswer = 1;
  // An owner that changes the row moves the cell there.
  inside = [](int32_t code, GridCellEvent* event) {
    if (code == kCellChanging) event->row = 5;
  };
  Key(VK_DOWN);
  EXPECT_EQ(Current(), std::make_pair(5, 0));
}

TEST_F(GridInputTest, CtrlArrowsSkipEmptyCellsAndStopAtTheEdge) {
  MakeInputGrid(4, 6);
  for (int r = 1; r < 6; ++r) grid_SetCellText(grid, 0, r, L"");
  grid_SetCellText(grid, 0, 3, L"x");
  grid_SetCellText(grid, 1, 0, L"");
  grid_SetCellText(grid, 2, 0, L"");
  grid_SetCurrentCell(grid, 0, 0, 0, 1);
  Key(VK_DOWN, {VK_CONTROL});
  EXPECT_EQ(Current(), std::make_pair(3, 0));
  Key(VK_DOWN, {VK_CONTROL});
  EXPECT_EQ(Current(), std::make_pair(5, 0)) << "all empty below: the last row";
  Key(VK_UP, {VK_CONTROL});
  EXPECT_EQ(Current(), std::make_pair(3, 0));
  grid_SetCurrentCell(grid, 0, 0, 0, 1);
  Key(VK_RIGHT, {VK_CONTROL});
  EXPECT_EQ(Current(), std::make_pair(0, 3));
}

TEST_F(GridInputTest, ShiftArrowsGrowTheBlockAndNeverMakeAZeroExtent) {
  MakeInputGrid(4, 6);
  grid_SetCurrentCell(grid, 1, 2, 0, 1);
  Key(VK_DOWN, {VK_SHIFT});
  EXPECT_EQ(Current(), std::make_pair(-1, -1)) << "the block ends the edit";
  EXPECT_EQ(Selection(), (std::vector<int>{1, 2, 1, 2}));
  Key(VK_UP, {VK_SHIFT});
  EXPECT_EQ(Selection(), (std::vector<int>{1, 2, 1, 1}));
  Key(VK_UP, {VK_SHIFT});
  EXPECT_EQ(Selection(), (std::vector<int>{1, 2, 1, -2}));
  Key(VK_LEFT, {VK_SHIFT});
  EXPECT_EQ(Selection(), (std::vector<int>{1, 2, -2, -2}));
  Key(VK_LEFT, {VK_SHIFT});  // past the first column: unchanged
  EXPECT_EQ(Selection(), (std::vector<int>{1, 2, -2, -2}));
  Key(VK_END, {VK_SHIFT});
  EXPECT_EQ(Selection(), (std::vector<int>{1, 2, 3, 4}));
  Key(VK_NEXT, {VK_SHIFT});
  EXPECT_EQ(Selection(), (std::vector<int>{1, 2, 3, 4})) << "stops at the last row";
  Key(VK_ESCAPE);
  EXPECT_EQ(Current(), std::make_pair(2, 1)) << "Escape: the start cell";
  EXPECT_EQ(Selection()[0], -1);
}

TEST_F(GridInputTest, SelectionModesNeverGrowTheWayTheyForbid) {
  MakeInputGrid(4, 6);
  for (int mode : {1, 2, 3}) {
    grid_SetAttribute(grid, kGridSelectionMode, mode);
    grid_SetCurrentCell(grid, 1, 2, 0, 1);
    for (int key : {VK_DOWN, VK_RIGHT, VK_UP, VK_LEFT, VK_END, VK_HOME, VK_NEXT}) Key(key, {VK_SHIFT});
    Key('A', {VK_CONTROL});
    std::vector<int> block = Selection();
    if (mode == 1) EXPECT_EQ(block[2], 1) << "mode 1 never sideways";
    if (mode == 2) EXPECT_EQ(block[3], 1) << "mode 2 never up or down";
    if (mode == 3) EXPECT_EQ(Current(), std::make_pair(2, 1)) << "mode 3 never a block";
    if (mode == 1) EXPECT_EQ(block[3], 6) << "Ctrl+A: the whole column";
    if (mode == 2) EXPECT_EQ(block[2], 4) << "Ctrl+A: the whole row";
  }
}

TEST_F(GridInputTest, CheckBoxesToggleInPlaceOrThroughTheOwner) {
  MakeInputGrid(3, 3);
  owner.cells[{1, 1}] = CellLook(GridCell::CheckBox, RGB(255, 255, 255), 0, L"yes/no");
  owner.cells[{2, 1}] = CellLook(GridCell::CheckBox, RGB(255, 255, 255), 0, L"yes/no");
  grid_SetCellText(grid, 1, 1, L"yes");
  grid_SetCellText(grid, 1, 2, L"no");
  grid_SetCurrentCell(grid, 0, 0, 0, 1);
  owner.seen.clear();
  Click(Middle(1, 1));
  EXPECT_EQ(Current(), std::make_pair(0, 0)) << "the current cell stays";
  EXPECT_EQ(owner.Only({GridEvent::TextChanged, kCellChanging}),
            (Events{{GridEvent::TextChanged, 1, 1, 0, L"no"}}));
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"no");
  owner.textChangedAnswer = 0;
  Click(Middle(1, 1));
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"no") << "refused";
  owner.textChangedAnswer = 1;

  // The current check box flips at once; Space does the same.
  grid_SetCurrentCell(grid, 1, 2, 0, 1);
  owner.seen.clear();
  Click(Middle(2, 1));
  EXPECT_EQ(grid_GetCellText(grid, 1, 2), L"yes");
  Key(VK_SPACE);
  EXPECT_EQ(grid_GetCellText(grid, 1, 2), L"no");
  EXPECT_TRUE(owner.Only({GridEvent::TextChanged}).empty());
}

TEST_F(GridInputTest, AButtonReleasedAwayRaisesNothingAndBackOverPressesAgain) {
  MakeInputGrid(3, 3);
  owner.cells[{1, 1}] = CellLook(GridCell::Button);
  grid_SetCellText(grid, 1, 1, L"Go");
  Click(Middle(1, 1));
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"Go\\+");
  EXPECT_EQ(GetCapture(), List());
  EXPECT_EQ(Current(), std::make_pair(-1, -1));
  POINT away = Middle(0, 0);
  SendMessageW(List(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(away.x, away.y));
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"Go");
  SendMessageW(List(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(Middle(1, 1).x, Middle(1, 1).y));
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"Go\\+");
  SendMessageW(List(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(away.x, away.y));
  Release(away);
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"Go");
  EXPECT_TRUE(owner.Only({GridEvent::ButtonPressed}).empty());
  EXPECT_NE(GetCapture(), List());

  Click(Middle(1, 1));
  Release(Middle(1, 1));
  EXPECT_EQ(owner.Only({GridEvent::ButtonPressed}), (Events{{GridEvent::ButtonPressed, 1, 1}}));
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"Go");

  // A button too big for its cell cannot be pressed.
  owner.cells[{1, 1}].width = 200;
  Click(Middle(1, 1));
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"Go");
}

TEST_F(GridInputTest, ClipboardKeysRoundTripThroughTheRealClipboard) {
  MakeInputGrid(3, 4);
  grid_SetCurrentCell(grid, 0, 0, 0, 1);
  Key(VK_RIGHT, {VK_SHIFT});
  Key(VK_DOWN, {VK_SHIFT});
  Key('C', {VK_CONTROL});
  ASSERT_TRUE(OpenClipboard(List()));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
  if (data) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(copied, L"r0c0\tr0c1\r\nr1c0\tr1c1\r\n");

  Key('X', {VK_CONTROL});
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"");
  EXPECT_EQ(grid_GetCellText(grid, 2, 1), L"r1c2");

  grid_SetCurrentCell(grid, 1, 2, 0, 1);
  Key('V', {VK_CONTROL});
  EXPECT_EQ(grid_GetCellText(grid, 1, 2), L"r0c0");
  EXPECT_EQ(grid_GetCellText(grid, 2, 2), L"r0c1");
  EXPECT_EQ(grid_GetCellText(grid, 1, 3), L"r1c0");
  EXPECT_EQ(grid_GetCellText(grid, 2, 3), L"r1c1");
  Events clipboard = owner.Only({GridEvent::Clipboard});
  ASSERT_EQ(clipboard.size(), 3u);
  EXPECT_EQ(clipboard[0].extra, 0);
  EXPECT_EQ(clipboard[1].extra, 1);
  EXPECT_EQ(clipboard[2].extra, 2);

  // The owner may refuse: answer 0.
  inside = [](int32_t code, GridCellEvent*) {
    if (code == GridEvent::DeleteKey) owner.seen.back().extra = 99;
  };
  Key(VK_DELETE);
  EXPECT_EQ(grid_GetCellText(grid, 1, 2), L"") << "Delete clears through DeleteKey";
}

TEST_F(GridInputTest, ShiftTabKeepsTheFocusAndOtherwiseLosingItEndsTheEdit) {
  MakeInputGrid(3, 3);
  grid_SetCurrentCell(grid, 0, 0, 0, 1);
  HWND other = CreateWindowExW(0, L"Button", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  SetFocus(List());
  HoldKeys({VK_SHIFT, VK_TAB});
  SetFocus(other);
  HoldKeys({});
  EXPECT_EQ(GetFocus(), List());
  EXPECT_EQ(Current(), std::make_pair(0, 0));
  SetFocus(other);
  EXPECT_EQ(Current(), std::make_pair(-1, -1));
  DestroyWindow(other);
}

TEST_F(GridInputTest, ThumbDragsScrollOnlyOnReleaseWithStyle0x800) {
  MakeInputGrid(3, 60, kGridScrollOnThumbRelease);
  SendMessageW(List(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 20), 0);
  EXPECT_EQ(SendMessageW(List(), LVM_GETTOPINDEX, 0, 0), 0);
  SendMessageW(List(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 20), 0);
  EXPECT_EQ(SendMessageW(List(), LVM_GETTOPINDEX, 0, 0), 20);
  SendMessageW(List(), WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(SendMessageW(List(), LVM_GETTOPINDEX, 0, 0), 19);
  SendMessageW(List(), WM_VSCROLL, SB_ENDSCROLL, 0);
}

TEST_F(GridInputTest, TheColumnsChangedMessageAsksTheOwnerWithExtraTwo) {
  MakeInputGrid(2, 2);
  SendMessageW(List(), kGridColumnsChangedMessage, 0, 0);
  EXPECT_EQ(owner.seen, (Events{{GridEvent::ColumnsChanged, -1, -1, 2}}));
}

TEST_F(GridInputTest, KeysOnTheCurrentCellStepPercentagesAndCancelEdits) {
  MakeInputGrid(3, 3);
  owner.cells[{0, 2}] = CellLook(GridCell::Percentage);
  grid_SetCellText(grid, 2, 0, L"99");
  HWND list = List();

  grid_SetCurrentCell(grid, 2, 0, 0, 1);
  Key(VK_SPACE);
  Key(VK_SPACE);
  EXPECT_EQ(grid_GetCellText(grid, 2, 0), L"100") << "up to 100, no further";
  Key(VK_SPACE, {VK_CONTROL});
  EXPECT_EQ(grid_GetCellText(grid, 2, 0), L"99");

  grid_SetCurrentCell(grid, 0, 1, 0, 1);
  record()->editText = L"typed";
  SetCellTextRaw(record(), 1, 1, L"typed");
  Key(VK_ESCAPE);
  EXPECT_EQ(grid_GetCellText(grid, 0, 1), L"r1c0");
  EXPECT_EQ(Current(), std::make_pair(1, 0)) << "Escape cancels, the cell stays current";

  // Right clicks: nothing hit is reported as -10, -10.
  owner.seen.clear();
  SendMessageW(list, WM_RBUTTONUP, 0, MAKELPARAM(5, 270));
  SendMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(Middle(2, 2).x, Middle(2, 2).y));
  SendMessageW(list, WM_RBUTTONUP, 0, MAKELPARAM(Middle(2, 2).x, Middle(2, 2).y));
  EXPECT_EQ(owner.Only({GridEvent::RightClick, GridEvent::RightButtonDown}),
            (Events{{GridEvent::RightClick, -10, -10}, {GridEvent::RightButtonDown, 2, 2, MK_RBUTTON},
                    {GridEvent::RightClick, 2, 2}}));

  // Sorting ends the edit and drops the block.
  Key(VK_DOWN, {VK_SHIFT});
  SendMessageW(list, LVM_SORTITEMS, 0, 0);
  EXPECT_EQ(Selection()[0], -1);
  EXPECT_EQ(Current(), std::make_pair(-1, -1));
}

void PutOnClipboard(HWND owner, UINT format, const void* bytes, size_t size) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  memcpy(GlobalLock(memory), bytes, size);
  GlobalUnlock(memory);
  SetClipboardData(format, memory);
  CloseClipboard();
}

// Pasted text larger than the grid is clipped to it; a clipboard block
// without a final zero is read no further than the block; no text, no paste.
TEST_F(GridInputTest, PastingIsClippedToTheGridAndToTheClipboardsBlock) {
  MakeInputGrid(3, 2);
  grid_SetCurrentCell(grid, 1, 0, 0, 1);
  const wchar_t text[] = L"a\tb\tc\td\r\ne\tf\tg\th\r\ni\tj";
  PutOnClipboard(List(), CF_UNICODETEXT, text, (std::size(text) - 1) * sizeof(wchar_t));  // no final zero
  Key('V', {VK_CONTROL});
  EXPECT_EQ(grid_GetCellText(grid, 1, 0), L"a");
  EXPECT_EQ(grid_GetCellText(grid, 2, 0), L"b");
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"e");
  EXPECT_EQ(grid_GetCellText(grid, 2, 1), L"f");
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"r0c0");
  EXPECT_EQ(grid_CountRows(grid), 2);

  grid_SetCurrentCell(grid, 2, 1, 0, 1);
  const char picture[] = "not text";
  PutOnClipboard(List(), RegisterClipboardFormatW(L"QuorvelTestPicture"), picture, sizeof picture);
  Key('V', {VK_CONTROL});
  EXPECT_EQ(grid_GetCellText(grid, 2, 1), L"f");
}

// Each event the input raises may free the grid; the input stops there.
TEST_F(GridInputTest, AnOwnerFreeingTheGridInsideAnInputEventIsSurvived) {
  struct Case {
    int32_t code;
    std::function<void(GridInputTest*)> drive;
  };
  std::vector<Case> cases{
      {GridEvent::LeftClick, [](GridInputTest* t) { t->Click(t->Middle(1, 1)); }},
      {GridEvent::DoubleClick, [](GridInputTest* t) { t->Click(t->Middle(1, 1), WM_LBUTTONDBLCLK); }},
      {GridEvent::QueryCellType, [](GridInputTest* t) { t->Click(t->Middle(1, 1)); }},
      {kCellChanging, [](GridInputTest* t) { t->Click(t->Middle(1, 1)); }},
      {GridEvent::LeftButtonUp, [](GridInputTest* t) { t->Release(t->Middle(1, 1)); }},
      {GridEvent::RightButtonDown,
       [](GridInputTest* t) { SendMessageW(t->List(), WM_RBUTTONDOWN, 0, MAKELPARAM(5, 30)); }},
      {GridEvent::RightClick, [](GridInputTest* t) { SendMessageW(t->List(), WM_RBUTTONUP, 0, MAKELPARAM(5, 250)); }},
      {GridEvent::Clipboard, [](GridInputTest* t) { t->Key('C', {VK_CONTROL}); }},
      {GridEvent::DeleteKey, [](GridInputTest* t) { t->Key(VK_DELETE); }},
      {GridEvent::EditEnded, [](GridInputTest* t) { t->Key(VK_DOWN, {VK_SHIFT}); }},
      {GridEvent::ButtonPressed,
       [](GridInputTest* t) {
         owner.cells[{0, 2}] = CellLook(GridCell::Button);
         t->Click(t->Middle(0, 2));
         t->Release(t->Middle(0, 2));
       }},
      {GridEvent::TextChanged,
       [](GridInputTest* t) {
         owner.cells[{0, 2}] = CellLook(GridCell::CheckBox, RGB(255, 255, 255), 0, L"a/b");
         t->Click(t->Middle(0, 2));
       }},
      {GridEvent::ColumnResizing,
       [](GridInputTest* t) {
         NMHEADERW n{};
         n.hdr.hwndFrom = t->Record()->headerWindow;
         n.hdr.code = HDN_BEGINTRACKW;
         n.iItem = 1;
         SendMessageW(t->List(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
       }},
  };
  for (const Case& c : cases) {
    MakeInputGrid(3, 3, kGridResizableColumns);
    grid_SetCurrentCell(grid, 0, 0, 0, 1);
    int number = grid;
    int32_t code = c.code;
    bool freed = false;
    inside = [number, code, &freed](int32_t seen, GridCellEvent*) {
      if (seen == code && !freed) {
        freed = true;
        grid_Free(number);
      }
    };
    c.drive(this);
    inside = nullptr;
    EXPECT_TRUE(freed) << "event " << code;
    EXPECT_EQ(RecordFromGadget(number), nullptr) << "event " << code;
    if (GetCapture()) ReleaseCapture();
  }
}

void Pump(int milliseconds) {
  DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (static_cast<int>(end - GetTickCount()) > 0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
  }
}

void MouseButton(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof input);
}

// A real mouse drag: the button held down while the cursor sweeps.
TEST_F(GridInputTest, DraggingABlockFollowsTheMouseAndScrollsToTheLastRowAtTheEdge) {
  MakeInputGrid(3, 40);
  HWND top = GetAncestor(List(), GA_ROOT);
  SetForegroundWindow(top);
  PointAt(Middle(1, 0));
  MouseButton(true);
  Pump(50);
  ASSERT_EQ(Current(), std::make_pair(1, 0));
  ASSERT_EQ(gridShared.dragState, 1);
  PointAt(Middle(3, 2));
  Pump(80);
  EXPECT_EQ(gridShared.dragState, 2);
  EXPECT_EQ(Current(), std::make_pair(-1, -1));
  EXPECT_EQ(Selection(), (std::vector<int>{0, 1, 3, 3}));

  // Nothing changes while the mouse rests: no tick repaints.
  Pump(30);
  owner.seen.clear();
  Pump(60);
  EXPECT_TRUE(owner.Only({GridEvent::QueryCellColours}).empty());

  // One row further: only the block's cells in the old and new edge rows
  // are painted again.
  PointAt(Middle(4, 2));
  Pump(80);
  EXPECT_EQ(Selection(), (std::vector<int>{0, 1, 3, 4}));
  Events painted = owner.Only({GridEvent::QueryCellColours});
  EXPECT_FALSE(painted.empty());
  for (const auto& cell : painted) {
    EXPECT_TRUE(cell.row == 3 || cell.row == 4) << cell;
    EXPECT_LE(cell.column, 2) << cell;
  }

  // Below the list: the block scrolls on and stops at the last row.
  RECT client;
  GetClientRect(List(), &client);
  PointAt({Middle(3, 2).x, client.bottom + 40});
  Pump(1500);
  EXPECT_EQ(Selection(), (std::vector<int>{0, 1, 3, 39}));
  EXPECT_GT(SendMessageW(List(), LVM_GETTOPINDEX, 0, 0), 20);
  MouseButton(false);
  Pump(50);
  EXPECT_EQ(gridShared.dragState, 0);
  EXPECT_EQ(gridShared.dragTimer, 0u);
  EXPECT_NE(GetCapture(), List());
}

// The drag state is shared by all grids: a second grid's drag ends the
// first one's, and a grid freed while dragging leaves nothing behind.
TEST_F(GridInputTest, OneDragAtATimeAndNoneOutlivesItsGrid) {
  MakeInputGrid(3, 3);
  GridRecord* first = record();
  int firstGrid = grid;
  PointAt(Middle(0, 0));
  GridCellEvent move;
  move.row = 0;
  move.column = 0;
  move.extra = 0;
  RaiseEvent(first, kCellChanging, &move);
  ASSERT_EQ(gridShared.dragTimer, reinterpret_cast<UINT_PTR>(first));

  UseGadgetList(parent);
  int second = grid_Create(kAnyNumber, 0, 0, 400, 280, 20, 0, 0);
  ASSERT_GT(second, 0);
  grid_AddColumn(second, -1, L"", 80);
  grid_AddRows(second, -1, 3);
  GridRecord* other = RecordFromGadget(second);
  RaiseEvent(other, kCellChanging, &move);
  EXPECT_EQ(gridShared.dragTimer, reinterpret_cast<UINT_PTR>(other));
  EXPECT_EQ(GetCapture(), other->listWindow);
  // A stale tick of the first grid's timer does nothing and stops it.
  DragSelectTimer(first->listWindow, WM_TIMER, reinterpret_cast<UINT_PTR>(first), 0);
  EXPECT_EQ(gridShared.dragTimer, reinterpret_cast<UINT_PTR>(other));

  grid_Free(second);
  EXPECT_EQ(gridShared.dragTimer, 0u);
  EXPECT_EQ(gridShared.dragState, 0);
  grid_Free(firstGrid);
}


std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The editor's rectangle in the list view's client coordinates.
RECT PlaceOf(HWND editor) {
  RECT place;
  GetWindowRect(editor, &place);
  MapWindowPoints(nullptr, GetParent(editor), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

bool OutOfSight(HWND editor) {
  RECT place = PlaceOf(editor);
  RECT client;
  GetClientRect(GetParent(editor), &client);
  RECT common;
  return !IntersectRect(&common, &place, &client);
}

void PutTextOnClipboard(HWND window, const std::wstring& text) {
  PutOnClipboard(window, CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// The header notifications that start a divider drag and a column drag.
LRESULT NotifyHeader(GridRecord* record, UINT code, int item) {
  NMHEADERW notification{};
  notification.hdr.hwndFrom = record->headerWindow;
  notification.hdr.code = code;
  notification.iItem = item;
  return SendMessageW(record->listWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notification));
}
void StartDividerDrag(GridRecord* record, int item) { NotifyHeader(record, HDN_BEGINTRACKW, item); }
void StartColumnDrag(GridRecord* record, int item) {
  SendMessageW(record->listWindow, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_HEADERDRAGDROP, LVS_EX_HEADERDRAGDROP);
  NotifyHeader(record, HDN_BEGINDRAG, item);
}

HWND OtherWindow(HWND parent) {
  return CreateWindowExW(0, L"Button", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

// Paste and block-clear raise TextChanged cell by cell. The owner may move
// the current cell or add rows in it; what it did stays, the editor lies
// over the cell the grid calls current, and what is typed next lands there.
TEST_F(GridInputTest, PasteAndBlockClearLeaveTheCurrentCellWhereTheOwnerPutIt) {
  struct Case {
    const char* name;
    std::function<void(GridInputTest*)> drive;
    const wchar_t* first;  // cells (0, 0) and (0, 1) afterwards
    const wchar_t* second;
  };
  const Case cases[] = {
      {"paste",
       [](GridInputTest* t) {
         grid_SetCurrentCell(t->Grid(), 0, 0, 1, 1);
         PutTextOnClipboard(t->List(), L"a\tb");
         t->Key('V', {VK_CONTROL});
       },
       L"a", L"b"},
      {"cut",
       [](GridInputTest* t) {
         grid_SetCurrentCell(t->Grid(), 0, 0, 0, 1);
         t->Key(VK_RIGHT, {VK_SHIFT});
         t->Key('X', {VK_CONTROL});
       },
       L"", L""},
      {"delete",
       [](GridInputTest* t) {
         grid_SetCurrentCell(t->Grid(), 0, 0, 0, 1);
         t->Key(VK_RIGHT, {VK_SHIFT});
         t->Key(VK_DELETE);
       },
       L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeInputGrid(3, 3);
    const int number = grid;
    inside = [number](int32_t code, GridCellEvent* event) {
      if (code == GridEvent::TextChanged && event->row == 0 && event->column == 1)
        grid_SetCurrentCell(number, 2, 2, 1, 1);
    };
    c.drive(this);
    inside = nullptr;
    EXPECT_EQ(grid_GetCellText(grid, 0, 0), c.first);
    EXPECT_EQ(grid_GetCellText(grid, 1, 0), c.second);
    ASSERT_EQ(Current(), std::make_pair(2, 2));
    HWND editor = record()->editWindow;
    RECT place = PlaceOf(editor), cell = Cell(2, 2), common;
    EXPECT_TRUE(IntersectRect(&common, &place, &cell) && EqualRect(&common, &place)) << "the editor lies in (2, 2)";
    EXPECT_EQ(TextOf(editor), L"r2c2");
    EXPECT_EQ(GetFocus(), editor);
    SendMessageW(editor, WM_CHAR, L'x', 1);
    grid_EndEdit(grid, 0);
    EXPECT_EQ(grid_GetCellText(grid, 2, 2), L"r2c2x");
    EXPECT_EQ(grid_GetCellText(grid, 0, 0), c.first);
  }

  // An owner that inserts a row while a paste is answered ends the edit; it
  // stays ended, with no editor in sight and the keyboard on the list.
  MakeInputGrid(3, 3);
  grid_SetCurrentCell(grid, 0, 0, 1, 1);
  PutTextOnClipboard(List(), L"a\tb\r\nc\td");
  const int number = grid;
  bool inserted = false;
  inside = [number, &inserted](int32_t code, GridCellEvent* event) {
    if (code == GridEvent::TextChanged && event->column == 1 && !inserted) {
      inserted = true;
      grid_AddRows(number, 0, 1);
    }
  };
  Key('V', {VK_CONTROL});
  inside = nullptr;
  EXPECT_TRUE(inserted);
  EXPECT_EQ(grid_CountRows(grid), 4);
  EXPECT_EQ(Current(), std::make_pair(-1, -1));
  EXPECT_TRUE(OutOfSight(record()->editWindow));
  EXPECT_EQ(GetFocus(), List());
}

// A button held down when a dialog or another program takes the mouse or the
// keyboard is let go unpressed: a later release anywhere fires nothing (the
// button may be "kick"). A divider or column drag that loses the mouse ends
// too: the header paints again and its next click is a click.
TEST_F(GridInputTest, APressOrDragThatLosesTheMouseOrKeyboardEndsWithoutAnEvent) {
  struct Case {
    const char* name;
    std::function<void(GridInputTest*)> press;
    std::function<void(GridInputTest*, HWND other)> lose;
    std::function<void(GridInputTest*)> release;
  };
  const Case cases[] = {
      {"mouse, capture taken", [](GridInputTest* t) { t->Click(t->Middle(1, 1)); },
       [](GridInputTest*, HWND other) { SetCapture(other); }, [](GridInputTest* t) { t->Release(t->Middle(1, 1)); }},
      {"mouse, mode cancelled", [](GridInputTest* t) { t->Click(t->Middle(1, 1)); },
       [](GridInputTest* t, HWND) { SendMessageW(t->List(), WM_CANCELMODE, 0, 0); },
       [](GridInputTest* t) { t->Release(t->Middle(1, 1)); }},
      {"Enter, focus taken",
       [](GridInputTest* t) {
         grid_SetCurrentCell(t->Grid(), 1, 1, 0, 1);
         SendMessageW(t->List(), WM_KEYDOWN, VK_RETURN, 1);
       },
       [](GridInputTest*, HWND other) { SetFocus(other); },
       [](GridInputTest* t) {
         SetFocus(t->List());
         SendMessageW(t->List(), WM_KEYUP, VK_RETURN, 0xC0000001);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeInputGrid(3, 3);
    owner.cells[{1, 1}] = CellLook(GridCell::Button);
    grid_SetCellText(grid, 1, 1, L"Go");
    HWND other = OtherWindow(parent);
    c.press(this);
    EXPECT_EQ(CellText(record(), 1, 2), L"Go\\+");
    c.lose(this, other);
    EXPECT_EQ(CellText(record(), 1, 2), L"Go") << "the pressed look goes with the press";
    c.release(this);
    EXPECT_TRUE(owner.Only({GridEvent::ButtonPressed}).empty());
    EXPECT_EQ(CellText(record(), 1, 2), L"Go");
    ReleaseCapture();
    DestroyWindow(other);
  }

  for (bool dividerDrag : {true, false}) {
    SCOPED_TRACE(dividerDrag ? "divider drag" : "column drag");
    MakeInputGrid(3, 3, kGridResizableColumns);
    HWND header = record()->headerWindow;
    if (dividerDrag) {
      StartDividerDrag(record(), 1);
      // Meanwhile the header is not drawn, and not asked to paint without end.
      InvalidateRect(header, nullptr, TRUE);
      UpdateWindow(header);
      RECT invalid;
      EXPECT_FALSE(GetUpdateRect(header, &invalid, FALSE));
    } else {
      StartColumnDrag(record(), 1);
    }
    HWND other = OtherWindow(parent);
    SetCapture(header);
    SetCapture(other);
    ReleaseCapture();
    DestroyWindow(other);
    owner.seen.clear();
    InvalidateRect(header, nullptr, TRUE);
    UpdateWindow(header);
    EXPECT_FALSE(owner.Only({GridEvent::QueryCellColours}).empty()) << "the header paints its items again";
    owner.seen.clear();
    RECT item{};
    SendMessageW(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(owner.Only({GridEvent::LeftClick, GridEvent::LeftButtonUp, GridEvent::ColumnsChanged}),
              (Events{{GridEvent::LeftClick, -1, 1, MK_LBUTTON}, {GridEvent::LeftButtonUp, -1, 1}}));
    ReleaseCapture();
  }
}

// Starting a divider or column drag, or the owner ending the edit, takes the
// editor away: the keyboard goes back to the list, so that typing reaches no
// cell that is not there and Tab and Enter work at once.
TEST_F(GridInputTest, AParkedEditorGivesTheKeyboardBackToTheList) {
  struct Case {
    const char* name;
    std::function<void(GridInputTest*)> park;
  };
  const Case cases[] = {
      {"the owner ends the edit", [](GridInputTest* t) { grid_EndEdit(t->Grid(), 0); }},
      {"a divider drag starts", [](GridInputTest* t) { StartDividerDrag(t->Record(), 1); }},
      {"a column drag starts", [](GridInputTest* t) { StartColumnDrag(t->Record(), 1); }},
  };
  for (const Case& c : cases) {
    for (int32_t type : {GridCell::Text, GridCell::ListChoice, GridCell::EditableChoice}) {
      SCOPED_TRACE(std::string(c.name) + ", cell type " + std::to_string(type));
      MakeInputGrid(3, 3, kGridResizableColumns);
      owner.fallback = CellLook(type, RGB(255, 255, 255), 0, L"a\nb");
      grid_SetCurrentCell(grid, 1, 1, 1, 1);
      ASSERT_NE(GetFocus(), List());
      c.park(this);
      EXPECT_EQ(Current(), std::make_pair(-1, -1));
      EXPECT_EQ(GetFocus(), List());
      owner.seen.clear();
      SendMessageW(GetFocus(), WM_CHAR, L'x', 1);
      EXPECT_TRUE(owner.Only({GridEvent::KeyChar}).empty());
      ReleaseCapture();
    }
  }
}

// Some paints are forced at once (UpdateWindow and the like), and the owner
// answering them may move the current cell: what follows the paint must not
// place an editor over a cell that is no longer the current one. (Freeing
// the grid or changing its rows there is not tried: the list view itself
// does not survive that inside its own paint.)
TEST_F(GridInputTest, ForcedPaintsFollowAnOwnerThatMovesTheCurrentCellInThem) {
  struct Case {
    const char* name;
    std::function<void(GridInputTest*)> prepare;  // before the owner acts
    std::function<void(GridInputTest*)> drive;
  };
  auto listChoice = [](GridInputTest*) {
    owner.cells[{1, 1}] = CellLook(GridCell::ListChoice, RGB(255, 255, 255), 0, L"a\nb");
  };
  const Case cases[] = {
      {"list choice placed", listChoice, [](GridInputTest* t) { grid_SetCurrentCell(t->Grid(), 1, 1, 0, 1); }},
      {"list choice placed by a click", listChoice, [](GridInputTest* t) { t->Click(t->Middle(1, 1)); }},
      {"end of a divider drag", [](GridInputTest* t) { StartDividerDrag(t->Record(), 1); },
       [](GridInputTest* t) { SendMessageW(t->Record()->headerWindow, WM_LBUTTONUP, 0, MAKELPARAM(150, 5)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeInputGrid(3, 3, kGridResizableColumns);
    c.prepare(this);
    UpdateWindow(List());
    const int number = grid;
    bool acted = false;
    inside = [number, &acted](int32_t code, GridCellEvent*) {
      GridRecord* r = RecordFromGadget(number);
      if (acted || code != GridEvent::QueryCellType || !r || !r->painting) return;
      acted = true;
      grid_SetCurrentCell(number, 0, 2, 0, 1);
    };
    c.drive(this);
    inside = nullptr;
    ReleaseCapture();
    EXPECT_TRUE(acted) << "the owner acted during a forced paint";
    EXPECT_EQ(Current(), std::make_pair(2, 0));
    EXPECT_TRUE(OutOfSight(GadgetWindow(record()->listCombo))) << "the list combo left with its cell";
    EXPECT_FALSE(OutOfSight(record()->editWindow));
  }
}

// The owner answering CellChanging may send the move elsewhere, but not
// outside the grid: such a move is refused, and the block stays on cells
// that are there.
TEST_F(GridInputTest, AMoveTheOwnerSendsOutsideTheGridIsRefused) {
  const std::pair<int, int> targets[] = {{0, 5000}, {0, 3}, {0, -2}, {99, 0}, {4, 0}, {-3, 0}};
  for (auto [row, column] : targets) {
    SCOPED_TRACE("row " + std::to_string(row) + ", column " + std::to_string(column));
    MakeInputGrid(3, 4);
    grid_SetCurrentCell(grid, 1, 1, 0, 1);
    inside = [row, column](int32_t code, GridCellEvent* event) {
      if (code != kCellChanging) return;
      event->row = row;
      event->column = column;
    };
    Key(VK_RIGHT);
    inside = nullptr;
    EXPECT_EQ(Current(), std::make_pair(1, 1));
    EXPECT_EQ(Selection(), (std::vector<int>{1, 1, 1, 1}));
    if (Current() != std::make_pair(1, 1)) continue;
    Key(VK_RIGHT, {VK_SHIFT});
    EXPECT_EQ(Selection(), (std::vector<int>{1, 1, 2, 1}));
  }
}

// Numbers at their edges: a column past 255 reported as itself at the end
// of its divider drag, a percentage cell at the 64-bit limits stepped
// without wrapping, and Ctrl+A keeping the cell Escape returns to.
TEST_F(GridInputTest, NumbersAtTheirEdgesNeitherWrapNorLoseTheirPlace) {
  MakeInputGrid(300, 1, kGridResizableColumns);
  for (int item : {255, 256, 300}) {
    StartDividerDrag(record(), item);
    owner.seen.clear();
    SendMessageW(record()->headerWindow, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(owner.Only({GridEvent::ColumnsChanged}), (Events{{GridEvent::ColumnsChanged, -1, item - 1, 0}}));
  }

  struct Step {
    const wchar_t* before;
    bool ctrl;
    const wchar_t* after;
  };
  const Step steps[] = {{L"9223372036854775807", false, L"100"}, {L"-9223372036854775808", true, L"0"},
                        {L"100", false, L"100"},  {L"0", true, L"0"}, {L"150", true, L"149"}, {L"-5", false, L"-4"}};
  MakeInputGrid(2, 2);
  owner.cells[{0, 0}] = CellLook(GridCell::Percentage);
  for (bool fromCombo : {false, true}) {
    grid_SetCurrentCell(grid, 0, 0, fromCombo ? 1 : 0, 1);
    HWND keys = fromCombo ? GadgetWindow(record()->listCombo) : List();
    for (const Step& step : steps) {
      grid_SetCellText(grid, 0, 0, step.before);
      HoldKeys(step.ctrl ? std::initializer_list<int>{VK_CONTROL} : std::initializer_list<int>{});
      SendMessageW(keys, WM_KEYDOWN, VK_SPACE, 1);
      SendMessageW(keys, WM_KEYUP, VK_SPACE, 0xC0000001);
      HoldKeys({});
      EXPECT_EQ(grid_GetCellText(grid, 0, 0), step.after) << step.before << (fromCombo ? " in the combo" : "");
    }
  }

  MakeInputGrid(3, 4);
  grid_SetCurrentCell(grid, 1, 2, 0, 1);
  Key('A', {VK_CONTROL});
  EXPECT_EQ(Selection(), (std::vector<int>{0, 0, 3, 4}));
  Key(VK_ESCAPE);
  EXPECT_EQ(Current(), std::make_pair(2, 1)) << "Escape returns to the cell Ctrl+A left";
}

// Space and Enter both press the current button cell, from the list and
// from the list combo that holds the keyboard for cells without a text
// editor; the button fires when that same key comes up.
TEST_F(GridInputTest, SpaceAndEnterBothPressTheCurrentButton) {
  for (bool fromCombo : {false, true}) {
    for (int key : {VK_SPACE, VK_RETURN}) {
      SCOPED_TRACE(std::string(key == VK_SPACE ? "Space" : "Enter") + (fromCombo ? " in the combo" : " in the list"));
      MakeInputGrid(3, 3);
      owner.cells[{1, 1}] = CellLook(GridCell::Button);
      grid_SetCellText(grid, 1, 1, L"Go");
      grid_SetCurrentCell(grid, 1, 1, fromCombo ? 1 : 0, 1);
      HWND target = fromCombo ? GadgetWindow(record()->listCombo) : List();
      ASSERT_EQ(GetFocus(), target);
      owner.seen.clear();
      SendMessageW(target, WM_KEYDOWN, static_cast<WPARAM>(key), 1);
      EXPECT_EQ(CellText(record(), 1, 2), L"Go\\+");
      const int otherKey = key == VK_SPACE ? VK_RETURN : VK_SPACE;
      SendMessageW(target, WM_KEYUP, static_cast<WPARAM>(otherKey), 0xC0000001);
      EXPECT_TRUE(owner.Only({GridEvent::ButtonPressed}).empty()) << "only the key that pressed releases";
      SendMessageW(target, WM_KEYUP, static_cast<WPARAM>(key), 0xC0000001);
      EXPECT_EQ(owner.Only({GridEvent::ButtonPressed}), (Events{{GridEvent::ButtonPressed, 1, 1}}));
      EXPECT_EQ(CellText(record(), 1, 2), L"Go");
      EXPECT_EQ(Current(), std::make_pair(1, 1));
    }
  }
}

}  // namespace
