#include "tools/demo-server/world.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace demo {
namespace {

// Names a real server would show: spaces, clan tags, one that needs UTF-8
// (clients match status names to console names byte for byte), and one
// among the first few with the "#" and "(" a server message puts round it.
constexpr const char* kNames[] = {
    "John Smith", "Jürgen Müller", "[TAG] Viper", "Ghost #7 (Rider)", "Anna K", "Sgt. Pepper",
    "NightOwl", "Krzysztof", "Big Mike", "xX_Sniper_Xx", "Lt. Dan", "Marie Curie",
    "Razor", "Tank Commander", "Olga", "Pvt. Ryan", "Blue Fox", "Shadow", "Dr. Medic",
    "Iceman", "Lucky Luke", "Hawkeye", "Nomad", "Sven", "Chopper Pilot", "Wolf",
    "Sarah Connor", "Echo 1", "Bravo Six", "Lone Ranger"};
constexpr size_t kNameCount = sizeof kNames / sizeof kNames[0];

constexpr const char* kReasons[] = {"Cheating", "Teamkilling", "Racism in chat",
                                    "Exploiting", "Spawn camping", "Admin abuse"};
constexpr const char* kTeams[] = {"West", "East"};

template <size_t N>
constexpr size_t Length(const char (&)[N]) { return N - 1; }

constexpr char kPlayersTitle[] = "Players on server:\n[#] [IP Address]:[Port] [Ping] [GUID] [Name]\n";
constexpr char kGuidBansTitle[] = "GUID Bans:\n[#] [GUID] [Minutes left] [Reason]\n";
constexpr char kIpBansTitle[] = "\nIP Bans:\n[#] [IP Address] [Minutes left] [Reason]\n";
// Each header ends in a rule of dashes long enough to make up its length.
static_assert(Length(kPlayersTitle) + 2 <= kPlayersHeaderLength);
static_assert(Length(kGuidBansTitle) + 2 <= kBansHeaderLength);

std::string Rule(size_t dashes) { return std::string(dashes, '-') + "\n"; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Splits off the first space-separated word; `rest` loses the spaces after it.
std::string_view TakeWord(std::string_view* rest) {
  const size_t space = rest->find(' ');
  std::string_view word = rest->substr(0, space);
  rest->remove_prefix(space == std::string_view::npos ? rest->size() : space);
  while (!rest->empty() && rest->front() == ' ') rest->remove_prefix(1);
  return word;
}

// A plain non-negative decimal number, or -1. Nine digits at most, so a
// huge player number cannot wrap round to a real one.
int64_t ParseCount(std::string_view text) {
  if (text.empty() || text.size() > 9) return -1;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string MinutesLeft(const Ban& ban, int64_t now) {
  if (ban.expiresAt == 0) return "perm";
  return std::to_string((ban.expiresAt - now + 59) / 60);
}

std::string Describe(const Player& p) {
  return "#" + std::to_string(p.number) + " " + p.name + " (" + p.address + ":" + std::to_string(p.port) + ")";
}

void PutString(std::vector<uint8_t>* out, std::string_view text) {
  out->insert(out->end(), text.begin(), text.end());
  out->push_back(0);
}

}  // namespace

std::string PlayersHeader() {
  std::string header = kPlayersTitle + Rule(kPlayersHeaderLength - Length(kPlayersTitle) - 1);
  assert(header.size() == kPlayersHeaderLength);
  return header;
}

std::string GuidBansHeader() {
  std::string header = kGuidBansTitle + Rule(kBansHeaderLength - Length(kGuidBansTitle) - 1);
  assert(header.size() == kBansHeaderLength);
  return header;
}

World::World(int players, int guidBans, uint32_t seed, int64_t now) : rng_(seed) {
  for (int i = 0; i < players; ++i) AddPlayer();
  for (int i = 0; i < guidBans; ++i) {
    Ban ban;
    ban.target = NewGuid();
    // Mostly permanent, as on real servers; the rest run out within days.
    ban.expiresAt = i % 3 == 0 ? 0 : now + 60 * Random(30, 7 * 24 * 60);
    ban.reason = kReasons[i % (sizeof kReasons / sizeof kReasons[0])];
    guidBans_.push_back(ban);
  }
  ipBans_.push_back({"10.13.37.1", 0, "Ban evasion"});
  ipBans_.push_back({"192.168.66.6", now + 60 * 24 * 60, "DDoS threats"});
}

int World::Random(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

std::string World::NewGuid() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string guid(32, '0');
  for (char& c : guid) c = kHex[Random(0, 15)];
  return guid;
}

Player& World::AddPlayer() {
  Player p;
  // The lowest free slot, as a server reuses the numbers of players who left.
  p.number = 0;
  for (const Player& other : players_) {
    if (other.number != p.number) break;
    ++p.number;
  }
  const unsigned serial = nameSerial_++;
  p.name = kNames[serial % kNameCount];
  if (serial >= kNameCount) p.name += " " + std::to_string(serial / kNameCount + 1);
  if (Random(0, 1) == 0) {
    p.address = "10." + std::to_string(Random(0, 255)) + "." + std::to_string(Random(0, 255)) + "." +
                std::to_string(Random(1, 254));
  } else {
    p.address = "192.168." + std::to_string(Random(0, 255)) + "." + std::to_string(Random(1, 254));
  }
  p.port = Random(1024, 65535);
  p.ping = Random(20, 180);
  p.guid = NewGuid();
  p.team = kTeams[p.number % 2];
  p.score = Random(0, 40);
  p.deaths = Random(0, 15);
  auto at = std::lower_bound(players_.begin(), players_.end(), p.number,
                             [](const Player& q, int n) { return q.number < n; });
  return *players_.insert(at, p);
}

Player* World::FindPlayer(int number) {
  for (Player& p : players_)
    if (p.number == number) return &p;
  return nullptr;
}

void World::RemovePlayer(int number) {
  std::erase_if(players_, [number](const Player& p) { return p.number == number; });
}

void World::DropExpiredBans(int64_t now) {
  auto expired = [now](const Ban& b) { return b.expiresAt != 0 && b.expiresAt <= now; };
  std::erase_if(guidBans_, expired);
  std::erase_if(ipBans_, expired);
}

std::string World::PlayersReply() {
  std::string text = PlayersHeader();
  char line[512];
  for (Player& p : players_) {
    p.ping = std::clamp(p.ping + Random(-6, 6), 5, 999);
    const std::string endpoint = p.address + ":" + std::to_string(p.port);
    std::snprintf(line, sizeof line, "%-3d %-21s %-4d %s(OK) %s\n", p.number, endpoint.c_str(), p.ping,
                  p.guid.c_str(), p.name.c_str());
    text += line;
  }
  text += "(" + std::to_string(players_.size()) + " players in total)";
  return text;
}

std::string World::BansReply(int64_t now) {
  DropExpiredBans(now);
  std::string text = GuidBansHeader();
  // IP bans are numbered on from the GUID bans: one numbering for removeBan.
  int number = 0;
  char line[512];
  for (const Ban& b : guidBans_) {
    std::snprintf(line, sizeof line, "%-3d %s %-4s %s\n", number++, b.target.c_str(), MinutesLeft(b, now).c_str(),
                  b.reason.c_str());
    text += line;
  }
  text += kIpBansTitle + Rule(46);
  for (const Ban& b : ipBans_) {
    std::snprintf(line, sizeof line, "%-3d %-15s %-4s %s\n", number++, b.target.c_str(), MinutesLeft(b, now).c_str(),
                  b.reason.c_str());
    text += line;
  }
  return text;
}

CommandResult World::Kick(std::string_view args) {
  const int64_t number = ParseCount(TakeWord(&args));
  Player* p = number < 0 ? nullptr : FindPlayer(static_cast<int>(number));
  if (!p) return {"Invalid player number", {}, false};
  std::string message = "Player " + Describe(*p) + " has been kicked by BattlEye: Admin Kick";
  if (!args.empty()) message += " (" + std::string(args) + ")";
  RemovePlayer(p->number);
  return {"", {message}, false};
}

CommandResult World::BanPlayer(std::string_view args, int64_t now) {
  const int64_t number = ParseCount(TakeWord(&args));
  const std::string_view duration = TakeWord(&args);
  Player* p = number < 0 ? nullptr : FindPlayer(static_cast<int>(number));
  if (!p) return {"Invalid player number", {}, false};
  const int64_t minutes = EqualsNoCase(duration, "perm") ? 0 : ParseCount(duration);
  if (minutes < 0) return {"Invalid ban duration", {}, false};
  guidBans_.push_back({p->guid, minutes == 0 ? 0 : now + 60 * minutes, std::string(args)});
  std::string message = "Player " + Describe(*p) + " has been kicked by BattlEye: Admin Ban";
  if (!args.empty()) message += " (" + std::string(args) + ")";
  RemovePlayer(p->number);
  return {"", {message}, false};
}

// A ban of a GUID or an address whose player need not be on the server.
CommandResult World::AddBan(std::string_view args, int64_t now) {
  const std::string_view target = TakeWord(&args);
  const std::string_view duration = TakeWord(&args);
  const int64_t minutes = EqualsNoCase(duration, "perm") ? 0 : ParseCount(duration);
  if (target.empty() || minutes < 0) return {"Invalid ban", {}, false};
  const bool address = target.find('.') != std::string_view::npos;
  (address ? ipBans_ : guidBans_).push_back({std::string(target), minutes == 0 ? 0 : now + 60 * minutes,
                                            std::string(args)});
  return {"", {}, false};
}

// Every admin sees the message come back; to one player it names him. The
// client is always admin #0 here.
CommandResult World::Say(std::string_view args) {
  const std::string_view target = TakeWord(&args);
  if (target == "-1") return {"", {"RCon admin #0: (Global) " + std::string(args)}, false};
  const int64_t number = ParseCount(target);
  const Player* p = number < 0 ? nullptr : FindPlayer(static_cast<int>(number));
  if (!p) return {"", {}, false};
  return {"", {"RCon admin #0: (To " + p->name + ") " + std::string(args)}, false};
}

CommandResult World::RemoveBan(std::string_view args, int64_t now) {
  DropExpiredBans(now);
  const int64_t number = ParseCount(TakeWord(&args));
  const int64_t guidCount = static_cast<int64_t>(guidBans_.size());
  if (number >= 0 && number < guidCount) {
    guidBans_.erase(guidBans_.begin() + number);
  } else if (number >= guidCount && number < guidCount + static_cast<int64_t>(ipBans_.size())) {
    ipBans_.erase(ipBans_.begin() + (number - guidCount));
  } else {
    return {"Invalid ban number", {}, false};
  }
  return {"Ban removed", {}, false};
}

CommandResult World::Execute(std::string_view command, int64_t now) {
  std::string_view args = command;
  const std::string_view word = TakeWord(&args);
  if (EqualsNoCase(word, "version")) return {"1.218", {}, false};
  if (EqualsNoCase(word, "players")) return {PlayersReply(), {}, false};
  if (EqualsNoCase(word, "bans")) return {BansReply(now), {}, false};
  if (EqualsNoCase(word, "kick")) return Kick(args);
  if (EqualsNoCase(word, "ban")) return BanPlayer(args, now);
  if (EqualsNoCase(word, "removeBan")) return RemoveBan(args, now);
  if (EqualsNoCase(word, "addBan")) return AddBan(args, now);
  if (EqualsNoCase(word, "maxping")) {
    if (args.empty()) return {std::to_string(maxPing_), {}, false};
    const int64_t value = ParseCount(TakeWord(&args));
    if (value <= 0 || value > 100000) return {"Invalid value", {}, false};
    maxPing_ = static_cast<int>(value);
    return {"MaxPing set to " + std::to_string(maxPing_), {}, false};
  }
  if (EqualsNoCase(word, "#lock")) {
    locked_ = true;
    return {"Server locked", {}, false};
  }
  if (EqualsNoCase(word, "#unlock")) {
    locked_ = false;
    return {"Server unlocked", {}, false};
  }
  if (EqualsNoCase(word, "#restart")) return {"Mission restarting", {}, false};
  if (EqualsNoCase(word, "#reassign")) return {"Players reassigned", {}, false};
  if (EqualsNoCase(word, "#shutdown")) return {"Server shutting down", {}, true};
  if (EqualsNoCase(word, "say")) return Say(args);
  return {"Unknown command", {}, false};
}

void World::SetStatusSetting(const std::string& key, const std::string& value, bool drop) {
  std::erase_if(settingChanges_, [&](const SettingChange& change) { return change.key == key; });
  settingChanges_.push_back({key, value, drop});
}

std::vector<uint8_t> World::StatusReply(const uint8_t id[4], size_t maxLength) {
  std::vector<uint8_t> out = {0x00, id[0], id[1], id[2], id[3]};
  const std::string settings[][2] = {
      {"hostname", "Démo Server | Quorvel test bed"},
      {"gamever", "1.18.125402"},
      {"mapname", "Chernarus"},
      {"gametype", "COOP"},
      {"numplayers", std::to_string(players_.size())},
      {"maxplayers", "256"},
      {"mission", "Demo Patrol Ops"},
      {"difficulty", "2"},
      {"language", "1033"},
      {"password", locked_ ? "1" : "0"},
      {"platform", "win"},
      {"dedicated", "1"},
      {"mod", "CA;Expansion;@cba"},
      {"equalModRequired", "0"},
      {"verifySignatures", "2"},
      {"signatures", "bi;cba"},
      {"currentVersion", "118"},
      {"requiredVersion", "118"},
      {"sv_battleye", "1"},
      {"timelimit", "60"},
  };
  auto changeOf = [this](const std::string& key) -> const SettingChange* {
    for (const SettingChange& change : settingChanges_)
      if (change.key == key) return &change;
    return nullptr;
  };
  for (const auto& kv : settings) {
    const SettingChange* change = changeOf(kv[0]);
    if (change && change->drop) continue;
    PutString(&out, kv[0]);
    PutString(&out, change ? change->value : kv[1]);
  }
  for (const SettingChange& change : settingChanges_) {
    const bool known = std::any_of(std::begin(settings), std::end(settings),
                                   [&](const auto& kv) { return kv[0] == change.key; });
    if (known || change.drop) continue;
    PutString(&out, change.key);
    PutString(&out, change.value);
  }
  PutString(&out, "");  // the empty key that ends the settings
  PutPlayerSection(&out, maxLength);
  PutTeamSection(&out, maxLength);
  return out;
}

// The GameSpy 2 player section: a zero byte, one byte with the number of
// players, the field names (each ending in "_"), an empty string, then each
// player's values in the order of the names. Players that do not fit are left out of
// the count as well. Scores move a little between queries, as in a running
// game.
void World::PutPlayerSection(std::vector<uint8_t>* out, size_t maxLength) {
  static const char* const kFields[] = {"player_", "team_", "score_", "deaths_"};
  std::vector<std::array<std::string, 4>> values;
  size_t length = out->size() + 3;  // the zero byte, the count byte and the empty string
  for (const char* field : kFields) length += std::strlen(field) + 1;
  for (Player& p : players_) {
    if (values.size() == 255) break;
    if (Random(0, 2) == 0) p.score += Random(1, 3);
    if (Random(0, 5) == 0) p.deaths += 1;
    std::array<std::string, 4> player{p.name, p.team, std::to_string(p.score), std::to_string(p.deaths)};
    size_t size = 0;
    for (const std::string& value : player) size += value.size() + 1;
    if (length + size > maxLength) break;
    length += size;
    values.push_back(std::move(player));
  }
  out->push_back(0);
  out->push_back(static_cast<uint8_t>(values.size()));
  for (const char* field : kFields) PutString(out, field);
  PutString(out, "");
  for (const auto& player : values) {
    for (const std::string& value : player) PutString(out, value);
  }
}

// The team section in the same shape, when it fits whole.
void World::PutTeamSection(std::vector<uint8_t>* out, size_t maxLength) {
  std::vector<std::string> teams;
  for (const Player& p : players_) {
    if (std::find(teams.begin(), teams.end(), p.team) == teams.end()) teams.push_back(p.team);
  }
  std::vector<uint8_t> section = {0, static_cast<uint8_t>(std::min<size_t>(teams.size(), 255))};
  PutString(&section, "team_t");
  PutString(&section, "score_t");
  PutString(&section, "");
  for (size_t i = 0; i < teams.size() && i < 255; ++i) {
    int score = 0;
    for (const Player& p : players_) score += p.team == teams[i] ? p.score : 0;
    PutString(&section, teams[i]);
    PutString(&section, std::to_string(score));
  }
  if (out->size() + section.size() <= maxLength) out->insert(out->end(), section.begin(), section.end());
}

}  // namespace demo
