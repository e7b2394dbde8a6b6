// Parsing of the status query reply.
//
// The reply has two sections: the settings, as key and value strings up to
// an empty key, then the players, a marker string and four strings per
// player (name, team, score, deaths). It is read by that structure, never by
// what a string says: a player called "mapname" must not set the map, and a
// setting whose value happens to be a player's name must not add a row.
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
#include "net/text.h"
#include "platform/platform.h"

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

  std::string_view Next() {
    if (pos_ >= length_) return {};
    const void* nul = std::memchr(data_ + pos_, 0, length_ - pos_);
    const size_t end = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - data_) : length_;
    const std::string_view text(data_ + pos_, end - pos_);
    pos_ = end + 1;
    return text;
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

// A string that begins with this byte marks the start of a section of the
// player part ("\x01player_").
constexpr char kSectionMarker = '\x01';

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

}  // namespace

void ParseStatusReply(const uint8_t* data, size_t length) {
  if (data == nullptr || !rcon::IsStatusReply(data, length)) return;

  StringCursor cursor(data, length, sizeof rcon::kStatusReplyPrefix);
  while (!cursor.AtEnd()) {
    const std::string_view keyBytes = cursor.Next();
    if (keyBytes.empty()) break;  // the end of the settings
    const std::string_view valueBytes = cursor.Next();
    const Decoded key(keyBytes, Decoded::As::Local);
    if (InfoRows.Find(key.text()) == 0) continue;
    const Decoded value(valueBytes, IsValidUtf8(valueBytes) ? Decoded::As::Utf8 : Decoded::As::Local);
    SetKeyValue(key.text(), value.text());
  }

  // The marker, and the empty strings some servers put after it.
  size_t count = 0;
  while (!cursor.AtEnd()) {
    const std::string_view nameBytes = cursor.Next();
    if (count == 0 && (nameBytes.empty() || nameBytes.front() == kSectionMarker)) continue;
    if (count == StatusPlayers.size()) StatusPlayers.emplace_back();
    StatusPlayer& player = StatusPlayers[count++];
    player.name = Decoded(nameBytes, Decoded::As::Utf8).text();
    player.team = Decoded(cursor.Next(), Decoded::As::Utf8).text();
    player.score = Decoded(cursor.Next(), Decoded::As::Local).text();
    player.deaths = Decoded(cursor.Next(), Decoded::As::Local).text();
  }
  StatusPlayers.resize(count);
  StatusReplyArrived(NetNow());
}
