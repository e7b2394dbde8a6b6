// The Players tab's title, the player pop-up's Message and Copy items, and
// the automatic refresh's choice; see players_view.h.
#include "app/players_view.h"

#include <commctrl.h>

#include <string>

#include "app/files/settings.h"
#include "app/log_view.h"
#include "app/main_window.h"
#include "app/menu_ids.h"
#include "app/utf16.h"
#include "app/pure/settings_codec.h"
#include "net/live_players.h"
#include "net/player_rows.h"
#include "net/session.h"

namespace {

HMENU g_autoRefreshMenu = nullptr;

void CheckAutoRefreshItem(AutoRefreshMode mode) {
  if (g_autoRefreshMenu == nullptr) return;
  const int id = mode == AutoRefreshMode::Every30Seconds ? menu_id::kAutoRefreshEvery30s
                 : mode == AutoRefreshMode::Off          ? menu_id::kAutoRefreshOff
                                                         : menu_id::kAutoRefreshOnJoins;
  CheckMenuRadioItem(g_autoRefreshMenu, menu_id::kAutoRefreshOnJoins, menu_id::kAutoRefreshOff,
                     static_cast<UINT>(id), MF_BYCOMMAND);
}

void AddRadioItem(HMENU menu, int id, const wchar_t* text) {
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
  mii.fType = MFT_STRING | MFT_RADIOCHECK;
  mii.wID = static_cast<UINT>(id);
  mii.dwTypeData = const_cast<wchar_t*>(text);
  InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &mii);
}

// Text on the clipboard as Unicode; nothing when the clipboard is busy.
void CopyText(const std::string& utf8) {
  const std::wstring text = Widen(utf8);
  if (!OpenClipboard(MainWindow())) return;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* data = GlobalLock(memory)) {
      memcpy(data, text.c_str(), bytes);
      GlobalUnlock(memory);
      if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

}  // namespace

void PlayersView_UpdateTitle() {
  HWND tabs = MainTabs();
  if (tabs == nullptr) return;
  std::wstring title = L"Players";
  if (IsConnected()) {
    const LRESULT count = PlayersListView() ? SendMessageW(PlayersListView(), LVM_GETITEMCOUNT, 0, 0) : 0;
    title += L" (" + std::to_wstring(count) + L")";
  }
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = title.data();
  SendMessageW(tabs, TCM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

const char* AutoRefreshSettingText(AutoRefreshMode mode) {
  switch (mode) {
    case AutoRefreshMode::Every30Seconds: return "30";
    case AutoRefreshMode::Off: return "off";
    case AutoRefreshMode::OnJoinsAndLeaves: break;
  }
  return "joins";
}

bool AutoRefreshFromSetting(const std::string& text, AutoRefreshMode* mode) {
  for (const AutoRefreshMode m : {AutoRefreshMode::OnJoinsAndLeaves, AutoRefreshMode::Every30Seconds, AutoRefreshMode::Off}) {
    if (text == AutoRefreshSettingText(m)) {
      *mode = m;
      return true;
    }
  }
  return false;
}

HMENU PlayersView_CreateAutoRefreshMenu() {
  g_autoRefreshMenu = CreatePopupMenu();
  AddRadioItem(g_autoRefreshMenu, menu_id::kAutoRefreshOnJoins, L"On joins and leaves");
  AddRadioItem(g_autoRefreshMenu, menu_id::kAutoRefreshEvery30s, L"Every 30 seconds");
  AddRadioItem(g_autoRefreshMenu, menu_id::kAutoRefreshOff, L"Off");
  AutoRefreshMode mode = AutoRefreshMode::OnJoinsAndLeaves;
  // A value this version does not know keeps the default, and the file.
  if (const auto saved = GeneralSetting(kAutoRefreshKey)) AutoRefreshFromSetting(*saved, &mode);
  PlayerRefresh.SetMode(mode, NetNow());
  CheckAutoRefreshItem(mode);
  return g_autoRefreshMenu;
}

void PlayersView_SetAutoRefresh(AutoRefreshMode mode) {
  PlayerRefresh.SetMode(mode, NetNow());
  CheckAutoRefreshItem(mode);
  SetGeneralSetting(kAutoRefreshKey, AutoRefreshSettingText(mode));
  // A file that could not be written says so in the log; the choice holds
  // for this run.
  if (const std::string problem = TakeSettingsProblem(); !problem.empty()) AppendLog(problem);
}

bool PlayersView_OnCommand(int id) {
  switch (id) {
    case menu_id::kAutoRefreshOnJoins: PlayersView_SetAutoRefresh(AutoRefreshMode::OnJoinsAndLeaves); return true;
    case menu_id::kAutoRefreshEvery30s: PlayersView_SetAutoRefresh(AutoRefreshMode::Every30Seconds); return true;
    case menu_id::kAutoRefreshOff: PlayersView_SetAutoRefresh(AutoRefreshMode::Off); return true;
    case menu_id::kMessage:
    case menu_id::kCopyName:
    case menu_id::kCopyGuid:
    case menu_id::kCopyAddress: break;
    default: return false;
  }
  PlayerIdentity player;
  if (!SelectedPlayer(&player)) return true;
  if (id == menu_id::kMessage) {
    LogView_MessagePlayer(player);
  } else if (id == menu_id::kCopyName) {
    CopyText(player.name);
  } else if (id == menu_id::kCopyGuid) {
    CopyText(player.guid);
  } else {
    CopyText(player.address);
  }
  return true;
}
