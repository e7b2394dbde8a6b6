// Arbitrary "players" replies: no crash, no leak, no read outside the input,
// and every record holds one line's columns only.
#include "net/player_rows.h"
#include "net/players.h"
#include "net/text.h"
#include "tests/net/fake_shell.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckRecords() {
  for (const PlayerRecord& p : PlayerList) {
    Check(p.name.find('\n') == std::string::npos);
    Check(p.address.find(':') == std::string::npos && p.address.find(' ') == std::string::npos);
    Check(p.guid.find(' ') == std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fake.Reset();
  // As the tick hands it over (decoded), and as raw bytes that need not be UTF-8.
  ParsePlayerList(0, DecodePayloadText(data, size));
  CheckRecords();
  Check(Fake.info.empty());  // the fake records values only for keys with rows; none are registered

  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  ParsePlayerList(0, raw);
  CheckRecords();

  // Every record is found by its own identity, and has its row.
  for (const PlayerRecord& p : PlayerList) Check(FindPlayer(IdentityOf(p)) != nullptr);
  Check(Fake.players.size() == PlayerList.size());
  const auto piece = [&](size_t from, size_t n) { return from < raw.size() ? raw.substr(from, n) : std::string_view(); };
  FindPlayer(PlayerIdentity{static_cast<int32_t>(size), std::string(piece(0, 32)), std::string(piece(32, 16)), {}});
  return 0;
}
