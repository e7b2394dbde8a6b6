// The Steam server query (A2S), as today's game servers answer it on a query
// port of their own: the requests, and readers of the answers. Pure code: the
// readers take one whole answer (a single datagram, or the parts of a split
// one joined by a2s_query.h) and never read past it.
//
//   request  FF FF FF FF 54 "Source Engine Query" 00 [challenge]    A2S_INFO
//            FF FF FF FF 55 challenge (FF FF FF FF asks for one)     A2S_PLAYER
//   answer   FF FF FF FF 41 challenge    ask again with this challenge
//            FF FF FF FF 49 ...          server information
//            FF FF FF FF 44 ...          players
//            FE FF FF FF ...             one part of a split answer
//
// Every number is little-endian; strings are UTF-8 and end with a NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace a2s {

constexpr uint8_t kSimpleHeader[4] = {0xFF, 0xFF, 0xFF, 0xFF};
constexpr uint8_t kSplitHeader[4] = {0xFE, 0xFF, 0xFF, 0xFF};

constexpr uint8_t kInfoRequest = 0x54;     // 'T'
constexpr uint8_t kPlayerRequest = 0x55;   // 'U'
constexpr uint8_t kChallengeAnswer = 0x41; // 'A'
constexpr uint8_t kInfoAnswer = 0x49;      // 'I'
constexpr uint8_t kPlayerAnswer = 0x44;    // 'D'

// The value that asks a server for a challenge in A2S_PLAYER.
constexpr uint32_t kNoChallenge = 0xFFFFFFFFu;

// The requests. A challenge is sent back exactly as its four bytes came.
std::vector<uint8_t> InfoRequest(std::optional<uint32_t> challenge = std::nullopt);
std::vector<uint8_t> PlayerRequest(uint32_t challenge = kNoChallenge);

// The answer type byte of a simple (FF FF FF FF) datagram, or 0 for anything
// else (a split part, a datagram shorter than five bytes).
uint8_t AnswerType(const uint8_t* data, size_t length);

// FF FF FF FF 41 + four bytes. False for anything else.
bool ReadChallenge(const uint8_t* data, size_t length, uint32_t* challenge);

// The extra-data flag bits of A2S_INFO, in the order their fields follow.
constexpr uint8_t kExtraGamePort = 0x80;
constexpr uint8_t kExtraSteamId = 0x10;
constexpr uint8_t kExtraSpectator = 0x40;
constexpr uint8_t kExtraKeywords = 0x20;
constexpr uint8_t kExtraGameId = 0x01;

struct ServerInfo {
  uint8_t protocol = 0;
  std::string name;     // the host name
  std::string map;
  std::string folder;
  std::string game;     // on Arma 3, the mission's name
  uint16_t appId = 0;
  uint8_t players = 0;
  uint8_t maxPlayers = 0;
  uint8_t bots = 0;
  char serverType = 0;  // 'd' dedicated, 'l' non-dedicated, 'p' SourceTV relay
  char environment = 0; // 'l' Linux, 'w' Windows, 'm' or 'o' macOS
  bool password = false;
  bool vac = false;
  std::string version;
  uint8_t extraFlags = 0;  // 0 when the answer ends after the version
  std::optional<uint16_t> gamePort;
  std::optional<uint64_t> steamId;
  std::optional<uint16_t> spectatorPort;
  std::string spectatorName;
  std::optional<std::string> keywords;  // Arma 3's game tags (arma3_tags.h)
  std::optional<uint64_t> gameId;

  bool operator==(const ServerInfo&) const = default;  // the Info tab redraws only on a change
};

enum class ReadResult : uint8_t {
  Ok,
  WrongType,  // not a simple answer of the type asked for
  Truncated,  // a field runs past the answer's end
};

// Reads an A2S_INFO answer. On Truncated `info` holds the fields read before
// the one that did not fit; callers show none of it, since a cut answer is as
// likely a corrupt one.
ReadResult ReadInfoAnswer(const uint8_t* data, size_t length, ServerInfo* info);

struct Player {
  uint8_t index = 0;
  std::string name;     // valid UTF-8 (invalid bytes become U+FFFD)
  int32_t score = 0;
  float duration = 0;   // seconds connected
};

// Reads an A2S_PLAYER answer into `players`, reusing its records (the reader
// runs on every refresh of a full server). On Truncated it holds the players
// read whole before the answer ended.
ReadResult ReadPlayerAnswer(const uint8_t* data, size_t length, std::vector<Player>* players);

// The time a player has been connected as the Players tab shows it: hours,
// minutes and seconds, "1:05:12", "0:00:09". Empty for a value no real
// server sends (negative, not a number, or beyond ten thousand hours).
std::string FormatTimeConnected(float seconds);

}  // namespace a2s
