// What the main window's own files (and its tests) share beyond the public
// header: the controls' font, the sort, and the seams the tests use.
#pragma once

#include <windows.h>

#include "net/shell.h"

// The system message font, created on first use and kept for the process.
HFONT MainFont();

// Sorts the players list by `column`; the same column again reverses.
void SortPlayers(int column);

// Where a new players row goes: by the shown sort, or at the end when the
// list is unsorted.
int PlayersInsertPosition(const PlayerRow& cells);

// The server information view placed on the Info page; the re-layout sizes it.
void SetInfoView(HWND view);

HMENU CommandsMenu();

// Pop-up menus run a modal loop; tests replace the showing with a recorder.
using PopupShower = void (*)(HMENU popup, POINT screen);
void SetPopupShowerForTesting(PopupShower shower);
