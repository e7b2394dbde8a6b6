// demo-server: a pretend game server on 127.0.0.1 that speaks the BattlEye
// remote console and the status query on one UDP port, for trying Quorvel
// out and for the protocol tests. See --help.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "tools/demo-server/server.h"

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_joinBurst = 0;
volatile sig_atomic_t g_leaveBurst = 0;

void OnSignal(int) { g_stop = 1; }
void OnJoinBurst(int) { g_joinBurst = 1; }
void OnLeaveBurst(int) { g_leaveBurst = 1; }
volatile sig_atomic_t g_push = 0;
void OnPushSignal(int) { g_push = 1; }

constexpr char kUsage[] =
    "Usage: demo-server [options]\n"
    "A simulated game server on 127.0.0.1: the BattlEye remote console and the\n"
    "status query on one UDP port. Prints \"listening on 127.0.0.1:PORT\" once bound.\n"
    "\n"
    "  --port P             UDP port; 0 picks a free one (default 0)\n"
    "  --password PW        remote-console password (default \"demo\")\n"
    "  --players N          simulated players, 0..256 (default 12)\n"
    "  --bans N             GUID bans at start, 0..2000 (default 5)\n"
    "  --chat-interval MS   push a server message every MS ms, in turn: chat on\n"
    "                       every channel, a leave and a join (with its GUID\n"
    "                       lines a second later), a kick by BattlEye, an admin\n"
    "                       logging in; 0 = never (default 15000)\n"
    "  --burst N            on SIGUSR1, N players join 50 ms apart; on SIGUSR2,\n"
    "                       the last N who joined so leave again (default 10)\n"
    "  --refuse-login       refuse every login\n"
    "  --silent             never answer anything (datagrams are still logged)\n"
    "  --query-port P       also answer the Steam query (A2S_INFO, A2S_PLAYER) on\n"
    "                       UDP port P (0 = a free one, printed as \"query port\n"
    "                       127.0.0.1:P\"), behind a challenge; a player list over\n"
    "                       1248 bytes goes out split (reversed with --shuffle-parts)\n"
    "  --no-status          never answer the status query (a remote console on a\n"
    "                       port of its own); status queries are still logged\n"
    "  --log FILE           append one line per datagram received:\n"
    "                         RECV 0 - <password>        a login\n"
    "                         RECV 1 <seq> <text>        a command (empty = keep-alive)\n"
    "                         ACK <seq>                  an acknowledged server message\n"
    "                         RECV status-query          a status query\n"
    "                         RECV bad-checksum <bytes>  dropped: wrong CRC-32\n"
    "                         RECV other <length>        anything else\n"
    "                         QUERY info|players|other N  on the query port\n"
    "                       control bytes are written as \\xNN\n"
    "  --part-size BYTES    largest reply payload in one datagram; longer replies\n"
    "                       go out in parts (0x00, count, index, slice); 16..65000,\n"
    "                       default 1000 (slices grow when 255 parts would not do)\n"
    "  --shuffle-parts      send the parts of a reply in a shuffled order\n"
    "  --resend-interval MS resend an unacknowledged server message every MS ms,\n"
    "                       at most 5 times (default 2000)\n"
    "  --client-timeout MS  forget a client silent for MS ms (default 45000)\n"
    "  --seed N             seed of the simulation (default 1)\n"
    "  --duration-ms MS     exit by itself after MS ms; 0 = run until SIGINT or\n"
    "                       SIGTERM (default 0)\n"
    "  --players-file FILE  after each \"players\" reply and status reply, write the\n"
    "                       players as the client should show them, one a line:\n"
    "                       name, score, deaths, team, ping, IP, GUID, tab-separated\n"
    "  --steady-players A-B the players numbered A to B never leave in the joins\n"
    "                       and leaves of --chat-interval\n"
    "  --setting KEY=VALUE  the status reply gives VALUE for KEY (added when the\n"
    "                       reply has no KEY); --setting KEY leaves KEY out.\n"
    "                       Repeatable\n"
    "  --help               this text\n"
    "\n"
    "SIGHUP pushes the chat line \"(Global) Admin: Is everyone there?\" to every\n"
    "logged-in client at once (for tests that time the client's answer).\n"
    "\n"
    "Commands: version, maxping [N], players, bans, kick N reason,\n"
    "ban N minutes|perm reason (0 = perm), addBan GUID|IP minutes reason,\n"
    "removeBan N, #lock, #unlock, #restart, #reassign, #shutdown, say -1|N text (echoed to every admin as\n"
    "\"RCon admin #0: (Global) text\" or \"RCon admin #0: (To Name) text\").\n"
    "The status reply is kept within 8192 bytes.\n";

bool ParseInt(const char* text, long long low, long long high, long long* out) {
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < low || value > high) return false;
  *out = value;
  return true;
}

// Fills `options`; on a bad command line prints why and returns false.
bool ParseOptions(int argc, char** argv, demo::Options* options, bool* help) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto number = [&](long long low, long long high, auto* field) {
      long long value = 0;
      if (i + 1 >= argc || !ParseInt(argv[i + 1], low, high, &value)) {
        std::fprintf(stderr, "demo-server: %s needs a number from %lld to %lld\n", arg.c_str(), low, high);
        return false;
      }
      ++i;
      *field = static_cast<std::remove_pointer_t<decltype(field)>>(value);
      return true;
    };
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      *help = true;
    } else if (arg == "--port") {
      ok = number(0, 65535, &options->port);
    } else if (arg == "--password") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "demo-server: --password needs a value\n");
        return false;
      }
      options->password = argv[++i];
    } else if (arg == "--players") {
      ok = number(0, 256, &options->players);
    } else if (arg == "--bans") {
      ok = number(0, 2000, &options->bans);
    } else if (arg == "--chat-interval") {
      ok = number(0, 86400000, &options->chatIntervalMs);
    } else if (arg == "--burst") {
      ok = number(0, 256, &options->burst);
    } else if (arg == "--refuse-login") {
      options->refuseLogin = true;
    } else if (arg == "--silent") {
      options->silent = true;
    } else if (arg == "--query-port") {
      ok = number(0, 65535, &options->queryPort);
    } else if (arg == "--no-status") {
      options->noStatus = true;
    } else if (arg == "--log") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "demo-server: --log needs a file name\n");
        return false;
      }
      options->logPath = argv[++i];
    } else if (arg == "--part-size") {
      ok = number(16, 65000, &options->partSize);
    } else if (arg == "--shuffle-parts") {
      options->shufflePartOrder = true;
    } else if (arg == "--resend-interval") {
      ok = number(1, 86400000, &options->resendIntervalMs);
    } else if (arg == "--client-timeout") {
      ok = number(1, 86400000, &options->clientTimeoutMs);
    } else if (arg == "--setting") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "demo-server: --setting needs KEY=VALUE or KEY\n");
        return false;
      }
      options->settings.push_back(argv[++i]);
    } else if (arg == "--seed") {
      ok = number(0, 4294967295LL, &options->seed);
    } else if (arg == "--players-file") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "demo-server: --players-file needs a file name\n");
        return false;
      }
      options->playersFile = argv[++i];
    } else if (arg == "--steady-players") {
      ok = i + 1 < argc && std::sscanf(argv[++i], "%d-%d", &options->steadyFirst, &options->steadyLast) == 2;
    } else if (arg == "--duration-ms") {
      ok = number(0, 1LL << 40, &options->durationMs);
    } else {
      std::fprintf(stderr, "demo-server: unknown option %s (see --help)\n", arg.c_str());
      return false;
    }
    if (!ok) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  demo::Options options;
  bool help = false;
  if (!ParseOptions(argc, argv, &options, &help)) return 2;
  if (help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  action.sa_handler = OnJoinBurst;
  sigaction(SIGUSR1, &action, nullptr);
  action.sa_handler = OnLeaveBurst;
  sigaction(SIGUSR2, &action, nullptr);
  struct sigaction push {};
  push.sa_handler = OnPushSignal;
  sigemptyset(&push.sa_mask);
  sigaction(SIGHUP, &push, nullptr);

  demo::Server server(options);
  if (!server.Open()) return 1;
  std::printf("listening on 127.0.0.1:%d\n", server.port());
  if (server.queryPort() != 0) std::printf("query port 127.0.0.1:%d\n", server.queryPort());
  std::fflush(stdout);

  server.Run(&g_stop, &g_joinBurst, &g_leaveBurst, &g_push);
  return 0;
}
