// Quorvel's entry point: start-up in order, the event loop, shut-down.
//
// The loop never waits for window events: when none is queued it sleeps 5 ms
// and gives the protocol client one network tick, so the connection is
// served on the same thread as the windows.
#include <windows.h>

#include "app/dialogs.h"
#include "app/favourites.h"
#include "app/images.h"
#include "app/main_window.h"
#include "net/session.h"
#include "net/shell.h"
#include "net/tick.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  PendingAction = Action::None;
  ProtocolStartup();
  LoadEmbeddedImages();
  LoadFavourites();

  HWND window = CreateMainWindow(instance);
  if (window == nullptr) {
    MessageBoxW(nullptr, L"The main window could not be created.", L"Quorvel", MB_OK | MB_ICONERROR);
    ProtocolShutdown();
    return 1;
  }

  HACCEL accelerators = MainAccelerators();
  while (!MainWindowQuitRequested()) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      Sleep(5);
      NetworkTick();
      continue;
    }
    if (msg.message == WM_QUIT) break;
    if (!RouteDialogMessage(&msg) && !TranslateAcceleratorW(window, accelerators, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    RelayoutMainWindow();
  }

  ProtocolShutdown();
  DestroyMainWindow();
  return 0;
}
