// Win32 side of the platform layer: Winsock 1.1, GetTickCount, the ANSI
// code page through WideCharToMultiByte/MultiByteToWideChar, and
// VerLanguageNameW.
#include "platform/platform.h"
#include "platform/text_utf8.h"

#include <winsock2.h>
#include <windows.h>

#include <new>
#include <vector>

namespace platform {

struct UdpSocket {
  SOCKET handle = INVALID_SOCKET;
  sockaddr_in server{};
  fd_set readSet;
};

bool SocketsStartup() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void SocketsCleanup() { WSACleanup(); }

UdpSocket* UdpOpen(std::string_view ansiHost, uint16_t port) {
  const std::string host(ansiHost);
  const hostent* found = gethostbyname(host.c_str());
  if (found == nullptr || found->h_addrtype != AF_INET || found->h_addr_list[0] == nullptr) return nullptr;
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(port);
  memcpy(&server.sin_addr, found->h_addr_list[0], sizeof server.sin_addr);

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
  UdpResetReadSet(s);
  return s;
}

void UdpClose(UdpSocket* s) {
  if (s == nullptr) return;
  shutdown(s->handle, SD_BOTH);
  closesocket(s->handle);
  delete s;
}

Endpoint UdpServer(const UdpSocket* s) {
  return {ntohl(s->server.sin_addr.s_addr), ntohs(s->server.sin_port)};
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
    // A datagram larger than the buffer still delivers its first bytes.
    if (WSAGetLastError() == WSAEMSGSIZE) {
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
