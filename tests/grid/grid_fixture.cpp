#include "tests/grid/grid_fixture.h"

#include <ostream>

#include "runtime/gdi_guard.h"
#include "runtime/runtime.h"

Owner owner;

std::ostream& operator<<(std::ostream& out, const SeenEvent& event) {
  out << "{code " << event.code << ", row " << event.row << ", column " << event.column << ", extra " << event.extra
      << ", text \"";
  for (wchar_t c : event.text) out << static_cast<char>(c < 128 ? c : '?');
  return out << "\"}";
}

const CellLook& Owner::Look(int row, int column) const {
  auto found = cells.find({row, column});
  return found == cells.end() ? fallback : found->second;
}

std::vector<SeenEvent> Owner::Only(std::initializer_list<int32_t> codes) const {
  std::vector<SeenEvent> result;
  for (const auto& event : seen)
    for (int32_t code : codes)
      if (event.code == code) result.push_back(event);
  return result;
}

int32_t RecordingOwner(intptr_t value, int32_t code, GridCellEvent* event) {
  owner.ownerValues.push_back(value);
  SeenEvent seen{code, event->row, event->column, 0, {}};
  switch (code) {
    case GridEvent::TextChanged:
      seen.text = event->text;
      break;
    case GridEvent::KeyChar:
    case GridEvent::TextRemoving:
    case GridEvent::ComboChanged:
      seen.text = event->text;
      seen.extra = event->extra;
      break;
    case GridEvent::EditEnded:
    case GridEvent::ColumnsChanged:
      seen.extra = event->extra;
      break;
    default:
      break;
  }
  owner.seen.push_back(seen);
  if (code == owner.freeOnCode && owner.freedCount == 0) {
    ++owner.freedCount;
    const auto gadget = static_cast<int>(value);
    grid_Free(gadget);
    if (owner.rebuild) grid_Create(gadget, 0, 0, 200, 100, 20, 0, 0);
    return 1;
  }
  const CellLook& look = owner.Look(event->row, event->column);
  switch (code) {
    case GridEvent::QueryCellColours:
      event->backColour = look.back;
      event->textColour = look.text;
      event->borderFlags = look.borderFlags;
      event->borderColour = look.borderColour;
      event->gradientFrom = look.gradientFrom;
      event->gradientTo = look.gradientTo;
      event->format = look.format;
      return 0;
    case GridEvent::QueryCellType:
      event->cellType = look.type;
      event->text = look.eventText;
      event->extra = look.extra;
      event->width = look.width;
      event->height = look.height;
      return 0;
    case GridEvent::TextChanged:
      if (!owner.replacement.empty()) event->text = owner.replacement;
      return owner.textChangedAnswer;
    case GridEvent::CellChanging:
      return owner.cellChangingAnswer;
    case GridEvent::KeyChar:
      if (owner.keyCharReplacement) event->extra = owner.keyCharReplacement;
      return owner.keyCharAnswer;
    case GridEvent::TextRemoving:
      return owner.textRemovingAnswer;
    case GridEvent::PaintCell: {
      // Paint the whole image in one colour so the test can find it.
      auto image = reinterpret_cast<HBITMAP>(event->extra);
      ScopedMemoryDC dc(nullptr);
      ScopedSelect select(dc.Get(), image);
      ScopedBrush brush(CreateSolidBrush(owner.paintCellColour));
      RECT all{0, 0, event->width, event->height};
      FillRect(dc.Get(), &all, brush.Get());
      return 0;
    }
    default:
      return owner.otherAnswer;
  }
}

namespace {

HWND TopLevel() { return TestTopLevel(L"grid tests", 420, 300); }

}  // namespace

void GridTest::SetUp() {
  owner = Owner{};
  HWND top = TopLevel();
  ASSERT_NE(top, nullptr);
  parent = CreateTestContainer(top, 420, 300);
  ASSERT_NE(parent, nullptr);
  UseGadgetList(parent);
}

void GridTest::TearDown() {
  UseGadgetList(TopLevel());
  DestroyWindow(parent);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

void GridTest::MakeGrid(int columns, int rows, uint32_t gridFlags, uint32_t listFlags) {
  UseGadgetList(parent);
  grid = grid_Create(kAnyNumber, 0, 0, 400, 280, 20, listFlags, gridFlags);
  ASSERT_NE(grid, -1);
  for (int c = 0; c < columns; ++c) grid_AddColumn(grid, -1, L"", 80);
  grid_AddRows(grid, -1, rows);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      grid_SetCellText(grid, c, r, (L"r" + std::to_wstring(r) + L"c" + std::to_wstring(c)).c_str());
  grid_SetCallback(grid, RecordingOwner);
  UpdateWindow(parent);
  owner.seen.clear();
  owner.ownerValues.clear();
}

RECT GridTest::Cell(int row, int column) const { return CellRect(record(), row, column + 1); }
