// The favourites store over Win32 files; the format lives in the codec.
#include "app/favourites.h"

#include <windows.h>

#include <string>

#include "app/files/disk_file.h"
#include "platform/platform.h"

FavouriteList Favourites;

namespace {

// Set when the file exists but could not be read at start-up (locked by
// another program, say). Writing the in-memory list over it would then wipe
// favourites the program never saw, so no write happens until a change finds
// the file readable again.
bool g_fileUnread = false;

std::string LegacyToUtf8(std::string_view line) { return platform::AnsiToUtf8(line); }

using disk::FileRead;
using disk::WriteInOneStep;

FileRead ReadFavouritesFile(FavouriteList& list) {
  std::string bytes;
  const FileRead read = disk::ReadWholeFile(FavouritesPath(), &bytes);
  if (read == FileRead::Read) list = DecodeFavourites(bytes, LegacyToUtf8);
  return read;
}

// Another instance of the program may have changed the file since we read
// it, so every change starts again from the file as it is now, applies just
// this one change and writes the result; the list then is what the file
// holds. When the file is gone (deleted by hand) our own list is the best
// there is. When it cannot be read, the change stays in memory only, since
// writing would throw away what we could not read.
template <typename Change>
bool ChangeFavourites(Change change) {
  FavouriteList current;
  switch (ReadFavouritesFile(current)) {
    case FileRead::Read:
      g_fileUnread = false;
      break;
    case FileRead::Missing:
      g_fileUnread = false;
      current = Favourites;
      break;
    case FileRead::Unreadable:
      g_fileUnread = true;
      change(Favourites);
      return false;
  }
  // A change that finds nothing to change (the entry another instance
  // deleted meanwhile) leaves the file as it is.
  const bool changed = change(current);
  // Written or not, the list shows the file as read with the change: the
  // change then holds for this run, as it did before the re-read.
  const bool written = changed && WriteInOneStep(FavouritesPath(), EncodeFavourites(current));
  Favourites = std::move(current);
  return written;
}

}  // namespace

std::wstring FavouritesFolder() { return disk::ProgramFolder(); }

std::wstring FavouritesPath() { return FavouritesFolder() + L"favs.dat"; }

void LoadFavourites() {
  g_fileUnread = false;
  switch (ReadFavouritesFile(Favourites)) {
    case FileRead::Read:
      return;
    case FileRead::Unreadable:
      g_fileUnread = true;
      return;
    case FileRead::Missing:
      break;
  }
  // First start: make the folder and an empty file. When the folder was
  // already there (the file was deleted by hand), the next change makes it.
  if (CreateDirectoryW(FavouritesFolder().c_str(), nullptr)) {
    HANDLE created = CreateFileW(FavouritesPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created != INVALID_HANDLE_VALUE) CloseHandle(created);
  }
}

bool WriteAllFavourites() {
  if (g_fileUnread) return false;
  return WriteInOneStep(FavouritesPath(), EncodeFavourites(Favourites));
}

bool AddFavourite(std::string_view description, std::string_view host,
                  std::string_view portText, std::string_view password) {
  const Favourite added = MakeFavourite(description, host, portText, password);
  FavouriteList current;
  const FileRead read = ReadFavouritesFile(current);
  if (read == FileRead::Unreadable) return false;
  if (read == FileRead::Missing) current = Favourites;
  current.push_back(added);
  if (!WriteInOneStep(FavouritesPath(), EncodeFavourites(current))) return false;
  g_fileUnread = false;
  Favourites = std::move(current);
  return true;
}

void SaveFavourite(std::string_view description, std::string_view host,
                   std::string_view portText, std::string_view password) {
  ChangeFavourites([&](FavouriteList& list) {
    return SaveFavouriteIn(list, description, host, portText, password) > 0;
  });
}

void DeleteFavourite(std::string_view description) {
  ChangeFavourites([&](FavouriteList& list) { return DeleteFavouriteFrom(list, description); });
}

const Favourite* FindFavourite(std::string_view description) {
  return FindFavouriteIn(Favourites, description);
}
