// The commands the client sends to the remote console, and how the network
// tick carries out the shell's pending action with them.
#pragma once

#include "net/session.h"
#include "net/shell.h"

#include <cstdint>
#include <string>
#include <string_view>

// The log lines that stand for the replies of the commands that wait for one.
inline constexpr std::string_view kPlayersMessage = "Received player list.";
inline constexpr std::string_view kReassignMessage = "The players are being reassigned.";
inline constexpr std::string_view kRestartMessage = "The server is restarting now.";
inline constexpr std::string_view kShutdownMessage = "The server is shutting down now. Please reconnect.";
inline constexpr std::string_view kLockMessage = "The server was locked.";
inline constexpr std::string_view kUnlockMessage = "The server was unlocked.";

// How long the ban list and a "removeBan" wait for their reply.
constexpr uint32_t kBanListTimeoutMs = 3000;

// The texts of the commands with arguments.
std::string KickCommandText(int32_t player, std::string_view reason);
std::string BanCommandText(int32_t player, int32_t minutes, std::string_view reason);
std::string RemoveBanCommandText(int32_t row);
std::string AddBanCommandText(std::string_view guid, int32_t minutes, std::string_view reason);
std::string MaxPingCommandText(int32_t value);

// A message to players: `say -1 text` to everyone, `say <number> text` to
// one player. The text (UTF-8, and sent as such) loses its control
// characters; line breaks and tabs, as a pasted text has them, become one
// space, and spaces at either end go. Empty when nothing is left to say (or
// the target is neither kSayEveryone nor a player number): send nothing then.
constexpr int32_t kSayEveryone = -1;
std::string SayCommandText(int32_t target, std::string_view utf8Text);

// Appends a pending request, keeping at most the message's first 256 bytes.
void AddPendingRequest(RconSession& session, int32_t sequence, ReplyHandler handler, int32_t parameter,
                       std::string_view message);

// "players" with its pending request, then the status query.
void RequestPlayerList(RconSession& session);

// The max-ping reply handler: shows the value it was sent with.
int32_t ShowMaxPingValue(int32_t value, std::string_view replyText);

// Carries out one action as the network tick does on a pass with nothing to
// read. Kick and Ban send nothing unless the action data names a player.
void CarryOutAction(RconSession& session, Action action);

// The ban list request: sends "bans" and leaves its wait to the tick, which
// reads the reply (ParseBanList) or gives up after kBanListTimeoutMs. Sends
// nothing while a ban list or a removal is already under way.
void LoadBans(RconSession& session);

// From the tick: a complete command reply that answers the ban list or a
// "removeBan"; true when it did (and was handled).
bool TakeBanReply(RconSession& session, uint8_t sequence, std::string_view text);
// From the tick: ends the ban waits whose deadline has passed.
void CheckBanDeadlines(RconSession& session);
