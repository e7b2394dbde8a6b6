// The platform layer, on whichever side it was built for.
#include "platform/platform.h"
#include "platform/text_utf8.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

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

TEST(Address, OnlyFourDottedDecimalsUpTo255AreAnAddress) {
  const struct {
    std::string_view text;
    bool address;
    uint32_t value;
  } cases[] = {
      {"127.0.0.1", true, 0x7F000001}, {"255.255.255.255", true, 0xFFFFFFFF}, {"0.0.0.0", true, 0},
      {"010.1.2.3", true, 0x0A010203}, {"256.0.0.1", false, 0},           {"1.2.3", false, 0},
      {"1.2.3.4.", false, 0},          {"1.2.3.4.5", false, 0},           {"1..3.4", false, 0},
      {" 1.2.3.4", false, 0},          {"1.2.3.4 ", false, 0},            {"0x7f.0.0.1", false, 0},
      {"1234.1.1.1", false, 0},        {"localhost", false, 0},           {"", false, 0},
  };
  for (const auto& c : cases) {
    uint32_t value = 12345;
    EXPECT_EQ(platform::ParseDottedAddress(c.text, &value), c.address) << c.text;
    if (c.address) EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(Lookup, RunsOnAWorkerThatWakesTheWaiter) {
  ASSERT_TRUE(platform::SocketsStartup());
  for (const auto& [name, found] : {std::pair<const char*, bool>{"localhost", true}, {"no-such-host.invalid", false}}) {
    platform::HostLookup* lookup = platform::LookupStart(name);
    ASSERT_NE(lookup, nullptr);
    std::vector<uint32_t> addresses;
    const uint32_t start = platform::TickCount();
    while (!platform::LookupFinished(lookup, &addresses) && platform::TickCount() - start < 10000) {
      platform::WaitForWork(nullptr, 1000, false);
    }
    EXPECT_EQ(!addresses.empty(), found) << name;
    if (found) EXPECT_EQ(addresses.front() >> 24, 127u) << name;
    platform::LookupRelease(lookup);
  }
  // Given up before it ends: the worker frees the record by itself (the
  // sanitizers would see a leak or a use after free).
  platform::LookupRelease(platform::LookupStart("localhost"));
  platform::SleepMs(200);
  platform::SocketsCleanup();
}

TEST(Waiting, EndsAtADatagramAWakeUpOrTheTimeOut) {
  ASSERT_TRUE(platform::SocketsStartup());
  platform::UdpSocket* a = platform::UdpOpen("127.0.0.1", 9);
  ASSERT_NE(a, nullptr);
  uint8_t buffer[16];
  EXPECT_EQ(platform::UdpReceive(a, buffer, sizeof buffer, nullptr), platform::kNothingWaiting);
  // Drained of earlier wake-ups first.
  while (platform::WaitForWork(a, 0, false) == platform::Woken::Wake) {
  }
  uint32_t start = platform::TickCount();
  EXPECT_EQ(platform::WaitForWork(a, 100, false), platform::Woken::Timeout);
  EXPECT_GE(platform::TickCount() - start, 80u);

  platform::WakeWaiter();
  start = platform::TickCount();
  EXPECT_EQ(platform::WaitForWork(a, 5000, false), platform::Woken::Wake);
  EXPECT_LT(platform::TickCount() - start, 1000u);

  // A datagram: the socket's port is the system's choice at its first send.
  const uint8_t ping[] = {1, 2, 3};
  platform::UdpSend(a, ping, sizeof ping);
  platform::UdpSocket* b = platform::UdpOpenAddress(0x7F000001, platform::UdpLocalPort(a));
  ASSERT_NE(b, nullptr);
  platform::UdpSend(b, ping, sizeof ping);
  start = platform::TickCount();
  EXPECT_EQ(platform::WaitForWork(a, 5000, false), platform::Woken::Datagram);
  EXPECT_LT(platform::TickCount() - start, 1000u);
  platform::Endpoint from;
  EXPECT_EQ(platform::UdpReceive(a, buffer, sizeof buffer, &from), 3);
  EXPECT_EQ(from.address, 0x7F000001u);
  platform::UdpClose(b);
  platform::UdpClose(a);
  platform::SocketsCleanup();
}

}  // namespace
