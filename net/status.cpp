// Parsing of the status query reply.
//
// After the header come two sections and an optional third:
//  - the settings: key and value strings, ended by an empty key;
//  - the players: a zero byte, then ONE BYTE giving their number (not a
//    string: 40 players read as "(", none as a zero byte), the field names,
//    each ending in "_", ended by an empty string, then per player one
//    string per field in the order the names gave;
//  - the teams, in the same shape, which nothing here shows.
// Servers and the query tools that read them put that zero byte before each
// section's count (the settings thus end in two zero bytes); some
// descriptions leave it out. Both are read: the byte after the empty key is
// a non-zero count only where it is left out, and where it is zero, the
// field names read after skipping it name "player_" only where it is there
// (left out, that zero is a count of none, and there is nothing to read).
// It is read by that structure, never by what a string says: a player called
// "mapname" must not set the map, and a setting whose value happens to be a
// player's name must not add a row. The columns are found by field name, so
// a server that orders them otherwise or adds some ("ping_") reads the same.
//
// Setting values are local text unless they are valid UTF-8 beyond ASCII
// (a host name sent in UTF-8 reads as written); names and teams are UTF-8,
// as the remote console writes them.
#include "net/status.h"

#include "net/framing.h"
#include "net/number.h"
#include "net/player_rows.h"
#include "net/session.h"
#include "net/shell.h"
#include "net/steam_query.h"
#include "net/text.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Walks the NUL-terminated strings of the reply, never past its length.
class StringCursor {
 public:
  StringCursor(const uint8_t* data, size_t length, size_t pos)
      : data_(reinterpret_cast<const char*>(data)), length_(length), pos_(pos) {}

  bool AtEnd() const { return pos_ >= length_; }

  // The next string; a last one without its NUL ends at the end.
  std::string_view Next() {
    std::string_view text;
    NextWhole(&text);
    return text;
  }

  // Same, but says whether the string had its NUL: a value cut off by the
  // datagram's end is not the value the server sent.
  bool NextWhole(std::string_view* text) {
    if (pos_ >= length_) {
      *text = {};
      return false;
    }
    const void* nul = std::memchr(data_ + pos_, 0, length_ - pos_);
    const size_t end = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - data_) : length_;
    *text = std::string_view(data_ + pos_, end - pos_);
    pos_ = end + 1;
    return nul != nullptr;
  }

  // One raw byte; false at the end.
  bool NextByte(uint8_t* byte) {
    if (pos_ >= length_) return false;
    *byte = static_cast<uint8_t>(data_[pos_++]);
    return true;
  }

 private:
  const char* data_;
  size_t length_;
  size_t pos_;
};

// One string in one of its two decodings. ASCII reads the same in both, and
// nearly every string of a reply is ASCII, so those are used in place.
class Decoded {
 public:
  enum class As { Local, Utf8 };

  Decoded(std::string_view bytes, As as) {
    if (IsAscii(bytes)) {
      text_ = bytes;
      return;
    }
    storage_ = as == As::Local ? platform::AnsiToUtf8(bytes)
                               : DecodePayloadText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    text_ = storage_;
  }
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;

  std::string_view text() const { return text_; }

 private:
  std::string storage_;
  std::string_view text_;
};

constexpr std::array<const char*, 4> kDifficulties = {"Recruit", "Regular", "Veteran", "Expert"};

void SetKeyValue(std::string_view key, std::string_view value) {
  if (key == "language") {
    const auto id = static_cast<uint32_t>(static_cast<uint64_t>(ParseNumber(value)));
    SetInfoValue(key, platform::LanguageName(id));
  } else if (key == "difficulty") {
    const int64_t level = ParseNumber(value);
    SetInfoValue(key, level >= 0 && level < static_cast<int64_t>(kDifficulties.size())
                          ? std::string_view(kDifficulties[static_cast<size_t>(level)])
                          : value);
  } else {
    SetInfoValue(key, value);
  }
}

// The player section from its count byte on; false when it names no
// "player_" field (nothing then can be told of anyone). Field names are
// matched whole, so "team_" never takes the team section's "team_t".
bool ReadPlayers(StringCursor& cursor, std::vector<StatusPlayer>& players) {
  uint8_t count = 0;
  if (!cursor.NextByte(&count)) return false;
  enum Field { kName, kTeam, kScore, kDeaths, kOther };
  std::vector<Field> fields;
  for (;;) {
    std::string_view name;
    if (!cursor.NextWhole(&name)) return false;  // cut off before the values began
    if (name.empty()) break;
    fields.push_back(name == "player_" ? kName
                     : name == "team_" ? kTeam
                     : name == "score_" ? kScore
                     : name == "deaths_" ? kDeaths
                                         : kOther);
  }
  if (std::find(fields.begin(), fields.end(), kName) == fields.end()) return false;
  players.reserve(count);
  for (int i = 0; i < count; ++i) {
    StatusPlayer player;
    for (const Field field : fields) {
      std::string_view value;
      if (!cursor.NextWhole(&value)) return true;  // this player and all after him are cut off
      switch (field) {
        case kName: player.name = Decoded(value, Decoded::As::Utf8).text(); break;
        case kTeam: player.team = Decoded(value, Decoded::As::Utf8).text(); break;
        case kScore: player.score = Decoded(value, Decoded::As::Local).text(); break;
        case kDeaths: player.deaths = Decoded(value, Decoded::As::Local).text(); break;
        case kOther: break;
      }
    }
    players.push_back(std::move(player));
  }
  return true;
}

}  // namespace

bool ReadStatusReply(const uint8_t* data, size_t length, StatusReply* out) {
  *out = StatusReply{};
  if (data == nullptr || !rcon::IsStatusReply(data, length)) return false;
  StringCursor cursor(data, length, sizeof rcon::kStatusReplyPrefix);
  while (!cursor.AtEnd()) {
    const std::string_view key = cursor.Next();
    if (key.empty()) break;  // the end of the settings
    out->settings.emplace_back(std::string(key), std::string(cursor.Next()));
  }
  uint8_t next = 0;
  StringCursor section = cursor;
  if (section.NextByte(&next) && next == 0) {
    if (!ReadPlayers(section, out->players)) out->players.clear();
  } else {
    if (!ReadPlayers(cursor, out->players)) out->players.clear();
  }
  return true;
}

void ParseStatusReply(const uint8_t* data, size_t length) {
  StatusReply reply;
  if (!ReadStatusReply(data, length, &reply)) return;
  for (const auto& [keyBytes, valueBytes] : reply.settings) {
    const Decoded key(keyBytes, Decoded::As::Local);
    if (InfoRows.Find(key.text()) == 0) continue;
    const Decoded value(valueBytes, IsValidUtf8(valueBytes) ? Decoded::As::Utf8 : Decoded::As::Local);
    SetKeyValue(key.text(), value.text());
  }
  // The General group's "Players", as the Steam query fills it too.
  std::string_view players, maxPlayers;
  for (const auto& [key, value] : reply.settings) {
    if (key == "numplayers") players = value;
    if (key == "maxplayers") maxPlayers = value;
  }
  if (!players.empty() && !maxPlayers.empty()) {
    SetInfoValue("players", a2s::PlayersOfMax(static_cast<int>(ParseNumber32(players)),
                                              static_cast<int>(ParseNumber32(maxPlayers))));
  }
  StatusPlayers = std::move(reply.players);
  StatusReplyArrived();
}
