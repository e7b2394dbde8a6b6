// The menu bar over a toolbar (see menu_bar.h). The buttons carry
// BTNS_DROPDOWN without TBSTYLE_EX_DRAWDDARROWS: the toolbar then reports the
// whole button as a drop-down (TBN_DROPDOWN on mouse down) and draws no arrow.
// Switching menus while one is open needs a WH_MSGFILTER hook, since the menu
// runs its own modal loop and the toolbar sees no input meanwhile: the hook
// records which title to open next and ends the current menu; the loop in
// TrackLoop then opens that one.
#include "app/menu_bar.h"

#include <commctrl.h>

#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr int kFirstButtonId = 1000;
constexpr wchar_t kSubclassProp[] = L"QuorvelMenuBarProc";

HWND g_bar = nullptr;
HWND g_owner = nullptr;
HMENU g_menu = nullptr;
int g_count = 0;
std::vector<std::wstring> g_titles;

HHOOK g_hook = nullptr;
int g_open = -1;         // drop-down shown now
int g_next = -1;         // drop-down to show when the current one ends
bool g_nextKeyboard = false;
int g_keyboardItem = -1;  // keyboard mode highlight
HWND g_focusBefore = nullptr;
POINT g_lastMouse{};
bool g_escaped = false;  // Escape closed the open menu

int HitTitle(POINT screen) {
  POINT pt = screen;
  ScreenToClient(g_bar, &pt);
  const int hit = static_cast<int>(SendMessageW(g_bar, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
  return (hit >= 0 && hit < g_count) ? hit : -1;
}

int TitleForLetter(wchar_t letter) {
  const wint_t wanted = std::towupper(letter);
  for (int i = 0; i < g_count; ++i) {
    if (!g_titles[i].empty() && std::towupper(g_titles[i][0]) == wanted) return i;
  }
  return -1;
}

void SwitchTo(int index, bool keyboard) {
  g_next = index;
  g_nextKeyboard = keyboard;
  EndMenu();
}

LRESULT CALLBACK MenuFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_MENU) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    switch (msg->message) {
      case WM_KEYDOWN:
        // Our drop-downs hold no submenus, so Left and Right always mean
        // "the neighbouring title".
        if (msg->wParam == VK_ESCAPE) g_escaped = true;  // the menu handles it
        if (msg->wParam == VK_LEFT || msg->wParam == VK_RIGHT) {
          const int step = msg->wParam == VK_LEFT ? g_count - 1 : 1;
          SwitchTo((g_open + step) % g_count, true);
          return TRUE;
        }
        break;
      case WM_MOUSEMOVE: {
        // Showing a menu makes the system repeat a mouse move at the pointer's
        // resting place; only a real move may switch titles, or a title left
        // under the pointer would snatch the menu back from the keyboard.
        if (msg->pt.x == g_lastMouse.x && msg->pt.y == g_lastMouse.y) break;
        g_lastMouse = msg->pt;
        const int hit = HitTitle(msg->pt);
        if (hit >= 0 && hit != g_open) {
          SwitchTo(hit, false);
          return TRUE;
        }
        break;
      }
      case WM_LBUTTONDOWN:
        // A click on the open title closes its menu instead of reopening it.
        if (HitTitle(msg->pt) == g_open) {
          g_next = -1;
          EndMenu();
          return TRUE;
        }
        break;
      default:
        break;
    }
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

void LeaveKeyboardMode(bool restoreFocus) {
  if (g_keyboardItem < 0) return;
  g_keyboardItem = -1;
  SendMessageW(g_bar, TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
  HWND before = g_focusBefore;
  g_focusBefore = nullptr;
  if (restoreFocus && GetFocus() == g_bar) SetFocus(IsWindow(before) ? before : g_owner);
}

void EnterKeyboardMode() {
  if (g_count == 0) return;
  HWND focus = GetFocus();
  g_focusBefore = focus == g_bar ? g_focusBefore : focus;
  g_keyboardItem = 0;
  SetFocus(g_bar);
  SendMessageW(g_bar, TB_SETHOTITEM, 0, 0);
}

void TrackLoop(int index, bool fromKeyboard) {
  g_next = index;
  g_nextKeyboard = fromKeyboard;
  while (g_next >= 0 && g_next < g_count) {
    const int current = g_next;
    const bool keyboard = g_nextKeyboard;
    g_next = -1;
    g_open = current;
    g_escaped = false;

    RECT rc;
    SendMessageW(g_bar, TB_GETITEMRECT, current, reinterpret_cast<LPARAM>(&rc));
    MapWindowPoints(g_bar, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
    SendMessageW(g_bar, TB_PRESSBUTTON, kFirstButtonId + current, TRUE);
    UpdateWindow(g_bar);
    // Opened from the keyboard, a menu shows its first item selected.
    if (keyboard) PostMessageW(g_owner, WM_KEYDOWN, VK_DOWN, 0);

    GetCursorPos(&g_lastMouse);
    g_hook = SetWindowsHookExW(WH_MSGFILTER, MenuFilter, nullptr, GetCurrentThreadId());
    TPMPARAMS params{};
    params.cbSize = sizeof(params);
    params.rcExclude = rc;
    TrackPopupMenuEx(GetSubMenu(g_menu, current), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_LEFTBUTTON,
                     rc.left, rc.bottom, g_owner, &params);
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    SendMessageW(g_bar, TB_PRESSBUTTON, kFirstButtonId + current, FALSE);
    // Escape in a menu reached by keyboard goes back one step, to the bar
    // with the title highlighted, as a window's own menu bar does.
    if (keyboard && g_escaped && g_next < 0) {
      g_open = -1;
      EnterKeyboardMode();
      g_keyboardItem = current;
      SendMessageW(g_bar, TB_SETHOTITEM, current, 0);
      return;
    }
  }
  g_open = -1;
}

LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(GetPropW(window, kSubclassProp));
  if (g_keyboardItem >= 0) {
    switch (message) {
      case WM_KEYDOWN:
        switch (wParam) {
          case VK_LEFT:
          case VK_RIGHT:
            g_keyboardItem = (g_keyboardItem + (wParam == VK_LEFT ? g_count - 1 : 1)) % g_count;
            SendMessageW(window, TB_SETHOTITEM, g_keyboardItem, 0);
            return 0;
          case VK_RETURN:
          case VK_DOWN:
          case VK_UP: {
            // TranslateMessage has already queued the WM_CHAR of Enter; the
            // menu's own loop would take that '\r' for a mnemonic that
            // matches nothing and close again at once.
            MSG pending;
            while (PeekMessageW(&pending, window, WM_CHAR, WM_CHAR, PM_REMOVE)) {
            }
            const int item = g_keyboardItem;
            LeaveKeyboardMode(true);
            TrackLoop(item, true);
            return 0;
          }
          case VK_ESCAPE:
            LeaveKeyboardMode(true);
            return 0;
          default:
            return 0;
        }
      case WM_CHAR: {
        const int item = TitleForLetter(static_cast<wchar_t>(wParam));
        if (item >= 0) {
          LeaveKeyboardMode(true);
          TrackLoop(item, true);
        }
        return 0;
      }
      case WM_KILLFOCUS:
        g_keyboardItem = -1;
        g_focusBefore = nullptr;
        SendMessageW(window, TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
        break;
      case WM_MOUSEMOVE:
        // Hot tracking would move the highlight under the mouse; keep ours.
        return 0;
      default:
        break;
    }
  }
  if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
  if (message == WM_NCDESTROY) {
    RemovePropW(window, kSubclassProp);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    if (window == g_bar) g_bar = nullptr;
  }
  return CallWindowProcW(previous, window, message, wParam, lParam);
}

}  // namespace

HWND MenuBar_Create(HWND parent, HWND owner, HMENU menu) {
  HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TRANSPARENT |
                                 CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                             0, 0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (bar == nullptr) return nullptr;
  g_bar = bar;
  g_owner = owner;
  g_menu = menu;
  SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));

  g_count = GetMenuItemCount(menu);
  if (g_count < 0) g_count = 0;
  g_titles.assign(g_count, std::wstring());
  std::vector<TBBUTTON> buttons(g_count);
  for (int i = 0; i < g_count; ++i) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
    g_titles[i] = text;
    TBBUTTON& b = buttons[i];
    b.iBitmap = I_IMAGENONE;
    b.idCommand = kFirstButtonId + i;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = BTNS_DROPDOWN | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
    b.iString = reinterpret_cast<INT_PTR>(g_titles[i].c_str());
  }
  if (g_count > 0) SendMessageW(bar, TB_ADDBUTTONSW, g_count, reinterpret_cast<LPARAM>(buttons.data()));
  SendMessageW(bar, TB_AUTOSIZE, 0, 0);

  SetPropW(bar, kSubclassProp, reinterpret_cast<HANDLE>(GetWindowLongPtrW(bar, GWLP_WNDPROC)));
  SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BarProc));
  return bar;
}

bool MenuBar_OnNotify(const NMHDR* header) {
  if (g_bar == nullptr || header->hwndFrom != g_bar) return false;
  if (header->code == TBN_DROPDOWN) {
    const auto* nm = reinterpret_cast<const NMTOOLBARW*>(header);
    LeaveKeyboardMode(true);
    TrackLoop(nm->iItem - kFirstButtonId, false);
    return true;
  }
  return false;
}

bool MenuBar_OnKeyMenu(LPARAM character) {
  if (g_bar == nullptr || g_count == 0) return false;
  if (character == 0) {
    // F10 or Alt alone toggles keyboard mode.
    if (g_keyboardItem >= 0) {
      LeaveKeyboardMode(true);
    } else {
      EnterKeyboardMode();
    }
    return true;
  }
  if (character == L' ' || character == L'-') return false;  // the system menu
  const int item = TitleForLetter(static_cast<wchar_t>(character));
  if (item < 0) return false;
  LeaveKeyboardMode(true);
  TrackLoop(item, true);
  return true;
}

void MenuBar_Open(int index, bool fromKeyboard) {
  if (g_bar == nullptr || index < 0 || index >= g_count) return;
  LeaveKeyboardMode(true);
  TrackLoop(index, fromKeyboard);
}

int MenuBar_KeyboardItem() { return g_keyboardItem; }
int MenuBar_OpenItem() { return g_open; }

SIZE MenuBar_IdealSize() {
  SIZE size{0, 0};
  if (g_bar == nullptr) return size;
  SendMessageW(g_bar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
  return size;
}
