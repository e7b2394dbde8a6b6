// The network tick: one pass of the protocol client's work, run by the event
// loop whenever it finds no window event. A pass reads at most one datagram,
// or else carries out the shell's pending action, then keeps the connection
// alive.
#pragma once

#include "net/session.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A keep-alive goes out when this long has passed since the previous one.
constexpr uint32_t kKeepAliveIntervalMs = 20000;

void NetworkTick();

// Injects the millisecond clock (null: the system's). Declared with the
// session; repeated here because the tick is what tests drive with it.
void SetTickSource(uint32_t (*source)());

// Lets one caller take a command reply for itself instead of the usual
// handling: the ban list request, which reads its reply at once.
struct ReplyCapture {
  uint8_t sequence = 0;  // the sequence byte of the command sent
  bool done = false;
  std::string text;      // the reply's text, reassembled and decoded
};

// Handles one received datagram: `from` must be the server's address, a
// remote-console datagram must carry a correct checksum, or it is ignored.
// Command replies are reassembled from their parts, matched to pending
// requests and shown; server messages are acknowledged and shown; anything
// without the "BE" header goes to the status reply parser. Returns -1 when
// a reply handler closed the connection (the pass must end), else 0.
int DispatchDatagram(RconSession& session, const uint8_t* data, size_t length, platform::Endpoint from);
int DispatchDatagram(RconSession& session, const uint8_t* data, size_t length, platform::Endpoint from,
                     ReplyCapture* capture);

// Writes a log line for every multi-part reply given up incomplete since the
// last call: which reply, and how many of its parts had arrived.
void ReportGivenUpReplies(RconSession& session);
