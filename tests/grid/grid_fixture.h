// A grid in a real window, an owner that records every event it is sent and
// answers from a table, and rendering of the grid into a DIB section.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "grid/grid.h"
#include "grid/grid_private.h"
#include "tests/support/window_picture.h"

// What the owner answers for one cell.
struct CellLook {
  CellLook() = default;
  CellLook(int32_t cellType, COLORREF background = RGB(255, 255, 255), COLORREF foreground = RGB(0, 0, 0),
           std::wstring itemsOrValues = {})
      : type(cellType), back(background), text(foreground), eventText(std::move(itemsOrValues)) {}
  int32_t type = GridCell::Text;
  COLORREF back = RGB(255, 255, 255);
  COLORREF text = RGB(0, 0, 0);
  std::wstring eventText;
  intptr_t extra = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t borderFlags = 0;
  COLORREF borderColour = 0;
  COLORREF gradientFrom = kGridNoColour;
  COLORREF gradientTo = kGridNoColour;
  int32_t format = 0;
};

// One event as the owner saw it.
struct SeenEvent {
  SeenEvent(int32_t eventCode, int32_t eventRow, int32_t eventColumn, intptr_t eventExtra = 0,
            std::wstring eventText = {})
      : code(eventCode), row(eventRow), column(eventColumn), extra(eventExtra), text(std::move(eventText)) {}
  int32_t code;
  int32_t row;
  int32_t column;
  intptr_t extra = 0;
  std::wstring text;
  bool operator==(const SeenEvent& other) const {
    return code == other.code && row == other.row && column == other.column && extra == other.extra &&
           text == other.text;
  }
};
std::ostream& operator<<(std::ostream& out, const SeenEvent& event);

struct Owner {
  std::map<std::pair<int, int>, CellLook> cells;  // (row, column)
  CellLook fallback;
  int32_t textChangedAnswer = 1;
  int32_t cellChangingAnswer = 1;
  std::wstring replacement;  // when set, TextChanged answers with this text
  int32_t keyCharAnswer = 1;
  intptr_t keyCharReplacement = 0;  // when set, KeyChar answers with this character
  int32_t textRemovingAnswer = 1;
  int32_t otherAnswer = 1;  // every other event
  // When set, the owner frees the grid on the first event of this code
  // (and, with rebuild, makes a new, empty one under the same number).
  int32_t freeOnCode = -1;
  bool rebuild = false;
  int freedCount = 0;
  std::vector<SeenEvent> seen;
  std::vector<intptr_t> ownerValues;
  COLORREF paintCellColour = RGB(0, 0, 255);

  const CellLook& Look(int row, int column) const;
  // The events of the given codes, in order.
  std::vector<SeenEvent> Only(std::initializer_list<int32_t> codes) const;
};

extern Owner owner;
int32_t RecordingOwner(intptr_t value, int32_t code, GridCellEvent* event);


class GridTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A grid of `rows` x `columns`, 80 pixels wide columns, 20-pixel rows,
  // cell texts "r<row>c<column>", owner callback set.
  void MakeGrid(int columns, int rows, uint32_t gridFlags = 0, uint32_t listFlags = 0);
  GridRecord* record() const { return RecordFromGadget(grid); }
  RECT Cell(int row, int column) const;

  HWND parent = nullptr;  // the grid's parent, a child of one shared window
  int grid = 0;
};
