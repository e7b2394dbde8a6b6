// The value editors: each system dialog opened from its row by the value
// button or Ctrl+Space, answered from the test (found by its class, a value
// set, closed with OK or Cancel) and the stored value checked.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <functional>
#include <string>

#include "grid/grid.h"
#include "propbox/propbox_private.h"
#include "runtime/runtime.h"
#include "tests/propbox/propbox_fixture.h"

namespace {

using Events = std::vector<BoxEvent>;

// Dialog control ids of the system's common dialogs (dlgs.h).
constexpr int kRedEdit = 706, kGreenEdit = 707, kBlueEdit = 708;
constexpr int kFaceCombo = 0x470;
constexpr int kFileNameEdit = 0x480, kFileNameCombo = 0x47c;

// What the test does with the dialog once it is up; run from a timer, which
// the dialog's own message loop dispatches.
std::function<void(HWND)> answerDialog;
bool dialogSeen = false;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  KillTimer(nullptr, id);
  dialogSeen = true;
  if (answerDialog) answerDialog(dialog);
}

void Press(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

class ChooserTest : public PropertyBoxTest {
 protected:
  void SetUp() override {
    PropertyBoxTest::SetUp();
    dialogSeen = false;
    answerDialog = nullptr;
  }
  void TearDown() override {
    SetCtrl(false);
    PropertyBoxTest::TearDown();
  }
  // The dialog takes the focus from the grid; with the selection kept the
  // edit and the mark stay, so the owner hears only of the chooser.
  void MakeChooserBox() { MakeBox(kPropertyBoxShowSelection); }
  int AddRow(PropertyRowDescription description, const wchar_t* text = L"row\nvalue") {
    return PropertyBox_AddRow(box, -1, text, &description, 0) - 1;
  }
  void SetCtrl(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  // Opens the row's editor by Ctrl+Space, or by the value button, with
  // `answer` ready for the dialog.
  void Open(int index, std::function<void(HWND)> answer, bool byButton = false) {
    answerDialog = std::move(answer);
    PropertyBox_SetCurrentRow(box, index);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerTimer);
    if (byButton) {
      const RECT cell = Cell(grid_GetCurrentRow(box), 2);
      const POINT button{cell.right - 10, (cell.top + cell.bottom) / 2};
      Raise(GridEvent::LeftClick, grid_GetCurrentRow(box), 2, MK_LBUTTON, &button);
      SendMessageW(Window(), WM_LBUTTONUP, 0, MAKELPARAM(button.x, button.y));
    } else {
      SetCtrl(true);
      SendMessageW(Window(), WM_CHAR, L' ', 0);
      SetCtrl(false);
    }
    KillTimer(nullptr, timer);
  }
  std::wstring TempFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"quorvel propbox chooser";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
  }
};

TEST_F(ChooserTest, TheColourDialogStoresTheChosenColourAndCancelChangesNothing) {
  MakeChooserBox();
  PropertyRowDescription colour;
  colour.kind = PropertyKind::Colour;
  colour.colour = RGB(0, 0, 255);
  const int row = AddRow(colour);
  Open(row, [](HWND dialog) {
    SetDlgItemInt(dialog, kRedEdit, 10, FALSE);
    SetDlgItemInt(dialog, kGreenEdit, 20, FALSE);
    SetDlgItemInt(dialog, kBlueEdit, 30, FALSE);
    Press(dialog, IDOK);
  });
  EXPECT_TRUE(dialogSeen);
  EXPECT_EQ(static_cast<COLORREF>(PropertyBox_GetRowValue(box, row, kRowColour)), RGB(10, 20, 30));
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::ValueButton, row}, {PropertyEvent::TextChanging, row + 65536 * 2}}));

  boxOwner.seen.clear();
  Open(row, [](HWND dialog) {
    SetDlgItemInt(dialog, kRedEdit, 200, FALSE);
    Press(dialog, IDCANCEL);
  }, true);
  EXPECT_TRUE(dialogSeen) << "opened by the value button";
  EXPECT_EQ(static_cast<COLORREF>(PropertyBox_GetRowValue(box, row, kRowColour)), RGB(10, 20, 30));
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::ValueButton, row}}));

  // The owner refusing the new colour keeps the old one.
  boxOwner.decide = [](int32_t code, int32_t, intptr_t) { return code == PropertyEvent::TextChanging ? 0 : 1; };
  Open(row, [](HWND dialog) {
    SetDlgItemInt(dialog, kRedEdit, 99, FALSE);
    Press(dialog, IDOK);
  });
  EXPECT_EQ(static_cast<COLORREF>(PropertyBox_GetRowValue(box, row, kRowColour)), RGB(10, 20, 30));
}

TEST_F(ChooserTest, AnOwnerAnsweringTheButtonItselfGetsNoDialog) {
  MakeChooserBox();
  PropertyRowDescription colour;
  colour.kind = PropertyKind::Colour;
  const int row = AddRow(colour);
  boxOwner.answer = 0;
  Open(row, [](HWND dialog) { Press(dialog, IDCANCEL); });
  EXPECT_FALSE(dialogSeen);
  EXPECT_EQ(boxOwner.seen, (Events{{PropertyEvent::ValueButton, row}}));
}

TEST_F(ChooserTest, TheFontDialogsStoreAFaceNameLongerThanTheOldOne) {
  MakeChooserBox();
  for (int32_t kind : {PropertyKind::FontWithColour, PropertyKind::Font}) {
    PropertyRowDescription font;
    font.kind = kind;
    font.fontName = L"X";
    font.fontSize = 9;
    const int row = AddRow(font);
    std::wstring chosen;
    Open(row, [&chosen](HWND dialog) {
      HWND faces = GetDlgItem(dialog, kFaceCombo);
      // Any face but the current one: the last in the list.
      const LRESULT count = SendMessageW(faces, CB_GETCOUNT, 0, 0);
      ASSERT_GT(count, 0);
      SendMessageW(faces, CB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
      wchar_t name[LF_FACESIZE] = {};
      SendMessageW(faces, CB_GETLBTEXT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(name));
      chosen = name;
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFaceCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(faces));
      Press(dialog, IDOK);
    });
    EXPECT_TRUE(dialogSeen) << kind;
    ASSERT_FALSE(chosen.empty());
    EXPECT_EQ(PropertyBox_GetText(box, row, kTextFontName), chosen) << kind;

    Open(row, [](HWND dialog) { Press(dialog, IDCANCEL); });
    EXPECT_EQ(PropertyBox_GetText(box, row, kTextFontName), chosen) << "cancelled";
  }
}

TEST_F(ChooserTest, TheFileDialogStoresTheChosenFileAndCancelKeepsTheOldOne) {
  MakeChooserBox();
  const std::wstring folder = TempFolder();
  const std::wstring file = folder + L"\\a rather long name for a chosen file.txt";
  HANDLE created = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  CloseHandle(created);

  PropertyRowDescription description;
  description.kind = PropertyKind::File;
  description.fileTitle = L"Pick a file";
  description.filePattern = L"Text files|*.txt|All files|*.*";
  description.fileName = L"a.txt";
  const int row = AddRow(description);
  Open(row, [&file](HWND dialog) {
    SetDlgItemTextW(dialog, kFileNameEdit, file.c_str());
    SetDlgItemTextW(dialog, kFileNameCombo, file.c_str());
    Press(dialog, IDOK);
  });
  EXPECT_TRUE(dialogSeen);
  EXPECT_EQ(PropertyBox_GetText(box, row, kTextFileName), file);

  Open(row, [](HWND dialog) { Press(dialog, IDCANCEL); }, true);
  EXPECT_TRUE(dialogSeen);
  EXPECT_EQ(PropertyBox_GetText(box, row, kTextFileName), file);
  DeleteFileW(file.c_str());
}

TEST_F(ChooserTest, TheFolderDialogStoresTheChosenFolder) {
  MakeChooserBox();
  const std::wstring folder = TempFolder();
  PropertyRowDescription description;
  description.kind = PropertyKind::Folder;
  description.fileTitle = L"Pick a folder";
  const int row = AddRow(description);
  Open(row, [&folder](HWND dialog) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    Press(dialog, IDOK);
  });
  EXPECT_TRUE(dialogSeen);
  EXPECT_EQ(PropertyBox_GetText(box, row, kTextFolder), folder);

  Open(row, [](HWND dialog) { Press(dialog, IDCANCEL); });
  EXPECT_EQ(PropertyBox_GetText(box, row, kTextFolder), folder);
}

}  // namespace
