// What the main window's own files (and its tests) share beyond the public
// header: the controls' font, the sort, and the seams the tests use.
#pragma once

#include <windows.h>

#include "net/shell.h"

// The system message font, created on first use and kept for the process.
HFONT MainFont();

// Sorts the players list by `column`; the same column again reverses.
void SortPlayers(int column);
// Shows the sort arrow (up or down) on `column` of a report list view's
// header, and none on the others; -1 shows none.
void MarkSortedColumn(HWND list, int column, bool descending);

// Where a new players row goes by the shown sort; -1 when the list is unsorted.
int PlayersSortedPosition(const PlayerRow& cells);
// A row whose sorted cell was rewritten moves to where the sort now puts it,
// keeping its selection and focus.
void KeepPlayersRowSorted(int row);
// Holds the players list's drawing until the current update ends (rows are
// about to be added, removed or moved).
void PlayersList_HoldRedraw();

// The server information view placed on the Info page; the re-layout sizes it.
void SetInfoView(HWND view);

HMENU CommandsMenu();

// Pop-up menus run a modal loop; tests replace the showing with a recorder.
using PopupShower = void (*)(HMENU popup, POINT screen);
void SetPopupShowerForTesting(PopupShower shower);

// Shows a pop-up menu of the main window at a screen point (through the
// tests' recorder when one is set).
void ShowPopupMenu(HMENU popup, POINT screen);

// Brings the History tab to the front.
void SelectHistoryTab();
