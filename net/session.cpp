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

// Waits for the server's login reply: true when it accepts the password.
// The poll itself waits for the time left, so the thread sleeps instead of
// spinning. Datagrams from strangers, with a wrong checksum or of another
// type are passed over while the time lasts.
//
// A server bound to every address of a multi-homed host answers from the
// address its system picks, not necessarily the one we sent to. So a login
// reply with a correct checksum from the server's port on another address
// counts, and that address is the server's for the session from then on;
// another port is a stranger.
bool WaitForLogin(RconSession& session) {
  const uint32_t start = NetNow();
  for (;;) {
    const uint32_t elapsed = NetNow() - start;
    if (elapsed > kLoginTimeoutMs) return false;
    ResetReadSet(session.connection);
    const int ready = platform::UdpPoll(session.connection, kLoginTimeoutMs - elapsed + 1);
    if (ready < 0) return false;
    // 0: the poll waited out the time left (checked on the poll rather than
    // the clock, so an injected clock that stands still cannot loop forever).
    if (ready != 1) return false;
    session.datagram.fill(0);
    platform::Endpoint from;
    const int n = ReceiveDatagram(session.connection, session.datagram.data(), session.datagram.size(), &from);
    if (n < 0 || from.port != session.server.port) continue;
    rcon::FrameView view;
    if (!rcon::ReadFrame(session.datagram.data(), static_cast<size_t>(n), &view)) continue;
    if (!view.checksumValid || view.type != rcon::kTypeLogin || n < 9) continue;
    session.server = from;
    return view.sequence == 1;
  }
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

// Leaves the session without a socket and the controls disabled.
void DropConnection(RconSession& session) {
  session.connected = false;
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
  CloseSocket(Session.connection);
  Session.connection = nullptr;
  Session.connected = false;
  platform::SocketsCleanup();
}

// ---- Socket wrappers -------------------------------------------------------------

platform::UdpSocket* OpenSocket(std::string_view utf8Host, int32_t port) {
  // A port outside 1..65535 is a typing error, not a port: cut to 16 bits it
  // would name some other service, and the login would hand it the password.
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

int32_t SendCommandKeepSequence(RconSession& session, std::string_view utf8Text) {
  const std::string ansi = platform::Utf8ToAnsi(utf8Text);
  if (ansi.size() > kMaxCommandBytes) return kNotSent;
  if (!SendFramed(session, rcon::kTypeCommand, session.sequence & 0xFF, ansi)) return kNotSent;
  ForgetRequestsOn(session, session.sequence);
  session.commandOnSequence[session.sequence & 0xFF].assign(utf8Text.substr(0, utf8Text.find(' ')));
  return session.sequence;
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

void ConnectToServer(RconSession& session, int fromQuickConnect) {
  CloseSocket(session.connection);
  session.connection = nullptr;
  // Replies to the old socket's commands can no longer arrive; left waiting,
  // their entries would take the new connection's replies that happen to
  // carry the same sequence byte (an unanswered "#shutdown" would then
  // disconnect a healthy session).
  session.pendingRequests.clear();
  session.replies.Clear();
  ResetSessionState();

  session.connection = OpenSocket(session.host, session.port);
  if (session.connection == nullptr || !PasswordFitsDatagram(session.password)) {
    FailConnect(session);
    return;
  }
  session.server = platform::UdpServer(session.connection);

  session.sequence = 0;
  SendLogin(session, session.password);
  if (!WaitForLogin(session)) {
    // Polling a socket the server never accepted would only show noise.
    FailConnect(session);
    return;
  }

  AppendLog("Connected to " + session.host + ":" + std::to_string(session.port));

  session.versionRequest = SendCommand(session, "version");
  session.versionShown = false;
  SetInfoValue("BE_VERSION", "");
  session.maxPingRequest = SendCommand(session, "maxping");
  session.maxPingShown = false;
  SetInfoValue("BE_MAXPING", "");
  RequestPlayerList(session);

  SetConnectionControlsDisabled(0);
  CloseConnectDialog(fromQuickConnect);
  session.connected = true;
}

int32_t Disconnect(int32_t /*parameter*/, std::string_view /*replyText*/) {
  DropConnection(Session);
  ResetSessionState();
  return -1;
}

bool IsConnected() { return Session.connected; }
