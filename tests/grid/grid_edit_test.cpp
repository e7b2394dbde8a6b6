// Editing cells in place: the editors' procedures, committing, cancelling,
// pasting and placing the editor, each checked by the owner's event sequence
// or by where the editor window lies.
#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "runtime/runtime.h"
#include "tests/grid/grid_fixture.h"

namespace {

using Events = std::vector<SeenEvent>;
constexpr int32_t kKeyChar = GridEvent::KeyChar;
constexpr int32_t kTextRemoving = GridEvent::TextRemoving;
constexpr int32_t kTextChanged = GridEvent::TextChanged;
constexpr int32_t kEditEnded = GridEvent::EditEnded;
constexpr int32_t kComboChanged = GridEvent::ComboChanged;

void Type(HWND editor, const wchar_t* text) {
  for (const wchar_t* c = text; *c; ++c) SendMessageW(editor, WM_CHAR, *c, 1);
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

void SetClipboard(HWND owner, const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  auto* chars = static_cast<wchar_t*>(GlobalLock(memory));
  memcpy(chars, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

// Holds keys down as far as GetKeyState is concerned, and lets them go.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys) {
    GetKeyboardState(saved_);
    BYTE state[256];
    memcpy(state, saved_, sizeof state);
    for (int key : keys) state[key] |= 0x80;
    SetKeyboardState(state);
  }
  ~HeldKeys() { SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

// The header's notification that starts a divider or a column drag.
void NotifyHeader(GridRecord* record, UINT code, int item) {
  NMHEADERW notification{};
  notification.hdr.hwndFrom = record->headerWindow;
  notification.hdr.code = code;
  notification.iItem = item;
  SendMessageW(record->listWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notification));
}

}  // namespace

// --- Faults of the grid core ------------------------------------------------

// Whatever raises an event must stop when the owner frees the grid inside
// it, also when a new grid takes the same number at once.
TEST_F(GridTest, EveryEventMayFreeTheGrid) {
  struct Case {
    const char* name;
    int32_t code;
    int32_t cellType;
    std::function<void(GridTest&, int)> action;
    bool makesCurrent = false;  // else the action starts on a current cell (1, 1)
  };
  auto setCurrent = [](GridTest&, int g) { grid_SetCurrentCell(g, 1, 1, 1, 0); };
  auto setCurrentScrolling = [](GridTest&, int g) { grid_SetCurrentCell(g, 1, 1, 1, 1); };
  auto editor = [](int g) { return RecordFromGadget(g)->editWindow; };
  const Case cases[] = {
      {"type asked when made current", GridEvent::QueryCellType, GridCell::Text, setCurrent, true},
      {"type asked when scrolled to", GridEvent::QueryCellType, GridCell::Text, setCurrentScrolling, true},
      {"colours asked when placed", GridEvent::QueryCellColours, GridCell::Text, setCurrent, true},
      {"colours of a list choice", GridEvent::QueryCellColours, GridCell::ListChoice, setCurrentScrolling, true},
      {"colours of an editable choice", GridEvent::QueryCellColours, GridCell::EditableChoice, setCurrent, true},
      {"a typed key", kKeyChar, GridCell::Text,
       [&](GridTest&, int g) { SendMessageW(editor(g), WM_CHAR, L'x', 1); }},
      {"a backspace", kTextRemoving, GridCell::Text,
       [&](GridTest&, int g) { SendMessageW(editor(g), WM_CHAR, VK_BACK, 1); }},
      {"a delete", kTextRemoving, GridCell::Text,
       [&](GridTest&, int g) {
         SendMessageW(editor(g), EM_SETSEL, 0, 0);
         SendMessageW(editor(g), WM_KEYDOWN, VK_DELETE, 1);
       }},
      {"a commit", kTextChanged, GridCell::Text,
       [&](GridTest&, int g) {
         SendMessageW(editor(g), WM_CHAR, L'x', 1);
         grid_SetCurrentCell(g, 0, 0, 1, 0);
       }},
      {"the editor's colours", GridEvent::QueryCellColours, GridCell::Text,
       [&](GridTest&, int g) {
         HDC dc = GetDC(editor(g));
         SendMessageW(GadgetWindow(g), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                      reinterpret_cast<LPARAM>(editor(g)));
         ReleaseDC(nullptr, dc);
       }},
      {"a click in the editor", GridEvent::LeftClick, GridCell::Text,
       [&](GridTest&, int g) { SendMessageW(editor(g), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2)); }},
      {"a double click in the editor", GridEvent::DoubleClick, GridCell::Text,
       [&](GridTest&, int g) { SendMessageW(editor(g), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2)); }},
      {"a button up in the editor", GridEvent::LeftButtonUp, GridCell::Text,
       [&](GridTest&, int g) { SendMessageW(editor(g), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); }},
      {"a right button in the editor", GridEvent::RightButtonDown, GridCell::Text,
       [&](GridTest&, int g) { SendMessageW(editor(g), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2)); }},
      {"the editor's context menu", GridEvent::RightClick, GridCell::Text,
       [&](GridTest&, int g) { SendMessageW(editor(g), WM_CONTEXTMENU, 0, MAKELPARAM(-1, -1)); }},
      {"the focus leaving the editor", kTextChanged, GridCell::Text,
       [&](GridTest&, int g) {
         SendMessageW(editor(g), WM_CHAR, L'x', 1);
         SetFocus(parent);
       }},
      {"Space on a check box", GridEvent::QueryCellType, GridCell::CheckBox,
       [&](GridTest&, int g) {
         SendMessageW(GadgetWindow(RecordFromGadget(g)->listCombo), WM_KEYDOWN, VK_SPACE, 1);
       }},
      {"a button up on the list combo", GridEvent::LeftButtonUp, GridCell::ListChoice,
       [&](GridTest&, int g) {
         SendMessageW(GadgetWindow(RecordFromGadget(g)->listCombo), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
       }},
      {"Escape after a choice", kComboChanged, GridCell::ListChoice,
       [&](GridTest&, int g) {
         GridRecord* r = RecordFromGadget(g);
         r->editText = L"b";
         SendMessageW(GadgetWindow(r->listCombo), WM_KEYDOWN, VK_ESCAPE, 1);
       }},
      {"a choice made in the list", kComboChanged, GridCell::ListChoice,
       [&](GridTest&, int g) {
         GridRecord* r = RecordFromGadget(g);
         HWND combo = GadgetWindow(r->listCombo);
         SendMessageW(combo, CB_SETCURSEL, 1, 0);
         SendMessageW(r->listWindow, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
       }},
      {"a list item drawn", GridEvent::QueryCellColours, GridCell::ListChoice,
       [&](GridTest&, int g) {
         GridRecord* r = RecordFromGadget(g);
         DRAWITEMSTRUCT item{};
         item.CtlType = ODT_COMBOBOX;
         item.itemID = 0;
         item.hwndItem = GadgetWindow(r->listCombo);
         item.hDC = GetDC(r->listWindow);
         item.rcItem = RECT{0, 0, 50, 16};
         SendMessageW(r->listWindow, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
         ReleaseDC(nullptr, item.hDC);
       }},
      {"a header click", GridEvent::LeftClick, GridCell::Text,
       [&](GridTest&, int g) {
         GridRecord* r = RecordFromGadget(g);
         SendMessageW(r->headerWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 5));
       }},
      {"a header right click", GridEvent::RightClick, GridCell::Text,
       [&](GridTest&, int g) {
         SendMessageW(RecordFromGadget(g)->headerWindow, WM_RBUTTONUP, 0, MAKELPARAM(100, 5));
       }},
      {"the header asking about a divider", GridEvent::ColumnResizing, GridCell::Text,
       [&](GridTest&, int g) {
         SendMessageW(RecordFromGadget(g)->headerWindow, WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
       }},
      {"the end of a divider drag", GridEvent::ColumnsChanged, GridCell::Text,
       [&](GridTest&, int g) {
         GridRecord* r = RecordFromGadget(g);
         NotifyHeader(r, HDN_BEGINTRACKW, 1);
         SendMessageW(r->headerWindow, WM_LBUTTONUP, 0, MAKELPARAM(80, 5));
       }},
      {"the end of a column drag", GridEvent::ColumnsChanged, GridCell::Text,
       [&](GridTest&, int g) {
         GridRecord* r = RecordFromGadget(g);
         SendMessageW(r->listWindow, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_HEADERDRAGDROP, LVS_EX_HEADERDRAGDROP);
         NotifyHeader(r, HDN_BEGINDRAG, 2);
         SendMessageW(r->headerWindow, WM_LBUTTONUP, 0, MAKELPARAM(120, 5));
       }},
  };
  for (bool rebuild : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (rebuild ? ", rebuilt" : ", freed"));
      MakeGrid(3, 3, kGridResizableColumns);
      owner.fallback = CellLook(c.cellType, RGB(255, 255, 255), 0, L"on/off");
      if (c.cellType == GridCell::ListChoice || c.cellType == GridCell::EditableChoice)
        owner.fallback.eventText = L"a\nb";
      if (!c.makesCurrent) grid_SetCurrentCell(grid, 1, 1, 1, 0);
      owner.seen.clear();
      owner.rebuild = rebuild;
      owner.freedCount = 0;
      owner.freeOnCode = c.code;
      c.action(*this, grid);
      EXPECT_EQ(owner.freedCount, 1) << "the event was raised";
      if (rebuild) {
        ASSERT_NE(record(), nullptr);
        EXPECT_EQ(grid_CountColumns(grid), 0) << "the new grid is left as its owner built it";
        EXPECT_EQ(grid_GetCurrentRow(grid), -1);
        grid_Free(grid);
      } else {
        EXPECT_EQ(record(), nullptr);
      }
      owner.freeOnCode = -1;
      owner.rebuild = false;
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
  }
}

TEST_F(GridTest, ACellThatChangesTypeGetsTheNewEditorAndTheOldOneLeaves) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  HWND editor = record()->editWindow;
  ASSERT_FALSE(OutOfSight(editor));
  owner.cells[{0, 0}] = CellLook(GridCell::ListChoice, RGB(255, 255, 255), 0, L"one\ntwo");
  grid_SetCellText(grid, 0, 0, L"two");
  EXPECT_TRUE(OutOfSight(editor)) << "the text editor no longer belongs to the cell";
  HWND combo = GadgetWindow(record()->listCombo);
  EXPECT_FALSE(OutOfSight(combo));
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  grid_EndEdit(grid, 0);
  EXPECT_TRUE(OutOfSight(editor));
  EXPECT_TRUE(OutOfSight(combo));
}

TEST_F(GridTest, ClearingTheOpenCellAfterItsTypeChangedSwapsTheEditorsToo) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  HWND editor = record()->editWindow;
  ASSERT_FALSE(OutOfSight(editor));
  owner.cells[{0, 0}] = CellLook(GridCell::ListChoice, RGB(255, 255, 255), 0, L"one\ntwo");
  EXPECT_EQ(ClearBlock(grid, 0, 0, 1, 1), 1);
  EXPECT_EQ(record()->currentCellType, GridCell::ListChoice);
  EXPECT_TRUE(OutOfSight(editor)) << "the text editor no longer belongs to the cell";
  HWND combo = GadgetWindow(record()->listCombo);
  EXPECT_FALSE(OutOfSight(combo));
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  grid_EndEdit(grid, 0);
  EXPECT_TRUE(OutOfSight(editor));
}

TEST_F(GridTest, TheRowHeightIsKnownBeforeTheFirstPaint) {
  UseGadgetList(parent);
  grid = grid_Create(kAnyNumber, 0, 0, 300, 200, 24, 0, 0);
  ASSERT_NE(grid, -1);
  grid_Hide(grid, 1);
  grid_AddColumn(grid, -1, L"", 80);
  grid_AddRows(grid, -1, 2);
  grid_SetCallback(grid, RecordingOwner);
  owner.fallback = CellLook(GridCell::ListChoice, RGB(255, 255, 255), 0, L"a\nb");
  EXPECT_EQ(record()->rowHeight, 24);
  grid_SetCurrentCell(grid, 0, 0, 0, 0);
  // The field is centred in the row: not above it, whatever its height.
  RECT place = PlaceOf(GadgetWindow(record()->listCombo));
  EXPECT_GE(place.top, Cell(0, 0).top - 2);
  EXPECT_LT(place.top, Cell(0, 0).bottom);
}

TEST_F(GridTest, TheRowImageListLivesAsLongAsTheGrid) {
  MakeGrid(1, 1);
  auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(GadgetWindow(grid), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_NE(images, nullptr);
  int width = 0, height = 0;
  EXPECT_TRUE(ImageList_GetIconSize(images, &width, &height)) << "the list view's image list is alive";
  EXPECT_EQ(height, 20);
  grid_Free(grid);
  EXPECT_FALSE(ImageList_GetIconSize(images, &width, &height)) << "the image list went with the grid";
}

// --- Typing -------------------------------------------------------------------

TEST_F(GridTest, TheOwnerMayRefuseOrReplaceATypedCharacter) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  HWND editor = record()->editWindow;
  owner.keyCharAnswer = 0;
  Type(editor, L"x");
  EXPECT_EQ(TextOf(editor), L"r0c0");
  owner.keyCharAnswer = 1;
  owner.keyCharReplacement = L'Z';
  Type(editor, L"y");
  EXPECT_EQ(TextOf(editor), L"r0c0Z");
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"r0c0Z");
  EXPECT_EQ(owner.Only({kKeyChar}), (Events{{kKeyChar, 0, 0, L'x', L"r0c0"}, {kKeyChar, 0, 0, L'y', L"r0c0"}}));
}

TEST_F(GridTest, RemovingKeysReportTheTextTheyTakeOut) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  HWND editor = record()->editWindow;  // "r0c0"
  auto caret = [&](int start, int end) { SendMessageW(editor, EM_SETSEL, start, end); };

  caret(2, 2);
  SendMessageW(editor, WM_KEYDOWN, VK_BACK, 1);  // done as WM_CHAR
  SendMessageW(editor, WM_CHAR, VK_BACK, 1);
  caret(0, 0);
  SendMessageW(editor, WM_CHAR, VK_BACK, 1);
  caret(0, 0);
  SendMessageW(editor, WM_KEYDOWN, VK_DELETE, 1);
  caret(3, 3);
  SendMessageW(editor, WM_KEYDOWN, VK_DELETE, 1);  // at the end
  EXPECT_EQ(owner.Only({kTextRemoving}), (Events{{kTextRemoving, 0, 0, VK_BACK, L"0"},
                                                 {kTextRemoving, 0, 0, VK_BACK, L""},
                                                 {kTextRemoving, 0, 0, 0, L"r"},
                                                 {kTextRemoving, 0, 0, 0, L""}}));
  EXPECT_EQ(TextOf(editor), L"c0") << "the backspace took the 0, the delete the r";
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"c0");

  // Typing over a selection asks for the removal, then for the key.
  owner.seen.clear();
  Type(editor, L"ab");
  caret(0, 2);
  owner.textRemovingAnswer = 0;
  Type(editor, L"x");
  EXPECT_EQ(TextOf(editor), L"c0ab") << "a refused removal drops the key";
  owner.textRemovingAnswer = 1;
  caret(1, 3);
  Type(editor, L"y");
  EXPECT_EQ(TextOf(editor), L"cyb");
  EXPECT_EQ(owner.Only({kTextRemoving, kKeyChar}), (Events{{kKeyChar, 0, 0, L'a', L"c0"},
                                                            {kKeyChar, 0, 0, L'b', L"c0a"},
                                                            {kTextRemoving, 0, 0, L'x', L"c0"},
                                                            {kTextRemoving, 0, 0, L'y', L"0a"},
                                                            {kKeyChar, 0, 0, L'y', L"c0ab"}}));
}

// The editor's text changes by keys and menus the grid does not see itself
// (Shift+Insert pastes without WM_PASTE); the cell gets what the editor
// shows. The removing variants of Delete report what really went, and a
// refusal puts it back.
TEST_F(GridTest, EveryChangeToTheEditorsTextReachesTheCell) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  HWND editor = record()->editWindow;
  SetClipboard(editor, L"pasted");
  SendMessageW(editor, EM_SETSEL, 0, -1);
  {
    HeldKeys shift({VK_SHIFT});
    SendMessageW(editor, WM_KEYDOWN, VK_INSERT, 1);
  }
  ASSERT_EQ(TextOf(editor), L"pasted");
  SendMessageW(editor, WM_CHAR, VK_RETURN, 1);
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), L"pasted");

  struct Case {
    const char* name;
    int modifier;  // 0: none
    int start, end;
  };
  const Case cases[] = {{"Ctrl+Delete", VK_CONTROL, 1, 1},
                        {"Shift+Delete", VK_SHIFT, 2, 2},
                        {"Shift+Delete on a selection", VK_SHIFT, 1, 3},
                        {"Delete", 0, 1, 1}};
  // `removed` taken out of `before` somewhere leaves `after`.
  auto takenOut = [](const std::wstring& before, const std::wstring& removed, const std::wstring& after) {
    for (size_t at = 0; at <= after.size(); ++at)
      if (after.substr(0, at) + removed + after.substr(at) == before) return true;
    return false;
  };
  for (const Case& c : cases) {
    for (int32_t answer : {1, 0}) {
      SCOPED_TRACE(std::string(c.name) + (answer ? ", allowed" : ", refused"));
      grid_SetCurrentCell(grid, 1, 1, 1, 0);  // "r1c1"
      SendMessageW(editor, EM_SETSEL, static_cast<WPARAM>(c.start), c.end);
      owner.seen.clear();
      owner.textRemovingAnswer = answer;
      {
        HeldKeys held({c.modifier});
        SendMessageW(editor, WM_KEYDOWN, VK_DELETE, 1);
      }
      const Events removing = owner.Only({kTextRemoving});
      ASSERT_EQ(removing.size(), 1u);
      EXPECT_FALSE(removing[0].text.empty());
      const std::wstring shown = TextOf(editor);
      if (answer) {
        EXPECT_TRUE(takenOut(L"r1c1", removing[0].text, shown)) << "reported " << removing[0] << ", left " << shown.size();
      } else {
        EXPECT_EQ(shown, L"r1c1");
      }
      grid_EndEdit(grid, 0);
      EXPECT_EQ(grid_GetCellText(grid, 1, 1), shown);
      grid_SetCellText(grid, 1, 1, L"r1c1");
    }
  }
}

TEST_F(GridTest, ALongCellTextIsNeitherCutNorOverrun) {
  MakeGrid(1, 2);
  std::wstring longText(3000, L'a');
  longText[2000] = L'b';
  grid_SetCellText(grid, 0, 0, longText.c_str());
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  HWND editor = record()->editWindow;
  SendMessageW(editor, EM_SETSEL, 2001, 2001);
  SendMessageW(editor, WM_CHAR, VK_BACK, 1);
  ASSERT_EQ(owner.Only({kTextRemoving}).size(), 1u);
  EXPECT_EQ(owner.Only({kTextRemoving})[0].text, L"b");
  SendMessageW(editor, EM_SETSEL, 3000, 3000);
  Type(editor, L"z");
  grid_EndEdit(grid, 0);
  std::wstring expected = longText.substr(0, 2000) + longText.substr(2001) + L"z";
  EXPECT_EQ(grid_GetCellText(grid, 0, 0), expected);
  EXPECT_EQ(owner.Only({kTextChanged}), (Events{{kTextChanged, 0, 0, 0, expected}}));
}

TEST_F(GridTest, EnterAndTabMoveThroughTheMover) {
  MakeGrid(3, 3);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  HWND editor = record()->editWindow;
  Type(editor, L"!");
  SendMessageW(editor, WM_CHAR, VK_RETURN, 1);
  EXPECT_EQ(grid_GetCurrentColumn(grid), 1);
  EXPECT_EQ(GetFocus(), editor) << "the keyboard follows the new cell";
  EXPECT_EQ(TextOf(editor), L"r0c1");

  SendMessageW(editor, WM_KEYDOWN, VK_TAB, 1);
  SendMessageW(editor, WM_CHAR, VK_TAB, 1);
  EXPECT_EQ(TextOf(editor), L"r0c1") << "Tab is no character of the cell";
  SendMessageW(editor, WM_KEYUP, VK_TAB, 1);
  EXPECT_EQ(grid_GetCurrentColumn(grid), 2);
  EXPECT_EQ(GetFocus(), editor);
  {
    HeldKeys keys{VK_CONTROL};
    SendMessageW(editor, WM_KEYUP, VK_TAB, 1);
  }
  EXPECT_EQ(grid_GetCurrentRow(grid), 1) << "past the row's end to the next row";
  EXPECT_EQ(grid_GetCurrentColumn(grid), 0);
  EXPECT_EQ(GetFocus(), GadgetWindow(grid)) << "Ctrl+Tab leaves the keyboard with the list";
  EXPECT_EQ(owner.Only({kTextChanged, GridEvent::CellChanging}),
            (Events{{GridEvent::CellChanging, 0, 1},
                    {kTextChanged, 0, 0, 0, L"r0c0!"},
                    {GridEvent::CellChanging, 0, 2},
                    {GridEvent::CellChanging, 1, 0}}));

  // A refused move leaves cell and focus.
  FocusEditor(record());
  owner.cellChangingAnswer = 0;
  SendMessageW(editor, WM_CHAR, VK_RETURN, 1);
  EXPECT_EQ(grid_GetCurrentRow(grid), 1);
  EXPECT_EQ(grid_GetCurrentColumn(grid), 0);
  EXPECT_EQ(GetFocus(), editor);
}

// --- Committing and cancelling ------------------------------------------------

TEST_F(GridTest, ACommitAsksTheOwnerOnlyAboutAChangedText) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  HWND editor = record()->editWindow;
  Type(editor, L"x");
  SendMessageW(editor, WM_CHAR, VK_BACK, 1);
  grid_SetCurrentCell(grid, 1, 0, 1, 0);
  EXPECT_TRUE(owner.Only({kTextChanged}).empty()) << "the text is what it was";

  // Rejected: the cell and the editor go back.
  owner.textChangedAnswer = 0;
  Type(editor, L"?");
  EXPECT_TRUE(CommitEdit(record()));
  EXPECT_EQ(grid_GetCellText(grid, 1, 0), L"r0c1");
  EXPECT_EQ(TextOf(editor), L"r0c1");
  EXPECT_EQ(CellText(record(), 0, 2), L"r0c1");

  // Accepted with a replacement: the replacement is stored.
  owner.textChangedAnswer = 1;
  owner.replacement = L"owner's";
  Type(editor, L"!");
  EXPECT_TRUE(CommitEdit(record()));
  EXPECT_EQ(CellText(record(), 0, 2), L"owner's");
  EXPECT_EQ(record()->initialText, L"owner's");
  EXPECT_EQ(owner.Only({kTextChanged}),
            (Events{{kTextChanged, 0, 1, 0, L"r0c1?"}, {kTextChanged, 0, 1, 0, L"r0c1!"}}));
}

// An owner that moves the current cell while answering TextChanged: the
// answer still belongs to the edited cell, and the new cell keeps its texts.
int32_t MovingOwner(intptr_t value, int32_t code, GridCellEvent* event) {
  int32_t answer = RecordingOwner(value, code, event);
  if (code == GridEvent::TextChanged) grid_SetCurrentCell(static_cast<int>(value), 1, 1, 1, 0);
  return answer;
}

TEST_F(GridTest, AnOwnerThatMovesTheCellDuringACommitKeepsBothCellsRight) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  grid_SetCallback(grid, MovingOwner);
  Type(record()->editWindow, L"!");
  EXPECT_TRUE(CommitEdit(record()));
  EXPECT_EQ(CellText(record(), 0, 1), L"r0c0!");
  EXPECT_EQ(grid_GetCurrentRow(grid), 1);
  EXPECT_EQ(record()->initialText, L"r1c1");
  EXPECT_EQ(record()->editText, L"r1c1");
  EXPECT_EQ(owner.Only({kTextChanged}).size(), 1u) << "no nested commit";
}

TEST_F(GridTest, EscapeOnAListChoiceReportsTheOriginalText) {
  MakeGrid(2, 2);
  owner.cells[{0, 0}] = CellLook(GridCell::ListChoice, RGB(255, 255, 255), 0, L"r0c0\nother\nthird");
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  GridRecord* r = record();
  HWND combo = GadgetWindow(r->listCombo);
  SendMessageW(combo, CB_SETCURSEL, 2, 0);
  SendMessageW(r->listWindow, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(CellText(r, 0, 1), L"third") << "an owner-drawn list writes its choice at once";
  SendMessageW(combo, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(owner.Only({kComboChanged}),
            (Events{{kComboChanged, 0, 0, 2, L"third"}, {kComboChanged, 0, 0, 0, L"r0c0"}}));
  EXPECT_EQ(CellText(r, 0, 1), L"r0c0");
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
  // Nothing changed since: Escape again raises nothing.
  owner.seen.clear();
  SendMessageW(combo, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(owner.Only({kComboChanged}).empty());
}

TEST_F(GridTest, EscapeInTheTextEditorPutsTheTextBack) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  HWND editor = record()->editWindow;
  Type(editor, L"abc");
  SendMessageW(editor, WM_CHAR, VK_ESCAPE, 1);
  EXPECT_EQ(TextOf(editor), L"r0c0");
  EXPECT_EQ(record()->editText, L"r0c0");
  DWORD start = 0, end = 0;
  SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 4u);
  EXPECT_EQ(end, 4u);
  grid_EndEdit(grid, 0);
  EXPECT_TRUE(owner.Only({kTextChanged}).empty());
}

TEST_F(GridTest, TheFocusLeavingTheGridCommitsOnlyWithoutShowSelAlways) {
  for (bool showSelAlways : {false, true}) {
    SCOPED_TRACE(showSelAlways ? "LVS_SHOWSELALWAYS" : "plain");
    MakeGrid(2, 2, 0, showSelAlways ? LVS_SHOWSELALWAYS : 0);
    grid_SetCurrentCell(grid, 0, 0, 1, 0);
    HWND editor = record()->editWindow;
    ASSERT_EQ(GetFocus(), editor);
    Type(editor, L"!");
    owner.seen.clear();
    SetFocus(GadgetWindow(record()->listCombo));  // one of the grid's own windows
    SetFocus(editor);
    EXPECT_TRUE(owner.Only({kTextChanged, kEditEnded}).empty());
    SetFocus(parent);
    if (showSelAlways) {
      EXPECT_TRUE(owner.Only({kTextChanged, kEditEnded}).empty());
      EXPECT_EQ(grid_GetCurrentRow(grid), 0) << "still editing";
    } else {
      EXPECT_EQ(owner.Only({kTextChanged, kEditEnded}),
                (Events{{kTextChanged, 0, 0, 0, L"r0c0!"}, {kEditEnded, 0, 0, 1}}));
      EXPECT_EQ(grid_GetCurrentRow(grid), -1);
    }
    grid_Free(grid);
  }
}

TEST_F(GridTest, ShiftTabOutOfTheGridKeepsTheFocusInIt) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 1, 1, 1, 0);
  HWND editor = record()->editWindow;
  {
    HeldKeys keys{VK_SHIFT, VK_TAB};
    SetFocus(parent);
  }
  EXPECT_EQ(GetFocus(), editor);
  EXPECT_EQ(grid_GetCurrentRow(grid), 1);
  EXPECT_TRUE(owner.Only({kTextChanged, kEditEnded}).empty());
}

// --- Cells without a text editor ---------------------------------------------

TEST_F(GridTest, SpaceFlipsACheckBoxAndStepsAPercentage) {
  MakeGrid(1, 4);
  owner.fallback = CellLook(GridCell::CheckBox, RGB(255, 255, 255), 0, L"yes/no");
  owner.cells[{2, 0}] = CellLook(GridCell::Percentage);
  owner.cells[{3, 0}] = CellLook(GridCell::Percentage);
  grid_SetCellText(grid, 0, 0, L"no");
  grid_SetCellText(grid, 0, 1, L"neither");
  grid_SetCellText(grid, 0, 2, L"100");
  grid_SetCellText(grid, 0, 3, L"");
  HWND combo = GadgetWindow(record()->listCombo);
  auto space = [&](int row, bool ctrl = false) {
    grid_SetCurrentCell(grid, 0, row, 1, 0);
    EXPECT_EQ(GetFocus(), combo) << "the list combo holds the keyboard";
    HeldKeys keys{ctrl ? VK_CONTROL : VK_SPACE};
    SendMessageW(combo, WM_KEYDOWN, VK_SPACE, 1);
    return CellText(record(), row, 1);
  };
  EXPECT_EQ(space(0), L"yes");
  EXPECT_EQ(space(0), L"no");
  EXPECT_EQ(space(1), L"yes") << "neither value: checked";
  EXPECT_EQ(space(2), L"100") << "not above 100";
  EXPECT_EQ(space(2, true), L"99");
  EXPECT_EQ(space(3), L"") << "an empty percentage stays empty";
  grid_SetCellText(grid, 0, 3, L"0");
  EXPECT_EQ(space(3, true), L"0") << "not below 0";
  grid_EndEdit(grid, 0);
}

// --- Paste --------------------------------------------------------------------

TEST(GridPasteSplit, TabsAndLineBreaksPlaceThePieces) {
  auto pieces = SplitPasteText(L"1\t2\r\n3");
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].text, L"1");
  EXPECT_EQ(pieces[1].columnOffset, 1);
  EXPECT_EQ(pieces[2].rowOffset, 1);
  EXPECT_EQ(pieces[2].columnOffset, 0);
  EXPECT_EQ(pieces[2].text, L"3");
  EXPECT_EQ(SplitPasteText(L"only\r\n").size(), 1u) << "a final line break ends the block";
  EXPECT_EQ(SplitPasteText(L"a\t\r\n").size(), 2u) << "an empty last cell of a row is a piece";
  EXPECT_EQ(SplitPasteText(L"\r\n\r\n").size(), 2u);
  EXPECT_EQ(SplitPasteText(L"x\r").size(), 1u) << "a CR at the very end";
}

TEST_F(GridTest, PastingFillsTheCellsRightAndBelowAndSkipsButtons) {
  for (bool button : {false, true}) {
    SCOPED_TRACE(button ? "with a button" : "plain");
    MakeGrid(3, 3);
    if (button) owner.cells[{0, 2}] = CellLook(GridCell::Button);
    grid_SetCurrentCell(grid, 1, 0, 1, 0);
    owner.seen.clear();
    SetClipboard(GadgetWindow(grid), L"1\t2\r\n3");
    EXPECT_EQ(PasteText(grid), button ? 2 : 3);
    EXPECT_EQ(grid_GetCellText(grid, 1, 0), L"1");
    EXPECT_EQ(grid_GetCellText(grid, 2, 0), button ? L"r0c2" : L"2");
    EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"3");
    EXPECT_EQ(grid_GetCellText(grid, 0, 1), L"r1c0");
    EXPECT_EQ(grid_GetCurrentRow(grid), 0) << "the current cell stays where it was";
    EXPECT_EQ(grid_GetCurrentColumn(grid), 1);
    EXPECT_EQ(TextOf(record()->editWindow), L"1");
    Events expected{{kTextChanged, 0, 1, 0, L"1"}};
    if (!button) expected.push_back({kTextChanged, 0, 2, 0, L"2"});
    expected.push_back({kTextChanged, 1, 1, 0, L"3"});
    EXPECT_EQ(owner.Only({kTextChanged}), expected);
    grid_Free(grid);
  }
}

TEST_F(GridTest, APasteBeyondTheGridIsCut) {
  MakeGrid(2, 2);
  grid_SetCurrentCell(grid, 1, 1, 1, 0);
  owner.textChangedAnswer = 0;
  SetClipboard(GadgetWindow(grid), L"a\tb\r\nc");
  EXPECT_EQ(PasteText(grid), 1);
  EXPECT_EQ(grid_GetCellText(grid, 1, 1), L"r1c1") << "refused";
}

// --- Placing the editor ---------------------------------------------------------

TEST_F(GridTest, TheTextEditorLiesInsideTheCellWithItsInsets) {
  for (int frame : {0, 2}) {
    SCOPED_TRACE(frame);
    MakeGrid(2, 3);
    grid_SetAttribute(grid, kGridFrameWidth, frame);
    grid_SetCurrentCell(grid, 1, 0, 1, 0);
    RECT cell = Cell(0, 1);
    RECT place = PlaceOf(record()->editWindow);
    EXPECT_EQ(place.left, cell.left + 4 + frame);
    EXPECT_EQ(place.right, cell.right - 4 - frame);
    EXPECT_GT(place.top, cell.top + frame - 1);
    EXPECT_EQ(place.bottom, cell.bottom - frame);
    EXPECT_GT(place.bottom, place.top);
    grid_Free(grid);
  }
}

TEST_F(GridTest, AParkedEditorComesBackOverItsCell) {
  MakeGrid(2, 40);
  grid_SetCurrentCell(grid, 0, 3, 1, 0);
  GridRecord* r = record();
  HWND editor = r->editWindow;
  RECT before = PlaceOf(editor);
  ParkEditor(r);
  SendMessageW(r->listWindow, LVM_SCROLL, 0, 40);
  EXPECT_TRUE(OutOfSight(editor));
  EXPECT_TRUE(RepositionEditor(r));
  RECT after = PlaceOf(editor);
  RECT cell = Cell(3, 0);
  EXPECT_EQ(after.left, before.left);
  EXPECT_LT(after.top, before.top) << "the cell moved up with the scroll";
  EXPECT_GE(after.top, cell.top);
  EXPECT_LE(after.bottom, cell.bottom);
  // Scrolled off the top: the editor stays parked.
  SendMessageW(r->listWindow, LVM_SCROLL, 0, 200);
  EXPECT_TRUE(RepositionEditor(r));
  EXPECT_TRUE(OutOfSight(editor));
}

// One brush for the editors' colours of all grids: another grid going away
// takes it, and the next request makes a new one.
TEST_F(GridTest, TheSharedEditorBrushOutlivesNoGridAndIsDeletedOnce) {
  MakeGrid(2, 2);
  owner.fallback = CellLook(GridCell::Text, RGB(10, 20, 30));
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  int first = grid;
  UseGadgetList(parent);
  int second = grid_Create(kAnyNumber, 0, 0, 100, 100, 20, 0, 0);
  ASSERT_NE(second, -1);
  HWND editor = record()->editWindow;
  HDC dc = GetDC(editor);
  auto colour = [&] {
    return reinterpret_cast<HBRUSH>(SendMessageW(GadgetWindow(first), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                 reinterpret_cast<LPARAM>(editor)));
  };
  HBRUSH brush = colour();
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(GetBkColor(dc), RGB(10, 20, 30));
  grid_Free(second);
  EXPECT_EQ(GetObjectType(brush), 0u) << "deleted with the other grid";
  EXPECT_EQ(gridShared.editorBrush, nullptr);
  HBRUSH next = colour();
  EXPECT_EQ(GetObjectType(next), static_cast<DWORD>(OBJ_BRUSH));
  ReleaseDC(editor, dc);
}

// Moving down past the last visible row scrolls the list by whole rows; the
// scrolled pixels must not carry the old cell's frame along with them.
TEST_F(GridTest, MovingDownAndScrollingLeavesNoOldFrameOnTheScreen) {
  MakeGrid(2, 60);
  grid_SetAttribute(grid, kGridFrameColour, RGB(255, 0, 0));
  grid_SetAttribute(grid, kGridFrameWidth, 2);
  HWND list = GadgetWindow(grid);
  for (int row = 0; row < 30; ++row) {
    grid_SetCurrentCell(grid, 0, row, 1, 1);
    UpdateWindow(list);
  }
  ASSERT_GT(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0) << "the list scrolled";
  // What the screen shows, not a fresh rendering.
  RECT client;
  GetClientRect(list, &client);
  HDC screen = GetDC(list);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP copy = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
  RECT cell = Cell(29, 0);
  int stray = 0, frame = 0;
  for (int y = record()->headerHeight; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x)
      if (GetPixel(memory, x, y) == RGB(255, 0, 0))
        ++(y < cell.top - 1 || y > cell.bottom || x < cell.left - 1 || x > cell.right ? stray : frame);
  SelectObject(memory, old);
  DeleteObject(copy);
  DeleteDC(memory);
  ReleaseDC(list, screen);
  EXPECT_GT(frame, 0) << "the current cell's frame is on the screen";
  EXPECT_EQ(stray, 0) << "frame pixels outside the current cell";
}

// --- Choice cells -------------------------------------------------------------

TEST_F(GridTest, AnEditableChoiceTypesChoosesAndCancels) {
  MakeGrid(2, 2);
  owner.cells[{0, 0}] = CellLook(GridCell::EditableChoice, RGB(255, 255, 255), 0, L"one\ntwo");
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  GridRecord* r = record();
  HWND combo = GadgetWindow(r->editCombo);
  ASSERT_EQ(GetFocus(), r->editComboEdit);
  SendMessageW(r->editComboEdit, EM_SETSEL, 4, 4);
  Type(r->editComboEdit, L"x");
  EXPECT_EQ(r->editText, L"r0c0x") << "the combo's text";
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  SendMessageW(r->listWindow, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(r->editText, L"two");
  EXPECT_EQ(CellText(r, 0, 1), L"r0c0") << "an editable choice is written when committed";
  SendMessageW(r->editComboEdit, WM_CHAR, VK_ESCAPE, 1);
  EXPECT_EQ(TextOf(combo), L"r0c0");
  EXPECT_EQ(owner.Only({kKeyChar, kComboChanged}), (Events{{kKeyChar, 0, 0, L'x', L"r0c0"},
                                                            {kComboChanged, 0, 0, 1, L"two"},
                                                            {kComboChanged, 0, 0, -1, L"r0c0"}}));
  grid_EndEdit(grid, 0);
  EXPECT_TRUE(owner.Only({kTextChanged}).empty());
}

TEST_F(GridTest, TheListChoiceFieldIsTransparentAndTheListKeepsTheKeyboard) {
  MakeGrid(2, 2);
  owner.cells[{0, 0}] = CellLook(GridCell::ListChoice, RGB(10, 20, 30), 0, L"r0c0\nb");
  grid_SetCurrentCell(grid, 0, 0, 1, 0);
  GridRecord* r = record();
  HWND combo = GadgetWindow(r->listCombo);
  EXPECT_EQ(GetFocus(), combo);
  HDC dc = GetDC(combo);
  EXPECT_EQ(SendMessageW(r->listWindow, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), 0),
            reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
  ReleaseDC(combo, dc);
  // The list combo's focus leaving the grid ends the edit too.
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  SendMessageW(r->listWindow, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  owner.seen.clear();
  SetFocus(parent);
  EXPECT_EQ(owner.Only({kTextChanged, kEditEnded}), (Events{{kTextChanged, 0, 0, 0, L"b"}, {kEditEnded, 0, 0, 1}}));
  EXPECT_TRUE(OutOfSight(combo));
}

// --- Header ---------------------------------------------------------------------

TEST_F(GridTest, TheHeaderReportsClicksAndTheEndOfDrags) {
  MakeGrid(3, 2, kGridResizableColumns);
  GridRecord* r = record();
  HWND header = r->headerWindow;
  const int32_t kLeftClick = GridEvent::LeftClick, kLeftUp = GridEvent::LeftButtonUp,
                kRightClick = GridEvent::RightClick, kRightDown = GridEvent::RightButtonDown,
                kColumnsChanged = GridEvent::ColumnsChanged, kDoubleClick = GridEvent::DoubleClick,
                kResizing = GridEvent::ColumnResizing;
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 5));
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(100, 5));
  SendMessageW(header, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 5));
  SendMessageW(header, WM_RBUTTONUP, 0, MAKELPARAM(20, 5));
  SendMessageW(header, WM_RBUTTONUP, 0, MAKELPARAM(300, 5));  // right of every column
  r->resizingHeaderItem = 2;
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(170, 5));
  EXPECT_EQ(r->resizingHeaderItem, 0);
  r->draggedHeaderItem = 3;
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
  EXPECT_EQ(r->draggedHeaderItem, -1);
  EXPECT_EQ(r->columnsChanged, 0) << "the column order was rebuilt";
  EXPECT_EQ(owner.Only({kLeftClick, kLeftUp, kRightClick, kRightDown, kColumnsChanged}),
            (Events{{kLeftClick, -1, 1},
                    {kLeftUp, -1, 1},
                    {kRightDown, -1, 0},
                    {kRightClick, -1, 0},
                    {kRightClick, -10, -10},
                    {kColumnsChanged, -1, 1, 0},
                    {kColumnsChanged, -1, 2, 1}}));

  // A double click on a divider sizes the column when the owner allows it.
  owner.seen.clear();
  const int oldWidth = static_cast<int>(SendMessageW(r->listWindow, LVM_GETCOLUMNWIDTH, 1, 0));
  owner.otherAnswer = 0;
  SendMessageW(header, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(80, 5));
  EXPECT_EQ(SendMessageW(r->listWindow, LVM_GETCOLUMNWIDTH, 1, 0), oldWidth);
  owner.otherAnswer = 1;
  SendMessageW(header, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(80, 5));
  EXPECT_EQ(owner.Only({kDoubleClick, kResizing, kColumnsChanged}),
            (Events{{kDoubleClick, -1, 0},
                    {kResizing, -1, 0},
                    {kDoubleClick, -1, 0},
                    {kResizing, -1, 0},
                    {kColumnsChanged, -1, 0, 0}}));
}

TEST_F(GridTest, OnlyResizableColumnsAskAboutTheDividerCursor) {
  for (uint32_t flags : {0u, kGridResizableColumns}) {
    MakeGrid(2, 1, flags);
    HWND header = record()->headerWindow;
    EXPECT_EQ(SendMessageW(header, WM_SETCURSOR, reinterpret_cast<WPARAM>(header), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              1);
    EXPECT_EQ(owner.Only({GridEvent::ColumnResizing}).size(), flags ? 1u : 0u);
    SendMessageW(header, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(80, 5));
    EXPECT_EQ(owner.Only({GridEvent::ColumnsChanged}).size(), flags ? 1u : 0u);
    grid_Free(grid);
  }
}

// Under Wine GetGuiResources counts nothing, so every reduced font ever made
// is checked instead: all but the one in use are gone.
TEST_F(GridTest, FiftyShrinksLeaveOneReducedFont) {
  UseGadgetList(parent);
  grid = grid_Create(kAnyNumber, 0, 0, 300, 200, 9, 0, 0);
  ASSERT_NE(grid, -1);
  grid_AddColumn(grid, -1, L"", 80);
  grid_AddRows(grid, -1, 3);
  grid_SetCallback(grid, RecordingOwner);
  std::vector<HFONT> made;
  for (int i = 0; i < 50; ++i) {
    grid_SetCurrentCell(grid, 0, i % 3, 0, 0);
    ASSERT_NE(record()->editorFont, nullptr);
    made.push_back(record()->editorFont);
  }
  HFONT current = record()->editorFont;
  int alive = 0;
  for (HFONT font : made)
    if (font != current && GetObjectType(font) != 0) ++alive;
  EXPECT_EQ(alive, 0);
  grid_Free(grid);
  EXPECT_EQ(GetObjectType(current), 0u) << "the last one goes with the grid";
}
