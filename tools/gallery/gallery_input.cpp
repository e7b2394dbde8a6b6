// The gallery's input page: a grid that answers the mouse and keyboard. Its
// cells show tooltips (some with a title), a link, a button that counts its
// presses, a check box; the block selection is free; the flat header has a
// gradient, its columns can be resized (except the first, refused by the
// owner) and dragged into another order.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "grid/grid.h"
#include "runtime/runtime.h"
#include "tools/gallery/gallery_input.h"

namespace {

constexpr int kColumns = 5;
constexpr int kRows = 12;
int pressed = 0;
int inputGrid = -1;

int32_t InputOwner(intptr_t, int32_t code, GridCellEvent* event) {
  const int row = event->row, column = event->column;
  switch (code) {
    case GridEvent::QueryCellType:
      if (row == 0 && column == 1) event->cellType = GridCell::PlainText;
      if (row == 1 && column == 1) event->cellType = GridCell::Button;
      if (row == 2 && column == 1) {
        event->cellType = GridCell::CheckBox;
        event->text = L"yes/no";
      }
      return 0;
    case GridEvent::QueryCellColours:
      if (row == -1) {
        event->gradientFrom = RGB(250, 250, 255);
        event->gradientTo = RGB(200, 215, 240);
        if (column == kColumns - 1) event->extra = 2;  // an upright title
      }
      if (row == 0 && column == 1) event->textColour = RGB(0, 70, 200);
      return 0;
    case GridEvent::TooltipRequest:
      if (column == 0) {
        event->text = L"Row " + std::to_wstring(row) + L"\x07" L"Drag from here to select a block; Ctrl+C copies it.";
        event->extra = TTI_INFO;
        return 1;
      }
      if (row == 1 && column == 1) {
        event->text = L"Pressed " + std::to_wstring(pressed) + L" times";
        return 1;
      }
      return 0;
    case GridEvent::ButtonPressed:
      ++pressed;
      grid_SetCellText(inputGrid, 1, 1, (L"Pressed " + std::to_wstring(pressed)).c_str());
      return 1;
    case GridEvent::ColumnResizing:
      return column == 0 ? 0 : 1;
    default:
      return 1;
  }
}

}  // namespace

int OpenInputPage(int x, int y) {
  int window = OpenWindowNumbered(kAnyNumber, x, y, 520, 330, L"Quorvel grid input gallery",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  if (window < 0) return -1;
  HWND previous = UseGadgetList(WindowHandle(window));
  inputGrid = grid_Create(kAnyNumber, 5, 5, 500, 290, 20, 0,
                          kGridLines | kGridTooltips | kGridResizableColumns | kGridFlatHeader);
  UseGadgetList(previous);
  if (inputGrid <= 0) return window;
  const wchar_t* titles[kColumns] = {L"Name", L"Action", L"Value", L"Notes", L"Up"};
  for (int c = 0; c < kColumns; ++c) grid_AddColumn(inputGrid, -1, titles[c], c == kColumns - 1 ? 40 : 105);
  grid_SetHeaderHeight(inputGrid, 44);
  grid_AddRows(inputGrid, -1, kRows);
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kColumns; ++c)
      grid_SetCellText(inputGrid, c, r, (L"r" + std::to_wstring(r) + L"c" + std::to_wstring(c)).c_str());
  grid_SetCellText(inputGrid, 1, 0, L"quorvel.example");
  grid_SetCellText(inputGrid, 1, 1, L"Press me");
  grid_SetCellText(inputGrid, 1, 2, L"yes");
  SendMessageW(GadgetWindow(inputGrid), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_HEADERDRAGDROP, LVS_EX_HEADERDRAGDROP);
  grid_SetCallback(inputGrid, InputOwner);
  return window;
}
