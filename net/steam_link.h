// The Steam query in the protocol client: the session's SteamQuerySession
// (steam_query.h), its datagrams through the session's own socket, and its
// answers onto the Info tab and the players view.
//
// Who can send what: the tick hands a datagram here only when it comes from
// the server's own address and not from the console's port; the session
// object then reads it only when it comes from a port it is asking right
// now. Everything is sent to the address the socket was opened for, at the
// query port or a probe port: never to another host.
#pragma once

#include "net/session.h"
#include "net/steam_query.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PlayerRecord;

extern a2s::SteamQuerySession SteamQuery;

// Set by the dialogs just before a connect: the query port typed for the
// server (0: automatic) and the one found for it in an earlier session.
void SetSteamQueryPorts(uint16_t typed, uint16_t found);

// The session's state ends (a login, a disconnect): the port, answers and
// exchanges of the last session are forgotten.
void ForgetSteamQuery();

// A datagram from the server's address at `port`, not the console's port.
void SteamQueryDatagram(RconSession& session, const uint8_t* data, size_t length, uint16_t port);

// From every tick: starts the query of a session just logged in, gives up
// exchanges past their deadline, sends what is due and shows what changed.
void SteamQueryTick(RconSession& session);
// How long the tick may sleep before the query has something to do;
// platform::kWaitForever-like 0xFFFFFFFF when nothing waits.
uint32_t SteamQueryWaitMs(uint32_t now);

// The remote console's player list and the status reply came in.
void SteamPlayerListArrived();
void SteamStatusReplyArrived();

// The Score and Time cells the Steam answer gives each of `players`, in
// their order; empty where it names nobody of that name.
struct SteamPlayerCells {
  std::string score;
  std::string time;
};
std::vector<SteamPlayerCells> SteamCellsFor(const std::vector<PlayerRecord>& players);

// Implemented by the shell: keeps the port found for the server (host and
// console port) for later sessions.
void RememberFoundQueryPort(std::string_view host, int32_t port, uint16_t queryPort);
