// Helpers for the Wine tests of the favourites store and the dialogs: a
// private APPDATA folder, a message pump, and recorders that stand in for
// message boxes and the browser.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct RecordedBox {
  std::wstring caption;
  std::wstring text;
};

// Message boxes and opened web addresses since the last Reset.
struct DialogRecorder {
  std::vector<RecordedBox> boxes;
  std::vector<std::wstring> addresses;
  void Reset() {
    boxes.clear();
    addresses.clear();
  }
};
extern DialogRecorder Recorded;

// Installs the recorders in place of MessageBoxW and ShellExecuteW.
void InstallRecorders();

// A fresh folder under the temporary folder, made APPDATA for this process.
std::wstring UseFreshAppData(const wchar_t* name);

// Runs every queued message through the dialog router, as the main loop does.
void Pump();

std::wstring ReadFileBytesAsText(const std::wstring& path);  // bytes widened 1:1
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
