// Arma 3's game tags: the keywords of its A2S_INFO answer, as Bohemia's
// public "Arma 3: STEAMWORKSquery" page describes them. A comma-separated
// list of tags, each one letter followed by its value, for example
//   bt,r216,n151618,s7,i2,mf,lf,vt,dt,tcoop,g65545,h1a2b3c4d,f0,c14-50,pw,e12,j0,k0,
// Booleans are 't' or 'f'. Tags this reader does not know are skipped, and a
// tag whose value does not read is left unset rather than guessed at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace a2s {

struct Arma3Tags {
  std::optional<bool> battlEye;          // b
  std::optional<int> requiredVersion;    // r, the version times 100 (216 = 2.16)
  std::optional<uint32_t> requiredBuild; // n
  std::optional<int> serverState;        // s, the number alone: its names are not described
  std::optional<int> difficulty;         // i
  std::optional<bool> equalModRequired;  // m
  std::optional<bool> lock;              // l
  std::optional<int> verifySignatures;   // v ('t' = 1, 'f' = 0, or the level itself)
  std::optional<bool> dedicated;         // d
  std::string gameType;                  // t
  std::optional<uint32_t> language;      // g, the game's own language number (65545 = English),
                                         // not the Windows language id of the status reply
  std::string contentHash;               // h
  std::optional<int> filePatching;       // f
  std::string longLat;                   // c
  char platform = 0;                     // p: 'w' Windows, 'l' Linux
  std::optional<int> timeLeft;           // e, minutes

  bool operator==(const Arma3Tags&) const = default;
};

// Reads every tag it knows; true when at least one was read (the keywords of
// a server of another game read as nothing).
bool ReadArma3Tags(std::string_view keywords, Arma3Tags* tags);

// The values as the Info tab shows them; empty for one that is not set or
// has no name.
std::string FormatRequiredVersion(int hundredths);  // 216 -> "2.16"
const char* DifficultyName(int level);              // the same names as the status reply's
const char* PlatformName(char platform);
const char* YesNo(std::optional<bool> value);

}  // namespace a2s
