// The favourites store over Win32 files; the format lives in the codec.
#include "app/favourites.h"

#include <windows.h>

#include <string>

FavouriteList Favourites;

namespace {

// Set when the file exists but could not be read at start-up (locked by
// another program, say). Writing the in-memory list over it would then wipe
// favourites the program never saw, so every write is refused instead.
bool g_fileUnread = false;

std::wstring AppDataFolder() {
  // GetEnvironmentVariableW rather than the C runtime's copy of the
  // environment, which does not see later SetEnvironmentVariableW calls.
  DWORD needed = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (needed == 0) return {};
  std::wstring value(needed, L'\0');
  DWORD length = GetEnvironmentVariableW(L"APPDATA", value.data(), needed);
  value.resize(length < needed ? length : 0);
  return value;
}

bool ReadWholeFile(HANDLE file, std::string& bytes) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart > MAXDWORD) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD done = 0;
  if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr))
    return false;
  bytes.resize(done);
  return true;
}

// Writes `bytes` to a file beside the favourites file and moves it over the
// old one. MOVEFILE_WRITE_THROUGH makes the call return only once the move
// is on the disk, so a crash leaves either the old file or the new one.
bool WriteInOneStep(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L".new";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = bytes.empty() ||
            (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size());
  ok = FlushFileBuffers(file) && ok;
  ok = CloseHandle(file) && ok;
  if (ok) {
    ok = MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

}  // namespace

std::wstring FavouritesFolder() { return AppDataFolder() + L"\\Quorvel\\"; }

std::wstring FavouritesPath() { return FavouritesFolder() + L"favs.dat"; }

void LoadFavourites() {
  g_fileUnread = false;
  const std::wstring path = FavouritesPath();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    std::string bytes;
    if (ReadWholeFile(file, bytes)) {
      Favourites = DecodeFavourites(bytes);
    } else {
      g_fileUnread = true;
    }
    CloseHandle(file);
    return;
  }
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
    g_fileUnread = true;
    return;
  }
  // First start: make the folder and an empty file. When the folder was
  // already there (the file was deleted by hand), the next change makes it.
  if (CreateDirectoryW(FavouritesFolder().c_str(), nullptr)) {
    HANDLE created = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
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
  Favourites.push_back(MakeFavourite(description, host, portText, password));
  if (WriteAllFavourites()) return true;
  Favourites.pop_back();
  return false;
}

void SaveFavourite(std::string_view description, std::string_view host,
                   std::string_view portText, std::string_view password) {
  SaveFavouriteIn(Favourites, description, host, portText, password);
  WriteAllFavourites();
}

void DeleteFavourite(std::string_view description) {
  DeleteFavouriteFrom(Favourites, description);
  WriteAllFavourites();
}

const Favourite* FindFavourite(std::string_view description) {
  return FindFavouriteIn(Favourites, description);
}
