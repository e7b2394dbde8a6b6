// The gadget and window tables, control creation and the event queue.
//
// A numbered window carries its number in a window property as well as in
// the table; a lookup checks both, so a destroyed window whose handle value
// is later reused by an unrelated window is not mistaken for the gadget.
#include "runtime/runtime.h"

#include <commctrl.h>

#include <deque>
#include <map>
#include <vector>

namespace {

constexpr wchar_t kGadgetProperty[] = L"runtime_Gadget";
constexpr wchar_t kWindowProperty[] = L"runtime_Window";
constexpr wchar_t kWindowClass[] = L"QuorvelRuntimeWindow";
// A burst of notifications nobody collects must not grow without end.
constexpr size_t kMaxQueuedEvents = 256;

struct NumberTable {
  std::map<int, HWND> windows;
  const wchar_t* property;
};

NumberTable gadgets{{}, kGadgetProperty};
NumberTable windows{{}, kWindowProperty};
HWND currentGadgetList = nullptr;
std::deque<RuntimeEvent> eventQueue;

// The number is stored plus one so that number 0 is told from "no property".
HWND Lookup(NumberTable& table, int number) {
  auto found = table.windows.find(number);
  if (found == table.windows.end()) return nullptr;
  HWND window = found->second;
  if (!IsWindow(window) || GetPropW(window, table.property) != reinterpret_cast<HANDLE>(intptr_t{number} + 1)) {
    table.windows.erase(found);
    return nullptr;
  }
  return window;
}

int NumberOf(NumberTable& table, HWND window) {
  if (!window) return -1;
  auto value = reinterpret_cast<intptr_t>(GetPropW(window, table.property));
  if (value <= 0) return -1;
  int number = static_cast<int>(value - 1);
  return Lookup(table, number) == window ? number : -1;
}

int FreeNumber(NumberTable& table) {
  int number = kFirstFreeNumber;
  while (Lookup(table, number)) ++number;
  return number;
}

int Register(NumberTable& table, int number, HWND window) {
  if (!window || number < -1) return -1;
  if (number == -1) number = FreeNumber(table);
  table.windows[number] = window;
  SetPropW(window, table.property, reinterpret_cast<HANDLE>(intptr_t{number} + 1));
  return number;
}

// Creating under a taken number replaces the old control.
void ReleaseNumber(NumberTable& table, int number) {
  if (number < 0) return;
  if (HWND old = Lookup(table, number)) {
    RemovePropW(old, table.property);
    table.windows.erase(number);
    DestroyWindow(old);
  }
}

void Queue(int kind, HWND window, int item, int type) {
  if (eventQueue.size() >= kMaxQueuedEvents) eventQueue.pop_front();
  eventQueue.push_back({kind, NumberOf(windows, window), item, type});
}

LRESULT CALLBACK RuntimeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Queue(kEventCloseWindow, window, 0, 0);
      return 0;
    case WM_SIZE:
      Queue(kEventSizeWindow, window, 0, 0);
      break;
    case WM_COMMAND:
      if (lParam == 0) {
        Queue(kEventMenu, window, LOWORD(wParam), 0);
      } else {
        int gadget = NumberOf(gadgets, reinterpret_cast<HWND>(lParam));
        if (gadget >= 0) Queue(kEventGadget, window, gadget, HIWORD(wParam));
      }
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      // Only the notifications a program reacts to; custom draw and the like
      // would flood the queue.
      switch (header->code) {
        case NM_CLICK:
        case NM_DBLCLK:
        case NM_RCLICK:
        case NM_RDBLCLK:
        case NM_RETURN: {
          int gadget = NumberOf(gadgets, header->hwndFrom);
          if (gadget >= 0) Queue(kEventGadget, window, gadget, static_cast<int>(header->code));
          break;
        }
        default:
          break;
      }
      return 0;
    }
    case WM_NCDESTROY:
      RemovePropW(window, kWindowProperty);
      if (currentGadgetList == window) currentGadgetList = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterRuntimeClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = RuntimeWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  registered = RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return registered;
}

void InitControls() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&init);
  done = true;
}

HWND CreateChild(const wchar_t* className, DWORD exStyle, DWORD style, int x, int y, int width, int height) {
  if (!currentGadgetList) return nullptr;
  HWND window = CreateWindowExW(exStyle, className, L"", WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                currentGadgetList, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  return window;
}

wchar_t ClassKind(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (lstrcmpiW(name, WC_COMBOBOXW) == 0) return L'C';
  if (lstrcmpiW(name, WC_LISTVIEWW) == 0) return L'L';
  return L'?';
}

bool IsDropDownList(HWND combo) {
  return (GetWindowLongPtrW(combo, GWL_STYLE) & 0x3) == CBS_DROPDOWNLIST;
}

// The combo item whose text is exactly `text`, or -1. CB_FINDSTRINGEXACT
// ignores case, so "Blue" would pick an earlier "blue".
int ItemWithText(HWND combo, const wchar_t* text) {
  const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  std::wstring item;
  for (int i = 0; i < count; ++i) {
    const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) continue;
    item.assign(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<size_t>(length));
    if (item == text) return i;
  }
  return -1;
}

}  // namespace

int RegisterGadget(int gadget, HWND window) { return Register(gadgets, gadget, window); }
HWND GadgetWindow(int gadget) { return Lookup(gadgets, gadget); }
int GadgetFromWindow(HWND window) { return NumberOf(gadgets, window); }
int IsGadget(int gadget) { return GadgetWindow(gadget) ? 1 : 0; }

int FreeGadget(int gadget) {
  HWND window = GadgetWindow(gadget);
  if (!window) return 0;
  ReleaseNumber(gadgets, gadget);
  return 1;
}

HWND UseGadgetList(HWND container) {
  HWND previous = currentGadgetList;
  currentGadgetList = container;
  return previous;
}

HWND CurrentGadgetList() { return currentGadgetList; }

int CreateListViewGadget(int gadget, int x, int y, int width, int height, const wchar_t* firstTitle,
                         int firstWidth, DWORD flags) {
  InitControls();
  ReleaseNumber(gadgets, gadget);
  HWND list = CreateChild(WC_LISTVIEWW, WS_EX_CLIENTEDGE, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | flags, x, y,
                          width, height);
  if (!list) return -1;
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<wchar_t*>(firstTitle ? firstTitle : L"");
  column.cx = firstWidth;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  int number = Register(gadgets, gadget, list);
  if (number < 0) DestroyWindow(list);
  return number;
}

int CreateComboGadget(int gadget, int x, int y, int width, int height, DWORD comboStyle) {
  InitControls();
  ReleaseNumber(gadgets, gadget);
  HWND combo = CreateChild(WC_COMBOBOXW, 0, WS_TABSTOP | WS_VSCROLL | comboStyle, x, y, width, height);
  if (!combo) return -1;
  int number = Register(gadgets, gadget, combo);
  if (number < 0) DestroyWindow(combo);
  return number;
}

std::wstring GetGadgetText(int gadget) {
  if (auto* table = GadgetCommandsOf(gadget); table && table->getText) return table->getText(gadget);
  HWND window = GadgetWindow(gadget);
  if (!window) return {};
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  length = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return text;
}

int SetGadgetText(int gadget, const wchar_t* text) {
  if (auto* table = GadgetCommandsOf(gadget); table && table->setText) return table->setText(gadget, text);
  HWND window = GadgetWindow(gadget);
  if (!window) return 0;
  if (!text) text = L"";
  // A drop-down list has no edit field: WM_SETTEXT does nothing there.
  if (ClassKind(window) == L'C' && IsDropDownList(window)) {
    SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(ItemWithText(window, text)), 0);
    return 1;
  }
  return SetWindowTextW(window, text) ? 1 : 0;
}

int AddGadgetItem(int gadget, int position, const wchar_t* text) {
  if (GadgetCommandsOf(gadget)) return AddGadgetItemEx(gadget, position, text, nullptr, 0);
  HWND window = GadgetWindow(gadget);
  if (!window || position < -1) return -1;
  if (!text) text = L"";
  switch (ClassKind(window)) {
    case L'C': {
      LRESULT index = SendMessageW(window, CB_INSERTSTRING, static_cast<WPARAM>(position),
                                   reinterpret_cast<LPARAM>(text));
      return index < 0 ? -1 : static_cast<int>(index);
    }
    case L'L': {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = position == -1 ? static_cast<int>(SendMessageW(window, LVM_GETITEMCOUNT, 0, 0)) : position;
      item.pszText = const_cast<wchar_t*>(text);
      return static_cast<int>(SendMessageW(window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    default:
      return -1;
  }
}

int ClearGadgetItems(int gadget) {
  if (auto* table = GadgetCommandsOf(gadget)) return table->clearItems ? table->clearItems(gadget) : 0;
  HWND window = GadgetWindow(gadget);
  if (!window) return 0;
  switch (ClassKind(window)) {
    case L'C':
      SendMessageW(window, CB_RESETCONTENT, 0, 0);
      return 1;
    case L'L':
      SendMessageW(window, LVM_DELETEALLITEMS, 0, 0);
      return 1;
    default:
      return 0;
  }
}

int CountGadgetItems(int gadget) {
  if (auto* table = GadgetCommandsOf(gadget)) return table->countItems ? table->countItems(gadget) : -1;
  HWND window = GadgetWindow(gadget);
  if (!window) return -1;
  switch (ClassKind(window)) {
    case L'C':
      return static_cast<int>(SendMessageW(window, CB_GETCOUNT, 0, 0));
    case L'L':
      return static_cast<int>(SendMessageW(window, LVM_GETITEMCOUNT, 0, 0));
    default:
      return -1;
  }
}

int GetGadgetState(int gadget) {
  if (auto* table = GadgetCommandsOf(gadget)) return table->getState ? table->getState(gadget) : -1;
  HWND window = GadgetWindow(gadget);
  if (!window) return -1;
  switch (ClassKind(window)) {
    case L'C':
      return static_cast<int>(SendMessageW(window, CB_GETCURSEL, 0, 0));
    case L'L':
      return static_cast<int>(SendMessageW(window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    default:
      return -1;
  }
}

int SetGadgetState(int gadget, int state) {
  if (auto* table = GadgetCommandsOf(gadget)) return table->setState ? table->setState(gadget, state) : 0;
  HWND window = GadgetWindow(gadget);
  if (!window) return 0;
  switch (ClassKind(window)) {
    case L'C':
      SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(state), 0);
      return 1;
    case L'L': {
      LVITEMW item{};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageW(window, LVM_SETITEMSTATE, static_cast<WPARAM>(state), reinterpret_cast<LPARAM>(&item));
      return 1;
    }
    default:
      return 0;
  }
}

const GadgetCommands* GadgetCommandsOf(int gadget) {
  HWND window = GadgetWindow(gadget);
  if (!window) return nullptr;
  return static_cast<const GadgetCommands*>(GetPropW(window, kGadgetCommandsProperty));
}

int AddGadgetItemEx(int gadget, int position, const wchar_t* text, const void* data, int flags) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  if (!table) return data ? -1 : AddGadgetItem(gadget, position, text);
  return table->addItem ? table->addItem(gadget, position, text, data, flags) : -1;
}

int RemoveGadgetItem(int gadget, int index) {
  if (const GadgetCommands* table = GadgetCommandsOf(gadget)) return table->removeItem ? table->removeItem(gadget, index) : 0;
  HWND window = GadgetWindow(gadget);
  if (!window || index < 0) return 0;
  switch (ClassKind(window)) {
    case L'C':
      return SendMessageW(window, CB_DELETESTRING, static_cast<WPARAM>(index), 0) >= 0 ? 1 : 0;
    case L'L':
      return SendMessageW(window, LVM_DELETEITEM, static_cast<WPARAM>(index), 0) ? 1 : 0;
    default:
      return 0;
  }
}

// The item commands below exist only for controls that bring their own
// operations; on the standard controls they do nothing.
std::wstring GetGadgetItemText(int gadget, int index, int column) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->getItemText ? table->getItemText(gadget, index, column) : std::wstring();
}

int SetGadgetItemText(int gadget, int index, const wchar_t* text, int column) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->setItemText ? table->setItemText(gadget, index, text, column) : 0;
}

int GetGadgetItemState(int gadget, int index) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->getItemState ? table->getItemState(gadget, index) : 0;
}

int SetGadgetItemState(int gadget, int index, int state) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->setItemState ? table->setItemState(gadget, index, state) : 0;
}

int32_t GetGadgetItemData(int gadget, int index) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->getItemData ? table->getItemData(gadget, index) : 0;
}

int SetGadgetItemData(int gadget, int index, int32_t value) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->setItemData ? table->setItemData(gadget, index, value) : 0;
}

COLORREF GetGadgetItemColour(int gadget, int index, int selector) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->getItemColour ? table->getItemColour(gadget, index, selector) : 0;
}

int SetGadgetItemColour(int gadget, int index, int selector, COLORREF colour) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->setItemColour ? table->setItemColour(gadget, index, selector, colour) : 0;
}

int32_t GetGadgetItemValue(int gadget, int index, int selector) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->getItemValue ? table->getItemValue(gadget, index, selector) : 0;
}

int SetGadgetItemValue(int gadget, int index, int selector, int32_t value) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->setItemValue ? table->setItemValue(gadget, index, selector, value) : 0;
}

COLORREF GetGadgetColour(int gadget, int selector) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->getColour ? table->getColour(gadget, selector) : 0;
}

int SetGadgetColour(int gadget, int selector, COLORREF colour) {
  const GadgetCommands* table = GadgetCommandsOf(gadget);
  return table && table->setColour ? table->setColour(gadget, selector, colour) : 0;
}

int ResizeGadget(int gadget, int x, int y, int width, int height) {
  if (const GadgetCommands* table = GadgetCommandsOf(gadget))
    return table->resize ? (table->resize(gadget, x, y, width, height), 1) : 0;
  HWND window = GadgetWindow(gadget);
  if (!window) return 0;
  return MoveWindow(window, x, y, width, height, TRUE) ? 1 : 0;
}

int OpenWindowNumbered(int window, int x, int y, int width, int height, const wchar_t* title, DWORD style,
                       HWND owner) {
  if (window < -1 || !RegisterRuntimeClass()) return -1;
  ReleaseNumber(windows, window);
  // The size asked for is the client area's.
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND handle = CreateWindowExW(0, kWindowClass, title ? title : L"", style, x, y, frame.right - frame.left,
                                frame.bottom - frame.top, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!handle) return -1;
  int number = Register(windows, window, handle);
  if (number < 0) {
    DestroyWindow(handle);
    return -1;
  }
  currentGadgetList = handle;
  return number;
}

HWND WindowHandle(int window) { return Lookup(windows, window); }
int WindowFromHandle(HWND handle) { return NumberOf(windows, handle); }

int CloseWindowNumbered(int window) {
  if (!WindowHandle(window)) return 0;
  ReleaseNumber(windows, window);
  return 1;
}

int WindowEvent(RuntimeEvent* event) {
  MSG message;
  while (eventQueue.empty() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (eventQueue.empty()) {
    if (event) *event = {kEventNone, -1, 0, 0};
    return kEventNone;
  }
  RuntimeEvent next = eventQueue.front();
  eventQueue.pop_front();
  if (event) *event = next;
  return next.kind;
}

HBITMAP CreateTopDownDib(int width, int height, int bitsPerPixel) {
  if (width <= 0 || height <= 0) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

HBITMAP CreateImage24(int width, int height) { return CreateTopDownDib(width, height, 24); }

int OSVersion() {
  static int version = -1;
  if (version >= 0) return version;
  // GetVersionEx answers what the manifest claims; RtlGetVersion the truth.
  using RtlGetVersionProc = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto rtlGetVersion =
      ntdll ? reinterpret_cast<RtlGetVersionProc>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  if (rtlGetVersion && rtlGetVersion(&info) == 0) {
    version = static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion);
  } else {
    version = 501;
  }
  return version;
}
