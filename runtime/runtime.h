// The control layer: gadget and window numbers, the current gadget list,
// creation of the standard controls the program uses, texts, items, states,
// and the queue of window events.
//
// Every control is addressed by a small integer, its gadget number; windows
// are numbered the same way in a table of their own. Passing -1 as the number
// lets the layer choose a free one (returned by the creating call); free
// numbers are handed out from kFirstFreeNumber upwards, so they never meet
// the small fixed numbers that callers choose themselves. Creating a control
// under a number that is taken frees the old control first.
//
// Knows Win32 and nothing of the program built on it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr int kAnyNumber = -1;
constexpr int kFirstFreeNumber = 0x10000;

// --- gadget table --------------------------------------------------------
// Records `window` under `gadget` (-1: a free number). Returns the number, or
// -1 when the window is null or the number is negative.
int RegisterGadget(int gadget, HWND window);
HWND GadgetWindow(int gadget);         // null when there is no such gadget
int GadgetFromWindow(HWND window);     // -1 when the window is no gadget
int IsGadget(int gadget);              // 1 or 0
int FreeGadget(int gadget);            // destroys the window; 1 when it existed

// The container into which new controls are created. Returns the previous one.
HWND UseGadgetList(HWND container);
HWND CurrentGadgetList();

// --- control creation ----------------------------------------------------
// Each returns the gadget number (the chosen one for -1), or -1 on failure.

// A report-view list view (WS_EX_CLIENTEDGE, single selection, visible) in
// the current gadget list, with its first column already inserted. `flags`
// are window style bits (LVS_SHOWSELALWAYS and the like) added to those.
int CreateListViewGadget(int gadget, int x, int y, int width, int height, const wchar_t* firstTitle,
                         int firstWidth, DWORD flags);
// A combo box; `comboStyle` holds the CBS_ bits (CBS_DROPDOWNLIST, ...).
int CreateComboGadget(int gadget, int x, int y, int width, int height, DWORD comboStyle);

// --- texts, items and states -----------------------------------------------
// The text of a control. For a drop-down-list combo, setting the text selects
// the item with exactly that text (none when no item matches).
std::wstring GetGadgetText(int gadget);
int SetGadgetText(int gadget, const wchar_t* text);
// Items of combo boxes and list views (first column). Position -1 appends.
// Return the new item's index, or -1.
int AddGadgetItem(int gadget, int position, const wchar_t* text);
int ClearGadgetItems(int gadget);
int CountGadgetItems(int gadget);  // -1 on failure
// The selected item (combo boxes, list views); -1 for none or failure.
int GetGadgetState(int gadget);
int SetGadgetState(int gadget, int state);

// --- controls with their own operations ------------------------------------
// A control that is not a standard one (a property box, say) hangs a table of
// its operations on its window under "GadgetCommandsVT"; the generic commands
// below, and those above, go to the table when the window has one. An entry
// left null makes its command fail as it would on a missing gadget.
constexpr wchar_t kGadgetCommandsProperty[] = L"GadgetCommandsVT";

struct GadgetCommands {
  // `data` is the control's own item description (null for a plain item),
  // `flags` its own flags.
  int (*addItem)(int gadget, int position, const wchar_t* text, const void* data, int flags);
  int (*removeItem)(int gadget, int index);
  int (*clearItems)(int gadget);
  int (*countItems)(int gadget);
  int (*getState)(int gadget);
  int (*setState)(int gadget, int state);
  std::wstring (*getText)(int gadget);
  int (*setText)(int gadget, const wchar_t* text);
  std::wstring (*getItemText)(int gadget, int index, int column);
  int (*setItemText)(int gadget, int index, const wchar_t* text, int column);
  int (*getItemState)(int gadget, int index);
  int (*setItemState)(int gadget, int index, int state);
  int32_t (*getItemData)(int gadget, int index);
  int (*setItemData)(int gadget, int index, int32_t value);
  COLORREF (*getItemColour)(int gadget, int index, int selector);
  int (*setItemColour)(int gadget, int index, int selector, COLORREF colour);
  int32_t (*getItemValue)(int gadget, int index, int selector);
  int (*setItemValue)(int gadget, int index, int selector, int32_t value);
  COLORREF (*getColour)(int gadget, int selector);
  int (*setColour)(int gadget, int selector, COLORREF colour);
  int (*resize)(int gadget, int x, int y, int width, int height);
};

// The table of a gadget's window, or null.
const GadgetCommands* GadgetCommandsOf(int gadget);

// Adds an item with the control's own description (see GadgetCommands).
int AddGadgetItemEx(int gadget, int position, const wchar_t* text, const void* data, int flags);
int RemoveGadgetItem(int gadget, int index);  // 1 when removed
std::wstring GetGadgetItemText(int gadget, int index, int column);
int SetGadgetItemText(int gadget, int index, const wchar_t* text, int column);
int GetGadgetItemState(int gadget, int index);
int SetGadgetItemState(int gadget, int index, int state);
int32_t GetGadgetItemData(int gadget, int index);
int SetGadgetItemData(int gadget, int index, int32_t value);
COLORREF GetGadgetItemColour(int gadget, int index, int selector);
int SetGadgetItemColour(int gadget, int index, int selector, COLORREF colour);
int32_t GetGadgetItemValue(int gadget, int index, int selector);
int SetGadgetItemValue(int gadget, int index, int selector, int32_t value);
COLORREF GetGadgetColour(int gadget, int selector);
int SetGadgetColour(int gadget, int selector, COLORREF colour);
// Moves and sizes the control; 1 when done.
int ResizeGadget(int gadget, int x, int y, int width, int height);

// --- windows -----------------------------------------------------------------
// A top-level (or owned, when `owner` is set) window with the layer's own
// class; its client area becomes the current gadget list. Returns the window
// number or -1.
int OpenWindowNumbered(int window, int x, int y, int width, int height, const wchar_t* title,
                       DWORD style, HWND owner);
HWND WindowHandle(int window);          // null when there is no such window
int WindowFromHandle(HWND handle);      // -1 when the handle is no numbered window
int CloseWindowNumbered(int window);    // 1 when it existed

// --- events --------------------------------------------------------------------
enum RuntimeEventKind : int {
  kEventNone = 0,
  kEventGadget = 1,       // item = gadget number, type = notification code
  kEventMenu = 2,         // item = menu item id
  kEventCloseWindow = 3,  // the user asked to close the window
  kEventSizeWindow = 4,
};

struct RuntimeEvent {
  int kind;
  int window;  // window number, -1 when the window is not numbered
  int item;
  int type;
};

// Takes the next event without waiting: pumps waiting messages first, then
// pops the queue. Returns the event's kind (kEventNone when there is none).
int WindowEvent(RuntimeEvent* event);

// --- small services ------------------------------------------------------------
// A top-down DIB section of the given size and bits per pixel (24 or 32),
// owned by the caller; null for an empty size.
HBITMAP CreateTopDownDib(int width, int height, int bitsPerPixel);
// The 24-bit image owner-painted cells are drawn on.
HBITMAP CreateImage24(int width, int height);
// The running system's version as major * 100 + minor (601 = Windows 7,
// 1000 = Windows 10), read without the compatibility shims.
int OSVersion();
