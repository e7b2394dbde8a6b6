// The demo server's protocol side: one UDP socket on 127.0.0.1 answering
// the remote console and the status query, with a session per client
// address. Single-threaded: Run() polls the socket with a short timeout and
// does its timed work (pushed messages, resends, forgetting idle clients)
// between datagrams.
#pragma once

#include <netinet/in.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tools/demo-server/query.h"
#include "tools/demo-server/world.h"

namespace demo {

struct Options {
  int port = 0;
  std::string password = "demo";
  int players = 12;
  int bans = 5;
  int chatIntervalMs = 15000;
  // Players joining on SIGUSR1, and leaving again on SIGUSR2.
  int burst = 10;
  bool refuseLogin = false;
  bool silent = false;
  // Never answers the status query, as a remote console on a port of its own.
  bool noStatus = false;
  std::string logPath;
  int partSize = 1000;
  bool shufflePartOrder = false;
  int64_t durationMs = 0;
  int resendIntervalMs = 2000;
  int clientTimeoutMs = 45000;
  uint32_t seed = 1;
  // The Steam query's port: -1 none, 0 any free one.
  int queryPort = -1;
  // Status reply settings: "KEY=VALUE" replaces or adds one, "KEY" leaves it out.
  std::vector<std::string> settings;
  // Where the players are written as a client should show them; none: nowhere.
  std::string playersFile;
  // Players with these numbers never leave in the server's own events.
  int steadyFirst = -1;
  int steadyLast = -1;
};

class Server {
 public:
  explicit Server(const Options& options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds 127.0.0.1:port (0 = any free one). False, with a message on
  // stderr, when that fails.
  bool Open();
  int port() const { return port_; }
  // The Steam query's port once open; 0 without one.
  int queryPort() const { return queryPort_; }

  // Serves until *stop becomes true or the duration runs out. A non-zero
  // *joinBurst or *leaveBurst (set by a signal handler) starts a burst of
  // joins or leaves, a non-zero *push sends a chat line to every client;
  // each is set back to zero.
  void Run(const volatile sig_atomic_t* stop, volatile sig_atomic_t* joinBurst = nullptr,
           volatile sig_atomic_t* leaveBurst = nullptr, volatile sig_atomic_t* push = nullptr);

 private:
  struct Pushed {
    uint8_t sequence = 0;
    std::string text;
    int64_t lastSentMs = 0;
    int resends = 0;
  };
  struct Session {
    sockaddr_in address{};
    bool loggedIn = false;
    int64_t lastHeardMs = 0;
    uint8_t nextMessage = 0;
    std::vector<Pushed> unacknowledged;
  };

  void Receive(int64_t nowMs);
  void Handle(const uint8_t* data, size_t length, const sockaddr_in& from, int64_t nowMs);
  void HandleLogin(Session& session, const uint8_t* data, size_t length);
  void HandleCommand(uint64_t key, uint8_t sequence, std::string command, int64_t nowMs);
  void HandleAck(Session& session, uint8_t sequence);
  void HandleStatusQuery(const uint8_t* data, size_t length, const sockaddr_in& from);
  void SendReply(const Session& session, uint8_t sequence, const std::string& text);
  void Broadcast(const std::vector<std::string>& messages, int64_t nowMs);
  // Sends the messages due now and keeps the rest for Timers().
  void Schedule(const std::vector<TimedMessage>& messages, int64_t nowMs);
  void SendFramed(const sockaddr_in& to, uint8_t type, int sequence, const uint8_t* payload, size_t length);
  void SendRaw(const sockaddr_in& to, const uint8_t* data, size_t length);
  void Timers(int64_t nowMs);
  void Log(const std::string& line);
  // query_socket.cpp: the Steam query's own socket.
  bool OpenQuery();
  void ReceiveQuery(int64_t nowMs);
  void WritePlayersFile();

  Options options_;
  World world_;
  int socket_ = -1;
  int port_ = 0;
  FILE* log_ = nullptr;
  std::map<uint64_t, Session> sessions_;  // keyed by address and port
  int64_t nextEventMs_ = 0;
  std::multimap<int64_t, TimedMessage> scheduled_;  // by when they are due; ties in order given
  uint32_t shuffleState_ = 0x9E3779B9u;
  // Allocated once: the largest UDP datagram, and its framing scratch.
  std::vector<uint8_t> receiveBuffer_;
  std::vector<uint8_t> sendBuffer_;
  std::vector<uint8_t> scratch_;
  int querySocket_ = -1;
  int queryPort_ = 0;
  QueryResponder query_;
};

}  // namespace demo
