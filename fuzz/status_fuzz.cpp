// Arbitrary status replies against an arbitrary player list: no crash, no
// leak, no read outside the reply. The input is a "players" reply text, a
// 0xFF byte, then the status datagram.
#include "net/player_rows.h"
#include "net/players.h"
#include "net/session.h"
#include "net/status.h"
#include "tests/net/fake_shell.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (RegisterInfoRowsForTests(), true);
  (void)registered;

  const auto* split = static_cast<const uint8_t*>(std::memchr(data, 0xFF, size));
  const size_t playersLength = split != nullptr ? static_cast<size_t>(split - data) : 0;
  ParsePlayerList(0, std::string_view(reinterpret_cast<const char*>(data), playersLength));

  const uint8_t* reply = split != nullptr ? split + 1 : data;
  const size_t replyLength = size - static_cast<size_t>(reply - data);

  Fake.Reset();
  ShowPlayerRows();
  // The datagram exactly as received, and again behind the header a reply
  // needs, so that the walk itself is reached; both in buffers of exactly
  // their size.
  const std::vector<uint8_t> asReceived(reply, reply + replyLength);
  ParseStatusReply(asReceived.data(), asReceived.size());
  std::vector<uint8_t> withHeader = {0x00, 0x04, 0x05, 0x06, 0x07};
  withHeader.insert(withHeader.end(), reply, reply + replyLength);
  ParseStatusReply(withHeader.data(), withHeader.size());

  // Every listed player has exactly one row, whatever the status reply says,
  // and a row's name and GUID are those of the record it stands for.
  if (Fake.players.size() != PlayerList.size()) __builtin_trap();
  for (size_t i = 0; i < PlayerList.size(); ++i) {
    if (Fake.players[i][0] != PlayerList[i].name || Fake.players[i][6] != PlayerList[i].guid) __builtin_trap();
  }
  // Never more players than the count byte allows.
  if (StatusPlayers.size() > 255) __builtin_trap();
  return 0;
}
