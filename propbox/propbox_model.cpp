// The property box's model and its operations: rows added, removed and
// changed, and the grid's rows kept in step with them.
//
// The model is the box's row array; the grid shows every row except the
// grouped rows under a collapsed heading. Every change of rows ends with
// SyncGrid, which inserts and deletes only the grid rows that differ.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <new>

#include "grid/grid.h"
#include "propbox/propbox_private.h"
#include "runtime/runtime.h"

namespace {

constexpr int kMarginColumn = 0, kLabelColumn = 1, kValueColumn = 2;

PropertyRow* RowAt(PropertyBox* box, int index) {
  if (!box || index < 0 || index >= box->rowCount()) return nullptr;
  return box->rows[static_cast<size_t>(index)];
}

std::wstring OrEmpty(const wchar_t* text) { return text ? text : L""; }

bool IsFontRow(const PropertyRow* row) {
  return row->kind == PropertyKind::FontWithColour || row->kind == PropertyKind::Font;
}

// The list view's column for a grid column: the grid keeps a hidden
// placeholder in front. The grid has no column-width operation of its own,
// so widths are read and set on the list view.
int ColumnWidth(const PropertyBox* box, int column) {
  return static_cast<int>(SendMessageW(box->window, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column + 1), 0));
}

int GridRowHeight(const PropertyBox* box) {
  RECT item{};
  item.left = LVIR_BOUNDS;
  if (!box->gridRows.empty() && SendMessageW(box->window, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
    return item.bottom - item.top;
  return box->rowHeight;
}

// Where a text of the row lives, by PropertyBox_GetText / SetText column;
// null where that column means nothing for the row's kind.
std::wstring* TextField(PropertyRow* row, int column) {
  switch (column) {
    case kTextLabel:
      return &row->label;
    case kTextValue:
      return &row->value;
    case kTextFontName:
      return IsFontRow(row) ? &row->fontName : nullptr;
    case kTextFileTitle:
      return row->kind == PropertyKind::File || row->kind == PropertyKind::Folder ? &row->fileTitle : nullptr;
    case kTextFilePattern:
      return row->kind == PropertyKind::File ? &row->filePattern : nullptr;
    case kTextFileName:
      return row->kind == PropertyKind::File ? &row->fileName : nullptr;
    case kTextFolder:
      return row->kind == PropertyKind::Folder ? &row->folder : nullptr;
    case kTextChoices:
      return row->kind == PropertyKind::ListChoice || row->kind == PropertyKind::EditableChoice ? &row->choices
                                                                                              : nullptr;
    default:
      return nullptr;
  }
}

// Grid rows move under the marked row when rows are inserted or deleted
// above it; the mark follows its row and is dropped with it.
void MarkAfterInsert(PropertyBox* box, int gridRow) {
  if (box->markedRow >= gridRow) ++box->markedRow;
}
void MarkAfterDelete(PropertyBox* box, int gridRow) {
  if (box->markedRow == gridRow) box->markedRow = -1;
  else if (box->markedRow > gridRow) --box->markedRow;
}

}  // namespace

int GridRowOf(const PropertyBox* box, const PropertyRow* row) {
  auto found = std::find(box->gridRows.begin(), box->gridRows.end(), row);
  return found == box->gridRows.end() ? -1 : static_cast<int>(found - box->gridRows.begin());
}

int IndexOf(const PropertyBox* box, const PropertyRow* row) {
  auto found = std::find(box->rows.begin(), box->rows.end(), row);
  return found == box->rows.end() ? -1 : static_cast<int>(found - box->rows.begin());
}

void RedrawGridRow(PropertyBox* box, int gridRow) {
  if (gridRow < 0 || gridRow >= static_cast<int>(box->gridRows.size())) return;
  RECT item{};
  item.left = LVIR_BOUNDS;
  if (SendMessageW(box->window, LVM_GETITEMRECT, static_cast<WPARAM>(gridRow), reinterpret_cast<LPARAM>(&item)))
    InvalidateRect(box->window, &item, FALSE);
}

void RefitValueColumn(PropertyBox* box) {
  if (!(box->style & kPropertyBoxFillWidth)) return;
  RECT outer;
  GetWindowRect(box->window, &outer);
  int width = (outer.right - outer.left) - ColumnWidth(box, kMarginColumn) - ColumnWidth(box, kLabelColumn);
  if (!(box->style & kPropertyBoxNoClientEdge)) {
    width -= 2 * GetSystemMetrics(SM_CXEDGE);
  } else if (box->style & kPropertyBoxBorders) {
    width -= 1;  // the label cell's right border would otherwise be cut off
  }
  // The client height as it is without a horizontal scroll bar: the refit
  // is what takes that bar away.
  RECT client;
  GetClientRect(box->window, &client);
  int clientHeight = client.bottom;
  if (GetWindowLongPtrW(box->window, GWL_STYLE) & WS_HSCROLL) clientHeight += GetSystemMetrics(SM_CYHSCROLL);
  if (static_cast<int>(box->gridRows.size()) * GridRowHeight(box) > clientHeight)
    width -= GetSystemMetrics(SM_CXVSCROLL);
  width = std::max(width, 0);
  if (width != ColumnWidth(box, kValueColumn))
    SendMessageW(box->window, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(kValueColumn + 1), MAKELPARAM(width, 0));
}

bool SyncGrid(PropertyBox* box) {
  box->labelEditing = false;
  HWND window = box->window;
  const int grid = box->grid;

  // The rows to show, in model order, each stamped with this generation.
  const uint32_t generation = ++box->generation;
  std::vector<PropertyRow*> target;
  target.reserve(box->rows.size());
  bool shown = true;
  for (PropertyRow* row : box->rows) {
    const bool heading = row->kind == PropertyKind::Heading;
    if (shown || heading || row->grouped == 0) {
      target.push_back(row);
      row->shownMark = generation;
    }
    if (heading) shown = row->collapsed == 0;
  }

  // Rows never change their order in the model, so what the grid shows is
  // in model order too: one merge of the two lists finds every grid row to
  // delete (no longer shown) and every row to insert (shown, not there).
  bool changed = false;
  auto beginChange = [&] {
    if (!changed) SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    changed = true;
  };
  auto insert = [&](PropertyRow* row, size_t at) {
    beginChange();
    const int g = static_cast<int>(at);
    grid_AddRows(grid, g, 1);
    if (!BoxAlive(window, box)) return false;
    box->gridRows.insert(box->gridRows.begin() + static_cast<std::ptrdiff_t>(at), row);
    MarkAfterInsert(box, g);
    grid_SetCellText(grid, kLabelColumn, g, row->label.c_str());
    if (!BoxAlive(window, box)) return false;
    grid_SetCellText(grid, kValueColumn, g, row->value.c_str());
    return BoxAlive(window, box);
  };
  size_t next = 0;
  size_t g = 0;
  while (g < box->gridRows.size()) {
    PropertyRow* held = box->gridRows[g];
    if (held->shownMark != generation) {
      beginChange();
      grid_DeleteRow(grid, static_cast<int>(g));
      if (!BoxAlive(window, box)) return false;
      box->gridRows.erase(box->gridRows.begin() + static_cast<std::ptrdiff_t>(g));
      MarkAfterDelete(box, static_cast<int>(g));
    } else if (target[next] == held) {
      ++next;
      ++g;
    } else {
      if (!insert(target[next], g)) return false;
      ++next;
      ++g;
    }
  }
  while (next < target.size()) {
    if (!insert(target[next], box->gridRows.size())) return false;
    ++next;
  }

  if (changed) {
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    RefitValueColumn(box);
    InvalidateRect(window, nullptr, TRUE);
  }
  return true;
}

int PropertyBox_AddRow(int gadget, int position, const wchar_t* text, const PropertyRowDescription* description,
                       int grouped) {
  PropertyBox* box = BoxFromGadget(gadget);
  if (!box || !description || description->kind == 0) return 0;
  if (position < -1 || position > box->rowCount()) return 0;
  // The edit in progress is committed before the model changes: its owner
  // event may add or remove rows itself, and the grid must not be brought in
  // step from inside that.
  HWND window = box->window;
  grid_EndEdit(box->grid, 0);
  if (!BoxAlive(window, box)) return 0;
  if (position == -1) position = box->rowCount();
  if (position > box->rowCount()) return 0;

  auto* row = new (std::nothrow) PropertyRow;
  if (!row) return 0;
  try {
    std::wstring all = OrEmpty(text);
    size_t end = all.find(L'\n');
    row->label = all.substr(0, end);
    if (end != std::wstring::npos) {
      size_t valueEnd = all.find(L'\n', end + 1);
      row->value = all.substr(end + 1, valueEnd == std::wstring::npos ? std::wstring::npos : valueEnd - end - 1);
    }
    row->kind = description->kind;
    row->labelFont = description->labelFont;
    row->valueFont = description->valueFont;
    row->valueAlignment = description->valueAlignment;
    row->choices = OrEmpty(description->choices);
    row->colour = description->colour;
    row->fontName = OrEmpty(description->fontName);
    row->fontSize = description->fontSize;
    row->fontStyle = description->fontStyle;
    row->fontColour = description->fontColour;
    row->fileTitle = OrEmpty(description->fileTitle);
    row->filePattern = OrEmpty(description->filePattern);
    row->fileName = OrEmpty(description->fileName);
    row->folder = OrEmpty(description->folder);
    row->grouped = static_cast<uint8_t>(grouped != 0 ? (grouped & 0xFF ? grouped & 0xFF : 1) : 0);
    box->rows.insert(box->rows.begin() + position, row);
  } catch (const std::bad_alloc&) {
    delete row;
    return 0;
  }
  if (!SyncGrid(box) || !BoxAlive(window, box)) return 0;
  return box->rowCount();
}

int PropertyBox_RemoveRow(int gadget, int index) {
  PropertyBox* box = BoxFromGadget(gadget);
  PropertyRow* row = RowAt(box, index);
  if (!row) return 0;
  // The edit in progress is committed (or refused by the owner) while its
  // row is still in the model, so the owner hears of a row that exists.
  HWND window = box->window;
  grid_EndEdit(box->grid, 0);
  if (!BoxAlive(window, box)) return 0;
  index = IndexOf(box, row);  // the owner may have moved it meanwhile
  if (index < 0) return 0;
  box->rows.erase(box->rows.begin() + index);
  SyncGrid(box);
  delete row;
  return 0;
}

int PropertyBox_Clear(int gadget) {
  PropertyBox* box = BoxFromGadget(gadget);
  if (!box) return 0;
  HWND window = box->window;
  box->labelEditing = false;
  grid_EndEdit(box->grid, 0);
  if (!BoxAlive(window, box)) return 0;
  // All at once rather than one by one: the grid is brought in step once.
  std::vector<PropertyRow*> removed;
  removed.swap(box->rows);
  const bool alive = SyncGrid(box);
  for (PropertyRow* row : removed) delete row;
  if (alive) box->markedRow = -1;
  return 0;
}

int PropertyBox_CountRows(int gadget) {
  PropertyBox* box = BoxFromGadget(gadget);
  return box ? box->rowCount() : 0;
}

int PropertyBox_SetText(int gadget, int index, const wchar_t* text, int column) {
  PropertyBox* box = BoxFromGadget(gadget);
  PropertyRow* row = RowAt(box, index);
  if (!row) return 0;
  std::wstring* field = TextField(row, column);
  if (!field) return 0;
  *field = OrEmpty(text);
  const int g = GridRowOf(box, row);
  if (g < 0) return 0;
  if (column == kTextLabel || column == kTextValue) {
    HWND window = box->window;
    grid_SetCellText(box->grid, column, g, field->c_str());
    if (!BoxAlive(window, box)) return 0;
  }
  RedrawGridRow(box, g);
  return 0;
}

std::wstring PropertyBox_GetText(int gadget, int index, int column) {
  PropertyBox* box = BoxFromGadget(gadget);
  PropertyRow* row = RowAt(box, index);
  if (!row) return {};
  std::wstring* field = TextField(row, column);
  if (!field) return {};
  if (column == kTextLabel || column == kTextValue) {
    // While the cell is being edited, its editor holds the newer text.
    const int g = GridRowOf(box, row);
    if (g >= 0 && g == grid_GetCurrentRow(box->grid) && column == grid_GetCurrentColumn(box->grid))
      return grid_GetCellText(box->grid, column, g);
  }
  return *field;
}

int PropertyBox_GetCurrentRow(int gadget) {
  PropertyBox* box = BoxFromGadget(gadget);
  if (!box) return -1;
  const int g = grid_GetCurrentRow(box->grid);
  if (g < 0 || g >= static_cast<int>(box->gridRows.size())) return -1;
  return IndexOf(box, box->gridRows[static_cast<size_t>(g)]);
}

int PropertyBox_SetCurrentRow(int gadget, int index) {
  PropertyBox* box = BoxFromGadget(gadget);
  PropertyRow* row = RowAt(box, index);
  if (!row || GridRowOf(box, row) < 0) return 0;
  HWND window = box->window;
  grid_EndEdit(box->grid, 0);
  if (!BoxAlive(window, box)) return 0;
  box->labelEditing = false;
  RedrawGridRow(box, box->markedRow);
  box->markedRow = -1;
  // Ending the edit may have changed the rows (an owner answering it); the
  // row's place is looked up again.
  const int g = GridRowOf(box, row);
  if (g < 0 || IndexOf(box, row) < 0) return 0;
  grid_SetCurrentCell(box->grid, row->kind == PropertyKind::Heading ? kLabelColumn : kValueColumn, g, 0, 1);
  if (!BoxAlive(window, box)) return 0;
  box->markedRow = g;
  RedrawGridRow(box, g);
  return 0;
}

int PropertyBox_GetCollapsed(int gadget, int index) {
  PropertyRow* row = RowAt(BoxFromGadget(gadget), index);
  return row && row->kind == PropertyKind::Heading ? row->collapsed : 0;
}

int PropertyBox_SetCollapsed(int gadget, int index, int state) {
  PropertyBox* box = BoxFromGadget(gadget);
  PropertyRow* row = RowAt(box, index);
  if (!row || row->kind != PropertyKind::Heading) return 0;
  // The owner hears of it, but a program's own toggle is not its to refuse.
  if (row->collapsed != (state ? 1 : 0)) ToggleHeading(box, row, false);
  return 0;
}

int32_t PropertyBox_GetItemData(int gadget, int index) {
  PropertyRow* row = RowAt(BoxFromGadget(gadget), index);
  return row ? row->itemData : 0;
}

int PropertyBox_SetItemData(int gadget, int index, int32_t value) {
  if (PropertyRow* row = RowAt(BoxFromGadget(gadget), index)) row->itemData = value;
  return 0;
}

COLORREF PropertyBox_GetRowColour(int gadget, int index, int selector) {
  PropertyRow* row = RowAt(BoxFromGadget(gadget), index);
  if (!row) return 0;
  switch (selector) {
    case kRowLabelText: return row->labelTextColour;
    case kRowLabelBack: return row->labelBackColour;
    case kRowValueText: return row->valueTextColour;
    case kRowValueBack: return row->valueBackColour;
    default: return 0;
  }
}

int PropertyBox_SetRowColour(int gadget, int index, int selector, COLORREF colour) {
  PropertyBox* box = BoxFromGadget(gadget);
  PropertyRow* row = RowAt(box, index);
  if (!row) return 0;
  const bool reset = colour == kNoColour;
  switch (selector) {
    case kRowLabelText: row->labelTextColour = reset ? RGB(0, 0, 0) : colour; break;
    case kRowLabelBack: row->labelBackColour = reset ? RGB(255, 255, 255) : colour; break;
    case kRowValueText: row->valueTextColour = reset ? RGB(0, 0, 0) : colour; break;
    case kRowValueBack: row->valueBackColour = reset ? RGB(255, 255, 255) : colour; break;
    default: return 0;
  }
  RedrawGridRow(box, GridRowOf(box, row));
  return 0;
}

int32_t PropertyBox_GetRowValue(int gadget, int index, int selector) {
  PropertyRow* row = RowAt(BoxFromGadget(gadget), index);
  if (!row) return 0;
  switch (selector) {
    case kRowColour: return static_cast<int32_t>(row->colour);
    case kRowFontSize: return row->fontSize;
    case kRowFontStyle: return row->fontStyle;
    case kRowFontColour: return static_cast<int32_t>(row->fontColour);
    default: return 0;
  }
}

int PropertyBox_SetRowValue(int gadget, int index, int selector, int32_t value) {
  PropertyBox* box = BoxFromGadget(gadget);
  PropertyRow* row = RowAt(box, index);
  if (!row) return 0;
  switch (selector) {
    case kRowColour: row->colour = static_cast<COLORREF>(value); break;
    case kRowFontSize: row->fontSize = value; break;
    case kRowFontStyle: row->fontStyle = value; break;
    case kRowFontColour: row->fontColour = static_cast<COLORREF>(value); break;
    default: return 0;
  }
  RedrawGridRow(box, GridRowOf(box, row));
  return 0;
}

int PropertyBox_GetRowDescription(int gadget, int index, PropertyRowDescription* destination) {
  PropertyRow* row = RowAt(BoxFromGadget(gadget), index);
  if (!row || !destination) return 0;
  destination->kind = row->kind;
  destination->labelFont = row->labelFont;
  destination->valueFont = row->valueFont;
  destination->valueAlignment = row->valueAlignment;
  destination->choices = row->choices.c_str();
  destination->colour = row->colour;
  destination->fontName = row->fontName.c_str();
  destination->fontSize = row->fontSize;
  destination->fontStyle = row->fontStyle;
  destination->fontColour = row->fontColour;
  destination->fileTitle = row->fileTitle.c_str();
  destination->filePattern = row->filePattern.c_str();
  destination->fileName = row->fileName.c_str();
  destination->folder = row->folder.c_str();
  return 0;
}

COLORREF PropertyBox_GetColour(int gadget, int selector) {
  PropertyBox* box = BoxFromGadget(gadget);
  if (!box) return 0;
  switch (selector) {
    case kBoxMarginColour: return box->marginColour;
    case kBoxCurrentLabelBack: return box->currentLabelBack;
    case kBoxCurrentLabelText: return box->currentLabelText;
    case kBoxEditLabelBack: return box->editLabelBack;
    case kBoxEditLabelText: return box->editLabelText;
    default:
      // The grid's own colours (and frame width), as PropertyBox_SetColour
      // passes them on.
      if (selector < kGridHeaderLineColour || selector > kGridEmptyAreaColour) return 0;
      return static_cast<COLORREF>(grid_GetAttribute(box->grid, selector));
  }
}

int PropertyBox_SetColour(int gadget, int selector, COLORREF colour) {
  PropertyBox* box = BoxFromGadget(gadget);
  if (!box) return 0;
  switch (selector) {
    case kBoxMarginColour: box->marginColour = colour == kNoColour ? GetSysColor(COLOR_BTNFACE) : colour; break;
    case kBoxCurrentLabelBack: box->currentLabelBack = colour; break;
    case kBoxCurrentLabelText: box->currentLabelText = colour; break;
    case kBoxEditLabelBack: box->editLabelBack = colour; break;
    case kBoxEditLabelText: box->editLabelText = colour; break;
    default: grid_SetAttribute(box->grid, selector, static_cast<int32_t>(colour)); break;
  }
  if (BoxFromGadget(gadget) == box) InvalidateRect(box->window, nullptr, TRUE);
  return 0;
}

int PropertyBox_Resize(int gadget, int x, int y, int width, int height) {
  PropertyBox* box = BoxFromGadget(gadget);
  if (!box) return 0;
  MoveWindow(box->window, x, y, width, height, TRUE);
  RefitValueColumn(box);
  return 0;
}
