// Times the server's messages as the program takes them: 1,000 remote-console
// server-message datagrams, each checked, read into its event (joins and
// leaves change the players view), kept in the log with its time, written to
// the day's log file and shown, with the log already at its 5,000-line
// bound (so each line also drops the oldest). Twice: in bursts of 128, as
// one network tick reads them before the list is scrolled and painted once,
// and one at a time, each scrolled and painted by itself (a quiet server).
// And 1,000 chat lines alone in bursts: a mixed server's joins and leaves
// each add or remove a row of the players list, which costs far more.
// Beside it, a plain list box given the same lines the same way (drop the
// first, add one, scroll and paint per burst), which is what showing them
// costs at the least.
//
// Prints both, per message. Exits non-zero when the run did not measure what
// it names: the log not at its bound, or the last message not shown.
//
// Usage: log_bench [rounds]   (default 5; the best round counts)
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/wine/bench_clock.h"
#include "app/log_view.h"
#include "app/main_window.h"
#include "net/framing.h"
#include "net/live_players.h"
#include "net/players.h"
#include "net/session.h"
#include "net/tick.h"

namespace {

constexpr int kMessages = 1000;
constexpr int kBound = 5000;

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// A server's talk: mostly chat, with joins, GUID lines and leaves among it.
std::string Line(int round, int i, bool chatOnly = false) {
  const std::string n = std::to_string(100 + i % 50);
  const std::string tag = " [" + std::to_string(round) + "." + std::to_string(i) + "]";
  switch (chatOnly ? 9 : i % 10) {
    case 0: return "Player #" + n + " Rider " + n + " (203.0.113." + std::to_string(i % 250) + ":2304) connected";
    case 1: return "Player #" + n + " Rider " + n + " - BE GUID: 0123456789abcdef0123456789abcd" + n.substr(1);
    case 5: return "Player #" + n + " Rider " + n + " disconnected";
    case 7: return "RCon admin #1: (Global) Restart soon" + tag;
    default: return "(Side) Ghost #7 (Rider): need a medic at grid 045 112" + tag;
  }
}

std::vector<uint8_t> Frame(int sequence, const std::string& text) {
  std::vector<uint8_t> out(rcon::kDatagramBufferSize);
  std::vector<uint8_t> scratch(rcon::kScratchSize);
  const int n = rcon::FrameDatagram(out.data(), out.size(), scratch.data(), scratch.size(), rcon::kTypeServerMessage,
                                    sequence & 0xFF, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (CreateMainWindow(GetModuleHandleW(nullptr)) == nullptr) {
    std::puts("no main window");
    return 1;
  }
  // A session as the tick sees one (no socket: the acknowledgements go
  // nowhere), with a host so that the lines go to a log file too.
  Session.server = platform::Endpoint{0x7F000001, 2302};
  Session.host = "bench.invalid";
  Session.port = 2302;
  HWND log = LogList();
  for (int i = 0; i < kBound; ++i) AppendLog("filler line " + std::to_string(i));
  Pump();
  if (SendMessageW(log, LB_GETCOUNT, 0, 0) != kBound) {
    std::puts("the log is not at its bound");
    return 1;
  }

  HWND plain = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                               0, 0, 600, 120, MainWindow(), nullptr, GetModuleHandleW(nullptr), nullptr);
  for (int i = 0; i < kBound; ++i) {
    const std::wstring line = L"filler line " + std::to_wstring(i);
    SendMessageW(plain, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }

  // In bursts of 128, as one tick reads them, and one at a time, as a quiet
  // server's messages come: each then scrolled and painted by itself.
  struct Way {
    const char* name;
    int burst;
    bool chatOnly;
    double best = 1e30;
    double bestPlain = 1e30;
  };
  Way ways[] = {{"mixed, in bursts of 128", 128, false},
                {"chat, in bursts of 128", 128, true},
                {"mixed, one at a time", 1, false}};
  int sequence = 0;
  for (int round = 0; round < rounds; ++round) {
    for (Way& way : ways) {
      std::vector<std::vector<uint8_t>> frames;
      std::vector<std::wstring> lines;
      for (int i = 0; i < kMessages; ++i) {
        const std::string text = Line(sequence, i, way.chatOnly);
        frames.push_back(Frame(sequence, text));
        ++sequence;
        lines.push_back(L"21:45:03 " + std::wstring(text.begin(), text.end()));
      }
      const double start = Now();
      for (int i = 0; i < kMessages; ++i) {
        DispatchDatagram(Session, frames[i].data(), frames[i].size(), Session.server);
        if ((i + 1) % way.burst == 0 || i + 1 == kMessages) {
          ShowLivePlayerChanges();
          LogView_Flush();
          UpdateWindow(log);
        }
      }
      Pump();
      way.best = std::min(way.best, Now() - start);

      const double plainStart = Now();
      for (int i = 0; i < kMessages; ++i) {
        if (i % way.burst == 0) SendMessageW(plain, WM_SETREDRAW, FALSE, 0);
        SendMessageW(plain, LB_DELETESTRING, 0, 0);
        SendMessageW(plain, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines[i].c_str()));
        if ((i + 1) % way.burst == 0 || i + 1 == kMessages) {
          SendMessageW(plain, LB_SETTOPINDEX, static_cast<WPARAM>(kBound - 1), 0);
          SendMessageW(plain, WM_SETREDRAW, TRUE, 0);
          InvalidateRect(plain, nullptr, TRUE);
          UpdateWindow(plain);
        }
      }
      Pump();
      way.bestPlain = std::min(way.bestPlain, Now() - plainStart);

      // The last message shown, the bound kept.
      const LRESULT count = SendMessageW(log, LB_GETCOUNT, 0, 0);
      wchar_t last[512] = {};
      if (SendMessageW(log, LB_GETTEXTLEN, count - 1, 0) < 512)
        SendMessageW(log, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(last));
      const std::string expected = Line(sequence - 1, kMessages - 1, way.chatOnly);
      if (count != kBound || std::wstring(last).find(std::wstring(expected.begin(), expected.end())) == std::wstring::npos) {
        std::printf("round %d: %ld lines, the last not the last message\n", round, static_cast<long>(count));
        return 1;
      }
    }
  }
  std::printf("log_bench: %d server messages with the log at %d lines, best of %d rounds\n", kMessages, kBound, rounds);
  for (const Way& way : ways) {
    std::printf("  %-24s read, kept, filed and shown: %8.1f us per message; plain list box: %8.1f us per line\n",
                way.name, way.best * 1000.0 / kMessages, way.bestPlain * 1000.0 / kMessages);
  }
  DestroyMainWindow();
  return 0;
}
