// The simulated game server behind the demo server's sockets: its players,
// its bans and its settings, and the texts the remote console answers with.
// No sockets and no clock here: callers pass the time in, so the same world
// can be driven step by step.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace demo {

struct Player {
  int number = 0;        // the slot number kick and ban commands name
  std::string name;      // UTF-8
  std::string address;   // text only: nothing is ever sent there
  int port = 0;
  int ping = 0;
  std::string guid;      // 32 lower-case hex digits
  std::string team;
  int score = 0;
  int deaths = 0;
};

struct Ban {
  std::string target;    // a GUID, or an IP address for IP bans
  int64_t expiresAt = 0; // seconds since the epoch; 0 = permanent
  std::string reason;
};

// A server message, sent `delayMs` after what caused it (a join's GUID
// lines follow it a second later, as on a real server).
struct TimedMessage {
  int64_t delayMs = 0;
  std::string text;
  // When set, the message is said only while the player with this GUID is
  // still on the server: a player gone before his GUID line must not lend
  // his GUID to whoever takes his number next.
  std::string whileGuidOn;
};

// What a command did: the reply text for the sender, server messages for
// every logged-in admin, and whether the sender's session ends.
struct CommandResult {
  std::string reply;
  std::vector<std::string> messages;
  bool endsSession = false;
};

// The headers of the "players" and "bans" replies. Clients skip them by
// length without reading them, so their lengths are part of the protocol.
constexpr size_t kPlayersHeaderLength = 115;
constexpr size_t kBansHeaderLength = 86;
std::string PlayersHeader();
std::string GuidBansHeader();

class World {
 public:
  World(int players, int guidBans, uint32_t seed, int64_t now);

  // Executes one remote-console command (never an empty one).
  CommandResult Execute(std::string_view command, int64_t now);

  // Status query answer in the GameSpy 2 layout: 0x00, the 4-byte id, the
  // settings, the player section and the team section. Players that would
  // push it past `maxLength` bytes are left out.
  std::vector<uint8_t> StatusReply(const uint8_t id[4], size_t maxLength);
  // Changes one setting of the status reply: `value` replaces (or adds) it,
  // `drop` leaves the key out, as a server without that setting would.
  void SetStatusSetting(const std::string& key, const std::string& value, bool drop);

  // Players numbered first..last never leave in NextEvent.
  void KeepSteady(int first, int last) {
    steadyFirst_ = first;
    steadyLast_ = last;
  }

  // Something for the server to say by itself, in turn: chat on every
  // channel, a player leaving and another joining, a kick by BattlEye, an
  // admin logging in and writing (world_events.cpp).
  std::vector<TimedMessage> NextEvent();
  // `count` players joining in quick succession, and the latest of them
  // leaving again: the bursts a mission start or a restart brings.
  std::vector<TimedMessage> JoinBurst(int count);
  std::vector<TimedMessage> LeaveBurst(int count);

  const std::vector<Player>& players() const { return players_; }
  bool HasPlayerWithGuid(const std::string& guid) const;
  const std::vector<Ban>& guidBans() const { return guidBans_; }
  int maxPing() const { return maxPing_; }

 private:
  void PutPlayerSection(std::vector<uint8_t>* out, size_t maxLength);
  void PutTeamSection(std::vector<uint8_t>* out, size_t maxLength);
  std::string PlayersReply();
  std::string BansReply(int64_t now);
  CommandResult Kick(std::string_view args);
  CommandResult BanPlayer(std::string_view args, int64_t now);
  CommandResult RemoveBan(std::string_view args, int64_t now);
  CommandResult AddBan(std::string_view args, int64_t now);
  CommandResult Say(std::string_view args);
  // Adds a player; his join lines, the first after `delayMs`.
  std::vector<TimedMessage> Join(int64_t delayMs, int* number = nullptr);
  std::vector<TimedMessage> NextEventFor(unsigned step, const Player& someone);
  bool IsSteady(const Player& p) const;
  void DropExpiredBans(int64_t now);
  Player* FindPlayer(int number);
  void RemovePlayer(int number);
  Player& AddPlayer();
  std::string NewGuid();
  int Random(int low, int high);

  std::mt19937 rng_;
  std::vector<Player> players_;  // kept in slot-number order
  std::vector<Ban> guidBans_;
  std::vector<Ban> ipBans_;
  int maxPing_ = 250;
  struct SettingChange {
    std::string key, value;
    bool drop;
  };
  std::vector<SettingChange> settingChanges_;
  bool locked_ = false;
  unsigned events_ = 0;
  unsigned nameSerial_ = 0;
  int steadyFirst_ = -1;
  int steadyLast_ = -1;
  unsigned chats_ = 0;
  std::vector<int> burstJoiners_;  // numbers of the players the bursts added, latest last
};

}  // namespace demo
