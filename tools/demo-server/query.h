// The demo server's Steam query (A2S) side, as today's game servers answer
// it on a query port of their own: A2S_INFO and A2S_PLAYER behind a
// challenge, and a player list too long for one datagram split into parts.
//
// Written from the public "Server queries" description on its own, not from
// the client's readers, so that tests of the client against this server
// check the client against the format rather than against itself. No socket
// here: the server hands in each datagram and sends what comes back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/demo-server/world.h"

namespace demo {

// What A2S_INFO says about the server. The defaults match the status reply's
// settings; --setting changes them alike (hostname, mapname, mission,
// gamever, password).
struct QueryInfo {
  std::string name = "D\xC3\xA9mo Server | Quorvel test bed";
  std::string map = "Chernarus";
  std::string mission = "Demo Patrol Ops";
  std::string version = "1.18.125402";
  bool password = false;
  uint16_t gamePort = 2302;
  // Arma 3's game tags, as Bohemia's "Arma 3: STEAMWORKSquery" page lists
  // them: BattlEye on, required version 1.18 and build, playing, Veteran,
  // no equal mods, unlocked, signatures verified, dedicated, coop, English,
  // Windows.
  std::string keywords = "bt,r118,n125402,s7,i2,mf,lf,vt,dt,tcoop,g65545,f0,pw,e0,";
};

// The defaults with the status reply's --setting changes that A2S_INFO also
// carries ("KEY=VALUE" sets, a bare "KEY" empties).
QueryInfo QueryInfoFrom(const std::vector<std::string>& settings);

class QueryResponder {
 public:
  QueryResponder(QueryInfo info, uint32_t seed, bool reversePartOrder);

  // The datagrams that answer one received from `client` (its address and
  // port as one number); none for anything that is not a request.
  std::vector<std::vector<uint8_t>> Answer(const uint8_t* data, size_t length, uint64_t client, const World& world,
                                           int64_t nowMs);

  // The default largest datagram before a Source server splits an answer.
  static constexpr size_t kMaxPacket = 1248;

 private:
  uint32_t ChallengeFor(uint64_t client);
  bool ChallengeMatches(uint64_t client, const uint8_t* at) const;
  std::vector<uint8_t> Info(const World& world) const;
  std::vector<uint8_t> Players(const World& world, int64_t nowMs);
  std::vector<std::vector<uint8_t>> Split(const std::vector<uint8_t>& answer);

  QueryInfo info_;
  uint32_t rng_;
  bool reversePartOrder_;
  uint32_t nextAnswerId_ = 1;
  std::map<uint64_t, uint32_t> challenges_;
  std::map<std::string, int64_t> connectedAtMs_;  // by GUID
  bool answeredPlayers_ = false;
};

}  // namespace demo
