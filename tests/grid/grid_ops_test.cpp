// Grid operations driven the way the owner drives them, with the owner's
// event sequence compared against the expected one.
#include <windows.h>

#include "runtime/runtime.h"
#include "tests/grid/grid_fixture.h"

namespace {

using Events = std::vector<SeenEvent>;
constexpr int32_t kTextChanged = GridEvent::TextChanged;
constexpr int32_t kEditEnded = GridEvent::EditEnded;

void Type(HWND editor, const wchar_t* text) {
  for (const wchar_t* c = text; *c; ++c) SendMessageW(editor, WM_CHAR, *c, 1);
}

TEST_F(GridTest, OperationsOnAMissingGridReturnTheirFailureValues) {
  const int missing = 4242;
  EXPECT_EQ(grid_CountColumns(missing), -1);
  EXPECT_EQ(grid_CountRows(missing), -1);
  EXPECT_EQ(grid_GetCurrentRow(missing), -1);
  EXPECT_EQ(grid_GetCurrentColumn(missing), -1);
  EXPECT_EQ(grid_GetHeight(missing), -1);
  EXPECT_EQ(grid_GetCellText(missing, 0, 0), L"");
  EXPECT_EQ(grid_AddColumn(missing, -1, L"x", 10), 0);
  EXPECT_EQ(grid_AddRows(missing, -1, 1), 0);
  EXPECT_EQ(grid_IsEditModified(missing), 0);
  EXPECT_EQ(CopySelection(missing, 0, 0, 1, 1), 0);

  // A plain list view is a gadget but no grid.
  UseGadgetList(parent);
  int plain = CreateListViewGadget(kAnyNumber, 0, 0, 100, 100, L"", 50, 0);
  ASSERT_GE(plain, 0);
  EXPECT_EQ(grid_RecordFromWindow(GadgetWindow(plain)), nullptr);
  EXPECT_EQ(grid_CountRows(plain), -1);
  EXPECT_EQ(grid_GetCurrentRow(plain), -1);
  int32_t selection[4] = {7, 7, 7, 7};
  grid_GetSelection(plain, selection);
  EXPECT_EQ(selection[0], 7);

  // Nothing done to a gadget that is no grid: the owner may have passed the
  // wrong number, and the plain list must come through untouched.
  HWND plainWindow = GadgetWindow(plain);
  EXPECT_EQ(grid_AddRows(plain, -1, 2), 0);
  EXPECT_EQ(grid_AddColumn(plain, -1, L"x", 10), 0);
  EXPECT_EQ(grid_SetCellText(plain, 0, 0, L"x"), 0);
  EXPECT_EQ(grid_SetCurrentCell(plain, 0, 0, 1, 1), 0);
  EXPECT_EQ(grid_SetHeaderHeight(plain, 0), 0);
  EXPECT_EQ(grid_SetAttribute(plain, kGridFrameWidth, 3), 0);
  EXPECT_EQ(grid_SetCallback(plain, RecordingOwner), 0);
  EXPECT_EQ(grid_EndEdit(plain, 0), 0);
  EXPECT_EQ(grid_DeleteRow(plain, 0), 0);
  EXPECT_EQ(grid_ClearRows(plain), 0);
  EXPECT_EQ(grid_Hide(plain, 1), 0);
  EXPECT_EQ(ClearBlock(plain, 0, 0, 1, 1), 0);
  EXPECT_EQ(grid_Free(plain), 0);
  EXPECT_TRUE(IsWindow(plainWindow)) << "grid_Free frees grids only";
  EXPECT_TRUE(IsWindowVisible(plainWindow));
  EXPECT_EQ(SendMessageW(plainWindow, LVM_GETITEMCOUNT, 0, 0), 0);
  auto header = reinterpret_cast<HWND>(SendMessageW(plainWindow, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_TRUE(owner.seen.empty());

  UseGadgetList(nullptr);
  EXPECT_EQ(grid_Create(kAnyNumber, 0, 0, 100, 100, 20, 0, 0), -1) << "nowhere to create it";
  UseGadgetList(parent);
}

TEST_F(GridTest, CreationSetsTheDefaults) {
  MakeGrid(0, 0, kGridWrapText, 0x40);
  GridRecord* r = record();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->styleFlags, kGridWrapText | kGridOwnerDrawnCombo | kGridLines);
  EXPECT_EQ(r->currentRow, -1);
  EXPECT_EQ(r->selCol, -1);
  EXPECT_EQ(r->tooltipRow, -2);
  EXPECT_EQ(r->frameWidth, 1);
  EXPECT_EQ(r->selectionColour, RGB(206, 219, 241));
  EXPECT_EQ(r->gridLineColour, GetSysColor(COLOR_BTNFACE));
  EXPECT_GT(r->headerHeight, 5);
  EXPECT_EQ(GetParent(r->editWindow), r->listWindow);
  EXPECT_EQ(GetParent(GadgetWindow(r->listCombo)), r->listWindow);
  EXPECT_EQ(GetParent(GetParent(r->editComboEdit)), r->listWindow);
  EXPECT_EQ(GetWindowLongPtrW(r->listWindow, GWL_STYLE) & WS_TABSTOP, 0);
  // Wine's comctl32 answers 5 even under a version 6 manifest; Windows 6.
  EXPECT_GE(gridShared.commonControlsVersion, 5);
  RecordProperty("commonControlsVersion", gridShared.commonControlsVersion);
  EXPECT_EQ(grid_CountColumns(grid), 0);
  EXPECT_EQ(CurrentGadgetList(), parent) << "the previous gadget list is restored";
  EXPECT_EQ(grid_GetHeight(grid), 280);
}

TEST_F(GridTest, ColumnsAreInsertedAfterTheLastAndRefusedBeyondAThousand) {
  MakeGrid(0, 0);
  grid_AddColumn(grid, -1, L"first", 50);
  grid_AddColumn(grid, -1, L"second", 60);
  grid_AddColumn(grid, 0, L"new first", 70);
  EXPECT_EQ(grid_CountColumns(grid), 3);
  EXPECT_EQ(SendMessageW(record()->listWindow, LVM_GETCOLUMNWIDTH, 0, 0), 0) << "placeholder stays at width 0";
  EXPECT_EQ(SendMessageW(record()->listWindow, LVM_GETCOLUMNWIDTH, 1, 0), 70);
  EXPECT_EQ(SendMessageW(record()->listWindow, LVM_GETCOLUMNWIDTH, 3, 0), 60);
  grid_AddColumn(grid, -2, L"refused", 10);
  EXPECT_EQ(grid_CountColumns(grid), 3);

  SendMessageW(record()->listWindow, WM_SETREDRAW, FALSE, 0);
  while (grid_CountColumns(grid) < kMaxGridColumns) grid_AddColumn(grid, -1, L"", 1);
  grid_AddColumn(grid, -1, L"one too many", 1);
  SendMessageW(record()->listWindow, WM_SETREDRAW, TRUE, 0);
  EXPECT_EQ(grid_CountColumns(grid), kMaxGridColumns);
}

TEST_F(GridTest, RowsAreAppendedOrInsertedAtTheirPosition) {
  MakeGrid(1, 0);
  grid_AddRows(grid, -1, 3);
  ASSERT_EQ(grid_CountRows(grid), 3);
  for (int r = 0; r < 3; ++r) grid_SetCellText(grid, 0, r, std::to_wstring(r).c_str());
  grid_AddRows(grid, 2, 3);
  ASSERT_EQ(grid_CountRows(grid), 6);
  const wchar_t* expected[] = {L"0", L"1", L"", L"", L"", L"2"};
  for (int r = 0; r < 6; ++r) EXPECT_EQ(grid_GetCellText(grid, 0, r), expected[r]) << "row " << r;

  grid_AddRows(grid, -2, 1);
  grid_AddRows(grid, 0, 0);
  EXPECT_EQ(grid_CountRows(grid), 6);
}

TEST_F(GridTest, AttributesMinusOneIsIgnoredExceptForTheSelectionColour) {
  MakeGrid(2, 2);
  grid_SetAttribute(grid, kGridHeaderLineColour, RGB(1, 2, 3));
  grid_SetAttribute(grid, kGridHeaderLineColour, -1);
  EXPECT_EQ(record()->headerLineColour, RGB(1, 2, 3));
  grid_SetAttribute(grid, kGridFrameWidth, -1);
  EXPECT_EQ(record()->frameWidth, 1);
  grid_SetAttribute(grid, kGridSelectionColour, -1);
  EXPECT_EQ(record()->selectionColour, kGridNoColour);
  grid_SetAttribute(grid, kGridSelectionMode, 4);
  grid_SetAttribute(grid, 8, 1);
  EXPECT_EQ(record()->selectionMode, 0);

  grid_SetCurrentCell(grid, 1, 1, 0, 0);
  grid_SetAttribute(grid, kGridSelectionMode, 3);
  EXPECT_EQ(record()->selectionMode, 3);
  EXPECT_EQ(record()->selCol, -1) << "mode 3 removes the block selection";
}

// While a page is painted the owner is asked, cell by cell, for colours and
// then the type; the placeholder column never shows up.
TEST_F(GridTest, PaintingAPageAsksColoursThenTypeForEveryCell) {
  MakeGrid(2, 2);
  RedrawWindow(record()->listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const Events expected = {
      {GridEvent::QueryCellColours, 0, 0}, {GridEvent::QueryCellType, 0, 0},
      {GridEvent::QueryCellColours, 0, 1}, {GridEvent::QueryCellType, 0, 1},
      {GridEvent::QueryCellColours, 1, 0}, {GridEvent::QueryCellType, 1, 0},
      {GridEvent::QueryCellColours, 1, 1}, {GridEvent::QueryCellType, 1, 1},
  };
  // The header asks for its titles' colours too (row -1); the cells follow.
  Events cells;
  for (const auto& event : owner.seen)
    if (event.row >= 0) cells.push_back(event);
  EXPECT_EQ(cells, expected);
  for (intptr_t value : owner.ownerValues) EXPECT_EQ(value, grid);
}

TEST_F(GridTest, TheOwnerValuePropertyReplacesTheGadgetNumber) {
  MakeGrid(1, 1);
  SetPropW(record()->listWindow, kOwnerValueProperty, reinterpret_cast<HANDLE>(intptr_t{777}));
  RedrawWindow(record()->listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_FALSE(owner.ownerValues.empty());
  for (intptr_t value : owner.ownerValues) EXPECT_EQ(value, 777);
}

LRESULT CALLBACK PlainParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) {
    SetPropW(window, L"test_SawNcDestroy", reinterpret_cast<HANDLE>(1));
    return 0;  // this test sends it by hand; the window lives on
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(GridTest, TwoGridsOnOneParentSubclassItOnceAndItsDestructionUnhooks) {
  HWND container = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 280, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(container, nullptr);
  SetWindowLongPtrW(container, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PlainParentProc));
  UseGadgetList(container);
  int first = grid_Create(kAnyNumber, 0, 0, 200, 100, 20, 0, 0);
  ASSERT_NE(first, -1);
  auto hook = GetPropW(container, kOldParentProcProperty);
  EXPECT_EQ(hook, reinterpret_cast<HANDLE>(PlainParentProc));
  EXPECT_EQ(GetWindowLongPtrW(container, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(grid_ParentProc));

  int second = grid_Create(kAnyNumber, 0, 100, 200, 100, 20, 0, 0);
  ASSERT_NE(second, -1);
  EXPECT_NE(second, first);
  EXPECT_EQ(GetPropW(container, kOldParentProcProperty), hook) << "the second grid must not hook its own hook";

  SendMessageW(container, WM_NCDESTROY, 0, 0);
  EXPECT_NE(GetPropW(container, L"test_SawNcDestroy"), nullptr) << "passed on to the previous procedure";
  EXPECT_EQ(GetPropW(container, kOldParentProcProperty), nullptr);
  RemovePropW(container, L"test_SawNcDestroy");
  UseGadgetList(parent);
}

// The grid's own copy of its window properties must follow the windows:
// a handle value can come back as another window once its window is gone.
LRESULT CALLBACK LaterParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP + 7) return 7;
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(GridTest, TheGridsCopyOfItsPropertiesFollowsTheWindows) {
  MakeGrid(1, 1);
  // A window the grid marked as its own (as it does its cell tooltip) dies
  // with the list view; the grid must not answer for it afterwards.
  HWND marked = CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 10, 10, record()->listWindow, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(marked, nullptr);
  AttachRecord(marked, record());
  record()->tooltipWindow = marked;
  grid_Free(grid);
  EXPECT_FALSE(IsWindow(marked));
  EXPECT_EQ(grid_RecordFromWindow(marked), nullptr);

  // A parent whose end the grid did not see, its handle then given to a new
  // window: a grid made there hooks the new window's procedure, not the old.
  HWND container = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 280, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(container, nullptr);
  SetWindowLongPtrW(container, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PlainParentProc));
  UseGadgetList(container);
  ASSERT_NE(grid_Create(kAnyNumber, 0, 0, 200, 100, 20, 0, 0), -1);
  RemovePropW(container, kOldParentProcProperty);
  SetWindowLongPtrW(container, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LaterParentProc));
  ASSERT_NE(grid_Create(kAnyNumber, 0, 100, 200, 100, 20, 0, 0), -1);
  EXPECT_EQ(SendMessageW(container, WM_APP + 7, 0, 0), 7);
  UseGadgetList(parent);
}

TEST_F(GridTest, DestroyingTheListViewFreesTheRecord) {
  MakeGrid(2, 2);
  HWND list = record()->listWindow;
  grid_Free(grid);
  EXPECT_FALSE(IsWindow(list));
  EXPECT_EQ(grid_CountRows(grid), -1);
  // A new grid under the same number works as before.
  UseGadgetList(parent);
  EXPECT_EQ(grid_Create(grid, 0, 0, 100, 100, 20, 0, 0), grid);
  EXPECT_EQ(grid_CountColumns(grid), 0);
}

TEST_F(GridTest, TheCurrentCellReadsTheEditorTextBeforeItIsCommitted) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 1, 0, 1, 0);
  EXPECT_EQ(grid_GetCurrentRow(grid), 0);
  EXPECT_EQ(grid_GetCurrentColumn(grid), 1);
  Type(record()->editWindow, L"xy");
  EXPECT_EQ(grid_GetCellText(grid, 1, 0), L"r0c1xy");
  EXPECT_EQ(CellText(record(), 0, 2), L"r0c1") << "not yet in the cell";
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"r0c0");
  EXPECT_EQ(grid_IsEditModified(grid), 1);
  EXPECT_TRUE(owner.Only({GridEvent::CellChanging}).empty()) << "set from outside: nobody is asked";
}

TEST_F(GridTest, SettingTheCurrentCellsTextReachesTheEditor) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 0, 1, 1, 0);
  grid_SetCellText(grid, 0, 1, L"fresh");
  EXPECT_EQ(record()->editText, L"fresh");
  wchar_t shown[32] = {};
  GetWindowTextW(record()->editWindow, shown, 32);
  EXPECT_STREQ(shown, L"fresh");
}

TEST_F(GridTest, DeletingTheCurrentRowDiscardsTheUncommittedEdit) {
  MakeGrid(1, 3);
  grid_SetCurrentCell(grid, 0, 1, 1, 0);
  Type(record()->editWindow, L"X");
  grid_DeleteRow(grid, 1);
  EXPECT_EQ(grid_CountRows(grid), 2);
  EXPECT_EQ(grid_GetCellText(grid, 0, 1), L"r2c0") << "the following row keeps its text";
  EXPECT_EQ(grid_GetCurrentRow(grid), -1);
  EXPECT_TRUE(owner.Only({kTextChanged}).empty());
}

TEST_F(GridTest, EndingAnEditCommitsAndReportsOnlyARemovedBlockSelection) {
  MakeGrid(2, 2);
  grid_EndEdit(grid, 0);
  EXPECT_TRUE(owner.seen.empty()) << "no current cell: nothing to say";

  // Setting the current cell also selects it as a one-cell block.
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  Type(record()->editWindow, L"!");
  owner.seen.clear();
  grid_EndEdit(grid, 1);
  EXPECT_EQ(owner.Only({kTextChanged, kEditEnded}),
            (Events{{kTextChanged, 0, 0, 0, L"r0c0!"}, {kEditEnded, 0, 0, 1}}));
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"r0c0!");
  EXPECT_EQ(grid_GetCurrentRow(grid), -1);

  // Without a block selection the edit is committed silently.
  grid_SetCurrentCell(grid, 1, 1, 1, 0);
  grid_SetAttribute(grid, kGridSelectionMode, 3);
  Type(record()->editWindow, L"?");
  owner.seen.clear();
  grid_EndEdit(grid, 0);
  EXPECT_EQ(owner.Only({kTextChanged, kEditEnded}), (Events{{kTextChanged, 1, 1, 0, L"r1c1?"}}));
}

// An owner may close the grid from inside its event procedure, say when an
// edit makes it rebuild its window. The operation that raised the event
// must then stop: the hard case is a rebuild under the same number, whose
// record may well sit where the old one was.
int32_t RebuildingOwner(intptr_t value, int32_t code, GridCellEvent* event) {
  if (code != kTextChanged) return RecordingOwner(value, code, event);
  owner.seen.push_back({code, event->row, event->column, 0, event->text});
  const auto gadget = static_cast<int>(value);
  grid_Free(gadget);
  EXPECT_EQ(grid_Create(gadget, 0, 0, 200, 100, 20, 0, 0), gadget);
  return 1;
}

TEST_F(GridTest, AnOwnerThatRebuildsTheGridInsideAnEventIsNotUndone) {
  struct Step {
    const char* name;
    void (*operation)(int grid);
  };
  const Step steps[] = {
      {"adding rows", [](int g) { grid_AddRows(g, -1, 2); }},
      {"adding a column", [](int g) { grid_AddColumn(g, -1, L"", 40); }},
      {"moving to another cell", [](int g) { grid_SetCurrentCell(g, 1, 1, 1, 0); }},
      {"clearing a block", [](int g) { ClearBlock(g, 0, 0, 2, 2); }},
      {"deleting another row", [](int g) { grid_DeleteRow(g, 1); }},
      {"setting the header height", [](int g) { grid_SetHeaderHeight(g, 0); }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    MakeGrid(2, 2);
    grid_SetCurrentCell(grid, 0, 0, 1, 0);
    Type(record()->editWindow, L"!");
    grid_SetCallback(grid, RebuildingOwner);
    owner.seen.clear();
    step.operation(grid);
    ASSERT_EQ(owner.Only({kTextChanged}).size(), 1u);
    ASSERT_NE(record(), nullptr);
    EXPECT_EQ(grid_CountRows(grid), 0) << "the new grid is left as its owner built it";
    EXPECT_EQ(grid_CountColumns(grid), 0);
    EXPECT_EQ(grid_GetCurrentRow(grid), -1);
    EXPECT_GT(record()->headerHeight, 0);
    grid_Free(grid);
  }
}

TEST_F(GridTest, TheOwnerDecidesWhatAnEditWrites) {
  MakeGrid(1, 2);
  owner.textChangedAnswer = 0;
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  Type(record()->editWindow, L"bad");
  grid_EndEdit(grid, 0);
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"r0c0") << "refused: the cell keeps its text";

  owner.textChangedAnswer = 1;
  owner.replacement = L"cleaned";
  grid_SetCurrentCell(grid, 0, 1, 1, 0);
  Type(record()->editWindow, L"raw");
  grid_EndEdit(grid, 0);
  EXPECT_EQ(grid_GetCellText(grid, 0, 1), L"cleaned");

  // An unchanged edit raises nothing.
  owner.seen.clear();
  grid_SetCurrentCell(grid, 0, 1, 1, 0);
  grid_EndEdit(grid, 0);
  EXPECT_TRUE(owner.Only({kTextChanged}).empty());
}

TEST_F(GridTest, CurrentCellOutsideTheGridIsRefused) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 2, 0, 0, 0);
  grid_SetCurrentCell(grid, 0, 2, 0, 0);
  grid_SetCurrentCell(grid, -1, 0, 0, 0);
  EXPECT_EQ(grid_GetCurrentRow(grid), -1);
  EXPECT_EQ(record()->selCol, -1);
}

TEST_F(GridTest, ChoiceCellsLoadTheirItemsIntoTheCombo) {
  MakeGrid(2, 1);
  owner.cells[{0, 1}] = CellLook{GridCell::EditableChoice, RGB(255, 255, 255), 0, L"a\nb\n"};
  grid_SetCurrentCell(grid, 1, 0, 0, 0);
  EXPECT_EQ(record()->currentCellType, GridCell::EditableChoice);
  EXPECT_EQ(CountGadgetItems(record()->editCombo), 3) << "a trailing LF gives a final empty item";
}

TEST_F(GridTest, NeighboursFollowTheVisualOrder) {
  MakeGrid(3, 1);
  GridRecord* r = record();
  EXPECT_EQ(FirstColumn(r), 1);
  EXPECT_EQ(LastColumn(r), 3);
  int order[] = {0, 3, 1, 2};  // grid columns shown as 2, 0, 1
  SendMessageW(r->listWindow, LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));
  r->columnsChanged = 1;
  EXPECT_EQ(FirstColumn(r), 3);
  EXPECT_EQ(LastColumn(r), 2);
  EXPECT_EQ(NextColumn(r, 3), 1);
  EXPECT_EQ(NextColumn(r, 2), 2) << "the last stays put";
  EXPECT_EQ(PreviousColumn(r, 1), 3);
  EXPECT_EQ(PreviousColumn(r, 3), 3) << "the first stays put";
  EXPECT_EQ(NextColumn(nullptr, 1), -1);
}

TEST_F(GridTest, ThePlaceholderAndAPinnedFirstColumnStayAtTheLeft) {
  UseGadgetList(parent);
  grid = grid_Create(kAnyNumber, 0, 0, 300, 200, 20, 0, kGridPinFirstColumn);
  for (int c = 0; c < 3; ++c) grid_AddColumn(grid, -1, L"", 50);
  GridRecord* r = record();
  int dragged[] = {2, 0, 3, 1};  // as if the user dropped grid column 1 first
  SendMessageW(r->listWindow, LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(dragged));
  EXPECT_EQ(SendMessageW(r->headerWindow, HDM_ORDERTOINDEX, 0, 0), 0);
  EXPECT_EQ(SendMessageW(r->headerWindow, HDM_ORDERTOINDEX, 1, 0), 1);
  int order[4] = {};
  SendMessageW(r->listWindow, LVM_GETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));
  EXPECT_EQ(order[0], 0);
  EXPECT_EQ(order[1], 1);
  EXPECT_EQ(FirstColumn(r), 1);
}

std::wstring ClipboardText(HWND window) {
  std::wstring text;
  if (!OpenClipboard(window)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

TEST_F(GridTest, CopyingABlockWalksRowsAndVisualColumns) {
  MakeGrid(3, 3);
  EXPECT_EQ(CopySelection(grid, 1, 1, 2, -2), 4);
  EXPECT_EQ(ClipboardText(parent), L"r0c1\tr0c2\r\nr1c1\tr1c2\r\n");
  // Extents are clipped at the edges.
  EXPECT_EQ(CopySelection(grid, 0, 2, -5, 9), 1);
  EXPECT_EQ(ClipboardText(parent), L"r2c0\r\n");
  EXPECT_EQ(CopySelection(grid, 3, 0, 1, 1), 0);
  EXPECT_EQ(CopySelection(grid, 0, 0, 0, 1), 0);
  // The current cell contributes what its editor holds.
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  Type(record()->editWindow, L"+");
  CopySelection(grid, 0, 0, 1, 1);
  EXPECT_EQ(ClipboardText(parent), L"r0c0+\r\n");
}

TEST_F(GridTest, ClearingABlockEmptiesEachTypeItsOwnWay) {
  MakeGrid(4, 1);
  owner.cells[{0, 1}] = CellLook{GridCell::CheckBox, RGB(255, 255, 255), 0, L"yes/no"};
  owner.cells[{0, 2}] = CellLook{GridCell::Percentage};
  owner.cells[{0, 3}] = CellLook{GridCell::Button};
  ClearBlock(grid, 0, 0, 4, 1);
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"");
  EXPECT_EQ(grid_GetCellText(grid, 1, 0), L"no");
  EXPECT_EQ(grid_GetCellText(grid, 2, 0), L"0");
  EXPECT_EQ(grid_GetCellText(grid, 3, 0), L"r0c3") << "buttons are left alone";
  EXPECT_EQ(owner.Only({kTextChanged}).size(), 3u);
  EXPECT_EQ(grid_GetCurrentRow(grid), -1);
}

TEST_F(GridTest, ClearingTheOpenCellChangesItsEditorWithoutAsking) {
  MakeGrid(2, 1);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  owner.seen.clear();
  ClearBlock(grid, 0, 0, 2, 1);
  EXPECT_EQ(owner.Only({kTextChanged}), (Events{{kTextChanged, 0, 1, 0, L""}}));
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"");
  EXPECT_EQ(grid_GetCurrentRow(grid), 0);
  EXPECT_EQ(GetWindowTextLengthW(record()->editWindow), 0);
}

TEST_F(GridTest, ScrollingIntoViewBringsTheEditorOverTheCell) {
  MakeGrid(2, 100);
  grid_SetCurrentCell(grid, 1, 80, 1, 1);
  HWND list = record()->listWindow;
  int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_LE(top, 80);
  EXPECT_GE(top + perPage, 80);
  RECT cell = Cell(80, 1);
  RECT editor;
  GetWindowRect(record()->editWindow, &editor);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&editor), 2);
  EXPECT_GE(editor.left, cell.left);
  EXPECT_LE(editor.right, cell.right);
  EXPECT_GE(editor.top, cell.top);
  EXPECT_LE(editor.bottom, cell.bottom);
  EXPECT_EQ(GetFocus(), record()->editWindow);

  // Leaving the cell parks the editor out of sight.
  grid_EndEdit(grid, 0);
  GetWindowRect(record()->editWindow, &editor);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&editor), 2);
  EXPECT_LT(editor.right, 0);
}

// The owner's yes to CellChanging collapses the block selection onto the
// new cell; anything but yes leaves the selection as it was.
TEST_F(GridTest, AnAcceptedMoveSelectsTheNewCellAlone) {
  MakeGrid(3, 3);
  GridRecord* r = record();
  GridCellEvent move;
  move.row = 2;
  move.column = 1;
  move.extra = 4;  // Right arrow: no mouse drag is armed
  for (int32_t refusal : {0, 2, -1}) {
    owner.cellChangingAnswer = refusal;
    EXPECT_EQ(RaiseEvent(r, GridEvent::CellChanging, &move), refusal);
    EXPECT_EQ(r->selCol, -1) << "answer " << refusal;
  }
  // A refused click arms no drag either.
  RECT target = Cell(2, 1);
  POINT inside{(target.left + target.right) / 2, (target.top + target.bottom) / 2};
  ClientToScreen(r->listWindow, &inside);
  SetCursorPos(inside.x, inside.y);
  move.extra = 0;
  owner.cellChangingAnswer = 2;
  RaiseEvent(r, GridEvent::CellChanging, &move);
  EXPECT_EQ(gridShared.dragState, 0);
  EXPECT_NE(GetCapture(), r->listWindow);
  move.extra = 4;

  owner.cellChangingAnswer = 1;
  EXPECT_EQ(RaiseEvent(r, GridEvent::CellChanging, &move), 1);
  int32_t selection[4] = {};
  grid_GetSelection(grid, selection);
  EXPECT_EQ(selection[0], 1);
  EXPECT_EQ(selection[1], 2);
  EXPECT_EQ(selection[2], 1);
  EXPECT_EQ(selection[3], 1);
  EXPECT_EQ(r->selectionState, 2);
  EXPECT_EQ(r->focusRow, 2);
  EXPECT_EQ(r->focusCol, 1);
  EXPECT_EQ(gridShared.dragState, 0);

  // An accepted click on the cell arms a drag; it ends with the grid.
  move.extra = 0;
  RaiseEvent(r, GridEvent::CellChanging, &move);
  EXPECT_EQ(gridShared.dragState, 1);
  EXPECT_EQ(GetCapture(), r->listWindow);
  grid_Free(grid);
  EXPECT_EQ(gridShared.dragState, 0);
  EXPECT_EQ(gridShared.dragTimer, 0u);
}

TEST_F(GridTest, TheEditorTakesTheCellsColours) {
  MakeGrid(2, 2);
  owner.cells[{1, 1}] = CellLook{GridCell::Text, RGB(0, 160, 0), RGB(255, 255, 0)};
  grid_SetCurrentCell(grid, 1, 1, 1, 0);
  HDC dc = GetDC(record()->editWindow);
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(record()->listWindow, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(record()->editWindow)));
  LOGBRUSH description{};
  ASSERT_TRUE(GetObjectW(brush, sizeof description, &description));
  EXPECT_EQ(description.lbColor, RGB(0, 160, 0));
  EXPECT_EQ(GetBkColor(dc), RGB(0, 160, 0));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 0));
  ReleaseDC(record()->editWindow, dc);

  // The next request replaces the shared brush instead of piling them up.
  HDC again = GetDC(record()->editWindow);
  SendMessageW(record()->listWindow, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(again),
               reinterpret_cast<LPARAM>(record()->editWindow));
  ReleaseDC(record()->editWindow, again);
  EXPECT_EQ(GetObjectType(brush), 0u) << "the previous brush is deleted";
}

TEST_F(GridTest, ALowCellGetsAReducedEditorFontReplacedNotPiledUp) {
  UseGadgetList(parent);
  grid = grid_Create(kAnyNumber, 0, 0, 300, 200, 9, 0, 0);
  ASSERT_NE(grid, -1);
  grid_AddColumn(grid, -1, L"", 80);
  grid_AddRows(grid, -1, 3);
  grid_SetCallback(grid, RecordingOwner);
  grid_SetCurrentCell(grid, 0, 0, 0, 0);
  HFONT first = record()->editorFont;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(record()->editWindow, WM_GETFONT, 0, 0)), first);
  grid_SetCurrentCell(grid, 0, 1, 0, 0);
  HFONT second = record()->editorFont;
  ASSERT_NE(second, nullptr);
  if (second != first) {
    EXPECT_EQ(GetObjectType(first), 0u) << "the previous reduced font is deleted";
  }
}

TEST(GridNumbers, CellTextsReadAsNumbersByTheProgramsOneRule) {
  EXPECT_EQ(CellNumber(L"42"), 42);
  EXPECT_EQ(CellNumber(L" \t-7 apples"), -7);
  EXPECT_EQ(CellNumber(L"+150%"), 150);
  EXPECT_EQ(CellNumber(L"$1F"), 31);
  EXPECT_EQ(CellNumber(L"%101"), 5);
  EXPECT_EQ(CellNumber(L"%102"), 2) << "binary stops at the first other digit";
  EXPECT_EQ(CellNumber(L"abc"), 0);
  EXPECT_EQ(CellNumber(L""), 0);
  EXPECT_EQ(CellNumber(L"99999999999999999999999"), static_cast<int64_t>(200376420520689663ULL))
      << "wraps in 64 bits instead of failing";
}

TEST_F(GridTest, HeaderHeightZeroTakesNoSpace) {
  MakeGrid(1, 1);
  grid_SetHeaderHeight(grid, 0);
  EXPECT_EQ(Cell(0, 0).top, 0);
  grid_SetHeaderHeight(grid, 30);
  EXPECT_EQ(Cell(0, 0).top, 30);

  // A hidden grid takes the new height and stays hidden.
  grid_Hide(grid, 1);
  grid_SetHeaderHeight(grid, 24);
  EXPECT_FALSE(IsWindowVisible(record()->listWindow));
  EXPECT_EQ(Cell(0, 0).top, 24);
  grid_Hide(grid, 0);
  EXPECT_EQ(Cell(0, 0).top, 24);
}

}  // namespace
