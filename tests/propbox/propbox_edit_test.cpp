// The property box's answers to its grid's input: headings folded by the
// margin box, a double click and Ctrl+Space; the current cell moved by the
// box's own rules; what typed characters pass; the value button; label-edit mode;
// and owners that free the box inside the events.
//
// The grid's events are raised at the box as the grid raises them, with the
// mouse put where the grid's hit test found the cell; what the owner hears is
// compared with the expected sequence.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "grid/grid.h"
#include "grid/grid_private.h"
#include "propbox/propbox_private.h"
#include "runtime/runtime.h"
#include "tests/propbox/propbox_fixture.h"

namespace {

using Rows = std::vector<std::wstring>;
using Events = std::vector<BoxEvent>;

// --- headings ---------------------------------------------------------------

class PropertyBoxEditTest : public PropertyBoxTest {
 protected:
  // Heading "One" with a, b; a loose row; heading "Two" with c.
  void MakeGroups(uint32_t style = 0) {
    MakeBox(style);
    Add(-1, L"One", PropertyKind::Heading);
    Add(-1, L"a\n1");
    Add(-1, L"b\n2");
    Add(-1, L"loose\n3", PropertyKind::ReadOnlyText, 0);
    Add(-1, L"Two", PropertyKind::Heading);
    Add(-1, L"c\n4");
  }
  void ClickMarginBox(int gridRow) {
    const POINT centre = Centre(Cell(gridRow, 0));
    Raise(GridEvent::LeftClick, gridRow, 0, MK_LBUTTON, &centre);
  }
  void SetCtrl(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  void CtrlSpace() {
    SetCtrl(true);
    SendMessageW(Window(), WM_CHAR, L' ', 0);
    if (IsWindow(Window())) SetCtrl(false);
  }
  const Rows all{L"One|", L"a|1", L"b|2", L"loose|3", L"Two|", L"c|4"};
};

TEST_F(PropertyBoxEditTest, TheMarginBoxFoldsAHeadingAndBringsItsRowsBackInOrder) {
  MakeGroups();
  ClickMarginBox(0);
  EXPECT_EQ(GridRows(), (Rows{L"One|", L"loose|3", L"Two|", L"c|4"}));
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 0), 1);
  // The click that toggles moves nothing: the grid's proposal that follows
  // it is refused without an owner event.
  EXPECT_EQ(Raise(GridEvent::CellChanging, 0, 0, 0), 0);
  EXPECT_EQ(grid_GetCurrentRow(box), -1);

  ClickMarginBox(2);
  ClickMarginBox(0);
  EXPECT_EQ(GridRows(), (Rows{L"One|", L"a|1", L"b|2", L"loose|3", L"Two|"}));
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::Collapsing, 0}, {PropertyEvent::Collapsing, 4},
                                    {PropertyEvent::Expanding, 0}}));

  // Outside the 12 x 12 box, or in another column, nothing toggles.
  boxOwner.seen.clear();
  const RECT margin = Cell(0, 0);
  const POINT corner{margin.left, margin.top};
  Raise(GridEvent::LeftClick, 0, 0, MK_LBUTTON, &corner);
  const POINT label = Centre(Cell(0, 1));
  Raise(GridEvent::LeftClick, 0, 1, MK_LBUTTON, &label);
  EXPECT_TRUE(boxOwner.seen.empty());
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 0), 0);
}

TEST_F(PropertyBoxEditTest, ADoubleClickOnAHeadingsTextAndCtrlSpaceToggleIt) {
  MakeGroups();
  Raise(GridEvent::DoubleClick, 0, 1);
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 0), 1);
  Raise(GridEvent::DoubleClick, 0, 2);
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 0), 0);
  Raise(GridEvent::DoubleClick, 0, 0);
  Raise(GridEvent::DoubleClick, 1, 1);
  EXPECT_EQ(GridRows(), all) << "a double click on the margin or a plain row toggles nothing";

  PropertyBox_SetCurrentRow(box, 4);
  CtrlSpace();
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 4), 1);
  SendMessageW(Window(), WM_CHAR, L' ', 0);
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 4), 1) << "Space without Ctrl";
  CtrlSpace();
  EXPECT_EQ(GridRows(), all);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::Collapsing, 0}, {PropertyEvent::Expanding, 0},
                                    {PropertyEvent::Collapsing, 4},
                                    {PropertyEvent::Expanding, 4}}))
      << "SetCurrentRow asks nothing; its row is what Ctrl+Space toggles";
}

TEST_F(PropertyBoxEditTest, TheOwnerMayRefuseAToggleTheUserAsksFor) {
  MakeGroups();
  boxOwner.answer = 0;
  ClickMarginBox(0);
  Raise(GridEvent::DoubleClick, 4, 1);
  EXPECT_EQ(GridRows(), all);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::Collapsing, 0}, {PropertyEvent::Collapsing, 4}}));

  boxOwner.answer = 1;
  PropertyBox_SetCollapsed(box, 0, 1);
  boxOwner.answer = 0;
  boxOwner.seen.clear();
  ClickMarginBox(0);
  EXPECT_EQ(PropertyBox_GetCollapsed(box, 0), 1);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::Expanding, 0}}));
}

TEST_F(PropertyBoxEditTest, AHeadingFoldedWhileItsRowIsEditedCommitsTheEditFirst) {
  MakeBox();
  Add(-1, L"One", PropertyKind::Heading);
  Add(-1, L"name\nold", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 1);
  GridRecord* record = RecordFromGadget(box);
  ASSERT_NE(record, nullptr);
  record->editText = L"typed";
  ClickMarginBox(0);
  EXPECT_EQ(PropertyBox_GetText(box, 1, 2), L"typed");
  EXPECT_EQ(grid_GetCurrentRow(box), -1) << "no cell is left current over the row that went";
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::Collapsing, 0}, {PropertyEvent::TextChanging, 1 + 65536 * 2}}));
  ClickMarginBox(0);
  EXPECT_EQ(GridRows(), (Rows{L"One|", L"name|typed"}));
}

TEST_F(PropertyBoxEditTest, AnOwnerFreeingTheBoxInsideAUserToggleIsSurvived) {
  for (int how = 0; how < 3; ++how) {
    MakeGroups();
    const int gadget = box;
    boxOwner.during = [gadget] { FreeGadget(gadget); };
    if (how == 0) ClickMarginBox(0);
    if (how == 1) Raise(GridEvent::DoubleClick, 0, 1);
    if (how == 2) {
      PropertyBox_SetCurrentRow(box, 0);
      boxOwner.during = [gadget] { FreeGadget(gadget); };
      CtrlSpace();
      SetCtrl(false);
    }
    EXPECT_EQ(PropertyBox_Is(gadget), 0) << how;
  }
}

// --- current-cell moves -----------------------------------------------------

TEST_F(PropertyBoxEditTest, TabAndShiftTabWrapRoundTheRowsToTheValueCells) {
  MakeBox();
  Add(-1, L"a\n1", PropertyKind::Text);
  Add(-1, L"b\n2", PropertyKind::Text);
  Add(-1, L"c\n3", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 2);
  // The grid proposes the next cell; the box refuses and moves itself.
  EXPECT_EQ(Raise(GridEvent::CellChanging, 0, 0, 1), 0);
  EXPECT_EQ(grid_GetCurrentRow(box), 0);
  EXPECT_EQ(grid_GetCurrentColumn(box), 2);
  Raise(GridEvent::CellChanging, 0, 0, 1);
  EXPECT_EQ(grid_GetCurrentRow(box), 1);

  // Shift+Tab: the grid proposes the label cell of the same row.
  PropertyBox_SetCurrentRow(box, 0);
  EXPECT_EQ(Raise(GridEvent::CellChanging, 0, 1, 2), 0);
  EXPECT_EQ(grid_GetCurrentRow(box), 2) << "before the first row, the last";
  EXPECT_EQ(grid_GetCurrentColumn(box), 2);
  Raise(GridEvent::CellChanging, 1, 2, 2);
  EXPECT_EQ(grid_GetCurrentRow(box), 2) << "a proposal on another row moves nothing";
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::RowChanging, 0}, {PropertyEvent::RowChanging, 1},
                                    {PropertyEvent::RowChanging, 2}}));
  EXPECT_EQ(PropertyBox_GetCurrentRow(box), 2);
}

TEST_F(PropertyBoxEditTest, LeftRightAndAClickOnTheCurrentRowMoveNothing) {
  MakeBox();
  Add(-1, L"a\n1", PropertyKind::Text);
  Add(-1, L"b\n2", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 0);
  for (intptr_t reason : {3, 4}) EXPECT_EQ(Raise(GridEvent::CellChanging, 0, 1, reason), 0);
  Raise(GridEvent::CellChanging, 0, 1, 0);
  EXPECT_EQ(grid_GetCurrentColumn(box), 2);
  EXPECT_TRUE(boxOwner.seen.empty());

  // Down, a click on another row: there, always on the value cell.
  Raise(GridEvent::CellChanging, 1, 1, 6);
  EXPECT_EQ(grid_GetCurrentRow(box), 1);
  EXPECT_EQ(grid_GetCurrentColumn(box), 2);
  Raise(GridEvent::CellChanging, 0, 0, 0);
  EXPECT_EQ(grid_GetCurrentRow(box), 0);
  EXPECT_EQ(grid_GetCurrentColumn(box), 2);
}

TEST_F(PropertyBoxEditTest, OnAHeadingTheColumnFollowsHowTheMoveCame) {
  MakeGroups();
  PropertyBox_SetCurrentRow(box, 5);
  Raise(GridEvent::CellChanging, 0, 0, 1);  // Tab from the last row
  EXPECT_EQ(grid_GetCurrentRow(box), 0);
  EXPECT_EQ(grid_GetCurrentColumn(box), 1) << "Tab: the label";
  Raise(GridEvent::CellChanging, 4, 1, 0);
  EXPECT_EQ(grid_GetCurrentColumn(box), 2) << "a click outside the margin: the value";
  Raise(GridEvent::CellChanging, 0, 0, 0);
  EXPECT_EQ(grid_GetCurrentColumn(box), 0) << "a click in the margin stays there";
  Raise(GridEvent::CellChanging, 4, 1, 6);
  EXPECT_EQ(grid_GetCurrentColumn(box), 1) << "a key: the proposed column";
}

TEST_F(PropertyBoxEditTest, TheOwnerMayRefuseAMoveAndMayFreeTheBoxWhileAsked) {
  MakeBox();
  Add(-1, L"a\n1", PropertyKind::Text);
  Add(-1, L"b\n2", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 0);
  boxOwner.answer = 0;
  Raise(GridEvent::CellChanging, 1, 2, 6);
  EXPECT_EQ(grid_GetCurrentRow(box), 0);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::RowChanging, 1}}));

  const int gadget = box;
  boxOwner.during = [gadget] { FreeGadget(gadget); };
  EXPECT_EQ(Raise(GridEvent::CellChanging, 1, 2, 6), 0);
  EXPECT_EQ(PropertyBox_Is(gadget), 0);
}

TEST_F(PropertyBoxEditTest, AMoveEndsOnTheChosenRowWhenTheCommitRestructuresTheRows) {
  // What the owner does to the rows while the edit of a's value is committed.
  const struct {
    const char* name;
    std::function<void()> restructure;
    Rows rows;
  } cases[] = {
      {"a row inserted above", [this] { Add(0, L"first\n0", PropertyKind::Text); },
       Rows{L"first|0", L"a|new", L"b|2", L"c|3"}},
      {"the edited row removed", [this] { PropertyBox_RemoveRow(box, 0); },
       Rows{L"b|2", L"c|3"}},
      {"the row below removed", [this] { PropertyBox_RemoveRow(box, 1); },
       Rows{L"a|new", L"c|3"}},
  };
  for (const auto& c : cases) {
    MakeBox();
    Add(-1, L"a\n1", PropertyKind::Text);
    Add(-1, L"b\n2", PropertyKind::Text);
    Add(-1, L"c\n3", PropertyKind::Text);
    PropertyBox_SetCurrentRow(box, 0);
    Type(L"new");
    bool done = false;
    boxOwner.decide = [&c, &done](int32_t code, int32_t, intptr_t) -> int32_t {
      if (code == PropertyEvent::TextChanging && !done) {
        done = true;
        c.restructure();
      }
      return 1;
    };
    // A click on c's value.
    const POINT target = Centre(Cell(2, 2));
    Raise(GridEvent::CellChanging, 2, 2, 0, &target);
    EXPECT_EQ(GridRows(), c.rows) << c.name;
    const int current = PropertyBox_GetCurrentRow(box);
    EXPECT_EQ(PropertyBox_GetText(box, current, 1), L"c") << c.name;
    EXPECT_EQ(BoxFromGadget(box)->markedRow, grid_GetCurrentRow(box)) << c.name;
    FreeGadget(box);
  }
}

TEST_F(PropertyBoxEditTest, ALabelEditStartsOnTheDoubleClickedRowWhenTheCommitInsertsAbove) {
  MakeBox(kPropertyBoxEditLabels);
  Add(-1, L"a\n1", PropertyKind::Text);
  Add(-1, L"b\n2", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 0);
  Type(L"new");
  bool done = false;
  boxOwner.decide = [this, &done](int32_t code, int32_t, intptr_t) -> int32_t {
    if (code == PropertyEvent::TextChanging && !done) {
      done = true;
      Add(0, L"first\n0", PropertyKind::Text);
    }
    return 1;
  };
  Raise(GridEvent::DoubleClick, 1, 1);
  EXPECT_TRUE(BoxFromGadget(box)->labelEditing);
  EXPECT_EQ(grid_GetCurrentColumn(box), 1);
  EXPECT_EQ(PropertyBox_GetText(box, PropertyBox_GetCurrentRow(box), 1), L"b");
}

TEST_F(PropertyBoxEditTest, EndingAnEditTellsTheOwnerOnlyWhenTheFocusLeftTheGrid) {
  MakeBox();
  Add(-1, L"a\n1", PropertyKind::Text);
  Add(-1, L"b\n2", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 1);
  SetFocus(Window());
  Raise(GridEvent::EditEnded, 1, 2);
  EXPECT_TRUE(boxOwner.seen.empty()) << "the focus is still in the grid";
  Raise(GridEvent::EditEnded, 1, 2);
  EXPECT_TRUE(boxOwner.seen.empty()) << "the mark went with the first";

  PropertyBox_SetCurrentRow(box, 1);
  SetFocus(parent);
  Raise(GridEvent::EditEnded, 1, 2);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::FocusLeft, 1}}));
}

TEST_F(PropertyBoxEditTest, WithTheSelectionKeptTheMarkStaysWhenTheFocusLeaves) {
  MakeBox(kPropertyBoxShowSelection);
  Add(-1, L"a\n1", PropertyKind::Text);
  PropertyBox_SetCurrentRow(box, 0);
  SetFocus(parent);
  Raise(GridEvent::EditEnded, 0, 2);
  EXPECT_TRUE(boxOwner.seen.empty());
  EXPECT_EQ(BoxFromGadget(box)->markedRow, 0);
}

// --- typing -----------------------------------------------------------------

TEST_F(PropertyBoxEditTest, TypedCharactersAreFilteredByKindAndTextRowsAskTheOwner) {
  MakeBox();
  Add(-1, L"n\n", PropertyKind::UnsignedNumber);
  Add(-1, L"t\n", PropertyKind::Text);
  Add(-1, L"c\n", PropertyKind::EditableChoice);
  Add(-1, L"r\n", PropertyKind::ReadOnlyText);
  EXPECT_EQ(Raise(GridEvent::KeyChar, 0, 2, L'-'), 0);
  EXPECT_EQ(Raise(GridEvent::KeyChar, 0, 2, L'7'), 1);
  EXPECT_EQ(Raise(GridEvent::KeyChar, 0, 1, L'-'), 1) << "labels are not numbers";
  EXPECT_TRUE(boxOwner.seen.empty());

  boxOwner.decide = [](int32_t code, int32_t, intptr_t extra) -> int32_t {
    if (code != PropertyEvent::KeyChar) return 1;
    auto* character = reinterpret_cast<wchar_t*>(extra);
    if (*character == L'x') return 0;
    *character = static_cast<wchar_t>(towupper(*character));
    return 1;
  };
  GridCellEvent event;
  event.row = 1;
  event.column = 2;
  event.extra = L'q';
  EXPECT_EQ(PropertyBoxGridEvent(box, GridEvent::KeyChar, &event), 1);
  EXPECT_EQ(event.extra, L'Q') << "the owner changed the character";
  EXPECT_EQ(Raise(GridEvent::KeyChar, 1, 2, L'x'), 0);
  EXPECT_EQ(Raise(GridEvent::KeyChar, 2, 2, L'x'), 0);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::KeyChar, 1}, {PropertyEvent::KeyChar, 1},
                                    {PropertyEvent::KeyChar, 2}}));

  boxOwner.decide = nullptr;
  const int gadget = box;
  boxOwner.during = [gadget] { FreeGadget(gadget); };
  EXPECT_EQ(Raise(GridEvent::KeyChar, 1, 2, L'a'), 0) << "a freed box takes nothing";
  EXPECT_EQ(PropertyBox_Is(gadget), 0);
}

TEST_F(PropertyBoxEditTest, DeleteOnlyOnTextRowsAndNoClipboardAnywhere) {
  MakeBox();
  Add(-1, L"t\nx", PropertyKind::Text);
  Add(-1, L"n\n1", PropertyKind::UnsignedNumber);
  Add(-1, L"r\nx", PropertyKind::ReadOnlyText);
  EXPECT_EQ(Raise(GridEvent::DeleteKey, 0, 2), 1);
  EXPECT_EQ(Raise(GridEvent::DeleteKey, 1, 2), 0);
  EXPECT_EQ(Raise(GridEvent::DeleteKey, 2, 2), 0);
  for (intptr_t action : {0, 1, 2}) EXPECT_EQ(Raise(GridEvent::Clipboard, 0, 2, action), 0);
}

TEST_F(PropertyBoxEditTest, PastedTextPassesWhatTypedTextPasses) {
  MakeBox();
  Add(-1, L"unsigned\n12", PropertyKind::UnsignedNumber);
  Add(-1, L"signed\n", PropertyKind::SignedNumber);
  Add(-1, L"text\nold", PropertyKind::Text);
  // Ctrl+V typed into the value editor of a grid row, two characters in;
  // or, with `message`, WM_PASTE as any other way of pasting sends it.
  auto paste = [this](int gridRow, const wchar_t* clip, bool message = false) {
    ASSERT_TRUE(OpenClipboard(Window()));
    EmptyClipboard();
    const size_t bytes = (wcslen(clip) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), clip, bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    grid_SetCurrentCell(box, 2, gridRow, 1, 1);
    HWND editor = RecordFromGadget(box)->editWindow;
    ASSERT_EQ(GetFocus(), editor);
    SendMessageW(editor, EM_SETSEL, 2, 2);
    if (message) SendMessageW(editor, WM_PASTE, 0, 0);
    else SendMessageW(editor, WM_CHAR, 0x16, 1);  // Ctrl+V
    grid_EndEdit(box, 0);
  };
  paste(0, L"3abc4\r\n5");
  EXPECT_EQ(PropertyBox_GetText(box, 0, 2), L"1234") << "letters dropped, one line";
  paste(1, L"7-8");
  EXPECT_EQ(PropertyBox_GetText(box, 1, 2), L"78");

  // A text row's owner hears of each pasted character and may refuse it.
  boxOwner.decide = [](int32_t code, int32_t, intptr_t extra) -> int32_t {
    return code == PropertyEvent::KeyChar && *reinterpret_cast<wchar_t*>(extra) == L'x' ? 0 : 1;
  };
  boxOwner.seen.clear();
  paste(2, L"axb");
  EXPECT_EQ(PropertyBox_GetText(box, 2, 2), L"olabd") << "typed at the caret after \"ol\"";
  EXPECT_EQ(std::count(boxOwner.seen.begin(), boxOwner.seen.end(), BoxEvent{PropertyEvent::KeyChar, 2}), 3);

  // The editor's own menu (with its Paste) is not offered; the owner hears
  // of the right click.
  grid_SetCurrentCell(box, 2, 0, 1, 1);
  boxOwner.seen.clear();
  EXPECT_EQ(Raise(GridEvent::RightClick, 0, 2, reinterpret_cast<intptr_t>(RecordFromGadget(box)->editWindow)), 0);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::RightClick, 0}}));

  // However else letters reach a number row's editor, they are not stored.
  grid_EndEdit(box, 0);
  paste(0, L"9z", true);
  EXPECT_EQ(PropertyBox_GetText(box, 0, 2), L"1234");
}

TEST_F(PropertyBoxEditTest, AClickOnAHeadingsBoxThatIsCurrentDoesNotSwallowTheNextMove) {
  MakeGroups();
  const POINT box0 = Centre(Cell(0, 0));
  Click(box0);        // folds "One"
  Click(box0, true);  // the double click's second press: the margin cell becomes current
  Click(box0);        // unfolds; the cell was current, so the grid proposes no move
  ASSERT_EQ(PropertyBox_GetCollapsed(box, 0), 0);
  ASSERT_EQ(GridRows(), all);
  Click(Centre(Cell(1, 2)));
  EXPECT_EQ(PropertyBox_GetCurrentRow(box), 1) << "the click on a row moves there";
}

// --- label-edit mode --------------------------------------------------------

TEST_F(PropertyBoxEditTest, ADoubleClickOnALabelEditsItUntilTheBoxMovesOn) {
  MakeBox(kPropertyBoxEditLabels);
  Add(-1, L"a\n1", PropertyKind::Text);
  Add(-1, L"b\n2", PropertyKind::Text);
  Raise(GridEvent::DoubleClick, 1, 1);
  PropertyBox* record = BoxFromGadget(box);
  EXPECT_TRUE(record->labelEditing);
  EXPECT_EQ(grid_GetCurrentRow(box), 1);
  EXPECT_EQ(grid_GetCurrentColumn(box), 1);
  // In the mode a click on the same row goes to its value and ends it.
  Raise(GridEvent::CellChanging, 1, 2, 0);
  EXPECT_FALSE(record->labelEditing);
  EXPECT_EQ(grid_GetCurrentColumn(box), 2);

  Raise(GridEvent::DoubleClick, 0, 1);
  EXPECT_TRUE(record->labelEditing);
  PropertyBox_SetCurrentRow(box, 1);
  EXPECT_FALSE(record->labelEditing) << "the program setting the row ends it";

  MakeBox();  // without the style a double click edits nothing
  Add(-1, L"a\n1", PropertyKind::Text);
  Raise(GridEvent::DoubleClick, 0, 1);
  EXPECT_FALSE(BoxFromGadget(box)->labelEditing);
}

// --- the value button -------------------------------------------------------

class ValueButtonTest : public PropertyBoxEditTest {
 protected:
  POINT Button(int gridRow) {
    const RECT cell = Cell(gridRow, 2);
    return POINT{cell.right - 10, (cell.top + cell.bottom) / 2};
  }
  void Release(POINT at) { SendMessageW(Window(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y)); }
  void MakeCustomRows(uint32_t style = 0) {
    MakeBox(style);
    Add(-1, L"one\nx", PropertyKind::Custom);
    Add(-1, L"two\ny", PropertyKind::Custom);
    Add(-1, L"text\nz", PropertyKind::Text);
  }
};

TEST_F(ValueButtonTest, PressedAndReleasedOnTheButtonOpensReleasedElsewhereNothing) {
  MakeCustomRows();
  PropertyBox_SetCurrentRow(box, 0);
  boxOwner.seen.clear();
  POINT button = Button(0);
  Raise(GridEvent::LeftClick, 0, 2, MK_LBUTTON, &button);
  EXPECT_EQ(GetCapture(), Window()) << "the press captures the mouse";
  EXPECT_EQ(boxShared.pressedButtonRow, 0);
  Release(POINT{button.x - 40, button.y});
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(boxShared.pressedButtonRow, -1);
  EXPECT_TRUE(boxOwner.seen.empty()) << "released away from the button";

  Raise(GridEvent::LeftClick, 0, 2, MK_LBUTTON, &button);
  Release(button);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::ValueButton, 0}}));

  // A click beside the button, or on a row that is not current, presses
  // nothing.
  boxOwner.seen.clear();
  const POINT beside{button.x - 40, button.y};
  Raise(GridEvent::LeftClick, 0, 2, MK_LBUTTON, &beside);
  button = Button(1);
  Raise(GridEvent::LeftClick, 1, 2, MK_LBUTTON, &button);
  EXPECT_EQ(boxShared.pressedButtonRow, -1);
  Release(button);
  EXPECT_TRUE(boxOwner.seen.empty());
}

TEST_F(ValueButtonTest, WithTheAlwaysStyleAnyRowsButtonPressesAndCtrlSpaceOpensToo) {
  MakeCustomRows(kPropertyBoxAlwaysButton);
  POINT button = Button(1);
  Raise(GridEvent::LeftClick, 1, 2, MK_LBUTTON, &button);
  EXPECT_EQ(boxShared.pressedButtonRow, 1);
  // The grid makes the clicked cell current before the release.
  Raise(GridEvent::CellChanging, 1, 2, 0);
  Release(button);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::RowChanging, 1}, {PropertyEvent::ValueButton, 1}}));

  boxOwner.seen.clear();
  CtrlSpace();
  PropertyBox_SetCurrentRow(box, 2);
  CtrlSpace();  // a text row has no value editor
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::ValueButton, 1}}));
}

TEST_F(ValueButtonTest, ABoxDestroyedWhileItsButtonIsHeldLetsGoOfTheMouse) {
  // Another box lives on: the held button is the process's, not the box's.
  MakeCustomRows();
  const int other = box;
  MakeCustomRows();
  PropertyBox_SetCurrentRow(box, 0);
  POINT button = Button(0);
  Raise(GridEvent::LeftClick, 0, 2, MK_LBUTTON, &button);
  ASSERT_EQ(GetCapture(), Window());
  FreeGadget(box);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(boxShared.pressedButtonRow, -1);
  EXPECT_EQ(boxShared.pressedButtonBox, nullptr);
  ASSERT_EQ(PropertyBox_Is(other), 1);
  box = other;
  PropertyBox_SetCurrentRow(box, 0);
  boxOwner.seen.clear();
  Release(button);
  EXPECT_TRUE(boxOwner.seen.empty()) << "a release over the other box opens nothing there";

  // An owner freeing the box as the button opens.
  MakeCustomRows();
  PropertyBox_SetCurrentRow(box, 0);
  Raise(GridEvent::LeftClick, 0, 2, MK_LBUTTON, &button);
  const int gadget = box;
  boxOwner.during = [gadget] { FreeGadget(gadget); };
  Release(button);
  EXPECT_EQ(PropertyBox_Is(gadget), 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
