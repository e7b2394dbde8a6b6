// The gallery's property box page: two boxes in a window of their own, one
// row of every kind (1 to 14) and every style flag in use: borders, a value
// column filling the width, gradients, the kept selection and the value
// button on every owner-painted row in the first; no client edge and label
// editing in the second. Both are editable; an owner writes every event
// it hears into the log below them, so each kind and chooser can be tried.
// With QUORVEL_GALLERY_CHOOSER set, the colour dialog opens by itself after
// a second (for the screenshot of a chooser).
#include "tools/gallery/propbox_page.h"

#include <windows.h>

#include <string>

#include "propbox/propbox.h"
#include "runtime/runtime.h"

namespace {

HWND eventLog = nullptr;
int fullBox = -1;

const wchar_t* EventName(int32_t code) {
  static const wchar_t* const kNames[] = {L"choice made", L"right click",  L"key",       L"text changing",
                                          L"focus left",  L"row changing", L"value button", L"expanding",
                                          L"collapsing"};
  return code >= 0 && code < 9 ? kNames[code] : L"?";
}

int32_t LoggingOwner(int grid, int32_t code, int32_t index, intptr_t extra) {
  if (!eventLog) return 1;
  std::wstring line = L"box " + std::to_wstring(grid) + L": " + std::to_wstring(code) + L" " + EventName(code) +
                      L", row " + std::to_wstring(index & 0xFFFF);
  if (code == PropertyEvent::TextChanging) {
    line += L" column " + std::to_wstring(index >> 16) + L" \"";
    line += reinterpret_cast<const wchar_t*>(extra);
    line += L"\"";
  } else if (code == PropertyEvent::KeyChar) {
    line += L" '";
    line += *reinterpret_cast<const wchar_t*>(extra);
    line += L"'";
  }
  line += L"\r\n";
  const int end = GetWindowTextLengthW(eventLog);
  SendMessageW(eventLog, EM_SETSEL, end, end);
  SendMessageW(eventLog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  return 1;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (lstrcmpW(name, L"#32770") == 0) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

// The dialog's own message loop runs the timers; the gallery's closing time
// could not end it otherwise.
void CALLBACK CloseColourChooser(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
}

void CALLBACK OpenColourChooser(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (!PropertyBox_Is(fullBox)) return;
  SetTimer(nullptr, 0, 10000, CloseColourChooser);
  // Ctrl+Space on the colour row, as a person would open it.
  PropertyBox_SetCurrentRow(fullBox, 8);
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(GadgetWindow(fullBox), WM_CHAR, L' ', 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
}

struct KindSample {
  int32_t kind;
  const wchar_t* text;
};

const KindSample kKinds[] = {
    {PropertyKind::Heading, L"Every kind"},
    {PropertyKind::ListChoice, L"2 list choice\nNormal"},
    {PropertyKind::EditableChoice, L"3 editable choice\nMedium"},
    {PropertyKind::UnsignedNumber, L"4 unsigned\n2302"},
    {PropertyKind::SignedNumber, L"5 signed\n-40"},
    {PropertyKind::DecimalNumber, L"6 decimal\n-1.25"},
    {PropertyKind::Text, L"7 text\nAny text at all"},
    {PropertyKind::ReadOnlyText, L"8 read-only\nChernarus"},
    {PropertyKind::Colour, L"9 colour"},
    {PropertyKind::FontWithColour, L"10 font, colour"},
    {PropertyKind::Font, L"11 font"},
    {PropertyKind::File, L"12 file\nno file chosen"},
    {PropertyKind::Folder, L"13 folder\nno folder chosen"},
    {PropertyKind::Custom, L"14 custom\ndrawn by the box"},
};

void AddKinds(int box) {
  for (const KindSample& sample : kKinds) {
    PropertyRowDescription description;
    description.kind = sample.kind;
    switch (sample.kind) {
      case PropertyKind::ListChoice:
        description.choices = L"Easy\nNormal\nHard";
        break;
      case PropertyKind::EditableChoice:
        description.choices = L"Low\nMedium\nHigh";
        break;
      case PropertyKind::UnsignedNumber:
      case PropertyKind::SignedNumber:
        description.valueAlignment = DT_RIGHT;
        break;
      case PropertyKind::Colour:
        description.colour = RGB(31, 95, 168);
        break;
      case PropertyKind::FontWithColour:
        description.fontName = L"Tahoma";
        description.fontSize = 10;
        description.fontStyle = kPropertyFontBold;
        description.fontColour = RGB(170, 30, 30);
        break;
      case PropertyKind::Font:
        description.fontName = L"Courier New";
        description.fontSize = 9;
        description.fontStyle = kPropertyFontItalic;
        break;
      case PropertyKind::File:
        description.fileTitle = L"Mission file";
        description.filePattern = L"Missions (*.pbo)|*.pbo";
        description.fileName = L"C:\\missions\\patrol.pbo";
        break;
      case PropertyKind::Folder:
        description.fileTitle = L"Profiles folder";
        break;
      default:
        break;
    }
    PropertyBox_AddRow(box, -1, sample.text, &description, 1);
  }
}

}  // namespace

int OpenPropertyBoxPage(int x, int y) {
  int window = OpenWindowNumbered(kAnyNumber, x, y, 380, 700, L"Quorvel property box gallery",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  if (window < 0) return -1;

  // Borders, filling value column, gradients, kept selection, value button
  // on every owner-painted row.
  eventLog = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 10,
                             560, 350, 95, WindowHandle(window), nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(eventLog, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  int full = PropertyBox_Create(kAnyNumber, 10, 10, 350, 300, 20, 120, 150, 0x2F, LoggingOwner);
  fullBox = full;
  if (full < 0) return window;
  AddKinds(full);
  PropertyBox_SetCurrentRow(full, 7);

  // No client edge, label editing, and a collapsed group.
  int plain = PropertyBox_Create(kAnyNumber, 10, 320, 350, 230, 18, 120, 210, 0x10 | 0x40, LoggingOwner);
  if (plain < 0) return window;
  PropertyRowDescription heading;
  heading.kind = PropertyKind::Heading;
  PropertyRowDescription text;
  text.kind = PropertyKind::ReadOnlyText;
  PropertyBox_AddRow(plain, -1, L"Open group", &heading, 0);
  PropertyBox_AddRow(plain, -1, L"Label\nvalue", &text, 1);
  PropertyBox_AddRow(plain, -1, L"Coloured\nrow", &text, 1);
  PropertyBox_SetRowColour(plain, 2, kRowLabelBack, RGB(255, 244, 214));
  PropertyBox_SetRowColour(plain, 2, kRowValueText, RGB(0, 110, 40));
  PropertyBox_AddRow(plain, -1, L"Collapsed group", &heading, 0);
  PropertyBox_AddRow(plain, -1, L"Hidden\nrow", &text, 1);
  PropertyBox_AddRow(plain, -1, L"Not grouped\nstays shown", &text, 0);
  PropertyBox_SetCollapsed(plain, 3, 1);
  PropertyBox_SetCurrentRow(plain, 1);
  if (GetEnvironmentVariableW(L"QUORVEL_GALLERY_CHOOSER", nullptr, 0) > 0) SetTimer(nullptr, 0, 1000, OpenColourChooser);
  return window;
}
