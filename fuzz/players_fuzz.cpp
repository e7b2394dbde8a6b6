// Arbitrary "players" replies: no crash, no leak, no read outside the input,
// and every record holds one line's columns only.
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

  int32_t number = 0;
  for (const PlayerRecord& p : PlayerList) {
    Check(FindKickTarget(p.address, p.name, p.guid, &number) && FindBanTarget(p.address, p.name, p.guid, &number));
  }
  const auto piece = [&](size_t from, size_t n) { return from < raw.size() ? raw.substr(from, n) : std::string_view(); };
  FindKickTarget(piece(0, 16), piece(16, 16), piece(32, 40), &number);
  return 0;
}
