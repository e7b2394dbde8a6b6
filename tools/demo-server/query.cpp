// The demo server's Steam query answers.
//
//   FF FF FF FF 54 "Source Engine Query" 00 [challenge]   -> 41 challenge | 49 info
//   FF FF FF FF 55 challenge                              -> 41 challenge | 44 players
//   an answer longer than kMaxPacket: parts of FE FF FF FF, answer id,
//   total, number, the largest packet size (16 bits), then a slice.
#include "tools/demo-server/query.h"

#include <algorithm>
#include <cstring>

namespace demo {
namespace {

constexpr uint8_t kHeader[4] = {0xFF, 0xFF, 0xFF, 0xFF};
constexpr char kInfoQuery[] = "Source Engine Query";
// Each client's challenges, kept for this many clients at most.
constexpr size_t kMaxClients = 4096;
constexpr size_t kPartHeader = 12;

void Put8(std::vector<uint8_t>* out, uint8_t v) { out->push_back(v); }
void Put16(std::vector<uint8_t>* out, uint16_t v) {
  out->push_back(static_cast<uint8_t>(v & 0xFF));
  out->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(v >> shift));
}
void Put64(std::vector<uint8_t>* out, uint64_t v) {
  Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(v >> 32));
}
void PutString(std::vector<uint8_t>* out, const std::string& s) {
  out->insert(out->end(), s.begin(), s.end());
  out->push_back(0);
}
std::vector<uint8_t> Simple(uint8_t type) {
  std::vector<uint8_t> out(std::begin(kHeader), std::end(kHeader));
  out.push_back(type);
  return out;
}

}  // namespace

QueryInfo QueryInfoFrom(const std::vector<std::string>& settings) {
  QueryInfo info;
  for (const std::string& setting : settings) {
    const size_t equals = setting.find('=');
    const std::string key = setting.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : setting.substr(equals + 1);
    if (key == "hostname") info.name = value;
    if (key == "mapname") info.map = value;
    if (key == "mission") info.mission = value;
    if (key == "gamever") info.version = value;
    if (key == "password") info.password = value == "1";
  }
  return info;
}

QueryResponder::QueryResponder(QueryInfo info, uint32_t seed, bool reversePartOrder)
    : info_(std::move(info)), rng_(seed * 2654435761u + 1), reversePartOrder_(reversePartOrder) {}

uint32_t QueryResponder::ChallengeFor(uint64_t client) {
  if (challenges_.size() >= kMaxClients) challenges_.clear();
  rng_ = rng_ * 1664525u + 1013904223u;
  // Never FF FF FF FF, which asks for a challenge.
  const uint32_t challenge = rng_ == 0xFFFFFFFFu ? 0x12345678u : rng_;
  challenges_[client] = challenge;
  return challenge;
}

bool QueryResponder::ChallengeMatches(uint64_t client, const uint8_t* at) const {
  const auto it = challenges_.find(client);
  if (it == challenges_.end()) return false;
  const uint32_t got = static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                       static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
  return got == it->second;
}

std::vector<std::vector<uint8_t>> QueryResponder::Answer(const uint8_t* data, size_t length, uint64_t client,
                                                         const World& world, int64_t nowMs) {
  if (length < 5 || std::memcmp(data, kHeader, 4) != 0) return {};
  const uint8_t type = data[4];
  const uint8_t* challenge = nullptr;
  if (type == 0x54) {
    const size_t textEnd = 5 + sizeof kInfoQuery;  // the text and its NUL
    if (length < textEnd || std::memcmp(data + 5, kInfoQuery, sizeof kInfoQuery) != 0) return {};
    if (length >= textEnd + 4) challenge = data + textEnd;
  } else if (type == 0x55) {
    if (length < 9) return {};
    challenge = data + 5;
  } else {
    return {};
  }
  // Like current servers: nothing without this client's latest challenge.
  if (challenge == nullptr || !ChallengeMatches(client, challenge)) {
    std::vector<uint8_t> ask = Simple(0x41);
    Put32(&ask, ChallengeFor(client));
    return {ask};
  }
  return Split(type == 0x54 ? Info(world) : Players(world, nowMs));
}

std::vector<uint8_t> QueryResponder::Info(const World& world) const {
  std::vector<uint8_t> out = Simple(0x49);
  Put8(&out, 17);  // protocol
  PutString(&out, info_.name);
  PutString(&out, info_.map);
  PutString(&out, "Arma3");  // folder
  PutString(&out, info_.mission);
  Put16(&out, static_cast<uint16_t>(107410 & 0xFFFF));  // Arma 3's app id, cut to 16 bits
  const size_t players = world.players().size();
  Put8(&out, static_cast<uint8_t>(std::min<size_t>(players, 255)));
  Put8(&out, 255);  // the status reply's 256 does not fit the byte
  Put8(&out, 0);    // bots
  Put8(&out, 'd');
  Put8(&out, 'w');
  Put8(&out, info_.password ? 1 : 0);
  Put8(&out, 0);  // VAC
  PutString(&out, info_.version);
  Put8(&out, 0x80 | 0x10 | 0x20 | 0x01);
  Put16(&out, info_.gamePort);
  Put64(&out, 90071992547409920ull);  // a Steam id of the game-server kind
  PutString(&out, info_.keywords);
  Put64(&out, 107410);
  return out;
}

std::vector<uint8_t> QueryResponder::Players(const World& world, int64_t nowMs) {
  std::vector<uint8_t> out = Simple(0x44);
  const auto& players = world.players();
  const size_t count = std::min<size_t>(players.size(), 255);
  const bool first = !answeredPlayers_;
  answeredPlayers_ = true;
  Put8(&out, static_cast<uint8_t>(count));
  // Only the players still here are remembered.
  std::map<std::string, int64_t> connectedAtMs;
  for (size_t i = 0; i < count; ++i) {
    const Player& p = players[i];
    const auto known = connectedAtMs_.find(p.guid);
    const bool added = known == connectedAtMs_.end();
    const auto it = connectedAtMs.emplace(p.guid, added ? nowMs : known->second).first;
    // Those here at the start have played a while already, each a
    // different while; those who join later start from nothing.
    if (added && first) it->second = nowMs - 1000 * (137 + 613 * static_cast<int64_t>(i % 11));
    const float seconds = static_cast<float>(nowMs - it->second) / 1000.0f;
    Put8(&out, static_cast<uint8_t>(i));
    PutString(&out, p.name);
    Put32(&out, static_cast<uint32_t>(p.score));
    uint32_t bits;
    std::memcpy(&bits, &seconds, sizeof bits);
    Put32(&out, bits);
  }
  connectedAtMs_ = std::move(connectedAtMs);
  return out;
}

std::vector<std::vector<uint8_t>> QueryResponder::Split(const std::vector<uint8_t>& answer) {
  if (answer.size() <= kMaxPacket) return {answer};
  const size_t slice = kMaxPacket - kPartHeader;
  const size_t total = (answer.size() + slice - 1) / slice;
  const uint32_t id = nextAnswerId_++ & 0x7FFFFFFFu;  // high bit clear: not compressed
  std::vector<std::vector<uint8_t>> parts;
  for (size_t n = 0; n < total; ++n) {
    std::vector<uint8_t> part = {0xFE, 0xFF, 0xFF, 0xFF};
    Put32(&part, id);
    Put8(&part, static_cast<uint8_t>(total));
    Put8(&part, static_cast<uint8_t>(n));
    Put16(&part, static_cast<uint16_t>(kMaxPacket));
    const size_t begin = n * slice;
    part.insert(part.end(), answer.begin() + static_cast<long>(begin),
                answer.begin() + static_cast<long>(std::min(answer.size(), begin + slice)));
    parts.push_back(std::move(part));
  }
  if (reversePartOrder_) std::reverse(parts.begin(), parts.end());
  return parts;
}

}  // namespace demo
