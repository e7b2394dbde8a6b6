// The property box: a three-column (margin, label, value) property list with
// collapsible headings and typed value rows, built on the grid control.
//
// A box is addressed by the gadget number of the grid it is built on. Rows
// are addressed by their index in the box's model (0-based), never by grid
// row: rows under a collapsed heading have no grid row. Every operation on a
// gadget that is not a property box, or with a row index out of range, does
// nothing and returns 0 (or an empty text).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Row kinds.
namespace PropertyKind {
enum : int32_t {
  Heading = 1,
  ListChoice = 2,
  EditableChoice = 3,
  UnsignedNumber = 4,
  SignedNumber = 5,
  DecimalNumber = 6,
  Text = 7,
  ReadOnlyText = 8,
  Colour = 9,
  FontWithColour = 10,
  Font = 11,
  File = 12,
  Folder = 13,
  Custom = 14,
};
}  // namespace PropertyKind

// Creation style flags.
constexpr uint32_t kPropertyBoxBorders = 0x01;
constexpr uint32_t kPropertyBoxFillWidth = 0x02;
constexpr uint32_t kPropertyBoxGradients = 0x04;
constexpr uint32_t kPropertyBoxShowSelection = 0x08;
constexpr uint32_t kPropertyBoxNoClientEdge = 0x10;
constexpr uint32_t kPropertyBoxAlwaysButton = 0x20;
constexpr uint32_t kPropertyBoxEditLabels = 0x40;

// Font row style bits (fontStyle).
constexpr int32_t kPropertyFontBold = 0x1;
constexpr int32_t kPropertyFontItalic = 0x2;
constexpr int32_t kPropertyFontUnderline = 0x4;
constexpr int32_t kPropertyFontStrikeOut = 0x8;

// Selectors of PropertyBox_GetRowColour / PropertyBox_SetRowColour.
constexpr int kRowLabelText = 1, kRowLabelBack = 2, kRowValueText = 3, kRowValueBack = 4;
// Selectors of PropertyBox_GetRowValue / PropertyBox_SetRowValue.
constexpr int kRowColour = 1, kRowFontSize = 2, kRowFontStyle = 3, kRowFontColour = 4;
// Selectors of PropertyBox_GetColour / PropertyBox_SetColour; the others go
// to the grid's own attributes.
constexpr int kBoxMarginColour = 7, kBoxCurrentLabelBack = 8, kBoxCurrentLabelText = 9, kBoxEditLabelBack = 10,
              kBoxEditLabelText = 11;
// Texts of PropertyBox_GetText / PropertyBox_SetText beyond label (1) and
// value (2).
constexpr int kTextLabel = 1, kTextValue = 2, kTextFontName = 3, kTextFileTitle = 4, kTextFilePattern = 5,
              kTextFileName = 6, kTextFolder = 7, kTextChoices = 8;

// What a caller describes when it adds a row, in this order. Strings may be
// null (taken as empty); the colours and fonts are copied, not owned.
struct PropertyRowDescription {
  int32_t kind = 0;
  HFONT labelFont = nullptr;
  HFONT valueFont = nullptr;
  int32_t valueAlignment = 0;  // DrawText flags: 0, DT_CENTER, DT_RIGHT
  const wchar_t* choices = nullptr;  // kinds 2 and 3: items separated by LF
  COLORREF colour = 0;               // kind 9
  const wchar_t* fontName = nullptr;  // kinds 10 and 11
  int32_t fontSize = 0;
  int32_t fontStyle = 0;
  COLORREF fontColour = 0;  // kind 10
  const wchar_t* fileTitle = nullptr;    // kinds 12 and 13: the dialog's title
  const wchar_t* filePattern = nullptr;  // kind 12
  const wchar_t* fileName = nullptr;     // kind 12
  const wchar_t* folder = nullptr;       // kind 13
};

// The owner's event procedure: (grid gadget, code, row index, extra).
using PropertyBoxCallback = int32_t (*)(int grid, int32_t code, int32_t index, intptr_t extra);

// Owner event codes.
namespace PropertyEvent {
enum : int32_t {
  ChoiceMade = 0,
  RightClick = 1,
  KeyChar = 2,
  TextChanging = 3,
  FocusLeft = 4,
  RowChanging = 5,
  ValueButton = 6,
  Expanding = 7,
  Collapsing = 8,
};
}  // namespace PropertyEvent

// Returns the gadget number (the chosen one for -1), or -1 on failure.
int PropertyBox_Create(int gadget, int x, int y, int width, int height, int rowHeight, int labelWidth,
                       int valueWidth, uint32_t style, PropertyBoxCallback ownerCallback);
// Inserts a row at `position` (-1: the end); `text` is the label, then an LF
// and the value. Returns the new row count, 0 on failure.
int PropertyBox_AddRow(int gadget, int position, const wchar_t* text, const PropertyRowDescription* description,
                       int grouped);
int PropertyBox_RemoveRow(int gadget, int index);
int PropertyBox_Clear(int gadget);
int PropertyBox_CountRows(int gadget);
int PropertyBox_SetText(int gadget, int index, const wchar_t* text, int column);
std::wstring PropertyBox_GetText(int gadget, int index, int column);
int PropertyBox_GetCurrentRow(int gadget);  // -1 when none
int PropertyBox_SetCurrentRow(int gadget, int index);
int PropertyBox_GetCollapsed(int gadget, int index);
int PropertyBox_SetCollapsed(int gadget, int index, int state);
int32_t PropertyBox_GetItemData(int gadget, int index);
int PropertyBox_SetItemData(int gadget, int index, int32_t value);
COLORREF PropertyBox_GetRowColour(int gadget, int index, int selector);
int PropertyBox_SetRowColour(int gadget, int index, int selector, COLORREF colour);
int32_t PropertyBox_GetRowValue(int gadget, int index, int selector);
int PropertyBox_SetRowValue(int gadget, int index, int selector, int32_t value);
// The description's strings point into the row and stay valid until the row
// changes or goes.
int PropertyBox_GetRowDescription(int gadget, int index, PropertyRowDescription* destination);
COLORREF PropertyBox_GetColour(int gadget, int selector);
int PropertyBox_SetColour(int gadget, int selector, COLORREF colour);
int PropertyBox_Resize(int gadget, int x, int y, int width, int height);

// 1 when `gadget` is a property box.
int PropertyBox_Is(int gadget);
// The number of live boxes, and whether the shared images and heading font
// exist (for tests).
int PropertyBox_LiveCount();
bool PropertyBox_SharedResourcesExist();
