// The property box's model: rows added and removed, texts, collapsed
// headings, the operations' failure values, the shared images, the value
// column's width, and the generic gadget commands that reach the box.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "grid/grid.h"
#include "grid/grid_private.h"
#include "runtime/runtime.h"
#include "tests/propbox/propbox_fixture.h"

namespace {

using Rows = std::vector<std::wstring>;

TEST_F(PropertyBoxTest, RowsAddedAtTheStartInTheMiddleAndAtTheEndMoveTheOthersUp) {
  MakeBox();
  EXPECT_EQ(Add(-1, L"b\n2"), 1);
  EXPECT_EQ(Add(1, L"d\n4"), 2) << "position rowCount appends";
  EXPECT_EQ(Add(0, L"a\n1"), 3);
  EXPECT_EQ(Add(2, L"c\n3"), 4);
  PropertyBox_SetItemData(box, 1, 42);  // b
  EXPECT_EQ(Add(0, L"first"), 5);
  EXPECT_EQ(PropertyBox_GetItemData(box, 2), 42) << "b moved from 1 to 2";
  EXPECT_EQ(GridRows(), (Rows{L"first|", L"a|1", L"b|2", L"c|3", L"d|4"}));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(PropertyBox_GetText(box, i, 1) + L"|" + PropertyBox_GetText(box, i, 2), GridRows()[i]);

  EXPECT_EQ(Add(6, L"beyond"), 0);
  EXPECT_EQ(Add(-2, L"before"), 0);
  PropertyRowDescription none;  // kind 0
  EXPECT_EQ(PropertyBox_AddRow(box, -1, L"x", &none, 0), 0);
  EXPECT_EQ(PropertyBox_AddRow(box, -1, L"x", nullptr, 0), 0);
  EXPECT_EQ(PropertyBox_CountRows(box), 5);
}

TEST_F(PropertyBoxTest, TheTextIsTheLabelThenAfterOneLfTheValue) {
  MakeBox();
  Add(-1, L"label only");
  Add(-1, L"label\nvalue");
  Add(-1, L"label\nvalue\nrest");
  Add(-1, L"\nvalue without label");
  Add(-1, nullptr);
  EXPECT_EQ(GridRows(), (Rows{L"label only|", L"label|value", L"label|value", L"|value without label", L"|"}));
}

TEST_F(PropertyBoxTest, MissingStringsInADescriptionAreEmpty) {
  MakeBox();
  PropertyRowDescription description;
  description.kind = PropertyKind::File;  // every string left null
  ASSERT_EQ(PropertyBox_AddRow(box, -1, L"File\nx", &description, 0), 1);
  PropertyRowDescription back;
  PropertyBox_GetRowDescription(box, 0, &back);
  EXPECT_EQ(back.kind, PropertyKind::File);
  ASSERT_NE(back.fileName, nullptr);
  EXPECT_STREQ(back.fileName, L"");
  EXPECT_STREQ(back.fileTitle, L"");
  EXPECT_STREQ(back.choices, L"");
  UpdateWindow(Window());  // painting the file row reads its strings
}

TEST_F(PropertyBoxTest, ACollapsedHeadingHidesItsGroupedRowsOnly) {
  MakeBox();
  Add(-1, L"One", PropertyKind::Heading);
  Add(-1, L"a\n1");
  Add(-1, L"b\n2");
  Add(-1, L"loose\n3", PropertyKind::ReadOnlyText, 0);
  Add(-1, L"Two", PropertyKind::Heading);
  Add(-1, L"c\n4");
  const Rows all{L"One|", L"a|1", L"b|2", L"loose|3", L"Two|", L"c|4"};
  EXPECT_EQ(GridRows(), all);

  PropertyBox_SetCollapsed(box, 0, 1);
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 0), 1);
  EXPECT_EQ(GridRows(), (Rows{L"One|", L"loose|3", L"Two|", L"c|4"}));
  EXPECT_EQ(PropertyBox_CountRows(box), 6) << "the model keeps every row";

  PropertyBox_SetCollapsed(box, 4, 1);
  EXPECT_EQ(GridRows(), (Rows{L"One|", L"loose|3", L"Two|"}));
  PropertyBox_SetCollapsed(box, 0, 0);
  PropertyBox_SetCollapsed(box, 4, 0);
  EXPECT_EQ(GridRows(), all) << "back in model order";
  EXPECT_EQ(boxOwner.seen, (std::vector<BoxEvent>{{PropertyEvent::Collapsing, 0},
                                                  {PropertyEvent::Collapsing, 4},
                                                  {PropertyEvent::Expanding, 0},
                                                  {PropertyEvent::Expanding, 4}}));

  // Only headings collapse; rows added under a collapsed heading stay hidden.
  PropertyBox_SetCollapsed(box, 1, 1);
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 1), 0);
  PropertyBox_SetCollapsed(box, 0, 1);
  Add(1, L"new\n0");
  EXPECT_EQ(GridRows(), (Rows{L"One|", L"loose|3", L"Two|", L"c|4"}));
}

TEST_F(PropertyBoxTest, SettingTheTextOfAHiddenRowChangesTheModelAndExpandingShowsIt) {
  MakeBox();
  Add(-1, L"Group", PropertyKind::Heading);
  Add(-1, L"name\nold");
  PropertyBox_SetCollapsed(box, 0, 1);
  PropertyBox_SetText(box, 1, L"new", 2);
  PropertyBox_SetText(box, 1, L"renamed", 1);
  EXPECT_EQ(grid_CountRows(box), 1);
  EXPECT_EQ(PropertyBox_GetText(box, 1, 2), L"new");
  PropertyBox_SetCollapsed(box, 0, 0);
  EXPECT_EQ(GridRows(), (Rows{L"Group|", L"renamed|new"}));

  // Texts a row's kind does not have change nothing.
  PropertyBox_SetText(box, 1, L"Arial", kTextFontName);
  EXPECT_EQ(PropertyBox_GetText(box, 1, kTextFontName), L"");
  PropertyBox_SetText(box, 1, L"x", 99);
  EXPECT_EQ(PropertyBox_GetText(box, 1, 99), L"");
}

TEST_F(PropertyBoxTest, KindTextsAreReadAndSetByColumn) {
  MakeBox();
  PropertyRowDescription font;
  font.kind = PropertyKind::Font;
  font.fontName = L"Tahoma";
  font.fontSize = 9;
  PropertyBox_AddRow(box, -1, L"Font", &font, 0);
  PropertyRowDescription folder;
  folder.kind = PropertyKind::Folder;
  folder.fileTitle = L"Pick";
  PropertyBox_AddRow(box, -1, L"Folder", &folder, 0);
  EXPECT_EQ(PropertyBox_GetText(box, 0, kTextFontName), L"Tahoma");
  PropertyBox_SetText(box, 0, L"Verdana", kTextFontName);
  EXPECT_EQ(PropertyBox_GetText(box, 0, kTextFontName), L"Verdana");
  EXPECT_EQ(PropertyBox_GetText(box, 1, kTextFileTitle), L"Pick");
  PropertyBox_SetText(box, 1, L"C:\\games", kTextFolder);
  EXPECT_EQ(PropertyBox_GetText(box, 1, kTextFolder), L"C:\\games");
  EXPECT_EQ(PropertyBox_GetRowValue(box, 0, kRowFontSize), 9);
  PropertyBox_SetRowValue(box, 0, kRowFontSize, 12);
  EXPECT_EQ(PropertyBox_GetRowValue(box, 0, kRowFontSize), 12);
}

TEST_F(PropertyBoxTest, ClearingOrRemovingTheCurrentRowLeavesNoCurrentOrMarkedRow) {
  MakeBox();
  Add(-1, L"a\n1");
  Add(-1, L"b\n2");
  Add(-1, L"c\n3");
  PropertyBox_SetCurrentRow(box, 1);
  EXPECT_EQ(PropertyBox_GetCurrentRow(box), 1);
  EXPECT_EQ(grid_GetCurrentColumn(box), 2) << "the value cell";
  PropertyBox_RemoveRow(box, 1);
  EXPECT_EQ(PropertyBox_GetCurrentRow(box), -1);
  EXPECT_EQ(grid_GetCurrentRow(box), -1);
  EXPECT_EQ(GridRows(), (Rows{L"a|1", L"c|3"}));

  PropertyBox_SetCurrentRow(box, 1);
  EXPECT_EQ(PropertyBox_GetCurrentRow(box), 1);
  PropertyBox_Clear(box);
  EXPECT_EQ(PropertyBox_CountRows(box), 0);
  EXPECT_EQ(grid_CountRows(box), 0);
  EXPECT_EQ(PropertyBox_GetCurrentRow(box), -1);
  EXPECT_EQ(grid_GetCurrentRow(box), -1);
  // The box still works after a clear.
  Add(-1, L"again\n4");
  EXPECT_EQ(GridRows(), (Rows{L"again|4"}));
  UpdateWindow(Window());
}

TEST_F(PropertyBoxTest, OutOfRangeRowsAndGadgetsThatAreNoBoxGiveNothing) {
  MakeBox();
  Add(-1, L"a\n1");
  for (int index : {-1, 1, 1000}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(PropertyBox_GetText(box, index, 1), L"");
    EXPECT_EQ(PropertyBox_SetText(box, index, L"x", 1), 0);
    EXPECT_EQ(PropertyBox_GetItemData(box, index), 0);
    EXPECT_EQ(PropertyBox_GetRowColour(box, index, kRowLabelText), 0u);
    EXPECT_EQ(PropertyBox_RemoveRow(box, index), 0);
    EXPECT_EQ(PropertyBox_SetCurrentRow(box, index), 0);
    EXPECT_EQ(PropertyBox_GetCollapsed(box, index), 0);
  }
  EXPECT_EQ(PropertyBox_CountRows(box), 1);
  EXPECT_EQ(GridRows(), (Rows{L"a|1"}));

  int plainGrid = grid_Create(kAnyNumber, 0, 0, 100, 100, 18, 0, 0);
  ASSERT_GE(plainGrid, 0);
  grid_AddColumn(plainGrid, -1, L"", 50);
  grid_AddRows(plainGrid, -1, 1);
  for (int gadget : {plainGrid, 0x7FFF0000}) {
    SCOPED_TRACE(gadget);
    EXPECT_EQ(PropertyBox_Is(gadget), 0);
    PropertyRowDescription description;
    description.kind = PropertyKind::ReadOnlyText;
    EXPECT_EQ(PropertyBox_AddRow(gadget, -1, L"x", &description, 0), 0);
    EXPECT_EQ(PropertyBox_CountRows(gadget), 0);
    EXPECT_EQ(PropertyBox_GetText(gadget, 0, 1), L"");
    EXPECT_EQ(PropertyBox_GetColour(gadget, kBoxMarginColour), 0u);
    EXPECT_EQ(PropertyBox_GetCurrentRow(gadget), -1);
  }
  EXPECT_EQ(grid_CountRows(plainGrid), 1);
}

TEST_F(PropertyBoxTest, RowColoursRestoreTheirCreationValuesWithMinusOne) {
  MakeBox();
  Add(-1, L"a\n1");
  EXPECT_EQ(PropertyBox_GetRowColour(box, 0, kRowLabelBack), RGB(255, 255, 255));
  PropertyBox_SetRowColour(box, 0, kRowLabelBack, RGB(1, 2, 3));
  PropertyBox_SetRowColour(box, 0, kRowValueText, RGB(4, 5, 6));
  EXPECT_EQ(PropertyBox_GetRowColour(box, 0, kRowLabelBack), RGB(1, 2, 3));
  EXPECT_EQ(PropertyBox_GetRowColour(box, 0, kRowValueText), RGB(4, 5, 6));
  PropertyBox_SetRowColour(box, 0, kRowLabelBack, 0xFFFFFFFF);
  PropertyBox_SetRowColour(box, 0, kRowValueText, 0xFFFFFFFF);
  EXPECT_EQ(PropertyBox_GetRowColour(box, 0, kRowLabelBack), RGB(255, 255, 255));
  EXPECT_EQ(PropertyBox_GetRowColour(box, 0, kRowValueText), RGB(0, 0, 0));
  PropertyBox_SetColour(box, kBoxMarginColour, RGB(9, 9, 9));
  EXPECT_EQ(PropertyBox_GetColour(box, kBoxMarginColour), RGB(9, 9, 9));
  PropertyBox_SetColour(box, kBoxMarginColour, 0xFFFFFFFF);
  EXPECT_EQ(PropertyBox_GetColour(box, kBoxMarginColour), GetSysColor(COLOR_BTNFACE));
}

TEST_F(PropertyBoxTest, TwoBoxesShareTheImagesAndTheLastOneFreesThem) {
  EXPECT_FALSE(PropertyBox_SharedResourcesExist());
  int first = MakeBox();
  int second = MakeBox();
  ASSERT_NE(first, second);
  EXPECT_EQ(PropertyBox_LiveCount(), 2);
  FreeGadget(first);
  EXPECT_EQ(PropertyBox_LiveCount(), 1);
  EXPECT_TRUE(PropertyBox_SharedResourcesExist()) << "the second box still paints with them";
  EXPECT_EQ(PropertyBox_Is(first), 0);
  box = second;
  Add(-1, L"Heading", PropertyKind::Heading);
  UpdateWindow(Window());
  FreeGadget(second);
  EXPECT_EQ(PropertyBox_LiveCount(), 0);
  EXPECT_FALSE(PropertyBox_SharedResourcesExist());
  // And a new box makes them again.
  MakeBox();
  EXPECT_TRUE(PropertyBox_SharedResourcesExist());
}

TEST_F(PropertyBoxTest, ABoxCreatedUnderTheNumberOfTheLastBoxKeepsTheSharedImages) {
  int number = MakeBox();
  int again = PropertyBox_Create(number, 0, 0, 200, 100, 18, 80, 80, 0, RecordingBoxOwner);
  ASSERT_EQ(again, number);
  EXPECT_EQ(PropertyBox_LiveCount(), 1);
  EXPECT_TRUE(PropertyBox_SharedResourcesExist());
}

int ValueWidth(int gadget) {
  return static_cast<int>(SendMessageW(GadgetWindow(gadget), LVM_GETCOLUMNWIDTH, 3, 0));
}

TEST_F(PropertyBoxTest, TheValueColumnFillsTheWidthLeftByMarginAndLabel) {
  const int edge = GetSystemMetrics(SM_CXEDGE);
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  struct Case {
    uint32_t style;
    int expected;
  } cases[] = {
      {kPropertyBoxFillWidth, 300 - 18 - 100 - 2 * edge},
      {kPropertyBoxFillWidth | kPropertyBoxNoClientEdge, 300 - 18 - 100},
      {kPropertyBoxFillWidth | kPropertyBoxNoClientEdge | kPropertyBoxBorders, 300 - 18 - 100 - 1},
      {0, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    MakeBox(c.style);
    Add(-1, L"a\n1");
    EXPECT_EQ(ValueWidth(box), c.expected);
    // Rows taller than the box leave room for the vertical scroll bar.
    for (int i = 0; i < 20; ++i) Add(-1, L"more");
    EXPECT_EQ(ValueWidth(box), (c.style & kPropertyBoxFillWidth) ? c.expected - bar : 150);
    PropertyBox_Clear(box);
    EXPECT_EQ(ValueWidth(box), c.expected);
    // Resizing refits.
    PropertyBox_Resize(box, 0, 0, 400, 200);
    EXPECT_EQ(ValueWidth(box), (c.style & kPropertyBoxFillWidth) ? c.expected + 100 : 150);
    FreeGadget(box);
  }
  MakeBox(kPropertyBoxFillWidth, RecordingBoxOwner, 100, 100, 200, 50);
  EXPECT_EQ(ValueWidth(box), 0) << "never below 0";
}

TEST_F(PropertyBoxTest, TheGenericGadgetCommandsReachTheBox) {
  MakeBox();
  EXPECT_EQ(AddGadgetItem(box, -1, L"a\n1"), 0);
  EXPECT_EQ(AddGadgetItemEx(box, 0, L"z\n0", nullptr, 1), 0) << "flags: grouped";
  PropertyRowDescription heading;
  heading.kind = PropertyKind::Heading;
  EXPECT_EQ(AddGadgetItemEx(box, 0, L"Group", &heading, 0), 0);
  EXPECT_EQ(CountGadgetItems(box), 3);
  EXPECT_EQ(GetGadgetItemText(box, 2, 1), L"a");
  SetGadgetItemText(box, 2, L"one", 2);
  EXPECT_EQ(GetGadgetItemText(box, 2, 2), L"one");
  SetGadgetItemData(box, 1, 7);
  EXPECT_EQ(GetGadgetItemData(box, 1), 7);
  SetGadgetItemColour(box, 1, kRowValueBack, RGB(1, 1, 1));
  EXPECT_EQ(GetGadgetItemColour(box, 1, kRowValueBack), RGB(1, 1, 1));
  SetGadgetItemValue(box, 1, kRowColour, 5);
  EXPECT_EQ(GetGadgetItemValue(box, 1, kRowColour), 5);
  SetGadgetColour(box, kBoxCurrentLabelBack, RGB(2, 2, 2));
  EXPECT_EQ(GetGadgetColour(box, kBoxCurrentLabelBack), RGB(2, 2, 2));
  SetGadgetItemState(box, 0, 1);
  EXPECT_EQ(GetGadgetItemState(box, 0), 1);
  EXPECT_EQ(GridRows(), (Rows{L"Group|", L"a|one"})) << "z is grouped, a is not";
  SetGadgetItemState(box, 0, 0);
  SetGadgetState(box, 2);
  EXPECT_EQ(GetGadgetState(box), 2);
  EXPECT_EQ(RemoveGadgetItem(box, 1), 0);
  EXPECT_EQ(GridRows(), (Rows{L"Group|", L"a|one"}));
  ResizeGadget(box, 5, 6, 250, 120);
  RECT placed;
  GetWindowRect(Window(), &placed);
  EXPECT_EQ(placed.right - placed.left, 250);
  ClearGadgetItems(box);
  EXPECT_EQ(CountGadgetItems(box), 0);
}

TEST_F(PropertyBoxTest, AnOwnerThatFreesTheBoxWhileAHeadingTogglesIsSurvived) {
  MakeBox();
  Add(-1, L"Group", PropertyKind::Heading);
  Add(-1, L"a\n1");
  const int gadget = box;
  boxOwner.during = [gadget] { FreeGadget(gadget); };
  EXPECT_EQ(PropertyBox_SetCollapsed(box, 0, 1), 0);
  EXPECT_EQ(PropertyBox_Is(gadget), 0);
  EXPECT_EQ(boxOwner.seen, (std::vector<BoxEvent>{{PropertyEvent::Collapsing, 0}}));

  // Rebuilt under the same number inside the event: the new box is left alone.
  MakeBox();
  Add(-1, L"Group", PropertyKind::Heading);
  Add(-1, L"a\n1");
  const int number = box;
  boxOwner.during = [this, number] {
    FreeGadget(number);
    box = PropertyBox_Create(number, 0, 0, 200, 100, 18, 80, 80, 0, RecordingBoxOwner);
    Add(-1, L"fresh\nrow");
  };
  PropertyBox_SetCollapsed(box, 0, 1);
  EXPECT_EQ(box, number);
  EXPECT_EQ(GridRows(), (Rows{L"fresh|row"}));
}

TEST_F(PropertyBoxTest, AnOwnerRefusingAProgramsToggleDoesNotStopIt) {
  MakeBox();
  Add(-1, L"Group", PropertyKind::Heading);
  Add(-1, L"a\n1");
  boxOwner.answer = 0;
  PropertyBox_SetCollapsed(box, 0, 1);
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 0), 1);
}

TEST_F(PropertyBoxTest, AValueLongerThanItsCellIsKeptWhole) {
  MakeBox(kPropertyBoxFillWidth);
  Add(-1, L"Host");
  std::wstring longValue(5000, L'x');
  longValue += L"end";
  PropertyBox_SetText(box, 0, longValue.c_str(), 2);
  EXPECT_EQ(PropertyBox_GetText(box, 0, 2), longValue);
  EXPECT_EQ(grid_GetCellText(box, 2, 0), longValue);
  Picture picture = Render(Window());
  RECT value = Cell(0, 2);
  EXPECT_GT(picture.CountIn(value, RGB(0, 0, 0)), 0) << "drawn, cut with an ellipsis";
}

}  // namespace

namespace {

TEST_F(PropertyBoxTest, AnEditedValueIsStoredOnlyWhenTheOwnerAllowsIt) {
  MakeBox();
  Add(-1, L"name\nold", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 0);
  Type(L"new");
  EXPECT_EQ(PropertyBox_GetText(box, 0, 2), L"new") << "while editing, the editor's text";
  grid_EndEdit(box, 0);
  EXPECT_EQ(PropertyBox_GetText(box, 0, 2), L"new");
  EXPECT_EQ(boxOwner.seen, (std::vector<BoxEvent>{{PropertyEvent::TextChanging, 0 + 65536 * 2}}));

  PropertyBox_SetCurrentRow(box, 0);
  Type(L"refused");
  // Any answer but 0 allows a change; 0 alone refuses it.
  boxOwner.answer = 0;
  grid_EndEdit(box, 0);
  EXPECT_EQ(PropertyBox_GetText(box, 0, 2), L"new");
  EXPECT_EQ(grid_GetCellText(box, 2, 0), L"new");

  boxOwner.answer = 1;
  PropertyBox_SetCurrentRow(box, 0);
  Type(L"allowed");
  boxOwner.answer = 2;
  grid_EndEdit(box, 0);
  EXPECT_EQ(PropertyBox_GetText(box, 0, 2), L"allowed");
}

TEST_F(PropertyBoxTest, TextTheProgramSetsInTheOpenCellIsNoEditOfTheUsers) {
  MakeBox();
  Add(-1, L"name\nold", PropertyKind::Text);
  Add(-1, L"other\nrow", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 0);
  PropertyBox_SetText(box, 0, L"set", 2);
  PropertyBox_SetCurrentRow(box, 1);
  EXPECT_TRUE(boxOwner.seen.empty()) << "the owner is not asked about the program's own change";
  EXPECT_EQ(PropertyBox_GetText(box, 0, 2), L"set");
  EXPECT_EQ(grid_GetCellText(box, 2, 0), L"set");
}

TEST_F(PropertyBoxTest, TheGridsOwnColoursReadBackAsTheyWereSet) {
  MakeBox();
  const struct {
    int selector;
    COLORREF colour;
  } cases[] = {{kGridFrameColour, RGB(1, 2, 3)}, {kGridSelectionColour, RGB(4, 5, 6)},
               {kGridLineColour, RGB(7, 8, 9)}, {kGridEmptyAreaColour, RGB(10, 11, 12)}};
  EXPECT_EQ(PropertyBox_GetColour(box, kGridSelectionColour), RGB(223, 223, 223)) << "as the box made it";
  for (const auto& c : cases) {
    PropertyBox_SetColour(box, c.selector, c.colour);
    EXPECT_EQ(PropertyBox_GetColour(box, c.selector), c.colour) << "selector " << c.selector;
  }
  EXPECT_EQ(PropertyBox_GetColour(box, 12), 0u) << "no such colour";
}

TEST_F(PropertyBoxTest, AnOwnerAddingARowWhileAnAddCommitsTheEditGetsEveryRowOnce) {
  MakeBox();
  Add(-1, L"a\n1", PropertyKind::Text);
  Add(-1, L"b\n2", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 0);
  Type(L"new");
  bool added = false;
  boxOwner.decide = [this, &added](int32_t code, int32_t, intptr_t) -> int32_t {
    if (code == PropertyEvent::TextChanging && !added) {
      added = true;
      Add(-1, L"late\n3", PropertyKind::Text);
    }
    return 1;
  };
  EXPECT_EQ(Add(-1, L"next\n4"), 4);
  EXPECT_EQ(GridRows(), (Rows{L"a|new", L"b|2", L"late|3", L"next|4"}));
  EXPECT_EQ(Add(-1, L"more\n5"), 5);
  EXPECT_EQ(GridRows().size(), 5u);
  EXPECT_EQ(PropertyBox_GetText(box, 3, 1), L"next");
}

TEST_F(PropertyBoxTest, AnOwnerThatFreesTheBoxWhileAnEditIsCommittedIsSurvived) {
  MakeBox();
  Add(-1, L"name\nold", PropertyKind::Text);
  Add(-1, L"other\nrow", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 0);
  Type(L"new");
  const int gadget = box;
  boxOwner.during = [gadget] { FreeGadget(gadget); };
  // Removing the row being edited commits the edit first.
  PropertyBox_RemoveRow(box, 0);
  EXPECT_EQ(PropertyBox_Is(gadget), 0);
  EXPECT_EQ(boxOwner.seen, (std::vector<BoxEvent>{{PropertyEvent::TextChanging, 0 + 65536 * 2}}));
}

}  // namespace
