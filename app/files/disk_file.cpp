// Whole-file reads and one-step replacement over Win32 files.
#include "app/files/disk_file.h"

#include <windows.h>

namespace disk {
namespace {

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

}  // namespace

FileRead ReadWholeFile(const std::wstring& path, std::string* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing
                                                                          : FileRead::Unreadable;
  }
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= MAXDWORD;
  DWORD done = 0;
  if (ok) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    ok = bytes->empty() || ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &done, nullptr);
    bytes->resize(ok ? done : 0);
  }
  CloseHandle(file);
  return ok ? FileRead::Read : FileRead::Unreadable;
}

// MOVEFILE_WRITE_THROUGH makes the move return only once it is on the disk,
// so a crash leaves either the old file or the new one.
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
    ok = MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

std::wstring ProgramFolder() { return AppDataFolder() + L"\\Quorvel\\"; }

}  // namespace disk
