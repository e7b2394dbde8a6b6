// The log pane under the tabs: the filter buttons (All, Chat, Players,
// Admin) above the log, the log list, and under it the message box with its
// target choice (Everyone, or a player). The lines themselves are kept in a
// LogStore and, for a session, appended to the day's log file; the list
// shows the kept lines its filter lets through.
#pragma once

#include <windows.h>

#include "net/server_events.h"
#include "net/shell.h"

// Builds the pane's controls inside `pane`; returns the log list.
HWND LogView_Create(HWND pane);
// Places the controls over the pane's client area.
void LogView_Layout();
// A WM_COMMAND from one of the pane's controls; true when it was one.
bool LogView_OnCommand(WPARAM wParam, LPARAM lParam);

// The filter the list shows.
void LogView_SetFilter(LogFilter filter);
LogFilter LogView_Filter();

// The message box aimed at `player` (from the players' "Message…"), with the
// keyboard focus in it.
void LogView_MessagePlayer(const PlayerIdentity& player);
// Sends what the message box holds to its target (as Enter does); false
// when nothing was handed to the network (empty, or no connection).
bool LogView_Send();

HWND LogView_MessageBox();
HWND LogView_TargetBox();
HWND LogView_FilterButton(LogFilter filter);

// Empties the kept log and the list; the log file keeps what it has.
void LogView_Clear();

// The file this session's lines go to ("" before the first one).
std::string LogView_FilePath();
