// A property box in a real window, an owner that records the box's events,
// and rendering into a DIB section for pixel checks.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "propbox/propbox.h"

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
};
extern BoxOwner boxOwner;
int32_t RecordingBoxOwner(int grid, int32_t code, int32_t index, intptr_t extra);

class Picture {
 public:
  COLORREF At(int x, int y) const;
  int CountIn(const RECT& area, COLORREF colour) const;
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
};
Picture Render(HWND window);

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

  HWND parent = nullptr;
  int box = -1;
};
