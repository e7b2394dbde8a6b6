// Files on disk, as the favourites and the settings keep them: read whole,
// and replaced in one step so that a failed or interrupted write leaves the
// previous file whole.
#pragma once

#include <string>

namespace disk {

enum class FileRead { Read, Missing, Unreadable };

// The whole file. Missing when neither it nor its folder exists; Unreadable
// for anything else that keeps it from being read (locked, no access).
FileRead ReadWholeFile(const std::wstring& path, std::string* bytes);

// Writes `bytes` to a file beside `path` and moves it over `path`. False
// (and `path` untouched) on any failure.
bool WriteInOneStep(const std::wstring& path, const std::string& bytes);

// "%APPDATA%\Quorvel\", where the program keeps its files.
std::wstring ProgramFolder();

}  // namespace disk
