// The dialogs in a real main window, driven with window messages the way a
// user's clicks and keys arrive.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "app/dialog_common.h"
#include "app/dialog_ids.h"
#include "app/dialogs.h"
#include "app/favourites.h"
#include "app/files/settings.h"
#include "app/main_window.h"
#include "app/pure/dialog_rules.h"
#include "app/utf16.h"
#include "app/menu_ids.h"
#include "net/player_rows.h"
#include "net/players.h"
#include "net/session_reset.h"
#include "net/session.h"
#include "net/shell.h"
#include "tests/dialogs/dialog_test_support.h"

namespace {

class DialogsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    InstallRecorders();
    UseFreshAppData(L"dialogs");
    LoadFavourites();
    if (!MainWindow()) CreateMainWindow(GetModuleHandleW(nullptr));
  }

  void SetUp() override {
    ASSERT_NE(MainWindow(), nullptr);
    Recorded.Reset();
    Favourites = {{"Alpha", "alpha.example", 2302, "pa"},
                  {"Beta", "beta.example", 2402, "pb"},
                  {"Shared", "one.example", 1, "p1"},
                  {"Shared", "two.example", 2, "p2"}};
    // Every change starts again from the file, so it holds the same.
    ASSERT_TRUE(WriteAllFavourites());
    PendingAction = Action::None;
    PendingActionData = ActionData{};
    PlayerList.clear();
    ForgetPlayerRows();
  }

  void TearDown() override {
    if (OpenDialogWindow()) SendMessageW(OpenDialogWindow(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(OpenDialogWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(MainWindow())) << "closing a dialog enables the main window";
  }

  static HWND Dialog() { return OpenDialogWindow(); }
  static HWND Item(int id) { return OpenDialogItem(id); }
  static std::string Text(int id) { return WindowTextUtf8(Item(id)); }

  // A notification as the control would send it to the dialog.
  static void Notify(int id, UINT code) {
    SendMessageW(Dialog(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
  }
  static void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }

  // Types into an edit field (or a drop-down list's edit box) key by key.
  static void Type(HWND field, const std::wstring& text) {
    wchar_t cls[32] = {};
    GetClassNameW(field, cls, 32);
    if (lstrcmpiW(cls, L"ComboBox") == 0) field = FindWindowExW(field, nullptr, L"Edit", nullptr);
    ASSERT_NE(field, nullptr);
    for (wchar_t c : text) SendMessageW(field, WM_CHAR, c, 1);
  }

  static void SetText(int id, const wchar_t* text) { SetWindowTextW(Item(id), text); }

  // The row of a player of PlayerList, made as a "players" reply makes it
  // (the player is added to the list when it does not have him).
  static void AddPlayerRow(const char* name, const char* ip, const char* guid = "g") {
    int32_t number = 0;
    bool listed = false;
    for (const PlayerRecord& p : PlayerList) {
      listed = listed || (p.name == name && p.address == ip && p.guid == guid);
      number = std::max(number, p.number + 1);
    }
    if (!listed) PlayerList.push_back({name, ip, 1, 40, guid, number});
    ShowPlayerRows();
  }
  static void SelectPlayerRow(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(PlayersListView(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  static int PlayerRows() {
    return static_cast<int>(SendMessageW(PlayersListView(), LVM_GETITEMCOUNT, 0, 0));
  }

  static SIZE ClientSize(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
  }
  static RECT PlaceOf(int id) {
    RECT rect{};
    GetWindowRect(Item(id), &rect);
    MapWindowPoints(nullptr, Dialog(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
};

// ---- Frames ----------------------------------------------------------------------

TEST_F(DialogsTest, EveryDialogHasItsTitleAndClientSizeAndDisablesTheMainWindow) {
  AddPlayerRow("John Smith", "10.0.0.1");
  SelectPlayerRow(0);
  struct Case {
    void (*open)(HWND);
    const wchar_t* title;
    int width, height;
    bool owned;
  };
  const Case cases[] = {
      {OpenQuickConnect, L"Quick Connect", 285, 179, true},
      {OpenConnectWindow, L"Connect", 486, 330, false},
      {OpenKickDialog, L"Kick Player - John Smith", 430, 85, true},
      {OpenBanDialog, L"Ban Player - John Smith", 430, 165, true},
      {OpenAboutDialog, L"About", 430, 253, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "dialog " << Narrow(c.title));
    c.open(MainWindow());
    HWND dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowTextW(dialog), c.title);
    SIZE size = ClientSize(dialog);
    EXPECT_EQ(size.cx, c.width);
    EXPECT_EQ(size.cy, c.height);
    EXPECT_FALSE(IsWindowEnabled(MainWindow()));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), c.owned ? MainWindow() : nullptr);
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

    // A second dialog cannot open on top of the first.
    OpenAboutDialog(MainWindow());
    EXPECT_EQ(Dialog(), dialog);

    SendMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
  }
}

TEST_F(DialogsTest, ControlsSitWhereTheLayoutPutsThem) {
  OpenConnectWindow(MainWindow());
  RECT list = PlaceOf(dialog_id::kFavouritesList);
  EXPECT_EQ(list.left, 0);
  EXPECT_EQ(list.right, 225);
  EXPECT_EQ(list.bottom, 330);
  RECT add = PlaceOf(dialog_id::kFavouriteAdd);
  EXPECT_EQ(add.left, 260);
  EXPECT_EQ(add.top, 215);
  EXPECT_EQ(add.right - add.left, 95);
  SendMessageW(Dialog(), WM_CLOSE, 0, 0);

  OpenQuickConnect(MainWindow());
  RECT host = PlaceOf(dialog_id::kQuickHost);
  EXPECT_EQ(host.left, 80);
  EXPECT_EQ(host.top, 15);
  EXPECT_EQ(host.bottom - host.top, 20) << "the drop-down list's edit box is 20 pixels high";
  EXPECT_TRUE(GetWindowLongW(Item(dialog_id::kQuickPort), GWL_STYLE) & ES_NUMBER);
  EXPECT_TRUE(GetWindowLongW(Item(dialog_id::kQuickPassword), GWL_STYLE) & ES_PASSWORD);
}

MSG KeyDown(HWND window, WPARAM key) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = WM_KEYDOWN;
  msg.wParam = key;
  return msg;
}

// The control with the keyboard focus, by id; a drop-down list's edit box
// counts as the list.
int FocusedId() {
  HWND focus = GetFocus();
  if (!focus) return 0;
  HWND parent = GetParent(focus);
  wchar_t cls[32] = {};
  if (parent && GetClassNameW(parent, cls, 32) && lstrcmpiW(cls, L"ComboBox") == 0) focus = parent;
  return GetDlgCtrlID(focus);
}

TEST_F(DialogsTest, EscapeCancelsAndEnterPressesTheDefaultButton) {
  OpenQuickConnect(MainWindow());
  MSG escape = KeyDown(Item(dialog_id::kQuickPort), VK_ESCAPE);
  EXPECT_TRUE(RouteDialogMessage(&escape));
  EXPECT_EQ(Dialog(), nullptr);

  OpenAboutDialog(MainWindow());
  MSG enter = KeyDown(Item(IDOK), VK_RETURN);
  EXPECT_TRUE(RouteDialogMessage(&enter));
  EXPECT_EQ(Dialog(), nullptr);

  // Enter in a field of Quick Connect presses "Connect", its default button.
  OpenQuickConnect(MainWindow());
  SetFocus(Item(dialog_id::kQuickPassword));
  enter = KeyDown(Item(dialog_id::kQuickPassword), VK_RETURN);
  EXPECT_TRUE(RouteDialogMessage(&enter));
  ASSERT_EQ(Recorded.boxes.size(), 1u);
  EXPECT_EQ(Recorded.boxes[0].text, L"Could not connect!");
  SendMessageW(Dialog(), WM_CLOSE, 0, 0);

  // Messages for other windows are left to the main loop.
  MSG other = KeyDown(MainWindow(), VK_ESCAPE);
  EXPECT_FALSE(RouteDialogMessage(&other));
}

TEST_F(DialogsTest, TabWalksTheFieldsInReadingOrderAndSkipsDisabledControls) {
  AddPlayerRow("John Smith", "10.0.0.1");
  SelectPlayerRow(0);
  const struct {
    void (*open)(HWND);
    std::vector<int> order;  // from the first focus, one Tab each, back to the start
  } dialogs[] = {
      {OpenQuickConnect,
       {dialog_id::kQuickHost, dialog_id::kQuickPort, dialog_id::kQuickPassword, dialog_id::kQuickQueryPort, IDOK,
        IDCANCEL, dialog_id::kQuickHost}},
      {OpenConnectWindow,
       {dialog_id::kFavouritesList, dialog_id::kFavouriteDescription, dialog_id::kFavouriteHost,
        dialog_id::kFavouritePort, dialog_id::kFavouritePassword, dialog_id::kFavouriteQueryPort,
        dialog_id::kFavouriteAdd, dialog_id::kFavouritesList}},
      {OpenKickDialog, {dialog_id::kKickReason, dialog_id::kKickButton, IDCANCEL, dialog_id::kKickReason}},
      {OpenBanDialog,
       {dialog_id::kBanReason, dialog_id::kBanPermanent, dialog_id::kBanButton, IDCANCEL, dialog_id::kBanReason}},
      {OpenAboutDialog, {IDOK, IDOK}},
  };
  for (const auto& d : dialogs) {
    d.open(MainWindow());
    ASSERT_NE(Dialog(), nullptr);
    SCOPED_TRACE(testing::Message() << "dialog " << WindowTextUtf8(Dialog()));
    std::vector<int> seen{FocusedId()};
    for (size_t step = 1; step < d.order.size(); ++step) {
      MSG tab = KeyDown(GetFocus(), VK_TAB);
      EXPECT_TRUE(RouteDialogMessage(&tab));
      seen.push_back(FocusedId());
    }
    EXPECT_EQ(seen, d.order);
    SendMessageW(Dialog(), WM_CLOSE, 0, 0);
  }
}

// Another program's window taking the foreground, and the user coming back:
// the keys typed next go where they were going before.
TEST_F(DialogsTest, TheFocusComesBackToWhereItWasAfterAnotherWindowWasActive) {
  HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  auto switchAwayAndBack = [other](HWND back) {
    SetForegroundWindow(other);
    Pump();
    EXPECT_EQ(GetForegroundWindow(), other);
    SetForegroundWindow(back);
    Pump();
  };

  OpenQuickConnect(MainWindow());
  SetFocus(Item(dialog_id::kQuickPort));
  switchAwayAndBack(Dialog());
  EXPECT_EQ(FocusedId(), dialog_id::kQuickPort);
  // The frame itself never keeps the focus: it hands it on to the field.
  SetFocus(Dialog());
  EXPECT_EQ(FocusedId(), dialog_id::kQuickPort);
  SendMessageW(Dialog(), WM_CLOSE, 0, 0);

  // The main window: the control the user was in (the players list is
  // disabled without a connection; the log is not), also after a dialog
  // opened from it closes.
  AddPlayerRow("John Smith", "10.0.0.1");
  SelectPlayerRow(0);
  SetForegroundWindow(MainWindow());
  SetFocus(LogList());
  switchAwayAndBack(MainWindow());
  EXPECT_EQ(GetFocus(), LogList());
  OpenKickDialog(MainWindow());
  ASSERT_NE(Dialog(), nullptr);
  SendMessageW(Dialog(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(GetFocus(), LogList());
  DestroyWindow(other);
}

// ---- Quick Connect ---------------------------------------------------------------

TEST_F(DialogsTest, QuickConnectFillsTheFieldsFromTheChosenFavourite) {
  OpenQuickConnect(MainWindow());
  HWND hostList = Item(dialog_id::kQuickHost);
  ASSERT_EQ(SendMessageW(hostList, CB_GETCOUNT, 0, 0), 4);
  Pump();

  SendMessageW(hostList, CB_SETCURSEL, 1, 0);
  Notify(dialog_id::kQuickHost, CBN_SELCHANGE);
  Pump();
  EXPECT_EQ(Text(dialog_id::kQuickHost), "beta.example");
  EXPECT_EQ(Text(dialog_id::kQuickPort), "2402");
  EXPECT_EQ(Text(dialog_id::kQuickPassword), "pb");

  // Typing a host by hand leaves port and password alone.
  SetText(dialog_id::kQuickPort, L"");
  SendMessageW(hostList, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SetWindowTextW(hostList, L"my.host");
  Notify(dialog_id::kQuickHost, CBN_EDITCHANGE);
  Pump();
  EXPECT_EQ(Text(dialog_id::kQuickHost), "my.host");
  EXPECT_EQ(Text(dialog_id::kQuickPort), "");

  // The first of two favourites that share a description.
  SendMessageW(hostList, CB_SETCURSEL, 3, 0);
  Notify(dialog_id::kQuickHost, CBN_SELCHANGE);
  Pump();
  EXPECT_EQ(Text(dialog_id::kQuickHost), "one.example");
  EXPECT_EQ(Text(dialog_id::kQuickPort), "1");
}

TEST_F(DialogsTest, QuickConnectWithEmptyFieldsStillTriesAndReportsTheFailure) {
  OpenQuickConnect(MainWindow());
  HWND dialog = Dialog();
  Click(IDOK);
  Pump();
  ASSERT_EQ(Recorded.boxes.size(), 1u);
  EXPECT_EQ(Recorded.boxes[0].caption, L"Error");
  EXPECT_EQ(Recorded.boxes[0].text, L"Could not connect!");
  EXPECT_EQ(Dialog(), dialog) << "the dialog stays open after a failed connection";
  EXPECT_EQ(Session.port, 0);
  EXPECT_FALSE(Session.connected);
}

TEST_F(DialogsTest, APasswordTooLongForADatagramIsRefusedNotSent) {
  Session.password = "before";
  OpenQuickConnect(MainWindow());
  SetText(dialog_id::kQuickPassword, std::wstring(5000, L'x').c_str());
  Click(IDOK);
  ASSERT_EQ(Recorded.boxes.size(), 1u);
  EXPECT_EQ(Recorded.boxes[0].caption, L"Quorvel");
  EXPECT_EQ(Recorded.boxes[0].text, kPasswordTooLongText);
  EXPECT_EQ(Session.password, "before");
  EXPECT_NE(Dialog(), nullptr);
}

// ---- The favourites window ------------------------------------------------------

TEST_F(DialogsTest, FavouritesWindowListsEveryFavouriteAndFillsFromAClick) {
  OpenConnectWindow(MainWindow());
  HWND list = Item(dialog_id::kFavouritesList);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_TRUE(IsWindowEnabled(Item(dialog_id::kFavouriteAdd)));
  EXPECT_FALSE(IsWindowEnabled(Item(dialog_id::kFavouriteSave)));

  LVITEMW select{};
  select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
  NMITEMACTIVATE click{};
  click.hdr = {list, static_cast<UINT_PTR>(dialog_id::kFavouritesList), static_cast<UINT>(NM_CLICK)};
  click.iItem = 1;
  SendMessageW(Dialog(), WM_NOTIFY, dialog_id::kFavouritesList, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(Text(dialog_id::kFavouriteDescription), "Beta");
  EXPECT_EQ(Text(dialog_id::kFavouriteHost), "beta.example");
  EXPECT_EQ(Text(dialog_id::kFavouritePort), "2402");
  EXPECT_EQ(Text(dialog_id::kFavouritePassword), "pb");
  EXPECT_FALSE(IsWindowEnabled(Item(dialog_id::kFavouriteAdd)));
  EXPECT_TRUE(IsWindowEnabled(Item(dialog_id::kFavouriteSave)));
}

TEST_F(DialogsTest, TypingADescriptionSwitchesBetweenAddAndSave) {
  OpenConnectWindow(MainWindow());
  HWND description = Item(dialog_id::kFavouriteDescription);
  auto states = [&] {
    return std::make_pair(IsWindowEnabled(Item(dialog_id::kFavouriteAdd)) != 0,
                          IsWindowEnabled(Item(dialog_id::kFavouriteSave)) != 0);
  };
  const auto addOnly = std::make_pair(true, false);
  const auto saveOnly = std::make_pair(false, true);

  Type(description, L"Alph");
  EXPECT_EQ(states(), addOnly);
  Type(description, L"a");
  EXPECT_EQ(states(), saveOnly) << "\"Alpha\" is a favourite";
  Type(description, L"s");
  EXPECT_EQ(states(), addOnly);
  SetText(dialog_id::kFavouriteDescription, L"  Beta ");
  EXPECT_EQ(states(), saveOnly) << "spaces around the description do not count";
  SetText(dialog_id::kFavouriteDescription, L"beta");
  EXPECT_EQ(states(), addOnly) << "descriptions compare case-sensitively";
}

TEST_F(DialogsTest, AddAndSaveCheckTheFieldsInOrder) {
  OpenConnectWindow(MainWindow());
  const size_t before = Favourites.size();
  const struct {
    int field;
    const wchar_t* value;
    const wchar_t* message;
  } steps[] = {
      {dialog_id::kFavouriteDescription, L" ", L"Please enter a description."},
      {dialog_id::kFavouriteHost, L"new.example", L"Please enter a host name."},
      {dialog_id::kFavouritePort, L"abc", L"Please enter a port."},
      {dialog_id::kFavouritePassword, L" ", L"Please enter a password."},
  };
  for (const auto& step : steps) {
    Recorded.Reset();
    Click(dialog_id::kFavouriteAdd);
    ASSERT_EQ(Recorded.boxes.size(), 1u);
    EXPECT_EQ(Recorded.boxes[0].caption, L"Quorvel");
    EXPECT_EQ(Recorded.boxes[0].text, step.message);
    EXPECT_EQ(Favourites.size(), before);
    SetText(step.field, step.value);
  }
  // Every field holds text now (spaces count): the favourite is added with
  // an empty description and a port of letters as 0.
  Recorded.Reset();
  Click(dialog_id::kFavouriteAdd);
  EXPECT_TRUE(Recorded.boxes.empty());
  ASSERT_EQ(Favourites.size(), before + 1);
  EXPECT_EQ(Favourites.back().description, "");
  EXPECT_EQ(Favourites.back().host, "new.example");
  EXPECT_EQ(Favourites.back().port, 0);
  EXPECT_EQ(SendMessageW(Item(dialog_id::kFavouritesList), LVM_GETITEMCOUNT, 0, 0),
            static_cast<LRESULT>(before + 1));
  EXPECT_FALSE(IsWindowEnabled(Item(dialog_id::kFavouriteAdd))) << "the new favourite now exists";
  EXPECT_NE(ReadFileBytes(FavouritesPath()).find("new.example\r\n0\r\n"), std::string::npos);

  // Save checks the same way, then changes every favourite of the description.
  SetText(dialog_id::kFavouriteDescription, L"Shared");
  SetText(dialog_id::kFavouriteHost, L"");
  Recorded.Reset();
  Click(dialog_id::kFavouriteSave);
  ASSERT_EQ(Recorded.boxes.size(), 1u);
  EXPECT_EQ(Recorded.boxes[0].text, L"Please enter a host name.");
  SetText(dialog_id::kFavouriteHost, L"saved.example");
  Click(dialog_id::kFavouriteSave);
  EXPECT_EQ(Favourites[2].host, "saved.example");
  EXPECT_EQ(Favourites[3].host, "saved.example");
  EXPECT_EQ(Favourites[2].port, 0);
}

TEST_F(DialogsTest, PopupDeleteRemovesTheFirstOfTheSelectedDescription) {
  OpenConnectWindow(MainWindow());
  HWND list = Item(dialog_id::kFavouritesList);
  LVITEMW select{};
  select.stateMask = select.state = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&select));
  PostMessageW(Dialog(), WM_COMMAND, menu_id::kFavouriteDelete, 0);
  Pump();
  ASSERT_EQ(Favourites.size(), 3u);
  EXPECT_EQ(Favourites[2].host, "two.example");
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);

  // With nothing selected the pop-up items do nothing.
  PostMessageW(Dialog(), WM_COMMAND, menu_id::kFavouriteDelete, 0);
  Pump();
  EXPECT_EQ(Favourites.size(), 3u);
}

TEST_F(DialogsTest, PopupConnectUsesTheSelectedFavouriteAndKeepsTheWindowOnFailure) {
  Favourites[0].host = "";
  Favourites[0].port = 0;
  OpenConnectWindow(MainWindow());
  HWND dialog = Dialog();
  LVITEMW select{};
  select.stateMask = select.state = LVIS_SELECTED;
  SendMessageW(Item(dialog_id::kFavouritesList), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
  PostMessageW(dialog, WM_COMMAND, menu_id::kFavouriteConnect, 0);
  Pump();
  EXPECT_EQ(Session.host, "");
  EXPECT_EQ(Session.password, "pa");
  ASSERT_EQ(Recorded.boxes.size(), 1u);
  EXPECT_EQ(Recorded.boxes[0].text, L"Could not connect!");
  EXPECT_EQ(Dialog(), dialog);

  // A double click connects the same way, once the list view is done with it.
  NMITEMACTIVATE twice{};
  twice.hdr = {Item(dialog_id::kFavouritesList), static_cast<UINT_PTR>(dialog_id::kFavouritesList),
               static_cast<UINT>(NM_DBLCLK)};
  SendMessageW(dialog, WM_NOTIFY, dialog_id::kFavouritesList, reinterpret_cast<LPARAM>(&twice));
  EXPECT_EQ(Recorded.boxes.size(), 1u);
  Pump();
  EXPECT_EQ(Recorded.boxes.size(), 2u);
}

TEST_F(DialogsTest, ASuccessfulConnectionClosesOnlyTheDialogThatAsked) {
  OpenConnectWindow(MainWindow());
  CloseConnectDialog(1);
  EXPECT_NE(Dialog(), nullptr) << "Quick Connect is not open";
  CloseConnectDialog(0);
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(MainWindow()));

  OpenQuickConnect(MainWindow());
  CloseConnectDialog(0);
  EXPECT_NE(Dialog(), nullptr);
  CloseConnectDialog(1);
  EXPECT_EQ(Dialog(), nullptr);
}

// ---- Kick and Ban ----------------------------------------------------------------

TEST_F(DialogsTest, TheReasonIsCutTo32CharactersWhateverTheWay) {
  OpenKickDialog(MainWindow());
  HWND reason = Item(dialog_id::kKickReason);
  EXPECT_EQ(SendMessageW(reason, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(Text(dialog_id::kKickReason), "");
  Type(reason, std::wstring(40, L'k'));
  EXPECT_EQ(Text(dialog_id::kKickReason), std::string(32, 'k'));
  SendMessageW(Dialog(), WM_CLOSE, 0, 0);

  OpenBanDialog(MainWindow());
  reason = Item(dialog_id::kBanReason);
  wchar_t entry[64] = {};
  SendMessageW(reason, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ(entry, L"Cheating/Hacking");
  // A pasted (or set) text is cut on the next event of the field.
  SetWindowTextW(reason, L"0123456789012345678901234567890123456789");
  Notify(dialog_id::kBanReason, CBN_EDITUPDATE);
  EXPECT_EQ(Text(dialog_id::kBanReason), "01234567890123456789012345678901");
}

TEST_F(DialogsTest, KickTargetsThePlayerOfTheSelectedRowAmongThoseSharingItsAddress) {
  PlayerList = {{"John Smith", "10.0.0.1", 1, 0, "g1", 4}, {"Someone", "10.0.0.2", 1, 0, "g", 6},
                {"Jane Smith", "10.0.0.1", 1, 0, "g2", 9}};
  ShowPlayerRows();
  SelectPlayerRow(0);
  OpenKickDialog(MainWindow());
  Type(Item(dialog_id::kKickReason), L"Be nice");
  Click(dialog_id::kKickButton);
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(PendingAction, Action::Kick);
  EXPECT_TRUE(PendingActionData.hasTarget);
  EXPECT_EQ(PendingActionData.target.number, 4);  // John, not Jane behind the same address
  EXPECT_EQ(PendingActionData.target.guid, "g1");
  EXPECT_EQ(PendingActionData.reason, "Be nice");
}

TEST_F(DialogsTest, KickAndBanHoldTheirPlayerWhileTheRowsChangeUnderThem) {
  for (void (*open)(HWND) : {OpenKickDialog, OpenBanDialog}) {
    PendingAction = Action::None;
    PlayerList = {{"John Smith", "10.0.0.1", 1, 0, "g1", 4}, {"Ann", "10.0.0.2", 1, 0, "g2", 5}};
    ShowPlayerRows();
    SelectPlayerRow(0);
    open(MainWindow());
    // Refreshes while the dialog is open: a player joins before John, the
    // selection moves to another row, John leaves; the dialog stays open.
    PlayerList.insert(PlayerList.begin(), {"Zed", "10.0.0.3", 1, 0, "g3", 2});
    ShowPlayerRows();
    SelectPlayerRow(2);
    PlayerList.erase(PlayerList.begin() + 1);
    ShowPlayerRows();
    EXPECT_NE(Dialog(), nullptr);
    Click(open == OpenKickDialog ? dialog_id::kKickButton : dialog_id::kBanButton);
    EXPECT_EQ(Dialog(), nullptr);
    // Still aimed at John: the tick finds him gone and sends nothing.
    EXPECT_EQ(PendingAction, open == OpenKickDialog ? Action::Kick : Action::Ban);
    EXPECT_EQ(PendingActionData.target.number, 4);
    EXPECT_EQ(PendingActionData.target.name, "John Smith");
    EXPECT_EQ(FindPlayer(PendingActionData.target), nullptr);
  }
}

TEST_F(DialogsTest, TheEndOfTheSessionClosesKickAndBanAndSaysSo) {
  PlayerList = {{"John Smith", "10.0.0.1", 1, 0, "g1", 4}};
  for (void (*open)(HWND) : {OpenKickDialog, OpenBanDialog}) {
    ShowPlayerRows();
    SelectPlayerRow(0);
    open(MainWindow());
    ASSERT_NE(Dialog(), nullptr);
    const LRESULT lines = SendMessageW(LogList(), LB_GETCOUNT, 0, 0);
    ResetSessionState();
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(PendingAction, Action::None);
    EXPECT_EQ(PlayerRows(), 0);
    ASSERT_EQ(SendMessageW(LogList(), LB_GETCOUNT, 0, 0), lines + 1);
    PlayerList = {{"John Smith", "10.0.0.1", 1, 0, "g1", 4}};
  }
}

TEST_F(DialogsTest, TheDaysFieldFollowsTheOptionAndFallsBackToSeven) {
  OpenBanDialog(MainWindow());
  HWND days = Item(dialog_id::kBanDays);
  EXPECT_EQ(Text(dialog_id::kBanDays), "7");
  EXPECT_FALSE(IsWindowEnabled(days));
  EXPECT_EQ(SendMessageW(Item(dialog_id::kBanPermanent), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(GetWindowLongW(days, GWL_STYLE) & ES_NUMBER);

  Click(dialog_id::kBanForDays);
  EXPECT_TRUE(IsWindowEnabled(days));
  EXPECT_EQ(SendMessageW(Item(dialog_id::kBanPermanent), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  SetWindowTextW(days, L"");
  EXPECT_EQ(Text(dialog_id::kBanDays), "7");
  SetWindowTextW(days, L"000");
  EXPECT_EQ(Text(dialog_id::kBanDays), "7");
  SendMessageW(days, EM_SETSEL, 0, -1);
  Type(days, L"0");
  EXPECT_EQ(Text(dialog_id::kBanDays), "7");
  Type(days, L"3");  // the fallback is selected, so this replaces it
  EXPECT_EQ(Text(dialog_id::kBanDays), "3");
  SetWindowTextW(days, L"30");
  EXPECT_EQ(Text(dialog_id::kBanDays), "30");

  Click(dialog_id::kBanPermanent);
  EXPECT_FALSE(IsWindowEnabled(days));
}

TEST_F(DialogsTest, BanStoresMinutesReasonAndTheSelectedPlayer) {
  PlayerList = {{"John Smith", "10.0.0.1", 1, 0, "g", 4}, {"c", "10.0.0.1", 1, 0, "g", 9}};
  AddPlayerRow("John Smith", "10.0.0.1");
  SelectPlayerRow(0);
  OpenBanDialog(MainWindow());
  HWND reason = Item(dialog_id::kBanReason);
  SendMessageW(reason, CB_SETCURSEL, 1, 0);
  Click(dialog_id::kBanForDays);
  SetText(dialog_id::kBanDays, L"2");
  Click(dialog_id::kBanButton);
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(PendingAction, Action::Ban);
  EXPECT_EQ(PendingActionData.target.number, 4);
  EXPECT_EQ(PendingActionData.banMinutes, 2 * 24 * 60);
  EXPECT_EQ(PendingActionData.reason, "Excessive teamkilling");

  PendingAction = Action::None;
  AddPlayerRow("John Smith", "10.0.0.1");
  SelectPlayerRow(0);
  OpenBanDialog(MainWindow());
  Click(dialog_id::kBanForDays);
  SetText(dialog_id::kBanDays, L"2");
  Click(dialog_id::kBanPermanent);
  Click(dialog_id::kBanButton);
  EXPECT_EQ(PendingAction, Action::Ban);
  EXPECT_EQ(PendingActionData.banMinutes, 0);
  EXPECT_EQ(PendingActionData.reason, "");
}

TEST_F(DialogsTest, BanRefusesADayCountTheServerCannotHoldAndStaysOpen) {
  PlayerList = {{"John Smith", "10.0.0.1", 1, 0, "g", 4}};
  AddPlayerRow("John Smith", "10.0.0.1");
  SelectPlayerRow(0);
  OpenBanDialog(MainWindow());
  Click(dialog_id::kBanForDays);
  for (const wchar_t* days : {L"-2982616", L"1491309", L"18446744073709551617"}) {
    Recorded.Reset();
    SetText(dialog_id::kBanDays, days);  // pasted: the field takes digits only when typed
    Click(dialog_id::kBanButton);
    ASSERT_NE(Dialog(), nullptr) << "refused, not sent";
    EXPECT_EQ(PendingAction, Action::None);
    ASSERT_EQ(Recorded.boxes.size(), 1u);
    EXPECT_EQ(Recorded.boxes[0].caption, L"Quorvel");
    EXPECT_EQ(Recorded.boxes[0].text, L"Please enter a number of days from 1 to 1491308.");
  }
  SetText(dialog_id::kBanDays, L"1491308");
  Click(dialog_id::kBanButton);
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(PendingAction, Action::Ban);
  EXPECT_EQ(PendingActionData.banMinutes, 1491308 * 1440);
}

// ---- About and Set MaxPing -------------------------------------------------------

TEST_F(DialogsTest, AboutShowsTheVersionAndTheLogoOpensTheWebSite) {
  OpenAboutDialog(MainWindow());
  EXPECT_EQ(Text(dialog_id::kAboutText).rfind("Quorvel\r\nVersion: 1.3\r\n\r\n", 0), 0u);
  RECT logo = PlaceOf(dialog_id::kAboutLogo);
  EXPECT_EQ(logo.left, 20);
  EXPECT_EQ(logo.top, 20);
  EXPECT_EQ(logo.right - logo.left, 200);
  EXPECT_EQ(logo.bottom - logo.top, 108);
  Notify(dialog_id::kAboutLogo, STN_CLICKED);
  ASSERT_EQ(Recorded.addresses.size(), 1u);
  EXPECT_EQ(Recorded.addresses[0].rfind(L"https://", 0), 0u);
  EXPECT_NE(Dialog(), nullptr) << "the dialog stays open";
  Click(IDOK);
  EXPECT_EQ(Dialog(), nullptr);
}

// The input box runs its own loop; a timer answers it from inside that loop.
std::wstring g_maxPingInput;
bool g_maxPingCancel = false;

void CALLBACK AnswerMaxPing(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowW(L"QuorvelInputBox", L"Set MaxPing");
  if (!box) return;
  KillTimer(nullptr, timer);
  SetWindowTextW(GetDlgItem(box, dialog_id::kMaxPingValue), g_maxPingInput.c_str());
  EXPECT_FALSE(IsWindowEnabled(MainWindow()));
  SendMessageW(GetDlgItem(box, g_maxPingCancel ? IDCANCEL : IDOK), BM_CLICK, 0, 0);
}

TEST_F(DialogsTest, SetMaxPingAsksAndReportsCancel) {
  g_maxPingInput = L"250";
  g_maxPingCancel = false;
  SetTimer(nullptr, 0, 20, AnswerMaxPing);
  std::string answer = "x";
  EXPECT_TRUE(AskMaxPing(answer));
  EXPECT_EQ(answer, "250");
  EXPECT_TRUE(IsWindowEnabled(MainWindow()));

  g_maxPingInput = L"99";
  g_maxPingCancel = true;
  SetTimer(nullptr, 0, 20, AnswerMaxPing);
  EXPECT_FALSE(AskMaxPing(answer));
  EXPECT_EQ(answer, "");
  EXPECT_EQ(FindWindowW(L"QuorvelInputBox", nullptr), nullptr);
}

// Answers the box in turn with each value; refused ones leave it open for
// the next.
std::vector<std::wstring> g_maxPingAnswers;

void CALLBACK AnswerMaxPingInTurn(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowW(L"QuorvelInputBox", L"Set MaxPing");
  if (!box) return;
  if (g_maxPingAnswers.empty()) {
    KillTimer(nullptr, timer);
    SendMessageW(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
    return;
  }
  const std::wstring next = g_maxPingAnswers.front();
  g_maxPingAnswers.erase(g_maxPingAnswers.begin());
  SetWindowTextW(GetDlgItem(box, dialog_id::kMaxPingValue), next.c_str());
  SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  if (g_maxPingAnswers.empty()) KillTimer(nullptr, timer);
}

TEST_F(DialogsTest, SetMaxPingRefusesAValueTheServerWouldReadAsAnother) {
  g_maxPingAnswers = {L"4294967297", L"-5", L"2147483647"};
  SetTimer(nullptr, 0, 20, AnswerMaxPingInTurn);
  std::string answer;
  EXPECT_TRUE(AskMaxPing(answer));
  EXPECT_EQ(answer, "2147483647");
  ASSERT_EQ(Recorded.boxes.size(), 2u);
  for (const RecordedBox& box : Recorded.boxes) {
    EXPECT_EQ(box.caption, L"Quorvel");
    EXPECT_EQ(box.text, L"Please enter a max ping from 0 to 2147483647.");
  }
}

// ---- The query port -------------------------------------------------------------

TEST_F(DialogsTest, AQueryPortIsRefusedOutsideOneTo65535AndKeptPerServerOtherwise) {
  OpenQuickConnect(MainWindow());
  SetText(dialog_id::kQuickHost, L"q.example");
  SetText(dialog_id::kQuickPort, L"2302");
  for (const wchar_t* bad : {L"0", L"65536", L"x1", L"-2303"}) {
    Recorded.Reset();
    SetText(dialog_id::kQuickQueryPort, bad);
    Click(IDOK);
    ASSERT_EQ(Recorded.boxes.size(), 1u) << "refused: " << bad;
    EXPECT_EQ(Recorded.boxes[0].text, Widen(kQueryPortRefusedText));
    EXPECT_EQ(Session.host, "") << "nothing is connected to";
  }
  EXPECT_EQ(TypedQueryPort("q.example", 2302), 0);

  // A port is kept for the server, connected or not; an empty field in Quick
  // Connect keeps it.
  Recorded.Reset();
  SetText(dialog_id::kQuickQueryPort, L"2303");
  Click(IDOK);
  EXPECT_EQ(Recorded.boxes[0].text, L"Could not connect!");
  EXPECT_EQ(TypedQueryPort("q.example", 2302), 2303);
  SetText(dialog_id::kQuickQueryPort, L"");
  Click(IDOK);
  EXPECT_EQ(TypedQueryPort("q.example", 2302), 2303);
  SendMessageW(Dialog(), WM_CLOSE, 0, 0);
  Session = RconSession{};

  // A favourite of that server shows it in both dialogs.
  ASSERT_TRUE(AddFavourite("Q", "q.example", "2302", "pq"));
  OpenQuickConnect(MainWindow());
  SendMessageW(Item(dialog_id::kQuickHost), CB_SETCURSEL, 4, 0);
  Notify(dialog_id::kQuickHost, CBN_SELCHANGE);
  Pump();
  EXPECT_EQ(Text(dialog_id::kQuickQueryPort), "2303");
  SendMessageW(Dialog(), WM_CLOSE, 0, 0);

  OpenConnectWindow(MainWindow());
  HWND list = Item(dialog_id::kFavouritesList);
  LVITEMW select{};
  select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 4, reinterpret_cast<LPARAM>(&select));
  NMITEMACTIVATE click{};
  click.hdr = {list, static_cast<UINT_PTR>(dialog_id::kFavouritesList), static_cast<UINT>(NM_CLICK)};
  click.iItem = 4;
  SendMessageW(Dialog(), WM_NOTIFY, dialog_id::kFavouritesList, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(Text(dialog_id::kFavouriteQueryPort), "2303");
  // There, where the kept port shows, emptying it and saving means automatic.
  SetText(dialog_id::kFavouriteQueryPort, L"");
  Click(dialog_id::kFavouriteSave);
  EXPECT_EQ(TypedQueryPort("q.example", 2302), 0);
  SetText(dialog_id::kFavouriteQueryPort, L"$8FF");
  Click(dialog_id::kFavouriteSave);
  EXPECT_EQ(TypedQueryPort("q.example", 2302), 2303);
}

}  // namespace
