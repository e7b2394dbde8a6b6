// The connection: sockets, outgoing datagrams, login and disconnect.
#include "net/session.h"

#include "net/bans.h"
#include "net/commands.h"
#include "net/player_rows.h"
#include "net/players.h"
#include "net/session_reset.h"
#include "net/shell.h"

#include <cstring>
#include <vector>

RconSession Session;

namespace {

uint32_t (*tickSource)() = nullptr;

// Frames and sends one datagram from the session's buffers. False when the
// payload does not fit (nothing is written past either buffer then).
bool SendFramed(RconSession& session, uint8_t type, int sequence, std::string_view payload) {
  const int length = rcon::FrameDatagram(session.datagram.data(), session.datagram.size(), session.scratch.data(),
                                         session.scratch.size(), type, sequence,
                                         reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
  if (length < 0) return false;
  // A lost datagram is the protocol's business (keep-alives, the user's
  // retry); the send result is deliberately not looked at.
  SendDatagram(session.connection, session.datagram.data(), static_cast<size_t>(length));
  return true;
}

HostResolver resolverForTesting = nullptr;

std::string DottedText(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

// A sequence byte stands for the latest datagram sent with it. A request
// still waiting on the byte that goes out again lost its reply 256 datagrams
// ago, and whatever answers that byte from now on answers the new datagram;
// left in the list, the old request would take that reply (a keep-alive's
// empty one standing in for a lost "#shutdown" disconnects the session, for
// a lost "players" empties the list).
// The same holds for the "version" and "maxping" queries of the connect:
// their replies are then given up as shown.
void ForgetRequestsOn(RconSession& session, int32_t sequence) {
  const int32_t byte = sequence & 0xFF;
  std::erase_if(session.pendingRequests, [byte](const PendingRequest& r) { return (r.sequence & 0xFF) == byte; });
  if ((session.versionRequest & 0xFF) == byte) session.versionShown = true;
  if ((session.maxPingRequest & 0xFF) == byte) session.maxPingShown = true;
}

// Forgets a look-up or a login under way and the waits of the old session.
// A look-up's worker cannot be stopped; it finishes on its own, unheard.
void AbandonAttempt(RconSession& session) {
  platform::LookupRelease(session.lookup);
  session.lookup = nullptr;
  session.link = LinkState::Closed;
  session.banList = BanListWait{};
  session.removeBan = RemoveBanWait{};
  session.moreWaiting = false;
}

// Leaves the session without a socket and the controls disabled.
void DropConnection(RconSession& session) {
  session.connected = false;
  AbandonAttempt(session);
  CloseSocket(session.connection);
  session.connection = nullptr;
  SetConnectionControlsDisabled(1);
}

void FailConnect(RconSession& session) {
  DropConnection(session);
  ShowConnectError();
}

}  // namespace

void SetTickSource(uint32_t (*source)()) { tickSource = source; }

uint32_t NetNow() { return tickSource != nullptr ? tickSource() : platform::TickCount(); }

bool ProtocolStartup() {
  Session.pendingRequests.clear();
  Session.datagram.fill(0);
  Session.scratch.fill(0);
  Session.replies.Clear();
  PlayerList.clear();
  ForgetPlayerRows();
  BanList.clear();
  return platform::SocketsStartup();
}

void ProtocolShutdown() {
  AbandonAttempt(Session);
  CloseSocket(Session.connection);
  Session.connection = nullptr;
  Session.connected = false;
  platform::SocketsCleanup();
}

// ---- Socket wrappers -------------------------------------------------------------

platform::UdpSocket* OpenSocket(std::string_view utf8Host, int32_t port) {
  if (port < 1 || port > 65535) return nullptr;
  return platform::UdpOpen(platform::Utf8ToAnsi(utf8Host), static_cast<uint16_t>(port));
}

void CloseSocket(platform::UdpSocket* socket) {
  if (socket != nullptr) platform::UdpClose(socket);
}

int PollReadable(platform::UdpSocket* socket) {
  if (socket == nullptr) return -1;
  return platform::UdpPoll(socket, 0);
}

void ResetReadSet(platform::UdpSocket* socket) {
  if (socket != nullptr) platform::UdpResetReadSet(socket);
}

int SendDatagram(platform::UdpSocket* socket, const uint8_t* data, size_t length) {
  if (socket == nullptr) return -1;
  return platform::UdpSend(socket, data, length);
}

int ReceiveDatagram(platform::UdpSocket* socket, uint8_t* buffer, size_t capacity, platform::Endpoint* from) {
  if (socket == nullptr) return -1;
  return platform::UdpReceive(socket, buffer, capacity, from);
}

// ---- Outgoing datagrams ----------------------------------------------------------

bool PasswordFitsDatagram(std::string_view utf8Password) {
  // The wire carries ANSI bytes; one character can need more than one.
  return platform::Utf8ToAnsi(utf8Password).size() <= kMaxPasswordBytes;
}

bool SendLogin(RconSession& session, std::string_view utf8Password) {
  const std::string ansi = platform::Utf8ToAnsi(utf8Password);
  if (ansi.size() > kMaxPasswordBytes) return false;
  return SendFramed(session, rcon::kTypeLogin, -1, ansi);
}

namespace {

// `bytes` as they go on the wire; `utf8Text` names the command.
int32_t SendCommandBytes(RconSession& session, std::string_view bytes, std::string_view utf8Text) {
  if (bytes.size() > kMaxCommandBytes) return kNotSent;
  if (!SendFramed(session, rcon::kTypeCommand, session.sequence & 0xFF, bytes)) return kNotSent;
  ForgetRequestsOn(session, session.sequence);
  session.commandOnSequence[session.sequence & 0xFF].assign(utf8Text.substr(0, utf8Text.find(' ')));
  return session.sequence;
}

}  // namespace

int32_t SendCommandKeepSequence(RconSession& session, std::string_view utf8Text) {
  return SendCommandBytes(session, platform::Utf8ToAnsi(utf8Text), utf8Text);
}

int32_t SendUtf8Command(RconSession& session, std::string_view utf8Text) {
  const int32_t used = SendCommandBytes(session, utf8Text, utf8Text);
  if (used != kNotSent) AdvanceSequence(session);
  return used;
}

int32_t SendCommand(RconSession& session, std::string_view utf8Text) {
  const int32_t used = SendCommandKeepSequence(session, utf8Text);
  if (used != kNotSent) AdvanceSequence(session);
  return used;
}

void AdvanceSequence(RconSession& session) {
  // Unsigned: after 2^31 commands the counter wraps instead of overflowing.
  session.sequence = static_cast<int32_t>(static_cast<uint32_t>(session.sequence) + 1u);
}

void SendKeepAlive(RconSession& session) {
  SendFramed(session, rcon::kTypeCommand, session.sequence & 0xFF, {});
  ForgetRequestsOn(session, session.sequence);
  session.commandOnSequence[session.sequence & 0xFF].clear();
  AdvanceSequence(session);
}

void SendAck(RconSession& session, uint8_t sequence) {
  SendFramed(session, rcon::kTypeServerMessage, sequence, {});
}

void SendStatusQuery(RconSession& session) {
  SendDatagram(session.connection, rcon::kStatusQuery, sizeof rcon::kStatusQuery);
}

// ---- Connecting ------------------------------------------------------------------

namespace {

// The name is known: the login goes to its first address.
void SendLoginTo(RconSession& session, std::vector<uint32_t> addresses) {
  session.serverAddresses = std::move(addresses);
  session.connection = platform::UdpOpenAddress(session.serverAddresses.front(), static_cast<uint16_t>(session.port));
  if (session.connection == nullptr) {
    FailConnect(session);
    return;
  }
  session.server = platform::UdpServer(session.connection);
  session.sequence = 0;
  SendLogin(session, session.password);
  session.link = LinkState::LoggingIn;
  session.loginDeadline = NetNow() + kLoginTimeoutMs;
  session.strangerAnswerLogged = false;
}

void LookupFailed(RconSession& session, std::string_view why) {
  AppendLog("The address of " + session.host + " " + std::string(why) + ".");
  FailConnect(session);
}

void CompleteLogin(RconSession& session) {
  // From here on the system itself keeps every other sender off the socket:
  // a stranger's flood costs nothing and never queues ahead of the server.
  // The check on each datagram's sender stays, should the system not.
  platform::UdpConnect(session.connection, session.server);
  session.link = LinkState::Connected;
  session.connectedAt = NetNow();
  AppendLog("Connected to " + session.host + ":" + std::to_string(session.port));

  session.versionRequest = SendCommand(session, "version");
  session.versionShown = false;
  SetInfoValue("BE_VERSION", "");
  session.maxPingRequest = SendCommand(session, "maxping");
  session.maxPingShown = false;
  SetInfoValue("BE_MAXPING", "");
  RequestPlayerList(session);

  SetConnectionControlsDisabled(0);
  CloseConnectDialog(session.fromQuickConnect);
  session.connected = true;
}

}  // namespace

void SetHostResolverForTesting(HostResolver resolver) { resolverForTesting = resolver; }

void ConnectToServer(RconSession& session, int fromQuickConnect) {
  const bool wasConnected = session.connected;
  session.connected = false;
  AbandonAttempt(session);
  CloseSocket(session.connection);
  session.connection = nullptr;
  if (wasConnected) SetConnectionControlsDisabled(1);
  // Replies to the old socket's commands can no longer arrive; left waiting,
  // their entries would take the new connection's replies that happen to
  // carry the same sequence byte (an unanswered "#shutdown" would then
  // disconnect a healthy session). An action chosen for the old server is
  // never carried out on the new one.
  session.pendingRequests.clear();
  session.replies.Clear();
  ResetSessionState();
  session.fromQuickConnect = fromQuickConnect;

  // A port outside 1..65535 is a typing error, not a port: cut to 16 bits it
  // would name some other service, and the login would hand it the password.
  if (session.port < 1 || session.port > 65535 || !PasswordFitsDatagram(session.password)) {
    FailConnect(session);
    return;
  }
  const std::string ansiHost = platform::Utf8ToAnsi(session.host);
  uint32_t address = 0;
  if (platform::ParseDottedAddress(ansiHost, &address)) {
    SendLoginTo(session, {address});
    return;
  }
  if (resolverForTesting != nullptr) {
    std::vector<uint32_t> addresses = resolverForTesting(ansiHost);
    if (addresses.empty()) {
      LookupFailed(session, "could not be found");
    } else {
      SendLoginTo(session, std::move(addresses));
    }
    return;
  }
  session.lookup = platform::LookupStart(ansiHost);
  if (session.lookup == nullptr) {
    FailConnect(session);
    return;
  }
  session.link = LinkState::LookingUp;
  session.lookupDeadline = NetNow() + kLookupTimeoutMs;
}

void CheckLookup(RconSession& session) {
  if (session.link != LinkState::LookingUp) return;
  std::vector<uint32_t> addresses;
  if (platform::LookupFinished(session.lookup, &addresses)) {
    platform::LookupRelease(session.lookup);
    session.lookup = nullptr;
    if (addresses.empty()) {
      LookupFailed(session, "could not be found");
    } else {
      SendLoginTo(session, std::move(addresses));
    }
  } else if (DeadlinePassed(NetNow(), session.lookupDeadline)) {
    LookupFailed(session, "was not found within " + std::to_string(kLookupTimeoutMs / 1000) + " s");
  }
}

// A server bound to every address of a multi-homed host answers from the
// address its system picks, not necessarily the one we sent to; so any
// address the name resolves to may answer, and the one that does is the
// server's for the session. Any other address is not the server, whatever it
// says: were its "accepted" taken, it would choose the player list the admin
// acts on. It gets one log line per login, so that an admin whose server
// really answers from elsewhere learns which address to type.
void HandleLoginDatagram(RconSession& session, const uint8_t* data, size_t length, platform::Endpoint from) {
  if (session.link != LinkState::LoggingIn) return;
  rcon::FrameView view;
  if (!rcon::ReadFrame(data, length, &view)) return;
  if (!view.checksumValid || view.type != rcon::kTypeLogin || length < 9) return;
  bool known = false;
  for (const uint32_t address : session.serverAddresses) known = known || address == from.address;
  if (!known) {
    if (!session.strangerAnswerLogged) {
      AppendLog("The login was answered from " + DottedText(from.address) + ", which is not an address of " +
                session.host + "; ignored.");
      session.strangerAnswerLogged = true;
    }
    return;
  }
  if (from.port != session.server.port) return;
  session.server = from;
  if (view.sequence == 1) {
    CompleteLogin(session);
  } else {
    // Polling a socket the server never accepted would only show noise.
    FailConnect(session);
  }
}

void CheckLoginDeadline(RconSession& session) {
  if (session.link == LinkState::LoggingIn && DeadlinePassed(NetNow(), session.loginDeadline)) FailConnect(session);
}

int32_t Disconnect(int32_t /*parameter*/, std::string_view /*replyText*/) {
  DropConnection(Session);
  ResetSessionState();
  return -1;
}

bool IsConnected() { return Session.connected; }
