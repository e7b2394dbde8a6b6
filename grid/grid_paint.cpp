// Painting the cells.
//
// The list view announces each cell through NM_CUSTOMDRAW to its parent; the
// grid replaces the parent's window procedure once per parent (the previous
// one is kept in the parent's "grid_OldParentProc") and answers the sub-item
// stage by painting the cell itself and skipping the list view's drawing.
// For every cell the owner is asked for colours (QueryCellColours) and type
// (QueryCellType). Text cells are drawn straight into the list view's DC;
// the other types are composed in a memory bitmap and copied in one BitBlt
// so that they do not flicker. Borders, grid lines and the current-cell
// frame come last. Every GDI object made here lives in a guard and is gone
// before the next cell, except the one off-screen image that all grids
// reuse; plain fills and lines take the DC's own brush and pen colours.
#include <algorithm>
#include <string>

#include "grid/grid_private.h"
#include "runtime/gdi_guard.h"
#include "runtime/runtime.h"

namespace {

constexpr int kMinPercentWidth = 29;

std::wstring FirstPart(const std::wstring& text) { return text.substr(0, text.find(L'/')); }

bool UsesGradient(const GridRecord* record, const GridCellEvent& event, bool current) {
  if (event.gradientFrom == kGridNoColour || event.gradientTo == kGridNoColour || record->cellSelected) return false;
  switch (event.cellType) {
    case GridCell::Text:
    case GridCell::StaticText:
    case GridCell::PlainText:
    case GridCell::ListChoice:
    case GridCell::EditableChoice:
      return !(current && event.cellType == GridCell::Text);
    case GridCell::CheckBox:
    case GridCell::ReadOnlyCheckBox:
      return !(current && event.cellType == GridCell::CheckBox);
    case GridCell::Percentage:
    case GridCell::ReadOnlyPercentage:
      return !current;
    case GridCell::Image:
    case GridCell::Icon:
    case GridCell::OwnerPainted:
      return true;
    default:
      return false;
  }
}

void FillGradient(HDC dc, const RECT& area, COLORREF from, COLORREF to) {
  TRIVERTEX vertices[2] = {};
  vertices[0].x = area.left;
  vertices[0].y = area.top;
  vertices[0].Red = static_cast<COLOR16>(GetRValue(from) << 8);
  vertices[0].Green = static_cast<COLOR16>(GetGValue(from) << 8);
  vertices[0].Blue = static_cast<COLOR16>(GetBValue(from) << 8);
  vertices[1].x = area.right;
  vertices[1].y = area.bottom;
  vertices[1].Red = static_cast<COLOR16>(GetRValue(to) << 8);
  vertices[1].Green = static_cast<COLOR16>(GetGValue(to) << 8);
  vertices[1].Blue = static_cast<COLOR16>(GetBValue(to) << 8);
  GRADIENT_RECT rectangle{0, 1};
  GradientFill(dc, vertices, 2, &rectangle, 1, GRADIENT_FILL_RECT_H);
}

// Vertical text offset inside a rectangle: centred, then made odd so that
// text lines up with the editor's, and never inside the frame.
int TextOffset(const RECT& area, int textHeight, int minimum) {
  int offset = (area.top + area.bottom - textHeight) / 2 - area.top;
  offset = 2 * (offset / 2) + 1;
  return std::max(offset, minimum);
}

// The off-screen image of one cell. A DIB section rather than a bitmap
// compatible with the window's DC: drawing and copying are the same, but
// some systems (Wine's X11 driver) make a compatible bitmap a hundred times
// slower to create, and painting a page creates hundreds of them.
HBITMAP CreateCellBitmap(int width, int height) { return CreateTopDownDib(width, height, 32); }

// One image for every cell of every grid, grown to the largest cell met:
// a page has hundreds of cells, and making an image for each costs more
// than drawing it. Kept for the life of the process.
struct Scratch {
  HDC dc = nullptr;
  HBITMAP image = nullptr;
  HGDIOBJ original = nullptr;
  int width = 0;
  int height = 0;
};
Scratch scratch;

HDC ScratchFor(HDC like, int width, int height) {
  if (scratch.dc && width <= scratch.width && height <= scratch.height) return scratch.dc;
  HDC dc = scratch.dc ? scratch.dc : CreateCompatibleDC(like);
  if (!dc) return nullptr;
  HBITMAP image = CreateCellBitmap(std::max(width, scratch.width), std::max(height, scratch.height));
  if (!image) {
    if (!scratch.dc) DeleteDC(dc);
    return nullptr;
  }
  HGDIOBJ previous = SelectObject(dc, image);
  if (!scratch.dc) scratch.original = previous;
  if (scratch.image) DeleteObject(scratch.image);
  scratch.dc = dc;
  scratch.image = image;
  scratch.width = std::max(width, scratch.width);
  scratch.height = std::max(height, scratch.height);
  return dc;
}

void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
  const COLORREF previous = SetDCBrushColor(dc, colour);
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, previous);
}

void Line(HDC dc, HPEN pen, int x1, int y1, int x2, int y2) {
  ScopedSelect select(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

struct CellPainter {
  GridRecord* record;
  HDC dc;
  RECT cell;
  int row;
  int subItem;
  bool current;
  bool lastRow;
  bool lastVisualColumn;
  GridCellEvent event;
  COLORREF borderColour;
  uint32_t borderFlags;
  int width() const { return cell.right - cell.left; }
  int height() const { return cell.bottom - cell.top; }

  void PaintTextCell(const std::wstring& stored);
  bool PaintOffscreen(const std::wstring& stored);
  void PaintCheckBox(HDC target, int w, int h, const std::wstring& stored);
  void PaintImage(HDC target, int w, int h);
  void PaintPercentage(HDC target, int w, int h, const std::wstring& stored);
  void PaintButton(HDC target, int w, int h, const std::wstring& stored);
  void PaintBorders();
};

void CellPainter::PaintTextCell(const std::wstring& stored) {
  if (UsesGradient(record, event, current)) {
    FillGradient(dc, cell, event.gradientFrom, event.gradientTo);
  } else {
    FillSolid(dc, cell, event.backColour);
  }
  RECT text = cell;
  if (lastRow) text.bottom -= 1;
  std::wstring caption = stored.empty() ? L" " : stored;
  COLORREF colour = event.textColour;
  if (row == record->hotRow && subItem == record->hotSubItem && event.hotTextColour != kGridNoColour)
    colour = event.hotTextColour;
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);

  const int frame = record->frameWidth;
  text.left += frame + 4;
  text.right -= frame + 4;
  text.top += frame;
  text.bottom -= frame;
  if (borderFlags & kBorderBottomThick) {
    text.bottom -= 2;
  } else if (borderFlags & (kBorderBottom | kBorderBottomDotted)) {
    text.bottom -= 1;
  }

  ScopedSelect font(dc, event.font);
  const int type = event.cellType;
  UINT align = 0;
  if (type == GridCell::StaticText || type == GridCell::PlainText || (type == GridCell::Text && !current))
    align = static_cast<UINT>(event.format);
  const bool wrap = record->styleFlags & kGridWrapText;
  int textHeight;
  if (wrap && type <= GridCell::PlainText) {
    RECT measured = text;
    DrawTextW(dc, caption.c_str(), -1, &measured, DT_CALCRECT | DT_NOPREFIX | DT_END_ELLIPSIS | DT_WORDBREAK);
    textHeight = measured.bottom - measured.top;
  } else {
    // One line is as high as the font, whatever it says.
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    textHeight = metrics.tmHeight;
  }
  text.top += TextOffset(text, textHeight, frame);

  if ((record->styleFlags & kGridOwnerDrawnCombo) && type == GridCell::ListChoice && current)
    text.right -= kDropButtonRoom;
  bool wrapsHere = wrap && (type == GridCell::StaticText || type == GridCell::PlainText ||
                            (type == GridCell::Text && !current));
  DrawTextW(dc, caption.c_str(), -1, &text, align | DT_NOPREFIX | DT_END_ELLIPSIS | (wrapsHere ? DT_WORDBREAK : DT_SINGLELINE));
}

void CellPainter::PaintCheckBox(HDC target, int w, int h, const std::wstring& stored) {
  int side = std::min(h / 2 + 1, 14);
  int top = (h - side) / 2;
  int bottom = h - top;
  int left = w / 2 - side / 2;
  int right = w / 2 + side / 2;
  if (right - left >= w) return;
  {
    ScopedSelect pen(target, GetStockObject(BLACK_PEN));
    ScopedSelect brush(target, GetStockObject(WHITE_BRUSH));
    Rectangle(target, left, top, right, bottom);
  }
  if (stored != FirstPart(event.text)) return;
  int innerTop = (3 * top + bottom) / 4;
  int innerBottom = h - innerTop;
  int half = (h - 2 * innerTop) / 2;
  int innerLeft = w / 2 - half;
  int innerRight = w / 2 + half;
  ScopedPen cross(CreatePen(PS_SOLID, 2, event.textColour));
  Line(target, cross.Get(), innerLeft, innerTop, innerRight, innerBottom);
  Line(target, cross.Get(), innerRight, innerTop, innerLeft, innerBottom);
}

// Draws the bitmap with its transparent colour left out: a mask marks the
// transparent pixels; the picture's place is whitened in the cell, the
// picture's transparent part whitened in a copy, and the two ANDed.
void CellPainter::PaintImage(HDC target, int w, int h) {
  auto bitmap = reinterpret_cast<HBITMAP>(event.extra);
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap, sizeof info, &info) || info.bmWidth > w) return;
  const int bw = info.bmWidth;
  const int bh = info.bmHeight;
  const int x = (w - bw) / 2;
  const int y = (h - bh) / 2;

  ScopedMemoryDC source(target);
  if (!source) return;
  ScopedSelect sourceBitmap(source.Get(), bitmap);
  if (event.backColour == event.transparentColour) {
    BitBlt(target, x, y, bw, bh, source.Get(), 0, 0, SRCAND);
    return;
  }
  ScopedMemoryDC mask(target);
  ScopedMemoryDC copy(target);
  ScopedBitmap maskBitmap(CreateBitmap(bw, bh, 1, 1, nullptr));
  ScopedBitmap copyBitmap(CreateCompatibleBitmap(target, bw, bh));
  if (!mask || !copy || !maskBitmap || !copyBitmap) return;
  ScopedSelect maskSelect(mask.Get(), maskBitmap.Get());
  ScopedSelect copySelect(copy.Get(), copyBitmap.Get());

  SetBkColor(source.Get(), event.transparentColour);
  BitBlt(mask.Get(), 0, 0, bw, bh, source.Get(), 0, 0, SRCCOPY);
  // Monochrome to colour takes text colour for 0 and background for 1.
  SetTextColor(copy.Get(), RGB(0, 0, 0));
  SetBkColor(copy.Get(), RGB(255, 255, 255));
  BitBlt(copy.Get(), 0, 0, bw, bh, mask.Get(), 0, 0, SRCCOPY);
  BitBlt(target, x, y, bw, bh, copy.Get(), 0, 0, MERGEPAINT);
  BitBlt(mask.Get(), 0, 0, bw, bh, mask.Get(), 0, 0, NOTSRCCOPY);
  BitBlt(copy.Get(), 0, 0, bw, bh, source.Get(), 0, 0, SRCCOPY);
  BitBlt(copy.Get(), 0, 0, bw, bh, mask.Get(), 0, 0, MERGEPAINT);
  BitBlt(target, x, y, bw, bh, copy.Get(), 0, 0, SRCAND);
}

void CellPainter::PaintPercentage(HDC target, int w, int h, const std::wstring& stored) {
  if (w < kMinPercentWidth) return;
  int64_t value = CellNumber(stored);
  if (value == 0 && !stored.empty()) {
    // A text that is no number shows, and is kept, as 0.
    if (stored != L"0") SetCellTextRaw(record, row, subItem, L"0");
  } else {
    value = std::clamp<int64_t>(value, 0, 100);
  }
  std::wstring caption = std::to_wstring(value) + L"%";
  SetTextColor(target, event.textColour);
  SetBkMode(target, TRANSPARENT);
  ScopedSelect font(target, gridShared.percentFont);
  SetTextAlign(target, TA_LEFT | TA_TOP);
  SIZE extent{};
  GetTextExtentPoint32W(target, caption.c_str(), static_cast<int>(caption.size()), &extent);
  const int c = extent.cy;
  const int gap = std::min((h - c) / 2, 20);
  const int total = c + gap;
  RECT captionArea{0, (h - total) / 2, w, h};
  DrawTextW(target, caption.c_str(), -1, &captionArea, DT_CENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  {
    ScopedSelect pen(target, GetStockObject(BLACK_PEN));
    ScopedSelect brush(target, GetStockObject(WHITE_BRUSH));
    Rectangle(target, 5, (h - total) / 2 + c, w - 5, (h + total) / 2);
  }
  ScopedBrush fill(CreateSolidBrush(event.textColour));
  ScopedSelect pen(target, GetStockObject(NULL_PEN));
  ScopedSelect brush(target, fill.Get());
  Rectangle(target, 6, (h - total) / 2 + c + 1, static_cast<int>((w - 12) * value / 100 + 7), (h + total) / 2);
}

void CellPainter::PaintButton(HDC target, int w, int h, const std::wstring& stored) {
  if (!((event.width == 0 || event.width <= w - 5) && (event.height == 0 || event.height <= h - 5))) return;
  const bool gridLines = record->styleFlags & kGridLines;
  RECT button{0, 0, w, h};
  if (lastVisualColumn && gridLines) button.right -= 1;
  if (event.width) {
    button.left = (w - event.width) / 2;
    button.right = w - button.left;
  } else {
    button.left += 1;
  }
  if (event.height) {
    button.top = (h - event.height) / 2;
    button.bottom = h - button.top;
  } else {
    button.top += 1;
  }
  UINT flat = event.extra ? DFCS_FLAT : 0;
  std::wstring caption = stored;
  if (caption.size() >= 2 && caption.compare(caption.size() - 2, 2, L"\\+") == 0) {
    DrawFrameControl(target, &button, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED | flat);
    OffsetRect(&button, 1, 1);
    caption.resize(caption.size() - 2);
  } else {
    DrawFrameControl(target, &button, DFC_BUTTON, DFCS_BUTTONPUSH | flat);
  }
  if (!event.height) button.top -= 1;
  button.right -= 1;
  if (lastVisualColumn && gridLines) button.right += 1;
  button.left += 5;
  button.right -= 5;
  SetTextColor(target, event.textColour);
  SetBkMode(target, TRANSPARENT);
  ScopedSelect font(target, event.font);
  SetTextAlign(target, TA_LEFT | TA_TOP);
  const UINT lines = (record->styleFlags & kGridWrapText) ? DT_WORDBREAK : DT_SINGLELINE;
  const auto format = static_cast<UINT>(event.format);
  RECT measured = button;
  DrawTextW(target, caption.c_str(), -1, &measured, format | DT_CALCRECT | DT_NOPREFIX | DT_END_ELLIPSIS | lines);
  if (format == DT_RIGHT && gridShared.osVersion < 501) button.right -= 1;
  button.top += TextOffset(button, measured.bottom - measured.top, record->frameWidth + 1);
  DrawTextW(target, caption.c_str(), -1, &button, format | DT_NOPREFIX | DT_END_ELLIPSIS | lines);
}

// False when the owner freed the grid while painting its cell.
bool CellPainter::PaintOffscreen(const std::wstring& stored) {
  const int w = width();
  const int h = height();
  const bool ownerPainted = event.cellType == GridCell::OwnerPainted;
  // The owner draws on an image of its own, which must not be selected in
  // any DC meanwhile; every other type goes through the shared one.
  ScopedMemoryDC memory;
  ScopedBitmap bitmap;
  ScopedSelect selectBitmap;
  HDC target;
  if (ownerPainted) {
    memory = ScopedMemoryDC(dc);
    if (!memory) return true;
    bitmap.Reset(CreateImage24(w, h));
    if (!bitmap) return true;
    selectBitmap = ScopedSelect(memory.Get(), bitmap.Get());
    target = memory.Get();
  } else {
    target = ScratchFor(dc, w, h);
    if (!target) return true;
  }

  if (UsesGradient(record, event, current)) {
    FillGradient(target, RECT{0, 0, w, h}, event.gradientFrom, event.gradientTo);
  } else {
    FillSolid(target, RECT{0, 0, w, h}, event.backColour);
  }

  switch (event.cellType) {
    case GridCell::CheckBox:
    case GridCell::ReadOnlyCheckBox:
      PaintCheckBox(target, w, h, stored);
      break;
    case GridCell::Image:
      PaintImage(target, w, h);
      break;
    case GridCell::Icon: {
      auto icon = reinterpret_cast<HICON>(event.extra);
      if (icon && event.width < w && event.height < h)
        DrawIconEx(target, (w - event.width) / 2, (h - event.height) / 2, icon, event.width, event.height, 0,
                   nullptr, DI_NORMAL);
      break;
    }
    case GridCell::Percentage:
    case GridCell::ReadOnlyPercentage:
      PaintPercentage(target, w, h, stored);
      break;
    case GridCell::Button:
      PaintButton(target, w, h, stored);
      break;
    case GridCell::OwnerPainted: {
      // The owner draws on the image itself, so it must not be selected
      // into our DC meanwhile.
      selectBitmap.Restore();
      event.row = row;
      event.column = subItem - 1;
      event.extra = reinterpret_cast<intptr_t>(bitmap.Get());
      event.width = w;
      event.height = h;
      HWND list = record->listWindow;
      RaiseEvent(record, GridEvent::PaintCell, &event);
      if (!GridAlive(list, record)) return false;
      selectBitmap = ScopedSelect(target, bitmap.Get());
      break;
    }
    default:
      break;
  }
  BitBlt(dc, cell.left, cell.top, w, h, target, 0, 0, SRCCOPY);
  return true;
}

void CellPainter::PaintBorders() {
  RECT r = cell;
  const uint32_t outline = record->cellBorderFlags;
  const uint32_t f = borderFlags | outline;
  ScopedPen solid, dotted, thick, black;
  if (f != 0) {
    solid.Reset(CreatePen(PS_SOLID, 1, borderColour));
    dotted.Reset(CreatePen(PS_DOT, 1, borderColour));
    thick.Reset(CreatePen(PS_SOLID, 2, borderColour));
    black.Reset(CreatePen(PS_SOLID, 2, RGB(0, 0, 0)));
  }
  // Grid lines are drawn in the DC's own pen, in the grid's line colour.
  struct DcPenColour {
    HDC dc;
    COLORREF previous;
    ~DcPenColour() { SetDCPenColor(dc, previous); }
  } gridColour{dc, SetDCPenColor(dc, record->gridLineColour)};
  const auto gridPen = [] { return static_cast<HPEN>(GetStockObject(DC_PEN)); };
  const bool gridStyle = record->styleFlags & kGridLines;
  const bool gridLines = gridStyle && !(f & kBorderNoGridLines);
  int dl = (f & kBorderLeftThick) ? 2 : (f & (kBorderLeft | kBorderLeftDotted)) ? 1 : 0;
  int dt = (f & kBorderTopThick) ? 2 : (f & (kBorderTop | kBorderTopDotted)) ? 1 : 0;
  int dr = (f & kBorderRightThick) ? -2 : (f & (kBorderRight | kBorderRightDotted)) ? -1 : 0;
  int db = (f & kBorderBottomThick) ? -2 : (f & (kBorderBottom | kBorderBottomDotted)) ? -1 : 0;
  auto thin = [&](uint32_t solidBit) { return (f & solidBit) ? solid.Get() : dotted.Get(); };
  auto wide = [&](uint32_t bit) { return (outline & bit) ? black.Get() : thick.Get(); };

  if (f & kBorderLeftThick) {
    Line(dc, wide(kBorderLeftThick), r.left + 1, r.bottom - 1, r.left + 1, r.top);
    r.left += 2;
  } else if (f & (kBorderLeft | kBorderLeftDotted)) {
    Line(dc, thin(kBorderLeft), r.left, r.bottom - 1, r.left, r.top - 1);
    r.left += 1;
  } else if (gridLines) {
    Line(dc, gridPen(), r.left, r.bottom + db - 1, r.left, r.top + dt - 1);
    dl = 1;
  }

  if (f & kBorderTopThick) {
    Line(dc, wide(kBorderTopThick), r.left - 1, r.top + 1, r.right, r.top + 1);
    r.top += 1;
  } else if (f & (kBorderTop | kBorderTopDotted)) {
    Line(dc, thin(kBorderTop), r.left, r.top, r.right, r.top);
  } else if (gridLines) {
    Line(dc, gridPen(), r.left, r.top, r.right, r.top);
    dt = 1;
  }

  if (f & kBorderRightThick) {
    Line(dc, wide(kBorderRightThick), r.right - 1, r.top, r.right - 1, r.bottom);
    r.right -= 2;
  } else if (f & (kBorderRight | kBorderRightDotted)) {
    Line(dc, thin(kBorderRight), r.right - 1, r.top, r.right - 1, r.bottom);
    r.right -= 1;
  } else if (gridLines) {
    if (lastVisualColumn) {
      Line(dc, gridPen(), r.right - 1, r.top + dt, r.right - 1, r.bottom + db);
      dr = -1;
    } else {
      Line(dc, gridPen(), r.right, r.top + dt, r.right, r.bottom + db);
    }
  }

  if (f & kBorderBottomThick) {
    Line(dc, wide(kBorderBottomThick), r.right, r.bottom - 1, r.left - 1, r.bottom - 1);
    r.bottom -= 2;
  } else if (f & (kBorderBottom | kBorderBottomDotted)) {
    Line(dc, thin(kBorderBottom), r.right - 1, r.bottom - 1, r.left - 1, r.bottom - 1);
    r.bottom -= 1;
  } else if (gridLines) {
    if (lastRow) {
      Line(dc, gridPen(), r.right - 1, r.bottom - 1, r.left - 1, r.bottom - 1);
      r.bottom -= 1;
    } else {
      Line(dc, gridPen(), r.right - 1, r.bottom, r.left - 1, r.bottom);
    }
  }

  r.left += dl;
  if (gridStyle) {
    r.top += 1;
    r.right += dr;
  }
  record->cellBorderFlags = 0;

  const int type = event.cellType;
  if (current && type != GridCell::PlainText && type != GridCell::ListChoice && type != GridCell::EditableChoice &&
      record->frameWidth != 0) {
    ScopedPen framePen(CreatePen(PS_INSIDEFRAME, record->frameWidth, record->frameColour));
    ScopedSelect pen(dc, framePen.Get());
    ScopedSelect brush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
  }
}

void PaintOneCell(GridRecord* record, HDC dc, int row, int subItem) {
  if (subItem <= 0) return;
  RECT cell = CellRect(record, row, subItem);
  RECT client;
  GetClientRect(record->listWindow, &client);
  if (cell.bottom - cell.top <= 0 || cell.left > client.right || cell.top > client.bottom || cell.right < 0) return;
  record->rowHeight = cell.bottom - cell.top;
  // The list view asks for every cell of each row it repaints; a cell wholly
  // outside what is being repainted would be drawn for nothing (a block
  // dragged down repaints a few cells of a row, not the row).
  RECT clip, shown;
  if (GetClipBox(dc, &clip) != NULLREGION && !IntersectRect(&shown, &clip, &cell)) return;

  CellPainter painter{};
  painter.record = record;
  painter.dc = dc;
  painter.cell = cell;
  painter.row = row;
  painter.subItem = subItem;
  GridCellEvent& event = painter.event;
  event.font = reinterpret_cast<HFONT>(SendMessageW(record->listWindow, WM_GETFONT, 0, 0));
  if (!event.font) event.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

  if (row == 0 && gridShared.commonControlsVersion < 6) {
    ScopedPen face(CreatePen(PS_SOLID, 2, GetSysColor(COLOR_BTNFACE)));
    Line(dc, face.Get(), cell.left, cell.top - 1, cell.right, cell.top - 1);
  }

  painter.current = row == record->currentRow && subItem == record->currentSubItem;
  const int columns = CountGridColumns(record);
  RebuildColumnOrder(record);
  painter.lastRow = row == CountGridRows(record) - 1;
  painter.lastVisualColumn = columns > 0 && record->columnPosition[subItem - 1] == columns - 1;

  event.row = row;
  event.column = subItem - 1;
  HWND list = record->listWindow;
  RaiseEvent(record, GridEvent::QueryCellColours, &event);
  if (!GridAlive(list, record)) return;
  painter.borderColour = event.borderColour;
  painter.borderFlags = event.borderFlags;

  event.cellType = 0;
  RaiseEvent(record, GridEvent::QueryCellType, &event);
  if (!GridAlive(list, record)) return;
  std::wstring stored = CellText(record, row, subItem);
  if (event.cellType >= GridCell::Text && event.cellType <= GridCell::EditableChoice) {
    painter.PaintTextCell(stored);
  } else if (event.cellType >= GridCell::CheckBox && event.cellType <= GridCell::OwnerPainted) {
    if (!painter.PaintOffscreen(stored)) return;
  }
  painter.PaintBorders();
}

LRESULT CustomDraw(GridRecord* record, NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      PaintOneCell(record, draw->nmcd.hdc, static_cast<int>(draw->nmcd.dwItemSpec), draw->iSubItem);
      return CDRF_SKIPDEFAULT;
    default:
      return 0;
  }
}

}  // namespace

LRESULT CALLBACK grid_ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = OldParentProc(window);
  auto passOn = [&] {
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
  };
  if (message == WM_NCDESTROY) {
    LRESULT result = passOn();
    UnhookParent(window);
    return result;
  }
  if (message != WM_NOTIFY) return passOn();

  auto* header = reinterpret_cast<NMHDR*>(lParam);
  GridRecord* record = header ? grid_RecordFromWindow(header->hwndFrom) : nullptr;
  if (!record) return passOn();
  switch (header->code) {
    case TTN_POP:
      // The tooltip is inside its own notification; it goes once that is over.
      if (header->hwndFrom == record->tooltipWindow)
        PostMessageW(record->listWindow, kGridDropTooltipMessage, reinterpret_cast<WPARAM>(record->tooltipWindow), 0);
      return passOn();
    case LVN_GETDISPINFOW:
      return 0;
    case LVN_COLUMNCLICK: {
      auto* click = reinterpret_cast<NMLISTVIEW*>(lParam);
      if (click->iSubItem >= 1) {
        GridCellEvent event;
        event.row = -1;
        event.column = click->iSubItem - 1;
        RaiseEvent(record, GridEvent::ColumnClick, &event);
      }
      return passOn();
    }
    case NM_CUSTOMDRAW:
      if (header->hwndFrom == record->listWindow) return CustomDraw(record, reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
      return passOn();
    default:
      return passOn();
  }
}

COLORREF EmptyAreaColour(const GridRecord* record) {
  if (record->emptyAreaColour != kGridNoColour) return record->emptyAreaColour;
  return gridShared.commonControlsVersion >= 6 ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE);
}

void PaintEmptyArea(GridRecord* record) {
  const COLORREF colour = EmptyAreaColour(record);
  RECT reference{};
  int rows = CountGridRows(record);
  if (rows == 0 || CountGridColumns(record) <= 0) {
    reference.bottom = record->headerHeight;
    reference.right = -1;
  } else {
    reference.top = 0;
    reference.left = LVIR_BOUNDS;
    SendMessageW(record->listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(rows - 1),
                 reinterpret_cast<LPARAM>(&reference));
  }
  RECT client;
  GetClientRect(record->listWindow, &client);
  ScopedBrush brush(CreateSolidBrush(colour));
  ScopedGetDC dc(record->listWindow);
  if (!brush || !dc) return;
  if (reference.bottom < client.bottom) {
    RECT below{0, reference.bottom, client.right, client.bottom};
    FillRect(dc.Get(), &below, brush.Get());
  }
  if (reference.right < client.right) {
    RECT right{reference.right, record->headerHeight, client.right, client.bottom};
    FillRect(dc.Get(), &right, brush.Get());
  }
}
