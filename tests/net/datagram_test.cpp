// The datagrams the client puts on the wire, byte for byte, as a peer on
// loopback receives them.
#include "tests/net/session_fixture.h"

#include "net/commands.h"

#include <string>

namespace {

class DatagramTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    ASSERT_TRUE(peer.ok());
    Session.connection = OpenSocket("127.0.0.1", peer.Port());
    ASSERT_NE(Session.connection, nullptr);
    Session.server = platform::UdpServer(Session.connection);
  }

  Bytes Last(size_t expectedCount) {
    EXPECT_TRUE(peer.WaitForCount(expectedCount));
    const auto all = peer.Received();
    return all.empty() ? Bytes{} : all.back();
  }

  LoopbackPeer peer{LoopbackPeer::LoginMode::Silent};
};

TEST_F(DatagramTest, LoginHasNoSequenceByteAndChecksumLittleEndian) {
  ASSERT_TRUE(SendLogin(Session, "pw"));
  // CRC-32 of FF 00 'p' 'w' is 0x1E1F4484, stored least significant first.
  const Bytes expected = {'B', 'E', 0x84, 0x44, 0x1F, 0x1E, 0xFF, 0x00, 'p', 'w'};
  EXPECT_EQ(Last(1), expected);
  EXPECT_EQ(Session.sequence, 0);
}

TEST_F(DatagramTest, CommandCarriesSequenceAndCountsOn) {
  EXPECT_EQ(SendCommand(Session, "version"), 0);
  const Bytes expected = {'B', 'E', 0x9C, 0xA7, 0xC6, 0x37, 0xFF, 0x01, 0x00,
                          'v', 'e', 'r', 's', 'i', 'o', 'n'};
  EXPECT_EQ(Last(1), expected);
  EXPECT_EQ(Session.sequence, 1);
}

TEST_F(DatagramTest, KeepAliveIsAnEmptyCommandOfNineBytes) {
  Session.sequence = 5;
  SendKeepAlive(Session);
  const Bytes expected = {'B', 'E', 0x31, 0x28, 0xA8, 0x28, 0xFF, 0x01, 0x05};
  EXPECT_EQ(Last(1), expected);
  EXPECT_EQ(Session.sequence, 6);
}

TEST_F(DatagramTest, AcknowledgementEchoesByteAndLeavesCounterAlone) {
  Session.sequence = 17;
  SendAck(Session, 200);
  const Bytes expected = {'B', 'E', 0xFF, 0xC5, 0x50, 0xE6, 0xFF, 0x02, 0xC8};
  EXPECT_EQ(Last(1), expected);
  EXPECT_EQ(Session.sequence, 17);
}

TEST_F(DatagramTest, StatusQueryIsTenBareBytes) {
  Session.sequence = 3;
  SendStatusQuery(Session);
  const Bytes expected = {0xFE, 0xFD, 0x00, 0x04, 0x05, 0x06, 0x07, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Last(1), expected);
  EXPECT_EQ(Session.sequence, 3);
}

TEST_F(DatagramTest, SequenceByteWrapsAfter256ButCounterDoesNot) {
  for (int i = 0; i < 256; ++i) {
    SendCommand(Session, "x");
    // Let the peer keep up: loopback drops what overflows its buffer.
    if (i % 32 == 31) peer.WaitForCount(static_cast<size_t>(i) + 1);
  }
  EXPECT_EQ(SendCommand(Session, "x"), 256);
  const Bytes last = Last(257);
  ASSERT_EQ(last.size(), 10u);
  EXPECT_EQ(last[8], 0);
  EXPECT_EQ(Session.sequence, 257);
}

TEST_F(DatagramTest, LengthsCountAnsiBytes) {
  // "é" is two bytes of UTF-8 but one of the ANSI code page.
  ASSERT_TRUE(SendLogin(Session, "caf\xC3\xA9"));
  const Bytes login = Last(1);
  EXPECT_EQ(login.size(), 8u + 4u);
  EXPECT_EQ(login.back(), 0xE9);
  SendCommand(Session, "say -1 caf\xC3\xA9");
  EXPECT_EQ(Last(2).size(), 9u + 11u);
}

TEST_F(DatagramTest, OverlongTextIsRefusedNotWrittenPastTheBuffers) {
  const std::string longest(kMaxCommandBytes, 'a');
  EXPECT_EQ(SendCommand(Session, longest), 0);
  EXPECT_EQ(Last(1).size(), 9u + kMaxCommandBytes);

  EXPECT_EQ(SendCommand(Session, longest + "a"), kNotSent);
  EXPECT_EQ(Session.sequence, 1);  // not sent, not counted

  EXPECT_TRUE(PasswordFitsDatagram(std::string(kMaxPasswordBytes, 'p')));
  EXPECT_FALSE(PasswordFitsDatagram(std::string(kMaxPasswordBytes + 1, 'p')));
  // Two UTF-8 bytes per character, but one ANSI byte: it fits.
  std::string accents;
  for (size_t i = 0; i < kMaxPasswordBytes; ++i) accents += "\xC3\xA9";
  EXPECT_TRUE(PasswordFitsDatagram(accents));
  EXPECT_FALSE(SendLogin(Session, std::string(kMaxPasswordBytes + 1, 'p')));
  ASSERT_TRUE(SendLogin(Session, std::string(kMaxPasswordBytes, 'p')));
  EXPECT_EQ(Last(2).size(), 8u + kMaxPasswordBytes);
  EXPECT_EQ(peer.ReceivedCount(), 2u);
}

TEST(SocketWrappers, DoNothingWithoutASocket) {
  const uint8_t byte = 0;
  uint8_t buffer[16];
  EXPECT_EQ(SendDatagram(nullptr, &byte, 1), -1);
  EXPECT_EQ(ReceiveDatagram(nullptr, buffer, sizeof buffer, nullptr), -1);
  EXPECT_EQ(PollReadable(nullptr), -1);
  ResetReadSet(nullptr);
  CloseSocket(nullptr);
}

}  // namespace
