// Quorvel's entry point: start-up in order, the event loop, shut-down.
//
// One thread serves the windows and the connection: the loop sleeps until a
// window event, a datagram or the next deadline, and nothing in it waits for
// the server (event_loop.h).
#include <windows.h>

#include "app/event_loop.h"
#include "app/favourites.h"
#include "app/files/settings.h"
#include "app/history_view.h"
#include "app/images.h"
#include "app/main_window.h"
#include "net/session.h"
#include "net/shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  PendingAction = Action::None;
  ProtocolStartup();
  LoadEmbeddedImages();
  LoadFavourites();
  LoadSettings();

  HWND window = CreateMainWindow(instance);
  if (window == nullptr) {
    MessageBoxW(nullptr, L"The main window could not be created.", L"Quorvel", MB_OK | MB_ICONERROR);
    ProtocolShutdown();
    return 1;
  }

  // A settings file that could not be read was found before the log existed.
  if (const std::string problem = TakeSettingsProblem(); !problem.empty()) AppendLog(problem);

  StartPlayerHistory(window);

  RunEventLoop();

  ProtocolShutdown();
  StopPlayerHistory();
  DestroyMainWindow();
  return 0;
}
