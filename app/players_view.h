// What the Players tab adds to the main window beyond its list: the tab's
// title with the count, the player pop-up's Message and Copy items, and the
// "Auto refresh" choice under Commands, kept in the settings file.
#pragma once

#include <windows.h>

#include "net/auto_refresh.h"

#include <string>

// "Players (42)" while connected, "Players" otherwise.
void PlayersView_UpdateTitle();

// The "Auto refresh" submenu, its choice read from the settings file and
// given to the protocol client.
HMENU PlayersView_CreateAutoRefreshMenu();
// The choice as the settings file writes it ("joins", "30", "off"), and back.
const char* AutoRefreshSettingText(AutoRefreshMode mode);
bool AutoRefreshFromSetting(const std::string& text, AutoRefreshMode* mode);
void PlayersView_SetAutoRefresh(AutoRefreshMode mode);

// A menu command of the player pop-up or the Auto refresh submenu; true when
// it was one of them.
bool PlayersView_OnCommand(int id);
