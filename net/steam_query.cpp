// The Steam query of one session; see steam_query.h.
#include "net/steam_query.h"

#include "net/arma3_tags.h"

#include <algorithm>
#include <unordered_map>

namespace a2s {
namespace {

// On the wrapping millisecond clock.
bool Reached(uint32_t now, uint32_t deadline) { return static_cast<int32_t>(now - deadline) >= 0; }

void Earliest(std::optional<uint32_t>& best, uint32_t candidate) {
  if (!best || static_cast<int32_t>(candidate - *best) < 0) best = candidate;
}

// The game's own language numbers, as its servers send them in the "g" tag.
// Only the one every server seen so far sends is named; any other shows its
// number, which is still more than an empty row.
std::string LanguageText(uint32_t language) {
  if (language == 65545) return "English";
  return std::to_string(language);
}

}  // namespace

std::vector<uint16_t> ProbePorts(uint16_t consolePort) {
  std::vector<uint16_t> ports;
  const int console = consolePort;
  for (const int port : {console - 3, console - 2, console + 1, 2303, 27016}) {
    if (port < 1 || port > 65535 || port == console) continue;
    const auto value = static_cast<uint16_t>(port);
    if (std::find(ports.begin(), ports.end(), value) == ports.end()) ports.push_back(value);
  }
  return ports;
}

void SteamQuerySession::Begin(uint16_t consolePort, uint16_t manualPort, uint16_t rememberedPort) {
  End();
  active_ = true;
  consolePort_ = consolePort;
  if (manualPort != 0) {
    port_ = manualPort;
    source_ = PortSource::Manual;
  } else if (rememberedPort != 0) {
    port_ = rememberedPort;
    source_ = PortSource::Remembered;
  }
}

void SteamQuerySession::End() {
  active_ = false;
  consolePort_ = 0;
  port_ = 0;
  source_ = PortSource::None;
  portAnswered_ = false;
  statusAnswered_ = false;
  searched_ = false;
  searchAt_.reset();
  current_ = Query{};
  queue_.clear();
  probes_.clear();
  info_.reset();
  players_.reset();
  infoChanged_ = false;
  playersChanged_ = false;
  foundPort_ = 0;
  sends_.clear();
  notices_.clear();
}

void SteamQuerySession::PlayerListArrived(uint32_t now) {
  if (!active_) return;
  if (port_ != 0) {
    // The players first: their scores and times are what a refresh is for.
    Ask(QueryKind::Players, now);
    Ask(QueryKind::Info, now);
  } else if (!statusAnswered_ && !searched_ && probes_.empty() && !searchAt_) {
    searchAt_ = now + kProbeDelayMs;
  }
}

void SteamQuerySession::StatusReplyArrived() {
  if (!active_) return;
  statusAnswered_ = true;
  searchAt_.reset();
  // A search under way goes on: a server may answer both, and the Steam
  // answers add the time played.
}

void SteamQuerySession::Ask(QueryKind kind, uint32_t now) {
  const bool inFlight = current_.state() == QueryState::Waiting && current_.kind() == kind;
  if (inFlight || std::find(queue_.begin(), queue_.end(), kind) != queue_.end()) return;
  queue_.push_back(kind);
  StartNext(now);
}

// One exchange at a time on the query port: the challenge answer (41) does
// not say which request it is for, so two exchanges waiting at once could
// each take the other's.
void SteamQuerySession::StartNext(uint32_t now) {
  if (current_.state() == QueryState::Waiting || queue_.empty() || port_ == 0) return;
  const QueryKind kind = queue_.front();
  queue_.pop_front();
  Send(port_, current_.Start(kind, now));
}

void SteamQuerySession::Send(uint16_t port, std::vector<uint8_t> bytes) {
  if (!bytes.empty()) sends_.push_back(Datagram{port, std::move(bytes)});
}

void SteamQuerySession::TakeAnswer(const Query& query) {
  const std::vector<uint8_t>& answer = query.answer();
  if (query.kind() == QueryKind::Info) {
    ServerInfo info;
    if (ReadInfoAnswer(answer.data(), answer.size(), &info) != ReadResult::Ok) return;
    if (info_ && *info_ == info) return;
    info_ = std::move(info);
    infoChanged_ = true;
    return;
  }
  // A cut answer shows nobody rather than some of the players with others
  // missing; the last whole list stays.
  if (ReadPlayerAnswer(answer.data(), answer.size(), &scratch_) != ReadResult::Ok) return;
  if (players_ && players_->size() == scratch_.size() &&
      std::equal(scratch_.begin(), scratch_.end(), players_->begin(), [](const Player& a, const Player& b) {
        return a.name == b.name && a.score == b.score && a.duration == b.duration;
      })) {
    return;
  }
  if (!players_) players_.emplace();
  players_->swap(scratch_);
  playersChanged_ = true;
}

void SteamQuerySession::Finished(uint32_t now) {
  std::string notice = current_.TakeNotice();
  if (!notice.empty()) notices_.push_back(std::move(notice));
  if (current_.state() == QueryState::Failed && source_ == PortSource::Remembered && !portAnswered_) {
    // The server has moved its query port since: look again, as if none
    // had been remembered.
    notices_.push_back("The remembered Steam query port " + std::to_string(port_) + " did not answer.");
    port_ = 0;
    source_ = PortSource::None;
    queue_.clear();
    if (!statusAnswered_ && !searched_) searchAt_ = now;
    return;
  }
  StartNext(now);
}

void SteamQuerySession::StartSearch(uint32_t now) {
  searched_ = true;
  for (const uint16_t port : ProbePorts(consolePort_)) {
    probes_.push_back(Probe{port, Query{}});
    Send(port, probes_.back().query.Start(QueryKind::Info, now));
  }
}

void SteamQuerySession::EndSearch() { probes_.clear(); }

bool SteamQuerySession::Receive(uint16_t port, const uint8_t* data, size_t length, uint32_t now) {
  if (!active_ || port == 0) return false;
  std::vector<uint8_t> send;

  for (Probe& probe : probes_) {
    if (probe.port != port || probe.query.state() != QueryState::Waiting) continue;
    const QueryState state = probe.query.Receive(data, length, now, &send);
    Send(port, std::move(send));
    if (state != QueryState::Answered) return true;
    ServerInfo info;
    const std::vector<uint8_t>& answer = probe.query.answer();
    if (ReadInfoAnswer(answer.data(), answer.size(), &info) != ReadResult::Ok) return true;
    TakeAnswer(probe.query);
    port_ = port;
    source_ = PortSource::Found;
    portAnswered_ = true;
    foundPort_ = port;
    notices_.push_back("Steam query port found: " + std::to_string(port) + ".");
    EndSearch();
    // The player list that started the search is two seconds old at most.
    Ask(QueryKind::Players, now);
    return true;
  }

  if (port != port_ || current_.state() != QueryState::Waiting) return false;
  const QueryState state = current_.Receive(data, length, now, &send);
  Send(port, std::move(send));
  if (state == QueryState::Answered) {
    portAnswered_ = true;
    TakeAnswer(current_);
  }
  if (state != QueryState::Waiting) Finished(now);
  return true;
}

void SteamQuerySession::Tick(uint32_t now) {
  if (!active_) return;
  if (current_.state() == QueryState::Waiting && current_.Tick(now) == QueryState::Failed) Finished(now);

  if (!probes_.empty()) {
    bool waiting = false;
    for (Probe& probe : probes_) waiting = probe.query.Tick(now) == QueryState::Waiting || waiting;
    if (!waiting) {
      std::string tried;
      for (const Probe& probe : probes_) tried += (tried.empty() ? "" : ", ") + std::to_string(probe.port);
      notices_.push_back("No Steam query port answered (asked " + tried +
                         "); set the query port in the Connect dialog to read scores, times and the server's "
                         "information.");
      EndSearch();
    }
  }

  if (searchAt_ && Reached(now, *searchAt_)) {
    searchAt_.reset();
    if (port_ == 0 && !statusAnswered_ && !searched_) StartSearch(now);
  }
}

std::optional<uint32_t> SteamQuerySession::NextDeadline() const {
  std::optional<uint32_t> next;
  if (!active_) return next;
  if (current_.state() == QueryState::Waiting) Earliest(next, current_.deadline());
  for (const Probe& probe : probes_) {
    if (probe.query.state() == QueryState::Waiting) Earliest(next, probe.query.deadline());
  }
  if (searchAt_) Earliest(next, *searchAt_);
  return next;
}

std::vector<Datagram> SteamQuerySession::TakeSends() { return std::exchange(sends_, {}); }

bool SteamQuerySession::TakeInfoChanged() { return std::exchange(infoChanged_, false); }

bool SteamQuerySession::TakePlayersChanged() { return std::exchange(playersChanged_, false); }

uint16_t SteamQuerySession::TakeFoundPort() { return std::exchange(foundPort_, 0); }

std::vector<std::string> SteamQuerySession::TakeNotices() { return std::exchange(notices_, {}); }

std::vector<int> JoinByName(const std::vector<std::string_view>& consoleNames, const std::vector<Player>& steam) {
  std::vector<int> joined(consoleNames.size(), -1);
  // Name -> the console players of that name not yet joined, in list order.
  std::unordered_map<std::string_view, std::deque<size_t>> unjoined;
  for (size_t i = 0; i < consoleNames.size(); ++i) unjoined[consoleNames[i]].push_back(i);
  for (size_t j = 0; j < steam.size(); ++j) {
    const auto found = unjoined.find(steam[j].name);
    if (found == unjoined.end() || found->second.empty()) continue;
    joined[found->second.front()] = static_cast<int>(j);
    found->second.pop_front();
  }
  return joined;
}

std::string PlayersOfMax(int players, int maxPlayers) {
  return std::to_string(players) + " / " + std::to_string(maxPlayers);
}

std::vector<std::pair<std::string, std::string>> InfoRowValues(const ServerInfo& info) {
  std::vector<std::pair<std::string, std::string>> rows;
  const auto put = [&rows](const char* key, std::string value) {
    if (!value.empty()) rows.emplace_back(key, std::move(value));
  };
  put("hostname", info.name);
  put("mapname", info.map);
  put("mission", info.game);
  put("players", PlayersOfMax(info.players, info.maxPlayers));
  put("maxplayers", std::to_string(info.maxPlayers));
  put("gamever", info.version);
  put("dedicated", info.serverType == 'd' ? "Yes" : info.serverType != 0 ? "No" : "");
  const char* environment = info.environment == 'w'   ? "Windows"
                            : info.environment == 'l' ? "Linux"
                            : info.environment == 'm' || info.environment == 'o' ? "macOS"
                                                                                 : "";
  put("password", info.password ? "Yes" : "No");

  Arma3Tags tags;
  if (!info.keywords || !ReadArma3Tags(*info.keywords, &tags)) {
    put("platform", environment);
    return rows;
  }
  put("platform", *environment != 0 ? environment : PlatformName(tags.platform));
  if (tags.difficulty) put("difficulty", DifficultyName(*tags.difficulty));
  put("gametype", tags.gameType);
  if (tags.language) put("language", LanguageText(*tags.language));
  if (tags.requiredVersion) put("requiredVersion", FormatRequiredVersion(*tags.requiredVersion));
  if (tags.verifySignatures) put("verifySignatures", std::to_string(*tags.verifySignatures));
  put("sv_battleye", YesNo(tags.battlEye));
  return rows;
}

}  // namespace a2s
