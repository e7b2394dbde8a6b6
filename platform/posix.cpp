// POSIX side of the platform layer: BSD sockets, clock_gettime, and
// Windows-1252 standing in for the ANSI code page, so that the protocol
// client behaves on Linux as it does under a Western European Windows.
#include "platform/platform.h"
#include "platform/language_names.h"
#include "platform/text_utf8.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <new>

namespace platform {

struct UdpSocket {
  int fd = -1;
  sockaddr_in server{};
  fd_set readSet;
};

bool SocketsStartup() { return true; }
void SocketsCleanup() {}

UdpSocket* UdpOpen(std::string_view ansiHost, uint16_t port) {
  const std::string host(ansiHost);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return nullptr;
  sockaddr_in server{};
  std::memcpy(&server, found->ai_addr, sizeof server);
  freeaddrinfo(found);
  server.sin_family = AF_INET;
  server.sin_port = htons(port);

  const int fd = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (fd < 0) return nullptr;
  auto* s = new (std::nothrow) UdpSocket;
  if (s == nullptr) {
    ::close(fd);
    return nullptr;
  }
  // Best effort: a smaller buffer than asked is still the largest we may have.
  const int wanted = kReceiveBufferBytes;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
  s->fd = fd;
  s->server = server;
  UdpResetReadSet(s);
  return s;
}

void UdpClose(UdpSocket* s) {
  if (s == nullptr) return;
  ::shutdown(s->fd, SHUT_RDWR);
  ::close(s->fd);
  delete s;
}

Endpoint UdpServer(const UdpSocket* s) {
  return {ntohl(s->server.sin_addr.s_addr), ntohs(s->server.sin_port)};
}

int UdpReceiveBufferSize(const UdpSocket* s) {
  int size = 0;
  socklen_t length = sizeof size;
  if (::getsockopt(s->fd, SOL_SOCKET, SO_RCVBUF, &size, &length) != 0) return -1;
  return size;
}

void UdpResetReadSet(UdpSocket* s) {
  FD_ZERO(&s->readSet);
  FD_SET(s->fd, &s->readSet);
}

int UdpPoll(UdpSocket* s, uint32_t timeoutMs) {
  timeval limit{static_cast<time_t>(timeoutMs / 1000), static_cast<suseconds_t>((timeoutMs % 1000) * 1000)};
  return ::select(s->fd + 1, &s->readSet, nullptr, nullptr, &limit);
}

int UdpSendToPort(UdpSocket* s, uint16_t port, const uint8_t* data, size_t length) {
  sockaddr_in target = s->server;
  target.sin_port = htons(port);
  return static_cast<int>(::sendto(s->fd, data, length, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target));
}

int UdpSend(UdpSocket* s, const uint8_t* data, size_t length) {
  return static_cast<int>(::sendto(s->fd, data, length, 0,
                                   reinterpret_cast<const sockaddr*>(&s->server), sizeof s->server));
}

int UdpReceive(UdpSocket* s, uint8_t* buffer, size_t capacity, Endpoint* from) {
  sockaddr_in sender{};
  socklen_t senderLength = sizeof sender;
  const ssize_t n = ::recvfrom(s->fd, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&sender), &senderLength);
  if (n < 0) return -1;
  if (from != nullptr) *from = {ntohl(sender.sin_addr.s_addr), ntohs(sender.sin_port)};
  return static_cast<int>(n);
}

uint32_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

void SleepMs(uint32_t milliseconds) {
  timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
}

int64_t LocalTimeSeconds() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return static_cast<int64_t>(now) + local.tm_gmtoff;
}

bool MakeFolders(std::string_view utf8Path) {
  const std::string path(utf8Path);
  if (path.empty()) return false;
  for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::FILE* OpenForAppend(std::string_view utf8Path) { return std::fopen(std::string(utf8Path).c_str(), "ab"); }

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned bytes, which
// Windows maps to the C1 control of the same value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

char32_t Cp1252ToUnicode(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80] != 0 ? kCp1252High[c - 0x80] : c;
  return c;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (const char c : ansi) AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t cp = DecodeUtf8At(utf8, pos);
    char byte = '?';
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      byte = static_cast<char>(cp);
    } else {
      for (int i = 0; i < 32; ++i) {
        const char32_t mapped = kCp1252High[i] != 0 ? kCp1252High[i] : static_cast<char32_t>(0x80 + i);
        if (mapped == cp) {
          byte = static_cast<char>(0x80 + i);
          break;
        }
      }
    }
    out += byte;
  }
  return out;
}

std::string LanguageName(uint32_t languageId) {
  const char* name = FindLanguageName(languageId);
  return name != nullptr ? std::string(name) : std::string();
}

}  // namespace platform
