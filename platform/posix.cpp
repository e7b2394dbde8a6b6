// POSIX side of the platform layer: BSD sockets (non-blocking, waited on
// with poll beside a wake-up pipe, the same shape as the Win32 side's event),
// name look-ups on a worker thread, clock_gettime, and
// Windows-1252 standing in for the ANSI code page, so that the protocol
// client behaves on Linux as it does under a Western European Windows.
#include "platform/platform.h"
#include "platform/language_names.h"
#include "platform/text_utf8.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <new>
#include <thread>

namespace platform {

struct UdpSocket {
  int fd = -1;
  sockaddr_in server{};
  fd_set readSet;
};

bool SocketsStartup() { return true; }
void SocketsCleanup() {}

namespace {

// Every IPv4 address of a name, in the resolver's order, each once.
std::vector<uint32_t> Resolve(const std::string& host) {
  std::vector<uint32_t> addresses;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return addresses;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    sockaddr_in address{};
    std::memcpy(&address, entry->ai_addr, sizeof address);
    const uint32_t value = ntohl(address.sin_addr.s_addr);
    bool seen = false;
    for (const uint32_t known : addresses) seen = seen || known == value;
    if (!seen) addresses.push_back(value);
  }
  freeaddrinfo(found);
  return addresses;
}

// The wake-up pipe: its read end is polled beside the socket. Lives for the
// process.
struct WakePipe {
  int read = -1;
  int write = -1;
  WakePipe() {
    int ends[2];
    if (::pipe(ends) != 0) return;
    for (const int end : ends) ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    read = ends[0];
    write = ends[1];
  }
};

WakePipe& Wake() {
  static WakePipe pipe;
  return pipe;
}

}  // namespace

UdpSocket* UdpOpen(std::string_view ansiHost, uint16_t port) {
  uint32_t address = 0;
  if (!ParseDottedAddress(ansiHost, &address)) {
    const std::vector<uint32_t> found = Resolve(std::string(ansiHost));
    if (found.empty()) return nullptr;
    address = found.front();
  }
  return UdpOpenAddress(address, port);
}

UdpSocket* UdpOpenAddress(uint32_t address, uint16_t port) {
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(port);
  server.sin_addr.s_addr = htonl(address);

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
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  s->fd = fd;
  s->server = server;
  UdpResetReadSet(s);
  return s;
}

// poll is level-triggered: a datagram still waiting wakes it again.
void UdpBeginDrain(UdpSocket*) {}

struct HostLookup {
  std::string host;
  std::vector<uint32_t> addresses;
  std::atomic<bool> finished{false};
  std::atomic<int> owners{2};  // the caller and the worker
};

namespace {

void ReleaseLookup(HostLookup* lookup) {
  if (lookup->owners.fetch_sub(1) == 1) delete lookup;
}

}  // namespace

HostLookup* LookupStart(std::string_view ansiHost) {
  auto* lookup = new (std::nothrow) HostLookup;
  if (lookup == nullptr) return nullptr;
  lookup->host.assign(ansiHost);
  Wake();  // made before any worker can need it
  try {
    std::thread([lookup] {
      lookup->addresses = Resolve(lookup->host);
      lookup->finished.store(true);
      WakeWaiter();
      ReleaseLookup(lookup);
    }).detach();
  } catch (...) {
    delete lookup;
    return nullptr;
  }
  return lookup;
}

bool LookupFinished(HostLookup* lookup, std::vector<uint32_t>* addresses) {
  if (lookup == nullptr || !lookup->finished.load()) return false;
  if (addresses != nullptr) *addresses = lookup->addresses;
  return true;
}

void LookupRelease(HostLookup* lookup) {
  if (lookup != nullptr) ReleaseLookup(lookup);
}

void WakeWaiter() {
  const char byte = 1;
  // A full pipe already holds a wake-up; losing this one loses nothing.
  [[maybe_unused]] const ssize_t n = ::write(Wake().write, &byte, 1);
}

Woken WaitForWork(UdpSocket* socket, uint32_t timeoutMs, bool /*windowMessages*/) {
  pollfd watched[2] = {{Wake().read, POLLIN, 0}, {socket != nullptr ? socket->fd : -1, POLLIN, 0}};
  const int timeout = timeoutMs == kWaitForever ? -1 : static_cast<int>(timeoutMs > 0x7FFFFFFF ? 0x7FFFFFFF : timeoutMs);
  const int ready = ::poll(watched, socket != nullptr ? 2 : 1, timeout);
  if (ready < 0) return errno == EINTR ? Woken::Timeout : Woken::Error;
  if (ready == 0) return Woken::Timeout;
  if (watched[0].revents != 0) {
    char drained[64];
    while (::read(Wake().read, drained, sizeof drained) > 0) {
    }
    return Woken::Wake;
  }
  return Woken::Datagram;
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

bool UdpConnect(UdpSocket* s, Endpoint server) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(server.address);
  address.sin_port = htons(server.port);
  if (connect(s->fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
  s->server = address;
  return true;
}

uint16_t UdpLocalPort(const UdpSocket* s) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (getsockname(s->fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
  return ntohs(local.sin_port);
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
  if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? kNothingWaiting : -1;
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
