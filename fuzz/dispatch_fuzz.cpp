// Feeds arbitrary datagrams through the network tick's dispatch, with reply
// reassembly, the pending-request handlers and the reply parsers behind it.
//
// Input: a run of records, each
//   byte 0      flags: bit 0 from a stranger, bit 1 capture the reply of
//               sequence byte 2 (as the ban list wait does), bit 2 give a
//               "BE" datagram its correct checksum (or the fuzzer would
//               hardly ever get past it), bits 3-7 move the clock on by that
//               many seconds first
//   bytes 1-2   datagram length, little-endian (cut to what is left)
//   then        the datagram
// Each datagram is handed over in a heap block of exactly its size, so any
// read past its end is caught by the address sanitizer.
#include "net/bans.h"
#include "net/commands.h"
#include "net/framing.h"
#include "net/players.h"
#include "net/session.h"
#include "net/tick.h"
#include "tests/net/fake_shell.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

uint32_t FuzzClock = 0;
uint32_t ReadFuzzClock() { return FuzzClock; }

const platform::Endpoint kServer{0x7F000001u, 2302};
const platform::Endpoint kStranger{0x7F000001u, 2303};

void ResetWorld() {
  static bool once = [] {
    RegisterInfoRowsForTests();
    SetTickSource(ReadFuzzClock);
    return true;
  }();
  (void)once;
  Session.connection = nullptr;  // sends go nowhere
  Session.server = kServer;
  Session.connected = true;
  Session.sequence = 10;
  Session.versionRequest = 0;
  Session.maxPingRequest = 1;
  Session.versionShown = false;
  Session.maxPingShown = false;
  Session.lastMessage.clear();
  Session.pendingRequests.clear();
  Session.replies.Clear();
  AddPendingRequest(Session, 2, ParsePlayerList, 0, "Received player list.");
  AddPendingRequest(Session, 3, ShowMaxPingValue, 250, "MaxPing changed to 250.");
  AddPendingRequest(Session, 4, nullptr, 0, "The server was locked.");
  AddPendingRequest(Session, 261, Disconnect, 0, "The server is shutting down now. Please reconnect.");
  PlayerList.clear();
  BanList.clear();
  Fake.Reset();
  FuzzClock = 1000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetWorld();
  size_t at = 0;
  while (at + 3 <= size) {
    const uint8_t flags = data[at];
    size_t length = static_cast<size_t>(data[at + 1]) | static_cast<size_t>(data[at + 2]) << 8;
    at += 3;
    if (length > size - at) length = size - at;
    if (length > 8192) length = 8192;

    FuzzClock += static_cast<uint32_t>(flags >> 3) * 1000u;
    Session.replies.Expire(FuzzClock);

    std::unique_ptr<uint8_t[]> datagram(new uint8_t[length > 0 ? length : 1]);
    for (size_t i = 0; i < length; ++i) datagram[i] = data[at + i];
    at += length;
    if ((flags & 4) != 0 && length >= 6 && datagram[0] == 'B' && datagram[1] == 'E') {
      const uint32_t crc = rcon::Crc32(datagram.get() + 6, length - 6);
      for (int i = 0; i < 4; ++i) datagram[2 + i] = static_cast<uint8_t>(crc >> (8 * i));
    }

    if ((flags & 2) != 0 && !Session.banList.active) {
      // The ban list awaited on sequence 2, now and then to remove a ban.
      Session.banList.active = true;
      Session.banList.sequence = 2;
      Session.banList.deadline = FuzzClock + 3000;
      Session.banList.toRemove = (flags & 0x80) != 0;
    }
    const platform::Endpoint from = (flags & 1) != 0 ? kStranger : kServer;
    const int result = DispatchDatagram(Session, datagram.get(), length, from);
    if (result < 0) break;  // the connection is closed, as the tick would stop
  }
  return 0;
}
