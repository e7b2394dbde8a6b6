// The server's own messages acted on: a join adds the player to the latest
// list (and his row, by the end of the pass that read it), his GUID line
// fills in the GUID, a leave or a kick takes him away, and each of these
// owes the automatic refresh a request (auto_refresh.h), which brings
// everything the messages do not say (ping, score, a message lost on the
// way).
//
// Who can send what: these lines come only through the tick's dispatch,
// which takes nothing but checksummed datagrams from the address and port
// that answered the login. A line only changes the player of the number it
// names; the next "players" reply overrules whatever it said.
#pragma once

#include "net/auto_refresh.h"
#include "net/players.h"
#include "net/server_events.h"
#include "net/session.h"

#include <cstdint>
#include <string_view>
#include <vector>

// The session's automatic refresh of the player list; its mode is the
// admin's choice, kept by the shell between runs.
extern AutoRefresh PlayerRefresh;

// One server message (UTF-8): the players it changes are changed and the
// refresh told; returns the category the log shows it under. The rows follow
// at ShowLivePlayerChanges.
LogCategory TakeServerMessage(std::string_view line, uint32_t nowMs);

// A mark of the messages taken so far, given with a "players" request; when
// the reply comes, ReplayLiveEventsSince applies to it the joins, GUIDs and
// leaves taken after the mark, which the reply may have been written before.
// A mark is never 0; replaying since 0 applies nothing (a list read by
// itself).
uint32_t LiveEventMark();
void ReplayLiveEventsSince(uint32_t mark, std::vector<PlayerRecord>& list);
// The session ended: nothing taken from this server applies to the next.
void ForgetLiveEvents();

// Brings the rows and the player count to what the messages taken since the
// last call said, in one update of the view: a burst of joins read in one
// pass lays the list out once, not once a join. The tick calls it after
// reading what waits.
void ShowLivePlayerChanges();

// From the tick: sends "players" and the status query when the refresh is
// due.
void AutoRefreshTick(RconSession& session);
