// The property box's records and what its files share.
//
// The box hangs on its grid's list view under the window property
// "PROPERTYBOX_PROP"; its operation table for the control layer's generic
// commands hangs there under "GadgetCommandsVT".
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "propbox/propbox.h"

constexpr wchar_t kPropertyBoxProperty[] = L"PROPERTYBOX_PROP";
constexpr COLORREF kNoColour = 0xFFFFFFFF;
constexpr COLORREF kHeadingShade = RGB(221, 221, 221);
constexpr COLORREF kHeadingShadeLight = RGB(238, 238, 238);
// Pixels of this colour in the shared images are see-through.
constexpr COLORREF kImageKeyColour = RGB(255, 0, 255);

struct PropertyRow {
  int32_t kind = 0;
  int32_t collapsed = 0;
  std::wstring label;
  COLORREF labelTextColour = RGB(0, 0, 0);
  COLORREF labelBackColour = RGB(255, 255, 255);
  HFONT labelFont = nullptr;
  std::wstring value;
  COLORREF valueTextColour = RGB(0, 0, 0);
  COLORREF valueBackColour = RGB(255, 255, 255);
  HFONT valueFont = nullptr;
  int32_t valueAlignment = 0;
  int32_t itemData = 0;
  std::wstring choices;
  COLORREF colour = 0;
  std::wstring fontName;
  int32_t fontSize = 0;
  int32_t fontStyle = 0;
  COLORREF fontColour = 0;
  std::wstring fileTitle, filePattern, fileName, folder;
  uint8_t grouped = 0;
  uint32_t shownMark = 0;  // the box's generation in which the row was last shown
};

struct PropertyBox {
  int32_t grid = -1;
  HWND window = nullptr;  // the grid's list view
  uint32_t style = 0;
  PropertyBoxCallback ownerCallback = nullptr;
  std::vector<PropertyRow*> rows;  // the model, in display order
  // The row each grid row shows, by grid row: the box alone adds and
  // deletes its grid's rows, so this stays what the grid holds.
  std::vector<PropertyRow*> gridRows;
  COLORREF marginColour = 0;
  COLORREF currentLabelBack = kNoColour;
  COLORREF currentLabelText = kNoColour;
  COLORREF editLabelBack = RGB(221, 221, 221);
  COLORREF editLabelText = RGB(0, 0, 0);
  bool labelEditing = false;
  COLORREF borderColour = 0;
  WNDPROC previousWindowProcedure = nullptr;
  int32_t markedRow = -1;
  bool headingClicked = false;
  int32_t rowHeight = 0;
  uint32_t generation = 0;
  // Where the mouse was last seen over the list view (client coordinates):
  // the grid's click events name the cell, not the point.
  POINT mousePoint{-1, -1};

  int32_t rowCount() const { return static_cast<int32_t>(rows.size()); }
};

// Held once for all boxes, created with the first and freed with the last.
struct PropertyBoxShared {
  HFONT headingFont = nullptr;
  HBITMAP expandedImage = nullptr;   // 9 x 9
  HBITMAP collapsedImage = nullptr;  // 9 x 9
  HBITMAP buttonImage = nullptr;     // 12 x 12
  int liveBoxes = 0;
  int32_t pressedButtonRow = -1;  // the grid row whose value button is held down
  PropertyBox* pressedButtonBox = nullptr;  // the box that row belongs to
};

extern PropertyBoxShared boxShared;

// propbox_create.cpp
PropertyBox* BoxFromGadget(int gadget);
PropertyBox* BoxFromWindow(HWND window);
// The box built on a grid, from the box's own list: no trip to the window
// server, for the questions the grid asks while it paints (its window is
// alive and attached then).
PropertyBox* BoxOfGrid(int grid);
// An owner may free or rebuild the box from inside any event the box raises;
// code that goes on afterwards asks this with the window it noted before.
inline bool BoxAlive(HWND window, const PropertyBox* box) { return BoxFromWindow(window) == box; }
// Raises an owner event; without an owner callback every event yields 1.
int32_t RaiseOwnerEvent(PropertyBox* box, int32_t code, int32_t index, intptr_t extra);

// propbox_model.cpp
// Brings the grid's rows in step with the model; false when the box was
// freed meanwhile.
bool SyncGrid(PropertyBox* box);
void RefitValueColumn(PropertyBox* box);
int GridRowOf(const PropertyBox* box, const PropertyRow* row);
int IndexOf(const PropertyBox* box, const PropertyRow* row);
void RedrawGridRow(PropertyBox* box, int gridRow);

struct GridCellEvent;

// propbox_look.cpp: the box's answers to its grid's events.
int32_t PropertyBoxGridEvent(intptr_t owner, int32_t code, struct GridCellEvent* event);

// propbox_edit.cpp: toggling headings, current-cell moves, the character
// filter, the value button, label-edit mode and Ctrl+Space.
// Flips a heading; a toggle the user asked for may be refused by the owner.
// False when the box was freed meanwhile.
bool ToggleHeading(PropertyBox* box, PropertyRow* row, bool byUser);
// The box's own messages before and after the grid's procedure sees them;
void NoteMouse(PropertyBox* box, UINT message, LPARAM lParam);
void AfterGridMessage(PropertyBox* box, HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool buttonWasHeld);
// Lets go of a held value button (a box going away while it is held).
void DropValueButton(PropertyBox* box);
int32_t AnswerEditEvent(PropertyBox* box, int32_t code, GridCellEvent* event);
PropertyRow* RowOfGridRow(PropertyBox* box, int gridRow);
// A grid cell's rectangle in the list view's client coordinates.
RECT GridCellRect(const PropertyBox* box, int gridRow, int column);

// propbox_choosers.cpp: the standard dialogs behind the value button.
// False when the box was freed meanwhile.
bool OpenValueEditor(PropertyBox* box, PropertyRow* row);

// propbox_images.cpp
bool CreateSharedImages();
void FreeSharedImages();
