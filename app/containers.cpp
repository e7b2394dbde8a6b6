// Pane and splitter windows. Both forward their children's notifications to
// the top-level window: the main window's procedure is the one place where
// control events are dispatched, as if every control were its direct child.
#include "app/containers.h"

#include "app/pure/layout.h"

namespace {

constexpr wchar_t kPaneClass[] = L"QuorvelPane";
constexpr wchar_t kSplitterClass[] = L"QuorvelSplitter";

struct SplitterState {
  HWND upper = nullptr;
  HWND lower = nullptr;
  int position = 0;
  bool dragging = false;
  int grabOffset = 0;  // where in the bar the mouse took hold
};

constexpr wchar_t kSplitterProp[] = L"QuorvelSplitterState";

SplitterState* StateOf(HWND splitter) {
  return static_cast<SplitterState*>(GetPropW(splitter, kSplitterProp));
}

// Returns true when the message was handed up (its result in *result).
bool ForwardToTopLevel(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message != WM_COMMAND && message != WM_NOTIFY && message != WM_CONTEXTMENU) return false;
  HWND top = GetAncestor(window, GA_ROOT);
  if (top == nullptr || top == window) return false;
  *result = SendMessageW(top, message, wParam, lParam);
  return true;
}

LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ForwardToTopLevel(window, message, wParam, lParam, &result)) return result;
  return DefWindowProcW(window, message, wParam, lParam);
}

void PlacePanes(HWND splitter, SplitterState& state) {
  RECT rc;
  GetClientRect(splitter, &rc);
  const int width = rc.right;
  const int height = rc.bottom;
  state.position = ClampSplitterPosition(state.position, height, kSplitterBar);
  if (state.upper) MoveWindow(state.upper, 0, 0, width, state.position - kSplitterBar, TRUE);
  if (state.lower) MoveWindow(state.lower, 0, state.position, width, height - state.position, TRUE);
  InvalidateRect(splitter, nullptr, TRUE);
}

bool InBar(const SplitterState& state, int y) { return y >= state.position - kSplitterBar && y < state.position; }

LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ForwardToTopLevel(window, message, wParam, lParam, &result)) return result;
  SplitterState* state = StateOf(window);
  switch (message) {
    case WM_NCCREATE:
      SetPropW(window, kSplitterProp, new SplitterState);
      break;
    case WM_NCDESTROY:
      delete state;
      RemovePropW(window, kSplitterProp);
      break;
    case WM_SIZE:
      if (state) PlacePanes(window, *state);
      return 0;
    case WM_SETCURSOR:
      if (state && LOWORD(lParam) == HTCLIENT) {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(window, &pt);
        if (InBar(*state, pt.y) || state->dragging) {
          SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
          return TRUE;
        }
      }
      break;
    case WM_LBUTTONDOWN: {
      const int y = static_cast<short>(HIWORD(lParam));
      if (state && InBar(*state, y)) {
        state->dragging = true;
        state->grabOffset = state->position - y;
        SetCapture(window);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (state && state->dragging) {
        state->position = static_cast<short>(HIWORD(lParam)) + state->grabOffset;
        PlacePanes(window, *state);
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (state && state->dragging) {
        state->dragging = false;
        if (message == WM_LBUTTONUP) ReleaseCapture();
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool Register(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(instance, name, &wc)) return true;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

}  // namespace

bool RegisterContainerClasses(HINSTANCE instance) {
  return Register(instance, kPaneClass, PaneProc) && Register(instance, kSplitterClass, SplitterProc);
}

HWND CreatePane(HWND parent, int x, int y, int width, int height) {
  return CreateWindowExW(WS_EX_CONTROLPARENT, kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                         x, y, width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

HWND CreateSplitter(HWND parent, int x, int y, int width, int height) {
  return CreateWindowExW(WS_EX_CONTROLPARENT, kSplitterClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                         x, y, width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void SplitterSetPanes(HWND splitter, HWND upper, HWND lower) {
  SplitterState* state = StateOf(splitter);
  if (state == nullptr) return;
  state->upper = upper;
  state->lower = lower;
  PlacePanes(splitter, *state);
}

void SplitterSetPosition(HWND splitter, int position) {
  SplitterState* state = StateOf(splitter);
  if (state == nullptr) return;
  state->position = position;
  PlacePanes(splitter, *state);
}

int SplitterPosition(HWND splitter) {
  const SplitterState* state = StateOf(splitter);
  return state ? state->position : -1;
}
