// The status bar: a standard status bar control (STATUSCLASSNAMEW) in three
// parts. Its texts are read from the session after each wake of the loop.
#include "app/status_bar.h"

#include <commctrl.h>

#include <array>

#include "app/main_window_internal.h"
#include "app/utf16.h"
#include "net/players.h"
#include "net/session.h"
#include "platform/platform.h"

namespace {

HWND g_bar = nullptr;
std::array<std::wstring, 3> g_shown;

constexpr uint32_t kMinuteMs = 60000;

std::string Target() { return Session.host + ":" + std::to_string(Session.port); }

std::string ConnectionText() {
  switch (Session.link) {
    case LinkState::Closed:
      return "Not connected";
    case LinkState::LookingUp:
    case LinkState::LoggingIn:
      return "Connecting to " + Target() + "\xE2\x80\xA6";
    case LinkState::Connected:
      break;
  }
  return "Connected to " + Target() + ConnectedForText(NetNow() - Session.connectedAt);
}

std::string PendingText() {
  if (Session.removeBan.active || (Session.banList.active && Session.banList.toRemove)) {
    return "Removing ban\xE2\x80\xA6";
  }
  if (Session.banList.active) return "Loading bans\xE2\x80\xA6";
  return {};
}

std::string PlayersText() {
  if (!Session.connected) return {};
  const size_t count = PlayerList.size();
  return std::to_string(count) + (count == 1 ? " player" : " players");
}

void SetPart(int part, const std::string& utf8) {
  std::wstring text = Widen(utf8);
  if (g_bar == nullptr || text == g_shown[static_cast<size_t>(part)]) return;
  SendMessageW(g_bar, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.c_str()));
  g_shown[static_cast<size_t>(part)] = std::move(text);
}

}  // namespace

std::string ConnectedForText(uint32_t elapsedMs) {
  const uint32_t minutes = elapsedMs / kMinuteMs;
  if (minutes == 0) return " for less than a minute";
  if (minutes < 60) return " for " + std::to_string(minutes) + " min";
  return " for " + std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

HWND CreateStatusBar(HWND parent) {
  g_bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  g_shown = {};
  if (g_bar == nullptr) return nullptr;
  SendMessageW(g_bar, WM_SETFONT, reinterpret_cast<WPARAM>(MainFont()), FALSE);
  // The connection's text is the longest; the players' count the shortest.
  const int edges[3] = {390, 560, -1};
  SendMessageW(g_bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  UpdateStatusBar();
  return g_bar;
}

HWND MainStatusBar() { return IsWindow(g_bar) ? g_bar : nullptr; }

void UpdateStatusBar() {
  if (MainStatusBar() == nullptr) return;
  SetPart(0, ConnectionText());
  SetPart(1, PendingText());
  SetPart(2, PlayersText());
}

uint32_t StatusBarWaitMs() {
  if (!Session.connected || MainStatusBar() == nullptr) return platform::kWaitForever;
  return kMinuteMs - (NetNow() - Session.connectedAt) % kMinuteMs;
}

std::wstring StatusBarText(int part) {
  if (MainStatusBar() == nullptr || part < 0 || part > 2) return {};
  wchar_t text[512] = {};
  const LRESULT length = SendMessageW(g_bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0);
  if (LOWORD(length) >= 512) return {};
  SendMessageW(g_bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
  return text;
}
