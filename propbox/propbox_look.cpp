// The property box's answers to its grid's events: what each cell is and how
// it looks, and the painting of the owner-painted value cells (colour
// swatch, font sample, file and folder names, the value button).
//
// Grid columns: 0 the margin, 1 the label, 2 the value. The grid asks cell
// by cell while it paints, so the answers look nothing up that is slow.
#include <algorithm>
#include <string>

#include "grid/grid.h"
#include "propbox/propbox_filter.h"
#include "propbox/propbox_private.h"
#include "runtime/gdi_guard.h"
#include "runtime/runtime.h"

namespace {

constexpr int kMarginColumn = 0, kLabelColumn = 1, kValueColumn = 2;

bool IsCurrentCell(const PropertyBox* box, int gridRow, int column) {
  return gridRow == grid_GetCurrentRow(box->grid) && column == grid_GetCurrentColumn(box->grid);
}

void AnswerCellType(PropertyBox* box, PropertyRow* row, GridCellEvent* event) {
  event->cellType = GridCell::StaticText;
  const bool heading = row->kind == PropertyKind::Heading;
  if ((box->style & kPropertyBoxEditLabels) && !heading && event->column == kLabelColumn)
    event->cellType = GridCell::Text;
  if (heading && event->column == kMarginColumn) {
    event->cellType = GridCell::Image;
    event->extra = reinterpret_cast<intptr_t>(row->collapsed ? boxShared.collapsedImage : boxShared.expandedImage);
    event->transparentColour = kImageKeyColour;
    return;
  }
  if (event->column != kValueColumn) return;
  switch (row->kind) {
    case PropertyKind::ListChoice:
      event->cellType = GridCell::ListChoice;
      event->text = row->choices;
      break;
    case PropertyKind::EditableChoice:
      event->cellType = GridCell::EditableChoice;
      event->text = row->choices;
      break;
    case PropertyKind::UnsignedNumber:
    case PropertyKind::SignedNumber:
    case PropertyKind::DecimalNumber:
    case PropertyKind::Text:
      event->cellType = GridCell::Text;
      break;
    case PropertyKind::Colour:
    case PropertyKind::FontWithColour:
    case PropertyKind::Font:
    case PropertyKind::File:
    case PropertyKind::Folder:
    case PropertyKind::Custom:
      event->cellType = GridCell::OwnerPainted;
      break;
    default:
      break;
  }
}

void Gradient(GridCellEvent* event, COLORREF from, COLORREF to) {
  event->gradientFrom = from;
  event->gradientTo = to;
}

void AnswerCellColours(PropertyBox* box, PropertyRow* row, GridCellEvent* event) {
  const bool heading = row->kind == PropertyKind::Heading;
  const bool gradients = box->style & kPropertyBoxGradients;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  event->gradientFrom = event->gradientTo = kGridNoColour;
  if (heading) event->font = boxShared.headingFont;

  if (!IsWindowEnabled(box->window)) {
    event->backColour = face;
    event->textColour = RGB(0, 0, 0);
    return;
  }

  switch (event->column) {
    case kMarginColumn:
      event->backColour = box->marginColour;
      if (gradients) Gradient(event, face, kHeadingShade);
      return;
    case kLabelColumn:
      event->backColour = row->labelBackColour;
      event->textColour = row->labelTextColour;
      if (row->labelFont && !heading) event->font = row->labelFont;
      break;
    case kValueColumn:
      event->backColour = row->valueBackColour;
      event->textColour = row->valueTextColour;
      if (row->valueFont && !heading) event->font = row->valueFont;
      event->format = row->valueAlignment;
      break;
    default:
      return;
  }

  if (heading) {
    event->backColour = box->marginColour;
    event->textColour = RGB(0, 0, 0);
    if (gradients) {
      if (event->column == kLabelColumn) Gradient(event, kHeadingShade, kHeadingShadeLight);
      else Gradient(event, kHeadingShadeLight, RGB(255, 255, 255));
    }
  }

  if (event->column == kLabelColumn && event->row == grid_GetCurrentRow(box->grid)) {
    if (box->labelEditing) {
      event->backColour = box->editLabelBack;
      event->textColour = box->editLabelText;
    } else {
      event->backColour = box->currentLabelBack == kNoColour ? GetSysColor(COLOR_HIGHLIGHT) : box->currentLabelBack;
      event->textColour = box->currentLabelText == kNoColour ? GetSysColor(COLOR_HIGHLIGHTTEXT) : box->currentLabelText;
    }
    event->gradientFrom = event->gradientTo = kGridNoColour;
  }

  if ((box->style & kPropertyBoxBorders) && !heading) {
    event->borderColour = box->borderColour;
    event->borderFlags = kBorderTop;
    if (event->row == static_cast<int>(box->gridRows.size()) - 1) event->borderFlags |= kBorderBottom;
    if (event->column == kLabelColumn) event->borderFlags |= kBorderLeft | kBorderRight;
  }
}

HFONT CreateSampleFont(HDC dc, const PropertyRow* row) {
  LOGFONTW description{};
  description.lfHeight = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
  description.lfWeight = (row->fontStyle & kPropertyFontBold) ? FW_BOLD : FW_NORMAL;
  description.lfItalic = (row->fontStyle & kPropertyFontItalic) ? TRUE : FALSE;
  description.lfUnderline = (row->fontStyle & kPropertyFontUnderline) ? TRUE : FALSE;
  description.lfStrikeOut = (row->fontStyle & kPropertyFontStrikeOut) ? TRUE : FALSE;
  description.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(description.lfFaceName, row->fontName.c_str(), LF_FACESIZE);
  return CreateFontIndirectW(&description);
}

void DrawButtonImage(HDC dc, int x, int y, int size) {
  ScopedMemoryDC source(dc);
  if (!source) return;
  ScopedSelect select(source.Get(), boxShared.buttonImage);
  TransparentBlt(dc, x, y, size, size, source.Get(), 0, 0, 12, 12, kImageKeyColour);
}

void PaintValueCell(PropertyBox* box, PropertyRow* row, GridCellEvent* event) {
  auto image = reinterpret_cast<HBITMAP>(event->extra);
  const int w = event->width;
  const int h = event->height;
  ScopedMemoryDC dc(nullptr);
  if (!image || !dc) return;
  ScopedSelect selectImage(dc.Get(), image);

  const bool current = IsCurrentCell(box, event->row, kValueColumn);
  if ((current || (box->style & kPropertyBoxAlwaysButton)) && w > 16 && h > 12) {
    if (boxShared.pressedButtonBox == box && boxShared.pressedButtonRow == event->row) DrawButtonImage(dc.Get(), w - 14, h / 2 - 4, 10);
    else DrawButtonImage(dc.Get(), w - 16, h / 2 - 6, 12);
  }

  if (row->kind == PropertyKind::Colour) {
    if (h > 10 && row->colour != kNoColour) {
      ScopedBrush swatch(CreateSolidBrush(row->colour));
      RECT box{6, 4, 6 + std::clamp(w - 26, 0, 50), h - 4};
      FillRect(dc.Get(), &box, swatch.Get());
    }
    return;
  }

  std::wstring text = row->value;
  COLORREF colour = row->valueTextColour;
  ScopedFont sample;
  const bool fontRow = row->kind == PropertyKind::FontWithColour || row->kind == PropertyKind::Font;
  if (fontRow && !row->fontName.empty()) {
    text = row->fontName + L" [" + std::to_wstring(row->fontSize) + L"]";
    if (row->kind == PropertyKind::FontWithColour) colour = row->fontColour;
    sample.Reset(CreateSampleFont(dc.Get(), row));
  } else if (row->kind == PropertyKind::File && !row->fileName.empty()) {
    text = row->fileName;
  } else if (row->kind == PropertyKind::Folder && !row->folder.empty()) {
    text = row->folder;
  }
  HFONT font = sample ? sample.Get() : (row->valueFont ? row->valueFont : event->font);
  ScopedSelect selectFont(dc.Get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc.Get(), TRANSPARENT);
  SetTextColor(dc.Get(), colour);
  RECT area{6, 0, w - 20, h};
  DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &area,
            static_cast<UINT>(row->valueAlignment) | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

}  // namespace

int32_t PropertyBoxGridEvent(intptr_t owner, int32_t code, GridCellEvent* event) {
  const bool paintQuery =
      code == GridEvent::QueryCellType || code == GridEvent::QueryCellColours || code == GridEvent::PaintCell;
  PropertyBox* box = paintQuery ? BoxOfGrid(static_cast<int>(owner)) : BoxFromGadget(static_cast<int>(owner));
  if (!box || !event) return 1;
  PropertyRow* row = RowOfGridRow(box, event->row);
  switch (code) {
    case GridEvent::QueryCellType:
      if (row) AnswerCellType(box, row, event);
      return 0;
    case GridEvent::QueryCellColours:
      if (row) AnswerCellColours(box, row, event);
      return 0;
    case GridEvent::PaintCell:
      if (row && event->column == kValueColumn && row->kind >= PropertyKind::Colour) PaintValueCell(box, row, event);
      return 0;
    case GridEvent::Clipboard:
      return 0;  // copy, cut and paste are not offered in a property box
    case GridEvent::DeleteKey:
      return row && row->kind == PropertyKind::Text ? 1 : 0;
    case GridEvent::TextChanged: {
      if (!row || row->kind == PropertyKind::Custom) return 1;
      if (event->column != kLabelColumn && event->column != kValueColumn) return 1;
      // A number reaches the cell by paste as well as by typing; what could
      // not have been typed is not the owner's to allow.
      if (event->column == kValueColumn && row->kind >= PropertyKind::UnsignedNumber &&
          row->kind <= PropertyKind::DecimalNumber && !NumberTextAccepted(row->kind, event->text))
        return 0;
      const int index = IndexOf(box, row);
      const int gridRow = event->row;
      HWND window = box->window;
      const int32_t allowed = RaiseOwnerEvent(box, PropertyEvent::TextChanging, index + 65536 * event->column,
                                              reinterpret_cast<intptr_t>(event->text.c_str()));
      if (!BoxAlive(window, box)) return 0;
      std::wstring& field = event->column == kLabelColumn ? row->label : row->value;
      const bool kept = IndexOf(box, row) >= 0;
      if (kept && allowed != 0) field = event->text;
      if (kept && GridRowOf(box, row) == gridRow) return allowed != 0 ? 1 : 0;
      // The owner added, removed or folded rows while it answered: the grid
      // is about to store the answer in the cell where the edit was, which
      // now shows another row. That cell gets its own row's text, and the
      // edited row's cell (wherever it went) the text the row keeps.
      if (PropertyRow* occupant = RowOfGridRow(box, gridRow))
        event->text = event->column == kLabelColumn ? occupant->label : occupant->value;
      const int moved = kept ? GridRowOf(box, row) : -1;
      if (moved >= 0) {
        grid_SetCellText(box->grid, event->column, moved, field.c_str());
        if (!BoxAlive(window, box)) return 0;
      }
      return 1;
    }
    case GridEvent::ComboChanged:
      if (row) RaiseOwnerEvent(box, PropertyEvent::ChoiceMade, IndexOf(box, row), event->extra);
      return 1;
    case GridEvent::RightClick: {
      // From an open editor the grid would go on to show the edit control's
      // own menu, whose Paste passes by the rows' filters and the owner;
      // cut, copy and paste are not offered here, so that menu is not.
      const auto editor = reinterpret_cast<HWND>(event->extra);
      const bool fromEditor = event->extra != 0 && IsWindow(editor) && IsChild(box->window, editor);
      RaiseOwnerEvent(box, PropertyEvent::RightClick, row ? IndexOf(box, row) : -1, event->column);
      return fromEditor ? 0 : 1;
    }
    case GridEvent::CellChanging:
    case GridEvent::EditEnded:
    case GridEvent::KeyChar:
    case GridEvent::LeftClick:
    case GridEvent::DoubleClick:
      return AnswerEditEvent(box, code, event);
    default:
      return 1;
  }
}
