// The event loop. Each pass first gives the protocol client its tick (it
// reads what waits on the socket and moves the pending requests on, and costs
// next to nothing when nothing is due), then handles one window event; with
// no event queued the thread sleeps until a window event, a datagram, the
// end of a name look-up or the next deadline of the client or the status bar.
#include "app/event_loop.h"

#include <windows.h>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/modal_tick.h"
#include "app/status_bar.h"
#include "net/tick.h"

namespace {
bool g_quitMessage = false;
}

bool RunOneEventLoopPass(uint32_t longestWaitMs) {
  EventLoopHasTheThread();
  if (g_quitMessage || MainWindowQuitRequested()) return false;
  NetworkTick();
  UpdateStatusBar();
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    const uint32_t statusWait = StatusBarWaitMs();
    WaitForNetwork(statusWait < longestWaitMs ? statusWait : longestWaitMs, true);
    return true;
  }
  if (msg.message == WM_QUIT) {
    g_quitMessage = true;
    return false;
  }
  HWND window = MainWindow();
  if (!RouteDialogMessage(&msg) && !MainWindowTabKey(msg) &&
      !(window && TranslateAcceleratorW(window, MainAccelerators(), &msg))) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  RelayoutMainWindow();
  return !MainWindowQuitRequested();
}

void RunEventLoop() {
  while (RunOneEventLoopPass(platform::kWaitForever)) {
  }
}
