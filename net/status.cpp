// Parsing of the status query reply.
//
// The strings are walked one by one. Each is first looked for among the
// player names (the first record of that name wins), which consumes the
// next three strings as team, score and deaths; the same string is then
// looked for among the information keys, which consumes the next one as the
// value. A string that is neither is stepped over, so the value of a key
// without a row is examined as a name and key in its turn.
//
// Values are shown in the system's 8-bit code page while names are matched
// in UTF-8: that is how the server's two kinds of strings are read.
#include "net/status.h"

#include "net/framing.h"
#include "net/number.h"
#include "net/players.h"
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

// Name -> first PlayerRecord of that name. Rebuilt for every reply, since the
// player list may have changed between two; the slots are kept from one reply
// to the next so that a steady server costs no allocation.
class NameIndex {
 public:
  void Build(const std::vector<PlayerRecord>& players) {
    players_ = &players;
    size_t capacity = 16;
    while (capacity < players.size() * 2) capacity *= 2;
    slots_.assign(capacity, kEmpty);
    mask_ = capacity - 1;
    for (size_t i = 0; i < players.size(); ++i) {
      const std::string& name = players[i].name;
      for (size_t slot = HashText(name) & mask_;; slot = (slot + 1) & mask_) {
        if (slots_[slot] == kEmpty) {
          slots_[slot] = static_cast<int32_t>(i);
          break;
        }
        if (players[static_cast<size_t>(slots_[slot])].name == name) break;  // an earlier one keeps it
      }
    }
  }

  const PlayerRecord* Find(std::string_view name) const {
    if (players_->empty()) return nullptr;
    for (size_t slot = HashText(name) & mask_;; slot = (slot + 1) & mask_) {
      const int32_t index = slots_[slot];
      if (index == kEmpty) return nullptr;
      const PlayerRecord& record = (*players_)[static_cast<size_t>(index)];
      if (record.name == name) return &record;
    }
  }

 private:
  static constexpr int32_t kEmpty = -1;
  const std::vector<PlayerRecord>* players_ = nullptr;
  std::vector<int32_t> slots_;
  size_t mask_ = 0;
};

constexpr std::array<const char*, 4> kDifficulties = {"Recruit", "Regular", "Veteran", "Expert"};

void AddPlayerRow(const PlayerRecord& player, StringCursor& cursor) {
  const Decoded team(cursor.Next(), Decoded::As::Utf8);
  const Decoded score(cursor.Next(), Decoded::As::Local);
  const Decoded deaths(cursor.Next(), Decoded::As::Local);
  // One row, refilled for each player: its strings keep their buffers, so a
  // full server's rows cost no allocation here.
  static PlayerRow row;
  row[0] = player.name;
  row[1] = score.text();
  row[2] = deaths.text();
  row[3] = team.text();
  row[4] = std::to_string(player.ping);
  row[5] = player.address;
  row[6] = player.guid;
  PlayersList_AddRow(row);
}

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

  static NameIndex names;
  names.Build(PlayerList);

  StringCursor cursor(data, length, sizeof rcon::kStatusReplyPrefix);
  while (!cursor.AtEnd()) {
    const std::string_view bytes = cursor.Next();

    {
      const Decoded name(bytes, Decoded::As::Utf8);
      if (const PlayerRecord* player = names.Find(name.text())) AddPlayerRow(*player, cursor);
    }

    if (bytes.empty()) continue;
    const Decoded key(bytes, Decoded::As::Local);
    if (InfoRows.Find(key.text()) == 0) continue;
    const Decoded value(cursor.Next(), Decoded::As::Local);
    SetKeyValue(key.text(), value.text());
  }
}
