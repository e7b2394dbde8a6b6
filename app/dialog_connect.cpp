// Quick Connect and the favourites window "Connect": the two ways to start a
// connection, and the shell operations the connection reports back through
// (ShowConnectError, CloseConnectDialog).
//
// Connecting starts from the dialog; the network tick closes the dialog
// through CloseConnectDialog once the login has been accepted. Where the request starts
// inside a list view's own mouse handling (double click), it is posted back
// to the dialog first, so the list view is never destroyed under itself.
#include <windows.h>

#include <commctrl.h>

#include "app/dialog_common.h"
#include "app/dialog_ids.h"
#include "app/dialogs.h"
#include "app/favourites.h"
#include "app/files/settings.h"
#include "app/pure/dialog_rules.h"
#include "app/pure/settings_codec.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/menu_ids.h"
#include "net/number.h"
#include "net/session.h"
#include "net/shell.h"
#include "net/steam_link.h"

namespace {

// Posted by Quick Connect when its host list's selection moved, and by the
// favourites window for a double click.
constexpr UINT kMsgFillFromFavourite = WM_APP + 1;
constexpr UINT kMsgConnectSelected = WM_APP + 2;

// The host list entry Quick Connect last saw selected, for the whole process.
int g_quickConnectLastIndex = 0;

// Puts the target into the session and connects, unless the password could
// never be sent, in which case the user is told so and nothing is sent.
void ConnectTo(HWND dialog, std::string host, int32_t port, std::string password,
               int fromQuickConnect) {
  if (!PasswordFitsDatagram(password)) {
    DialogMessageBox(dialog, kPasswordTooLongText, L"Quorvel", MB_OK | MB_ICONWARNING);
    return;
  }
  // The Steam query port: the one typed for this server, else the one found
  // for it last time (steam_link.h).
  SetSteamQueryPorts(TypedQueryPort(host, port), FoundQueryPort(host, port));
  Session.host = std::move(host);
  Session.port = port;
  Session.password = std::move(password);
  ConnectToServer(Session, fromQuickConnect);
}

// The "Query port" field: "" for automatic. A port typed by hand belongs to
// the server (host and port) and is kept in the settings file, so that it
// holds for every later connection, from either dialog. The favourites
// window shows the kept port, so there an emptied field means automatic
// again; Quick Connect shows it only for a server picked from the list, so
// there an empty field keeps whatever is kept.
std::string QueryPortText(std::string_view host, int32_t port) {
  const uint16_t typed = TypedQueryPort(host, port);
  return typed == 0 ? std::string() : std::to_string(typed);
}

// False (and the user told why) when the field holds something other than
// a port or nothing.
bool KeepTypedQueryPort(HWND dialog, int fieldId, std::string_view host, int32_t port, bool emptyClears) {
  const std::string text = WindowTextUtf8(GetDlgItem(dialog, fieldId));
  if (!QueryPortAccepted(text)) {
    DialogMessageBox(dialog, Widen(kQueryPortRefusedText).c_str(), L"Quorvel", MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(dialog, fieldId));
    return false;
  }
  const uint16_t typed = PortValue(text);
  if (typed != 0 || emptyClears) SetTypedQueryPort(host, port, typed);
  return true;
}

// ---- Quick Connect -----------------------------------------------------------

void FillQuickConnectFromFavourite(HWND dialog) {
  HWND hostList = GetDlgItem(dialog, dialog_id::kQuickHost);
  const Favourite* fav = FindFavourite(WindowTextUtf8(hostList));
  if (!fav) return;
  // Copies first: setting the host list's text may not change the list, but
  // nothing here should depend on that.
  const Favourite chosen = *fav;
  SetWindowTextUtf8(hostList, chosen.host);
  SetWindowTextUtf8(GetDlgItem(dialog, dialog_id::kQuickPort), std::to_string(chosen.port));
  SetWindowTextUtf8(GetDlgItem(dialog, dialog_id::kQuickPassword), chosen.password);
  SetWindowTextUtf8(GetDlgItem(dialog, dialog_id::kQuickQueryPort), QueryPortText(chosen.host, chosen.port));
}

bool QuickConnectProc(HWND dialog, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
  if (message == kMsgFillFromFavourite) {
    FillQuickConnectFromFavourite(dialog);
    *result = 0;
    return true;
  }
  if (message != WM_COMMAND) return false;
  const int id = LOWORD(wParam);
  if (id == dialog_id::kQuickHost) {
    HWND hostList = GetDlgItem(dialog, dialog_id::kQuickHost);
    const int index = static_cast<int>(SendMessageW(hostList, CB_GETCURSEL, 0, 0));
    if (index != g_quickConnectLastIndex) {
      g_quickConnectLastIndex = index;
      // A drop-down list writes the chosen entry into its edit box only after
      // CBN_SELCHANGE returns, which would overwrite the host set here; the
      // fill waits until the list has finished.
      PostMessageW(dialog, kMsgFillFromFavourite, 0, 0);
    }
    return false;
  }
  if (id == IDOK) {
    const std::string portText = WindowTextUtf8(GetDlgItem(dialog, dialog_id::kQuickPort));
    const std::string host = WindowTextUtf8(GetDlgItem(dialog, dialog_id::kQuickHost));
    const int32_t port = ParseNumber32(portText);
    if (KeepTypedQueryPort(dialog, dialog_id::kQuickQueryPort, host, port, false)) {
      ConnectTo(dialog, host, port, WindowTextUtf8(GetDlgItem(dialog, dialog_id::kQuickPassword)), 1);
    }
    *result = 0;
    return true;
  }
  return false;
}

// ---- The favourites window -----------------------------------------------------

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void RefreshFavouritesList(HWND dialog) {
  HWND list = Item(dialog, dialog_id::kFavouritesList);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const Favourite& fav : Favourites) {
    std::wstring text = Widen(fav.description);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row++;
    item.pszText = text.data();
    item.iImage = 0;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
}

void SetButtonStates(HWND dialog, bool addEnabled) {
  HWND add = Item(dialog, dialog_id::kFavouriteAdd);
  HWND save = Item(dialog, dialog_id::kFavouriteSave);
  HWND focus = GetFocus();
  EnableWindow(add, addEnabled);
  EnableWindow(save, !addEnabled);
  // A disabled button cannot keep the focus; without this the keyboard
  // user would be left with no focus at all.
  if ((focus == add && !addEnabled) || (focus == save && addEnabled))
    SetFocus(addEnabled ? add : save);
}

void ResetFavouriteButtons(HWND dialog) {
  const std::string description =
      TrimSpaces(WindowTextUtf8(Item(dialog, dialog_id::kFavouriteDescription)));
  SetButtonStates(dialog, FindFavourite(description) == nullptr);
}

int SelectedFavouriteRow(HWND dialog) {
  return static_cast<int>(SendMessageW(Item(dialog, dialog_id::kFavouritesList), LVM_GETNEXTITEM,
                                       static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::string FavouriteRowText(HWND dialog, int row) {
  wchar_t buffer[1024] = {};
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  SendMessageW(Item(dialog, dialog_id::kFavouritesList), LVM_GETITEMTEXTW, row,
               reinterpret_cast<LPARAM>(&item));
  return Narrow(buffer);
}

void FillFromSelectedFavourite(HWND dialog) {
  const int row = SelectedFavouriteRow(dialog);
  if (row < 0) return;
  const Favourite* fav = FindFavourite(FavouriteRowText(dialog, row));
  if (!fav) return;
  const Favourite chosen = *fav;
  SetWindowTextUtf8(Item(dialog, dialog_id::kFavouriteDescription), chosen.description);
  SetWindowTextUtf8(Item(dialog, dialog_id::kFavouriteHost), chosen.host);
  SetWindowTextUtf8(Item(dialog, dialog_id::kFavouritePort), std::to_string(chosen.port));
  SetWindowTextUtf8(Item(dialog, dialog_id::kFavouritePassword), chosen.password);
  SetWindowTextUtf8(Item(dialog, dialog_id::kFavouriteQueryPort), QueryPortText(chosen.host, chosen.port));
  SetButtonStates(dialog, false);
}

void ConnectToSelectedFavourite(HWND dialog) {
  const int row = SelectedFavouriteRow(dialog);
  if (row < 0) return;
  const Favourite* fav = FindFavourite(FavouriteRowText(dialog, row));
  if (!fav) return;
  ConnectTo(dialog, fav->host, fav->port, fav->password, 0);
}

void DeleteSelectedFavourite(HWND dialog) {
  const int row = SelectedFavouriteRow(dialog);
  if (row < 0) return;
  DeleteFavourite(FavouriteRowText(dialog, row));
  ResetFavouriteButtons(dialog);
  RefreshFavouritesList(dialog);
}

// True when all four fields hold text; otherwise says which one is missing.
bool FavouriteFieldsValid(HWND dialog, std::string fields[4]) {
  const int ids[4] = {dialog_id::kFavouriteDescription, dialog_id::kFavouriteHost,
                      dialog_id::kFavouritePort, dialog_id::kFavouritePassword};
  for (int i = 0; i < 4; ++i) fields[i] = WindowTextUtf8(Item(dialog, ids[i]));
  const FavouriteField empty = FirstEmptyFavouriteField(fields[0], fields[1], fields[2], fields[3]);
  if (empty == FavouriteField::None) return true;
  DialogMessageBox(dialog, Widen(EmptyFavouriteFieldMessage(empty)).c_str(), L"Quorvel",
                   MB_OK | MB_ICONINFORMATION);
  return false;
}

void ShowFavouritesMenu(HWND dialog, POINT screen) {
  HMENU menu = FavouritesPopupMenu();
  HMENU own = nullptr;
  if (!menu) {
    // Before the main window has made its pop-ups (tests), an equal one.
    own = CreatePopupMenu();
    AppendMenuW(own, MF_STRING, menu_id::kFavouriteConnect, L"Connect");
    AppendMenuW(own, MF_STRING, menu_id::kFavouriteDelete, L"Delete");
    menu = own;
  }
  // The chosen item comes back as a posted WM_COMMAND, after the list view
  // has finished with the click.
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, dialog, nullptr);
  if (own) DestroyMenu(own);
}

bool FavouritesNotify(HWND dialog, const NMHDR* header, LRESULT* result) {
  if (header->idFrom != static_cast<UINT_PTR>(dialog_id::kFavouritesList)) return false;
  switch (header->code) {
    case NM_CLICK:
      FillFromSelectedFavourite(dialog);
      return false;
    case LVN_ITEMCHANGED: {
      // Arrow keys select without a click; keyboard users get the same fill.
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
      if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) &&
          !(change->uOldState & LVIS_SELECTED) && GetFocus() == header->hwndFrom &&
          GetKeyState(VK_LBUTTON) >= 0)
        FillFromSelectedFavourite(dialog);
      return false;
    }
    case NM_DBLCLK:
      if (SelectedFavouriteRow(dialog) >= 0) PostMessageW(dialog, kMsgConnectSelected, 0, 0);
      return false;
    case NM_RCLICK: {
      if (SelectedFavouriteRow(dialog) < 0) return false;
      POINT cursor{};
      GetCursorPos(&cursor);
      ShowFavouritesMenu(dialog, cursor);
      *result = TRUE;  // no WM_CONTEXTMENU as well
      return true;
    }
  }
  return false;
}

bool FavouritesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_NOTIFY:
      return FavouritesNotify(dialog, reinterpret_cast<const NMHDR*>(lParam), result);
    case WM_CONTEXTMENU: {
      // Only the keyboard's menu key arrives here; right clicks are NM_RCLICK.
      HWND list = Item(dialog, dialog_id::kFavouritesList);
      const int row = SelectedFavouriteRow(dialog);
      if (reinterpret_cast<HWND>(wParam) != list || lParam != -1 || row < 0) return false;
      RECT rect{LVIR_LABEL, 0, 0, 0};
      SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
      POINT at{rect.left, rect.bottom};
      ClientToScreen(list, &at);
      ShowFavouritesMenu(dialog, at);
      *result = 0;
      return true;
    }
    case kMsgConnectSelected:
      ConnectToSelectedFavourite(dialog);
      *result = 0;
      return true;
    case WM_COMMAND:
      break;
    default:
      return false;
  }

  const int id = LOWORD(wParam);
  const bool fromMenu = lParam == 0 && HIWORD(wParam) == 0;
  if (fromMenu && id == menu_id::kFavouriteConnect) {
    ConnectToSelectedFavourite(dialog);
    return true;
  }
  if (fromMenu && id == menu_id::kFavouriteDelete) {
    DeleteSelectedFavourite(dialog);
    return true;
  }
  if (id == dialog_id::kFavouriteDescription) {
    ResetFavouriteButtons(dialog);
    return false;
  }
  if (id == dialog_id::kFavouriteAdd || id == dialog_id::kFavouriteSave) {
    if (HIWORD(wParam) != BN_CLICKED || !IsWindowEnabled(Item(dialog, id))) return true;
    std::string fields[4];
    if (!FavouriteFieldsValid(dialog, fields)) return true;
    const Favourite typed = MakeFavourite(fields[0], fields[1], fields[2], fields[3]);
    if (!KeepTypedQueryPort(dialog, dialog_id::kFavouriteQueryPort, typed.host, typed.port, true)) return true;
    if (id == dialog_id::kFavouriteAdd) {
      AddFavourite(fields[0], fields[1], fields[2], fields[3]);
      RefreshFavouritesList(dialog);
      ResetFavouriteButtons(dialog);
    } else {
      SaveFavourite(fields[0], fields[1], fields[2], fields[3]);
    }
    *result = 0;
    return true;
  }
  return false;
}

}  // namespace

void OpenQuickConnect(HWND mainWindow) {
  DialogFrame frame;
  frame.kind = DialogKind::QuickConnect;
  frame.title = L"Quick Connect";
  frame.clientWidth = 285;
  frame.clientHeight = 179;
  frame.defaultId = IDOK;
  frame.handler = QuickConnectProc;
  HWND dialog = CreateDialogFrame(mainWindow, frame);
  if (!dialog) return;

  AddLabel(dialog, L"Host:", 15, 17, 30, 15);
  AddLabel(dialog, L"Port:", 15, 47, 30, 15);
  AddLabel(dialog, L"Password:", 15, 80, 55, 15);
  AddLabel(dialog, L"Query port:", 15, 113, 60, 15);
  HWND hostList = AddComboBox(dialog, 80, 15, 190, 20, dialog_id::kQuickHost);
  for (const Favourite& fav : Favourites) {
    std::wstring text = Widen(fav.description);
    SendMessageW(hostList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  AddControl(dialog, L"EDIT", L"", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, 80, 45, 190, 20,
             dialog_id::kQuickPort, WS_EX_CLIENTEDGE);
  AddControl(dialog, L"EDIT", L"", ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP, 80, 77, 190, 20,
             dialog_id::kQuickPassword, WS_EX_CLIENTEDGE);
  // Empty: found automatically.
  AddControl(dialog, L"EDIT", L"", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, 80, 110, 190, 20,
             dialog_id::kQuickQueryPort, WS_EX_CLIENTEDGE);
  AddSeparator(dialog, 15, 138, 255);
  AddControl(dialog, L"BUTTON", L"Connect", BS_DEFPUSHBUTTON | WS_TABSTOP, 15, 148, 75, 25, IDOK);
  AddControl(dialog, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 100, 148, 75, 25, IDCANCEL);
  ShowDialogFrame(dialog, hostList);
}

void OpenConnectWindow(HWND mainWindow) {
  DialogFrame frame;
  frame.kind = DialogKind::Favourites;
  frame.title = L"Connect";
  frame.clientWidth = 486;
  frame.clientHeight = 330;
  frame.owned = false;
  frame.defaultId = dialog_id::kFavouriteAdd;
  frame.handler = FavouritesProc;
  HWND dialog = CreateDialogFrame(mainWindow, frame);
  if (!dialog) return;

  HWND list = AddControl(dialog, WC_LISTVIEWW, L"",
                         LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                             WS_TABSTOP,
                         0, 0, 225, 330, dialog_id::kFavouritesList, WS_EX_CLIENTEDGE);
  if (list) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list, &client);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = client.right - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    // The list view owns the image list (no LVS_SHAREIMAGELISTS) and frees
    // it with itself.
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (images && ImageIcon(3)) ImageList_AddIcon(images, ImageIcon(3));
    if (images) SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  }
  AddControl(dialog, L"BUTTON", L"Add/Save Favorite", BS_GROUPBOX, 235, 10, 245, 310, -1);
  AddLabel(dialog, L"Description:", 250, 40, 60, 15);
  AddLabel(dialog, L"Host:", 250, 75, 60, 15);
  AddLabel(dialog, L"Port:", 250, 105, 60, 15);
  AddLabel(dialog, L"Password:", 250, 140, 60, 15);
  AddLabel(dialog, L"Query port:", 250, 175, 65, 15);
  HWND description = AddControl(dialog, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 320, 37, 145, 20,
                                dialog_id::kFavouriteDescription, WS_EX_CLIENTEDGE);
  AddControl(dialog, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 320, 72, 145, 20,
             dialog_id::kFavouriteHost, WS_EX_CLIENTEDGE);
  AddControl(dialog, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 320, 102, 145, 20,
             dialog_id::kFavouritePort, WS_EX_CLIENTEDGE);
  AddControl(dialog, L"EDIT", L"", ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP, 320, 137, 145, 20,
             dialog_id::kFavouritePassword, WS_EX_CLIENTEDGE);
  // Empty: found automatically.
  AddControl(dialog, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 320, 172, 145, 20,
             dialog_id::kFavouriteQueryPort, WS_EX_CLIENTEDGE);
  AddControl(dialog, L"BUTTON", L"Add", BS_DEFPUSHBUTTON | WS_TABSTOP, 260, 215, 95, 25,
             dialog_id::kFavouriteAdd);
  HWND save = AddControl(dialog, L"BUTTON", L"Save", BS_PUSHBUTTON | WS_TABSTOP, 365, 215, 95, 25,
                         dialog_id::kFavouriteSave);
  EnableWindow(save, FALSE);
  RefreshFavouritesList(dialog);
  ShowDialogFrame(dialog, Favourites.empty() ? description : list);
}

void ShowConnectError() {
  HWND owner = OpenDialogWindow() ? OpenDialogWindow() : MainWindow();
  DialogMessageBox(owner, L"Could not connect!", L"Error", MB_OK | MB_ICONERROR);
}

void CloseConnectDialog(int fromQuickConnect) {
  const DialogKind asking = fromQuickConnect ? DialogKind::QuickConnect : DialogKind::Favourites;
  if (OpenDialogKind() == asking) CloseDialog(OpenDialogWindow());
}
