// The test-side UDP peer; see loopback_peer.h. Raw sockets on purpose: the
// product's platform layer has no bound sockets, and the peer must not share
// code with what it tests.
#include "tests/net/loopback_peer.h"

#include "net/framing.h"

#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
using SocketLength = int;
namespace {
void CloseRaw(intptr_t s) { closesocket(static_cast<SOCKET>(s)); }
struct WinsockUser {
  WinsockUser() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};
}  // namespace
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketLength = socklen_t;
namespace {
void CloseRaw(intptr_t s) { ::close(static_cast<int>(s)); }
struct WinsockUser {};
}  // namespace
#endif

namespace {

// `shared`: another socket may take the same port on another address (Wine
// refuses that without SO_REUSEADDR, though Linux and Windows allow it).
intptr_t OpenBound(uint16_t* port, uint32_t address = INADDR_LOOPBACK, uint16_t wantedPort = 0,
                   bool shared = false) {
  static WinsockUser winsock;
  (void)winsock;
  const auto s = static_cast<intptr_t>(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (s < 0) return -1;
  if (shared) {
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(address);
  local.sin_port = htons(wantedPort);
  if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    CloseRaw(s);
    return -1;
  }
  SocketLength length = sizeof local;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&local), &length);
  *port = ntohs(local.sin_port);
  return s;
}

void SendRaw(intptr_t s, platform::Endpoint to, const Bytes& datagram) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(to.address);
  address.sin_port = htons(to.port);
  ::sendto(s, reinterpret_cast<const char*>(datagram.data()), static_cast<int>(datagram.size()), 0,
           reinterpret_cast<sockaddr*>(&address), sizeof address);
}

}  // namespace

LoopbackPeer::LoopbackPeer(LoginMode mode) : mode_(mode) {
  socket_ = OpenBound(&port_);
  answer_ = socket_;
  if (socket_ != kNoSocket) thread_ = std::thread([this] { Run(); });
}

LoopbackPeer::LoopbackPeer(LoginMode mode, uint32_t listenAddress, uint32_t answerAddress) : mode_(mode) {
  socket_ = OpenBound(&port_, listenAddress, 0, true);
  if (socket_ == kNoSocket) return;
  uint16_t samePort = 0;
  answer_ = OpenBound(&samePort, answerAddress, port_, true);
  if (answer_ == kNoSocket) {
    CloseRaw(socket_);
    socket_ = kNoSocket;
    return;
  }
  thread_ = std::thread([this] { Run(); });
}

LoopbackPeer::~LoopbackPeer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (answer_ != kNoSocket && answer_ != socket_) CloseRaw(answer_);
  if (socket_ != kNoSocket) CloseRaw(socket_);
}

void LoopbackPeer::Run() {
  uint8_t buffer[65536];
  while (!stop_) {
    // A server bound to all its addresses hears on each of them: the
    // address it answers from too, where a client sends once it knows it.
    fd_set readSet;
    FD_ZERO(&readSet);
    FD_SET(socket_, &readSet);
    FD_SET(answer_, &readSet);
    timeval limit{0, 20000};
    const intptr_t highest = socket_ > answer_ ? socket_ : answer_;
    if (::select(static_cast<int>(highest + 1), &readSet, nullptr, nullptr, &limit) < 1) continue;
    const intptr_t ready = FD_ISSET(socket_, &readSet) ? socket_ : answer_;
    sockaddr_in sender{};
    SocketLength senderLength = sizeof sender;
    const int n = static_cast<int>(::recvfrom(ready, reinterpret_cast<char*>(buffer), sizeof buffer, 0,
                                              reinterpret_cast<sockaddr*>(&sender), &senderLength));
    if (n < 0) continue;
    const platform::Endpoint from{ntohl(sender.sin_addr.s_addr), ntohs(sender.sin_port)};
    Bytes datagram(buffer, buffer + n);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      received_.push_back(datagram);
      client_ = from;
    }
    arrived_.notify_all();
    if (n >= 8 && buffer[0] == 'B' && buffer[1] == 'E' && buffer[7] == rcon::kTypeLogin) {
      const LoginMode mode = mode_;
      if (mode != LoginMode::Silent) {
        SendRaw(answer_, from, ServerFrame(rcon::kTypeLogin, mode == LoginMode::Accept ? 1 : 0, {}));
      }
    }
  }
}

std::vector<Bytes> LoopbackPeer::Received() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

size_t LoopbackPeer::ReceivedCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_.size();
}

bool LoopbackPeer::WaitForCount(size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return received_.size() >= count; });
}

void LoopbackPeer::ClearReceived() {
  std::lock_guard<std::mutex> lock(mutex_);
  received_.clear();
}

platform::Endpoint LoopbackPeer::Client() {
  std::lock_guard<std::mutex> lock(mutex_);
  return client_;
}

void LoopbackPeer::SendToClient(const Bytes& datagram) { SendRaw(answer_, Client(), datagram); }

void LoopbackPeer::SendToClientFromElsewhere(const Bytes& datagram) {
  uint16_t otherPort = 0;
  const intptr_t other = OpenBound(&otherPort);
  if (other == kNoSocket) return;
  SendRaw(other, Client(), datagram);
  CloseRaw(other);
}

Bytes ServerFrame(uint8_t type, int sequence, std::string_view payload) {
  Bytes out(9 + payload.size() + 16);
  uint8_t scratch[8192];
  const int n = rcon::FrameDatagram(out.data(), out.size(), scratch, sizeof scratch, type, sequence,
                                    reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
  out.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return out;
}

Bytes ServerPart(uint8_t sequence, uint8_t count, uint8_t index, std::string_view payload) {
  std::string body;
  body.push_back('\0');
  body.push_back(static_cast<char>(count));
  body.push_back(static_cast<char>(index));
  body.append(payload);
  return ServerFrame(rcon::kTypeCommand, sequence, body);
}

Bytes AsBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::string CommandText(const Bytes& datagram) {
  if (datagram.size() <= 9) return {};
  return std::string(datagram.begin() + 9, datagram.end());
}
