// The main window "Quorvel" and everything in it.
//
// Layout, top to bottom: a rebar whose one band is the menu bar; under it a
// splitter whose upper pane is the tab panel (Players, Bans, Info pages) and
// whose lower pane holds the log list; at the bottom the status bar. The
// pages, the splitter and the lower pane hand their children's notifications
// up to this window (containers.h), so every control event of the main
// window is dispatched in MainWindowProc.
//
// Window events never talk to the server: they set PendingAction, which the
// network tick carries out on its next idle pass.
#include "app/main_window.h"

#include <commctrl.h>

#include <array>
#include <map>
#include <vector>

#include "app/containers.h"
#include "app/dialogs.h"
#include "app/history_view.h"
#include "app/images.h"
#include "app/keep_focus.h"
#include "app/log_view.h"
#include "app/main_window_internal.h"
#include "app/menu_bar.h"
#include "app/menu_ids.h"
#include "app/info_view.h"
#include "app/modal_tick.h"
#include "app/players_view.h"
#include "app/status_bar.h"
#include "app/pure/info_rows.h"
#include "app/pure/layout.h"
#include "app/utf16.h"
#include "net/player_rows.h"
#include "net/shell.h"
#include "res/resource_ids.h"

namespace {

constexpr wchar_t kMainClass[] = L"QuorvelMainWindow";
constexpr int kClientWidth = 700;
constexpr int kClientHeight = 539;
// The log pane: the filter buttons, the log, and the message box.
constexpr int kLogHeight = 170;

enum ControlId { kIdTabs = 100, kIdPlayers, kIdBans, kIdRefresh, kIdLog };
enum Tab { kTabPlayers = 0, kTabBans = 1, kTabInfo = 2, kTabHistory = 3, kTabCount };

struct ColumnDef {
  const wchar_t* title;
  int width;
  SortKind sort;
};

constexpr std::array<ColumnDef, kPlayerColumns> kPlayerColumnDefs{{
    {L"Name", 100, SortKind::Text},
    {L"Score", 100, SortKind::Integer},
    {L"Deaths", 100, SortKind::Integer},
    {L"Team", 100, SortKind::Text},
    {L"Ping", 50, SortKind::Integer},
    {L"IP", 100, SortKind::Text},
    {L"GUID", 105, SortKind::Text},
    {L"Time", 60, SortKind::Duration},
}};

constexpr std::array<ColumnDef, kBanColumns> kBanColumnDefs{{
    {L"GUID", 200, SortKind::Text},
    {L"Banned until", 150, SortKind::Text},
    {L"Reason", 345, SortKind::Text},
}};

struct MainWindowState {
  HWND window = nullptr;
  HWND rebar = nullptr;
  HWND menuBar = nullptr;
  HWND splitter = nullptr;
  HWND tabs = nullptr;
  std::array<HWND, kTabCount> pages{};
  HWND players = nullptr;
  HWND bans = nullptr;
  HWND refresh = nullptr;
  HWND infoView = nullptr;
  HWND logPane = nullptr;
  HWND log = nullptr;
  HMENU menu = nullptr;
  HMENU commandsMenu = nullptr;
  HMENU playersPopup = nullptr;
  HMENU bansPopup = nullptr;
  HMENU favouritesPopup = nullptr;
  HACCEL accelerators = nullptr;
  HIMAGELIST playerImages = nullptr;
  LayoutTracker layout;
  int sortColumn = -1;
  bool sortDescending = false;
  bool quit = false;
  FocusMemory focus;  // the menu bar (in the rebar) is never remembered
};

MainWindowState g;

// The controls' font: the system's message font, made once and kept for the
// life of the process (every control of the main window and dialogs uses it).
HFONT g_font = nullptr;

PopupShower g_popupShower = nullptr;

void SetFont(HWND control) {
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MainFont()), FALSE);
}

void AppendItem(HMENU menu, int id, const wchar_t* text, int image) {
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
  mii.fType = MFT_STRING;
  mii.wID = static_cast<UINT>(id);
  mii.dwTypeData = const_cast<wchar_t*>(text);
  if (image > 0 && ImageIcon(image) != nullptr) {
    // Drawn by us (WM_DRAWITEM), not handed over as a bitmap: Wine copies a
    // menu item's bitmap without its alpha, so the icon's transparent parts
    // came out black. The image number rides in the item data.
    mii.fMask |= MIIM_BITMAP | MIIM_DATA;
    mii.hbmpItem = HBMMENU_CALLBACK;
    mii.dwItemData = static_cast<ULONG_PTR>(image);
  }
  InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &mii);
}

void AppendSeparator(HMENU menu) { AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }

void BuildMenus() {
  HMENU server = CreatePopupMenu();
  AppendItem(server, menu_id::kConnect, L"Connect", 2);
  AppendItem(server, menu_id::kQuickConnect, L"Quick Connect", 1);
  AppendSeparator(server);
  AppendItem(server, menu_id::kQuit, L"Quit", 0);

  HMENU commands = CreatePopupMenu();
  AppendItem(commands, menu_id::kRefresh, L"Refresh\tF5", 0);
  AppendItem(commands, menu_id::kReassign, L"Reassign", 0);
  AppendItem(commands, menu_id::kRestart, L"Restart", 0);
  AppendItem(commands, menu_id::kShutdown, L"Shutdown", 0);
  AppendItem(commands, menu_id::kSetMaxPing, L"Set MaxPing", 0);
  AppendSeparator(commands);
  AppendItem(commands, menu_id::kLock, L"Lock", 0);
  AppendItem(commands, menu_id::kUnlock, L"Unlock", 0);
  AppendSeparator(commands);
  AppendMenuW(commands, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(PlayersView_CreateAutoRefreshMenu()),
              L"Auto refresh");

  HMENU info = CreatePopupMenu();
  AppendItem(info, menu_id::kAbout, L"About...", 4);

  g.menu = CreateMenu();
  AppendMenuW(g.menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(server), L"Server");
  AppendMenuW(g.menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(commands), L"Commands");
  AppendMenuW(g.menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(info), L"Info");
  g.commandsMenu = commands;

  g.playersPopup = CreatePopupMenu();
  AppendItem(g.playersPopup, menu_id::kKick, L"Kick\u2026", 0);
  AppendItem(g.playersPopup, menu_id::kBan, L"Ban\u2026", 0);
  AppendItem(g.playersPopup, menu_id::kMessage, L"Message\u2026", 0);
  AppendItem(g.playersPopup, menu_id::kPlayerHistory, L"History\u2026", 0);
  AppendSeparator(g.playersPopup);
  AppendItem(g.playersPopup, menu_id::kCopyName, L"Copy name", 0);
  AppendItem(g.playersPopup, menu_id::kCopyGuid, L"Copy GUID", 0);
  AppendItem(g.playersPopup, menu_id::kCopyAddress, L"Copy address", 0);
  g.bansPopup = CreatePopupMenu();
  AppendItem(g.bansPopup, menu_id::kRemoveBan, L"Remove ban", 0);
  g.favouritesPopup = CreatePopupMenu();
  AppendItem(g.favouritesPopup, menu_id::kFavouriteConnect, L"Connect", 0);
  AppendItem(g.favouritesPopup, menu_id::kFavouriteDelete, L"Delete", 0);
}

void BuildRebar(HINSTANCE instance) {
  g.rebar = CreateWindowExW(0, REBARCLASSNAMEW, L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT | CCS_NODIVIDER |
                                CCS_TOP,
                            0, 0, kClientWidth, 0, g.window, nullptr, instance, nullptr);
  if (g.rebar == nullptr) return;
  g.focus.except = g.rebar;
  g.menuBar = MenuBar_Create(g.rebar, g.window, g.menu);
  if (g.menuBar == nullptr) return;  // the window opens without a menu bar
  SetFont(g.menuBar);
  SendMessageW(g.menuBar, TB_AUTOSIZE, 0, 0);
  const SIZE ideal = MenuBar_IdealSize();
  const DWORD buttonSize = static_cast<DWORD>(SendMessageW(g.menuBar, TB_GETBUTTONSIZE, 0, 0));

  REBARBANDINFOW band{};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_IDEALSIZE;
  band.fStyle = RBBS_NOGRIPPER | RBBS_USECHEVRON;
  band.hwndChild = g.menuBar;
  band.cxMinChild = ideal.cx;
  band.cyMinChild = HIWORD(buttonSize);
  band.cx = kClientWidth;
  band.cxIdeal = ideal.cx;
  SendMessageW(g.rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

HWND MakeListView(HWND parent, int id, int width, int height, DWORD extraExStyle) {
  HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                              0, 0, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  if (list == nullptr) return nullptr;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | extraExStyle);
  SetFont(list);
  return list;
}

template <size_t N>
void AddColumns(HWND list, const std::array<ColumnDef, N>& columns) {
  for (size_t i = 0; i < N; ++i) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<wchar_t*>(columns[i].title);
    col.cx = columns[i].width;
    col.iSubItem = static_cast<int>(i);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
  }
}

void BuildTabs(HINSTANCE instance) {
  g.tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP,
                           0, 0, kClientWidth, 400, g.splitter,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdTabs)), instance, nullptr);
  if (g.tabs == nullptr) return;
  SetFont(g.tabs);
  const wchar_t* titles[] = {L"Players", L"Bans", L"Info", L"History"};
  for (int i = 0; i < kTabCount; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(titles[i]);
    SendMessageW(g.tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    g.pages[i] = CreatePane(g.tabs, 0, 0, 10, 10);
    if (i != kTabPlayers && g.pages[i]) ShowWindow(g.pages[i], SW_HIDE);
  }

  // Players: the list and the "REFRESH" button under it.
  g.players = MakeListView(g.pages[kTabPlayers], kIdPlayers, 690, 300, 0);
  if (g.players) {
    AddColumns(g.players, kPlayerColumnDefs);
    g.playerImages = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (g.playerImages && ImageIcon(5)) ImageList_AddIcon(g.playerImages, ImageIcon(5));
    SendMessageW(g.players, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(g.playerImages));
  }
  g.refresh = CreateWindowExW(0, WC_BUTTONW, L"REFRESH", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                              0, 300, 690, 20, g.pages[kTabPlayers],
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdRefresh)), instance, nullptr);
  SetFont(g.refresh);

  // Bans: the user may drag the column headers into another order.
  g.bans = MakeListView(g.pages[kTabBans], kIdBans, 500, 400, LVS_EX_HEADERDRAGDROP);
  if (g.bans) AddColumns(g.bans, kBanColumnDefs);

  if (g.pages[kTabHistory]) CreateHistoryView(g.pages[kTabHistory]);
}

void BuildLog(HINSTANCE instance) {
  (void)instance;
  g.logPane = CreatePane(g.splitter, 0, 0, kClientWidth, kLogHeight);
  g.log = LogView_Create(g.logPane);
}

// The pages fill the tab control's display area.
void PlacePages() {
  if (g.tabs == nullptr) return;
  RECT rc;
  GetClientRect(g.tabs, &rc);
  SendMessageW(g.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
  for (HWND page : g.pages) {
    if (page) MoveWindow(page, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
  }
}

void ShowSelectedPage() {
  const int selected = static_cast<int>(SendMessageW(g.tabs, TCM_GETCURSEL, 0, 0));
  for (int i = 0; i < kTabCount; ++i) {
    if (g.pages[i]) ShowWindow(g.pages[i], i == selected ? SW_SHOW : SW_HIDE);
  }
  if (selected == kTabHistory) HistoryTabShown();
}

void SizeKeepingPosition(HWND control, int width, int height) {
  if (control) SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowPopupAt(HMENU popup, POINT pt) {
  if (g_popupShower) {
    g_popupShower(popup, pt);
    return;
  }
  TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, g.window, nullptr);
}

// At the mouse, where the click that asked for it happened.
void ShowPopup(HMENU popup) {
  const DWORD pos = GetMessagePos();
  ShowPopupAt(popup, POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))});
}

// The menu key or Shift+F10 on a list: the pop-up opens under the selected
// row, since the mouse may be anywhere. Right clicks come as NM_RCLICK.
void OnKeyboardContextMenu(HWND list) {
  HMENU popup = list == g.players ? g.playersPopup : (list == g.bans ? g.bansPopup : nullptr);
  if (popup == nullptr) return;
  const int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (row < 0) return;
  RECT rect{LVIR_LABEL, 0, 0, 0};
  SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
  POINT at{rect.left + 8, rect.bottom};
  ClientToScreen(list, &at);
  ShowPopupAt(popup, at);
}

struct SortContext {
  std::map<LPARAM, std::string> keys;  // by the row's lParam, its id
  SortKind kind;
  bool descending;
};

int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM context) {
  const auto* ctx = reinterpret_cast<const SortContext*>(context);
  const int order = CompareCells(ctx->keys.at(a), ctx->keys.at(b), ctx->kind);
  return ctx->descending ? -order : order;
}


void OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (lParam != 0) {
    if (LogView_OnCommand(wParam, lParam)) return;
    // From a control: only the "REFRESH" button acts.
    if (reinterpret_cast<HWND>(lParam) == g.refresh && HIWORD(wParam) == BN_CLICKED) PendingAction = Action::Refresh;
    return;
  }
  if (PlayersView_OnCommand(id)) return;
  switch (id) {
    case menu_id::kQuickConnect: OpenQuickConnect(g.window); break;
    case menu_id::kConnect: OpenConnectWindow(g.window); break;
    case menu_id::kQuit: g.quit = true; break;
    case menu_id::kAbout: OpenAboutDialog(g.window); break;
    case menu_id::kKick: OpenKickDialog(g.window); break;
    case menu_id::kBan: OpenBanDialog(g.window); break;
    case menu_id::kPlayerHistory: {
      PlayerIdentity player;
      if (SelectedPlayer(&player) && !player.guid.empty()) ShowHistoryFor(player.guid);
      break;
    }
    case menu_id::kRemoveBan: PendingAction = Action::RemoveBan; break;
    case menu_id::kRefresh:
      // F5 arrives here too (HIWORD 1); it follows the menu item, so it does
      // nothing while there is no connection.
      if (HIWORD(wParam) == 1 && (GetMenuState(g.commandsMenu, menu_id::kRefresh, MF_BYCOMMAND) & MF_GRAYED)) break;
      PendingAction = Action::Refresh;
      break;
    case menu_id::kReassign: PendingAction = Action::Reassign; break;
    case menu_id::kRestart: PendingAction = Action::Restart; break;
    case menu_id::kShutdown: PendingAction = Action::Shutdown; break;
    case menu_id::kSetMaxPing: PendingAction = Action::SetMaxPing; break;
    case menu_id::kLock: PendingAction = Action::Lock; break;
    case menu_id::kUnlock: PendingAction = Action::Unlock; break;
    default: break;
  }
}

LRESULT OnNotify(const NMHDR* header) {
  if (MenuBar_OnNotify(header)) return TBDDRET_DEFAULT;
  if (header->hwndFrom == g.tabs) {
    if (header->code == TCN_SELCHANGE) ShowSelectedPage();
    if ((header->code == TCN_SELCHANGE || header->code == NM_CLICK) &&
        SendMessageW(g.tabs, TCM_GETCURSEL, 0, 0) == kTabBans) {
      PendingAction = Action::LoadBans;
    }
    return 0;
  }
  if (header->hwndFrom == g.players) {
    if (header->code == NM_RCLICK && PlayersList_SelectedIndex() >= 0) ShowPopup(g.playersPopup);
    if (header->code == LVN_COLUMNCLICK) SortPlayers(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
    return 0;
  }
  if (header->hwndFrom == g.bans) {
    if (header->code == NM_RCLICK && BansList_SelectedIndex() >= 0) ShowPopup(g.bansPopup);
    return 0;
  }
  return 0;
}

// A menu item's image, centred in the place the menu keeps for it, with the
// icon's own transparency.
void DrawMenuImage(const DRAWITEMSTRUCT& draw) {
  HICON icon = ImageIcon(static_cast<int>(draw.itemData));
  if (icon == nullptr) return;
  const RECT& place = draw.rcItem;
  const int x = place.left + ((place.right - place.left) - 16) / 2;
  const int y = place.top + ((place.bottom - place.top) - 16) / 2;
  DrawIconEx(draw.hDC, x, y, icon, 16, 16, 0, nullptr, DI_NORMAL);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == g.window && KeepFocus(g.focus, window, message, wParam)) return 0;
  if (window == g.window) {
    LRESULT result = 0;
    if (HistoryViewMessage(message, wParam, lParam, &result)) return result;
  }
  switch (message) {
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return 0;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
      if (lParam == -1) {
        OnKeyboardContextMenu(reinterpret_cast<HWND>(wParam));
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_KEYMENU && MenuBar_OnKeyMenu(lParam)) return 0;
      break;
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlType != ODT_MENU || measure->itemData == 0) break;
      measure->itemWidth = 16;
      measure->itemHeight = 16;
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (draw->CtlType != ODT_MENU) break;
      DrawMenuImage(*draw);
      return TRUE;
    }
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE:
    case WM_ENTERIDLE:
      FollowModalLoop(message);
      break;
    case WM_SIZE:
      if (MainStatusBar() != nullptr) SendMessageW(MainStatusBar(), WM_SIZE, 0, 0);
      break;
    case WM_CLOSE:
      // The event loop ends and shuts down; the window goes with it.
      g.quit = true;
      return 0;
    case WM_DESTROY:
      if (window == g.window) g.window = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void MarkSortedColumn(HWND list, int column, bool descending) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  if (header == nullptr) return;
  const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column) item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
    SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
}

HFONT MainFont() {
  if (g_font == nullptr) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      g_font = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    if (g_font == nullptr) g_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
  return g_font;
}

void SetPopupShowerForTesting(PopupShower shower) { g_popupShower = shower; }

void ShowPopupMenu(HMENU popup, POINT screen) { ShowPopupAt(popup, screen); }

void SelectHistoryTab() {
  if (g.tabs == nullptr) return;
  SendMessageW(g.tabs, TCM_SETCURSEL, kTabHistory, 0);
  ShowSelectedPage();
}

void SortPlayers(int column) {
  if (g.players == nullptr || column < 0 || column >= kPlayerColumns) return;
  g.sortDescending = (column == g.sortColumn) ? !g.sortDescending : false;
  g.sortColumn = column;

  // A snapshot of the column by each row's id (its lParam), so the
  // comparison never reads the list while the list is being sorted.
  SortContext ctx{{}, kPlayerColumnDefs[static_cast<size_t>(column)].sort, g.sortDescending};
  const int count = static_cast<int>(SendMessageW(g.players, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(g.players, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    ctx.keys[item.lParam] = PlayersList_CellText(row, column);
  }
  SendMessageW(g.players, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&ctx), reinterpret_cast<LPARAM>(CompareRows));
  MarkSortedColumn(g.players, column, g.sortDescending);
}

bool MainWindowTabKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || g.window == nullptr) return false;
  if (!IsWindowEnabled(g.window) || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(g.window, focus)) return false;
  // A control that takes Tab itself keeps it, as in a dialog; but not the
  // information view: its rows are read only, there is no cell to Tab to,
  // and a box that kept Tab would hold the keyboard for good.
  const bool inInfoView = g.infoView && (focus == g.infoView || IsChild(g.infoView, focus));
  MSG copy = msg;
  const LRESULT wants = SendMessageW(focus, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&copy));
  if (!inInfoView && (wants & (DLGC_WANTTAB | DLGC_WANTALLKEYS))) return false;

  // The order a person reads the window in. The main window is no dialog
  // (IsDialogMessage would also take Enter, Escape and arrow keys from the
  // lists and the menu bar), so Tab is given here and nothing else.
  const int page = static_cast<int>(SendMessageW(g.tabs, TCM_GETCURSEL, 0, 0));
  std::vector<HWND> stops{g.tabs};
  if (page == kTabPlayers) {
    stops.push_back(g.players);
    stops.push_back(g.refresh);
  } else if (page == kTabBans) {
    stops.push_back(g.bans);
  } else if (page == kTabHistory) {
    stops.push_back(HistorySearchBox());
    stops.push_back(HistoryListView());
  } else if (g.infoView) {
    stops.push_back(g.infoView);
  }
  stops.push_back(g.log);
  stops.push_back(LogView_TargetBox());
  stops.push_back(LogView_MessageBox());

  int current = -1;
  for (size_t i = 0; i < stops.size(); ++i) {
    if (stops[i] && (stops[i] == focus || IsChild(stops[i], focus))) current = static_cast<int>(i);
  }
  if (current < 0) return false;  // the menu bar in keyboard mode keeps its keys
  const int count = static_cast<int>(stops.size());
  const int step = GetKeyState(VK_SHIFT) < 0 ? count - 1 : 1;
  for (int n = 1, i = (current + step) % count; n < count; ++n, i = (i + step) % count) {
    HWND stop = stops[static_cast<size_t>(i)];
    if (stop && IsWindowVisible(stop) && IsWindowEnabled(stop)) {
      SetFocus(stop);
      return true;
    }
  }
  return true;
}

namespace {

// Where `key` goes among the rows other than `skip` by the shown sort, after
// its equals.
int SortedPlace(const std::string& key, int skip) {
  const int count = static_cast<int>(SendMessageW(g.players, LVM_GETITEMCOUNT, 0, 0));
  const SortKind kind = kPlayerColumnDefs[static_cast<size_t>(g.sortColumn)].sort;
  const auto at = [skip](int i) { return skip >= 0 && i >= skip ? i + 1 : i; };
  int low = 0;
  int high = skip >= 0 ? count - 1 : count;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    int order = CompareCells(key, PlayersList_CellText(at(middle), g.sortColumn), kind);
    if (g.sortDescending) order = -order;
    if (order < 0) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return low;
}

bool Sorted() { return g.players != nullptr && g.sortColumn >= 0 && g.sortColumn < kPlayerColumns; }

}  // namespace

int PlayersSortedPosition(const PlayerRow& cells) {
  if (!Sorted()) return -1;
  return SortedPlace(cells[static_cast<size_t>(g.sortColumn)], -1);
}

void KeepPlayersRowSorted(int row) {
  if (!Sorted()) return;
  const std::string key = PlayersList_CellText(row, g.sortColumn);
  const int place = SortedPlace(key, row);
  if (place == row) return;
  // Moved as a whole: its id, image, cells and selection and focus.
  LVITEMW item{};
  item.mask = LVIF_PARAM | LVIF_IMAGE | LVIF_STATE;
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.iItem = row;
  SendMessageW(g.players, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  PlayersList_HoldRedraw();
  PlayerRow cells;
  for (int c = 0; c < kPlayerColumns; ++c) cells[static_cast<size_t>(c)] = PlayersList_CellText(row, c);
  SendMessageW(g.players, LVM_DELETEITEM, row, 0);
  std::wstring text = Widen(cells[0]);
  LVITEMW moved{};
  moved.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
  moved.iItem = place;
  moved.pszText = text.data();
  moved.lParam = item.lParam;
  moved.iImage = item.iImage;
  const int at = static_cast<int>(SendMessageW(g.players, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&moved)));
  if (at < 0) return;
  for (int c = 1; c < kPlayerColumns; ++c) {
    text = Widen(cells[static_cast<size_t>(c)]);
    LVITEMW sub{};
    sub.iSubItem = c;
    sub.pszText = text.data();
    SendMessageW(g.players, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&sub));
  }
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = item.state & state.stateMask;
  SendMessageW(g.players, LVM_SETITEMSTATE, at, reinterpret_cast<LPARAM>(&state));
}

HWND CreateMainWindow(HINSTANCE instance) {
  if (g.window != nullptr) return g.window;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                                            ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  if (!RegisterContainerClasses(instance)) return nullptr;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(instance, kMainClass, &wc)) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUORVEL));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainClass;
    if (!RegisterClassExW(&wc)) return nullptr;
  }

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + ((work.right - work.left) - width) / 2;
  const int y = work.top + ((work.bottom - work.top) - height) / 2;

  g = MainWindowState{};
  g.window = CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, L"Quorvel", style, x, y, width, height, nullptr, nullptr,
                             instance, nullptr);
  if (g.window == nullptr) return nullptr;

  BuildMenus();
  BuildRebar(instance);
  // The window grows by the status bar's height, so that everything above
  // keeps the size it was designed at.
  if (HWND status = CreateStatusBar(g.window)) {
    RECT bar;
    GetWindowRect(status, &bar);
    const int grow = bar.bottom - bar.top;
    SetWindowPos(g.window, nullptr, x, y - grow / 2, width, height + grow, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(status, WM_SIZE, 0, 0);
  }
  RECT client;
  GetClientRect(g.window, &client);
  RECT bar{0, 0, 0, 0};
  if (g.rebar) GetWindowRect(g.rebar, &bar);
  const int top = bar.bottom - bar.top;

  RECT statusRect{0, 0, 0, 0};
  if (MainStatusBar() != nullptr) GetWindowRect(MainStatusBar(), &statusRect);
  g.splitter = CreateSplitter(g.window, 0, top, client.right, client.bottom - top - (statusRect.bottom - statusRect.top));
  BuildTabs(instance);
  CreateInfoView();
  BuildLog(instance);
  if (g.splitter) {
    SplitterSetPanes(g.splitter, g.tabs, g.logPane);
    RECT rc;
    GetClientRect(g.splitter, &rc);
    SplitterSetPosition(g.splitter, rc.bottom - kLogHeight);
  }
  ACCEL f5{FVIRTKEY, VK_F5, static_cast<WORD>(menu_id::kRefresh)};
  g.accelerators = CreateAcceleratorTableW(&f5, 1);

  SetConnectionControlsDisabled(1);
  RelayoutMainWindow();
  ShowWindow(g.window, SW_SHOWNORMAL);
  UpdateWindow(g.window);
  return g.window;
}

void DestroyMainWindow() {
  if (g.window) DestroyWindow(g.window);
  if (g.menu) DestroyMenu(g.menu);
  for (HMENU popup : {g.playersPopup, g.bansPopup, g.favouritesPopup}) {
    if (popup) DestroyMenu(popup);
  }
  if (g.accelerators) DestroyAcceleratorTable(g.accelerators);
  if (g.playerImages) ImageList_Destroy(g.playerImages);
  g = MainWindowState{};
}

bool MainWindowQuitRequested() { return g.quit; }

void RelayoutMainWindow() {
  if (g.tabs == nullptr) return;
  RECT rc;
  GetWindowRect(g.tabs, &rc);
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  if (!g.layout.Due(width, height)) return;
  PlacePages();
  const PanelLayout l = ComputePanelLayout(width, height);
  SizeKeepingPosition(g.players, l.playersWidth, l.playersHeight);
  if (g.refresh) MoveWindow(g.refresh, l.refreshX, l.refreshY, l.refreshWidth, l.refreshHeight, TRUE);
  // The bans list is as wide as the whole panel, which is a few pixels wider
  // than the page it sits on; held to the page, its right edge stays visible.
  int bansWidth = l.bansWidth;
  if (g.pages[kTabBans]) {
    RECT page;
    GetClientRect(g.pages[kTabBans], &page);
    if (bansWidth > page.right) bansWidth = page.right;
  }
  SizeKeepingPosition(g.bans, bansWidth, l.bansHeight);
  SizeKeepingPosition(g.infoView, l.infoWidth, l.infoHeight);
  LayoutHistoryView();
  LogView_Layout();
}

void SetInfoView(HWND view) {
  g.infoView = view;
  g.layout = LayoutTracker{};  // size the new view at the next check
}

HWND MainWindow() { return g.window; }
HMENU FavouritesPopupMenu() { return g.favouritesPopup; }
HACCEL MainAccelerators() { return g.accelerators; }
HWND MainRebar() { return g.rebar; }
HWND MainMenuBar() { return g.menuBar; }
HWND MainSplitter() { return g.splitter; }
HWND MainTabs() { return g.tabs; }
HWND PlayersListView() { return g.players; }
HWND BansListView() { return g.bans; }
HWND RefreshButton() { return g.refresh; }
HWND InfoPanel() { return g.pages[kTabInfo]; }
HWND LogList() { return g.log; }
HMENU MainMenu() { return g.menu; }
HMENU CommandsMenu() { return g.commandsMenu; }
HMENU PlayersPopupMenu() { return g.playersPopup; }
HMENU BansPopupMenu() { return g.bansPopup; }
