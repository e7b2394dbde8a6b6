// The Steam server query: answers written here byte by byte from the public
// "Server queries" description (Valve Developer Community), and Arma 3 game
// tags from Bohemia's "Arma 3: STEAMWORKSquery" page. Every answer sits in a
// buffer of exactly its size, so the sanitizers see any read past its end.
#include "net/a2s.h"
#include "net/a2s_query.h"
#include "net/arma3_tags.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// "FF FF 49" -> {0xFF, 0xFF, 0x49}
Bytes H(const char* hex) {
  Bytes out;
  for (const char* p = hex; *p != '\0';) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    p += 2;
  }
  return out;
}
// A string field: its bytes and the NUL.
Bytes S(std::string_view text) {
  Bytes out(text.begin(), text.end());
  out.push_back(0);
  return out;
}
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

const char kKeywords[] = "bt,r192,n145639,s3,i0,mf,lf,vt,dt,tapex,g65545,hf694848c,f0,c14-50,pw,e0,j0,k0,";

// Up to and including the version: the part every A2S_INFO answer has.
Bytes InfoBase() {
  return H("FF FF FF FF 49") + H("11") + S("Demo Server") + S("Altis") + S("Arma3") + S("Patrol Ops") +
         H("92 A3")             // id, the low 16 bits of app 107410
         + H("05 28 00")        // players 5, max 40, bots 0
         + H("64 77 01 00")     // 'd' dedicated, 'w' Windows, password, no VAC
         + S("2.18.151618");
}

Bytes InfoWithEveryExtra() {
  return InfoBase() + H("F1")              // 0x80 | 0x40 | 0x20 | 0x10 | 0x01
         + H("FE 08")                      // game port 2302
         + H("01 00 00 00 00 00 40 01")    // Steam id
         + H("8C 69") + S("Spec TV")       // spectator port 27020 and name
         + S(kKeywords)                    // keywords
         + H("92 A3 01 00 00 00 00 00");   // game id 107410
}

TEST(A2sRequests, AreTheDescribedBytes) {
  EXPECT_EQ(a2s::InfoRequest(), H("FF FF FF FF 54") + S("Source Engine Query"));
  EXPECT_EQ(a2s::InfoRequest(0x0D0C0B0Au), H("FF FF FF FF 54") + S("Source Engine Query") + H("0A 0B 0C 0D"));
  EXPECT_EQ(a2s::PlayerRequest(), H("FF FF FF FF 55 FF FF FF FF"));
  EXPECT_EQ(a2s::PlayerRequest(0x0D0C0B0Au), H("FF FF FF FF 55 0A 0B 0C 0D"));
}

TEST(A2sInfo, ReadsEveryFieldAndEveryExtraDataField) {
  const Bytes answer = InfoWithEveryExtra();
  a2s::ServerInfo info;
  ASSERT_EQ(a2s::ReadInfoAnswer(answer.data(), answer.size(), &info), a2s::ReadResult::Ok);
  EXPECT_EQ(info.protocol, 17);
  EXPECT_EQ(info.name, "Demo Server");
  EXPECT_EQ(info.map, "Altis");
  EXPECT_EQ(info.folder, "Arma3");
  EXPECT_EQ(info.game, "Patrol Ops");
  EXPECT_EQ(info.appId, 0xA392);
  EXPECT_EQ(info.players, 5);
  EXPECT_EQ(info.maxPlayers, 40);
  EXPECT_EQ(info.bots, 0);
  EXPECT_EQ(info.serverType, 'd');
  EXPECT_EQ(info.environment, 'w');
  EXPECT_TRUE(info.password);
  EXPECT_FALSE(info.vac);
  EXPECT_EQ(info.version, "2.18.151618");
  EXPECT_EQ(info.extraFlags, 0xF1);
  EXPECT_EQ(info.gamePort, 2302);
  EXPECT_EQ(info.steamId, 0x0140000000000001ull);
  EXPECT_EQ(info.spectatorPort, 27020);
  EXPECT_EQ(info.spectatorName, "Spec TV");
  EXPECT_EQ(info.keywords, kKeywords);
  EXPECT_EQ(info.gameId, 107410u);
}

TEST(A2sInfo, AnswersWithoutExtraDataReadWhole) {
  // Older servers end after the version; others send a flag byte of 0.
  for (const Bytes& answer : {InfoBase(), InfoBase() + H("00")}) {
    a2s::ServerInfo info;
    ASSERT_EQ(a2s::ReadInfoAnswer(answer.data(), answer.size(), &info), a2s::ReadResult::Ok);
    EXPECT_EQ(info.version, "2.18.151618");
    EXPECT_FALSE(info.gamePort || info.steamId || info.spectatorPort || info.keywords || info.gameId);
  }
}

TEST(A2sInfo, EveryCutShortAnswerIsTruncated) {
  const Bytes whole = InfoWithEveryExtra();
  const size_t optionalEnd = InfoBase().size();  // where an answer may end without extra data
  for (size_t length = 5; length < whole.size(); ++length) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(length));
    a2s::ServerInfo info;
    EXPECT_EQ(a2s::ReadInfoAnswer(cut.data(), cut.size(), &info),
              length == optionalEnd ? a2s::ReadResult::Ok : a2s::ReadResult::Truncated)
        << "cut at " << length;
  }
  // A flag announcing keywords that are not there.
  const Bytes lying = InfoBase() + H("20");
  a2s::ServerInfo info;
  EXPECT_EQ(a2s::ReadInfoAnswer(lying.data(), lying.size(), &info), a2s::ReadResult::Truncated);
}

TEST(A2sInfo, OtherDatagramsAreNotInfoAnswers) {
  a2s::ServerInfo info;
  for (const Bytes& other : {H("FF FF FF"), H("FF FF FF FF 44 00"), H("FE FF FF FF 49 00"), H("FF FF FF FF 6D")}) {
    EXPECT_EQ(a2s::ReadInfoAnswer(other.data(), other.size(), &info), a2s::ReadResult::WrongType);
  }
}

// Player i of the 64: index, name, score (some negative), time.
Bytes PlayerFields(int i) {
  const std::string name = i == 7 ? "M\xC3\xBCller" : "Player " + std::to_string(i);
  return Bytes{uint8_t(i)} + S(name) + Le32(static_cast<uint32_t>(i * 3 - 20)) + Float(i * 61.5f);
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
    EXPECT_EQ(players[i].name, i == 7 ? "M\xC3\xBCller" : "Player " + std::to_string(i));
    EXPECT_EQ(players[i].score, i * 3 - 20);
    EXPECT_EQ(players[i].duration, i * 61.5f);
  }
}

TEST(A2sPlayers, ACutAnswerKeepsTheWholePlayersBeforeTheCut) {
  const Bytes head = H("FF FF FF FF 44 02");
  const Bytes first = H("00") + S("Bob") + H("0A 00 00 00") + H("00 80 74 45");  // 10 points, 3912 s
  const Bytes whole = head + first + H("01") + S("Ann") + H("FF FF FF FF") + H("00 00 80 3F");
  for (size_t length = 5; length < whole.size(); ++length) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(length));
    std::vector<a2s::Player> players;
    EXPECT_EQ(a2s::ReadPlayerAnswer(cut.data(), cut.size(), &players), a2s::ReadResult::Truncated) << length;
    EXPECT_EQ(players.size(), length >= head.size() + first.size() ? 1u : 0u) << length;
  }
  std::vector<a2s::Player> players;
  ASSERT_EQ(a2s::ReadPlayerAnswer(whole.data(), whole.size(), &players), a2s::ReadResult::Ok);
  EXPECT_EQ(players[0].name, "Bob");
  EXPECT_EQ(a2s::FormatTimeConnected(players[0].duration), "1:05:12");
  EXPECT_EQ(players[1].score, -1);
  EXPECT_EQ(players[1].duration, 1.0f);
}

TEST(A2sPlayers, InvalidUtf8InANameIsReplacedNotPassedOn) {
  const Bytes answer = H("FF FF FF FF 44 01 00") + S("A\xFF" "B") + H("00 00 00 00 00 00 00 00");
  std::vector<a2s::Player> players;
  ASSERT_EQ(a2s::ReadPlayerAnswer(answer.data(), answer.size(), &players), a2s::ReadResult::Ok);
  EXPECT_EQ(players[0].name, "A\xEF\xBF\xBD" "B");
}

TEST(A2sPlayers, TimeConnectedFormat) {
  const struct {
    float seconds;
    const char* text;
  } cases[] = {{0, "0:00:00"},          {9.7f, "0:00:09"},
               {3912, "1:05:12"},       {86399, "23:59:59"},
               {360000, "100:00:00"},   {-1, ""},
               {std::numeric_limits<float>::quiet_NaN(), ""},
               {std::numeric_limits<float>::infinity(), ""}};
  for (const auto& c : cases) EXPECT_EQ(a2s::FormatTimeConnected(c.seconds), c.text) << c.seconds;
}

// ---- split answers -----------------------------------------------------------

// A player answer of three players, sent in three parts of answer id 0x123.
const Bytes kSplitWhole = H("FF FF FF FF 44 03") + PlayerFields(0) + PlayerFields(1) + PlayerFields(2);

Bytes Part(uint32_t id, uint8_t total, uint8_t number) {
  const size_t third = kSplitWhole.size() / 3;
  const size_t begin = number * third;
  const size_t end = number == 2 ? kSplitWhole.size() : begin + third;
  return H("FE FF FF FF") + Le32(id) + Bytes{total, number} + H("E0 04") +
         Bytes(kSplitWhole.begin() + static_cast<long>(begin), kSplitWhole.begin() + static_cast<long>(end));
}

TEST(A2sSplit, JoinsPartsWhateverTheirOrderRepeatsOrStrays) {
  using R = a2s::SplitAssembler::Result;
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
    if (c.results.back() == R::Complete) EXPECT_EQ(joined, kSplitWhole) << c.name;
  }
}

TEST(A2sSplit, IsBoundedInBytesAndTime) {
  a2s::SplitAssembler split;
  Bytes joined;
  const Bytes big = H("FE FF FF FF 01 00 00 00 10 00 E0 04") + Bytes(4100, 0x41);
  Bytes part = big;
  for (uint8_t n = 0; n < 15; ++n) {  // 15 x 4100 fits in 64 KiB, a 16th does not
    part[9] = n;
    ASSERT_EQ(split.Add(part.data(), part.size(), 0, &joined), a2s::SplitAssembler::Result::Pending);
  }
  part[9] = 15;
  EXPECT_EQ(split.Add(part.data(), part.size(), 0, &joined), a2s::SplitAssembler::Result::TooLarge);
  EXPECT_FALSE(split.busy());

  const Bytes first = Part(0x123, 3, 0);
  split.Add(first.data(), first.size(), 0xFFFFF000u, &joined);  // across the clock's wrap
  EXPECT_FALSE(split.Expired(0xFFFFF000u + 4999));
  EXPECT_TRUE(split.Expired(0xFFFFF000u + 5000));
}

// ---- one exchange ------------------------------------------------------------

TEST(A2sQuery, AChallengeRoundRepeatsTheRequestWithTheChallenge) {
  const struct {
    a2s::QueryKind kind;
    Bytes request, again, answer;
  } cases[] = {
      {a2s::QueryKind::Info, H("FF FF FF FF 54") + S("Source Engine Query"),
       H("FF FF FF FF 54") + S("Source Engine Query") + H("0A 0B 0C 0D"), InfoWithEveryExtra()},
      {a2s::QueryKind::Players, H("FF FF FF FF 55 FF FF FF FF"), H("FF FF FF FF 55 0A 0B 0C 0D"), kSplitWhole},
  };
  const Bytes challenge = H("FF FF FF FF 41 0A 0B 0C 0D");
  for (const auto& c : cases) {
    a2s::Query query;
    Bytes send;
    EXPECT_EQ(query.Start(c.kind, 100), c.request);
    EXPECT_EQ(query.Receive(challenge.data(), challenge.size(), 200, &send), a2s::QueryState::Waiting);
    EXPECT_EQ(send, c.again);
    EXPECT_EQ(query.Receive(c.answer.data(), c.answer.size(), 300, &send), a2s::QueryState::Answered);
    EXPECT_TRUE(send.empty());
    EXPECT_EQ(query.answer(), c.answer);
  }
}

TEST(A2sQuery, TakesASplitAnswerAndIgnoresAnswersOfAnotherKind) {
  a2s::Query query;
  Bytes send;
  query.Start(a2s::QueryKind::Players, 0);
  const Bytes info = InfoBase();
  EXPECT_EQ(query.Receive(info.data(), info.size(), 1, &send), a2s::QueryState::Waiting);
  for (const uint8_t n : {1, 2, 0}) {
    const Bytes part = Part(0x123, 3, n);
    query.Receive(part.data(), part.size(), 2, &send);
  }
  EXPECT_EQ(query.state(), a2s::QueryState::Answered);
  EXPECT_EQ(query.answer(), kSplitWhole);
}

TEST(A2sQuery, EndsOnItsDeadlineAChallengeLoopOrACompressedAnswer) {
  const Bytes challenge = H("FF FF FF FF 41 01 02 03 04");
  a2s::Query query;
  Bytes send;

  query.Start(a2s::QueryKind::Info, 0xFFFFF000u);
  EXPECT_EQ(query.Tick(0xFFFFF000u + 4999), a2s::QueryState::Waiting);
  EXPECT_EQ(query.Tick(0xFFFFF000u + 5000), a2s::QueryState::Failed);
  EXPECT_EQ(query.failure(), a2s::QueryFailure::TimedOut);
  const Bytes late = InfoBase();
  EXPECT_EQ(query.Receive(late.data(), late.size(), 0, &send), a2s::QueryState::Failed);

  query.Start(a2s::QueryKind::Info, 0);
  for (int i = 0; i < a2s::Query::kMaxChallenges; ++i) query.Receive(challenge.data(), challenge.size(), 1, &send);
  EXPECT_EQ(query.Receive(challenge.data(), challenge.size(), 1, &send), a2s::QueryState::Failed);
  EXPECT_EQ(query.failure(), a2s::QueryFailure::TooManyChallenges);

  // Said once in the log, however often the server does it.
  const Bytes compressed = Part(0x80000001u, 3, 0);
  for (int round = 0; round < 2; ++round) {
    query.Start(a2s::QueryKind::Players, 0);
    EXPECT_EQ(query.Receive(compressed.data(), compressed.size(), 1, &send), a2s::QueryState::Failed);
    EXPECT_EQ(query.failure(), a2s::QueryFailure::Compressed);
    EXPECT_EQ(query.TakeNotice().empty(), round == 1);
  }
}

// ---- Arma 3 game tags --------------------------------------------------------

TEST(Arma3Tags, ReadsTheDescribedExample) {
  a2s::Arma3Tags tags;
  ASSERT_TRUE(a2s::ReadArma3Tags(kKeywords, &tags));
  EXPECT_EQ(tags.battlEye, true);
  EXPECT_EQ(tags.requiredVersion, 192);
  EXPECT_EQ(a2s::FormatRequiredVersion(*tags.requiredVersion), "1.92");
  EXPECT_EQ(tags.requiredBuild, 145639u);
  EXPECT_EQ(tags.serverState, 3);
  EXPECT_EQ(tags.difficulty, 0);
  EXPECT_STREQ(a2s::DifficultyName(*tags.difficulty), "Recruit");
  EXPECT_EQ(tags.equalModRequired, false);
  EXPECT_EQ(tags.lock, false);
  EXPECT_EQ(tags.verifySignatures, 1);
  EXPECT_EQ(tags.dedicated, true);
  EXPECT_EQ(tags.gameType, "apex");
  EXPECT_EQ(tags.language, 65545u);
  EXPECT_EQ(tags.contentHash, "f694848c");
  EXPECT_EQ(tags.filePatching, 0);
  EXPECT_EQ(tags.longLat, "14-50");
  EXPECT_STREQ(a2s::PlatformName(tags.platform), "Windows");
  EXPECT_EQ(tags.timeLeft, 0);
}

TEST(Arma3Tags, ValuesThatDoNotReadStayUnset) {
  const struct {
    const char* keywords;
    bool any;
  } cases[] = {{"", false}, {",,,", false}, {"secure,empty", false}, {"bx,r,r2x,i-,pww,vq", false},
               {"v2", true}, {"r216", true}};
  for (const auto& c : cases) {
    a2s::Arma3Tags tags;
    EXPECT_EQ(a2s::ReadArma3Tags(c.keywords, &tags), c.any) << c.keywords;
    EXPECT_FALSE(tags.battlEye) << c.keywords;
    EXPECT_EQ(tags.platform, 0) << c.keywords;
  }
  a2s::Arma3Tags tags;
  a2s::ReadArma3Tags("v2,r216,i3,pl", &tags);
  EXPECT_EQ(tags.verifySignatures, 2);
  EXPECT_EQ(a2s::FormatRequiredVersion(*tags.requiredVersion), "2.16");
  EXPECT_STREQ(a2s::DifficultyName(*tags.difficulty), "Expert");
  EXPECT_STREQ(a2s::PlatformName(tags.platform), "Linux");
  EXPECT_STREQ(a2s::DifficultyName(9), "");
}

}  // namespace
