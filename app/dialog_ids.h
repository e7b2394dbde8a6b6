// Control identifiers of the dialogs, shared with the tests that drive them.
// Ids below 100 are left to IDOK, IDCANCEL and the favourites pop-up menu
// items, which reach the favourites window as WM_COMMAND too.
#pragma once

namespace dialog_id {

// Quick Connect ("Connect" is IDOK, "Cancel" IDCANCEL)
constexpr int kQuickHost = 101;
constexpr int kQuickPort = 102;
constexpr int kQuickPassword = 103;
constexpr int kQuickQueryPort = 104;

// The favourites window "Connect"
constexpr int kFavouritesList = 201;
constexpr int kFavouriteDescription = 202;
constexpr int kFavouriteHost = 203;
constexpr int kFavouritePort = 204;
constexpr int kFavouritePassword = 205;
constexpr int kFavouriteAdd = 206;
constexpr int kFavouriteSave = 207;
constexpr int kFavouriteQueryPort = 208;

// Kick Player ("Cancel" is IDCANCEL)
constexpr int kKickReason = 301;
constexpr int kKickButton = 302;

// Ban Player ("Cancel" is IDCANCEL)
constexpr int kBanReason = 401;
constexpr int kBanPermanent = 402;
constexpr int kBanForDays = 403;
constexpr int kBanDays = 404;
constexpr int kBanButton = 405;

// About ("OK" is IDOK)
constexpr int kAboutLogo = 501;
constexpr int kAboutText = 502;

// Set MaxPing (OK is IDOK, Cancel IDCANCEL)
constexpr int kMaxPingValue = 601;

// Edit note (OK is IDOK, Cancel IDCANCEL)
constexpr int kNoteText = 701;

}  // namespace dialog_id
