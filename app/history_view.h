// The "History" tab: a search box and the players the history holds that
// match it, with Ban..., Edit note..., Copy GUID and Copy address on each.
//
// The store runs on a thread of its own (history/history.h); the tab only
// queues searches and work, and its thread posts the main window
// kHistoryReadyMessage when a result or a notice is ready, so the window
// never waits for the disk. It also sets the protocol client's history hooks
// (net/history_feed.h): every player list, GUID message and admin command
// is queued for recording.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "history/history.h"

// Posted to the main window by the history's thread.
constexpr UINT kHistoryReadyMessage = WM_APP + 0x100;

// Opens history.db beside the favourites and starts recording. Any problem
// with it is said in the log once it is known.
void StartPlayerHistory(HWND mainWindow);
// Writes what is queued and closes the database.
void StopPlayerHistory();

// Builds the search box and the list on the tab's page.
void CreateHistoryView(HWND page);
// Fits them to the page.
void LayoutHistoryView();

// The main window's messages that are the tab's: the history's wake-up, the
// search box's changes, the list's clicks and the pop-up's commands. True
// (with *result) when handled.
bool HistoryViewMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// The tab came to the front: searched again, for what was recorded since.
void HistoryTabShown();

// The Edit note dialog's answer: queued, then the rows searched again.
void SaveHistoryNote(const std::string& guid, const std::string& note);

// Opens the History tab searching for this GUID.
void ShowHistoryFor(std::string_view guid);

// For tests and the keyboard order of the main window.
HWND HistorySearchBox();
HWND HistoryListView();
// Shows matches as a finished search does (tests).
void ShowHistoryMatchesForTesting(std::vector<history::Match> matches);
