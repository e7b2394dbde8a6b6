// Arbitrary server messages: no crash, no read outside the line, and every
// event's parts lie inside the line and hold none of the server's own words
// where the form puts them, so a name can never become a number or a kind.
#include "net/server_events.h"
#include "net/text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckInside(std::string_view part, std::string_view line) {
  if (part.empty()) return;
  Check(part.data() >= line.data() && part.data() + part.size() <= line.data() + line.size());
}

void CheckEvent(std::string_view line) {
  ServerEvent e;
  const ServerEventKind kind = ReadServerEvent(line, &e);
  Check(kind == e.kind);
  for (const std::string_view part : {e.name, e.address, e.guid, e.reason, e.adminText, e.text}) CheckInside(part, line);
  if (kind == ServerEventKind::Plain) {
    Check(e.number == -1 && e.name.empty() && e.text.empty());
    return;
  }
  Check(CategoryOf(kind) != LogCategory::Other);
  if (kind != ServerEventKind::Chat) Check(e.number >= 0);
  if (!e.guid.empty()) Check(e.guid.size() == 32);
  // The line is rebuilt from the parts: what was read is what was written.
  const std::string n = std::to_string(e.number);
  std::string rebuilt;
  switch (kind) {
    case ServerEventKind::PlayerConnected:
      rebuilt = "Player #" + n + " " + std::string(e.name) + " (" + std::string(e.address) + ") connected";
      break;
    case ServerEventKind::PlayerDisconnected:
      rebuilt = "Player #" + n + " " + std::string(e.name) + " disconnected";
      break;
    case ServerEventKind::PlayerGuidVerified:
      rebuilt = "Verified GUID (" + std::string(e.guid) + ") of player #" + n + " " + std::string(e.name);
      break;
    case ServerEventKind::PlayerGuid:
      rebuilt = "Player #" + n + " " + std::string(e.name) + (e.guidVerified ? " - BE GUID: " : " - GUID: ") +
                std::string(e.guid) + (e.guidVerified ? "" : " (unverified)");
      break;
    case ServerEventKind::PlayerKicked:
      rebuilt = "Player #" + n + " " + std::string(e.name) + " (" + std::string(e.guid) + std::string(e.address) +
                ") has been kicked by BattlEye: " + std::string(e.reason);
      break;
    case ServerEventKind::AdminLogin:
      rebuilt = "RCon admin #" + n + " (" + std::string(e.address) + ") logged in";
      break;
    case ServerEventKind::AdminMessage:
      rebuilt = "RCon admin #" + n + ": " + (e.toPlayer ? "(To " + std::string(e.name) + ") " : "(Global) ") +
                std::string(e.text);
      break;
    case ServerEventKind::Chat:
      rebuilt = "(" + std::string(ChatChannelName(e.channel)) + ") " + std::string(e.name) + ": " + std::string(e.text);
      break;
    case ServerEventKind::Plain:
      break;
  }
  Check(rebuilt == line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // As the tick hands it over (decoded), and as raw bytes.
  const std::string decoded = DecodePayloadText(data, size);
  CheckEvent(decoded);
  const std::string raw(reinterpret_cast<const char*>(data), size);
  CheckEvent(raw);

  // The speaker lookup with names cut from the input itself.
  ServerEvent e;
  if (ReadServerEvent(raw, &e) != ServerEventKind::Plain) {
    std::vector<std::string_view> names;
    for (size_t i = 0; i + 1 < raw.size() && names.size() < 8; i += 7) names.push_back(std::string_view(raw).substr(i, 9));
    ResolveSpeaker(raw, names, &e);
    CheckInside(e.name, raw);
    CheckInside(e.text, raw);
  }
  return 0;
}
