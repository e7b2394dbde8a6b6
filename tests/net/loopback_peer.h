// A server stand-in for protocol tests: a UDP socket on 127.0.0.1 that
// records every datagram the client sends and answers logins by itself (the
// client's login wait holds the test's thread, so someone else must answer).
// Everything else the test sends explicitly, to the client's address as the
// peer last saw it.
#pragma once

#include "platform/platform.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using Bytes = std::vector<uint8_t>;

class LoopbackPeer {
 public:
  enum class LoginMode { Accept, Refuse, Silent };

  explicit LoopbackPeer(LoginMode mode = LoginMode::Accept);
  // A server on a multi-homed host: it receives on `listenAddress` (host
  // byte order, another 127/8 address) and answers from `answerAddress`
  // on the same port, as a server bound to all addresses answers from the
  // one its system picks (or as a stranger on another address would).
  LoopbackPeer(LoginMode mode, uint32_t listenAddress, uint32_t answerAddress = 0x7F000001);
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  bool ok() const { return socket_ != kNoSocket; }
  uint16_t Port() const { return port_; }
  void SetLoginMode(LoginMode mode) { mode_ = mode; }

  // Every datagram received so far, in order of arrival.
  std::vector<Bytes> Received();
  size_t ReceivedCount();
  // Waits (real time, bounded) until at least `count` datagrams are in.
  bool WaitForCount(size_t count, int timeoutMs = 3000);
  void ClearReceived();

  // The client's address as seen on its last datagram.
  platform::Endpoint Client();
  void SendToClient(const Bytes& datagram);
  // The same, but from a socket that is not the server's.
  void SendToClientFromElsewhere(const Bytes& datagram);

 private:
  static constexpr intptr_t kNoSocket = -1;
  void Run();

  intptr_t socket_ = kNoSocket;
  intptr_t answer_ = kNoSocket;  // where everything is sent from
  uint16_t port_ = 0;
  std::atomic<LoginMode> mode_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Bytes> received_;
  platform::Endpoint client_;
  std::thread thread_;
};

// Server-side datagrams, framed with the real checksum.
Bytes ServerFrame(uint8_t type, int sequence, std::string_view payload);
// One part of a reply split over `count` datagrams.
Bytes ServerPart(uint8_t sequence, uint8_t count, uint8_t index, std::string_view payload);
Bytes AsBytes(std::string_view text);
// The text of a command datagram the client sent (from byte 9).
std::string CommandText(const Bytes& datagram);
