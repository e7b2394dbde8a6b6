// The Steam query end to end: one exchange of the client's a2s::Query
// against a running demo server's query port, over loopback UDP, with the
// socket and the clock here standing in for the event loop. POSIX only.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "net/a2s.h"
#include "net/a2s_query.h"
#include "net/arma3_tags.h"
#include "tests/support/demo_server.h"

namespace {

using quorvel_test::DemoServer;

uint32_t NowMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

struct Exchange {
  a2s::QueryState state = a2s::QueryState::Idle;
  int challenges = 0, parts = 0;
  std::vector<uint8_t> answer;
};

// Runs one exchange to its end, as the event loop will.
Exchange RunExchange(int port, a2s::QueryKind kind) {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(static_cast<uint16_t>(port));
  server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const auto send = [&](const std::vector<uint8_t>& d) {
    sendto(fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&server), sizeof server);
  };

  Exchange result;
  a2s::Query query;
  send(query.Start(kind, NowMs()));
  std::vector<uint8_t> buffer(65536), reply;
  while (query.state() == a2s::QueryState::Waiting) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
      if (n >= 5) {
        result.challenges += buffer[4] == a2s::kChallengeAnswer && buffer[0] == 0xFF;
        result.parts += buffer[0] == 0xFE;
        query.Receive(buffer.data(), static_cast<size_t>(n), NowMs(), &reply);
        if (!reply.empty()) send(reply);
      }
    }
    query.Tick(NowMs());
  }
  close(fd);
  result.state = query.state();
  result.answer = query.answer();
  return result;
}

TEST(DemoServerQuery, InfoBehindAChallengeCarriesTheServerAndItsGameTagsWithoutAStatusReply) {
  DemoServer server({"--no-status", "--query-port", "0", "--players", "7", "--chat-interval", "0", "--setting",
                     "hostname=Query Test"});
  ASSERT_TRUE(server.ok()) << server.error();
  const Exchange e = RunExchange(server.queryPort(), a2s::QueryKind::Info);
  ASSERT_EQ(e.state, a2s::QueryState::Answered);
  EXPECT_EQ(e.challenges, 1);
  a2s::ServerInfo info;
  ASSERT_EQ(a2s::ReadInfoAnswer(e.answer.data(), e.answer.size(), &info), a2s::ReadResult::Ok);
  EXPECT_EQ(info.name + "|" + info.map + "|" + info.game, "Query Test|Chernarus|Demo Patrol Ops");
  EXPECT_EQ(info.players, 7);
  a2s::Arma3Tags tags;
  ASSERT_TRUE(a2s::ReadArma3Tags(info.keywords.value_or(""), &tags));
  EXPECT_EQ(tags.battlEye, true);
  const auto log = server.ReadLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "QUERY info"), 2);  // asked, then with the challenge
}

TEST(DemoServerQuery, ManyPlayersComeSplitInAnyOrderAndJoinWhole) {
  for (const bool shuffled : {false, true}) {
    std::vector<std::string> args = {"--query-port", "0", "--players", "200", "--chat-interval", "0"};
    if (shuffled) args.push_back("--shuffle-parts");
    DemoServer server(args);
    ASSERT_TRUE(server.ok()) << server.error();
    const Exchange e = RunExchange(server.queryPort(), a2s::QueryKind::Players);
    ASSERT_EQ(e.state, a2s::QueryState::Answered) << shuffled;
    EXPECT_EQ(e.challenges, 1);
    EXPECT_GE(e.parts, 3) << shuffled;
    std::vector<a2s::Player> players;
    ASSERT_EQ(a2s::ReadPlayerAnswer(e.answer.data(), e.answer.size(), &players), a2s::ReadResult::Ok);
    ASSERT_EQ(players.size(), 200u);
    std::set<std::string> names;
    for (const a2s::Player& p : players) {
      names.insert(p.name);
      EXPECT_FALSE(a2s::FormatTimeConnected(p.duration).empty()) << p.name;
    }
    EXPECT_EQ(names.size(), 200u);
  }
}

}  // namespace

#endif  // _WIN32
