// Arbitrary "bans" replies and local times: no crash, no overflow, no leak,
// and every "Banned until" is either "permanently" or a formatted time.
#include "net/bans.h"
#include "net/text.h"
#include "tests/net/fake_shell.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

bool LooksLikeATime(const std::string& text) {
  // "dd.mm.yyyy - hh:ii", the year possibly longer or signed.
  return text.size() >= 18 && text[2] == '.' && text[5] == '.' && text.compare(text.size() - 8, 3, " - ") == 0 &&
         text[text.size() - 3] == ':';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int64_t now = 0;
  if (size >= sizeof now) {
    std::memcpy(&now, data, sizeof now);
    data += sizeof now;
    size -= sizeof now;
  }
  Check(LooksLikeATime(FormatBanTime(now)));

  Fake.Reset();
  ParseBanList(DecodePayloadText(data, size), now);
  Check(Fake.bans.size() == BanList.size());
  for (const BanRecord& ban : BanList) {
    Check(ban.until == "permanently" || LooksLikeATime(ban.until));
    Check(ban.reason.find('\n') == std::string::npos);
  }

  ParseBanLines(std::string_view(reinterpret_cast<const char*>(data), size), now);
  return 0;
}
