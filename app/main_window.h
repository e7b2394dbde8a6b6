// The main window "Quorvel": menu bar in a rebar, the splitter with the tab
// panel (players, bans, info) above and the log list below, the pop-up menus
// and the shell operations of net/shell.h that act on these windows.
#pragma once

#include <windows.h>

#include <string>

// The main window, or nullptr before CreateMainWindow / after it is destroyed.
HWND MainWindow();

// The favourites pop-up ("Connect" 7, "Delete" 5). The favourites window
// shows it with TrackPopupMenu; commands go to the window passed there.
HMENU FavouritesPopupMenu();

// Builds the main window and everything in it, with the connection-dependent
// controls disabled. Returns nullptr when the window cannot be created.
HWND CreateMainWindow(HINSTANCE instance);

// Destroys the main window (and the menus it owns).
void DestroyMainWindow();

// True once "Quit" was chosen or the close box was pressed.
bool MainWindowQuitRequested();

// Runs the re-layout check: places the lists, button and info view again
// when the tab panel's width plus height changed since the last time.
void RelayoutMainWindow();

// F5 and friends; nullptr before CreateMainWindow.
HACCEL MainAccelerators();

// Tab and Shift+Tab among the main window's controls (the tabs, the shown
// page's controls, the log), as a dialog moves between its controls. True
// when `msg` was such a key and has been handled.
bool MainWindowTabKey(const MSG& msg);

// Controls, for the dialogs and for tests.
HWND MainRebar();
HWND MainMenuBar();
HWND MainSplitter();
HWND MainTabs();
HWND PlayersListView();
HWND BansListView();
HWND RefreshButton();
HWND InfoPanel();  // the Info tab's page (the property box's parent)
HWND LogList();
HMENU MainMenu();  // the menu bar's menu, with the three drop-downs
HMENU PlayersPopupMenu();
HMENU BansPopupMenu();

// The value last set for an information key by SetInfoValue ("" if none).
std::string InfoValue(const std::string& key);
