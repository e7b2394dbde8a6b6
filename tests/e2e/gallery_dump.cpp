// Reads back what the grid gallery shows, from another process, for its
// end-to-end test: the owner's event log (a list box, whose messages the
// system carries across processes), where the editable grid lies on the
// screen and which window holds the gallery's keyboard focus.
//
// Output, UTF-8, one fact per line:
//   log <line>             (each line of the event log, oldest first)
//   grid X Y               (screen point of the first grid's client origin)
//   header H               (height of that grid's header)
//   focus <class>          (class of the window with the keyboard focus)
//   missing                (no gallery window)
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Print(const char* prefix, const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::printf("%s%s\n", prefix, utf8.c_str());
}

HWND FindChild(HWND parent, const wchar_t* className) {
  return FindWindowExW(parent, nullptr, className, nullptr);
}

}  // namespace

int main() {
  HWND gallery = FindWindowW(nullptr, L"Quorvel grid gallery");
  if (!gallery) {
    std::printf("missing\n");
    return 0;
  }
  if (HWND log = FindChild(gallery, L"ListBox")) {
    auto count = SendMessageW(log, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      auto length = SendMessageW(log, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
      if (length < 0) continue;
      std::wstring line(static_cast<size_t>(length) + 1, L'\0');
      SendMessageW(log, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
      line.resize(static_cast<size_t>(length));
      Print("log ", line);
    }
  }
  // The first list view among the gallery's children is the editable grid.
  if (HWND grid = FindChild(gallery, L"SysListView32")) {
    POINT origin{0, 0};
    ClientToScreen(grid, &origin);
    std::printf("grid %ld %ld\n", origin.x, origin.y);
    if (HWND header = FindChild(grid, L"SysHeader32")) {
      RECT box;
      GetWindowRect(header, &box);
      std::printf("header %ld\n", box.bottom - box.top);
    }
  }
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(gallery, nullptr), &info) && info.hwndFocus) {
    wchar_t name[64] = {};
    GetClassNameW(info.hwndFocus, name, 64);
    Print("focus ", name);
  }
  return 0;
}
