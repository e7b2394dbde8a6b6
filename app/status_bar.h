// The main window's status bar: where the connection stands, what request
// is under way and how many players the server has. It is the one place a
// person sees that something is going on while nothing holds the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Creates the bar at the bottom of `parent`; null when it cannot be made.
HWND CreateStatusBar(HWND parent);
HWND MainStatusBar();

// Sets the texts from the session (only those that changed, so an idle
// refresh paints nothing).
void UpdateStatusBar();

// How long until the shown time since the login changes (kWaitForever when
// none is shown); the loop sleeps no longer than that.
uint32_t StatusBarWaitMs();

// The text of part 0 (connection), 1 (pending request) or 2 (players).
std::wstring StatusBarText(int part);

// The connection part's wording of a time since the login.
std::string ConnectedForText(uint32_t elapsedMs);
