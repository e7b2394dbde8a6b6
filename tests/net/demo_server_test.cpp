// The demo server seen from the wire: a raw UDP client of its own talks to a
// running demo-server process, so these tests check exactly what Quorvel
// will receive. The server is a native program; under Windows they skip.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/framing.h"
#include "tests/support/demo_server.h"

namespace {

using quorvel_test::DemoServer;

struct Frame {
  uint8_t type = 0;
  uint8_t sequence = 0;
  std::string payload;
};

class RawClient {
 public:
  explicit RawClient(int port) : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
    server_.sin_family = AF_INET;
    server_.sin_port = htons(static_cast<uint16_t>(port));
    server_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  }
  ~RawClient() { close(fd_); }

  void SendBytes(const std::vector<uint8_t>& bytes) {
    sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&server_), sizeof server_);
  }
  void SendFrame(uint8_t type, int sequence, const std::string& payload) {
    uint8_t out[2048], scratch[2048];
    const int n = rcon::FrameDatagram(out, sizeof out, scratch, sizeof scratch, type, sequence,
                                      reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
    ASSERT_GT(n, 0);
    SendBytes(std::vector<uint8_t>(out, out + n));
  }

  bool ReceiveBytes(std::vector<uint8_t>* bytes, int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    bytes->resize(65536);
    const ssize_t n = recv(fd_, bytes->data(), bytes->size(), 0);
    if (n < 0) return false;
    bytes->resize(static_cast<size_t>(n));
    return true;
  }
  // Only well-formed, correctly checksummed frames count.
  bool ReceiveFrame(Frame* frame, int timeoutMs = 2000) {
    std::vector<uint8_t> bytes;
    if (!ReceiveBytes(&bytes, timeoutMs)) return false;
    rcon::FrameView view;
    if (!rcon::ReadFrame(bytes.data(), bytes.size(), &view) || !view.checksumValid) {
      ADD_FAILURE() << "not a valid remote-console datagram, " << bytes.size() << " bytes";
      return false;
    }
    frame->type = view.type;
    frame->sequence = view.sequence;
    frame->payload.assign(reinterpret_cast<const char*>(view.payload), view.payloadLength);
    return true;
  }

  // Logs in and returns the login result byte, or -1 when nothing came.
  int Login(const std::string& password, int timeoutMs = 2000) {
    SendFrame(rcon::kTypeLogin, -1, password);
    Frame reply;
    if (!ReceiveFrame(&reply, timeoutMs)) return -1;
    EXPECT_EQ(reply.type, rcon::kTypeLogin);
    EXPECT_EQ(reply.payload.size(), 0u);
    return reply.sequence;
  }

  // Sends a command and returns its reply, reassembled from its parts when
  // it was split. Server messages met on the way are kept in `messages`.
  std::string Command(const std::string& text, size_t* parts = nullptr) {
    const uint8_t sequence = sequence_++;
    SendFrame(rcon::kTypeCommand, sequence, text);
    std::map<int, std::string> pieces;
    int count = 0;
    Frame f;
    while (ReceiveFrame(&f)) {
      if (f.type == rcon::kTypeServerMessage) {
        messages.push_back(f);
        continue;
      }
      EXPECT_EQ(f.type, rcon::kTypeCommand);
      EXPECT_EQ(f.sequence, sequence);
      largestPayload = std::max(largestPayload, f.payload.size());
      if (f.payload.size() < 3 || f.payload[0] != '\0') {
        if (parts) *parts = 1;
        return f.payload;
      }
      count = static_cast<uint8_t>(f.payload[1]);
      pieces[static_cast<uint8_t>(f.payload[2])] = f.payload.substr(3);
      arrival.push_back(static_cast<uint8_t>(f.payload[2]));
      if (static_cast<int>(pieces.size()) == count) break;
    }
    EXPECT_EQ(static_cast<int>(pieces.size()), count) << "reply to " << text << " incomplete";
    if (parts) *parts = pieces.size();
    std::string whole;
    for (auto& [index, piece] : pieces) whole += piece;
    return whole;
  }

  // Server messages arriving within `ms`, acknowledged as a client does,
  // each with the milliseconds since the call when it came.
  std::vector<std::pair<int64_t, std::string>> Collect(int ms) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::vector<std::pair<int64_t, std::string>> out;
    for (;;) {
      const auto left = ms - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
      Frame f;
      if (left <= 0 || !ReceiveFrame(&f, static_cast<int>(left))) break;
      if (f.type != rcon::kTypeServerMessage) continue;
      SendFrame(rcon::kTypeServerMessage, f.sequence, "");
      out.emplace_back(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), f.payload);
    }
    return out;
  }

  std::vector<Frame> messages;
  std::vector<int> arrival;  // part indices in the order they came
  size_t largestPayload = 0;

 private:
  int fd_;
  sockaddr_in server_{};
  uint8_t sequence_ = 0;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The player lines of a "players" reply (header and total line dropped).
std::vector<std::string> PlayerLines(const std::string& reply) {
  std::vector<std::string> lines = Lines(reply.size() > 115 ? reply.substr(115) : "");
  if (!lines.empty()) lines.pop_back();
  return lines;
}

// The GUID ban lines of a "bans" reply.
std::vector<std::string> GuidBanLines(const std::string& reply) {
  const size_t ipSection = reply.find("\nIP Bans");
  std::vector<std::string> lines;
  if (reply.size() < 86 || ipSection == std::string::npos) return lines;
  for (const std::string& line : Lines(reply.substr(86, ipSection - 86)))
    if (!line.empty()) lines.push_back(line);
  return lines;
}

#define START_SERVER(name, ...)                  \
  DemoServer name(__VA_ARGS__);                  \
  ASSERT_TRUE(name.ok()) << name.error()

TEST(DemoServer, LoginAcceptsOnlyThePassword) {
  START_SERVER(server, {"--password", "s3cret", "--chat-interval", "0"});
  RawClient wrong(server.port()), right(server.port());
  EXPECT_EQ(wrong.Login("demo"), 0);
  // A refused client gets no answers to commands.
  wrong.SendFrame(rcon::kTypeCommand, 0, "version");
  Frame f;
  EXPECT_FALSE(wrong.ReceiveFrame(&f, 300));
  EXPECT_EQ(right.Login("s3cret"), 1);
  EXPECT_EQ(right.Command("version"), "1.218");

  START_SERVER(refusing, {"--refuse-login", "--chat-interval", "0"});
  RawClient client(refusing.port());
  EXPECT_EQ(client.Login("demo"), 0);
}

TEST(DemoServer, CommandsKeepAliveAndUnknown) {
  START_SERVER(server, {"--chat-interval", "0"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  EXPECT_EQ(c.Command(""), "");
  EXPECT_EQ(c.Command("maxping"), "250");
  c.Command("maxping 180");
  EXPECT_EQ(c.Command("maxping"), "180");
  EXPECT_EQ(c.Command("frobnicate 3"), "Unknown command");
  // A wrong checksum is dropped, as a real server does.
  c.SendBytes({'B', 'E', 0, 0, 0, 0, 0xFF, 0x01, 0x09, 'v', 'e', 'r', 's', 'i', 'o', 'n'});
  Frame f;
  EXPECT_FALSE(c.ReceiveFrame(&f, 300));
  // "#shutdown" is answered, then the session is gone.
  EXPECT_FALSE(c.Command("#shutdown").empty());
  c.SendFrame(rcon::kTypeCommand, 40, "version");
  EXPECT_FALSE(c.ReceiveFrame(&f, 300));
}

TEST(DemoServer, PlayersReplyLayout) {
  START_SERVER(server, {"--players", "7", "--chat-interval", "0", "--part-size", "4000"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  const std::string reply = c.Command("players");
  ASSERT_GT(reply.size(), 115u);
  EXPECT_EQ(reply.substr(0, 19), "Players on server:\n");
  EXPECT_EQ(reply[114], '\n');
  EXPECT_EQ(reply.substr(115, 2), "0 ") << "the first player line starts right after 115 characters";
  EXPECT_EQ(reply.substr(reply.rfind('\n') + 1), "(7 players in total)");
  const std::vector<std::string> lines = PlayerLines(reply);
  ASSERT_EQ(lines.size(), 7u);
  bool sawSpaceInName = false, sawUtf8Name = false;
  for (const std::string& line : lines) {
    const std::vector<std::string> w = Words(line);
    ASSERT_GE(w.size(), 5u) << line;
    EXPECT_NE(w[1].find(':'), std::string::npos);
    EXPECT_TRUE(w[1].rfind("10.", 0) == 0 || w[1].rfind("192.168.", 0) == 0) << w[1];
    ASSERT_EQ(w[3].size(), 36u) << w[3];
    EXPECT_EQ(w[3].substr(32), "(OK)");
    EXPECT_EQ(w[3].find_first_not_of("0123456789abcdef"), 32u);
    sawSpaceInName |= w.size() > 5;
    sawUtf8Name |= std::any_of(line.begin(), line.end(), [](char ch) { return ch & 0x80; });
  }
  EXPECT_TRUE(sawSpaceInName);
  EXPECT_TRUE(sawUtf8Name);
}

TEST(DemoServer, BansReplyLayout) {
  START_SERVER(server, {"--bans", "6", "--chat-interval", "0", "--part-size", "4000"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  const std::string reply = c.Command("bans");
  ASSERT_GT(reply.size(), 86u);
  EXPECT_EQ(reply.substr(0, 11), "GUID Bans:\n");
  EXPECT_EQ(reply[85], '\n');
  EXPECT_EQ(reply.substr(86, 2), "0 ");
  const std::vector<std::string> bans = GuidBanLines(reply);
  ASSERT_EQ(bans.size(), 6u);
  for (size_t i = 0; i < bans.size(); ++i) {
    const std::vector<std::string> w = Words(bans[i]);
    ASSERT_GE(w.size(), 4u);
    EXPECT_EQ(w[0], std::to_string(i));
    EXPECT_EQ(w[1].size(), 32u);
    EXPECT_TRUE(w[2] == "perm" || std::stoi(w[2]) > 0) << w[2];
  }
  // The GUID section ends with an empty line before the IP bans.
  EXPECT_NE(reply.find("\n\nIP Bans:\n"), std::string::npos);

  START_SERVER(empty, {"--bans", "0", "--chat-interval", "0"});
  RawClient e(empty.port());
  ASSERT_EQ(e.Login("demo"), 1);
  const std::string none = e.Command("bans");
  EXPECT_EQ(none.substr(86, 8), "\nIP Bans");
}

TEST(DemoServer, LongReplySplitIntoShuffledParts) {
  START_SERVER(server, {"--players", "200", "--chat-interval", "0", "--part-size", "500", "--shuffle-parts"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  size_t parts = 0;
  const std::string reply = c.Command("players", &parts);
  EXPECT_GT(parts, 10u);
  EXPECT_FALSE(std::is_sorted(c.arrival.begin(), c.arrival.end()));
  EXPECT_EQ(PlayerLines(reply).size(), 200u);
  EXPECT_EQ(reply.substr(reply.rfind('\n') + 1), "(200 players in total)");
  EXPECT_EQ(reply.substr(0, 19), "Players on server:\n");
  EXPECT_LE(c.largestPayload, 500u) << "the part size counts the part header too";
  EXPECT_EQ(server.Stop(), 0) << "a clean exit on SIGTERM, no sanitizer report";
}

TEST(DemoServer, KickAndBanRemoveThePlayer) {
  START_SERVER(server, {"--players", "5", "--bans", "2", "--chat-interval", "0", "--part-size", "4000"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  const std::vector<std::string> before = PlayerLines(c.Command("players"));
  ASSERT_EQ(before.size(), 5u);
  const std::vector<std::string> third = Words(before[3]);

  c.Command("kick 3 Spam");
  std::vector<std::string> after = PlayerLines(c.Command("players"));
  ASSERT_EQ(after.size(), 4u);
  for (const std::string& line : after) EXPECT_NE(Words(line)[0], "3");
  ASSERT_EQ(c.messages.size(), 1u);
  std::string name = before[3].substr(before[3].find("(OK) ") + 5);
  EXPECT_EQ(c.messages[0].payload,
            "Player #3 " + name + " (" + third[1] + ") has been kicked by BattlEye: Admin Kick (Spam)");
  EXPECT_NE(c.Command("kick 3 again"), "") << "player 3 is gone";

  // Timed and permanent bans land at the end of the GUID list.
  const std::string guid1 = Words(after[1])[3].substr(0, 32);
  const std::string guid0 = Words(after[0])[3].substr(0, 32);
  c.Command("ban 1 2880 Cheating hard");
  c.Command("ban 0 0 Aimbot");
  const std::vector<std::string> bans = GuidBanLines(c.Command("bans"));
  ASSERT_EQ(bans.size(), 4u);
  EXPECT_EQ(Words(bans[2]), (std::vector<std::string>{"2", guid1, "2880", "Cheating", "hard"}));
  EXPECT_EQ(Words(bans[3]), (std::vector<std::string>{"3", guid0, "perm", "Aimbot"}));
  EXPECT_EQ(PlayerLines(c.Command("players")).size(), 2u);
  EXPECT_EQ(server.Stop(), 0);
}

TEST(DemoServer, RemoveBanRemovesTheNumberedLine) {
  START_SERVER(server, {"--bans", "4", "--chat-interval", "0", "--part-size", "4000"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  const std::vector<std::string> before = GuidBanLines(c.Command("bans"));
  ASSERT_EQ(before.size(), 4u);
  c.Command("removeBan 1");
  const std::vector<std::string> after = GuidBanLines(c.Command("bans"));
  ASSERT_EQ(after.size(), 3u);
  // Lines are renumbered; the GUIDs show which ban went.
  EXPECT_EQ(Words(after[0])[1], Words(before[0])[1]);
  EXPECT_EQ(Words(after[1])[1], Words(before[2])[1]);
  EXPECT_EQ(Words(after[2])[1], Words(before[3])[1]);
  EXPECT_EQ(Words(after[1])[0], "1");
  EXPECT_NE(c.Command("removeBan 40"), "Ban removed");
}

TEST(DemoServer, ServerMessagesResentUntilAcknowledged) {
  START_SERVER(server, {"--chat-interval", "0", "--resend-interval", "100"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  EXPECT_EQ(c.Command("say -1 hello all"), "");
  Frame first;
  ASSERT_TRUE(c.ReceiveFrame(&first));
  ASSERT_EQ(first.type, rcon::kTypeServerMessage);
  EXPECT_EQ(first.payload, "RCon admin #0: (Global) hello all");
  // Unacknowledged: five resends with the same sequence byte, then silence.
  int resends = 0;
  Frame f;
  while (c.ReceiveFrame(&f, 600)) {
    EXPECT_EQ(f.type, rcon::kTypeServerMessage);
    EXPECT_EQ(f.sequence, first.sequence);
    EXPECT_EQ(f.payload, first.payload);
    ++resends;
  }
  EXPECT_EQ(resends, 5);

  // The next message has the next number; acknowledged, it is not resent.
  c.Command("say -1 second");
  Frame second;
  ASSERT_TRUE(c.ReceiveFrame(&second));
  EXPECT_EQ(second.sequence, static_cast<uint8_t>(first.sequence + 1));
  c.SendFrame(rcon::kTypeServerMessage, second.sequence, "");
  EXPECT_FALSE(c.ReceiveFrame(&f, 400));
  const std::vector<std::string> log = server.ReadLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "ACK " + std::to_string(second.sequence)), log.end());
  EXPECT_EQ(server.Stop(), 0);
}

TEST(DemoServer, SayComesBackToEveryoneOrNamesThePlayer) {
  START_SERVER(server, {"--players", "6", "--chat-interval", "0", "--part-size", "4000"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  const std::vector<std::string> players = PlayerLines(c.Command("players"));
  ASSERT_EQ(players.size(), 6u);
  const std::string third = players[3].substr(players[3].find("(OK) ") + 5);
  // Among the first players: a name with the characters server messages use.
  EXPECT_TRUE(std::any_of(players.begin(), players.end(), [](const std::string& line) {
    const std::string name = line.substr(line.find("(OK) ") + 5);
    return name.find(' ') != std::string::npos && name.find('#') != std::string::npos &&
           name.find('(') != std::string::npos;
  }));
  EXPECT_EQ(c.Command("say -1 hello all"), "");
  EXPECT_EQ(c.Command("say 3 stop that"), "");
  EXPECT_EQ(c.Command("say 40 nobody there"), "");
  std::vector<std::string> texts;
  for (const Frame& f : c.messages) texts.push_back(f.payload);
  for (const auto& [ms, text] : c.Collect(300)) texts.push_back(text);
  EXPECT_EQ(texts, (std::vector<std::string>{"RCon admin #0: (Global) hello all",
                                             "RCon admin #0: (To " + third + ") stop that"}));
}

// Checked against the forms as written by hand, not against our reader.
TEST(DemoServer, SaysEveryMessageFormByItself) {
  START_SERVER(server, {"--players", "6", "--chat-interval", "40"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  const auto messages = c.Collect(2500);
  const std::regex connected(R"(Player #(\d+) (.+) \(\d+\.\d+\.\d+\.\d+:\d+\) connected)");
  const std::regex guid(R"(Player #(\d+) (.+) - BE GUID: ([0-9a-f]{32}))");
  const std::regex verified(R"(Verified GUID \(([0-9a-f]{32})\) of player #(\d+) (.+))");
  const std::regex left(R"(Player #(\d+) (.+) disconnected)");
  const std::regex kicked(R"(Player #\d+ .+ \([0-9a-f]{32}\) has been kicked by BattlEye: .+)");
  const std::regex login(R"(RCon admin #\d+ \(\d+\.\d+\.\d+\.\d+:\d+\) logged in)");
  const std::regex adminSays(R"(RCon admin #\d+: \(Global\) .+)");
  const std::regex chat(R"(\((Global|Side|Command|Group|Vehicle|Direct|Unknown)\) .+: .+)");
  std::set<std::string> channels;
  std::map<std::string, int64_t> joinedAt;  // number -> when its connected line came
  int joins = 0, guids = 0, leaves = 0, kicks = 0, logins = 0, adminLines = 0;
  for (const auto& [ms, text] : messages) {
    std::smatch m;
    if (std::regex_match(text, m, connected)) {
      joinedAt[m[1]] = ms;
      ++joins;
    } else if (std::regex_match(text, m, guid)) {
      ASSERT_EQ(joinedAt.count(m[1]), 1u) << text;
      EXPECT_GE(ms - joinedAt[m[1]], 800) << "the GUID comes a second after the join: " << text;
      ++guids;
    } else if (std::regex_match(text, m, verified)) {
      EXPECT_EQ(joinedAt.count(m[2]), 1u) << text;
    } else if (std::regex_match(text, m, left)) {
      ++leaves;
    } else if (std::regex_match(text, kicked)) {
      ++kicks;
    } else if (std::regex_match(text, login)) {
      ++logins;
    } else if (std::regex_match(text, adminSays)) {
      ++adminLines;
    } else if (std::regex_match(text, m, chat)) {
      channels.insert(m[1]);
    } else {
      ADD_FAILURE() << "no known form: " << text;
    }
  }
  EXPECT_EQ(channels.size(), 7u);
  EXPECT_GT(joins, 0);
  EXPECT_GT(guids, 0);
  EXPECT_GT(leaves, 0);
  EXPECT_GT(kicks, 0);
  EXPECT_GT(logins, 0);
  EXPECT_GT(adminLines, 0);
  EXPECT_EQ(server.Stop(), 0);
}

TEST(DemoServer, BurstsOfJoinsAndLeavesOnSignals) {
  START_SERVER(server, {"--players", "4", "--chat-interval", "0", "--burst", "10", "--part-size", "4000"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  server.Signal(SIGUSR1);
  auto messages = c.Collect(2200);
  auto count = [&](const char* ending) {
    return std::count_if(messages.begin(), messages.end(), [&](const auto& m) { return m.second.ends_with(ending); });
  };
  EXPECT_EQ(count(") connected"), 10);
  EXPECT_EQ(PlayerLines(c.Command("players")).size(), 14u);
  server.Signal(SIGUSR2);
  messages = c.Collect(1000);
  EXPECT_EQ(count(" disconnected"), 10);
  EXPECT_LT(messages.back().first - messages.front().first, 900) << "a burst, not a trickle";
  EXPECT_EQ(PlayerLines(c.Command("players")).size(), 4u);
  EXPECT_EQ(server.Stop(), 0);
}

TEST(DemoServer, StatusReplyLayout) {
  START_SERVER(server, {"--players", "4", "--chat-interval", "0", "--part-size", "4000"});
  RawClient c(server.port());
  c.SendBytes({0xFE, 0xFD, 0x00, 0x0A, 0x0B, 0x0C, 0x0D, 0xFF, 0xFF, 0xFF});
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(c.ReceiveBytes(&bytes, 2000));
  ASSERT_GE(bytes.size(), 5u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 5), (std::vector<uint8_t>{0, 0x0A, 0x0B, 0x0C, 0x0D}));
  ASSERT_EQ(bytes.back(), 0) << "every string is NUL-terminated";
  // Walked by bytes: the settings up to the empty key, then a count byte and
  // strings, twice (players, then teams).
  size_t at = 5;
  const auto next = [&] {
    std::string text;
    while (at < bytes.size() && bytes[at] != 0) text += static_cast<char>(bytes[at++]);
    ++at;
    return text;
  };
  std::map<std::string, std::string> settings;
  for (std::string key; !(key = next()).empty();) settings[key] = next();
  EXPECT_NE(settings["hostname"].find("D\xC3\xA9mo"), std::string::npos);
  EXPECT_EQ(settings["language"], "1033");
  EXPECT_EQ(settings["platform"], "win");
  EXPECT_GE(std::stoi(settings["difficulty"]), 0);
  EXPECT_LE(std::stoi(settings["difficulty"]), 3);
  for (const char* key : {"gamever", "mapname", "gametype", "numplayers", "maxplayers", "mission", "password",
                          "dedicated", "mod", "equalModRequired", "verifySignatures", "signatures",
                          "currentVersion", "requiredVersion", "sv_battleye", "timelimit"})
    EXPECT_EQ(settings.count(key), 1u) << key;

  // The player section: a zero byte, the count byte, the field names, then
  // per player his values in that order, the names exactly as the remote
  // console lists them.
  ASSERT_TRUE(c.Login("demo") == 1);
  std::vector<std::string> names;
  for (const std::string& line : PlayerLines(c.Command("players"))) names.push_back(line.substr(line.find("(OK) ") + 5));
  ASSERT_LT(at + 1, bytes.size());
  EXPECT_EQ(bytes[at++], 0);
  EXPECT_EQ(bytes[at++], names.size());
  std::vector<std::string> fields;
  for (std::string field; !(field = next()).empty();) fields.push_back(field);
  EXPECT_EQ(fields, (std::vector<std::string>{"player_", "team_", "score_", "deaths_"}));
  std::map<std::string, int> teams;
  for (size_t p = 0; p < names.size(); ++p) {
    EXPECT_EQ(next(), names[p]);
    const std::string team = next();
    EXPECT_FALSE(team.empty());
    teams[team] += std::stoi(next());
    EXPECT_GE(std::stoi(next()), 0);
  }
  // The team section: each team once, with its players' total score.
  ASSERT_LT(at + 1, bytes.size());
  EXPECT_EQ(bytes[at++], 0);
  EXPECT_EQ(bytes[at++], teams.size());
  EXPECT_EQ(next(), "team_t");
  EXPECT_EQ(next(), "score_t");
  EXPECT_EQ(next(), "");
  for (size_t t = 0; t < teams.size(); ++t) {
    const std::string team = next();
    EXPECT_EQ(std::stoi(next()), teams[team]) << team;
  }
  EXPECT_EQ(at, bytes.size());
}

TEST(DemoServer, StatusSettingsCanBeChangedAddedAndLeftOut) {
  START_SERVER(server, {"--setting", "hostname=Second", "--setting", "mod", "--setting", "extra=1", "--setting",
                        "mod=back", "--setting", "mod"});
  RawClient c(server.port());
  c.SendBytes({0xFE, 0xFD, 0x00, 0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF});
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(c.ReceiveBytes(&bytes, 2000));
  std::vector<std::string> strings;
  for (size_t at = 5; at < bytes.size();) {
    strings.emplace_back(reinterpret_cast<const char*>(bytes.data() + at));
    at += strings.back().size() + 1;
  }
  std::map<std::string, std::string> settings;
  for (size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) settings[strings[i]] = strings[i + 1];
  EXPECT_EQ(settings["hostname"], "Second");
  EXPECT_EQ(settings.count("mod"), 0u) << "the last word on a key counts";
  EXPECT_EQ(settings["extra"], "1");
  EXPECT_EQ(settings["mapname"], "Chernarus");
}

TEST(DemoServer, SilentServerAnswersNothingButLogs) {
  START_SERVER(server, {"--silent", "--chat-interval", "50"});
  RawClient c(server.port());
  EXPECT_EQ(c.Login("demo", 400), -1);
  c.SendBytes(std::vector<uint8_t>(rcon::kStatusQuery, rcon::kStatusQuery + 10));
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(c.ReceiveBytes(&bytes, 400));
  c.SendFrame(rcon::kTypeCommand, 7, "players\nnow");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(server.ReadLog(),
            (std::vector<std::string>{"RECV 0 - demo", "RECV status-query", "RECV 1 7 players\\x0anow"}));
}

TEST(DemoServer, NoStatusAnswersAllButTheStatusQuery) {
  START_SERVER(server, {"--no-status", "--chat-interval", "0"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  c.SendBytes(std::vector<uint8_t>(rcon::kStatusQuery, rcon::kStatusQuery + 10));
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(c.ReceiveBytes(&bytes, 400));
  EXPECT_FALSE(c.Command("players").empty());
  const auto log = server.ReadLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "RECV status-query"), log.end());
}

TEST(DemoServer, IdleClientIsForgotten) {
  START_SERVER(server, {"--chat-interval", "0", "--client-timeout", "300"});
  RawClient c(server.port());
  ASSERT_EQ(c.Login("demo"), 1);
  EXPECT_EQ(c.Command(""), "");
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  c.SendFrame(rcon::kTypeCommand, 5, "version");
  Frame f;
  EXPECT_FALSE(c.ReceiveFrame(&f, 300));
}

}  // namespace

#else

TEST(DemoServer, NativeOnly) { GTEST_SKIP() << "the demo server is a Linux program"; }

#endif  // _WIN32
