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

// "Commands" > "Auto refresh"
constexpr int kAutoRefreshOnJoins = 20;
constexpr int kAutoRefreshEvery30s = 21;
constexpr int kAutoRefreshOff = 22;

// Players pop-up
constexpr int kKick = 3;
constexpr int kBan = 4;
constexpr int kMessage = 16;
constexpr int kCopyName = 17;
constexpr int kCopyGuid = 18;
constexpr int kCopyAddress = 19;
constexpr int kPlayerHistory = 30;

// History pop-up (a range: the history tab takes every id from the first to
// the last)
constexpr int kHistoryBan = 31;
constexpr int kHistoryNote = 32;
constexpr int kHistoryCopyGuid = 33;
constexpr int kHistoryCopyAddress = 34;

// Favourites pop-up
constexpr int kFavouriteDelete = 5;
constexpr int kFavouriteConnect = 7;

// Bans pop-up
constexpr int kRemoveBan = 6;

}  // namespace menu_id
