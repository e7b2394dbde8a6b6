// The server information view: the property box on the "Info" tab, its 25
// rows under their keys, and the values written into it.
#pragma once

#include <string_view>

// Builds the box on the Info page (full size, filled with the rows of
// InfoRowDefinitions) and enters every row's index under its key in
// InfoRows. Without a box the keys still get their rows, so the values are
// kept (InfoValue) even when nothing can show them.
void CreateInfoView();

// Adds a row at the end of the box and enters key -> its index in InfoRows.
// Returns the index, or -1 when the row could not be added.
int AddInfoRow(std::string_view key, std::string_view label, int kind);

// The box's gadget number, -1 before CreateInfoView or when it failed.
int InfoViewGadget();

// Writes a value into the view's value column (row from InfoRows).
void ShowInfoValue(int row, std::string_view text);
