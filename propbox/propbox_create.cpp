// Creating a property box on a grid, finding it again, and its end.
//
// The box is a grid (grid/grid.h) with three columns (margin, label, value)
// whose owner is the box: the box answers the grid's events cell by cell
// (propbox_look.cpp). Its record hangs on the grid's list view under
// "PROPERTYBOX_PROP"; the box replaces the list view's window procedure (on
// top of the grid's own) to free itself when the window goes, to note where
// the mouse is, to end a press of the value button and to answer Ctrl+Space
// (propbox_edit.cpp); and it stores its operation table under
// "GadgetCommandsVT" for the control layer's generic commands.
#include <algorithm>
#include <new>
#include <utility>

#include "grid/grid.h"
#include "propbox/propbox_private.h"
#include "runtime/runtime.h"

namespace {

// Window properties are a round trip to the window server under Wine and the
// box is looked up for every cell the grid paints, so lookups read this copy;
// the property stays on the window for everyone else.
std::vector<std::pair<HWND, PropertyBox*>> attachedBoxes;

void Attach(HWND window, PropertyBox* box) {
  std::erase_if(attachedBoxes, [window](const auto& entry) { return entry.first == window; });
  attachedBoxes.emplace_back(window, box);
  SetPropW(window, kPropertyBoxProperty, box);
}

void Detach(HWND window) {
  std::erase_if(attachedBoxes, [window](const auto& entry) { return entry.first == window; });
  RemovePropW(window, kPropertyBoxProperty);
  RemovePropW(window, kGadgetCommandsProperty);
}

void FreeRows(PropertyBox* box) {
  for (PropertyRow* row : box->rows) delete row;
  box->rows.clear();
  box->gridRows.clear();
}

void DestroyBox(PropertyBox* box) {
  // A button held down in a box that goes lets go of the mouse with it.
  DropValueButton(box);
  Detach(box->window);
  FreeRows(box);
  delete box;
  if (--boxShared.liveBoxes <= 0) {
    boxShared.liveBoxes = 0;
    FreeSharedImages();
  }
}

LRESULT CALLBACK PropertyBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PropertyBox* box = BoxFromWindow(window);
  if (!box) return DefWindowProcW(window, message, wParam, lParam);
  WNDPROC previous = box->previousWindowProcedure;
  if (message == WM_NCDESTROY) {
    // Put the grid's procedure back first: it frees the grid's record on this
    // same message and must find itself in charge of the window.
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    DestroyBox(box);
    return CallWindowProcW(previous, window, message, wParam, lParam);
  }
  NoteMouse(box, message, lParam);
  const bool buttonHeld = boxShared.pressedButtonBox == box;
  LRESULT result = CallWindowProcW(previous, window, message, wParam, lParam);
  if (!BoxAlive(window, box)) return result;
  AfterGridMessage(box, window, message, wParam, lParam, buttonHeld);
  // However the window was sized (PropertyBox_Resize, or a parent's layout
  // moving it directly), the value column follows.
  if (message == WM_SIZE && BoxAlive(window, box)) RefitValueColumn(box);
  return result;
}

// The generic gadget commands, routed to the box's operations.
int AddItem(int gadget, int position, const wchar_t* text, const void* data, int flags) {
  PropertyRowDescription plain;
  plain.kind = PropertyKind::ReadOnlyText;
  const auto* description = data ? static_cast<const PropertyRowDescription*>(data) : &plain;
  int count = PropertyBox_AddRow(gadget, position, text, description, flags);
  if (count == 0) return -1;
  return position == -1 ? count - 1 : position;
}
int RemoveItem(int gadget, int index) { return PropertyBox_RemoveRow(gadget, index); }
int SetState(int gadget, int state) { return PropertyBox_SetCurrentRow(gadget, state); }
int Resize(int gadget, int x, int y, int width, int height) { return PropertyBox_Resize(gadget, x, y, width, height); }

const GadgetCommands kBoxCommands = {
    AddItem,
    RemoveItem,
    PropertyBox_Clear,
    PropertyBox_CountRows,
    PropertyBox_GetCurrentRow,
    SetState,
    nullptr,
    nullptr,
    PropertyBox_GetText,
    PropertyBox_SetText,
    PropertyBox_GetCollapsed,
    PropertyBox_SetCollapsed,
    PropertyBox_GetItemData,
    PropertyBox_SetItemData,
    PropertyBox_GetRowColour,
    PropertyBox_SetRowColour,
    PropertyBox_GetRowValue,
    PropertyBox_SetRowValue,
    PropertyBox_GetColour,
    PropertyBox_SetColour,
    Resize,
};

}  // namespace

PropertyBox* BoxFromWindow(HWND window) {
  if (!window) return nullptr;
  for (const auto& [key, box] : attachedBoxes)
    if (key == window) return box;
  return nullptr;
}

PropertyBox* BoxFromGadget(int gadget) { return BoxFromWindow(GadgetWindow(gadget)); }

PropertyBox* BoxOfGrid(int grid) {
  for (const auto& [window, box] : attachedBoxes)
    if (box->grid == grid) return box;
  return nullptr;
}

int PropertyBox_Is(int gadget) { return BoxFromGadget(gadget) ? 1 : 0; }

int32_t RaiseOwnerEvent(PropertyBox* box, int32_t code, int32_t index, intptr_t extra) {
  if (!box->ownerCallback) return 1;
  return box->ownerCallback(box->grid, code, index, extra);
}

int PropertyBox_Create(int gadget, int x, int y, int width, int height, int rowHeight, int labelWidth,
                       int valueWidth, uint32_t style, PropertyBoxCallback ownerCallback) {
  // A control under the number goes first: were it the last box, its end
  // would take the shared images the new box is about to use.
  if (gadget >= 0 && IsGadget(gadget)) FreeGadget(gadget);
  if (boxShared.liveBoxes == 0 && !CreateSharedImages()) return -1;

  auto* box = new (std::nothrow) PropertyBox;
  if (!box) {
    if (boxShared.liveBoxes == 0) FreeSharedImages();
    return -1;
  }
  int grid = grid_Create(gadget, x, y, width, height, rowHeight, style & kPropertyBoxShowSelection, 0x188);
  // A new grid has no columns yet; anything else under that number is not
  // ours to take over.
  HWND window = grid >= 0 ? GadgetWindow(grid) : nullptr;
  if (!window || grid_CountColumns(grid) != 0) {
    delete box;
    if (boxShared.liveBoxes == 0) FreeSharedImages();
    return -1;
  }

  if (style & kPropertyBoxNoClientEdge) {
    SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }

  box->grid = grid;
  box->window = window;
  box->style = style;
  box->ownerCallback = ownerCallback;
  box->rowHeight = rowHeight;
  box->marginColour = GetSysColor(COLOR_BTNFACE);
  box->borderColour = GetSysColor(COLOR_BTNFACE);

  grid_SetHeaderHeight(grid, 0);
  grid_SetAttribute(grid, kGridSelectionColour, static_cast<int32_t>(RGB(223, 223, 223)));
  grid_SetAttribute(grid, kGridFrameWidth, 0);
  grid_SetAttribute(grid, kGridEmptyAreaColour, static_cast<int32_t>(GetSysColor(COLOR_BTNFACE)));
  grid_SetAttribute(grid, kGridSelectionMode, 3);
  grid_AddColumn(grid, -1, L"", rowHeight);
  grid_AddColumn(grid, -1, L"", labelWidth);
  grid_AddColumn(grid, -1, L"", valueWidth);
  grid_SetCallback(grid, PropertyBoxGridEvent);

  Attach(window, box);
  box->previousWindowProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PropertyBoxProc)));
  SetPropW(window, kGadgetCommandsProperty, const_cast<GadgetCommands*>(&kBoxCommands));
  ++boxShared.liveBoxes;
  RefitValueColumn(box);
  return grid;
}
