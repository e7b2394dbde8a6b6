// The grid's state record and the values shared by all grids.
//
// The record hangs on the list view under the window property
// "grid_ListPointer"; everything the grid knows about one grid is here.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "grid/grid.h"

constexpr int kMaxGridColumns = 1000;
constexpr wchar_t kListPointerProperty[] = L"grid_ListPointer";
constexpr wchar_t kOwnerValueProperty[] = L"grid_OwnerValue";
constexpr wchar_t kOldParentProcProperty[] = L"grid_OldParentProc";
// Private message of the list view: raise ColumnsChanged with extra 2.
constexpr UINT kGridColumnsChangedMessage = WM_USER + 1;
// The drop button of the owner-drawn list combo keeps this much of a
// list-choice cell free.
constexpr int kDropButtonRoom = 20;

struct GridRecord {
  int32_t gadget = -1;
  HWND listWindow = nullptr;
  int32_t currentRow = -1;
  int32_t currentSubItem = 0;
  int32_t currentCellType = 0;
  uint32_t styleFlags = 0;
  int32_t rowHeight = 0;
  int32_t pressedRow = -1;
  int32_t pressedSubItem = -1;
  // 0 when the mouse holds the pressed button (with the capture), else the
  // key (Space or Enter) whose release presses it.
  int32_t pressedKey = 0;
  int32_t draggedHeaderItem = -1;
  std::vector<int32_t> columnOrder;     // visual position -> grid column
  std::vector<int32_t> columnPosition;  // grid column -> visual position
  COLORREF headerLineColour = RGB(128, 128, 128);
  COLORREF frameColour = RGB(0, 0, 0);
  int32_t frameWidth = 1;
  COLORREF selectionColour = RGB(206, 219, 241);
  COLORREF gridLineColour = 0;
  COLORREF emptyAreaColour = kGridNoColour;
  HWND editWindow = nullptr;
  int32_t listCombo = -1;
  int32_t editCombo = -1;
  HWND editComboEdit = nullptr;
  HWND headerWindow = nullptr;
  int32_t headerHeight = 20;
  GridCallback eventCallback = nullptr;
  HWND tooltipWindow = nullptr;
  int32_t tooltipRow = -2;
  int32_t tooltipSubItem = -1;
  HFONT editorFont = nullptr;
  HIMAGELIST rowImages = nullptr;  // sets the row height; owned here, not by the list view
  std::wstring initialText;
  std::wstring editText;
  int32_t hotRow = -1;
  int32_t hotSubItem = -1;
  int32_t selCol = -1;
  int32_t selRow = 0;
  int32_t selCols = 0;
  int32_t selRows = 0;
  int32_t focusRow = 0;
  int32_t focusCol = 0;
  uint8_t selectionState = 0;
  int32_t dragStartX = 0;
  int32_t dragStartY = 0;
  uint32_t cellBorderFlags = 0;
  uint8_t selectionMode = 0;
  uint8_t cellSelected = 0;
  uint8_t columnsChanged = 0;
  int32_t resizingHeaderItem = 0;
  // While the list view paints, "grid_OwnerValue" is read once for the
  // whole pass instead of once per event (a property lookup is costly).
  bool painting = false;
  HANDLE paintOwnerValue = nullptr;
};

// Held once for all grids.
struct GridShared {
  // Previous window procedures of the subclassed standard controls; every
  // grid overwrites a slot with the same class procedure.
  WNDPROC editProc = nullptr;
  WNDPROC listComboProc = nullptr;
  WNDPROC comboEditProc = nullptr;
  WNDPROC headerProc = nullptr;
  WNDPROC listProc = nullptr;
  HFONT percentFont = nullptr;  // "Verdana" 7 pt bold, kept for the process
  int commonControlsVersion = 5;
  int osVersion = 0;
  HBRUSH editorBrush = nullptr;
  int dragState = 0;  // 0 idle, 1 armed, 2 dragging a block
  UINT_PTR dragTimer = 0;
  int dragLimitRight = -1;
  int dragLimitBottom = 0;
  bool answeringTextChanged = false;
  bool scrollParked = false;
  bool comboListOpened = false;
};

extern GridShared gridShared;

// Lookup: the record of a window that carries "grid_ListPointer", else null.
// The property is set and removed only through AttachRecord/DetachRecord,
// which keep the process-local copy that lookups read.
GridRecord* grid_RecordFromWindow(HWND window);
void AttachRecord(HWND window, GridRecord* record);
void DetachRecord(HWND window);
// The parent's procedure from before the grid hooked it ("grid_OldParentProc").
WNDPROC OldParentProc(HWND parent);
void UnhookParent(HWND parent);
GridRecord* RecordFromGadget(int gadget);
// The owner may free the grid from inside its event procedure (and even build
// a new one under the same number, perhaps in the same memory). Code that
// goes on with a record after raising an event first asks this, with the
// list view it noted before raising it.
inline bool GridAlive(HWND list, const GridRecord* record) { return grid_RecordFromWindow(list) == record; }

// grid_ops.cpp
int32_t RaiseEvent(GridRecord* record, int32_t code, GridCellEvent* event);
void ApplySelectionLook(GridRecord* record, GridCellEvent* event);
void RebuildColumnOrder(GridRecord* record);
int FirstColumn(GridRecord* record);
int LastColumn(GridRecord* record);
int NextColumn(GridRecord* record, int subItem);
int PreviousColumn(GridRecord* record, int subItem);
void InvalidateCell(GridRecord* record, int row, int subItem);
int CountGridColumns(const GridRecord* record);
int CountGridRows(const GridRecord* record);
std::wstring CellText(const GridRecord* record, int row, int subItem);
void SetCellTextRaw(GridRecord* record, int row, int subItem, const std::wstring& text);
RECT CellRect(const GridRecord* record, int row, int subItem);
void RemoveBlockSelection(GridRecord* record);
// The lines a signed extent covers from `start`, clipped to 0..limit-1.
void ClipExtent(int start, int extent, int limit, int* first, int* last);

// grid_ops.cpp; false when the owner freed the grid meanwhile. Unless the
// keyboard is already on its way out of the grid, it goes back to the list.
bool EndEdit(GridRecord* record, int reason, bool keyboardLeaving = false);

// grid_edit.cpp: opening, placing, committing, cancelling and pasting.
// Every one that may raise an event returns false (OpenEditor: the caller
// asks GridAlive) when the owner freed the grid meanwhile.
bool CommitEdit(GridRecord* record);
// A cell other than the open one takes a new text the way a commit would.
bool CommitCellText(GridRecord* record, int row, int subItem, const std::wstring& text);
// A parked editor gives the keyboard back to the list.
void KeyboardBackToList(GridRecord* record);
bool CancelEdit(GridRecord* record);
void LeaveCell(GridRecord* record);
int OpenEditor(GridRecord* record, bool query, const RECT* cell, int row, int subItem);
// Asks the owner the current cell's type and loads its text into the editor.
bool LoadEditor(GridRecord* record);
// Loads editText (and for choice cells the LF-separated items) into the
// editor of currentCellType.
void LoadEditorItems(GridRecord* record, const std::wstring& items);
bool PlaceEditor(GridRecord* record, RECT cell);
void ParkEditor(GridRecord* record);
bool RepositionEditor(GridRecord* record);
bool FocusEditor(GridRecord* record);
void ShowTextInEditor(GridRecord* record, const std::wstring& text);
std::wstring EditorText(HWND editor);
int PasteText(int gadget);
// Pieces of pasted text and where they go, relative to the current cell.
struct PastePiece {
  int rowOffset;
  int columnOffset;
  std::wstring text;
};
std::vector<PastePiece> SplitPasteText(const std::wstring& text);

// grid_paint.cpp
LRESULT CALLBACK grid_ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintEmptyArea(GridRecord* record);
// The colour of the area without cells, in the list view and in the header.
COLORREF EmptyAreaColour(const GridRecord* record);

// Hands a message on to a subclassed window's previous procedure.
inline LRESULT PassOn(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!previous) return DefWindowProcW(window, message, wParam, lParam);
  return CallWindowProcW(previous, window, message, wParam, lParam);
}

// grid_list_proc.cpp
LRESULT CALLBACK grid_ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CALLBACK DragSelectTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
void DestroyGridRecord(GridRecord* record);

// grid_editor_procs.cpp
// The list and its editors: the keyboard moving among them stays in the grid.
bool IsGridWindow(const GridRecord* record, HWND window);
LRESULT CALLBACK grid_EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK grid_ComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK grid_HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The editors' messages to the list view (WM_COMMAND, WM_CTLCOLOREDIT,
// WM_DRAWITEM); false when the list view's own procedure should have it.
bool ListEditorMessage(GridRecord* record, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// grid_input.cpp
// Tab and Shift+Tab from the current cell, wrapping at row ends and round
// from the last row to the first. 1 when the owner accepted; where the
// keyboard goes afterwards is the caller's to say.
int TabToNextCell(GridRecord* record);
// The current cell moved to (row, subItem) for the CellChanging reason given:
// 1 accepted, 0 refused, -1 when the owner freed the grid meanwhile.
int MoveCurrentCell(GridRecord* record, int row, int subItem, int reason, bool byMouse);
// A modifier or key as it was when the message being handled was posted.
bool KeyIsDown(int key);
// The cell under a client point: row and grid column, -1 where none.
bool HitTestCell(GridRecord* record, POINT point, int* row, int* column);
// Ends a drag of any grid: its timer, its capture and the shared state.
void StopDrag();
void ListButtonDown(GridRecord* record, WPARAM keys, LPARAM position, bool doubleClick);
void ListButtonUp(GridRecord* record, WPARAM keys, LPARAM position);
void ReleaseButton(GridRecord* record);
// The press ends without ButtonPressed (the capture or the focus went).
void CancelPress(GridRecord* record);
// Space or Enter on the current cell, from the list or the list combo
// (the keyboard holder of cells without a text editor).
void SpaceOnCurrentCell(GridRecord* record);
void PressCurrentButton(GridRecord* record, int key);
void KeyReleased(GridRecord* record, int key);
void TrackPressedButton(GridRecord* record, LPARAM position);
void ListRightButton(GridRecord* record, bool down, WPARAM keys, LPARAM position);
void ListKeyDown(GridRecord* record, int key);
void ListTabReleased(GridRecord* record);

// grid_hover.cpp
// WM_SETCURSOR: true when the grid set the cursor itself.
bool HoverSetCursor(GridRecord* record);
void HoverLeave(GridRecord* record);
void DestroyTooltip(GridRecord* record);
// The header's notifications to the list view; false for the list view's own.
bool HeaderNotification(GridRecord* record, NMHDR* header, WNDPROC previous, WPARAM wParam, LRESULT* result);
// Posted by the parent on TTN_POP: the tooltip goes once its notification is over.
constexpr UINT kGridDropTooltipMessage = WM_USER + 2;

// Numeric value of a cell text: leading blanks, sign, "$" hex, "%" binary.
int64_t CellNumber(const std::wstring& text);
