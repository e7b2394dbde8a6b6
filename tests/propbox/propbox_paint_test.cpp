// The property box's look, checked pixel by pixel: the box is rendered into
// a DIB section with WM_PRINTCLIENT and sampled at points computed from the
// cell rectangles.
#include <algorithm>
#include <cstdlib>

#include "grid/grid.h"
#include "runtime/runtime.h"
#include "tests/propbox/propbox_fixture.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kArtInk = RGB(0x1F, 0x3F, 0x66);     // the plus and minus
constexpr COLORREF kArtFrame = RGB(0x6B, 0x77, 0x85);   // the images' outlines

int Width(const RECT& r) { return r.right - r.left; }

// From the leftmost to the rightmost dark pixel of a cell (text is drawn
// smoothed or not; either way its strokes have dark pixels).
int InkWidth(const Picture& picture, const RECT& cell) {
  int left = cell.right, right = cell.left - 1;
  for (int y = cell.top; y < cell.bottom; ++y)
    for (int x = cell.left; x < cell.right; ++x) {
      COLORREF c = picture.At(x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 110) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  return right - left + 1;
}

// Close enough for a gradient sampled one pixel in from its ends.
bool Near(COLORREF a, COLORREF b, int within = 6) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= within && std::abs(GetGValue(a) - GetGValue(b)) <= within &&
         std::abs(GetBValue(a) - GetBValue(b)) <= within;
}

TEST_F(PropertyBoxTest, AHeadingIsBoldAndShadedFromTheButtonFaceToWhite) {
  MakeBox(kPropertyBoxGradients);
  Add(-1, L"General", PropertyKind::Heading);
  // The plain row in the font the heading font is the bold variant of.
  PropertyRowDescription plain;
  plain.kind = PropertyKind::ReadOnlyText;
  plain.labelFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  PropertyBox_AddRow(box, -1, L"General", &plain, 8);
  Picture picture = Render(Window());
  RECT margin = Cell(0, 0), label = Cell(0, 1), value = Cell(0, 2);
  const int y = label.top + 1;
  EXPECT_TRUE(Near(picture.At(margin.left + 1, y), GetSysColor(COLOR_BTNFACE))) << std::hex << picture.At(margin.left + 1, y);
  EXPECT_TRUE(Near(picture.At(margin.right - 1, y), RGB(221, 221, 221)));
  EXPECT_TRUE(Near(picture.At(label.left + 1, y), RGB(221, 221, 221)));
  EXPECT_TRUE(Near(picture.At(label.right - 2, y), RGB(238, 238, 238)));
  EXPECT_TRUE(Near(picture.At(value.left + 1, y), RGB(238, 238, 238)));
  EXPECT_TRUE(Near(picture.At(value.right - 2, y), kWhite));

  // The same word in the bold heading font is wider than in the plain font
  // it is made from.
  EXPECT_GT(InkWidth(picture, label), InkWidth(picture, Cell(1, 1)) + 1);
}

TEST_F(PropertyBoxTest, TheMarginShowsAMinusWhileExpandedAndAPlusWhileCollapsed) {
  MakeBox();
  Add(-1, L"Open", PropertyKind::Heading);
  Add(-1, L"row");
  Add(-1, L"Closed", PropertyKind::Heading);
  Add(-1, L"hidden");
  PropertyBox_SetCollapsed(box, 2, 1);
  Picture picture = Render(Window());
  for (int gridRow : {0, 2}) {
    SCOPED_TRACE(gridRow);
    RECT margin = Cell(gridRow, 0);
    // The 9 x 9 image is centred in the cell.
    const int left = margin.left + (Width(margin) - 9) / 2;
    const int top = margin.top + (margin.bottom - margin.top - 9) / 2;
    EXPECT_EQ(picture.At(left, top), kArtFrame) << "the outline's corner";
    EXPECT_EQ(picture.At(left + 2, top + 4), kArtInk) << "the bar across";
    EXPECT_EQ(picture.At(left + 4, top + 2), gridRow == 0 ? kWhite : kArtInk) << "the bar down, only in the plus";
  }
  // A property row's margin has no image.
  RECT plainMargin = Cell(1, 0);
  EXPECT_EQ(picture.CountIn(plainMargin, kArtFrame), 0);
}

TEST_F(PropertyBoxTest, AColourSwatchIsAsWideAsTheCellAllowsUpToFifty) {
  constexpr COLORREF kSwatch = RGB(10, 200, 30);
  for (int valueWidth : {30, 100}) {
    SCOPED_TRACE(valueWidth);
    MakeBox(0, RecordingBoxOwner, 300, 200, 100, valueWidth);
    PropertyRowDescription colour;
    colour.kind = PropertyKind::Colour;
    colour.colour = kSwatch;
    PropertyBox_AddRow(box, -1, L"Colour", &colour, 0);
    Picture picture = Render(Window());
    RECT value = Cell(0, 2);
    const int y = (value.top + value.bottom) / 2;
    int run = 0;
    for (int x = value.left; x < value.right; ++x)
      if (picture.At(x, y) == kSwatch) ++run;
    EXPECT_EQ(run, valueWidth == 30 ? 4 : 50);
    EXPECT_EQ(picture.At(value.left + 6, value.top + 4), kSwatch) << "starts at (6, 4)";
    EXPECT_NE(picture.At(value.left + 5, value.top + 4), kSwatch);
    FreeGadget(box);
  }
}

int ButtonInk(const Picture& picture, const RECT& value) {
  RECT button{value.right - 16, value.top, value.right - 4, value.bottom};
  return picture.CountIn(button, kArtFrame);
}

TEST_F(PropertyBoxTest, TheValueButtonShowsOnTheCurrentCellOnlyUnlessAlwaysAsked) {
  for (uint32_t style : {0u, kPropertyBoxAlwaysButton}) {
    SCOPED_TRACE(style);
    MakeBox(style);
    for (int32_t kind : {PropertyKind::Colour, PropertyKind::File, PropertyKind::ReadOnlyText}) {
      PropertyRowDescription description;
      description.kind = kind;
      PropertyBox_AddRow(box, -1, L"row\nvalue", &description, 0);
    }
    PropertyBox_SetCurrentRow(box, 0);
    Picture picture = Render(Window());
    EXPECT_GT(ButtonInk(picture, Cell(0, 2)), 10) << "current colour row";
    if (style & kPropertyBoxAlwaysButton) {
      EXPECT_GT(ButtonInk(picture, Cell(1, 2)), 10) << "file row, not current";
    } else {
      EXPECT_EQ(ButtonInk(picture, Cell(1, 2)), 0) << "file row, not current";
    }
    PropertyBox_SetCurrentRow(box, 2);
    picture = Render(Window());
    EXPECT_EQ(ButtonInk(picture, Cell(2, 2)), 0) << "read-only text has no button";
    EXPECT_EQ(ButtonInk(picture, Cell(0, 2)) > 10, (style & kPropertyBoxAlwaysButton) != 0);
    FreeGadget(box);
  }
}

TEST_F(PropertyBoxTest, TheCurrentRowsLabelIsHighlightedAndADisabledBoxIsGrey) {
  MakeBox(kPropertyBoxBorders);
  Add(-1, L"a\n1");
  Add(-1, L"b\n2");
  PropertyBox_SetRowColour(box, 1, kRowValueBack, RGB(250, 240, 200));
  PropertyBox_SetCurrentRow(box, 0);
  Picture picture = Render(Window());
  RECT label0 = Cell(0, 1), label1 = Cell(1, 1), value1 = Cell(1, 2);
  EXPECT_EQ(picture.At(label0.left + 3, label0.bottom - 3), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(picture.At(label1.left + 3, label1.bottom - 3), kWhite);
  EXPECT_EQ(picture.At(value1.left + 3, value1.bottom - 3), RGB(250, 240, 200));
  // Borders of style 0x01: top of each cell, the label's left side.
  const COLORREF border = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(picture.At(label1.left + 10, label1.top), border);
  EXPECT_EQ(picture.At(label1.left, label1.top + 5), border);

  EnableWindow(Window(), FALSE);
  picture = Render(Window());
  EXPECT_EQ(picture.At(label1.left + 3, label1.bottom - 3), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(picture.At(value1.left + 3, value1.bottom - 3), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(picture.At(label0.left + 3, label0.bottom - 3), GetSysColor(COLOR_BTNFACE));
}

TEST_F(PropertyBoxTest, FontRowsShowTheirNameAndSizeInTheFontsColour) {
  constexpr COLORREF kFontColour = RGB(200, 0, 0);
  MakeBox();
  PropertyRowDescription font;
  font.kind = PropertyKind::FontWithColour;
  font.fontName = L"Tahoma";
  font.fontSize = 9;
  font.fontColour = kFontColour;
  PropertyBox_AddRow(box, -1, L"Font\nignored", &font, 0);
  Picture picture = Render(Window());
  EXPECT_GT(picture.CountIn(Cell(0, 2), kFontColour), 5);
}

}  // namespace
