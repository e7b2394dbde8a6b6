// The secondary windows of the shell: Quick Connect, the favourites window
// "Connect", Kick Player, Ban Player, the Set MaxPing input box and About.
//
// At most one of them is open at a time. Opening one disables the main
// window; closing it (close box, "Cancel", Escape or the end of its action)
// enables the main window again and destroys the dialog. The dialogs are
// ordinary windows driven by the main event loop, so the loop hands every
// message to RouteDialogMessage first to give them Tab, Enter and Escape.
#pragma once

#include <windows.h>

#include <string>

void OpenQuickConnect(HWND mainWindow);
void OpenConnectWindow(HWND mainWindow);
void OpenKickDialog(HWND mainWindow);
void OpenBanDialog(HWND mainWindow);
// Ban Player for a GUID from the history: sends "addBan" rather than "ban",
// so the player need not be on the server.
void OpenBanDialogForGuid(HWND mainWindow, const std::string& guid, const std::string& name);
// "Edit note": the admin's note on a GUID, saved to the history.
void OpenNoteDialog(HWND mainWindow, const std::string& guid, const std::string& name, const std::string& note);
void OpenAboutDialog(HWND mainWindow);

// Gives the open dialog its keyboard navigation (IsDialogMessageW). True when
// the message was handled and must not be translated or dispatched again.
bool RouteDialogMessage(MSG* msg);

// The dialog currently open, or null.
HWND OpenDialogWindow();

// Ends the Set MaxPing box as cancelled, if it is open; true when it was.
bool CancelMaxPingBox();
