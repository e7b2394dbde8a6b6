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
 protected:
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
    HoldKeys(held);
    SendMessageW(List(), WM_KEYDOWN, static_cast<WPARAM>(key), 1);
    SendMessageW(List(), WM_KEYUP, static_cast<WPARAM>(key), 0xC0000001);
    HoldKeys({});
  }
  std::pair<int, int> Current() const { return {grid_GetCurrentRow(grid), grid_GetCurrentColumn(grid)}; }
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

}  // namespace
