// The one remote-console connection: its state record, the socket wrappers,
// the outgoing datagrams, connecting (the name look-up and the login, both
// pending states the network tick moves on), and disconnecting.
//
// Everything runs on the user-interface thread, and nothing here waits: a
// request is sent, its deadline noted, and the tick carries on with the
// reply or the deadline, whichever comes first. The session's two buffers
// live inside the record for the whole process, so building or receiving a
// datagram never allocates.
#pragma once

#include "net/framing.h"
#include "net/reassembly.h"
#include "platform/platform.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Called with the reassembled reply text (UTF-8) of the command it waits
// for; -1 means the handler has closed the connection and the tick must stop.
using ReplyHandler = int32_t (*)(int32_t parameter, std::string_view replyText);

// A command whose reply is awaited.
struct PendingRequest {
  static constexpr size_t kMaxMessage = 256;
  int32_t sequence = 0;            // what SendCommand returned
  ReplyHandler handler = nullptr;  // none: the message alone stands for the reply
  int32_t parameter = 0;
  std::string message;             // written to the log when the reply arrives
};

// Where the connection stands.
enum class LinkState : int32_t {
  Closed,      // no socket
  LookingUp,   // the host name is being resolved on a worker thread
  LoggingIn,   // the login is sent, its reply awaited until loginDeadline
  Connected,   // logged in (`connected` is true exactly then)
};

// The ban list, asked for and not yet in. When it is asked for to remove a
// ban, the ban is named by what stays true of it while the server's numbers
// shift: its GUID (or address) and its reason.
struct BanListWait {
  bool active = false;
  uint8_t sequence = 0;
  uint32_t deadline = 0;
  bool toRemove = false;
  std::string guid;
  std::string reason;
};

// A "removeBan" sent and not yet answered; the list is read again after it.
struct RemoveBanWait {
  bool active = false;
  uint8_t sequence = 0;
  uint32_t deadline = 0;
};

struct RconSession {
  std::string host;  // UTF-8, as typed or stored in the favourite
  int32_t port = 0;  // only the low 16 bits reach the wire
  std::string password;

  platform::UdpSocket* connection = nullptr;
  platform::Endpoint server;  // where replies must come from: the address that answered the login
  bool connected = false;

  LinkState link = LinkState::Closed;
  platform::HostLookup* lookup = nullptr;
  uint32_t lookupDeadline = 0;
  // Every address the host name resolves to (a dotted address alone): only
  // these may answer the login.
  std::vector<uint32_t> serverAddresses;
  uint32_t loginDeadline = 0;
  bool strangerAnswerLogged = false;  // one log line per login, however many come
  int fromQuickConnect = 0;
  uint32_t connectedAt = 0;

  BanListWait banList;
  RemoveBanWait removeBan;
  // The last pass stopped reading at its bound with datagrams still waiting.
  bool moreWaiting = false;
  int32_t sequence = 0;

  std::array<uint8_t, rcon::kDatagramBufferSize> datagram{};  // also the receive buffer
  std::array<uint8_t, rcon::kScratchSize> scratch{};
  int32_t receivedLength = 0;

  int32_t versionRequest = 0;
  int32_t maxPingRequest = 0;
  bool versionShown = false;
  bool maxPingShown = false;

  uint32_t lastKeepAlive = 0;  // survives reconnects on purpose
  std::string lastMessage;     // likewise

  std::vector<PendingRequest> pendingRequests;
  ReplyAssembler replies;
  // The first word of the command last sent with each sequence byte (empty
  // for a keep-alive), to name a reply that is given up.
  std::array<std::string, 256> commandOnSequence{};
};

// The program's one session.
extern RconSession Session;

// Start-up, before any window: empties the pending-request list and the
// buffers, the player and ban lists, then starts the sockets service.
bool ProtocolStartup();
// Exit: closes the socket if there is one and stops the sockets service.
void ProtocolShutdown();

// ---- Socket wrappers ---------------------------------------------------------

// Resolves `utf8Host` (converted to the ANSI code page first) and makes an
// unbound UDP socket aimed at it; null on failure.
platform::UdpSocket* OpenSocket(std::string_view utf8Host, int32_t port);
void CloseSocket(platform::UdpSocket* socket);
// Readable sockets right now (0 or 1), or -1 on error; never waits.
int PollReadable(platform::UdpSocket* socket);
void ResetReadSet(platform::UdpSocket* socket);
// Both do nothing (and return -1) without a socket.
int SendDatagram(platform::UdpSocket* socket, const uint8_t* data, size_t length);
int ReceiveDatagram(platform::UdpSocket* socket, uint8_t* buffer, size_t capacity, platform::Endpoint* from);

// ---- Outgoing datagrams --------------------------------------------------------

// The longest password and command text (in ANSI bytes) that still fit the
// checksum scratch together with their header bytes.
constexpr size_t kMaxPasswordBytes = rcon::kScratchSize - 2;
constexpr size_t kMaxCommandBytes = rcon::kScratchSize - 3;

// Returned by the senders when the text did not fit and nothing was sent.
constexpr int32_t kNotSent = -1;

// True when the password, in the ANSI code page, fits one login datagram.
bool PasswordFitsDatagram(std::string_view utf8Password);

// False (nothing sent) when the password does not fit.
bool SendLogin(RconSession& session, std::string_view utf8Password);
// Sends the text with the current sequence number and counts on; returns the
// number used, or kNotSent (counter unchanged) when the text does not fit.
// It and SendKeepAlive give up any request still waiting on the sequence
// byte they send: a reply to that byte is the new datagram's from then on.
int32_t SendCommand(RconSession& session, std::string_view utf8Text);
// Sends the command datagram without counting on; for the ban list, which
// counts on only after its reply. Same return values as SendCommand.
int32_t SendCommandKeepSequence(RconSession& session, std::string_view utf8Text);
// Sends the text as UTF-8, as the server passes a "say" on to the players'
// game, which reads UTF-8 whatever the admin's code page; otherwise as
// SendCommand.
int32_t SendUtf8Command(RconSession& session, std::string_view utf8Text);
// Counts the sequence on by one, as every sent command does.
void AdvanceSequence(RconSession& session);
void SendKeepAlive(RconSession& session);
void SendAck(RconSession& session, uint8_t sequence);
void SendStatusQuery(RconSession& session);

// ---- Connecting ----------------------------------------------------------------

// How long the login reply may take.
constexpr uint32_t kLoginTimeoutMs = 3000;
// How long a host name may take to resolve.
constexpr uint32_t kLookupTimeoutMs = 5000;

// Starts connecting with the session's host, port and password; returns at
// once. The old socket and the requests still waiting on it are dropped
// first. A dotted address is used as it is and the login goes out now; a
// name is looked up first, off this thread (LinkState::LookingUp). The tick
// then waits for the login reply (LinkState::LoggingIn). On success: the
// connection line in the log, the version, max-ping and player queries sent,
// the controls enabled, the dialog closed. On any failure: "Could not
// connect!" and the client is left disconnected with no socket.
void ConnectToServer(RconSession& session, int fromQuickConnect);

// From the tick: moves a look-up or a login on when its answer or its
// deadline has come. `from` and the bytes are a datagram read while logging
// in (null data: none, only the clocks are looked at).
void CheckLookup(RconSession& session);
void HandleLoginDatagram(RconSession& session, const uint8_t* data, size_t length, platform::Endpoint from);
void CheckLoginDeadline(RconSession& session);

// Tests resolve names without a resolver: when set, a name is looked up
// with this (synchronously) instead of on a worker thread.
using HostResolver = std::vector<uint32_t> (*)(std::string_view ansiHost);
void SetHostResolverForTesting(HostResolver resolver);

// True when `now` has reached `deadline` on the wrapping millisecond clock.
inline bool DeadlinePassed(uint32_t now, uint32_t deadline) {
  return static_cast<int32_t>(now - deadline) >= 0;
}

// The reply handler of "#shutdown": closes the program's session and
// returns -1.
int32_t Disconnect(int32_t parameter, std::string_view replyText);

bool IsConnected();

// The millisecond clock every timing in net/ reads. Tests inject their own;
// null restores the system's.
void SetTickSource(uint32_t (*source)());
uint32_t NetNow();
