// The Steam server query: answers written here byte by byte from the public
// "Server queries" description (Valve Developer Community), and Arma 3 game
// tags from Bohemia's "Arma 3: STEAMWORKSquery" page. Every answer sits in a
// buffer of exactly its size, so the sanitizers see any read past its end.
#include "net/a2s.h"
#include "net/a2s_query.h"
#include "net/arma3_tags.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using R = a2s::SplitAssembler::Result;

Bytes H(const char* hex) {  // "FF FF 49" -> {0xFF, 0xFF, 0x49}
  Bytes out;
  for (const char* p = hex; *p != '\0'; p += p[2] == ' ' ? 3 : 2) out.push_back(uint8_t(std::stoi(std::string(p, 2), nullptr, 16)));
  return out;
}
Bytes S(const std::string& text) { return Bytes(text.c_str(), text.c_str() + text.size() + 1); }  // with its NUL
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes Float(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return Le32(bits);
}
Bytes Cut(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); }

const char kKeywords[] = "bt,r192,n145639,s3,i0,mf,lf,vt,dt,tapex,g65545,hf694848c,f0,c14-50,pw,e0,j0,k0,";

// Up to and including the version: the part every A2S_INFO answer has.
const Bytes kInfoBase = H("FF FF FF FF 49 11") + S("Demo Server") + S("Altis") + S("Arma3") + S("Patrol Ops") +
                        H("92 A3")           // id: the low 16 bits of app 107410
                        + H("05 28 00")      // players 5, max 40, bots 0
                        + H("64 77 01 00")   // 'd' dedicated, 'w' Windows, password, no VAC
                        + S("2.18.151618");
const Bytes kInfoEveryExtra = kInfoBase + H("F1")  // 0x80 | 0x40 | 0x20 | 0x10 | 0x01
                              + H("FE 08")                                  // game port 2302
                              + H("01 00 00 00 00 00 40 01")                // Steam id
                              + H("8C 69") + S("Relay TV")                   // spectator port 27020, name
                              + S(kKeywords) + H("92 A3 01 00 00 00 00 00");  // keywords, game id

a2s::ServerInfo BaseInfo() {
  a2s::ServerInfo i;
  i.protocol = 17, i.name = "Demo Server", i.map = "Altis", i.folder = "Arma3", i.game = "Patrol Ops";
  i.appId = 0xA392, i.players = 5, i.maxPlayers = 40, i.serverType = 'd', i.environment = 'w', i.password = true;
  i.version = "2.18.151618";
  return i;
}

TEST(A2sInfo, ReadsEveryFieldWithAndWithoutExtraData) {
  a2s::ServerInfo every = BaseInfo();
  every.extraFlags = 0xF1, every.gamePort = 2302, every.steamId = 0x0140000000000001ull, every.spectatorPort = 27020;
  every.spectatorName = "Relay TV", every.keywords = kKeywords, every.gameId = 107410;
  // Older servers end after the version; others send a flag byte of 0.
  const std::pair<Bytes, a2s::ServerInfo> cases[] = {
      {kInfoEveryExtra, every}, {kInfoBase, BaseInfo()}, {kInfoBase + H("00"), BaseInfo()}};
  for (const auto& [answer, expected] : cases) {
    a2s::ServerInfo info;
    ASSERT_EQ(a2s::ReadInfoAnswer(answer.data(), answer.size(), &info), a2s::ReadResult::Ok);
    EXPECT_TRUE(info == expected) << info.name << " " << int(info.extraFlags);
  }
}

TEST(A2sInfo, EveryCutShortOrLyingAnswerIsTruncatedAndOthersAreNotInfo) {
  a2s::ServerInfo info;
  for (size_t length = 5; length < kInfoEveryExtra.size(); ++length) {
    const Bytes cut = Cut(kInfoEveryExtra, length);
    EXPECT_EQ(a2s::ReadInfoAnswer(cut.data(), cut.size(), &info),
              length == kInfoBase.size() ? a2s::ReadResult::Ok : a2s::ReadResult::Truncated) << length;
  }
  const Bytes lying = kInfoBase + H("20");  // keywords announced, not there
  EXPECT_EQ(a2s::ReadInfoAnswer(lying.data(), lying.size(), &info), a2s::ReadResult::Truncated);
  for (const Bytes& other : {H("FF FF FF"), H("FF FF FF FF 44 00"), H("FE FF FF FF 49 00"), H("FF FF FF FF 6D")}) {
    EXPECT_EQ(a2s::ReadInfoAnswer(other.data(), other.size(), &info), a2s::ReadResult::WrongType);
  }
}

// Player i: index, name (number 7's in Latin-1, not UTF-8), score (some
// negative), time connected.
Bytes PlayerFields(int i) {
  return Bytes{uint8_t(i)} + S(i == 7 ? "M\xFCller" : "Player " + std::to_string(i)) +
         Le32(static_cast<uint32_t>(i * 3 - 20)) + Float(i * 61.5f);
}

TEST(A2sPlayers, ReadsNoPlayersAndSixtyFourPlayers) {
  Bytes answer = H("FF FF FF FF 44 00");
  std::vector<a2s::Player> players(3);  // left from an earlier answer
  ASSERT_EQ(a2s::ReadPlayerAnswer(answer.data(), answer.size(), &players), a2s::ReadResult::Ok);
  EXPECT_TRUE(players.empty());

  answer = H("FF FF FF FF 44 40");
  for (int i = 0; i < 64; ++i) answer = answer + PlayerFields(i);
  ASSERT_EQ(a2s::ReadPlayerAnswer(answer.data(), answer.size(), &players), a2s::ReadResult::Ok);
  ASSERT_EQ(players.size(), 64u);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(players[i].index, i);
    // A name that is not UTF-8 is shown with a replacement character, never passed on as it came.
    EXPECT_EQ(players[i].name, i == 7 ? "M\xEF\xBF\xBDller" : "Player " + std::to_string(i));
    EXPECT_EQ(players[i].score, i * 3 - 20);
    EXPECT_EQ(players[i].duration, i * 61.5f);
  }
}

TEST(A2sPlayers, ACutAnswerKeepsTheWholePlayersBeforeTheCut) {
  const Bytes head = H("FF FF FF FF 44 02");
  const Bytes first = H("00") + S("Bob") + H("0A 00 00 00 00 80 74 45");  // 10 points, 3912.0 s
  const Bytes whole = head + first + H("01") + S("Ann") + H("FF FF FF FF 00 00 80 3F");  // -1, 1.0 s
  std::vector<a2s::Player> players;
  for (size_t length = 5; length < whole.size(); ++length) {
    const Bytes cut = Cut(whole, length);
    EXPECT_EQ(a2s::ReadPlayerAnswer(cut.data(), cut.size(), &players), a2s::ReadResult::Truncated) << length;
    EXPECT_EQ(players.size(), length >= head.size() + first.size() ? 1u : 0u) << length;
  }
  ASSERT_EQ(a2s::ReadPlayerAnswer(whole.data(), whole.size(), &players), a2s::ReadResult::Ok);
  EXPECT_EQ(a2s::FormatTimeConnected(players[0].duration), "1:05:12");
  EXPECT_EQ(players[1].score, -1);
  EXPECT_EQ(players[1].duration, 1.0f);
}

TEST(A2sPlayers, TimeConnectedFormat) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();
  const std::pair<float, const char*> cases[] = {{0, "0:00:00"},      {9.7f, "0:00:09"},      {3912, "1:05:12"},
                                                 {86399, "23:59:59"}, {360000, "100:00:00"}, {-1, ""},
                                                 {kNaN, ""},          {kInf, ""}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(a2s::FormatTimeConnected(seconds), text) << seconds;
}

// A player answer of three players in three parts, answer id `id`.
const Bytes kSplitWhole = H("FF FF FF FF 44 03") + PlayerFields(0) + PlayerFields(1) + PlayerFields(2);
Bytes Part(uint32_t id, uint8_t total, uint8_t number) {
  const size_t third = kSplitWhole.size() / 3, begin = number * third;
  const size_t end = number == 2 ? kSplitWhole.size() : begin + third;
  return H("FE FF FF FF") + Le32(id) + Bytes{total, number} + H("E0 04") +
         Bytes(kSplitWhole.begin() + static_cast<long>(begin), kSplitWhole.begin() + static_cast<long>(end));
}

TEST(A2sSplit, JoinsPartsWhateverTheirOrderRepeatsOrStrays) {
  const struct {
    const char* name;
    std::vector<Bytes> parts;
    std::vector<R> results;
  } cases[] = {
      {"out of order", {Part(0x123, 3, 2), Part(0x123, 3, 0), Part(0x123, 3, 1)}, {R::Pending, R::Pending, R::Complete}},
      {"one part twice",
       {Part(0x123, 3, 1), Part(0x123, 3, 1), Part(0x123, 3, 0), Part(0x123, 3, 2)},
       {R::Pending, R::Pending, R::Pending, R::Complete}},
      {"a part of another answer",
       {Part(0x123, 3, 0), Part(0x456, 3, 1), Part(0x123, 3, 2), Part(0x123, 3, 1)},
       {R::Pending, R::Ignored, R::Pending, R::Complete}},
      {"another part count", {Part(0x123, 3, 0), Part(0x123, 2, 1)}, {R::Pending, R::Ignored}},
      {"impossible headers",
       {Part(0x123, 0, 0), Part(0x123, 17, 0), Part(0x123, 3, 3), H("FE FF FF FF 23 01 00 00 03 00 E0")},
       {R::Ignored, R::Ignored, R::Ignored, R::Ignored}},
      {"compressed", {Part(0x80000123u, 3, 0)}, {R::Compressed}},
  };
  for (const auto& c : cases) {
    a2s::SplitAssembler split;
    Bytes joined;
    for (size_t i = 0; i < c.parts.size(); ++i) {
      EXPECT_EQ(split.Add(c.parts[i].data(), c.parts[i].size(), 0, &joined), c.results[i]) << c.name << " #" << i;
    }
    if (c.results.back() == R::Complete) {
      EXPECT_EQ(joined, kSplitWhole) << c.name;
    }
  }
}

TEST(A2sSplit, IsBoundedInBytesAndTime) {
  a2s::SplitAssembler split;
  Bytes joined, part = H("FE FF FF FF 01 00 00 00 10 00 E0 04") + Bytes(4100, 0x41);
  for (uint8_t n = 0; n < 15; ++n) {  // 15 x 4100 bytes fit in 64 KiB, a 16th does not
    part[9] = n;
    ASSERT_EQ(split.Add(part.data(), part.size(), 0, &joined), R::Pending);
  }
  part[9] = 15;
  EXPECT_EQ(split.Add(part.data(), part.size(), 0, &joined), R::TooLarge);
  EXPECT_FALSE(split.busy());

  part = Part(0x123, 3, 0);
  split.Add(part.data(), part.size(), 0xFFFFF000u, &joined);  // across the clock's wrap
  EXPECT_FALSE(split.Expired(0xFFFFF000u + 4999));
  EXPECT_TRUE(split.Expired(0xFFFFF000u + 5000));
}

TEST(A2sQuery, AChallengeRoundRepeatsTheRequestWithTheChallengeThenTakesTheAnswerWholeOrSplit) {
  const Bytes info = H("FF FF FF FF 54") + S("Source Engine Query"), challenge = H("FF FF FF FF 41 0A 0B 0C 0D");
  const struct {
    a2s::QueryKind kind;
    Bytes request, again;
    std::vector<Bytes> answer;
    Bytes whole;
  } cases[] = {
      {a2s::QueryKind::Info, info, info + H("0A 0B 0C 0D"), {kInfoEveryExtra}, kInfoEveryExtra},
      {a2s::QueryKind::Players, H("FF FF FF FF 55 FF FF FF FF"), H("FF FF FF FF 55 0A 0B 0C 0D"),
       {kInfoBase, Part(7, 3, 1), Part(7, 3, 2), Part(7, 3, 0)}, kSplitWhole},  // another kind's answer first
  };
  for (const auto& c : cases) {
    a2s::Query query;
    Bytes send;
    EXPECT_EQ(query.Start(c.kind, 100), c.request);
    EXPECT_EQ(query.Receive(challenge.data(), challenge.size(), 200, &send), a2s::QueryState::Waiting);
    EXPECT_EQ(send, c.again);
    for (const Bytes& d : c.answer) query.Receive(d.data(), d.size(), 300, &send);
    EXPECT_EQ(query.state(), a2s::QueryState::Answered);
    EXPECT_EQ(query.answer(), c.whole);
  }
}

TEST(A2sQuery, EndsOnItsDeadlineAChallengeLoopOrACompressedAnswer) {
  const Bytes challenge = H("FF FF FF FF 41 01 02 03 04"), compressed = Part(0x80000001u, 3, 0);
  a2s::Query query;
  Bytes send;
  query.Start(a2s::QueryKind::Info, 0xFFFFF000u);
  EXPECT_EQ(query.Tick(0xFFFFF000u + 4999), a2s::QueryState::Waiting);
  EXPECT_EQ(query.Tick(0xFFFFF000u + 5000), a2s::QueryState::Failed);
  EXPECT_EQ(query.failure(), a2s::QueryFailure::TimedOut);
  EXPECT_EQ(query.Receive(kInfoBase.data(), kInfoBase.size(), 0, &send), a2s::QueryState::Failed);  // too late

  query.Start(a2s::QueryKind::Info, 0);
  for (int i = 0; i <= a2s::Query::kMaxChallenges; ++i) query.Receive(challenge.data(), challenge.size(), 1, &send);
  EXPECT_EQ(query.failure(), a2s::QueryFailure::TooManyChallenges);

  for (int round = 0; round < 2; ++round) {  // said once in the log, however often it happens
    query.Start(a2s::QueryKind::Players, 0);
    EXPECT_EQ(query.Receive(compressed.data(), compressed.size(), 1, &send), a2s::QueryState::Failed);
    EXPECT_EQ(query.failure(), a2s::QueryFailure::Compressed);
    EXPECT_EQ(query.TakeNotice().empty(), round == 1);
  }
}

TEST(Arma3Tags, ReadsTheDescribedExampleAndLeavesWhatDoesNotReadUnset) {
  a2s::Arma3Tags expected;
  expected.battlEye = true, expected.requiredVersion = 192, expected.requiredBuild = 145639, expected.serverState = 3;
  expected.difficulty = 0, expected.equalModRequired = false, expected.lock = false, expected.verifySignatures = 1;
  expected.dedicated = true, expected.gameType = "apex", expected.language = 65545, expected.contentHash = "f694848c";
  expected.filePatching = 0, expected.longLat = "14-50", expected.platform = 'w', expected.timeLeft = 0;
  a2s::Arma3Tags tags;
  ASSERT_TRUE(a2s::ReadArma3Tags(kKeywords, &tags));
  EXPECT_TRUE(tags == expected);

  for (const char* nothing : {"", ",,,", "secure,empty", "bx,r,r2x,i-,pww,vq"}) {
    EXPECT_FALSE(a2s::ReadArma3Tags(nothing, &tags)) << nothing;
    EXPECT_TRUE(tags == a2s::Arma3Tags{}) << nothing;
  }
  ASSERT_TRUE(a2s::ReadArma3Tags("v2,r216,i3,pl", &tags));
  EXPECT_EQ(tags.verifySignatures, 2);
  EXPECT_EQ(a2s::FormatRequiredVersion(*tags.requiredVersion), "2.16");
  EXPECT_STREQ(a2s::DifficultyName(*tags.difficulty), "Expert");
  EXPECT_STREQ(a2s::PlatformName(tags.platform), "Linux");
}

}  // namespace
