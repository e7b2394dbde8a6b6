// The settings store over Win32 files; the format lives in the codec.
#include "app/files/settings.h"

#include <windows.h>

#include <utility>

#include "app/files/disk_file.h"
#include "app/main_window.h"
#include "app/pure/settings_codec.h"
#include "app/utf16.h"
#include "net/shell.h"
#include "net/steam_link.h"

namespace {

SettingsText g_settings;
// Set while the file exists but could not be read: writing our copy over it
// would throw away settings this run never saw.
bool g_fileUnread = false;
std::string g_problem;

void Report(std::string line) {
  if (MainWindow() != nullptr) AppendLog(line);
  g_problem = std::move(line);
}

std::string PathText() { return Narrow(SettingsPath()); }

template <typename Change>
bool ChangeSettings(Change change) {
  std::string bytes;
  switch (disk::ReadWholeFile(SettingsPath(), &bytes)) {
    case disk::FileRead::Read:
      g_settings = SettingsText::Decode(bytes);
      g_fileUnread = false;
      break;
    case disk::FileRead::Missing:
      // Deleted by hand, or never written: our copy is the best there is.
      g_fileUnread = false;
      break;
    case disk::FileRead::Unreadable:
      change(g_settings);
      if (!g_fileUnread) {
        Report("The settings file " + PathText() + " could not be read; the change holds until Quorvel closes.");
      }
      g_fileUnread = true;
      return false;
  }
  if (!change(g_settings)) return false;
  CreateDirectoryW(disk::ProgramFolder().c_str(), nullptr);
  if (disk::WriteInOneStep(SettingsPath(), g_settings.Encode())) return true;
  Report("The settings file " + PathText() + " could not be written; the change holds until Quorvel closes.");
  return false;
}

bool SetPort(std::string_view host, int32_t port, const char* key, uint16_t queryPort) {
  const std::string section = ServerSection(host, port);
  return ChangeSettings([&](SettingsText& text) {
    return queryPort == 0 ? text.Remove(section, key) : text.Set(section, key, std::to_string(queryPort));
  });
}

uint16_t GetPort(std::string_view host, int32_t port, const char* key) {
  const auto value = g_settings.Get(ServerSection(host, port), key);
  return value ? PortValue(*value) : 0;
}

}  // namespace

std::wstring SettingsPath() { return disk::ProgramFolder() + L"settings.ini"; }

void LoadSettings() {
  std::string bytes;
  g_settings = SettingsText{};
  g_fileUnread = false;
  switch (disk::ReadWholeFile(SettingsPath(), &bytes)) {
    case disk::FileRead::Read:
      g_settings = SettingsText::Decode(bytes);
      break;
    case disk::FileRead::Missing:
      break;
    case disk::FileRead::Unreadable:
      g_fileUnread = true;
      Report("The settings file " + PathText() + " could not be read; settings changed now hold until Quorvel closes.");
      break;
  }
}

uint16_t TypedQueryPort(std::string_view host, int32_t port) { return GetPort(host, port, kQueryPortKey); }

uint16_t FoundQueryPort(std::string_view host, int32_t port) { return GetPort(host, port, kFoundQueryPortKey); }

bool SetTypedQueryPort(std::string_view host, int32_t port, uint16_t queryPort) {
  return SetPort(host, port, kQueryPortKey, queryPort);
}

bool SetFoundQueryPort(std::string_view host, int32_t port, uint16_t queryPort) {
  return SetPort(host, port, kFoundQueryPortKey, queryPort);
}

std::optional<std::string> GeneralSetting(std::string_view key) { return g_settings.Get(kGeneralSection, key); }

bool SetGeneralSetting(std::string_view key, std::string_view value) {
  return ChangeSettings([&](SettingsText& text) { return text.Set(kGeneralSection, key, value); });
}

std::string TakeSettingsProblem() { return std::exchange(g_problem, {}); }

// The shell operation of net/steam_link.h.
void RememberFoundQueryPort(std::string_view host, int32_t port, uint16_t queryPort) {
  SetFoundQueryPort(host, port, queryPort);
}
