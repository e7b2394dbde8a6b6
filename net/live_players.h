// The server's own messages acted on: a join adds the player to the latest
// list and his row at once, his GUID line fills in the GUID, a leave or a
// kick takes him away, and each of these owes the automatic refresh a
// request (auto_refresh.h), which brings everything the messages do not say
// (ping, score, a message lost on the way).
//
// Who can send what: these lines come only through the tick's dispatch,
// which takes nothing but checksummed datagrams from the address and port
// that answered the login. A line only changes the player of the number it
// names; the next "players" reply overrules whatever it said.
#pragma once

#include "net/auto_refresh.h"
#include "net/server_events.h"
#include "net/session.h"

#include <cstdint>
#include <string_view>

// The session's automatic refresh of the player list; its mode is the
// admin's choice, kept by the shell between runs.
extern AutoRefresh PlayerRefresh;

// One server message (UTF-8): the players and rows it changes are changed
// and the refresh told; returns the category the log shows it under.
LogCategory TakeServerMessage(std::string_view line, uint32_t nowMs);

// From the tick: sends "players" and the status query when the refresh is
// due.
void AutoRefreshTick(RconSession& session);
