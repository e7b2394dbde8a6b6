// Grid gallery: one grid with every cell type and border kind, and a second
// one showing the block selection, for looking at and for the screenshot in
// the README (tools/gallery/screenshot.sh). With a number as its argument
// the program closes itself after that many milliseconds.
//
// The first grid can be edited: its owner accepts what is typed, chosen and
// ticked, and lists each event it receives (code, name, row, column, text)
// in the log at the right, newest last, so that a person, or the end-to-end
// test reading the list from outside, can follow the event stream.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "grid/grid.h"
#include "grid/grid_private.h"
#include "runtime/gdi_guard.h"
#include "runtime/runtime.h"
#include "tools/gallery/gallery_input.h"
#include "tools/gallery/propbox_page.h"

namespace {

constexpr COLORREF kLinkBlue = RGB(0, 70, 200);

struct Sample {
  const wchar_t* label;
  int32_t type;
  const wchar_t* value;
  const wchar_t* variant;  // column 2: the same type, another way
  const wchar_t* items;    // event text: choice items or check values
  int32_t variantFormat;
};

// Column 3 of each row shows one border kind.
struct BorderSample {
  const wchar_t* text;
  uint32_t flags;
  COLORREF colour;
};

const Sample kSamples[] = {
    {L"0 text", GridCell::Text, L"Edit me", L"right aligned", L"", DT_RIGHT},
    {L"1 static text", GridCell::StaticText, L"Static", L"centred", L"", DT_CENTER},
    {L"2 plain text (link)", GridCell::PlainText, L"quorvel.example", L"plain", L"", 0},
    {L"3 list choice", GridCell::ListChoice, L"Green", L"Blue", L"Red\nGreen\nBlue", 0},
    {L"4 editable choice", GridCell::EditableChoice, L"Custom", L"Other", L"One\nTwo", 0},
    {L"5 check box", GridCell::CheckBox, L"yes", L"no", L"yes/no", 0},
    {L"6 read-only check", GridCell::ReadOnlyCheckBox, L"yes", L"no", L"yes/no", 0},
    {L"7 image", GridCell::Image, L"", L"", L"", 0},
    {L"8 icon", GridCell::Icon, L"", L"", L"", 0},
    {L"9 percentage", GridCell::Percentage, L"42", L"150", L"", 0},
    {L"10 read-only percent", GridCell::ReadOnlyPercentage, L"75", L"abc", L"", 0},
    {L"11 button", GridCell::Button, L"Press", L"Pressed\\+", L"", 0},
    {L"12 owner painted", GridCell::OwnerPainted, L"", L"", L"", 0},
    {L"13 unknown type", 13, L"", L"", L"", 0},
    {L"wrapped text", GridCell::StaticText, L"A longer text that wraps at word breaks", L"short", L"", 0},
};

const BorderSample kBorders[] = {
    {L"left 1px", kBorderLeft, RGB(200, 0, 0)},
    {L"top 1px", kBorderTop, RGB(200, 0, 0)},
    {L"right 1px", kBorderRight, RGB(200, 0, 0)},
    {L"bottom 1px", kBorderBottom, RGB(200, 0, 0)},
    {L"all dotted", kBorderLeftDotted | kBorderTopDotted | kBorderRightDotted | kBorderBottomDotted, RGB(0, 0, 160)},
    {L"all 2px", kBorderLeftThick | kBorderTopThick | kBorderRightThick | kBorderBottomThick, RGB(0, 128, 0)},
    {L"mixed", kBorderLeftThick | kBorderTopDotted | kBorderRight | kBorderBottomThick, RGB(128, 0, 128)},
    {L"no grid lines", kBorderNoGridLines, 0},
    {L"gradient", 0, 0},
    {L"hot link colour", 0, 0},
    {L"", 0, 0},
    {L"flat button", 0, 0},
    {L"", 0, 0},
    {L"", 0, 0},
    {L"", 0, 0},
};

HBITMAP sampleImage = nullptr;
HICON sampleIcon = nullptr;
HWND eventLog = nullptr;

const wchar_t* EventName(int32_t code) {
  static const wchar_t* const names[] = {
      L"KeyChar",    L"TextRemoving", L"TextChanged",  L"CellChanging",   L"ColumnResizing", L"QueryCellType",
      L"QueryCellColours", L"ColumnClick", L"RightClick", L"EditEnded", L"ComboChanged",  L"ButtonPressed",
      L"ColumnsChanged",   L"Clipboard",   L"LeftClick",  L"LeftButtonUp", L"DoubleClick", L"RightButtonDown",
      L"DeleteKey",        L"PaintCell",   L"TooltipRequest"};
  return code >= 0 && code < static_cast<int32_t>(std::size(names)) ? names[code] : L"?";
}

// The questions the grid asks for painting, and the cursor's travels over
// the header, would bury the rest.
bool Logged(int32_t code) {
  switch (code) {
    case GridEvent::ColumnResizing:
    case GridEvent::QueryCellType:
    case GridEvent::QueryCellColours:
    case GridEvent::PaintCell:
    case GridEvent::TooltipRequest:
      return false;
    default:
      return true;
  }
}

void LogEvent(int32_t code, const GridCellEvent* event) {
  if (!eventLog || !Logged(code)) return;
  std::wstring line = std::to_wstring(code) + L" " + EventName(code) + L" " + std::to_wstring(event->row) + L" " +
                      std::to_wstring(event->column);
  if (code == GridEvent::KeyChar || code == GridEvent::TextRemoving) {
    wchar_t key[2] = {static_cast<wchar_t>(event->extra >= 32 ? event->extra : L'?'), 0};
    line += L" '" + std::wstring(key) + L"'";
  } else if (code == GridEvent::ComboChanged || code == GridEvent::EditEnded) {
    line += L" #" + std::to_wstring(event->extra);
  }
  line += L" \"" + event->text + L"\"";
  // Keep the list short; the newest line stays in view.
  if (SendMessageW(eventLog, LB_GETCOUNT, 0, 0) >= 500) SendMessageW(eventLog, LB_DELETESTRING, 0, 0);
  auto index = SendMessageW(eventLog, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(eventLog, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

// A 16 x 16 picture on white, which the image cell leaves out.
HBITMAP MakeSampleImage() {
  ScopedGetDC screen(nullptr);
  HBITMAP image = CreateCompatibleBitmap(screen.Get(), 16, 16);
  ScopedMemoryDC dc(screen.Get());
  ScopedSelect select(dc.Get(), image);
  RECT all{0, 0, 16, 16};
  FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ScopedBrush red(CreateSolidBrush(RGB(220, 40, 40)));
  ScopedBrush blue(CreateSolidBrush(RGB(40, 80, 220)));
  {
    ScopedSelect brush(dc.Get(), red.Get());
    ScopedSelect pen(dc.Get(), GetStockObject(NULL_PEN));
    Ellipse(dc.Get(), 1, 1, 11, 11);
  }
  ScopedSelect brush(dc.Get(), blue.Get());
  ScopedSelect pen(dc.Get(), GetStockObject(NULL_PEN));
  Rectangle(dc.Get(), 7, 7, 16, 16);
  return image;
}

int32_t GalleryOwner(intptr_t, int32_t code, GridCellEvent* event) {
  LogEvent(code, event);
  const int rows = static_cast<int>(std::size(kSamples));
  if (event->row < 0 || event->row >= rows) return 1;
  const Sample& sample = kSamples[event->row];
  const BorderSample& border = kBorders[event->row];
  switch (code) {
    case GridEvent::QueryCellColours:
      if (event->column == 0) {
        event->backColour = RGB(240, 240, 240);
      } else if (event->column == 3) {
        event->borderFlags = border.flags;
        event->borderColour = border.colour;
        if (event->row == 8) {
          event->gradientFrom = RGB(255, 230, 160);
          event->gradientTo = RGB(160, 200, 255);
        }
        if (event->row == 9) event->textColour = kLinkBlue;
      } else if (event->row == 6 && event->column == 2) {
        event->gradientFrom = RGB(230, 255, 230);
        event->gradientTo = RGB(120, 200, 120);
      }
      if (event->column == 2) event->format = sample.variantFormat;
      return 0;
    case GridEvent::QueryCellType:
      if (event->column == 0 || event->column == 3) {
        event->cellType = event->column == 3 && event->row == 11 ? GridCell::Button : GridCell::StaticText;
        event->extra = event->row == 11 ? 1 : 0;  // the flat button
        return 0;
      }
      event->cellType = sample.type;
      event->text = sample.items;
      if (sample.type == GridCell::Image) {
        event->extra = reinterpret_cast<intptr_t>(sampleImage);
        if (event->column == 2) event->backColour = RGB(255, 255, 255);
      } else if (sample.type == GridCell::Icon) {
        event->extra = reinterpret_cast<intptr_t>(sampleIcon);
        event->width = event->height = 16;
      } else if (sample.type == GridCell::Button && event->column == 2) {
        event->width = 110;
      }
      return 0;
    case GridEvent::PaintCell: {
      auto image = reinterpret_cast<HBITMAP>(event->extra);
      ScopedMemoryDC dc(nullptr);
      ScopedSelect select(dc.Get(), image);
      TRIVERTEX corners[2] = {{0, 0, 0x2000, 0x8000, 0xD000, 0}, {event->width, event->height, 0xF000, 0xB000, 0x2000, 0}};
      GRADIENT_RECT rectangle{0, 1};
      GradientFill(dc.Get(), corners, 2, &rectangle, 1, event->column == 1 ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
      SetBkMode(dc.Get(), TRANSPARENT);
      SetTextColor(dc.Get(), RGB(255, 255, 255));
      RECT all{0, 0, event->width, event->height};
      DrawTextW(dc.Get(), L"drawn by the owner", -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      return 0;
    }
    default:
      return 1;
  }
}

// The second grid: a block selection with its focus cell and outline.
int32_t SelectionOwner(intptr_t, int32_t code, GridCellEvent* event) {
  if (code == GridEvent::QueryCellColours && event->column == 0) event->backColour = RGB(250, 250, 230);
  return code == GridEvent::QueryCellType || code == GridEvent::QueryCellColours ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  sampleImage = MakeSampleImage();
  sampleIcon = static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32516), IMAGE_ICON, 16, 16, LR_SHARED));

  int window = OpenWindowNumbered(kAnyNumber, 10, 10, 1030, 650, L"Quorvel grid gallery",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  if (window < 0) return 1;
  eventLog = CreateWindowExW(WS_EX_CLIENTEDGE, L"ListBox", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                             720, 10, 290, 630, WindowHandle(window), nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(eventLog, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);

  const uint32_t flags = kGridLines | kGridWrapText | kGridResizableColumns;
  int grid = grid_Create(kAnyNumber, 10, 10, 700, 480, 28, 0, flags);
  if (grid < 0) return 1;
  const wchar_t* titles[] = {L"Kind", L"Cell", L"Variant", L"Borders"};
  const int widths[] = {150, 170, 170, 150};
  for (int c = 0; c < 4; ++c) grid_AddColumn(grid, -1, titles[c], widths[c]);
  const int rows = static_cast<int>(std::size(kSamples));
  grid_AddRows(grid, -1, rows);
  for (int r = 0; r < rows; ++r) {
    grid_SetCellText(grid, 0, r, kSamples[r].label);
    grid_SetCellText(grid, 1, r, kSamples[r].value);
    grid_SetCellText(grid, 2, r, kSamples[r].variant);
    grid_SetCellText(grid, 3, r, kBorders[r].text);
  }
  grid_SetCallback(grid, GalleryOwner);
  grid_SetAttribute(grid, kGridLineColour, RGB(200, 200, 200));
  grid_SetAttribute(grid, kGridFrameColour, RGB(0, 90, 200));
  grid_SetAttribute(grid, kGridFrameWidth, 2);
  // The hot text colour of a link shows while the mouse is over it.
  if (GridRecord* record = RecordFromGadget(grid)) {
    record->hotRow = 9;
    record->hotSubItem = 4;
  }

  int selection = grid_Create(kAnyNumber, 10, 500, 700, 140, 22, 0, kGridLines | kGridNoLinesInSelection);
  if (selection < 0) return 1;
  for (int c = 0; c < 5; ++c) grid_AddColumn(selection, -1, (L"Column " + std::to_wstring(c)).c_str(), 130);
  grid_AddRows(selection, -1, 5);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 5; ++c)
      grid_SetCellText(selection, c, r, (L"cell " + std::to_wstring(r) + L"," + std::to_wstring(c)).c_str());
  grid_SetCallback(selection, SelectionOwner);
  grid_SetAttribute(selection, kGridLineColour, RGB(200, 200, 200));
  // A block from (1, 1) over three columns and rows, as a mouse drag leaves it.
  grid_SetCurrentCell(selection, 1, 1, 0, 0);
  if (GridRecord* record = RecordFromGadget(selection)) {
    LeaveCell(record);
    record->selCols = 3;
    record->selRows = 3;
    InvalidateRect(record->listWindow, nullptr, FALSE);
  }
  // Right of the event log.
  OpenPropertyBoxPage(1050, 10);

  // Below the others, opened before the first grid takes the keyboard back.
  OpenInputPage(10, 670);
  // Last: the second grid's current cell and the property box page each
  // took the keyboard, and the first grid's editor is to have it.
  SetForegroundWindow(WindowHandle(window));
  SetActiveWindow(WindowHandle(window));
  grid_SetCurrentCell(grid, 1, 0, 1, 0);

  const DWORD closeAfter = commandLine && *commandLine ? static_cast<DWORD>(_wtoi(commandLine)) : 0;
  const DWORD started = GetTickCount();
  for (;;) {
    RuntimeEvent event;
    int kind = WindowEvent(&event);
    if (kind == kEventCloseWindow) break;
    if (kind == kEventNone) {
      if (closeAfter && GetTickCount() - started > closeAfter) break;
      Sleep(5);
    }
  }
  CloseWindowNumbered(window);
  DeleteObject(sampleImage);
  return 0;
}
