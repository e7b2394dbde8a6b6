// The Steam server query's requests and answer readers.
//
// An answer comes from a port anyone can send to, so every field is read
// through a cursor that knows the answer's end: a count byte, a string
// without its NUL or an extra-data flag announcing fields that are not there
// ends the read instead of walking past the datagram.
#include "net/a2s.h"

#include "net/text.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace a2s {
namespace {

class Cursor {
 public:
  Cursor(const uint8_t* data, size_t length, size_t pos) : data_(data), length_(length), pos_(pos) {}

  bool ok() const { return ok_; }

  uint8_t U8() {
    if (!Need(1)) return 0;
    return data_[pos_++];
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    if (!Need(4)) return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | data_[pos_ + static_cast<size_t>(i)];
    pos_ += 4;
    return v;
  }
  uint64_t U64() {
    const uint64_t low = U32();
    const uint64_t high = U32();
    return high << 32 | low;
  }
  float F32() {
    const uint32_t bits = U32();
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  // Reads a NUL-terminated string into `out` as valid UTF-8. A string whose
  // NUL is missing is a truncated answer, not a string that ends at the end.
  void String(std::string* out) {
    if (!ok_ || pos_ >= length_) {
      ok_ = false;
      return;
    }
    const auto* begin = data_ + pos_;
    const void* nul = std::memchr(begin, 0, length_ - pos_);
    if (nul == nullptr) {
      ok_ = false;
      return;
    }
    const size_t size = static_cast<size_t>(static_cast<const uint8_t*>(nul) - begin);
    const std::string_view bytes(reinterpret_cast<const char*>(begin), size);
    // Names are nearly always ASCII or well-formed UTF-8: kept as they are,
    // into the record's existing storage.
    if (IsAscii(bytes) || IsValidUtf8(bytes)) {
      out->assign(bytes);
    } else {
      *out = DecodePayloadText(begin, size);
    }
    pos_ += size + 1;
  }
  bool AtEnd() const { return pos_ >= length_; }

 private:
  bool Need(size_t n) {
    if (ok_ && pos_ <= length_ && length_ - pos_ >= n) return true;
    ok_ = false;
    return false;
  }

  const uint8_t* data_;
  size_t length_;
  size_t pos_;
  bool ok_ = true;
};

constexpr char kInfoPayload[] = "Source Engine Query";

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The Ship (app 2400) put three bytes of its own between VAC and version.
constexpr uint16_t kTheShipAppId = 2400;

}  // namespace

std::vector<uint8_t> InfoRequest(std::optional<uint32_t> challenge) {
  std::vector<uint8_t> out(std::begin(kSimpleHeader), std::end(kSimpleHeader));
  out.push_back(kInfoRequest);
  out.insert(out.end(), std::begin(kInfoPayload), std::end(kInfoPayload));  // with its NUL
  if (challenge) PutU32(out, *challenge);
  return out;
}

std::vector<uint8_t> PlayerRequest(uint32_t challenge) {
  std::vector<uint8_t> out(std::begin(kSimpleHeader), std::end(kSimpleHeader));
  out.push_back(kPlayerRequest);
  PutU32(out, challenge);
  return out;
}

uint8_t AnswerType(const uint8_t* data, size_t length) {
  if (data == nullptr || length < 5 || std::memcmp(data, kSimpleHeader, 4) != 0) return 0;
  return data[4];
}

bool ReadChallenge(const uint8_t* data, size_t length, uint32_t* challenge) {
  if (AnswerType(data, length) != kChallengeAnswer) return false;
  Cursor cursor(data, length, 5);
  const uint32_t value = cursor.U32();
  if (!cursor.ok()) return false;
  *challenge = value;
  return true;
}

ReadResult ReadInfoAnswer(const uint8_t* data, size_t length, ServerInfo* info) {
  if (AnswerType(data, length) != kInfoAnswer) return ReadResult::WrongType;
  *info = ServerInfo{};
  Cursor c(data, length, 5);
  info->protocol = c.U8();
  c.String(&info->name);
  c.String(&info->map);
  c.String(&info->folder);
  c.String(&info->game);
  info->appId = c.U16();
  info->players = c.U8();
  info->maxPlayers = c.U8();
  info->bots = c.U8();
  info->serverType = static_cast<char>(c.U8());
  info->environment = static_cast<char>(c.U8());
  info->password = c.U8() != 0;
  info->vac = c.U8() != 0;
  if (info->appId == kTheShipAppId) {
    c.U8();  // mode
    c.U8();  // witnesses
    c.U8();  // duration
  }
  c.String(&info->version);
  if (!c.ok()) return ReadResult::Truncated;
  // Older servers end here; the flag byte and its fields are optional.
  if (c.AtEnd()) return ReadResult::Ok;

  const uint8_t flags = c.U8();
  info->extraFlags = flags;
  if (flags & kExtraGamePort) {
    const uint16_t port = c.U16();
    if (c.ok()) info->gamePort = port;
  }
  if (flags & kExtraSteamId) {
    const uint64_t id = c.U64();
    if (c.ok()) info->steamId = id;
  }
  if (flags & kExtraSpectator) {
    const uint16_t port = c.U16();
    c.String(&info->spectatorName);
    if (c.ok()) info->spectatorPort = port;
  }
  if (flags & kExtraKeywords) {
    std::string keywords;
    c.String(&keywords);
    if (c.ok()) info->keywords = std::move(keywords);
  }
  if (flags & kExtraGameId) {
    const uint64_t id = c.U64();
    if (c.ok()) info->gameId = id;
  }
  return c.ok() ? ReadResult::Ok : ReadResult::Truncated;
}

ReadResult ReadPlayerAnswer(const uint8_t* data, size_t length, std::vector<Player>* players) {
  if (AnswerType(data, length) != kPlayerAnswer) {
    players->clear();
    return ReadResult::WrongType;
  }
  Cursor c(data, length, 5);
  const uint8_t count = c.U8();
  // Grown, never shrunk below what the last answer needed: the names keep
  // their storage from one refresh to the next.
  if (players->size() < count) players->resize(count);
  size_t read = 0;
  while (c.ok() && read < count) {
    Player& p = (*players)[read];
    p.index = c.U8();
    c.String(&p.name);
    p.score = static_cast<int32_t>(c.U32());
    p.duration = c.F32();
    if (c.ok()) ++read;
  }
  players->resize(read);
  return c.ok() ? ReadResult::Ok : ReadResult::Truncated;
}

std::string FormatTimeConnected(float seconds) {
  constexpr float kLimit = 10000.0f * 3600.0f;
  if (!(seconds >= 0.0f) || seconds > kLimit) return {};
  const auto total = static_cast<uint32_t>(seconds);  // whole seconds, as a clock shows them
  char text[24];
  std::snprintf(text, sizeof text, "%u:%02u:%02u", total / 3600, total / 60 % 60, total % 60);
  return text;
}

}  // namespace a2s
