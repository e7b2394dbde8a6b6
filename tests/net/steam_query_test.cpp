// The Steam query of a session: which ports it asks and when, and what it
// makes of the answers. Answers are written here byte by byte from the
// public "Server queries" description; the clock is the test's.
#include "net/steam_query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using a2s::SteamQuerySession;

Bytes H(const char* hex) {  // "FF FF 49" -> {0xFF, 0xFF, 0x49}
  Bytes out;
  for (const char* p = hex; *p != '\0'; p += p[2] == ' ' ? 3 : 2) out.push_back(uint8_t(std::stoi(std::string(p, 2), nullptr, 16)));
  return out;
}
Bytes S(const std::string& text) { return Bytes(text.c_str(), text.c_str() + text.size() + 1); }
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes kInfoRequest = H("FF FF FF FF 54") + S("Source Engine Query");
const Bytes kPlayerAsk = H("FF FF FF FF 55 FF FF FF FF");
const Bytes kChallenge = H("FF FF FF FF 41 0A 0B 0C 0D");

const char kTags[] = "bt,r216,n151618,s1,i2,mf,lf,v2,dt,tcoop,g65545,hab12,f0,c0-0,pw,e30,";
const Bytes kInfo = H("FF FF FF FF 49 11") + S("Night Ops") + S("Tanoa") + S("Arma3") + S("Harbour Raid") +
                    H("92 A3") + H("03 20 00") + H("64 6C 00 00") + S("2.16.151618") + H("20") + S(kTags);
// Two players: "Bob" score 7, 3912.5 s (0x45748800); "Ann" score -1, 9 s (0x41100000).
const Bytes kPlayers = H("FF FF FF FF 44 02") + H("00") + S("Bob") + H("07 00 00 00 00 88 74 45") + H("01") +
                       S("Ann") + H("FF FF FF FF 00 00 10 41");

std::vector<uint16_t> Ports(const std::vector<a2s::Datagram>& sends) {
  std::vector<uint16_t> ports;
  for (const auto& d : sends) ports.push_back(d.port);
  return ports;
}

bool Feed(SteamQuerySession& q, uint16_t port, const Bytes& bytes, uint32_t now) {
  return q.Receive(port, bytes.data(), bytes.size(), now);
}

TEST(SteamQuery, ProbePortsAreTheLikelyOnesWithinRangeWithoutRepeats) {
  const std::pair<uint16_t, std::vector<uint16_t>> cases[] = {
      {2302, {2299, 2300, 2303, 27016}},          // +1 is 2303 itself
      {2306, {2303, 2304, 2307, 27016}},          // -3 is 2303
      {2303, {2300, 2301, 2304, 27016}},          // never the console port
      {2, {3, 2303, 27016}},                      // -1 and 0 are no ports
      {65535, {65532, 65533, 2303, 27016}},       // nor 65536
      {27017, {27014, 27015, 27018, 2303, 27016}},
  };
  for (const auto& [console, expected] : cases) EXPECT_EQ(a2s::ProbePorts(console), expected) << console;
}

TEST(SteamQuery, SearchStartsTwoSecondsAfterAnUnansweredPlayerListAndTakesTheFirstAnswer) {
  SteamQuerySession q;
  q.Begin(2302, 0, 0);
  q.PlayerListArrived(1000);
  EXPECT_EQ(q.NextDeadline(), 3000u);
  q.Tick(2999);
  EXPECT_TRUE(q.TakeSends().empty());
  q.Tick(3000);
  const auto probes = q.TakeSends();
  ASSERT_EQ(Ports(probes), (std::vector<uint16_t>{2299, 2300, 2303, 27016}));
  for (const auto& d : probes) EXPECT_EQ(d.bytes, kInfoRequest);

  // The console's own port and ports nobody asked are not read.
  EXPECT_FALSE(Feed(q, 2302, kInfo, 3010));
  EXPECT_FALSE(Feed(q, 2304, kInfo, 3010));
  // A challenge round on 2303, then its answer.
  EXPECT_TRUE(Feed(q, 2303, kChallenge, 3020));
  const auto again = q.TakeSends();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].port, 2303);
  EXPECT_EQ(again[0].bytes, kInfoRequest + H("0A 0B 0C 0D"));
  EXPECT_EQ(q.port(), 0);
  EXPECT_TRUE(Feed(q, 2303, kInfo, 3030));

  EXPECT_EQ(q.port(), 2303);
  EXPECT_EQ(q.source(), SteamQuerySession::PortSource::Found);
  EXPECT_EQ(q.TakeFoundPort(), 2303);
  EXPECT_EQ(q.TakeFoundPort(), 0);
  EXPECT_TRUE(q.TakeInfoChanged());
  ASSERT_TRUE(q.info());
  EXPECT_EQ(q.info()->name, "Night Ops");
  const auto players = q.TakeSends();
  ASSERT_EQ(players.size(), 1u);
  EXPECT_EQ(players[0].port, 2303);
  EXPECT_EQ(players[0].bytes, kPlayerAsk);
  // The other probes are over: a late answer from one is not read.
  EXPECT_FALSE(Feed(q, 27016, kInfo, 3040));
}

TEST(SteamQuery, NoSearchWhenTheStatusQueryAnswersOrAPortIsKnown) {
  SteamQuerySession answered;
  answered.Begin(2302, 0, 0);
  answered.PlayerListArrived(1000);
  answered.StatusReplyArrived();
  answered.Tick(10000);
  answered.PlayerListArrived(11000);
  answered.Tick(20000);
  EXPECT_TRUE(answered.TakeSends().empty());
  EXPECT_FALSE(answered.NextDeadline());

  SteamQuerySession manual;
  manual.Begin(2302, 2400, 2303);  // typed by hand wins over remembered
  manual.PlayerListArrived(1000);
  EXPECT_EQ(Ports(manual.TakeSends()), std::vector<uint16_t>{2400});
  manual.Tick(1000 + a2s::Query::kTimeoutMs);  // never answers: still never searched
  manual.Tick(1000 + a2s::Query::kTimeoutMs);
  EXPECT_EQ(Ports(manual.TakeSends()), std::vector<uint16_t>{2400});  // the info, after the players gave up
  manual.Tick(50000);
  EXPECT_TRUE(manual.TakeSends().empty());
  EXPECT_EQ(manual.port(), 2400);
}

TEST(SteamQuery, OneExchangeAtATimeOnTheQueryPortPlayersThenInfo) {
  SteamQuerySession q;
  q.Begin(2302, 2303, 0);
  q.PlayerListArrived(100);
  q.PlayerListArrived(150);  // a second refresh while the first is asked adds nothing
  auto sends = q.TakeSends();
  ASSERT_EQ(sends.size(), 1u);
  EXPECT_EQ(sends[0].bytes, kPlayerAsk);

  EXPECT_TRUE(Feed(q, 2303, kChallenge, 200));
  sends = q.TakeSends();
  ASSERT_EQ(sends.size(), 1u);
  EXPECT_EQ(sends[0].bytes, H("FF FF FF FF 55 0A 0B 0C 0D"));
  EXPECT_TRUE(Feed(q, 2303, kInfo, 210));  // not what was asked: changes nothing
  EXPECT_FALSE(q.TakeInfoChanged());
  EXPECT_TRUE(Feed(q, 2303, kPlayers, 220));
  EXPECT_TRUE(q.TakePlayersChanged());
  ASSERT_TRUE(q.players());
  ASSERT_EQ(q.players()->size(), 2u);
  EXPECT_EQ((*q.players())[1].score, -1);
  EXPECT_EQ(a2s::FormatTimeConnected((*q.players())[0].duration), "1:05:12");

  sends = q.TakeSends();  // now the info
  ASSERT_EQ(sends.size(), 1u);
  EXPECT_EQ(sends[0].bytes, kInfoRequest);
  EXPECT_TRUE(Feed(q, 2303, kInfo, 230));
  EXPECT_TRUE(q.TakeInfoChanged());
  EXPECT_FALSE(Feed(q, 2303, kInfo, 240));  // nothing asked any more

  // The same answers again change nothing the views would redraw.
  q.PlayerListArrived(1000);
  q.TakeSends();
  Feed(q, 2303, kPlayers, 1010);
  q.TakeSends();
  Feed(q, 2303, kInfo, 1020);
  EXPECT_FALSE(q.TakePlayersChanged());
  EXPECT_FALSE(q.TakeInfoChanged());

  // A new session forgets the answers and the port.
  q.Begin(2302, 0, 0);
  EXPECT_FALSE(q.players());
  EXPECT_FALSE(q.info());
  EXPECT_FALSE(Feed(q, 2303, kInfo, 2000));
}

TEST(SteamQuery, ARememberedPortThatNeverAnswersIsSearchedForOnceAndAFailedSearchIsSaid) {
  SteamQuerySession q;
  q.Begin(2302, 0, 27016);
  q.PlayerListArrived(0);
  EXPECT_EQ(Ports(q.TakeSends()), std::vector<uint16_t>{27016});
  q.Tick(a2s::Query::kTimeoutMs);
  EXPECT_EQ(q.port(), 0);
  q.Tick(a2s::Query::kTimeoutMs);  // the search starts at once: the player list is long past
  EXPECT_EQ(Ports(q.TakeSends()), (std::vector<uint16_t>{2299, 2300, 2303, 27016}));
  EXPECT_TRUE(q.searching());

  const uint32_t end = 2 * a2s::Query::kTimeoutMs;
  EXPECT_EQ(q.NextDeadline(), end);
  q.Tick(end);
  EXPECT_FALSE(q.searching());
  const auto notices = q.TakeNotices();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_NE(notices[0].find("27016 did not answer"), std::string::npos);
  EXPECT_NE(notices[1].find("No Steam query port answered"), std::string::npos);
  // Once per session.
  q.PlayerListArrived(end + 1);
  q.Tick(end + 10000);
  EXPECT_TRUE(q.TakeSends().empty());
  EXPECT_EQ(q.TakeFoundPort(), 0);
}

TEST(SteamQuery, InfoRowsFromTheAnswerAndItsGameTags) {
  a2s::ServerInfo info;
  ASSERT_EQ(a2s::ReadInfoAnswer(kInfo.data(), kInfo.size(), &info), a2s::ReadResult::Ok);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"hostname", "Night Ops"},  {"mapname", "Tanoa"},     {"mission", "Harbour Raid"}, {"players", "3 / 32"},
      {"maxplayers", "32"},       {"gamever", "2.16.151618"}, {"dedicated", "Yes"},      {"password", "No"},
      {"platform", "Linux"},      {"difficulty", "Veteran"}, {"gametype", "coop"},       {"language", "English"},
      {"requiredVersion", "2.16"}, {"verifySignatures", "2"}, {"sv_battleye", "Yes"},
  };
  EXPECT_EQ(a2s::InfoRowValues(info), expected);

  // Another game's keywords: the rows the answer itself has, no more.
  info.keywords = "secure,coop";
  info.environment = 0;
  info.serverType = 0;
  const auto rows = a2s::InfoRowValues(info);
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows.back(), (std::pair<std::string, std::string>{"password", "No"}));
}

TEST(SteamQuery, JoinByExactNameRepeatedNamesInOrder) {
  auto player = [](const char* name) {
    a2s::Player p;
    p.name = name;
    return p;
  };
  const std::vector<std::string_view> console = {"Bob", "Ann", "Bob", "Zoë", "bob"};
  const std::vector<a2s::Player> steam = {player("Bob"), player("Nobody"), player("Bob"), player("Bob"),
                                          player("Zoe"), player("Ann")};
  EXPECT_EQ(a2s::JoinByName(console, steam), (std::vector<int>{0, 5, 2, -1, -1}));
  EXPECT_EQ(a2s::JoinByName(console, {}), (std::vector<int>(5, -1)));
}

}  // namespace
