// The information rows and their keys, in the order the view shows them.
#include "app/pure/info_rows.h"

#include <array>

#include "net/shell.h"

namespace {

constexpr std::array<InfoRowDefinition, kInfoRowCount> kRows{{
    {"", "General", true},
    {"hostname", "Host Name", false},
    {"platform", "Platform", false},
    {"language", "Language", false},
    {"gamever", "Game Version", false},
    {"dedicated", "Dedicated", false},
    {"mod", "Mods", false},
    {"equalModRequired", "Required Mods", false},
    {"verifySignatures", "Verify Signatures", false},
    {"signatures", "Signatures", false},
    {"password", "Password", false},
    {"currentVersion", "Current Version", false},
    {"requiredVersion", "Required Version", false},
    {"maxplayers", "Max Players", false},
    {"players", "Players", false},  // players / max players
    {"", "Mission info", true},
    {"mission", "Mission Name", false},
    {"mapname", "Island", false},
    {"gametype", "Game Type", false},
    {"difficulty", "Difficulty", false},
    {"timelimit", "Time Limit", false},
    {"", "Battleye", true},
    {"sv_battleye", "Status", false},
    {"BE_VERSION", "Version", false},
    {"BE_MAXPING", "Max Ping", false},
    {"BE_PLAYERS", "Players", false},
}};

}  // namespace

std::span<const InfoRowDefinition> InfoRowDefinitions() { return kRows; }

void RegisterInfoRows() {
  for (size_t i = 0; i < kRows.size(); ++i) {
    InfoRows.Set(kRows[i].key, static_cast<int32_t>(i));
  }
}
