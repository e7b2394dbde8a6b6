// The Steam query of one session: which port of the server to ask, when to
// ask it, and what its answers say. Pure: it owns no socket and reads no
// clock. The loop sends what TakeSends() hands out to the server's own
// address at the port given, feeds back every datagram that came from the
// server's address with its source port, calls Tick() at NextDeadline(),
// and shows what the answers changed.
//
// Who may reach Receive: only datagrams from the server's own address (the
// loop's check, the same as for the remote console). Of those, only a
// datagram from a port this object is asking right now is read: the query
// port once known, or while looking for it the handful of probe ports.
// Anyone who can send from the server's address can therefore set the
// Steam rows of the Info tab and the Score and Time cells, never more: the
// answers are only read, and nothing is ever sent anywhere but to the
// server's address.
//
// Which port:
//   typed by hand     used as it is, never searched for;
//   remembered        used; if it never answers, searched for again;
//   neither           when the status query has not been answered
//                     kProbeDelayMs after a player list, A2S_INFO is asked
//                     once on each of ProbePorts(); the first port to answer
//                     is used for the session and handed out by
//                     TakeFoundPort() to be remembered.
#pragma once

#include "net/a2s.h"
#include "net/a2s_query.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace a2s {

// The ports that servers of these games most often answer the Steam query
// on, for a remote console on `consolePort`: its −3, −2 and +1 (the console
// sits a few ports above or below the game port, and the query port is the
// game port + 1), then 2303 and 27016. Without repeats, never the console
// port itself, and only ports 1..65535.
std::vector<uint16_t> ProbePorts(uint16_t consolePort);

struct Datagram {
  uint16_t port = 0;
  std::vector<uint8_t> bytes;
};

class SteamQuerySession {
 public:
  static constexpr uint32_t kProbeDelayMs = 2000;

  enum class PortSource : uint8_t { None, Manual, Remembered, Found };

  // A new session with the console's port, the query port typed by hand and
  // the one remembered for this server (0: none). Forgets the last session.
  void Begin(uint16_t consolePort, uint16_t manualPort, uint16_t rememberedPort);
  // The session ended: nothing is asked or read until the next Begin.
  void End();

  // A player list came in: the players and the server's information are
  // asked again on the known port; without a port, the search is armed.
  void PlayerListArrived(uint32_t now);
  // The server answered the status query: it needs no search.
  void StatusReplyArrived();

  // A datagram from the server's address and `port`. False when no exchange
  // waits on that port (the datagram is then not looked at).
  bool Receive(uint16_t port, const uint8_t* data, size_t length, uint32_t now);
  // Gives up exchanges past their deadline, starts the search when due.
  void Tick(uint32_t now);
  // When Tick has something to do; none while nothing waits.
  std::optional<uint32_t> NextDeadline() const;

  // The datagrams to send, each to the server's address at its port.
  std::vector<Datagram> TakeSends();
  // True once after an answer changed what info() or players() say.
  bool TakeInfoChanged();
  bool TakePlayersChanged();
  // The port the search found, once; 0 otherwise.
  uint16_t TakeFoundPort();
  // Lines for the log.
  std::vector<std::string> TakeNotices();

  bool active() const { return active_; }
  uint16_t port() const { return port_; }  // 0 while unknown
  PortSource source() const { return source_; }
  bool searching() const { return !probes_.empty(); }
  const std::optional<ServerInfo>& info() const { return info_; }
  const std::optional<std::vector<Player>>& players() const { return players_; }

 private:
  struct Probe {
    uint16_t port = 0;
    Query query;
  };

  void Ask(QueryKind kind, uint32_t now);
  void StartNext(uint32_t now);
  void Finished(uint32_t now);
  void StartSearch(uint32_t now);
  void EndSearch();
  void TakeAnswer(const Query& query);
  void Send(uint16_t port, std::vector<uint8_t> bytes);

  bool active_ = false;
  uint16_t consolePort_ = 0;
  uint16_t port_ = 0;
  PortSource source_ = PortSource::None;
  bool portAnswered_ = false;  // the port answered at least once this session
  bool statusAnswered_ = false;
  bool searched_ = false;
  std::optional<uint32_t> searchAt_;

  Query current_;
  std::deque<QueryKind> queue_;
  std::vector<Probe> probes_;

  std::optional<ServerInfo> info_;
  std::optional<std::vector<Player>> players_;
  std::vector<Player> scratch_;
  bool infoChanged_ = false;
  bool playersChanged_ = false;
  uint16_t foundPort_ = 0;
  std::vector<Datagram> sends_;
  std::vector<std::string> notices_;
};

// The rows of the Info tab an A2S_INFO answer fills, by the keys the status
// reply uses for the same rows, with the text they show. Rows it has nothing
// for are left out (they stay empty).
std::vector<std::pair<std::string, std::string>> InfoRowValues(const ServerInfo& info);

// The A2S player joined to each of the remote console's players, by exact
// name: for every console name in order, an index into `steam`, or -1. Each
// occurrence of a name in the answer takes the next console player of that
// name not yet taken, so two players called "Bob" each get their own score.
std::vector<int> JoinByName(const std::vector<std::string_view>& consoleNames, const std::vector<Player>& steam);

// The "Players" row: "12 / 64".
std::string PlayersOfMax(int players, int maxPlayers);

}  // namespace a2s
