// Creating and destroying a grid.
//
// A grid is a report-view list view whose column 0 is a zero-width
// placeholder, three parked editor windows (an EDIT, a drop-down-list combo
// and an editable combo) that are moved over the current cell, and five
// replaced window procedures: the list view's, the header's, the editors'
// and, once per parent, the parent's (which receives the list view's custom
// draw notifications and paints the cells). The record is created here and
// freed when the list view gets WM_NCDESTROY.
#include <shlwapi.h>

#include <new>
#include <utility>
#include <vector>

#include "grid/grid_private.h"
#include "runtime/gdi_guard.h"
#include "runtime/runtime.h"

GridShared gridShared;

namespace {

// Reads the major version through DllGetVersion: the library's file version
// says nothing about which comctl32 (5 or 6) the activation context chose.
int ReadCommonControlsVersion() {
  int major = 5;
  HMODULE library = LoadLibraryW(L"comctl32.dll");
  if (!library) return major;
  auto getVersion =
      reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetVersion")));
  if (getVersion) {
    DLLVERSIONINFO info{};
    info.cbSize = 20;
    if (SUCCEEDED(getVersion(&info))) major = static_cast<int>(info.dwMajorVersion);
  }
  FreeLibrary(library);
  return major;
}

void CreateSharedValues() {
  static bool created = false;
  if (created) return;
  created = true;
  // Kept for the life of the process: every percentage cell of every grid
  // draws its caption with it.
  LOGFONTW font{};
  {
    ScopedGetDC screen(nullptr);
    font.lfHeight = -MulDiv(7, screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96, 72);
  }
  font.lfWeight = FW_BOLD;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, L"Verdana", LF_FACESIZE);
  gridShared.percentFont = CreateFontIndirectW(&font);
  gridShared.commonControlsVersion = ReadCommonControlsVersion();
}

void RemoveStyle(HWND window, LONG_PTR bits) {
  SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) & ~bits);
}

WNDPROC Subclass(HWND window, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

HWND FindEditChild(HWND combo) {
  for (HWND child = GetWindow(combo, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, L"EDIT") == 0) return child;
  }
  return nullptr;
}

}  // namespace

// Window properties are kept by the window manager (under Wine each lookup is
// a round trip to the server), and the replaced procedures look them up for
// every message their windows get. So the grid keeps its own copy of the two
// properties it sets, reads that copy, and sets and removes both together;
// the properties stay on the windows for everyone else.
namespace {
std::vector<std::pair<HWND, GridRecord*>> attachedRecords;
std::vector<std::pair<HWND, WNDPROC>> hookedParents;

template <typename Value>
Value Find(const std::vector<std::pair<HWND, Value>>& table, HWND window) {
  for (const auto& [key, value] : table)
    if (key == window) return value;
  return nullptr;
}

template <typename Value>
void Forget(std::vector<std::pair<HWND, Value>>& table, HWND window) {
  std::erase_if(table, [window](const auto& entry) { return entry.first == window; });
}
}  // namespace

GridRecord* grid_RecordFromWindow(HWND window) {
  if (!window) return nullptr;
  return Find(attachedRecords, window);
}

void AttachRecord(HWND window, GridRecord* record) {
  Forget(attachedRecords, window);
  attachedRecords.emplace_back(window, record);
  SetPropW(window, kListPointerProperty, record);
}

void DetachRecord(HWND window) {
  Forget(attachedRecords, window);
  RemovePropW(window, kListPointerProperty);
}

namespace {
// Every window still marked with the record, the list view and any other
// (the cell tooltip dies with the list view without a word to the grid):
// left in the copy, a handle value given later to a new window would lead
// to the freed record.
void DetachEverywhere(const GridRecord* record) {
  std::vector<HWND> marked;
  for (const auto& [window, attached] : attachedRecords)
    if (attached == record) marked.push_back(window);
  for (HWND window : marked) DetachRecord(window);
}
}  // namespace

WNDPROC OldParentProc(HWND parent) {
  if (WNDPROC previous = Find(hookedParents, parent)) return previous;
  return reinterpret_cast<WNDPROC>(GetPropW(parent, kOldParentProcProperty));
}

void UnhookParent(HWND parent) {
  Forget(hookedParents, parent);
  RemovePropW(parent, kOldParentProcProperty);
}

GridRecord* RecordFromGadget(int gadget) {
  // A grid in the middle of painting is alive and still under its number,
  // and its owner asks about it for every cell: that answer costs no trip
  // to the window server (GadgetWindow checks the window and its property).
  for (const auto& [window, record] : attachedRecords)
    if (record->painting && record->gadget == gadget && window == record->listWindow) return record;
  return grid_RecordFromWindow(GadgetWindow(gadget));
}

int grid_Create(int gadget, int x, int y, int width, int height, int rowHeight, uint32_t listFlags,
                uint32_t gridFlags) {
  gridShared.osVersion = OSVersion();
  if (gadget >= 0 && IsGadget(gadget)) FreeGadget(gadget);

  auto* record = new (std::nothrow) GridRecord;
  if (!record) return -1;
  try {
    record->columnOrder.assign(kMaxGridColumns, 0);
    record->columnPosition.assign(kMaxGridColumns, 0);
  } catch (const std::bad_alloc&) {
    delete record;
    return -1;
  }

  CreateSharedValues();

  // The grid owns the row-height image list (see below), so the list view
  // must never destroy it, whatever the caller's flags say.
  int number =
      CreateListViewGadget(gadget, x, y, width, height, L"", 0, (listFlags & ~0x10000u) | LVS_SHAREIMAGELISTS);
  HWND list = number >= 0 ? GadgetWindow(number) : nullptr;
  HWND parent = list ? GetParent(list) : nullptr;
  if (!list || !parent) {
    if (list) FreeGadget(number);
    delete record;
    return -1;
  }

  record->gadget = number;
  record->listWindow = list;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_DOUBLEBUFFER, 0);
  RemoveStyle(list, WS_TABSTOP);

  // The list view sizes its rows by the small image list. It keeps the
  // handle and may draw with it, so the list lives as long as the grid and
  // is destroyed with the record, and only there.
  record->rowImages = ImageList_Create(1, rowHeight, ILC_COLORDDB, 0, 0);
  if (record->rowImages)
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(record->rowImages));
  // Known before the first paint measures it: a list-choice cell made
  // current on a grid not yet painted sizes its field from it.
  record->rowHeight = rowHeight;

  record->currentRow = -1;
  record->headerWindow = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  RemoveStyle(record->headerWindow, HDS_FULLDRAG);
  record->headerHeight = 20;
  if (auto font = reinterpret_cast<HFONT>(SendMessageW(record->headerWindow, WM_GETFONT, 0, 0))) {
    LOGFONTW description{};
    if (GetObjectW(font, sizeof description, &description)) record->headerHeight = abs(description.lfHeight) + 5;
  }

  record->styleFlags = gridFlags | kGridOwnerDrawnCombo | ((listFlags & 0x40) ? kGridLines : 0);
  record->gridLineColour = GetSysColor(COLOR_BTNFACE);

  HWND previousList = UseGadgetList(list);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  record->editWindow = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 0, 0, list,
                                       nullptr, instance, nullptr);
  bool v6 = gridShared.commonControlsVersion >= 6;
  record->listCombo = CreateComboGadget(kAnyNumber, -100, -100, 0, v6 ? 20 : 100,
                                        CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS);
  record->editCombo =
      CreateComboGadget(kAnyNumber, -100, -100, 0, v6 ? 20 : 200, CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_HASSTRINGS);
  UseGadgetList(previousList);

  HWND listCombo = GadgetWindow(record->listCombo);
  HWND editCombo = GadgetWindow(record->editCombo);
  record->editComboEdit = editCombo ? FindEditChild(editCombo) : nullptr;
  if (!record->editWindow || !listCombo || !editCombo || !record->editComboEdit) {
    FreeGadget(number);  // the editors are children and go with it
    if (record->rowImages) ImageList_Destroy(record->rowImages);
    delete record;
    return -1;
  }

  RemoveStyle(record->editWindow, WS_TABSTOP);
  SendMessageW(record->editWindow, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  gridShared.editProc = Subclass(record->editWindow, grid_EditProc);

  RemoveStyle(listCombo, WS_TABSTOP);
  gridShared.listComboProc = Subclass(listCombo, grid_ComboProc);

  RemoveStyle(editCombo, WS_TABSTOP);
  RemoveStyle(record->editComboEdit, WS_TABSTOP);
  gridShared.comboEditProc = Subclass(record->editComboEdit, grid_EditProc);
  SendMessageW(record->editComboEdit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);

  gridShared.listProc = Subclass(list, grid_ListProc);

  // One subclass per parent: a second grid on the same window finds the
  // property and reuses the first one's hook.
  if (!GetPropW(parent, kOldParentProcProperty)) {
    WNDPROC old = Subclass(parent, grid_ParentProc);
    // A window without the property is a new hook, even if an earlier window
    // with this handle value went without the grid seeing its end.
    Forget(hookedParents, parent);
    hookedParents.emplace_back(parent, old);
    SetPropW(parent, kOldParentProcProperty, reinterpret_cast<HANDLE>(old));
  }

  gridShared.headerProc = Subclass(record->headerWindow, grid_HeaderProc);
  AttachRecord(list, record);
  grid_SetHeaderHeight(number, record->headerHeight);
  return number;
}

void DestroyGridRecord(GridRecord* record) {
  // A mouse drag armed on this grid ends with it (its timer dies with the
  // window); the drag state is shared, and the next grid must not find it
  // armed.
  if (gridShared.dragTimer != 0 && gridShared.dragTimer == reinterpret_cast<UINT_PTR>(record)) {
    gridShared.dragTimer = 0;
    gridShared.dragState = 0;
  }
  if (record->editorFont) DeleteObject(record->editorFont);
  if (record->rowImages) ImageList_Destroy(record->rowImages);
  // The brush is shared by all grids; the next WM_CTLCOLOREDIT of another
  // grid makes a new one.
  if (gridShared.editorBrush) {
    DeleteObject(gridShared.editorBrush);
    gridShared.editorBrush = nullptr;
  }
  DetachEverywhere(record);
  delete record;
}

int grid_Free(int gadget) {
  if (!RecordFromGadget(gadget)) return 0;
  FreeGadget(gadget);
  return 0;
}
