// What the demo server says by itself: the server messages of a live game
// server in their real forms, so that a client's reader of them meets every
// form against the demo. The messages of commands (kicks, bans, the echo of
// "say") are in world.cpp with the commands.
#include "tools/demo-server/world.h"

#include <algorithm>

namespace demo {
namespace {

constexpr const char* kChat[] = {"anyone at the airfield?", "need a medic at grid 045 112",
                                 "gg", "who took my helicopter", "lag again?",
                                 "rally point is up", "enemy armour north", "brb"};
// Every channel a server names, Unknown included.
constexpr const char* kChannels[] = {"Global", "Side", "Command", "Group", "Vehicle", "Direct", "Unknown"};
constexpr const char* kBattlEyeReasons[] = {"Client not responding", "Bad Player Name"};
// The GUID lines come a second after the join, once BattlEye has asked.
constexpr int64_t kGuidDelayMs = 1000;
constexpr int64_t kBurstStepMs = 50;

std::string Endpoint(const Player& p) { return p.address + ":" + std::to_string(p.port); }

std::string Prefix(const Player& p) { return "Player #" + std::to_string(p.number) + " " + p.name; }

}  // namespace

std::vector<TimedMessage> World::Join(int64_t delayMs, int* number) {
  const Player& p = AddPlayer();
  if (number) *number = p.number;
  return {{delayMs, Prefix(p) + " (" + Endpoint(p) + ") connected", {}},
          {delayMs + kGuidDelayMs, Prefix(p) + " - BE GUID: " + p.guid, p.guid},
          {delayMs + kGuidDelayMs, "Verified GUID (" + p.guid + ") of player #" + std::to_string(p.number) + " " + p.name,
           p.guid}};
}

bool World::HasPlayerWithGuid(const std::string& guid) const {
  return std::any_of(players_.begin(), players_.end(), [&](const Player& p) { return p.guid == guid; });
}

std::vector<TimedMessage> World::NextEvent() {
  const unsigned step = events_++ % 8;
  if (players_.empty()) return Join(0);
  const Player& someone = players_[static_cast<size_t>(Random(0, static_cast<int>(players_.size()) - 1))];
  // Leaving and being kicked are for the players not kept steady; with none
  // of those, the turn is chat.
  auto steady = [&](const Player& p) { return p.number >= steadyFirst_ && p.number <= steadyLast_; };
  std::vector<size_t> mayLeave;
  if (steady(someone) && (step == 2 || step == 5)) {
    for (size_t i = 0; i < players_.size(); ++i) {
      if (!steady(players_[i])) mayLeave.push_back(i);
    }
  }
  const Player& leaver =
      mayLeave.empty() ? someone : players_[mayLeave[static_cast<size_t>(Random(0, static_cast<int>(mayLeave.size()) - 1))]];
  const unsigned turn = (step == 2 || step == 5) && steady(leaver) ? 0 : step;
  std::vector<TimedMessage> out;
  switch (turn) {
    case 2: {  // one leaves, another comes
      out.push_back({0, Prefix(leaver) + " disconnected", {}});
      RemovePlayer(leaver.number);
      for (TimedMessage& m : Join(0)) out.push_back(std::move(m));
      return out;
    }
    case 5: {  // BattlEye throws one out; a newcomer takes the place
      const char* reason = kBattlEyeReasons[Random(0, 1)];
      out.push_back({0, Prefix(leaver) + " (" + leaver.guid + ") has been kicked by BattlEye: " + reason, {}});
      RemovePlayer(leaver.number);
      for (TimedMessage& m : Join(500)) out.push_back(std::move(m));
      return out;
    }
    case 7:  // a colleague logs in and says so
      return {{0, "RCon admin #1 (198.51.100.7:51234) logged in", {}},
              {kGuidDelayMs, "RCon admin #1: (Global) Restart in 30 minutes", {}}};
    default: {
      const char* channel = kChannels[chats_++ % std::size(kChannels)];
      return {{0, std::string("(") + channel + ") " + someone.name + ": " + kChat[Random(0, std::size(kChat) - 1)], {}}};
    }
  }
}

std::vector<TimedMessage> World::JoinBurst(int count) {
  std::vector<TimedMessage> out;
  for (int i = 0; i < count && players_.size() < 256; ++i) {
    int number = 0;
    for (TimedMessage& m : Join(i * kBurstStepMs, &number)) out.push_back(std::move(m));
    burstJoiners_.push_back(number);
  }
  return out;
}

std::vector<TimedMessage> World::LeaveBurst(int count) {
  std::vector<TimedMessage> out;
  for (int i = 0; i < count && !burstJoiners_.empty(); ++i) {
    const int number = burstJoiners_.back();
    burstJoiners_.pop_back();
    const Player* p = FindPlayer(number);
    if (!p) continue;  // kicked meanwhile
    out.push_back({i * kBurstStepMs, Prefix(*p) + " disconnected", {}});
    RemovePlayer(number);
  }
  return out;
}

}  // namespace demo
