// The settings store: %APPDATA%\Quorvel\settings.ini beside the favourites,
// in the format of app/pure/settings_codec.h. The favourites file keeps its
// four-line records, which other copies of the program read; whatever else
// the program remembers lives here.
//
// Another copy of the program may change the file while this one runs, so
// each change reads the file again, applies just that one change and writes
// it back in one step. A file that exists but cannot be read is reported in
// the log and never written over: the change then holds for this run only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reads the file at start-up (a missing one is an empty one).
void LoadSettings();
std::wstring SettingsPath();

// A server's query ports (by host as typed and console port); 0 for none.
uint16_t TypedQueryPort(std::string_view host, int32_t port);
uint16_t FoundQueryPort(std::string_view host, int32_t port);
// 0 removes the value. False when the file was not written (nothing to
// change, or it could not be read or written).
bool SetTypedQueryPort(std::string_view host, int32_t port, uint16_t queryPort);
bool SetFoundQueryPort(std::string_view host, int32_t port, uint16_t queryPort);

// The program's own settings ("[general]").
std::optional<std::string> GeneralSetting(std::string_view key);
bool SetGeneralSetting(std::string_view key, std::string_view value);

// The last problem with the file since the last call, as the log shows it
// ("" for none). Problems go to the log at once, but start-up comes before
// the log exists, so the program writes this once its window is up.
std::string TakeSettingsProblem();
