// The server-message reader: every line form, and names made to look like
// the words around them.
#include "net/server_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kGuid = "0123456789abcdef0123456789abcdef";
using K = ServerEventKind;

// The parts a test cares about, flattened for one comparison.
struct Read {
  K kind;
  int32_t number;
  std::string name, address, guid, text;
  friend bool operator==(const Read&, const Read&) = default;
};

std::ostream& operator<<(std::ostream& out, const Read& r) {
  return out << "{kind " << static_cast<int>(r.kind) << ", #" << r.number << ", name '" << r.name << "', address '"
             << r.address << "', guid '" << r.guid << "', text '" << r.text << "'}";
}

Read ReadLine(const std::string& line, ServerEvent* e = nullptr) {
  ServerEvent event;
  ReadServerEvent(line, &event);
  if (e) *e = event;
  const std::string_view text = event.kind == K::PlayerKicked ? event.reason : event.text;
  return {event.kind,
          event.number,
          std::string(event.name),
          std::string(event.address),
          std::string(event.guid),
          std::string(text)};
}

TEST(ServerEvents, EveryLineForm) {
  const struct {
    std::string line;
    Read expected;
    LogCategory category = LogCategory::Players;  // for the filter buttons
  } cases[] = {
      {"Player #12 John Smith (203.0.113.5:2304) connected", {K::PlayerConnected, 12, "John Smith", "203.0.113.5:2304", "", ""}},
      {"Player #0 Bob (10.0.0.1:1) connected", {K::PlayerConnected, 0, "Bob", "10.0.0.1:1", "", ""}},
      {"Player #12 John Smith - BE GUID: " + kGuid, {K::PlayerGuid, 12, "John Smith", "", kGuid, ""}},
      {"Player #12 John Smith - GUID: " + kGuid + " (unverified)", {K::PlayerGuid, 12, "John Smith", "", kGuid, ""}},
      {"Verified GUID (" + kGuid + ") of player #12 John Smith", {K::PlayerGuidVerified, 12, "John Smith", "", kGuid, ""}},
      {"Player #12 John Smith disconnected", {K::PlayerDisconnected, 12, "John Smith", "", "", ""}},
      {"Player #7 Anna (" + kGuid + ") has been kicked by BattlEye: Client not responding",
       {K::PlayerKicked, 7, "Anna", "", kGuid, "Client not responding"}},
      {"Player #7 Anna (10.1.2.3:2304) has been kicked by BattlEye: Admin Kick (Spam)",
       {K::PlayerKicked, 7, "Anna", "10.1.2.3:2304", "", "Admin Kick (Spam)"}},
      {"Player #7 Anna (10.1.2.3) has been kicked by BattlEye: Admin Kick",
       {K::PlayerKicked, 7, "Anna", "10.1.2.3", "", "Admin Kick"}},
      {"RCon admin #0 (198.51.100.7:51234) logged in", {K::AdminLogin, 0, "", "198.51.100.7:51234", "", ""}, LogCategory::Admin},
      {"RCon admin #0: (Global) hello all", {K::AdminMessage, 0, "", "", "", "hello all"}, LogCategory::Admin},
      {"RCon admin #1: (To John Smith) stop that", {K::AdminMessage, 1, "John Smith", "", "", "stop that"}, LogCategory::Admin},
      {"(Global) John Smith: anyone at the airfield?", {K::Chat, -1, "John Smith", "", "", "anyone at the airfield?"}, LogCategory::Chat},
      {"(Unknown) Jürgen Müller: grüß dich", {K::Chat, -1, "Jürgen Müller", "", "", "grüß dich"}, LogCategory::Chat},
      {"(Direct) Bob: ", {K::Chat, -1, "Bob", "", "", ""}, LogCategory::Chat},
      {"Server will restart in 5 minutes", {K::Plain, -1, "", "", "", ""}, LogCategory::Other},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadLine(c.line), c.expected) << c.line;
    EXPECT_EQ(CategoryOf(c.expected.kind), c.category) << c.line;
  }
}

TEST(ServerEvents, ChatChannelsAndKickCauses) {
  const std::pair<std::string, ChatChannel> channels[] = {
      {"Global", ChatChannel::Global}, {"Side", ChatChannel::Side},       {"Command", ChatChannel::Command},
      {"Group", ChatChannel::Group},   {"Vehicle", ChatChannel::Vehicle}, {"Direct", ChatChannel::Direct},
      {"Unknown", ChatChannel::Unknown}};
  for (const auto& [word, channel] : channels) {
    ServerEvent e;
    const std::string line = "(" + word + ") Bob: hi";
    ASSERT_EQ(ReadServerEvent(line, &e), K::Chat) << word;
    EXPECT_EQ(e.channel, channel);
    EXPECT_EQ(ChatChannelName(channel), word);
  }
  const struct {
    std::string reason;
    KickCause cause;
    std::string adminText;
  } kicks[] = {{"Admin Kick", KickCause::AdminKick, ""},
               {"Admin Kick (go to bed (now))", KickCause::AdminKick, "go to bed (now)"},
               {"Admin Ban (Cheating)", KickCause::AdminBan, "Cheating"},
               {"Admin Kicked", KickCause::Other, ""},
               {"Admin Kick (unclosed", KickCause::Other, ""},
               {"Global Ban #1a2b3c", KickCause::Other, ""}};
  for (const auto& k : kicks) {
    ServerEvent e;
    const std::string line = "Player #2 Bob (" + kGuid + ") has been kicked by BattlEye: " + k.reason;
    ASSERT_EQ(ReadServerEvent(line, &e), K::PlayerKicked);
    EXPECT_EQ(e.reason, k.reason);
    EXPECT_EQ(e.kickCause, k.cause) << k.reason;
    EXPECT_EQ(e.adminText, k.adminText) << k.reason;
  }
}

// A name may hold anything; the number and the server's own ends decide.
TEST(ServerEvents, HostileNamesNeverGiveAWrongEvent) {
  const std::string hostile[] = {
      "x (1.2.3.4:5) connected", "y disconnected", "Bob: hi", "#12", "Player #12 Bob", "(Global) a: b",
      "z (" + kGuid + ") has been kicked by BattlEye: Admin Kick", "w - BE GUID: " + kGuid, ") connected",
      " disconnected", "a (", "RCon admin #0: (Global) x"};
  for (const std::string& name : hostile) {
    const Read forms[] = {
        ReadLine("Player #3 " + name + " (10.0.0.1:2304) connected"),
        ReadLine("Player #3 " + name + " disconnected"),
        ReadLine("Player #3 " + name + " - BE GUID: " + kGuid),
        ReadLine("Verified GUID (" + kGuid + ") of player #3 " + name),
        ReadLine("Player #3 " + name + " (" + kGuid + ") has been kicked by BattlEye: Admin Kick"),
    };
    const Read expected[] = {
        {K::PlayerConnected, 3, name, "10.0.0.1:2304", "", ""},
        {K::PlayerDisconnected, 3, name, "", "", ""},
        {K::PlayerGuid, 3, name, "", kGuid, ""},
        {K::PlayerGuidVerified, 3, name, "", kGuid, ""},
        {K::PlayerKicked, 3, name, "", kGuid, "Admin Kick"},
    };
    for (size_t i = 0; i < std::size(forms); ++i) EXPECT_EQ(forms[i], expected[i]) << "name: " << name;
  }
}

// Near misses of each form: the wrong event would be worse than none.
TEST(ServerEvents, LinesThatDoNotFitExactlyArePlain) {
  const std::string lines[] = {
      "",
      "Player #12",
      "Player #12 ",
      "Player # Bob disconnected",
      "Player #-1 Bob disconnected",
      "Player #012 Bob disconnected",
      "Player #1234567890 Bob disconnected",
      "Player #12Bob disconnected",
      "player #12 Bob disconnected",
      " Player #12 Bob disconnected",
      "Player #12 Bob disconnected ",
      "Player #12 Bob (203.0.113.5) connected",
      "Player #12 Bob (203.0.113.256:2304) connected",
      "Player #12 Bob (203.0.113.5:70000) connected",
      "Player #12 Bob (1.2.3:4) connected",
      "Player #12 Bob (a.b.c.d:1) connected",
      "Player #12 Bob connected",
      "Player #12 Bob - BE GUID: " + kGuid.substr(1),
      "Player #12 Bob - BE GUID: " + kGuid.substr(1) + "g",
      "Player #12 Bob - GUID: " + kGuid,
      "Player #12 Bob - BE GUID: " + kGuid + " (unverified)",
      "Verified GUID (" + kGuid + ") of player #12",
      "Verified GUID (" + kGuid.substr(2) + ") of player #12 Bob",
      "Player #12 Bob (not an address) has been kicked by BattlEye: x",
      "Player #12 Bob has been kicked by BattlEye: x",
      "RCon admin #0 (198.51.100.7) logged in",
      "RCon admin #0 (198.51.100.7:51234) logged in!",
      "RCon admin #0: (Side) hi",
      "RCon admin #0: (To ) hi",
      "RCon admin #0: (To Bob)",
      "RCon admin #0: hi",
      "(Global) no colon here",
      "(Global) : no name",
      "(Shout) Bob: hi",
      "(Global)Bob: hi",
      "Connected RCon admin #0 from 127.0.0.1",
  };
  for (const std::string& line : lines) {
    ServerEvent e;
    EXPECT_EQ(ReadServerEvent(line, &e), K::Plain) << line;
    EXPECT_EQ(e.number, -1) << line;
    EXPECT_TRUE(e.name.empty()) << line;
  }
}

TEST(ServerEvents, KnownNamesSettleWhereANameEnds) {
  const std::vector<std::string_view> names = {"Bob", "Bob: the builder", "Al) x"};
  const struct {
    std::string line;
    std::string name, text;
  } cases[] = {
      {"(Side) Bob: the builder: hello", "Bob: the builder", "hello"},
      {"(Side) Bob: hello", "Bob", "hello"},
      {"(Side) Carl: x: y", "Carl", "x: y"},  // unknown: the first split stays
      {"RCon admin #0: (To Al) x) sorry", "Al) x", "sorry"},
      {"RCon admin #0: (To Bob) hi", "Bob", "hi"},
  };
  for (const auto& c : cases) {
    ServerEvent e;
    ASSERT_NE(ReadServerEvent(c.line, &e), K::Plain) << c.line;
    ResolveSpeaker(c.line, names, &e);
    EXPECT_EQ(e.name, c.name) << c.line;
    EXPECT_EQ(e.text, c.text) << c.line;
  }
}

TEST(ServerEvents, FiltersShowTheirCategoryOnly) {
  EXPECT_TRUE(ShownUnder(LogFilter::All, LogCategory::Other));
  EXPECT_FALSE(ShownUnder(LogFilter::Chat, LogCategory::Other));
  EXPECT_FALSE(ShownUnder(LogFilter::Players, LogCategory::Admin));
  EXPECT_TRUE(ShownUnder(LogFilter::Admin, LogCategory::Admin));
}

}  // namespace
