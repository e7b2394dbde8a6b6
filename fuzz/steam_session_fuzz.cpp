// A session's Steam query fed arbitrary datagrams from arbitrary ports at
// arbitrary times, with player lists and status replies in between. The
// input is a byte of set-up (which ports are known), then events: a byte
// that says what happens (a datagram and from which port, a player list, a
// status reply, a tick), a time step byte and, for a datagram, a 16-bit
// length before its bytes. No crash, no leak, and nothing is ever sent but to
// the known query port or one of the probe ports.
#include "net/steam_query.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  constexpr uint16_t kConsole = 2302;
  const uint16_t typed = data[0] & 1 ? 2400 : 0;
  const uint16_t remembered = data[0] & 2 ? 27016 : 0;
  a2s::SteamQuerySession session;
  session.Begin(kConsole, typed, remembered);
  std::vector<uint16_t> allowed = a2s::ProbePorts(kConsole);
  for (const uint16_t port : {typed, remembered}) {
    if (port != 0) allowed.push_back(port);
  }
  const uint16_t ports[] = {2299, 2300, 2303, 27016, 2400, kConsole, 0, 9999};

  uint32_t now = 0xFFFFF000u;  // the clock wraps on the way
  size_t pos = 1;
  while (pos + 2 <= size) {
    const uint8_t what = data[pos];
    now += static_cast<uint32_t>(data[pos + 1]) * 30;
    pos += 2;
    switch (what & 3) {
      case 0: {
        if (pos + 2 > size) return 0;
        size_t length = static_cast<size_t>(data[pos] | data[pos + 1] << 8);
        pos += 2;
        length = std::min(length, size - pos);
        const std::vector<uint8_t> datagram(data + pos, data + pos + length);
        pos += length;
        session.Receive(ports[(what >> 2) & 7], datagram.data(), datagram.size(), now);
        break;
      }
      case 1: session.PlayerListArrived(now); break;
      case 2: session.StatusReplyArrived(); break;
      default: session.Tick(now); break;
    }
    for (const a2s::Datagram& sent : session.TakeSends()) {
      if (std::find(allowed.begin(), allowed.end(), sent.port) == allowed.end()) __builtin_trap();
    }
    session.TakeNotices();
    session.TakeFoundPort();
    if (session.TakeInfoChanged() && session.info()) a2s::InfoRowValues(*session.info());
    if (session.TakePlayersChanged() && session.players()) {
      const std::vector<std::string_view> names = {"Bob", "", "Ann"};
      if (a2s::JoinByName(names, *session.players()).size() != names.size()) __builtin_trap();
    }
  }
  return 0;
}
