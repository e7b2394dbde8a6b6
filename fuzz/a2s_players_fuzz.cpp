// Arbitrary A2S_PLAYER answers: no crash, no read outside the answer, never
// more players than the count byte says, and every name valid UTF-8.
#include "net/a2s.h"
#include "net/text.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> answer = {0xFF, 0xFF, 0xFF, 0xFF, a2s::kPlayerAnswer};
  answer.insert(answer.end(), data, data + size);
  static std::vector<a2s::Player> players;  // reused, as the client reuses it
  a2s::ReadPlayerAnswer(answer.data(), answer.size(), &players);
  if (players.size() > (size > 0 ? data[0] : 0u)) __builtin_trap();
  for (const a2s::Player& p : players) {
    if (!IsValidUtf8(p.name)) __builtin_trap();
    a2s::FormatTimeConnected(p.duration);
  }
  return 0;
}
