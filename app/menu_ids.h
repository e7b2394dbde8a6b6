// Identifiers of the main window's menu items and pop-up menu items.
//
// They come back with WM_COMMAND; the dialogs (Quick Connect, favourites,
// Kick, Ban, About) are opened from the main window's command handler by id.
#pragma once

namespace menu_id {

// "Server"
constexpr int kQuickConnect = 0;
constexpr int kConnect = 1;
constexpr int kQuit = 8;

// "Commands"
constexpr int kReassign = 9;
constexpr int kRestart = 10;
constexpr int kShutdown = 11;
constexpr int kSetMaxPing = 12;
constexpr int kRefresh = 13;
constexpr int kLock = 14;
constexpr int kUnlock = 15;

// "Info"
constexpr int kAbout = 2;

// Players pop-up
constexpr int kKick = 3;
constexpr int kBan = 4;

// Players pop-up: the player's history
constexpr int kPlayerHistory = 16;

// History pop-up (a range: the history tab takes every id from the first to
// the last)
constexpr int kHistoryBan = 17;
constexpr int kHistoryNote = 18;
constexpr int kHistoryCopyGuid = 19;
constexpr int kHistoryCopyAddress = 20;

// Favourites pop-up
constexpr int kFavouriteDelete = 5;
constexpr int kFavouriteConnect = 7;

// Bans pop-up
constexpr int kRemoveBan = 6;

}  // namespace menu_id
