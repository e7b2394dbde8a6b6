// The network tick: one pass of the protocol client's work, run by the event
// loop each time it wakes. A pass reads the datagrams waiting (at most
// kDatagramsPerPass, so that window input is never starved), moves the
// look-up, the login and the ban waits on when their answer or deadline has
// come, carries out the shell's pending action and keeps the connection
// alive. Between passes the loop sleeps until a datagram, a window event or
// NetworkWaitMs.
#pragma once

#include "net/session.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A keep-alive goes out when this long has passed since the previous one.
constexpr uint32_t kKeepAliveIntervalMs = 20000;

// Datagrams read in one pass at most; a flood is read over several passes,
// with the window's events handled between them.
constexpr int kDatagramsPerPass = 128;

void NetworkTick();

// How long the thread may sleep before the tick has work that no datagram
// brings: 0 when it has some now, platform::kWaitForever when none is due.
uint32_t NetworkWaitMs();

// Sleeps until a datagram, the end of the look-up, the next deadline (at
// most `longestMs`) or, with `windowMessages`, a window event. The loop of
// the tests (POSIX) and of the program (Win32) are this and NetworkTick.
void WaitForNetwork(uint32_t longestMs, bool windowMessages);

// Injects the millisecond clock (null: the system's). Declared with the
// session; repeated here because the tick is what tests drive with it.
void SetTickSource(uint32_t (*source)());

// Handles one received datagram: `from` must be the server's address, a
// remote-console datagram must carry a correct checksum, or it is ignored.
// Command replies are reassembled from their parts, matched to pending
// requests and shown; server messages are acknowledged and shown; anything
// without the "BE" header goes to the status reply parser. Replies to the
// ban list and to "removeBan" go to their waits (commands.h). Returns -1 when
// a reply handler closed the connection (the pass must end), else 0.
int DispatchDatagram(RconSession& session, const uint8_t* data, size_t length, platform::Endpoint from);

// Writes a log line for every multi-part reply given up incomplete since the
// last call: which reply, and how many of its parts had arrived.
void ReportGivenUpReplies(RconSession& session);
