#include "tools/demo-server/server.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <numeric>

#include "net/framing.h"

namespace demo {
namespace {

constexpr size_t kMaxDatagram = 65536;
constexpr int kMaxResends = 5;
constexpr int kPollMs = 20;

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

uint64_t KeyOf(const sockaddr_in& a) {
  return static_cast<uint64_t>(ntohl(a.sin_addr.s_addr)) << 16 | ntohs(a.sin_port);
}

// One log line per datagram, so control bytes (line feeds in replies,
// anything a broken client sends) are written as escapes.
std::string Printable(const uint8_t* data, size_t length) {
  std::string out;
  char hex[8];
  for (size_t i = 0; i < length; ++i) {
    const uint8_t c = data[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

Server::Server(const Options& options)
    : options_(options),
      world_(options.players, options.bans, options.seed, static_cast<int64_t>(std::time(nullptr))),
      receiveBuffer_(kMaxDatagram),
      sendBuffer_(kMaxDatagram + 16),
      scratch_(kMaxDatagram + 16),
      query_(QueryInfoFrom(options.settings), options.seed, options.shufflePartOrder) {
  world_.KeepSteady(options.steadyFirst, options.steadyLast);
  for (const std::string& setting : options.settings) {
    const size_t equals = setting.find('=');
    if (equals == std::string::npos) {
      world_.SetStatusSetting(setting, "", true);
    } else {
      world_.SetStatusSetting(setting.substr(0, equals), setting.substr(equals + 1), false);
    }
  }
}

Server::~Server() {
  if (socket_ >= 0) close(socket_);
  if (querySocket_ >= 0) close(querySocket_);
  if (log_) std::fclose(log_);
}

bool Server::Open() {
  if (!options_.logPath.empty()) {
    log_ = std::fopen(options_.logPath.c_str(), "a");
    if (!log_) {
      std::fprintf(stderr, "demo-server: cannot open log file %s: %s\n", options_.logPath.c_str(), std::strerror(errno));
      return false;
    }
  }
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket_ < 0) {
    std::fprintf(stderr, "demo-server: socket: %s\n", std::strerror(errno));
    return false;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(options_.port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::fprintf(stderr, "demo-server: cannot bind 127.0.0.1:%d: %s\n", options_.port, std::strerror(errno));
    return false;
  }
  socklen_t size = sizeof address;
  getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
  port_ = ntohs(address.sin_port);
  return options_.queryPort < 0 || OpenQuery();
}

void Server::Run(const volatile sig_atomic_t* stop, volatile sig_atomic_t* joinBurst,
                 volatile sig_atomic_t* leaveBurst, volatile sig_atomic_t* push) {
  const int64_t start = NowMs();
  nextEventMs_ = start + options_.chatIntervalMs;
  while (!*stop) {
    const int64_t now = NowMs();
    if (options_.durationMs > 0 && now - start >= options_.durationMs) break;
    if (joinBurst && *joinBurst) {
      *joinBurst = 0;
      Schedule(world_.JoinBurst(options_.burst), now);
    }
    if (leaveBurst && *leaveBurst) {
      *leaveBurst = 0;
      Schedule(world_.LeaveBurst(options_.burst), now);
    }
    pollfd fds[2] = {{socket_, POLLIN, 0}, {querySocket_, POLLIN, 0}};
    const int ready = poll(fds, querySocket_ >= 0 ? 2 : 1, kPollMs);
    if (ready > 0 && (fds[0].revents & POLLIN)) Receive(NowMs());
    if (ready > 0 && querySocket_ >= 0 && (fds[1].revents & POLLIN)) ReceiveQuery(NowMs());
    if (push != nullptr && *push != 0) {
      *push = 0;
      if (!options_.silent) Broadcast({"(Global) Admin: Is everyone there?"}, NowMs());
    }
    if (!options_.silent) Timers(NowMs());
  }
}

void Server::Receive(int64_t nowMs) {
  sockaddr_in from{};
  socklen_t size = sizeof from;
  const ssize_t n = recvfrom(socket_, receiveBuffer_.data(), receiveBuffer_.size(), 0,
                             reinterpret_cast<sockaddr*>(&from), &size);
  if (n < 0) return;
  Handle(receiveBuffer_.data(), static_cast<size_t>(n), from, nowMs);
}

void Server::Log(const std::string& line) {
  if (!log_) return;
  std::fputs(line.c_str(), log_);
  std::fputc('\n', log_);
  // Tests read the log while the server runs.
  std::fflush(log_);
}

void Server::Handle(const uint8_t* data, size_t length, const sockaddr_in& from, int64_t nowMs) {
  if (length >= 3 && data[0] == rcon::kStatusQuery[0] && data[1] == rcon::kStatusQuery[1] &&
      data[2] == rcon::kStatusQuery[2]) {
    Log("RECV status-query");
    if (!options_.silent && !options_.noStatus) HandleStatusQuery(data, length, from);
    return;
  }
  rcon::FrameView frame;
  if (!rcon::ReadFrame(data, length, &frame)) {
    Log("RECV other " + std::to_string(length));
    return;
  }
  if (!frame.checksumValid) {
    // A real server drops these; so do we, so a client's bad checksum shows.
    Log("RECV bad-checksum " + Printable(data, length));
    return;
  }
  const uint8_t type = frame.type;
  if (type == rcon::kTypeLogin) {
    Log("RECV 0 - " + Printable(data + 8, length > 8 ? length - 8 : 0));
  } else if (type == rcon::kTypeServerMessage && length == 9) {
    Log("ACK " + std::to_string(frame.sequence));
  } else {
    Log("RECV " + std::to_string(type) + " " + (length > 8 ? std::to_string(frame.sequence) : "-") + " " +
        Printable(frame.payload, frame.payloadLength));
  }
  if (options_.silent) return;

  const uint64_t key = KeyOf(from);
  if (type == rcon::kTypeLogin) {
    Session& session = sessions_[key];
    session.address = from;
    session.lastHeardMs = nowMs;
    HandleLogin(session, data, length);
    return;
  }
  auto it = sessions_.find(key);
  if (it == sessions_.end() || !it->second.loggedIn || length < 9) return;
  it->second.lastHeardMs = nowMs;
  if (type == rcon::kTypeCommand) {
    HandleCommand(key, frame.sequence,
                  std::string(reinterpret_cast<const char*>(frame.payload), frame.payloadLength), nowMs);
  } else if (type == rcon::kTypeServerMessage) {
    HandleAck(it->second, frame.sequence);
  }
}

void Server::HandleLogin(Session& session, const uint8_t* data, size_t length) {
  const std::string password(reinterpret_cast<const char*>(data + 8), length - 8);
  const bool accepted = !options_.refuseLogin && password == options_.password;
  // A new login starts the session afresh: old unacknowledged messages
  // belong to the previous one.
  session.loggedIn = accepted;
  session.unacknowledged.clear();
  const uint8_t result = accepted ? 1 : 0;
  SendFramed(session.address, rcon::kTypeLogin, result, nullptr, 0);
}

void Server::HandleCommand(uint64_t key, uint8_t sequence, std::string command, int64_t nowMs) {
  Session& session = sessions_[key];
  if (command.empty()) {  // keep-alive
    SendFramed(session.address, rcon::kTypeCommand, sequence, nullptr, 0);
    return;
  }
  const CommandResult result = world_.Execute(command, static_cast<int64_t>(std::time(nullptr)));
  SendReply(session, sequence, result.reply);
  if (command == "players") WritePlayersFile();
  if (result.endsSession) sessions_.erase(key);
  Broadcast(result.messages, nowMs);
}

void Server::HandleAck(Session& session, uint8_t sequence) {
  std::erase_if(session.unacknowledged, [sequence](const Pushed& p) { return p.sequence == sequence; });
}

void Server::HandleStatusQuery(const uint8_t* data, size_t length, const sockaddr_in& from) {
  if (length < 7) return;
  // Kept within what a client's 8192-byte receive buffer holds.
  const std::vector<uint8_t> reply = world_.StatusReply(data + 3, rcon::kDatagramBufferSize);
  SendRaw(from, reply.data(), reply.size());
  WritePlayersFile();
}

// The rows a client should show now, for end-to-end tests to compare with.
// Written whole to a new file and renamed, so a reader never sees half.
void Server::WritePlayersFile() {
  if (options_.playersFile.empty()) return;
  const std::string part = options_.playersFile + ".part";
  FILE* file = std::fopen(part.c_str(), "w");
  if (file == nullptr) return;
  for (const Player& p : world_.players()) {
    std::fprintf(file, "%s\t%d\t%d\t%s\t%d\t%s\t%s(OK)\n", p.name.c_str(), p.score, p.deaths, p.team.c_str(), p.ping,
                 p.address.c_str(), p.guid.c_str());
  }
  std::fclose(file);
  std::rename(part.c_str(), options_.playersFile.c_str());
}

void Server::SendReply(const Session& session, uint8_t sequence, const std::string& text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const size_t limit = static_cast<size_t>(options_.partSize);
  if (text.size() <= limit) {
    SendFramed(session.address, rcon::kTypeCommand, sequence, bytes, text.size());
    return;
  }
  // Each part carries 0x00, the part count and its index before its slice;
  // the count is one byte, so very long texts get larger slices.
  size_t slice = limit - 3;
  slice = std::max(slice, (text.size() + 254) / 255);
  const size_t count = (text.size() + slice - 1) / slice;
  std::vector<size_t> order(count);
  std::iota(order.begin(), order.end(), 0);
  if (options_.shufflePartOrder) {
    for (size_t i = count - 1; i > 0; --i) {
      shuffleState_ = shuffleState_ * 1664525u + 1013904223u;
      std::swap(order[i], order[(shuffleState_ >> 8) % (i + 1)]);
    }
    // A shuffle that happens to keep the order would test nothing.
    if (std::is_sorted(order.begin(), order.end())) std::reverse(order.begin(), order.end());
  }
  std::vector<uint8_t> part(slice + 3);
  for (size_t index : order) {
    const size_t begin = index * slice;
    const size_t n = std::min(slice, text.size() - begin);
    part[0] = 0x00;
    part[1] = static_cast<uint8_t>(count);
    part[2] = static_cast<uint8_t>(index);
    std::memcpy(part.data() + 3, bytes + begin, n);
    SendFramed(session.address, rcon::kTypeCommand, sequence, part.data(), n + 3);
  }
}

void Server::Broadcast(const std::vector<std::string>& messages, int64_t nowMs) {
  for (const std::string& text : messages) {
    for (auto& [key, session] : sessions_) {
      if (!session.loggedIn) continue;
      Pushed pushed;
      pushed.sequence = session.nextMessage++;
      pushed.text = text;
      pushed.lastSentMs = nowMs;
      // After 256 unanswered messages the number comes round again; the old
      // one can no longer be told apart, so it is given up.
      HandleAck(session, pushed.sequence);
      SendFramed(session.address, rcon::kTypeServerMessage, pushed.sequence,
                 reinterpret_cast<const uint8_t*>(text.data()), text.size());
      session.unacknowledged.push_back(std::move(pushed));
    }
  }
}

void Server::Schedule(const std::vector<TimedMessage>& messages, int64_t nowMs) {
  for (const TimedMessage& m : messages) {
    if (m.delayMs <= 0) {
      Broadcast({m.text}, nowMs);
    } else {
      scheduled_.emplace(nowMs + m.delayMs, m);
    }
  }
}

void Server::Timers(int64_t nowMs) {
  if (options_.chatIntervalMs > 0 && nowMs >= nextEventMs_) {
    nextEventMs_ = nowMs + options_.chatIntervalMs;
    Schedule(world_.NextEvent(), nowMs);
  }
  while (!scheduled_.empty() && scheduled_.begin()->first <= nowMs) {
    const TimedMessage& m = scheduled_.begin()->second;
    if (m.whileGuidOn.empty() || world_.HasPlayerWithGuid(m.whileGuidOn)) Broadcast({m.text}, nowMs);
    scheduled_.erase(scheduled_.begin());
  }
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    Session& session = it->second;
    if (nowMs - session.lastHeardMs > options_.clientTimeoutMs) {
      it = sessions_.erase(it);
      continue;
    }
    for (auto p = session.unacknowledged.begin(); p != session.unacknowledged.end();) {
      if (nowMs - p->lastSentMs < options_.resendIntervalMs) {
        ++p;
      } else if (p->resends >= kMaxResends) {
        p = session.unacknowledged.erase(p);
      } else {
        ++p->resends;
        p->lastSentMs = nowMs;
        SendFramed(session.address, rcon::kTypeServerMessage, p->sequence,
                   reinterpret_cast<const uint8_t*>(p->text.data()), p->text.size());
        ++p;
      }
    }
    ++it;
  }
}

void Server::SendFramed(const sockaddr_in& to, uint8_t type, int sequence, const uint8_t* payload, size_t length) {
  const int n = rcon::FrameDatagram(sendBuffer_.data(), sendBuffer_.size(), scratch_.data(), scratch_.size(), type,
                                    sequence, payload, length);
  if (n > 0) SendRaw(to, sendBuffer_.data(), static_cast<size_t>(n));
}

void Server::SendRaw(const sockaddr_in& to, const uint8_t* data, size_t length) {
  // Loopback only; a lost datagram is the client's problem, as on the Internet.
  sendto(socket_, data, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

}  // namespace demo
