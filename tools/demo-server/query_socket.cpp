// The demo server's second socket: the Steam query port, beside the remote
// console's. Every datagram is logged ("QUERY info", "QUERY players",
// "QUERY other N") so that tests can see what a client asked.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/demo-server/server.h"

namespace demo {

bool Server::OpenQuery() {
  querySocket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (querySocket_ < 0) {
    std::fprintf(stderr, "demo-server: socket: %s\n", std::strerror(errno));
    return false;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(options_.queryPort));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(querySocket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::fprintf(stderr, "demo-server: cannot bind the query port 127.0.0.1:%d: %s\n", options_.queryPort,
                 std::strerror(errno));
    return false;
  }
  socklen_t size = sizeof address;
  getsockname(querySocket_, reinterpret_cast<sockaddr*>(&address), &size);
  queryPort_ = ntohs(address.sin_port);
  return true;
}

void Server::ReceiveQuery(int64_t nowMs) {
  sockaddr_in from{};
  socklen_t size = sizeof from;
  const ssize_t n = recvfrom(querySocket_, receiveBuffer_.data(), receiveBuffer_.size(), 0,
                             reinterpret_cast<sockaddr*>(&from), &size);
  if (n < 0) return;
  const auto length = static_cast<size_t>(n);
  const uint8_t* data = receiveBuffer_.data();
  const uint8_t type = length >= 5 ? data[4] : 0;
  Log(type == 0x54 ? "QUERY info" : type == 0x55 ? "QUERY players" : "QUERY other " + std::to_string(length));
  if (options_.silent) return;
  const uint64_t client = static_cast<uint64_t>(ntohl(from.sin_addr.s_addr)) << 16 | ntohs(from.sin_port);
  for (const auto& datagram : query_.Answer(data, length, client, world_, nowMs)) {
    sendto(querySocket_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&from), sizeof from);
  }
}

}  // namespace demo
