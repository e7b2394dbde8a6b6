// The mouse over the grid: the cursor, the hot (link) cell and the per-cell
// tooltips asked from the owner; and the header's notifications as they reach
// the list view: column resizing and dragging, and the header's own look.
#include <algorithm>

#include "grid/grid_private.h"
#include "runtime/gdi_guard.h"

namespace {

bool Blank(const std::wstring& text) { return text.find_first_not_of(L' ') == std::wstring::npos; }

void ForgetHotCell(GridRecord* record) {
  if (record->hotRow == -1) return;
  InvalidateCell(record, record->hotRow, record->hotSubItem);
  record->hotRow = -1;
  record->hotSubItem = -1;
}

// Tooltips are built for the cell under the mouse and rebuilt when it
// reaches another; false when the owner freed the grid meanwhile.
bool UpdateTooltip(GridRecord* record, int row, int subItem) {
  if (row == record->tooltipRow && (subItem == record->tooltipSubItem || record->tooltipRow == -1)) return true;
  DestroyTooltip(record);
  HWND list = record->listWindow;
  const bool current = row == record->currentRow && subItem == record->currentSubItem;
  if (!current) {
    GridCellEvent event;
    event.row = row;
    event.column = subItem < 1 ? -1 : subItem - 1;
    event.backColour = kGridNoColour;
    event.textColour = kGridNoColour;
    event.width = 250;
    int32_t answer = RaiseEvent(record, GridEvent::TooltipRequest, &event);
    if (!GridAlive(list, record)) return false;
    if (answer != 0 && !event.text.empty()) {
      HWND tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
      if (tip) {
        record->tooltipWindow = tip;
        AttachRecord(tip, record);
        SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, event.width);
        if (event.backColour != kGridNoColour) SendMessageW(tip, TTM_SETTIPBKCOLOR, event.backColour, 0);
        if (event.textColour != kGridNoColour) SendMessageW(tip, TTM_SETTIPTEXTCOLOR, event.textColour, 0);
        if (event.font) SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(event.font), FALSE);
        std::wstring body = event.text;
        size_t bell = body.find(L'\x07');
        if (bell != std::wstring::npos) {
          std::wstring title = body.substr(0, bell);
          body = body.substr(bell + 1);
          body = body.substr(0, body.find(L'\x07'));
          SendMessageW(tip, TTM_SETTITLEW, static_cast<WPARAM>(event.extra), reinterpret_cast<LPARAM>(title.c_str()));
        }
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = GetParent(list);
        tool.uId = reinterpret_cast<UINT_PTR>(list);
        tool.lpszText = body.data();
        SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
      }
    }
  }
  // Also when no tooltip could be made: no new attempt on this cell.
  record->tooltipRow = row;
  record->tooltipSubItem = subItem;
  return true;
}

LRESULT BeginTrack(GridRecord* record, const NMHEADERW* notification) {
  if (!(record->styleFlags & kGridResizableColumns) || notification->iItem < 1) return 1;
  HWND list = record->listWindow;
  GridCellEvent event;
  event.row = -1;
  event.column = notification->iItem - 1;
  int32_t answer = RaiseEvent(record, GridEvent::ColumnResizing, &event);
  if (!GridAlive(list, record) || answer != 1) return 1;
  if (!EndEdit(record, 0)) return 1;
  UpdateWindow(list);
  if (!GridAlive(list, record)) return 1;
  record->resizingHeaderItem = notification->iItem;
  return 0;
}

int VisualIndex(HWND header, int item) {
  HDITEMW info{};
  info.mask = HDI_ORDER;
  SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
  return info.iOrder;
}

LRESULT HeaderItemDraw(GridRecord* record, NMCUSTOMDRAW* draw) {
  const int item = static_cast<int>(draw->dwItemSpec);
  if (item < 1) return CDRF_DODEFAULT;
  HWND list = record->listWindow;
  HWND header = record->headerWindow;
  HDC dc = draw->hdc;
  const int items = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  const int order = VisualIndex(header, item);
  const bool last = order == items - 1;
  const bool first = order <= 1;  // the placeholder stays at position 0
  const bool flat = record->styleFlags & kGridFlatHeader;
  const bool v6 = gridShared.commonControlsVersion >= 6;

  wchar_t title[260] = {};
  HDITEMW info{};
  info.mask = HDI_TEXT;
  info.pszText = title;
  info.cchTextMax = 259;
  SendMessageW(header, HDM_GETITEMW, item, reinterpret_cast<LPARAM>(&info));

  GridCellEvent event;
  event.row = -1;
  event.column = item - 1;
  event.backColour = GetSysColor(COLOR_BTNFACE);
  event.textColour = 0;
  event.font = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
  event.format = 0;
  event.extra = 0;
  event.text = title;
  RaiseEvent(record, GridEvent::QueryCellColours, &event);
  if (!GridAlive(list, record)) return CDRF_SKIPDEFAULT;

  RECT rect = draw->rc;
  if (v6) rect.bottom -= 1;
  const bool growRight = !last && (flat || !v6);
  const bool growLeft = !first && !flat;
  if (growRight) rect.right += 1;
  if (growLeft) rect.left -= 1;

  SetTextColor(dc, event.textColour);
  ScopedPen pen(CreatePen(PS_INSIDEFRAME, 1, record->headerLineColour));
  {
    ScopedSelect keepPen(dc, pen.Get());
    if (flat) {
      const bool gradient = event.gradientFrom != kGridNoColour && event.gradientTo != kGridNoColour;
      ScopedBrush solid(gradient ? nullptr : CreateSolidBrush(event.backColour));
      if (gradient) {
        TRIVERTEX corners[2] = {};
        corners[0].x = rect.left;
        corners[0].y = rect.top;
        corners[0].Red = static_cast<COLOR16>(GetRValue(event.gradientFrom) << 8);
        corners[0].Green = static_cast<COLOR16>(GetGValue(event.gradientFrom) << 8);
        corners[0].Blue = static_cast<COLOR16>(GetBValue(event.gradientFrom) << 8);
        corners[1].x = rect.right;
        corners[1].y = rect.bottom;
        corners[1].Red = static_cast<COLOR16>(GetRValue(event.gradientTo) << 8);
        corners[1].Green = static_cast<COLOR16>(GetGValue(event.gradientTo) << 8);
        corners[1].Blue = static_cast<COLOR16>(GetBValue(event.gradientTo) << 8);
        GRADIENT_RECT span{0, 1};
        GradientFill(dc, corners, 2, &span, 1, GRADIENT_FILL_RECT_V);
      }
      ScopedSelect keepBrush(dc, gradient ? GetStockObject(NULL_BRUSH) : solid.Get());
      Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    } else {
      UINT state = DFCS_BUTTONPUSH | ((draw->uItemState & CDIS_SELECTED) ? DFCS_PUSHED : 0);
      DrawFrameControl(dc, &rect, DFC_BUTTON, state);
      if (draw->uItemState & CDIS_SELECTED) OffsetRect(&rect, event.extra ? 2 : 1, 1);
    }
  }
  if (growRight && flat) rect.right -= 1;
  if (growLeft) rect.left += 1;
  SetBkMode(dc, TRANSPARENT);
  rect.left += 6;
  rect.right -= 6;

  const std::wstring& text = event.text;
  if (event.extra == 1 || event.extra == 2) {
    LOGFONTW description{};
    if (event.font) GetObjectW(event.font, sizeof description, &description);
    description.lfEscapement = description.lfOrientation = event.extra == 1 ? 2700 : 900;
    ScopedFont turned(CreateFontIndirectW(&description));
    ScopedSelect keepFont(dc, turned.Get());
    UINT align = SetTextAlign(dc, event.extra == 2 ? TA_BOTTOM : TA_TOP);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (rect.left + size.cy < rect.right) {
      const int x = (rect.left + rect.right) / 2 + size.cy / 2;
      const int y = event.extra == 1 ? rect.top + 5 : rect.bottom - 5;
      TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    }
    SetTextAlign(dc, align);
  } else if (rect.right - rect.left > 10) {
    ScopedSelect keepFont(dc, event.font);
    if (event.format == DT_RIGHT && gridShared.osVersion < 70) rect.right -= 1;
    const UINT format = static_cast<UINT>(event.format) | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS;
    RECT measured = rect;
    DrawTextW(dc, text.c_str(), -1, &measured, format | DT_CALCRECT);
    int offset = (rect.bottom - measured.bottom) >> 1;
    rect.top = offset;
    rect.bottom += offset;
    DrawTextW(dc, text.c_str(), -1, &rect, format);
  }
  return CDRF_SKIPDEFAULT;
}

}  // namespace

void DestroyTooltip(GridRecord* record) {
  if (record->tooltipWindow) {
    DetachRecord(record->tooltipWindow);
    DestroyWindow(record->tooltipWindow);
    record->tooltipWindow = nullptr;
  }
  record->tooltipRow = -2;
}

bool HoverSetCursor(GridRecord* record) {
  HWND list = record->listWindow;
  if (gridShared.scrollParked) {
    gridShared.scrollParked = false;
    RepositionEditor(record);
    if (!GridAlive(list, record)) return true;
  }
  POINT point;
  GetCursorPos(&point);
  ScreenToClient(list, &point);
  LVHITTESTINFO hit{};
  hit.pt = point;
  SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  const int row = hit.iItem, subItem = hit.iSubItem;
  if (record->hotRow != -1 && (row != record->hotRow || subItem != record->hotSubItem)) ForgetHotCell(record);

  bool handled = false;
  if (row >= 0 && subItem >= 1 && row == record->currentRow && subItem == record->currentSubItem &&
      record->currentCellType == GridCell::Text) {
    SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
    return true;  // no tooltip for the cell being edited
  }
  if (row >= 0 && subItem >= 1 && !Blank(CellText(record, row, subItem))) {
    GridCellEvent event;
    event.row = row;
    event.column = subItem - 1;
    event.hotTextColour = kGridNoColour;
    event.font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
    RaiseEvent(record, GridEvent::QueryCellType, &event);
    if (!GridAlive(list, record)) return true;
    const bool link = event.cellType == GridCell::PlainText ||
                      ((event.cellType == GridCell::Text || event.cellType == GridCell::StaticText) && event.isLink);
    if (link) {
      handled = true;
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      if (row != record->hotRow || subItem != record->hotSubItem) {
        record->hotRow = row;
        record->hotSubItem = subItem;
        InvalidateCell(record, row, subItem);
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = list;
        track.dwHoverTime = 100;
        TrackMouseEvent(&track);
      }
    }
  }
  if ((record->styleFlags & kGridTooltips) && !UpdateTooltip(record, row, subItem)) return true;
  return handled;
}

void HoverLeave(GridRecord* record) { ForgetHotCell(record); }

bool HeaderNotification(GridRecord* record, NMHDR* header, WNDPROC previous, WPARAM wParam, LRESULT* result) {
  HWND list = record->listWindow;
  switch (header->code) {
    case HDN_BEGINDRAG: {
      PassOn(previous, list, WM_NOTIFY, wParam, reinterpret_cast<LPARAM>(header));
      if (!GridAlive(list, record)) return true;
      if (!(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_HEADERDRAGDROP)) {
        *result = 1;
        return true;
      }
      if (!EndEdit(record, 0)) return true;
      record->draggedHeaderItem = reinterpret_cast<NMHEADERW*>(header)->iItem;
      *result = 0;
      return true;
    }
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
      *result = BeginTrack(record, reinterpret_cast<NMHEADERW*>(header));
      return true;
    case NM_CUSTOMDRAW: {
      auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(header);
      if (draw->dwDrawStage == CDDS_PREPAINT) {
        *result = CDRF_NOTIFYITEMDRAW;
      } else if (draw->dwDrawStage == CDDS_ITEMPREPAINT) {
        *result = HeaderItemDraw(record, draw);
      } else {
        *result = CDRF_DODEFAULT;
      }
      return true;
    }
    default:
      return false;
  }
}
