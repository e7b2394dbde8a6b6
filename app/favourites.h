// The favourites store: the saved servers, read once at start-up from
// %APPDATA%\Quorvel\favs.dat and written back whenever they change.
//
// The in-memory list is the working copy for the life of the process; file
// failures are silent. A change never leaves the file half-written: the new
// content goes to a file beside it, which then replaces the old one in one
// step, so a failed write keeps the previous file whole.
#pragma once

#include <string>
#include <string_view>

#include "app/pure/favourites_codec.h"

// The favourites, in file order.
extern FavouriteList Favourites;

// Reads the file into Favourites. When there is no file, creates the folder
// and, if the folder was new, an empty file. A file that exists but cannot
// be read is never written over during this run.
void LoadFavourites();

// Appends a favourite (description trimmed, port text converted) and writes
// the file. When the file cannot be written nothing changes; returns false.
bool AddFavourite(std::string_view description, std::string_view host,
                  std::string_view portText, std::string_view password);

// Changes every favourite with the trimmed description, then writes the file.
// The list keeps the change even when the write fails.
void SaveFavourite(std::string_view description, std::string_view host,
                   std::string_view portText, std::string_view password);

// Removes the first favourite with this description, then writes the file.
void DeleteFavourite(std::string_view description);

// The first favourite with exactly this description, or null. The pointer
// is good until the list next changes.
const Favourite* FindFavourite(std::string_view description);

// Rewrites the file from the list; false (old file untouched) on failure.
bool WriteAllFavourites();

// The folder ("%APPDATA%\Quorvel\") and the file inside it.
std::wstring FavouritesFolder();
std::wstring FavouritesPath();
