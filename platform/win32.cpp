// Win32 side of the platform layer: Winsock with each socket tied to an
// event (WSAEventSelect), the waiting on that event beside the window
// messages (MsgWaitForMultipleObjectsEx), name look-ups on a worker thread,
// GetTickCount, the ANSI code page through WideCharToMultiByte /
// MultiByteToWideChar, and VerLanguageNameW.
#include "platform/platform.h"
#include "platform/text_utf8.h"

#include <winsock2.h>
#include <windows.h>

#include <new>
#include <vector>

namespace platform {

struct UdpSocket {
  SOCKET handle = INVALID_SOCKET;
  WSAEVENT readable = WSA_INVALID_EVENT;  // set by Winsock when a datagram arrives
  sockaddr_in server{};
  fd_set readSet;
};

namespace {

// Auto-reset: one WakeWaiter ends one wait. Lives for the process.
HANDLE WakeEvent() {
  static HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return event;
}

}  // namespace

bool SocketsStartup() {
  WSADATA data;
  WakeEvent();
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void SocketsCleanup() { WSACleanup(); }

namespace {

// Every IPv4 address of a name, in the resolver's order. gethostbyname keeps
// its answer per thread, so workers may call it side by side.
std::vector<uint32_t> Resolve(const std::string& host) {
  std::vector<uint32_t> addresses;
  const hostent* found = gethostbyname(host.c_str());
  if (found == nullptr || found->h_addrtype != AF_INET || found->h_length != 4) return addresses;
  for (char** entry = found->h_addr_list; *entry != nullptr; ++entry) {
    in_addr address;
    memcpy(&address, *entry, sizeof address);
    addresses.push_back(ntohl(address.s_addr));
  }
  return addresses;
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

  const SOCKET handle = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (handle == INVALID_SOCKET) return nullptr;
  auto* s = new (std::nothrow) UdpSocket;
  if (s == nullptr) {
    closesocket(handle);
    return nullptr;
  }
  // Best effort: a smaller buffer than asked is still the largest we may have.
  const int wanted = kReceiveBufferBytes;
  setsockopt(handle, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&wanted), sizeof wanted);
  s->handle = handle;
  s->server = server;
  // Also makes the socket non-blocking, which the reading relies on.
  s->readable = WSACreateEvent();
  if (s->readable == WSA_INVALID_EVENT || WSAEventSelect(handle, s->readable, FD_READ) != 0) {
    if (s->readable != WSA_INVALID_EVENT) WSACloseEvent(s->readable);
    closesocket(handle);
    delete s;
    return nullptr;
  }
  UdpResetReadSet(s);
  return s;
}

void UdpClose(UdpSocket* s) {
  if (s == nullptr) return;
  shutdown(s->handle, SD_BOTH);
  closesocket(s->handle);
  WSACloseEvent(s->readable);
  delete s;
}

void UdpBeginDrain(UdpSocket* s) {
  // Winsock sets the event again at the next datagram once a read has found
  // the socket empty, so resetting before the reads loses nothing.
  if (s != nullptr) WSAResetEvent(s->readable);
}

struct HostLookup {
  std::string host;
  std::vector<uint32_t> addresses;
  volatile LONG finished = 0;
  volatile LONG owners = 2;  // the caller and the worker
};

namespace {

void ReleaseLookup(HostLookup* lookup) {
  if (InterlockedDecrement(&lookup->owners) == 0) delete lookup;
}

DWORD WINAPI LookupWorker(void* parameter) {
  auto* lookup = static_cast<HostLookup*>(parameter);
  lookup->addresses = Resolve(lookup->host);
  InterlockedExchange(&lookup->finished, 1);
  WakeWaiter();
  ReleaseLookup(lookup);
  return 0;
}

}  // namespace

HostLookup* LookupStart(std::string_view ansiHost) {
  auto* lookup = new (std::nothrow) HostLookup;
  if (lookup == nullptr) return nullptr;
  lookup->host.assign(ansiHost);
  HANDLE worker = CreateThread(nullptr, 0, LookupWorker, lookup, 0, nullptr);
  if (worker == nullptr) {
    delete lookup;
    return nullptr;
  }
  CloseHandle(worker);
  return lookup;
}

bool LookupFinished(HostLookup* lookup, std::vector<uint32_t>* addresses) {
  if (lookup == nullptr || InterlockedCompareExchange(&lookup->finished, 0, 0) == 0) return false;
  if (addresses != nullptr) *addresses = lookup->addresses;
  return true;
}

void LookupRelease(HostLookup* lookup) {
  if (lookup != nullptr) ReleaseLookup(lookup);
}

void WakeWaiter() { SetEvent(WakeEvent()); }

Woken WaitForWork(UdpSocket* socket, uint32_t timeoutMs, bool windowMessages) {
  HANDLE handles[2] = {WakeEvent(), socket != nullptr ? socket->readable : nullptr};
  const DWORD count = socket != nullptr ? 2 : 1;
  const DWORD timeout = timeoutMs == kWaitForever ? INFINITE : timeoutMs;
  const DWORD result = windowMessages
                           ? MsgWaitForMultipleObjectsEx(count, handles, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                           : WaitForMultipleObjects(count, handles, FALSE, timeout);
  if (result == WAIT_OBJECT_0) return Woken::Wake;
  if (result == WAIT_OBJECT_0 + 1 && count == 2) return Woken::Datagram;
  if (result == WAIT_OBJECT_0 + count) return Woken::WindowMessage;
  if (result == WAIT_TIMEOUT) return Woken::Timeout;
  return Woken::Error;
}

Endpoint UdpServer(const UdpSocket* s) {
  return {ntohl(s->server.sin_addr.s_addr), ntohs(s->server.sin_port)};
}

bool UdpConnect(UdpSocket* s, Endpoint server) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(server.address);
  address.sin_port = htons(server.port);
  if (connect(s->handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
  s->server = address;
  return true;
}

uint16_t UdpLocalPort(const UdpSocket* s) {
  sockaddr_in local{};
  int length = sizeof local;
  if (getsockname(s->handle, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
  return ntohs(local.sin_port);
}

int UdpReceiveBufferSize(const UdpSocket* s) {
  int size = 0;
  int length = sizeof size;
  if (getsockopt(s->handle, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &length) != 0) return -1;
  return size;
}

void UdpResetReadSet(UdpSocket* s) {
  FD_ZERO(&s->readSet);
  FD_SET(s->handle, &s->readSet);
}

int UdpPoll(UdpSocket* s, uint32_t timeoutMs) {
  timeval limit{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
  return select(0, &s->readSet, nullptr, nullptr, &limit);
}

int UdpSendToPort(UdpSocket* s, uint16_t port, const uint8_t* data, size_t length) {
  sockaddr_in target = s->server;
  target.sin_port = htons(port);
  return sendto(s->handle, reinterpret_cast<const char*>(data), static_cast<int>(length), 0,
                reinterpret_cast<const sockaddr*>(&target), sizeof target);
}

int UdpSend(UdpSocket* s, const uint8_t* data, size_t length) {
  return sendto(s->handle, reinterpret_cast<const char*>(data), static_cast<int>(length), 0,
                reinterpret_cast<const sockaddr*>(&s->server), sizeof s->server);
}

int UdpReceive(UdpSocket* s, uint8_t* buffer, size_t capacity, Endpoint* from) {
  sockaddr_in sender{};
  int senderLength = sizeof sender;
  const int n = recvfrom(s->handle, reinterpret_cast<char*>(buffer), static_cast<int>(capacity), 0,
                         reinterpret_cast<sockaddr*>(&sender), &senderLength);
  if (n == SOCKET_ERROR) {
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return kNothingWaiting;
    // A datagram larger than the buffer still delivers its first bytes.
    if (error == WSAEMSGSIZE) {
      if (from != nullptr) *from = {ntohl(sender.sin_addr.s_addr), ntohs(sender.sin_port)};
      return static_cast<int>(capacity);
    }
    return -1;
  }
  if (from != nullptr) *from = {ntohl(sender.sin_addr.s_addr), ntohs(sender.sin_port)};
  return n;
}

uint32_t TickCount() { return GetTickCount(); }

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

int64_t LocalTimeSeconds() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  FILETIME asFile;
  SystemTimeToFileTime(&local, &asFile);
  ULARGE_INTEGER ticks;
  ticks.LowPart = asFile.dwLowDateTime;
  ticks.HighPart = asFile.dwHighDateTime;
  // 100-ns ticks since 1601 to seconds since 1970.
  return static_cast<int64_t>(ticks.QuadPart / 10000000ULL) - 11644473600LL;
}

namespace {

std::wstring Widen(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), n, nullptr, nullptr);
  return narrow;
}

}  // namespace

bool MakeFolders(std::string_view utf8Path) {
  const std::wstring path = Widen(utf8Path, CP_UTF8);
  if (path.empty()) return false;
  // Every prefix ending before a separator, then the whole path; a drive
  // ("C:") or a server share fails to be created and is simply passed.
  for (size_t at = path.find_first_of(L"\\/", 1);; at = path.find_first_of(L"\\/", at + 1)) {
    const std::wstring part = path.substr(0, at);
    if (!part.empty() && part.back() != L':') CreateDirectoryW(part.c_str(), nullptr);
    if (at == std::wstring::npos) break;
  }
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::FILE* OpenForAppend(std::string_view utf8Path) {
  // The C library's fopen takes ANSI names; a folder under a user name
  // outside the code page needs the wide one.
  return _wfopen(Widen(utf8Path, CP_UTF8).c_str(), L"ab");
}

std::string Utf8ToAnsi(std::string_view utf8) { return Narrow(Widen(utf8, CP_UTF8), CP_ACP); }

std::string AnsiToUtf8(std::string_view ansi) { return Narrow(Widen(ansi, CP_ACP), CP_UTF8); }

std::string LanguageName(uint32_t languageId) {
  wchar_t name[257] = {};
  const DWORD n = VerLanguageNameW(languageId, name, 257);
  if (n == 0) return {};
  return Narrow(std::wstring(name, n > 256 ? 256 : n), CP_UTF8);
}

}  // namespace platform
