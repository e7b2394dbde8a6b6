// The platform layer, on whichever side it was built for.
#include "platform/platform.h"
#include "platform/text_utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, AnsiRoundTripsWesternEuropeanText) {
  // "Müller €5" in UTF-8 becomes single bytes in code page 1252.
  const std::string utf8 = "M\xC3\xBCller \xE2\x82\xAC" "5";
  const std::string ansi = platform::Utf8ToAnsi(utf8);
  EXPECT_EQ(ansi, std::string("M\xFCller \x80" "5"));
  EXPECT_EQ(platform::AnsiToUtf8(ansi), utf8);
}

TEST(Text, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(platform::Utf8ToAnsi("\xE6\x97\xA5"), "?");  // a CJK character
}

TEST(Text, InvalidUtf8DecodesToReplacementCharacters) {
  const std::string bad = "a\xC3(\xF0\x9F";
  size_t pos = 0;
  EXPECT_EQ(platform::DecodeUtf8At(bad, pos), U'a');
  EXPECT_EQ(platform::DecodeUtf8At(bad, pos), char32_t{0xFFFD});
  EXPECT_EQ(platform::DecodeUtf8At(bad, pos), U'(');
  EXPECT_EQ(platform::DecodeUtf8At(bad, pos), char32_t{0xFFFD});
  EXPECT_EQ(platform::DecodeUtf8At(bad, pos), char32_t{0xFFFD});
  EXPECT_EQ(pos, bad.size());
  // Overlong forms and surrogates are refused too.
  const std::string overlong = "\xC0\xAF\xED\xA0\x80";
  pos = 0;
  while (pos < overlong.size()) EXPECT_EQ(platform::DecodeUtf8At(overlong, pos), char32_t{0xFFFD});
}

TEST(Language, KnownIdentifiersHaveNames) {
  EXPECT_NE(platform::LanguageName(1033).find("English"), std::string::npos);
  EXPECT_NE(platform::LanguageName(1031).find("German"), std::string::npos);
}

TEST(Clock, TickCountAdvancesAcrossASleep) {
  // GetTickCount moves in steps of 10 to 16 ms, so allow for one step.
  const uint32_t before = platform::TickCount();
  platform::SleepMs(60);
  EXPECT_GE(static_cast<uint32_t>(platform::TickCount() - before), 40u);
}

TEST(Udp, OpenResolvesTheServerAndAFreshSocketHasNothingToRead) {
  ASSERT_TRUE(platform::SocketsStartup());
  platform::UdpSocket* unresolvable = platform::UdpOpen("no-such-host.invalid", 1);
  EXPECT_EQ(unresolvable, nullptr);
  platform::UdpSocket* client = platform::UdpOpen("127.0.0.1", 9);
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(platform::UdpServer(client).address, 0x7F000001u);
  EXPECT_EQ(platform::UdpServer(client).port, 9);
  platform::UdpResetReadSet(client);
  EXPECT_EQ(platform::UdpPoll(client, 0), 0);
  // Room for a burst of reply parts (the system may grant less than asked,
  // but never as little as its default).
  EXPECT_GE(platform::UdpReceiveBufferSize(client), 256 * 1024);
  platform::UdpClose(client);
  platform::SocketsCleanup();
}

}  // namespace
