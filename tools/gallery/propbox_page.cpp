// The gallery's property box page: two boxes in a window of their own, one
// row of every kind (1 to 14) and every style flag in use: borders, a value
// column filling the width, gradients, the kept selection and the value
// button on every owner-painted row in the first; no client edge and label
// editing in the second.
#include "tools/gallery/propbox_page.h"

#include <windows.h>

#include "propbox/propbox.h"
#include "runtime/runtime.h"

namespace {

struct KindSample {
  int32_t kind;
  const wchar_t* text;
};

const KindSample kKinds[] = {
    {PropertyKind::Heading, L"Every kind"},
    {PropertyKind::ListChoice, L"2 list choice\nNormal"},
    {PropertyKind::EditableChoice, L"3 editable choice\nMedium"},
    {PropertyKind::UnsignedNumber, L"4 unsigned\n2302"},
    {PropertyKind::SignedNumber, L"5 signed\n-40"},
    {PropertyKind::DecimalNumber, L"6 decimal\n-1.25"},
    {PropertyKind::Text, L"7 text\nAny text at all"},
    {PropertyKind::ReadOnlyText, L"8 read-only\nChernarus"},
    {PropertyKind::Colour, L"9 colour"},
    {PropertyKind::FontWithColour, L"10 font, colour"},
    {PropertyKind::Font, L"11 font"},
    {PropertyKind::File, L"12 file\nno file chosen"},
    {PropertyKind::Folder, L"13 folder\nno folder chosen"},
    {PropertyKind::Custom, L"14 custom\ndrawn by the box"},
};

void AddKinds(int box) {
  for (const KindSample& sample : kKinds) {
    PropertyRowDescription description;
    description.kind = sample.kind;
    switch (sample.kind) {
      case PropertyKind::ListChoice:
        description.choices = L"Easy\nNormal\nHard";
        break;
      case PropertyKind::EditableChoice:
        description.choices = L"Low\nMedium\nHigh";
        break;
      case PropertyKind::UnsignedNumber:
      case PropertyKind::SignedNumber:
        description.valueAlignment = DT_RIGHT;
        break;
      case PropertyKind::Colour:
        description.colour = RGB(31, 95, 168);
        break;
      case PropertyKind::FontWithColour:
        description.fontName = L"Tahoma";
        description.fontSize = 10;
        description.fontStyle = kPropertyFontBold;
        description.fontColour = RGB(170, 30, 30);
        break;
      case PropertyKind::Font:
        description.fontName = L"Courier New";
        description.fontSize = 9;
        description.fontStyle = kPropertyFontItalic;
        break;
      case PropertyKind::File:
        description.fileTitle = L"Mission file";
        description.filePattern = L"Missions (*.pbo)|*.pbo";
        description.fileName = L"C:\\missions\\patrol.pbo";
        break;
      case PropertyKind::Folder:
        description.fileTitle = L"Profiles folder";
        break;
      default:
        break;
    }
    PropertyBox_AddRow(box, -1, sample.text, &description, 1);
  }
}

}  // namespace

int OpenPropertyBoxPage(int x, int y) {
  int window = OpenWindowNumbered(kAnyNumber, x, y, 380, 600, L"Quorvel property box gallery",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  if (window < 0) return -1;

  // Borders, filling value column, gradients, kept selection, value button
  // on every owner-painted row.
  int full = PropertyBox_Create(kAnyNumber, 10, 10, 350, 300, 20, 120, 150, 0x2F, nullptr);
  if (full < 0) return window;
  AddKinds(full);
  PropertyBox_SetCurrentRow(full, 7);

  // No client edge, label editing, and a collapsed group.
  int plain = PropertyBox_Create(kAnyNumber, 10, 320, 350, 230, 18, 120, 210, 0x10 | 0x40, nullptr);
  if (plain < 0) return window;
  PropertyRowDescription heading;
  heading.kind = PropertyKind::Heading;
  PropertyRowDescription text;
  text.kind = PropertyKind::ReadOnlyText;
  PropertyBox_AddRow(plain, -1, L"Open group", &heading, 0);
  PropertyBox_AddRow(plain, -1, L"Label\nvalue", &text, 1);
  PropertyBox_AddRow(plain, -1, L"Coloured\nrow", &text, 1);
  PropertyBox_SetRowColour(plain, 2, kRowLabelBack, RGB(255, 244, 214));
  PropertyBox_SetRowColour(plain, 2, kRowValueText, RGB(0, 110, 40));
  PropertyBox_AddRow(plain, -1, L"Collapsed group", &heading, 0);
  PropertyBox_AddRow(plain, -1, L"Hidden\nrow", &text, 1);
  PropertyBox_AddRow(plain, -1, L"Not grouped\nstays shown", &text, 0);
  PropertyBox_SetCollapsed(plain, 3, 1);
  PropertyBox_SetCurrentRow(plain, 1);
  return window;
}
