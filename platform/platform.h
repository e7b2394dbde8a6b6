// The thin layer between Quorvel's pure logic and the operating system:
// UDP sockets, the millisecond clock, local calendar time, the 8-bit ANSI
// code page and language names. There is a Win32 side and a POSIX side;
// nothing above this header knows which one it runs on.
//
// Text crosses this layer as UTF-8 (std::string) or as 8-bit ANSI bytes;
// wchar_t never does (it is 32 bits wide on Linux).
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// ---- Sockets service -------------------------------------------------------

// Starts the sockets service (Winsock 2.2 on Windows: a socket tied to an
// event, which the waiting below needs, is a Winsock 2 feature); false on
// failure.
bool SocketsStartup();
void SocketsCleanup();

// An IPv4 address and port, both in host byte order.
struct Endpoint {
  uint32_t address = 0;
  uint16_t port = 0;
  friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

// An unbound IPv4 datagram socket aimed at one server, with a read set that
// holds just that socket.
struct UdpSocket;

// The receive buffer each socket asks for. A full server's "players" reply
// comes as a burst of up to a few hundred datagrams (a server may send every
// part twice), while the network tick reads one datagram per 5 ms pass; the
// system's default buffer (64 KiB on Windows, about 200 KiB of accounted
// memory on Linux, where each small datagram counts for over a kilobyte)
// overflows and the reply can never complete. The system may grant less.
constexpr int kReceiveBufferBytes = 1024 * 1024;

// Resolves `ansiHost` (a name or a dotted address, 8-bit ANSI text) and
// creates the socket with a receive buffer of kReceiveBufferBytes. The local port is whatever the system assigns at the
// first send. Returns null when the name does not resolve or the socket
// cannot be created. Resolving a name waits for the resolver: the program
// itself looks names up with LookupStart and opens with UdpOpenAddress.
UdpSocket* UdpOpen(std::string_view ansiHost, uint16_t port);
// The same for an address already known (host byte order); never waits.
UdpSocket* UdpOpenAddress(uint32_t address, uint16_t port);

// Shuts the socket down both ways, closes it and frees the record.
void UdpClose(UdpSocket* socket);

// From now on the socket talks to `server` alone: the system delivers no
// other sender's datagram (a flood from elsewhere never queues ahead of the
// server's), and sends go there. False when the system refused; the socket
// is then as it was.
bool UdpConnect(UdpSocket* socket, Endpoint server);

// The server address that UdpOpen resolved (or UdpConnect set).
Endpoint UdpServer(const UdpSocket* socket);

// The local port the system gave the socket (0 before its first send).
uint16_t UdpLocalPort(const UdpSocket* socket);

// The receive buffer size the system granted, in bytes; -1 on error.
int UdpReceiveBufferSize(const UdpSocket* socket);

// Makes the read set hold exactly the socket again (a poll overwrites it).
void UdpResetReadSet(UdpSocket* socket);

// Waits up to `timeoutMs` (0 = not at all) for the socket to become readable.
// Returns the number of readable sockets (0 or 1), or -1 on error.
int UdpPoll(UdpSocket* socket, uint32_t timeoutMs);

// Sends `length` bytes to the server. Returns the bytes sent or -1.
int UdpSend(UdpSocket* socket, const uint8_t* data, size_t length);
// The same to another port of the server's address (its Steam query port):
// the answers come back to this socket, and nothing can be sent to another
// host through it.
int UdpSendToPort(UdpSocket* socket, uint16_t port, const uint8_t* data, size_t length);

// Receives one datagram without waiting. Returns its length, kNothingWaiting
// when none is there, or -1 on another error (on Windows an earlier send's
// "port unreachable" shows up here; the next read goes on). When `from` is
// not null it receives the sender's address.
constexpr int kNothingWaiting = -2;
int UdpReceive(UdpSocket* socket, uint8_t* buffer, size_t capacity, Endpoint* from);

// Called before reading everything waiting on the socket: from then on a
// datagram that arrives wakes WaitForWork again, even one that arrives
// while the reading still goes on.
void UdpBeginDrain(UdpSocket* socket);

// ---- Host names -------------------------------------------------------------

// A dotted IPv4 address ("192.168.0.10") in host byte order; false for
// anything else, names included.
bool ParseDottedAddress(std::string_view text, uint32_t* address);

// A name looked up on a worker thread, so that a slow resolver never holds
// the caller. The worker calls WakeWaiter when it is done.
struct HostLookup;
// Null when no worker could be started.
HostLookup* LookupStart(std::string_view ansiHost);
// False while the worker runs; then true, with every IPv4 address of the
// name in `addresses` (none when the name is unknown).
bool LookupFinished(HostLookup* lookup, std::vector<uint32_t>* addresses);
// Ends the caller's interest; a worker still running frees the record when
// it is done. Null is fine.
void LookupRelease(HostLookup* lookup);

// ---- Waiting ------------------------------------------------------------------

constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

// Wakes a WaitForWork in progress, or the next one; any thread may call it.
void WakeWaiter();

enum class Woken { Timeout, Datagram, Wake, WindowMessage, Error };

// Sleeps until a datagram waits on `socket` (null: no socket), WakeWaiter is
// called, `timeoutMs` passes or, with `windowMessages` on Windows, the
// thread has window input or messages (including any already queued).
Woken WaitForWork(UdpSocket* socket, uint32_t timeoutMs, bool windowMessages);

// ---- Time --------------------------------------------------------------------

// Milliseconds since some fixed point; wraps after 49.7 days like GetTickCount.
uint32_t TickCount();
void SleepMs(uint32_t milliseconds);

// The local calendar time now, in seconds since 1970-01-01 00:00 as if the
// local wall clock were UTC (so formatting it needs no time-zone conversion).
int64_t LocalTimeSeconds();

// ---- Files -------------------------------------------------------------------

// Paths are UTF-8 on both sides; this separator joins their parts.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Creates the folder and every missing folder above it. True when it exists
// afterwards.
bool MakeFolders(std::string_view utf8Path);

// Opens the file for appending bytes (created when missing), or null.
std::FILE* OpenForAppend(std::string_view utf8Path);

// ---- Text ----------------------------------------------------------------

// Converts between UTF-8 and the system's 8-bit ANSI code page (Windows-1252
// on the POSIX side). Characters the code page lacks become '?'. Invalid UTF-8
// input is replaced by U+FFFD before conversion.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

// The system's name of a Windows language identifier (LANGID), as UTF-8, at
// most 256 characters; empty when the identifier is unknown.
std::string LanguageName(uint32_t languageId);

}  // namespace platform
