// Reads back what Quorvel's main window shows, from another process, for the
// end-to-end test: the players list's rows, the position of its first row on
// the screen, the log lines and whether "REFRESH" is enabled.
//
// List view messages carry pointers that the system does not carry across
// processes, so their records and text buffers are placed inside Quorvel's
// own address space (VirtualAllocEx) and read back from there. List box
// messages are carried across by the system and need none of that.
//
// Output, UTF-8, one fact per line:
//   players N
//   row I <cell 0>\t...\t<cell 7>
//   first-row X Y        (screen point in the middle of the first row's name)
//   log <line>           (without its "21:45:03 " time, which every line has)
//   log-untimed N        (lines without that time)
//   players-title <text> (the Players tab's title)
//   filter-<all|chat|players|admin> X Y CHECKED  (the log's filter buttons)
//   target-box X Y, target-text <text>  (the message box's target choice)
//   message-box X Y      (the message box)
//   refresh-enabled 0|1
//   info N               (rows the Info tab's property box shows)
//   info-row I <label>\t<value>
//   info-margin I X Y    (screen point in the middle of row I's margin cell)
//   info-tab X Y         (screen point in the middle of the "Info" tab)
//   players-tab X Y, bans-tab X Y (likewise)
//   players-selected I   (the selected row, -1: none)
//   players-top I        (the first row in view)
//   bans N, ban-row I <cell 0>\t<cell 1>\t<cell 2>, bans-selected I,
//   bans-first-row X Y   (the bans list, like the players list)
//   history N, history-row I <cell 0>\t...\t<cell 8>, history-first-row X Y,
//   history-tab X Y, history-search X Y (the History tab: its matches, as the
//                        list of bans above, and the middle of its search box)
//   menu-open 0|1        (a drop-down or pop-up menu is on the screen)
//   focus ID PARENT-ID   (control ids of the window with the keyboard focus
//                         and of its parent; a drop-down list's edit box has
//                         the list as parent)
//   focus-text-length N  (length of the focused control's text)
//   focus-text <text>    (that text, unless it is a password box)
//   main-has-keys 0|1    (the main window is active and holds the keyboard)
//   foreground <class> <title>
//   window <class> <title> (each visible top-level window, for a failing
//                          test's report)
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Found {
  HWND players = nullptr;
  HWND log = nullptr;
  HWND refresh = nullptr;
  HWND info = nullptr;  // the property box: a list view of a placeholder and 3 columns
  HWND tabs = nullptr;
  HWND bans = nullptr;
  HWND history = nullptr;  // the History tab's list: 9 columns
  HWND search = nullptr;   // its search box
  HWND filters[4] = {};
  HWND target = nullptr;
  HWND message = nullptr;
};

constexpr const wchar_t* kFilterTitles[] = {L"All", L"Chat", L"Players", L"Admin"};
constexpr const char* kFilterNames[] = {"all", "chat", "players", "admin"};

void PrintCentre(const char* name, HWND window) {
  RECT rect;
  if (window == nullptr || !GetWindowRect(window, &rect)) return;
  std::printf("%s %ld %ld", name, (rect.left + rect.right) / 2, rect.top + 10);
}

// "21:45:03 "
bool Timed(const std::wstring& line) {
  if (line.size() < 9) return false;
  for (int i = 0; i < 8; ++i) {
    const bool colon = i == 2 || i == 5;
    if (colon ? line[i] != L':' : (line[i] < L'0' || line[i] > L'9')) return false;
  }
  return line[8] == L' ';
}

// The screen point in the middle of a list view's row, or false.
bool RowCentre(HANDLE process, void* remote, HWND list, int row, POINT* centre) {
  RECT rect{LVIR_LABEL, 0, 0, 0};
  WriteProcessMemory(process, remote, &rect, sizeof(rect), nullptr);
  if (!SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote))) return false;
  ReadProcessMemory(process, remote, &rect, sizeof(rect), nullptr);
  *centre = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ClientToScreen(list, centre);
  return true;
}

BOOL CALLBACK Visit(HWND child, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (lstrcmpiW(cls, WC_LISTVIEWW) == 0) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(child, LVM_GETHEADER, 0, 0));
    // Seven columns, or eight with the time connected.
    const LRESULT columns = header ? SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) : 0;
    if (columns == 7 || columns == 8) found->players = child;
    if (columns == 9) found->history = child;
    if (header && SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) == 4) found->info = child;
    if (header && SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) == 3) found->bans = child;
  } else if (lstrcmpiW(cls, WC_TABCONTROLW) == 0) {
    found->tabs = child;
  } else if (lstrcmpiW(cls, WC_EDITW) == 0 && GetDlgCtrlID(child) == 120) {
    found->search = child;  // the History tab's search box
  } else if (lstrcmpiW(cls, WC_LISTBOXW) == 0) {
    found->log = child;
  } else if (lstrcmpiW(cls, WC_BUTTONW) == 0) {
    wchar_t text[32] = {};
    GetWindowTextW(child, text, 32);
    if (lstrcmpW(text, L"REFRESH") == 0) found->refresh = child;
    for (int i = 0; i < 4; ++i) {
      if (lstrcmpW(text, kFilterTitles[i]) == 0) found->filters[i] = child;
    }
  } else if (lstrcmpiW(cls, WC_COMBOBOXW) == 0) {
    found->target = child;
  } else if (lstrcmpiW(cls, WC_EDITW) == 0 && GetParent(child) != nullptr) {
    wchar_t parentClass[64] = {};
    GetClassNameW(GetParent(child), parentClass, 64);
    // The message box, not the edit inside a combo box or a grid.
    if (lstrcmpiW(parentClass, WC_COMBOBOXW) != 0 && GetDlgCtrlID(child) == 406) found->message = child;
  }
  return TRUE;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// A block of memory inside the other process, freed with this object.
class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, size_t size) : process_(process) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;
  char* get() const { return static_cast<char*>(address_); }
  bool ok() const { return address_ != nullptr; }

 private:
  HANDLE process_;
  void* address_ = nullptr;
};

constexpr size_t kTextChars = 512;

std::wstring RemoteItemText(HANDLE process, const RemoteBlock& block, HWND list, int row, int column) {
  LVITEMW item{};
  item.iSubItem = column;
  item.cchTextMax = kTextChars;
  item.pszText = reinterpret_cast<LPWSTR>(block.get() + sizeof(LVITEMW));
  WriteProcessMemory(process, block.get(), &item, sizeof(item), nullptr);
  const LRESULT n = SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(block.get()));
  std::vector<wchar_t> text(kTextChars, L'\0');
  ReadProcessMemory(process, block.get() + sizeof(LVITEMW), text.data(), kTextChars * sizeof(wchar_t), nullptr);
  return std::wstring(text.data(), static_cast<size_t>(n < 0 ? 0 : (n > static_cast<LRESULT>(kTextChars) ? 0 : n)));
}

std::string Describe(HWND window) {
  wchar_t cls[128] = {};
  wchar_t title[256] = {};
  GetClassNameW(window, cls, 128);
  GetWindowTextW(window, title, 256);
  return Utf8(cls) + " " + Utf8(title);
}

}  // namespace

int main() {
  HWND main = FindWindowW(L"QuorvelMainWindow", L"Quorvel");
  if (main == nullptr) {
    std::puts("no-window");
    return 2;
  }
  Found found;
  EnumChildWindows(main, Visit, reinterpret_cast<LPARAM>(&found));
  if (found.players == nullptr) {
    std::puts("no-players-list");
    return 3;
  }

  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) {
    std::puts("no-process");
    return 4;
  }
  {
    RemoteBlock block(process, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t) + sizeof(RECT));
    if (!block.ok()) {
      std::puts("no-memory");
      CloseHandle(process);
      return 5;
    }
    // Quorvel goes on running between our requests: a join read between
    // two of them would pair the selection's index with another row's
    // name. The list is read until two readings in a row agree.
    const auto selectedRow = [&] {
      return static_cast<int>(SendMessageW(found.players, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    };
    const auto topRow = [&] { return static_cast<int>(SendMessageW(found.players, LVM_GETTOPINDEX, 0, 0)); };
    const auto readRows = [&] {
      std::vector<std::string> lines;
      const int count = static_cast<int>(SendMessageW(found.players, LVM_GETITEMCOUNT, 0, 0));
      for (int row = 0; row < count; ++row) {
        std::string line;
        for (int column = 0; column < 8; ++column) {
          if (column) line += '\t';
          line += Utf8(RemoteItemText(process, block, found.players, row, column));
        }
        lines.push_back(std::move(line));
      }
      return lines;
    };
    std::vector<std::string> lines = readRows();
    int selected = selectedRow();
    int top = topRow();
    for (int attempt = 0; attempt < 10; ++attempt) {
      std::vector<std::string> again = readRows();
      const int selectedAgain = selectedRow();
      const int topAgain = topRow();
      const bool same = again == lines && selectedAgain == selected && topAgain == top;
      lines = std::move(again);
      selected = selectedAgain;
      top = topAgain;
      if (same) break;
    }
    const int rows = static_cast<int>(lines.size());
    std::printf("players %d\n", rows);
    for (int row = 0; row < rows; ++row) std::printf("row %d %s\n", row, lines[static_cast<size_t>(row)].c_str());
    if (rows > 0) {
      RECT rect{LVIR_LABEL, 0, 0, 0};
      WriteProcessMemory(process, block.get(), &rect, sizeof(rect), nullptr);
      if (SendMessageW(found.players, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(block.get()))) {
        ReadProcessMemory(process, block.get(), &rect, sizeof(rect), nullptr);
        POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(found.players, &centre);
        std::printf("first-row %ld %ld\n", centre.x, centre.y);
      }
    }
    std::printf("players-selected %d\n", selected);
    std::printf("players-top %d\n", top);
    if (found.bans) {
      const int bans = static_cast<int>(SendMessageW(found.bans, LVM_GETITEMCOUNT, 0, 0));
      std::printf("bans %d\n", bans);
      for (int row = 0; row < bans; ++row) {
        std::string line;
        for (int column = 0; column < 3; ++column) {
          if (column) line += '\t';
          line += Utf8(RemoteItemText(process, block, found.bans, row, column));
        }
        std::printf("ban-row %d %s\n", row, line.c_str());
      }
      std::printf("bans-selected %d\n",
                  static_cast<int>(SendMessageW(found.bans, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
      POINT centre{};
      if (bans > 0 && IsWindowVisible(found.bans) && RowCentre(process, block.get(), found.bans, 0, &centre))
        std::printf("bans-first-row %ld %ld\n", centre.x, centre.y);
    }
    if (found.history) {
      const int matches = static_cast<int>(SendMessageW(found.history, LVM_GETITEMCOUNT, 0, 0));
      std::printf("history %d\n", matches);
      for (int row = 0; row < matches; ++row) {
        std::string line;
        for (int column = 0; column < 9; ++column) {
          if (column) line += '\t';
          line += Utf8(RemoteItemText(process, block, found.history, row, column));
        }
        std::printf("history-row %d %s\n", row, line.c_str());
      }
      POINT centre{};
      if (matches > 0 && IsWindowVisible(found.history) && RowCentre(process, block.get(), found.history, 0, &centre))
        std::printf("history-first-row %ld %ld\n", centre.x, centre.y);
    }
    if (found.search && IsWindowVisible(found.search)) {
      RECT rect;
      GetWindowRect(found.search, &rect);
      std::printf("history-search %ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }
    if (found.info) {
      // Grid columns 1 and 2 (label and value) are the list view's 2 and 3.
      const int rows = static_cast<int>(SendMessageW(found.info, LVM_GETITEMCOUNT, 0, 0));
      std::printf("info %d\n", rows);
      for (int row = 0; row < rows; ++row)
        std::printf("info-row %d %s\t%s\n", row, Utf8(RemoteItemText(process, block, found.info, row, 2)).c_str(),
                    Utf8(RemoteItemText(process, block, found.info, row, 3)).c_str());
      // The margin is the list view's column 1; its box folds a heading.
      for (int row = 0; row < rows; ++row) {
        RECT rect{LVIR_BOUNDS, 1, 0, 0};
        WriteProcessMemory(process, block.get(), &rect, sizeof(rect), nullptr);
        if (!SendMessageW(found.info, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(block.get()))) continue;
        ReadProcessMemory(process, block.get(), &rect, sizeof(rect), nullptr);
        const int width = static_cast<int>(SendMessageW(found.info, LVM_GETCOLUMNWIDTH, 1, 0));
        POINT centre{rect.left + width / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(found.info, &centre);
        std::printf("info-margin %d %ld %ld\n", row, centre.x, centre.y);
      }
    }
    if (found.tabs) {
      RECT rect{};
      WriteProcessMemory(process, block.get(), &rect, sizeof(rect), nullptr);
      if (SendMessageW(found.tabs, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(block.get()))) {
        ReadProcessMemory(process, block.get(), &rect, sizeof(rect), nullptr);
        POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(found.tabs, &centre);
        std::printf("info-tab %ld %ld\n", centre.x, centre.y);
      }
      {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.cchTextMax = kTextChars;
        item.pszText = reinterpret_cast<LPWSTR>(block.get() + sizeof(LVITEMW));
        WriteProcessMemory(process, block.get(), &item, sizeof(item), nullptr);
        if (SendMessageW(found.tabs, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.get()))) {
          std::vector<wchar_t> text(kTextChars, L'\0');
          ReadProcessMemory(process, block.get() + sizeof(LVITEMW), text.data(), (kTextChars - 1) * sizeof(wchar_t),
                            nullptr);
          std::printf("players-title %s\n", Utf8(text.data()).c_str());
        }
      }
      for (int tab : {0, 1, 3}) {
        rect = RECT{};
        WriteProcessMemory(process, block.get(), &rect, sizeof(rect), nullptr);
        if (!SendMessageW(found.tabs, TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(block.get()))) continue;
        ReadProcessMemory(process, block.get(), &rect, sizeof(rect), nullptr);
        POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(found.tabs, &centre);
        std::printf("%s-tab %ld %ld\n", tab == 0 ? "players" : (tab == 1 ? "bans" : "history"), centre.x, centre.y);
      }
    }
  }
  CloseHandle(process);

  if (found.log) {
    int untimed = 0;
    const int lines = static_cast<int>(SendMessageW(found.log, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < lines; ++i) {
      const LRESULT length = SendMessageW(found.log, LB_GETTEXTLEN, i, 0);
      if (length < 0) continue;
      std::wstring text(static_cast<size_t>(length) + 1, L'\0');
      SendMessageW(found.log, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(length));
      if (Timed(text)) {
        std::printf("log %s\n", Utf8(text.substr(9)).c_str());
      } else {
        ++untimed;
        std::printf("log %s\n", Utf8(text).c_str());
      }
    }
    std::printf("log-untimed %d\n", untimed);
  }
  for (int i = 0; i < 4; ++i) {
    if (found.filters[i] == nullptr) continue;
    PrintCentre((std::string("filter-") + kFilterNames[i]).c_str(), found.filters[i]);
    std::printf(" %d\n", SendMessageW(found.filters[i], BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
  }
  if (found.target) {
    PrintCentre("target-box", found.target);
    // WM_GETTEXT, which the system carries across processes; GetWindowText
    // would read only the window's own caption, which a combo box has not.
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(found.target, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
    std::printf("\ntarget-text %s\n", Utf8(text).c_str());
  }
  if (found.message) {
    PrintCentre("message-box", found.message);
    std::printf("\n");
  }
  if (found.refresh) std::printf("refresh-enabled %d\n", IsWindowEnabled(found.refresh) ? 1 : 0);
  // Menus are windows of the system's own class "#32768"; keys sent before
  // one is up would land in whatever window had the focus instead.
  HWND menu = FindWindowW(L"#32768", nullptr);
  std::printf("menu-open %d\n", menu && IsWindowVisible(menu) ? 1 : 0);
  // GetFocus only sees this process's own thread; the GUI thread info of
  // Quorvel's thread says where its focus is.
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  if (GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui) && gui.hwndFocus) {
    HWND parent = GetParent(gui.hwndFocus);
    std::printf("focus %d %d\n", GetDlgCtrlID(gui.hwndFocus), parent ? GetDlgCtrlID(parent) : 0);
    // What was typed, so the test can tell a keystroke that went astray.
    // WM_GETTEXT's buffer is carried across processes by the system.
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(gui.hwndFocus, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
      std::printf("focus-text-length %lu\n", static_cast<unsigned long>(length));
      const bool password = (GetWindowLongW(gui.hwndFocus, GWL_STYLE) & ES_PASSWORD) != 0;
      if (!password && length < 4096) {
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutW(gui.hwndFocus, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                                SMTO_ABORTIFHUNG, 2000, &copied)) {
          text.resize(static_cast<size_t>(copied));
          std::printf("focus-text %s\n", Utf8(text).c_str());
        }
      }
    }
  }
  // The main window is active and holds the keyboard (itself or a child).
  const bool mainHasKeys = gui.hwndActive == main && gui.hwndFocus &&
                           (gui.hwndFocus == main || IsChild(main, gui.hwndFocus));
  std::printf("main-has-keys %d\n", mainHasKeys ? 1 : 0);
  if (HWND foreground = GetForegroundWindow()) std::printf("foreground %s\n", Describe(foreground).c_str());
  EnumWindows(
      [](HWND window, LPARAM) -> BOOL {
        if (IsWindowVisible(window)) std::printf("window %s\n", Describe(window).c_str());
        return TRUE;
      },
      0);
  std::fflush(stdout);
  return 0;
}
