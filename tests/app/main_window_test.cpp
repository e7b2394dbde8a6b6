// The real main window, built once for the whole binary and driven with
// messages as the event loop would deliver them. Tests that depend on the
// start-up state come first; gtest runs them in the order written.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <thread>
#include <string>
#include <vector>

#include "app/containers.h"
#include "app/dialog_common.h"
#include "app/dialog_ids.h"
#include "app/dialogs.h"
#include "app/event_loop.h"
#include "app/history_view.h"
#include "app/images.h"
#include "app/files/settings.h"
#include "app/log_view.h"
#include "app/pure/settings_codec.h"
#include "app/info_view.h"
#include "app/main_window.h"
#include "app/main_window_internal.h"
#include "app/menu_bar.h"
#include "app/menu_ids.h"
#include "app/modal_tick.h"
#include "app/status_bar.h"
#include "app/utf16.h"
#include "net/bans.h"
#include "net/framing.h"
#include "net/live_players.h"
#include "net/player_rows.h"
#include "net/players.h"
#include "runtime/runtime.h"
#include "net/session.h"
#include "net/shell.h"
#include "net/tick.h"
#include "tests/net/loopback_peer.h"

namespace {

class MainWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(LoadEmbeddedImages());
    ASSERT_NE(CreateMainWindow(GetModuleHandleW(nullptr)), nullptr);
  }
  void SetUp() override {
    PendingAction = Action::None;
    g_popups.clear();
    SetPopupShowerForTesting(RecordPopup);
  }
  void TearDown() override { SetPopupShowerForTesting(nullptr); }

  static void RecordPopup(HMENU popup, POINT) { g_popups.push_back(popup); }
  static inline std::vector<HMENU> g_popups;

  // Lets posted messages through the real loop body.
  static void Pump(int passes = 20) {
    for (int i = 0; i < passes; ++i) RunOneEventLoopPass(5);
  }
};

SIZE ClientSize(HWND window) {
  RECT rc;
  GetClientRect(window, &rc);
  return {rc.right, rc.bottom};
}

std::wstring MenuText(HMENU menu, int position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return text;
}

struct ExpectedItem {
  const wchar_t* text;  // nullptr: separator
  int id;
  bool image;
};

// An id of -1: a submenu, whose id is its handle.
void ExpectItems(HMENU menu, const std::vector<ExpectedItem>& items) {
  ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(items.size()));
  for (size_t i = 0; i < items.size(); ++i) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_BITMAP;
    ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii));
    if (items[i].text == nullptr) {
      EXPECT_TRUE(mii.fType & MFT_SEPARATOR) << i;
      continue;
    }
    EXPECT_EQ(MenuText(menu, static_cast<int>(i)), items[i].text);
    if (items[i].id >= 0) {
      EXPECT_EQ(static_cast<int>(mii.wID), items[i].id) << i;
    }
    EXPECT_EQ(mii.hbmpItem != nullptr, items[i].image) << i;
  }
}

bool MenuItemEnabled(int id) { return !(GetMenuState(CommandsMenu(), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }

// Without a connection: what needs one is disabled; Lock and Unlock are not.
void ExpectConnectionControlsOff() {
  EXPECT_FALSE(IsWindowEnabled(RefreshButton()));
  EXPECT_FALSE(IsWindowEnabled(PlayersListView()));
  EXPECT_FALSE(IsWindowEnabled(BansListView()));
  for (int id : {menu_id::kReassign, menu_id::kRestart, menu_id::kShutdown, menu_id::kSetMaxPing, menu_id::kRefresh}) {
    EXPECT_FALSE(MenuItemEnabled(id)) << id;
  }
  EXPECT_TRUE(MenuItemEnabled(menu_id::kLock));
  EXPECT_TRUE(MenuItemEnabled(menu_id::kUnlock));
}

SIZE WindowSize(HWND window) {
  RECT rc;
  GetWindowRect(window, &rc);
  return {rc.right - rc.left, rc.bottom - rc.top};
}

void Notify(HWND from, UINT code, int column = 0) {
  NMLISTVIEW nm{};
  nm.hdr.hwndFrom = from;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(from));
  nm.hdr.code = code;
  nm.iItem = -1;
  nm.iSubItem = column;
  SendMessageW(GetParent(from), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void Select(HWND list, int row) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = row >= 0 ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void Command(int id) { SendMessageW(MainWindow(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

// Line `i` of the log list after its "21:45:03 " time, which every line has;
// the whole line when it has none (and so fails what it is compared with).
std::wstring LogLine(int i) {
  const LRESULT length = SendMessageW(LogList(), LB_GETTEXTLEN, i, 0);
  if (length < 0) return L"<none>";
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(LogList(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  const bool timed = text.size() >= 9 && text[2] == L':' && text[5] == L':' && text[8] == L' ' &&
                     std::all_of(text.begin(), text.begin() + 8, [](wchar_t c) { return c == L':' || iswdigit(c); });
  return timed ? text.substr(9) : text;
}

std::vector<std::string> Column(int column) {
  std::vector<std::string> cells;
  const int count = static_cast<int>(SendMessageW(PlayersListView(), LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) cells.push_back(PlayersList_CellText(row, column));
  return cells;
}

TEST_F(MainWindowTest, WindowHasItsTitleSizeAndFixedFrame) {
  HWND window = MainWindow();
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, L"Quorvel");
  const SIZE client = ClientSize(window);
  EXPECT_EQ(client.cx, 700);
  // The panes keep their height; the status bar comes below them.
  ASSERT_NE(MainStatusBar(), nullptr);
  RECT status;
  GetWindowRect(MainStatusBar(), &status);
  EXPECT_EQ(client.cy, 539 + (status.bottom - status.top));
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  // The splitter fills what the rebar leaves; the log pane starts 170 pixels
  // high: the filter buttons, the log, the message box.
  RECT rebar, splitter;
  GetWindowRect(MainRebar(), &rebar);
  GetWindowRect(MainSplitter(), &splitter);
  EXPECT_GT(rebar.bottom - rebar.top, 10);
  EXPECT_EQ(splitter.top, rebar.bottom);
  EXPECT_EQ(splitter.bottom - splitter.top, 539 - (rebar.bottom - rebar.top));
  EXPECT_EQ(WindowSize(GetParent(LogList())).cy, 170);
  EXPECT_EQ(WindowSize(LogList()).cy, 170 - 2 * 24);

  // Re-layout has run: the lists follow the tab panel's size.
  const SIZE panel = WindowSize(MainTabs());
  EXPECT_EQ(WindowSize(PlayersListView()).cx, panel.cx - 10);
  EXPECT_EQ(WindowSize(PlayersListView()).cy, panel.cy - 55);
  EXPECT_EQ(WindowSize(BansListView()).cy, panel.cy - 30);
  EXPECT_EQ(WindowSize(RefreshButton()).cy, 20);
}

TEST_F(MainWindowTest, ConnectionControlsStartDisabledButLockAndUnlockDoNot) {
  ExpectConnectionControlsOff();

  // F5 follows the Refresh item: nothing while there is no connection.
  PostMessageW(PlayersListView(), WM_KEYDOWN, VK_F5, 0);
  Pump();
  EXPECT_EQ(PendingAction, Action::None);

  // Lock chosen while disconnected waits in the slot.
  Command(menu_id::kLock);
  EXPECT_EQ(PendingAction, Action::Lock);
}

TEST_F(MainWindowTest, LoginEnablesAndDisconnectDisablesAgain) {
  SetConnectionControlsDisabled(0);
  EXPECT_TRUE(IsWindowEnabled(RefreshButton()));
  EXPECT_TRUE(IsWindowEnabled(PlayersListView()));
  EXPECT_TRUE(IsWindowEnabled(BansListView()));
  for (int id : {menu_id::kReassign, menu_id::kRestart, menu_id::kShutdown, menu_id::kSetMaxPing, menu_id::kRefresh}) {
    EXPECT_TRUE(MenuItemEnabled(id)) << id;
  }
  SetConnectionControlsDisabled(1);
  EXPECT_FALSE(IsWindowEnabled(RefreshButton()));
  EXPECT_FALSE(IsWindowEnabled(BansListView()));
  EXPECT_FALSE(MenuItemEnabled(menu_id::kRefresh));
  EXPECT_TRUE(MenuItemEnabled(menu_id::kLock));
  EXPECT_TRUE(MenuItemEnabled(menu_id::kUnlock));
  SetConnectionControlsDisabled(0);  // the rest of the tests run "connected"
}

TEST_F(MainWindowTest, MenusCarryTheirTextsIdsAndImages) {
  HMENU bar = MainMenu();
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  EXPECT_EQ(MenuText(bar, 0), L"Server");
  EXPECT_EQ(MenuText(bar, 1), L"Commands");
  EXPECT_EQ(MenuText(bar, 2), L"Info");
  ExpectItems(GetSubMenu(bar, 0), {{L"Connect", 1, true}, {L"Quick Connect", 0, true}, {nullptr, 0, false},
                                   {L"Quit", 8, false}});
  ExpectItems(GetSubMenu(bar, 1), {{L"Refresh\tF5", 13, false},
                                   {L"Reassign", 9, false},
                                   {L"Restart", 10, false},
                                   {L"Shutdown", 11, false},
                                   {L"Set MaxPing", 12, false},
                                   {nullptr, 0, false},
                                   {L"Lock", 14, false},
                                   {L"Unlock", 15, false},
                                   {nullptr, 0, false},
                                   {L"Auto refresh", -1, false}});
  ExpectItems(GetSubMenu(GetSubMenu(bar, 1), 9),
              {{L"On joins and leaves", 20, false}, {L"Every 30 seconds", 21, false}, {L"Off", 22, false}});
  ExpectItems(GetSubMenu(bar, 2), {{L"About...", 2, true}});
  ExpectItems(PlayersPopupMenu(), {{L"Kick\u2026", 3, false},
                                   {L"Ban\u2026", 4, false},
                                   {L"Message\u2026", 16, false},
                                   {L"History\u2026", 30, false},
                                   {nullptr, 0, false},
                                   {L"Copy name", 17, false},
                                   {L"Copy GUID", 18, false},
                                   {L"Copy address", 19, false}});
  ExpectItems(BansPopupMenu(), {{L"Remove ban", 6, false}});
  ExpectItems(FavouritesPopupMenu(), {{L"Connect", 7, false}, {L"Delete", 5, false}});

  // The menu images are 16 x 16 with an alpha channel.
  BITMAP bm{};
  ASSERT_TRUE(GetObjectW(ImageMenuBitmap(2), sizeof(bm), &bm));
  EXPECT_EQ(bm.bmWidth, 16);
  EXPECT_EQ(bm.bmHeight, 16);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  ASSERT_TRUE(GetObjectW(ImageLogo(), sizeof(bm), &bm));
  EXPECT_EQ(bm.bmWidth, 200);
  EXPECT_EQ(bm.bmHeight, 108);
  for (int n = 1; n <= 5; ++n) {
    ASSERT_NE(ImageIcon(n), nullptr) << n;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(ImageIcon(n), &info)) << n;
    ASSERT_TRUE(GetObjectW(info.hbmColor, sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, 16);
    EXPECT_EQ(bm.bmHeight, 16);
    EXPECT_EQ(bm.bmBitsPixel, 32) << n;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  // The player icon: a transparent corner and an opaque head.
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = 16;
  bi.bmiHeader.biHeight = -16;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  uint32_t pixels[256] = {};
  HDC screen = GetDC(nullptr);
  ASSERT_EQ(GetDIBits(screen, ImageMenuBitmap(5), 0, 16, pixels, &bi, DIB_RGB_COLORS), 16);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(pixels[0] >> 24, 0u);
  EXPECT_EQ(pixels[4 * 16 + 7] >> 24, 255u);
  EXPECT_EQ(ImageIcon(0), nullptr);
  EXPECT_EQ(ImageIcon(6), nullptr);
}

// A menu asks its owner to draw each image (WM_DRAWITEM, as for an item
// whose bitmap is HBMMENU_CALLBACK); drawn over the menu's background, the
// icon's transparent pixels must show that background, not black.
TEST_F(MainWindowTest, MenuImagesAreDrawnWithTheirTransparency) {
  constexpr uint32_t kBackground = 0x00F0E0D0;
  for (int image : {1, 2, 4}) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = 16;
    bi.bmiHeader.biHeight = -16;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    uint32_t icon[256] = {};
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(screen, ImageMenuBitmap(image), 0, 16, icon, &bi, DIB_RGB_COLORS), 16);
    ReleaseDC(nullptr, screen);

    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(target, nullptr);
    auto* drawn = static_cast<uint32_t*>(bits);
    std::fill(drawn, drawn + 256, kBackground);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = 0;
    draw.hDC = dc;
    draw.rcItem = RECT{0, 0, 16, 16};
    draw.itemData = static_cast<ULONG_PTR>(image);
    EXPECT_TRUE(SendMessageW(MainWindow(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
    GdiFlush();
    int clear = 0, solid = 0;
    for (int i = 0; i < 256; ++i) {
      const uint32_t alpha = icon[i] >> 24;
      if (alpha == 0) {
        ++clear;
        EXPECT_EQ(drawn[i] & 0xFFFFFF, kBackground) << "image " << image << " pixel " << i;
      } else if (alpha == 255) {
        ++solid;
        EXPECT_EQ(drawn[i] & 0xFFFFFF, icon[i] & 0xFFFFFF) << "image " << image << " pixel " << i;
      }
    }
    EXPECT_GT(solid, 0) << image;
    if (image != 2) {
      EXPECT_GT(clear, 0) << image;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(target);
  }
  // The items ask for that drawing.
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_BITMAP | MIIM_DATA;
  ASSERT_TRUE(GetMenuItemInfoW(GetSubMenu(MainMenu(), 0), 1, TRUE, &mii));  // Quick Connect
  EXPECT_EQ(mii.hbmpItem, HBMMENU_CALLBACK);
  EXPECT_EQ(mii.dwItemData, 1u);
}

TEST_F(MainWindowTest, MenuCommandsSetThePendingActionAndTheLaterOneWins) {
  const struct {
    int id;
    Action action;
  } table[] = {
      {menu_id::kRefresh, Action::Refresh},   {menu_id::kReassign, Action::Reassign},
      {menu_id::kRestart, Action::Restart},   {menu_id::kShutdown, Action::Shutdown},
      {menu_id::kSetMaxPing, Action::SetMaxPing}, {menu_id::kLock, Action::Lock},
      {menu_id::kUnlock, Action::Unlock},     {menu_id::kRemoveBan, Action::RemoveBan},
  };
  for (const auto& row : table) {
    PendingAction = Action::None;
    Command(row.id);
    EXPECT_EQ(PendingAction, row.action) << row.id;
  }
  // Two commands before the network tick has run: only the second remains.
  PendingAction = Action::None;
  Command(menu_id::kLock);
  Command(menu_id::kRestart);
  EXPECT_EQ(PendingAction, Action::Restart);

  // The "REFRESH" button.
  PendingAction = Action::None;
  SendMessageW(RefreshButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(PendingAction, Action::Refresh);
}

TEST_F(MainWindowTest, F5RaisesRefreshThroughTheEventLoop) {
  PostMessageW(PlayersListView(), WM_KEYDOWN, VK_F5, 0);
  Pump();
  EXPECT_EQ(PendingAction, Action::Refresh);
}

// Rows put straight into the views, under ids of their own.
int32_t g_rowId = 100000;
void ClearRows(HWND list) { SendMessageW(list, LVM_DELETEALLITEMS, 0, 0); }
void AddPlayer(const PlayerRow& cells) { PlayersList_InsertRow(++g_rowId, cells, 1 << 30); }
void AddBan(const BanRow& cells) { BansList_InsertRow(++g_rowId, cells, 1 << 30); }

TEST_F(MainWindowTest, PopupMenusOnlyWithASelectedRow) {
  ClearRows(PlayersListView());
  ClearRows(BansListView());
  Notify(PlayersListView(), NM_RCLICK);
  Notify(BansListView(), NM_RCLICK);
  EXPECT_TRUE(g_popups.empty());  // empty lists

  AddPlayer({"Alice", "1", "0", "Red", "30", "10.0.0.1:2304", "aa"});
  AddBan({"0123456789abcdef", "perm", "cheating"});
  Notify(PlayersListView(), NM_RCLICK);
  Notify(BansListView(), NM_RCLICK);
  EXPECT_TRUE(g_popups.empty());  // rows, but none selected

  Select(PlayersListView(), 0);
  Notify(PlayersListView(), NM_RCLICK);
  ASSERT_EQ(g_popups.size(), 1u);
  EXPECT_EQ(g_popups[0], PlayersPopupMenu());

  Select(BansListView(), 0);
  Notify(BansListView(), NM_RCLICK);
  ASSERT_EQ(g_popups.size(), 2u);
  EXPECT_EQ(g_popups[1], BansPopupMenu());
  // The menu key (a context menu request without a mouse position) too.
  SendMessageW(GetParent(PlayersListView()), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(PlayersListView()), -1);
  ASSERT_EQ(g_popups.size(), 3u);
  EXPECT_EQ(g_popups[2], PlayersPopupMenu());
  Select(PlayersListView(), -1);
  SendMessageW(GetParent(PlayersListView()), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(PlayersListView()), -1);
  EXPECT_EQ(g_popups.size(), 3u);

  EXPECT_EQ(BansList_SelectedIndex(), 0);
  BansList_RemoveRow(BansList_SelectedId());
  EXPECT_EQ(SendMessageW(BansListView(), LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(BansList_SelectedIndex(), -1);
}

TEST_F(MainWindowTest, RowsKeepTheirCellsAndThePlayerIcon) {
  ClearRows(PlayersListView());
  const PlayerRow row{"J\xC3\xBCrgen \xE2\x98\x85", "12", "3", "Blue", "45", "192.168.1.9:2304", "0123abcd"};
  AddPlayer(row);
  for (int c = 0; c < kPlayerColumns; ++c) EXPECT_EQ(PlayersList_CellText(0, c), row[static_cast<size_t>(c)]) << c;
  EXPECT_EQ(PlayersList_CellText(1, 0), "");   // no such row
  EXPECT_EQ(PlayersList_CellText(0, 7), "");   // no such column
  EXPECT_EQ(PlayersList_CellText(-1, 0), "");
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = 0;
  ASSERT_TRUE(SendMessageW(PlayersListView(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(item.iImage, 0);
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(PlayersListView(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  EXPECT_EQ(ImageList_GetImageCount(images), 1);

  // Long cells come back whole.
  const std::string longReason(3000, 'x');
  ClearRows(BansListView());
  AddBan({"guid", "perm", longReason});
  EXPECT_EQ(BansList_CellText(0, 2), longReason);

  Select(PlayersListView(), 0);
  PlayersList_RemoveRow(PlayersList_SelectedId());
  EXPECT_EQ(PlayersList_SelectedIndex(), -1);
  EXPECT_EQ(SendMessageW(PlayersListView(), LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(MainWindowTest, HeaderClickSortsAsTextOrAsIntegers) {
  ClearRows(PlayersListView());
  AddPlayer({"bob", "10", "2", "Red", "100", "1.1.1.1:1", "g1"});
  AddPlayer({"Alice", "9", "11", "Blue", "25", "1.1.1.2:1", "g2"});
  AddPlayer({"carl", "100", "1", "red", "7", "1.1.1.3:1", "g3"});

  HWND list = PlayersListView();
  Notify(list, LVN_COLUMNCLICK, 1);  // Score: integer
  EXPECT_EQ(Column(1), (std::vector<std::string>{"9", "10", "100"}));
  Notify(list, LVN_COLUMNCLICK, 1);  // again: reversed
  EXPECT_EQ(Column(1), (std::vector<std::string>{"100", "10", "9"}));
  Notify(list, LVN_COLUMNCLICK, 0);  // Name: text, case ignored
  EXPECT_EQ(Column(0), (std::vector<std::string>{"Alice", "bob", "carl"}));
  Notify(list, LVN_COLUMNCLICK, 4);  // Ping: integer
  EXPECT_EQ(Column(4), (std::vector<std::string>{"7", "25", "100"}));
  Notify(list, LVN_COLUMNCLICK, 5);  // IP: text
  EXPECT_EQ(Column(5), (std::vector<std::string>{"1.1.1.1:1", "1.1.1.2:1", "1.1.1.3:1"}));
  // Whole rows move together.
  Notify(list, LVN_COLUMNCLICK, 2);  // Deaths: integer
  EXPECT_EQ(Column(2), (std::vector<std::string>{"1", "2", "11"}));
  EXPECT_EQ(Column(0), (std::vector<std::string>{"carl", "bob", "Alice"}));

  // The sorted column is marked in the header.
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  SendMessageW(header, HDM_GETITEMW, 2, reinterpret_cast<LPARAM>(&item));
  EXPECT_TRUE(item.fmt & HDF_SORTUP);
  SendMessageW(header, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_FALSE(item.fmt & (HDF_SORTUP | HDF_SORTDOWN));
}

TEST_F(MainWindowTest, ARefilledListIsSortedAgainAsTheHeaderShows) {
  HWND list = PlayersListView();
  ClearRows(PlayersListView());
  AddPlayer({"a", "5", "0", "", "1", "", ""});
  Notify(list, LVN_COLUMNCLICK, 1);  // Score, a new column: ascending
  Notify(list, LVN_COLUMNCLICK, 1);  // again: descending
  // F5: the list is cleared and the rows come in the server's order.
  ClearRows(PlayersListView());
  for (const char* score : {"10", "9", "100", "9", "-3", "25"}) {
    AddPlayer({std::string("p") + score, score, "0", "", "1", "", ""});
  }
  EXPECT_EQ(Column(1), (std::vector<std::string>{"100", "25", "10", "9", "9", "-3"}));
  Notify(list, LVN_COLUMNCLICK, 0);  // Name, ascending, as text
  ClearRows(PlayersListView());
  for (const char* name : {"carl", "Bob", "alice", "Dave"}) AddPlayer({name, "0", "0", "", "1", "", ""});
  EXPECT_EQ(Column(0), (std::vector<std::string>{"alice", "Bob", "carl", "Dave"}));
  EXPECT_EQ(Column(1).size(), 4u);
}

// A full server's list as the "players" reply makes it: 60 players, #0..#59.
std::vector<PlayerRecord> Players(int count, int first = 0) {
  std::vector<PlayerRecord> list;
  for (int n = first; n < first + count; ++n) {
    list.push_back({"Player " + std::to_string(n), "10.0.0." + std::to_string(n), 2304, 30 + n,
                    "guid" + std::to_string(n), n});
  }
  return list;
}

TEST_F(MainWindowTest, RefreshesKeepTheSelectedPlayerFocusAndTopRowAndAnUnchangedOneRepaintsNothing) {
  HWND list = PlayersListView();
  ClearRows(list);
  PlayerList = Players(60);
  ShowPlayerRows();
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 60);
  const std::vector<std::string> names = Column(0);  // in the order an earlier sort left
  Select(list, static_cast<int>(std::find(names.begin(), names.end(), "Player 30") - names.begin()));
  SendMessageW(list, LVM_ENSUREVISIBLE, 59, FALSE);
  SendMessageW(list, LVM_ENSUREVISIBLE, 25, FALSE);
  const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  ASSERT_GT(top, 0);
  const std::string topName = PlayersList_CellText(top, 0);

  // Players leave and join above the top row, below it, and the selected
  // player's ping changes.
  struct Step {
    int leave;  // index into the list, -1: none
    int join;   // a new player's number, -1: none
  };
  const Step steps[] = {{0, 100}, {-1, 101}, {40, -1}, {2, 102}, {50, -1}};
  for (const Step& step : steps) {
    if (step.leave >= 0) PlayerList.erase(PlayerList.begin() + step.leave);
    if (step.join >= 0) PlayerList.insert(PlayerList.begin(), Players(1, step.join)[0]);
    for (PlayerRecord& p : PlayerList) p.ping += p.number == 30 ? 1 : 0;
    ShowPlayerRows();
    const int selected = PlayersList_SelectedIndex();
    ASSERT_GE(selected, 0);
    EXPECT_EQ(PlayersList_CellText(selected, 0), "Player 30");
    EXPECT_EQ(static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)), selected);
    EXPECT_EQ(PlayersList_CellText(static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)), 0), topName);
  }
  PlayerIdentity held;
  ASSERT_TRUE(SelectedPlayer(&held));
  EXPECT_EQ(held.number, 30);
  EXPECT_EQ(held.guid, "guid30");

  // The same list again: not one cell rewritten, nothing to repaint.
  UpdateWindow(list);
  ValidateRect(list, nullptr);
  EXPECT_EQ(ShowPlayerRows(), 0);
  EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE));
  ForgetPlayerRows();
  PlayerList.clear();
}

// "History..." on a player: the History tab, searching his GUID as the
// history keeps it (the server's "(OK)" gone, lowercase), or nothing for a
// player whose GUID is not known yet.
TEST_F(MainWindowTest, PlayersHistoryOpensTheHistoryTabSearchingHisGuid) {
  HWND list = PlayersListView();
  ClearRows(list);
  PlayerList = Players(2);
  PlayerList[0].guid = "0123456789ABCDEF0123456789ABCDEF(OK)";
  PlayerList[1].guid = "-";
  ShowPlayerRows();
  SetWindowTextW(HistorySearchBox(), L"");
  for (int row = 0; row < 2; ++row) {
    Select(list, row);
    PlayerIdentity held;
    ASSERT_TRUE(SelectedPlayer(&held));
    SendMessageW(MainTabs(), TCM_SETCURSEL, 0, 0);
    Command(menu_id::kPlayerHistory);
    wchar_t text[64] = {};
    GetWindowTextW(HistorySearchBox(), text, 64);
    if (held.number == 0) {
      EXPECT_EQ(SendMessageW(MainTabs(), TCM_GETCURSEL, 0, 0), 3);
      EXPECT_TRUE(IsWindowVisible(HistoryListView()));
      EXPECT_STREQ(text, L"0123456789abcdef0123456789abcdef");
    } else {
      EXPECT_EQ(SendMessageW(MainTabs(), TCM_GETCURSEL, 0, 0), 0);
    }
  }
  SendMessageW(MainTabs(), TCM_SETCURSEL, 0, 0);
  Notify(MainTabs(), TCN_SELCHANGE);
  ForgetPlayerRows();
  PlayerList.clear();
}

// The History tab sorts as the Players tab does, by what a column means:
// names whatever their case and script, counts by number, dates by the time
// (the 5th of October after the 1st of September, though its short date may
// read first); a new search's results come in the same order.
TEST_F(MainWindowTest, HistoryHeaderClickSortsAndTheSortOutlivesNewResults) {
  HWND list = HistoryListView();
  const auto names = [list] {
    std::vector<std::wstring> cells(static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
    for (size_t row = 0; row < cells.size(); ++row) {
      wchar_t text[64] = {};
      LVITEMW item{};
      item.pszText = text;
      item.cchTextMax = 64;
      SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
      cells[row] = text;
    }
    return cells;
  };
  const auto arrow = [list](int column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), HDM_GETITEMW, column,
                 reinterpret_cast<LPARAM>(&item));
    return (item.fmt & HDF_SORTUP) ? 1 : ((item.fmt & HDF_SORTDOWN) ? -1 : 0);
  };
  constexpr int64_t kSep1 = 1725148800, kOct5 = 1728086400;  // 2024, UTC
  const auto match = [](const wchar_t* name, int64_t seen, int32_t times) {
    return history::Match{Narrow(name), Narrow(name), {}, "", seen, seen + 60, times, "", false};
  };
  const std::wstring erik = L"\u042d\u0440\u0438\u043a", emma = L"\u044d\u043c\u043c\u0430";
  std::vector<history::Match> found{match(L"bob", kOct5, 10), match(erik.c_str(), kSep1 + 86400, 100),
                                    match(L"Alice", kSep1, 9), match(emma.c_str(), kOct5 + 86400, 1)};
  ShowHistoryMatchesForTesting(found);
  EXPECT_EQ(names(), (std::vector<std::wstring>{L"bob", erik, L"Alice", emma}));  // as found
  const struct {
    int column;
    std::vector<std::wstring> names;
    int arrow;
  } steps[] = {
      {0, {L"Alice", L"bob", emma, erik}, 1}, {0, {erik, emma, L"bob", L"Alice"}, -1},  // again: reversed
      {6, {emma, L"Alice", L"bob", erik}, 1},                                            // times seen
      {4, {L"Alice", erik, L"bob", emma}, 1},                                            // first seen
      {5, {L"Alice", erik, L"bob", emma}, 1}, {5, {emma, L"bob", erik, L"Alice"}, -1},  // last seen
  };
  for (const auto& step : steps) {
    Notify(list, LVN_COLUMNCLICK, step.column);
    EXPECT_EQ(names(), step.names) << step.column;
    EXPECT_EQ(arrow(step.column), step.arrow) << step.column;
    EXPECT_EQ(arrow(0) != 0, step.column == 0) << step.column;
  }
  // New results keep the sort, its arrow and the selected player.
  Select(list, 2);  // erik
  found.push_back(match(L"carl", kOct5 + 2 * 86400, 2));
  ShowHistoryMatchesForTesting(found);
  EXPECT_EQ(names(), (std::vector<std::wstring>{L"carl", emma, L"bob", erik, L"Alice"}));
  EXPECT_EQ(arrow(5), -1);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 3);
  ShowHistoryMatchesForTesting({});
}

TEST_F(MainWindowTest, ASortedViewPutsNewAndChangedRowsWhereTheSortSays) {
  HWND list = PlayersListView();
  ClearRows(list);
  PlayerList = Players(5);
  ShowPlayerRows();
  Notify(list, LVN_COLUMNCLICK, 4);  // Ping, ascending: 30..34
  Notify(list, LVN_COLUMNCLICK, 4);  // descending
  Select(list, 4);                   // the lowest ping, #0
  PlayerList[0].ping = 33;           // moves up among the others, keeping his selection
  PlayerList.push_back(Players(1, 9)[0]);
  PlayerList.back().ping = 31;
  ShowPlayerRows();
  EXPECT_EQ(Column(4), (std::vector<std::string>{"34", "33", "33", "32", "31", "31"}));
  const int selected = PlayersList_SelectedIndex();
  ASSERT_GE(selected, 0);
  EXPECT_EQ(PlayersList_CellText(selected, 0), "Player 0");
  ForgetPlayerRows();
  PlayerList.clear();
}

TEST_F(MainWindowTest, TheLogKeepsItsLast5000Lines) {
  HWND log = LogList();
  LogView_Clear();
  // Drawn once, at the flush, as a burst read in one tick is.
  for (int i = 0; i < 5003; ++i) AppendLog("line " + std::to_string(i));
  LogView_Flush();
  EXPECT_EQ(SendMessageW(log, LB_GETCOUNT, 0, 0), 5000);
  EXPECT_EQ(LogLine(0), L"line 3");
}

// Tab as the keyboard sends it: to the focused control, through the loop.
void PressTab(bool shift) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
  for (int i = 0; i < 5; ++i) RunOneEventLoopPass(5);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
}

WNDPROC g_listProc = nullptr;
int g_tabsSeen = 0;
LRESULT CALLBACK WantsTab(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETDLGCODE) return DLGC_WANTTAB | DLGC_WANTARROWS;
  if (message == WM_KEYDOWN && wParam == VK_TAB) ++g_tabsSeen;
  return CallWindowProcW(g_listProc, window, message, wParam, lParam);
}

TEST_F(MainWindowTest, TabAndShiftTabMoveAmongTheControlsThatCanTakeTheKeys) {
  const bool wasConnected = IsWindowEnabled(RefreshButton());
  SetForegroundWindow(MainWindow());
  TabCtrl_SetCurSel(MainTabs(), 0);
  Notify(MainTabs(), TCN_SELCHANGE);
  PendingAction = Action::None;
  SetConnectionControlsDisabled(0);
  SetFocus(MainTabs());
  ASSERT_EQ(GetFocus(), MainTabs());

  const std::vector<HWND> forward{PlayersListView(), RefreshButton(), LogList(),        LogView_TargetBox(),
                                  LogView_MessageBox(), MainTabs()};
  for (HWND expected : forward) {
    PressTab(false);
    EXPECT_EQ(GetFocus(), expected);
  }
  const std::vector<HWND> backward{LogView_MessageBox(), LogView_TargetBox(), LogList(), RefreshButton(),
                                   PlayersListView(),    MainTabs()};
  for (HWND expected : backward) {
    PressTab(true);
    EXPECT_EQ(GetFocus(), expected);
  }

  // Disabled controls are passed over.
  SetConnectionControlsDisabled(1);
  PressTab(false);
  EXPECT_EQ(GetFocus(), LogList());
  PressTab(false);
  PressTab(false);
  PressTab(false);
  EXPECT_EQ(GetFocus(), MainTabs());
  EXPECT_EQ(PendingAction, Action::None);

  // A control that asks for Tab (WM_GETDLGCODE) keeps it.
  SetConnectionControlsDisabled(0);
  HWND list = PlayersListView();
  g_tabsSeen = 0;
  g_listProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WantsTab)));
  SetFocus(list);
  PressTab(false);
  EXPECT_EQ(GetFocus(), list);
  EXPECT_EQ(g_tabsSeen, 1);
  SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
  SetConnectionControlsDisabled(wasConnected ? 0 : 1);
}

TEST_F(MainWindowTest, TabAndShiftTabLeaveTheInfoTabsPropertyBox) {
  SetForegroundWindow(MainWindow());
  TabCtrl_SetCurSel(MainTabs(), 2);
  Notify(MainTabs(), TCN_SELCHANGE);
  HWND box = GadgetWindow(InfoViewGadget());
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(IsWindowVisible(box));
  SetFocus(box);
  PressTab(false);
  EXPECT_EQ(GetFocus(), LogList()) << "Tab: the next control";
  SetFocus(box);
  PressTab(true);
  EXPECT_EQ(GetFocus(), MainTabs()) << "Shift+Tab: the one before";
  TabCtrl_SetCurSel(MainTabs(), 0);
  Notify(MainTabs(), TCN_SELCHANGE);
}

TEST_F(MainWindowTest, ListColumnsHaveTheirTitlesAndWidths) {
  const struct {
    HWND list;
    std::vector<std::pair<std::wstring, int>> columns;
  } lists[] = {
      {PlayersListView(),
       {{L"Name", 100}, {L"Score", 100}, {L"Deaths", 100}, {L"Team", 100}, {L"Ping", 50}, {L"IP", 100}, {L"GUID", 105}}},
      {BansListView(), {{L"GUID", 200}, {L"Banned until", 150}, {L"Reason", 345}}},
  };
  for (const auto& l : lists) {
    for (size_t i = 0; i < l.columns.size(); ++i) {
      wchar_t text[64] = {};
      LVCOLUMNW col{};
      col.mask = LVCF_TEXT | LVCF_WIDTH;
      col.pszText = text;
      col.cchTextMax = 64;
      ASSERT_TRUE(SendMessageW(l.list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&col)));
      EXPECT_EQ(std::wstring(text), l.columns[i].first);
      EXPECT_EQ(col.cx, l.columns[i].second);
    }
  }
  const DWORD bansEx = static_cast<DWORD>(SendMessageW(BansListView(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_TRUE(bansEx & LVS_EX_HEADERDRAGDROP);
  EXPECT_TRUE(bansEx & LVS_EX_FULLROWSELECT);
  const LONG style = GetWindowLongW(PlayersListView(), GWL_STYLE);
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
}

TEST_F(MainWindowTest, AppendLogScrollsDownOneLineFromWhereItStands) {
  HWND log = LogList();
  LogView_Clear();
  for (int i = 0; i < 30; ++i) AppendLog("line " + std::to_string(i));
  EXPECT_EQ(SendMessageW(log, LB_GETCOUNT, 0, 0), 30);
  EXPECT_EQ(LogLine(29), L"line 29");

  // The reader scrolled back to the top: each new line moves the view by one.
  LogView_Flush();
  SendMessageW(log, LB_SETTOPINDEX, 0, 0);
  AppendLog("new 1");
  LogView_Flush();
  EXPECT_EQ(SendMessageW(log, LB_GETTOPINDEX, 0, 0), 1);
  // Two in one tick: two lines down, in one step.
  AppendLog("new 2");
  AppendLog("new 3");
  EXPECT_EQ(SendMessageW(log, LB_GETTOPINDEX, 0, 0), 1);
  LogView_Flush();
  EXPECT_EQ(SendMessageW(log, LB_GETTOPINDEX, 0, 0), 3);
}

TEST_F(MainWindowTest, SelectingTheBansTabAsksForTheBanList) {
  HWND tabs = MainTabs();
  ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);  // Players, Bans, Info, History
  SendMessageW(tabs, TCM_SETCURSEL, 2, 0);
  Notify(tabs, TCN_SELCHANGE);
  EXPECT_EQ(PendingAction, Action::None);  // Info
  EXPECT_TRUE(IsWindowVisible(InfoPanel()));

  SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
  Notify(tabs, TCN_SELCHANGE);
  EXPECT_EQ(PendingAction, Action::LoadBans);
  EXPECT_TRUE(IsWindowVisible(BansListView()));
  EXPECT_FALSE(IsWindowVisible(PlayersListView()));

  // A click on the tab that is already selected asks again.
  PendingAction = Action::None;
  Notify(tabs, NM_CLICK);
  EXPECT_EQ(PendingAction, Action::LoadBans);

  SendMessageW(tabs, TCM_SETCURSEL, 0, 0);
  Notify(tabs, TCN_SELCHANGE);
  EXPECT_TRUE(IsWindowVisible(PlayersListView()));
}

TEST_F(MainWindowTest, DraggingTheSplitterRelaysOutTheLists) {
  HWND splitter = MainSplitter();
  const int position = SplitterPosition(splitter);
  const SIZE players = WindowSize(PlayersListView());
  const SIZE bans = WindowSize(BansListView());
  const SIZE log = WindowSize(LogList());

  const int grab = position - kSplitterBar / 2 - 1;
  SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, grab));
  SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, grab - 100));
  SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(20, grab - 100));
  EXPECT_EQ(SplitterPosition(splitter), position - 100);
  RelayoutMainWindow();  // what the event loop does after every event

  EXPECT_EQ(WindowSize(PlayersListView()).cy, players.cy - 100);
  EXPECT_EQ(WindowSize(PlayersListView()).cx, players.cx);
  EXPECT_EQ(WindowSize(BansListView()).cy, bans.cy - 100);
  EXPECT_EQ(WindowSize(LogList()).cy, log.cy + 100);
  RECT button, tabs;
  GetWindowRect(RefreshButton(), &button);
  GetWindowRect(MainTabs(), &tabs);
  EXPECT_EQ(button.bottom, tabs.bottom - 30 + (button.top - tabs.top) - (tabs.bottom - tabs.top - 50));

  // A drag far past the top keeps the bar inside the splitter.
  SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, SplitterPosition(splitter) - 2));
  SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, -2000));
  SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(20, -2000));
  EXPECT_GE(SplitterPosition(splitter), kSplitterBar);
  RelayoutMainWindow();
  EXPECT_GE(WindowSize(PlayersListView()).cy, 0);

  // A press outside the bar drags nothing.
  SplitterSetPosition(splitter, position);
  SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 5));
  SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 50));
  SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(20, 50));
  EXPECT_EQ(SplitterPosition(splitter), position);
  RelayoutMainWindow();
  EXPECT_EQ(WindowSize(PlayersListView()).cy, players.cy);
}

TEST_F(MainWindowTest, InfoValuesGoToTheirRowsOnly) {
  SetInfoValue("hostname", "Demo server");
  EXPECT_EQ(InfoValue("hostname"), "Demo server");
  SetInfoValue("no such key", "x");
  EXPECT_EQ(InfoValue("no such key"), "");
  SetInfoValue("", "heading");  // headings never take a value
  EXPECT_EQ(InfoValue(""), "");
  SetInfoValue("BE_PLAYERS", "3");
  EXPECT_EQ(InfoValue("BE_PLAYERS"), "3");
  EXPECT_EQ(InfoValue("hostname"), "Demo server");
}

// Posted keys reach the menu's own modal loop, so the keyboard path through
// the menu bar can be driven end to end: F10, Right, Enter opens "Commands"
// with its first item selected, Enter chooses it.
void CALLBACK PressEnter(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostMessageW(MainWindow(), WM_KEYDOWN, VK_RETURN, 0);
}
void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EndMenu();
}

TEST_F(MainWindowTest, MenuBarAnswersTheKeyboard) {
  HWND bar = MainMenuBar();
  ASSERT_NE(bar, nullptr);
  SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_KEYMENU, 0);  // F10 or Alt
  EXPECT_EQ(MenuBar_KeyboardItem(), 0);
  EXPECT_EQ(GetFocus(), bar);
  SendMessageW(bar, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(MenuBar_KeyboardItem(), 1);
  SendMessageW(bar, WM_KEYDOWN, VK_LEFT, 0);
  SendMessageW(bar, WM_KEYDOWN, VK_LEFT, 0);  // wraps to the last title
  EXPECT_EQ(MenuBar_KeyboardItem(), 2);
  SendMessageW(bar, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(MenuBar_KeyboardItem(), -1);
  EXPECT_NE(GetFocus(), bar);

  SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_KEYMENU, 0);
  SendMessageW(bar, WM_KEYDOWN, VK_RIGHT, 0);
  const UINT_PTR enter = SetTimer(nullptr, 0, 300, PressEnter);
  const UINT_PTR safety = SetTimer(nullptr, 0, 5000, GiveUp);
  SendMessageW(bar, WM_KEYDOWN, VK_RETURN, 0);  // returns when the menu closes
  KillTimer(nullptr, enter);
  KillTimer(nullptr, safety);
  Pump(5);
  EXPECT_EQ(MenuBar_OpenItem(), -1);
  EXPECT_EQ(PendingAction, Action::Refresh);
}

}  // namespace

namespace {

int g_openSeen = -2;
void CALLBACK PressRight(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostMessageW(MainWindow(), WM_KEYDOWN, VK_RIGHT, 0);
}
void CALLBACK LookAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_openSeen = MenuBar_OpenItem();
  PostMessageW(MainWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(MainWindowTest, ArrowKeysMoveAnOpenMenuToItsNeighbour) {
  const UINT_PTR right = SetTimer(nullptr, 0, 200, PressRight);
  const UINT_PTR look = SetTimer(nullptr, 0, 700, LookAndClose);
  const UINT_PTR safety = SetTimer(nullptr, 0, 5000, GiveUp);
  MenuBar_Open(0, false);
  KillTimer(nullptr, right);
  KillTimer(nullptr, look);
  KillTimer(nullptr, safety);
  EXPECT_EQ(g_openSeen, 1);
  EXPECT_EQ(MenuBar_OpenItem(), -1);
}

}  // namespace

namespace {

void CALLBACK PressEscape(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostMessageW(MainWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(MainWindowTest, EscapeFromAKeyboardMenuReturnsToTheBar) {
  const UINT_PTR escape = SetTimer(nullptr, 0, 200, PressEscape);
  const UINT_PTR safety = SetTimer(nullptr, 0, 5000, GiveUp);
  MenuBar_Open(2, true);
  KillTimer(nullptr, escape);
  KillTimer(nullptr, safety);
  EXPECT_EQ(MenuBar_OpenItem(), -1);
  EXPECT_EQ(MenuBar_KeyboardItem(), 2);
  EXPECT_EQ(GetFocus(), MainMenuBar());
  SendMessageW(MainMenuBar(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(MenuBar_KeyboardItem(), -1);
}

}  // namespace

namespace {

std::vector<std::wstring> g_boxes;

// Runs event loop passes (each an idle pass is a network tick) until `done`
// or about five seconds have gone.
template <typename Done>
bool LoopUntil(Done done) {
  for (int pass = 0; pass < 1000 && !done(); ++pass) RunOneEventLoopPass(5);
  return done();
}

bool LogHasLine(const std::wstring& wanted) {
  const int count = static_cast<int>(SendMessageW(LogList(), LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (LogLine(i) == wanted) return true;
  }
  return false;
}

// ---- Modal loops ----------------------------------------------------------------
//
// A menu, a message box or the Set MaxPing box runs its own message loop;
// the network tick must go on meanwhile. Each case below is held open from
// a timer inside its loop while the server sends a message and the clock
// passes the keep-alive interval; it closes once the client has answered
// both, or after three seconds.

uint32_t g_clockOffset = 0;
uint32_t ShiftedClock() { return GetTickCount() + g_clockOffset; }

struct ModalHold {
  LoopbackPeer* peer = nullptr;
  void (*close)() = nullptr;
  uint8_t messageSequence = 0;
  DWORD started = 0;
  bool sent = false;
  bool acknowledged = false;
  bool keptAlive = false;
  bool closed = false;
};
ModalHold g_hold;

void CALLBACK HoldModalLoop(HWND, UINT, UINT_PTR timer, DWORD) {
  ModalHold& hold = g_hold;
  if (!hold.sent) {
    hold.sent = true;
    hold.started = GetTickCount();
    hold.peer->ClearReceived();
    hold.peer->SendToClient(ServerFrame(rcon::kTypeServerMessage, hold.messageSequence, "Player #3 connected"));
    g_clockOffset += kKeepAliveIntervalMs + 1000;
    return;
  }
  for (const Bytes& datagram : hold.peer->Received()) {
    if (datagram.size() != 9) continue;
    if (datagram[7] == rcon::kTypeServerMessage && datagram[8] == hold.messageSequence) hold.acknowledged = true;
    if (datagram[7] == rcon::kTypeCommand) hold.keptAlive = true;
  }
  if ((hold.acknowledged && hold.keptAlive) || GetTickCount() - hold.started > 3000) {
    KillTimer(nullptr, timer);
    hold.closed = true;
    hold.close();
  }
}

void CloseMessageBox() {
  HWND box = FindWindowW(L"#32770", L"Modal");
  if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
}
void EndModalDialogBox() {
  HWND box = FindWindowW(nullptr, L"Modal dialog");
  if (box) EndDialog(box, IDCANCEL);
}
// A dialog box run by the system's own modal loop, as the colour, font and
// file dialogs are; nothing of ours marks it, only its WM_ENTERIDLE.
void RunModalDialogBox() {
  alignas(4) WORD buffer[64] = {};
  auto* dlg = reinterpret_cast<DLGTEMPLATE*>(buffer);
  dlg->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  dlg->cx = 120;
  dlg->cy = 40;
  WORD* tail = reinterpret_cast<WORD*>(dlg + 1);
  *tail++ = 0;  // no menu
  *tail++ = 0;  // the standard dialog class
  for (const wchar_t* c = L"Modal dialog"; ; ++c) {
    *tail++ = static_cast<WORD>(*c);
    if (*c == 0) break;
  }
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dlg, MainWindow(),
                          [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; },
                          0);
}
void CancelMaxPing() {
  HWND box = FindWindowW(L"QuorvelInputBox", L"Set MaxPing");
  if (box) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void Login(LoopbackPeer& peer) {
  OpenQuickConnect(MainWindow());
  ASSERT_NE(OpenDialogWindow(), nullptr);
  SetWindowTextW(OpenDialogItem(dialog_id::kQuickHost), L"127.0.0.1");
  SetWindowTextW(OpenDialogItem(dialog_id::kQuickPort), std::to_wstring(peer.Port()).c_str());
  SetWindowTextW(OpenDialogItem(dialog_id::kQuickPassword), L"secret");
  SendMessageW(OpenDialogItem(IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(LoopUntil([] { return Session.connected; })) << "login failed";
}

TEST_F(MainWindowTest, TheNetworkTickRunsWhileAModalLoopHoldsTheThread) {
  LoopbackPeer peer;
  ASSERT_TRUE(peer.ok());
  Login(peer);
  // Let the activation that closing Quick Connect started settle first: a
  // menu closes when its window loses the activation.
  SetForegroundWindow(MainWindow());
  Pump(40);
  SetTickSource(ShiftedClock);

  const struct {
    const char* what;
    void (*open)();
    void (*close)();
  } cases[] = {
      {"menu bar menu", [] { MenuBar_Open(1, false); }, [] { EndMenu(); }},
      {"pop-up menu",
       [] {
         SetPopupShowerForTesting(nullptr);
         HMENU popup = CreatePopupMenu();
         AppendMenuW(popup, MF_STRING, 1000, L"Item");
         TrackPopupMenuEx(popup, TPM_RIGHTBUTTON, 100, 100, MainWindow(), nullptr);
         DestroyMenu(popup);
       },
       [] { EndMenu(); }},
      {"message box", [] { DialogMessageBox(MainWindow(), L"Held open", L"Modal", MB_OK); }, CloseMessageBox},
      {"dialog box", RunModalDialogBox, EndModalDialogBox},
      {"Set MaxPing box",
       [] {
         std::string answer;
         AskMaxPing(answer);
       },
       CancelMaxPing},
  };
  uint8_t sequence = 0;
  for (const auto& c : cases) {
    g_hold = ModalHold{};
    g_hold.peer = &peer;
    g_hold.close = c.close;
    g_hold.messageSequence = sequence++;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, HoldModalLoop);
    c.open();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_hold.closed) << c.what << " ended early";
    EXPECT_TRUE(g_hold.acknowledged) << c.what << ": the server message was not acknowledged";
    EXPECT_TRUE(g_hold.keptAlive) << c.what << ": no keep-alive";
    RunOneEventLoopPass(5);  // the event loop has the thread back
    EXPECT_FALSE(InModalLoop()) << c.what;
    EXPECT_TRUE(Session.connected);
  }
  SetTickSource(nullptr);
  g_clockOffset = 0;
  Disconnect(0, "");
}

constexpr int kTabIndexInfo = 2;

// Probes the main window from another thread as Windows does before it
// calls a window "Not Responding": every 50 ms a WM_NULL that must be
// answered within 100 ms.
class ResponsivenessProbe {
 public:
  explicit ResponsivenessProbe(HWND window)
      : thread_([this, window] {
          while (!stop_) {
            DWORD_PTR result = 0;
            const DWORD start = GetTickCount();
            // Windows' own measure: answered within the time-out or not.
            const bool answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result) != 0;
            // Only the waits are measured, not the test's own steps
            // (opening a dialog takes its time under a loaded Wine).
            if (measuring_ && measuredFrom_ <= start) {
              ++probes_;
              if (!answered) ++late_;
            }
            Sleep(50);
          }
        }) {}
  ~ResponsivenessProbe() {
    stop_ = true;
    thread_.join();
  }
  void Measure(bool on) {
    measuredFrom_ = GetTickCount();
    measuring_ = on;
  }
  int probes() const { return probes_; }
  int late() const { return late_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> probes_{0};
  std::atomic<int> late_{0};
  std::atomic<bool> measuring_{false};
  std::atomic<DWORD> measuredFrom_{0};
  std::thread thread_;
};

// Runs the real loop (with its real waiting) until `done` or `ms` of real time.
template <typename Done>
bool LoopFor(Done done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done() && GetTickCount() - start < ms) RunOneEventLoopPass(50);
  return done();
}

// A click on a tab, as the mouse gives it to the tab control.
void ClickTab(int index) {
  RECT item;
  SendMessageW(MainTabs(), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageW(MainTabs(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(MainTabs(), WM_LBUTTONUP, 0, at);
}

int ShownTab() { return static_cast<int>(SendMessageW(MainTabs(), TCM_GETCURSEL, 0, 0)); }

// Against a server that answers nothing (but the login, in the later
// steps), each wait ends at its deadline while the window stays usable.
TEST_F(MainWindowTest, NoWaitForTheServerHoldsTheWindow) {
  g_boxes.clear();
  DialogMessageBox = [](HWND, const wchar_t* text, const wchar_t*, UINT) {
    g_boxes.emplace_back(text);
    return IDOK;
  };
  LoopbackPeer peer(LoopbackPeer::LoginMode::Silent);
  ASSERT_TRUE(peer.ok());
  ResponsivenessProbe probe(MainWindow());
  const std::wstring target = L"127.0.0.1:" + std::to_wstring(peer.Port());

  // The login wait.
  OpenQuickConnect(MainWindow());
  ASSERT_NE(OpenDialogWindow(), nullptr);
  SetWindowTextW(OpenDialogItem(dialog_id::kQuickHost), L"127.0.0.1");
  SetWindowTextW(OpenDialogItem(dialog_id::kQuickPort), std::to_wstring(peer.Port()).c_str());
  SetWindowTextW(OpenDialogItem(dialog_id::kQuickPassword), L"secret");
  const DWORD start = GetTickCount();
  SendMessageW(OpenDialogItem(IDOK), BM_CLICK, 0, 0);
  probe.Measure(true);
  RunOneEventLoopPass(0);
  EXPECT_EQ(StatusBarText(0), L"Connecting to " + target + L"\u2026");
  ClickTab(kTabIndexInfo);
  EXPECT_EQ(ShownTab(), kTabIndexInfo);
  ClickTab(0);
  ASSERT_TRUE(LoopFor([] { return !g_boxes.empty(); }, 6000));
  probe.Measure(false);
  EXPECT_GE(GetTickCount() - start, kLoginTimeoutMs - 50);
  EXPECT_EQ(g_boxes, std::vector<std::wstring>{L"Could not connect!"});
  EXPECT_EQ(StatusBarText(0), L"Not connected");
  CloseDialog(OpenDialogWindow());

  // The ban list: asked for by the Bans tab, never answered.
  peer.SetLoginMode(LoopbackPeer::LoginMode::Accept);
  Login(peer);
  EXPECT_EQ(StatusBarText(0), L"Connected to " + target + L" for less than a minute");
  probe.Measure(true);
  ClickTab(1);
  RunOneEventLoopPass(0);
  EXPECT_EQ(StatusBarText(1), L"Loading bans\u2026");
  ClickTab(0);
  EXPECT_EQ(ShownTab(), 0);
  EXPECT_TRUE(Session.banList.active);
  ASSERT_TRUE(LoopFor([] { return !Session.banList.active; }, 5000));
  RunOneEventLoopPass(0);
  EXPECT_EQ(StatusBarText(1), L"");

  // Remove ban: the fresh list it asks for never comes.
  ForgetBans();
  ParseBanList("GUID Bans:\n[#] [GUID] [Minutes left] [Reason]\n---------------------------------------\n0 " +
                   std::string(32, 'a') + " perm Cheating\n\nIP Bans:\n[#] [IP Address] [Minutes left] [Reason]\n",
               0);
  LVITEMW select{};
  select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(BansListView(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
  Command(menu_id::kRemoveBan);
  RunOneEventLoopPass(0);
  RunOneEventLoopPass(0);
  EXPECT_EQ(StatusBarText(1), L"Removing ban\u2026");
  ClickTab(kTabIndexInfo);
  EXPECT_EQ(ShownTab(), kTabIndexInfo);
  ASSERT_TRUE(LoopFor([] { return !Session.banList.active; }, 5000));
  EXPECT_TRUE(LogHasLine(L"The ban list did not come; the ban of " + std::wstring(32, L'a') +
                         L" (\"Cheating\") was not removed."));
  probe.Measure(false);
  ClickTab(0);
  Disconnect(0, "");

  EXPECT_GT(probe.probes(), 100);
  EXPECT_EQ(probe.late(), 0) << "of " << probe.probes() << " probes";
}

// Last, since it leaves the program disconnected: the connection-dependent
// controls follow a real login through Quick Connect and the disconnect
// that the reply to "#shutdown" brings, with Lock and Unlock untouched.
TEST_F(MainWindowTest, ControlsFollowALoginAndTheShutdownThatEndsIt) {
  g_boxes.clear();
  DialogMessageBox = [](HWND, const wchar_t* text, const wchar_t*, UINT) {
    g_boxes.emplace_back(text);  // a real box would wait for a click forever
    return IDOK;
  };
  SetConnectionControlsDisabled(1);
  LoopbackPeer peer;
  ASSERT_TRUE(peer.ok());

  OpenQuickConnect(MainWindow());
  ASSERT_NE(OpenDialogWindow(), nullptr);
  SetWindowTextW(OpenDialogItem(dialog_id::kQuickHost), L"127.0.0.1");
  SetWindowTextW(OpenDialogItem(dialog_id::kQuickPort), std::to_wstring(peer.Port()).c_str());
  SetWindowTextW(OpenDialogItem(dialog_id::kQuickPassword), L"secret");
  SendMessageW(OpenDialogItem(IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(LoopUntil([] { return Session.connected || !g_boxes.empty(); }));
  ASSERT_TRUE(g_boxes.empty()) << "login failed";
  ASSERT_TRUE(Session.connected);
  EXPECT_EQ(OpenDialogWindow(), nullptr) << "Quick Connect closes after the login";
  EXPECT_TRUE(IsWindowEnabled(MainWindow()));
  EXPECT_TRUE(LogHasLine(L"Connected to 127.0.0.1:" + std::to_wstring(peer.Port())));
  EXPECT_TRUE(IsWindowEnabled(RefreshButton()));
  EXPECT_TRUE(IsWindowEnabled(PlayersListView()));
  EXPECT_TRUE(IsWindowEnabled(BansListView()));
  for (int id : {menu_id::kReassign, menu_id::kRestart, menu_id::kShutdown, menu_id::kSetMaxPing, menu_id::kRefresh}) {
    EXPECT_TRUE(MenuItemEnabled(id)) << id;
  }

  // Commands > Shutdown goes out on an idle pass, not from the menu event.
  peer.ClearReceived();
  Command(menu_id::kShutdown);
  EXPECT_EQ(peer.ReceivedCount(), 0u);
  int shutdownSequence = -1;
  ASSERT_TRUE(LoopUntil([&] {
    for (const Bytes& datagram : peer.Received()) {
      if (datagram.size() > 9 && CommandText(datagram) == "#shutdown") shutdownSequence = datagram[8];
    }
    return shutdownSequence >= 0;
  }));
  EXPECT_TRUE(Session.connected) << "still connected until the server answers";

  peer.SendToClient(ServerFrame(rcon::kTypeCommand, shutdownSequence, ""));
  ASSERT_TRUE(LoopUntil([] { return !Session.connected; }));
  ExpectConnectionControlsOff();
  EXPECT_TRUE(g_boxes.empty());
}

// ---- The log's filters, the message box, the Players tab's additions ---------

std::vector<std::wstring> LogLines() {
  std::vector<std::wstring> lines;
  for (int i = 0, n = static_cast<int>(SendMessageW(LogList(), LB_GETCOUNT, 0, 0)); i < n; ++i) lines.push_back(LogLine(i));
  return lines;
}

void ClickFilter(LogFilter filter) { SendMessageW(LogView_FilterButton(filter), BM_CLICK, 0, 0); }

TEST_F(MainWindowTest, TheFilterButtonsShowTheirLinesAndKeepEveryLine) {
  LogView_Clear();
  AppendLogAs("(Side) Ann: hi", LogCategory::Chat);
  AppendLogAs("Player #1 Ann disconnected", LogCategory::Players);
  AppendLogAs("RCon admin #0: (Global) hello", LogCategory::Admin);
  AppendLog("Received player list.");
  using Lines = std::vector<std::wstring>;
  ClickFilter(LogFilter::Chat);
  EXPECT_EQ(LogView_Filter(), LogFilter::Chat);
  EXPECT_EQ(LogLines(), Lines{L"(Side) Ann: hi"});
  // A line of another kind comes in meanwhile: kept, not shown.
  AppendLogAs("Player #2 Ben (10.0.0.2:2304) connected", LogCategory::Players);
  EXPECT_EQ(LogLines(), Lines{L"(Side) Ann: hi"});
  ClickFilter(LogFilter::Players);
  EXPECT_EQ(LogLines(), (Lines{L"Player #1 Ann disconnected", L"Player #2 Ben (10.0.0.2:2304) connected"}));
  ClickFilter(LogFilter::Admin);
  EXPECT_EQ(LogLines(), Lines{L"RCon admin #0: (Global) hello"});
  ClickFilter(LogFilter::All);
  EXPECT_EQ(LogLines(), (Lines{L"(Side) Ann: hi", L"Player #1 Ann disconnected", L"RCon admin #0: (Global) hello",
                               L"Received player list.", L"Player #2 Ben (10.0.0.2:2304) connected"}));
  EXPECT_EQ(SendMessageW(LogView_FilterButton(LogFilter::All), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(LogView_FilterButton(LogFilter::Chat), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

std::wstring TabTitle(int tab) {
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(MainTabs(), TCM_GETITEMW, tab, reinterpret_cast<LPARAM>(&item));
  return text;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"<busy>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) text = chars;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

TEST_F(MainWindowTest, MessageAimsTheBoxAndEnterHandsTheTextToTheNetwork) {
  Session.connected = true;
  SetConnectionControlsDisabled(0);
  PlayerList = {{"Ann", "10.0.0.1", 2304, 30, std::string(32, 'a') + "(OK)", 4},
                {"Ghost #7 (Rider)", "10.0.0.2", 2304, 40, std::string(32, 'b') + "(OK)", 7}};
  ShowPlayerRows();
  EXPECT_EQ(TabTitle(0), L"Players (2)");
  // Where he is depends on the sort an earlier test left.
  const int ghost = PlayersList_CellText(0, 0) == "Ann" ? 1 : 0;
  Select(PlayersListView(), ghost);

  Command(menu_id::kCopyName);
  EXPECT_EQ(ClipboardText(), L"Ghost #7 (Rider)");
  Command(menu_id::kCopyGuid);
  EXPECT_EQ(ClipboardText(), std::wstring(32, L'b'));
  Command(menu_id::kCopyAddress);
  EXPECT_EQ(ClipboardText(), L"10.0.0.2");

  Command(menu_id::kMessage);
  wchar_t target[64] = {};
  GetWindowTextW(LogView_TargetBox(), target, 64);
  EXPECT_STREQ(target, L"Ghost #7 (Rider) (#7)");
  EXPECT_EQ(GetFocus(), LogView_MessageBox());
  // Another row selected since: the box keeps the player it was aimed at.
  Select(PlayersListView(), 1 - ghost);
  HWND box = LogView_MessageBox();
  SetWindowTextW(box, L"hello there");
  SendMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(PendingAction, Action::Say);
  EXPECT_FALSE(PendingActionData.sayToEveryone);
  EXPECT_EQ(PendingActionData.sayTarget.number, 7);
  EXPECT_EQ(PendingActionData.sayTarget.guid, std::string(32, 'b'));
  EXPECT_EQ(PendingActionData.sayText, "hello there");
  EXPECT_EQ(GetWindowTextLengthW(box), 0);

  // Everyone chosen again.
  PendingAction = Action::None;
  SendMessageW(LogView_TargetBox(), CB_SETCURSEL, 0, 0);
  SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(LogView_TargetBox()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(LogView_TargetBox()));
  SetWindowTextW(box, L"to all");
  SendMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(PendingAction, Action::Say);
  EXPECT_TRUE(PendingActionData.sayToEveryone);

  // Nothing to say, or no one to say it to: nothing handed over.
  PendingAction = Action::None;
  SendMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(PendingAction, Action::None);
  Session.connected = false;
  SetConnectionControlsDisabled(1);
  EXPECT_EQ(TabTitle(0), L"Players");
  SetWindowTextW(box, L"nobody hears");
  SendMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(PendingAction, Action::None);
  SetWindowTextW(box, L"");
  ForgetPlayerRows();
  PlayerList.clear();
  SetConnectionControlsDisabled(0);
}

TEST_F(MainWindowTest, TheAutoRefreshChoiceIsCheckedKeptAndFollowed) {
  LoadSettings();
  HMENU autoRefresh = GetSubMenu(CommandsMenu(), 9);
  ASSERT_NE(autoRefresh, nullptr);
  const struct {
    int id;
    AutoRefreshMode mode;
    const char* saved;
  } choices[] = {{menu_id::kAutoRefreshOff, AutoRefreshMode::Off, "off"},
                 {menu_id::kAutoRefreshEvery30s, AutoRefreshMode::Every30Seconds, "30"},
                 {menu_id::kAutoRefreshOnJoins, AutoRefreshMode::OnJoinsAndLeaves, "joins"}};
  for (const auto& choice : choices) {
    Command(choice.id);
    EXPECT_EQ(PlayerRefresh.mode(), choice.mode);
    for (int id = menu_id::kAutoRefreshOnJoins; id <= menu_id::kAutoRefreshOff; ++id) {
      EXPECT_EQ((GetMenuState(autoRefresh, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0, id == choice.id);
    }
    EXPECT_EQ(GeneralSetting(kAutoRefreshKey).value_or("<none>"), choice.saved);
  }
}

}  // namespace
