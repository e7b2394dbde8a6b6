// A property box in a real window, an owner that records the box's events,
// and rendering into a DIB section for pixel checks.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "propbox/propbox.h"
#include "tests/support/window_picture.h"

struct BoxEvent {
  int32_t code;
  int32_t index;
  bool operator==(const BoxEvent& other) const { return code == other.code && index == other.index; }
};
std::ostream& operator<<(std::ostream& out, const BoxEvent& event);

struct BoxOwner {
  std::vector<BoxEvent> seen;
  int32_t answer = 1;
  // Run inside the next event (then forgotten): a test frees the box here.
  std::function<void()> during;
  // When set, answers every event in place of `answer` (and may look at or
  // change what `extra` points to).
  std::function<int32_t(int32_t code, int32_t index, intptr_t extra)> decide;
};
extern BoxOwner boxOwner;
int32_t RecordingBoxOwner(int grid, int32_t code, int32_t index, intptr_t extra);


class PropertyBoxTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A box 300 x 200 at (0, 0) with 18-pixel rows, label 100, value 150.
  int MakeBox(uint32_t style = 0, PropertyBoxCallback callback = RecordingBoxOwner, int width = 300,
              int height = 200, int labelWidth = 100, int valueWidth = 150);
  int Add(int position, const wchar_t* text, int32_t kind = PropertyKind::ReadOnlyText, int grouped = 8);
  HWND Window() const;
  RECT Cell(int gridRow, int column) const;
  // Grid rows as "label|value", in grid order.
  std::vector<std::wstring> GridRows() const;
  // Raises a grid event at the box as its grid does; the mouse is first
  // moved to `point` (list view coordinates) when one is given.
  int32_t Raise(int32_t code, int gridRow, int column, intptr_t extra = 0, const POINT* point = nullptr);
  // Types over the whole text of the current cell's open text editor, key
  // by key through the grid's editor as the keyboard would; what the owner
  // heard meanwhile is forgotten.
  void Type(const wchar_t* text);
  // A left click (down and up) at `point` of the list view, double when asked.
  void Click(POINT point, bool twice = false);
  POINT Centre(const RECT& area) const { return POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2}; }

  HWND parent = nullptr;
  int box = -1;
};
