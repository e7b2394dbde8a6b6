// See modal_tick.h.
#include "app/modal_tick.h"

#include <windows.h>

#include "app/status_bar.h"
#include "net/tick.h"

namespace {

int g_depth = 0;
UINT_PTR g_timer = 0;
int g_tickingAtDepth = -1;  // the loop depth whose timer is running a tick

// A modal loop waits for window messages only, so a datagram cannot wake it;
// the timer looks every 10 ms (about the system's resolution), and each
// tick reads everything waiting (up to its bound) the way the main loop does.
constexpr UINT kIntervalMs = 10;
constexpr int kPassesPerFiring = 1;

void CALLBACK TickFromModalLoop(HWND, UINT, UINT_PTR, DWORD) {
  // A tick can open a modal loop of its own (Set MaxPing asks from inside
  // the tick), and the tick goes on in there; but a firing that comes while
  // this loop's own tick still runs waits for the next one.
  if (g_tickingAtDepth == g_depth) return;
  const int outer = g_tickingAtDepth;
  g_tickingAtDepth = g_depth;
  for (int i = 0; i < kPassesPerFiring; ++i) NetworkTick();
  UpdateStatusBar();
  g_tickingAtDepth = outer;
}

}  // namespace

void EnterModalLoop() {
  if (g_depth++ == 0) g_timer = SetTimer(nullptr, 0, kIntervalMs, TickFromModalLoop);
}

void LeaveModalLoop() {
  if (g_depth == 0) return;
  if (--g_depth == 0 && g_timer) {
    KillTimer(nullptr, g_timer);
    g_timer = 0;
  }
}

bool InModalLoop() { return g_depth > 0; }

namespace {
bool g_idleLease = false;
}

void ModalLoopIdle() {
  if (g_idleLease || g_depth > 0) return;
  g_idleLease = true;
  EnterModalLoop();
}

void EventLoopHasTheThread() {
  if (!g_idleLease) return;
  g_idleLease = false;
  LeaveModalLoop();
}

void FollowModalLoop(unsigned message) {
  switch (message) {
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
      EnterModalLoop();
      break;
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE:
      LeaveModalLoop();
      break;
    case WM_ENTERIDLE:
      ModalLoopIdle();
      break;
    default:
      break;
  }
}
