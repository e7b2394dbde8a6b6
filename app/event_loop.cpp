// The event loop. A burst of window events postpones the network tick until
// the queue is empty; that is intended: the 5 ms sleep only ever replaces
// idle time.
#include "app/event_loop.h"

#include <windows.h>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/modal_tick.h"
#include "net/tick.h"

namespace {
bool g_quitMessage = false;
}

bool RunOneEventLoopPass() {
  EventLoopHasTheThread();
  if (g_quitMessage || MainWindowQuitRequested()) return false;
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    Sleep(5);
    NetworkTick();
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
  while (RunOneEventLoopPass()) {
  }
}
