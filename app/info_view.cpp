// The server information view on the "Info" tab: a property box of three
// groups of read-only rows (headings and values), created once with the main
// window. The protocol client's values arrive through SetInfoValue
// (shell_ops.cpp), which writes them here.
#include "app/info_view.h"

#include <windows.h>

#include "app/main_window.h"
#include "app/main_window_internal.h"
#include "app/pure/info_rows.h"
#include "app/utf16.h"
#include "net/shell.h"
#include "propbox/propbox.h"
#include "runtime/runtime.h"

namespace {

constexpr int kRowHeight = 18;
constexpr int kLabelWidth = 100;
constexpr int kValueWidth = 150;
// Borders, value column filling the width, gradients, selection kept.
constexpr uint32_t kInfoStyle = 0x8F;
// Non-zero: the rows belong to the heading above them.
constexpr int kGrouped = 8;

int infoBox = -1;

}  // namespace

int InfoViewGadget() { return infoBox; }

int AddInfoRow(std::string_view key, std::string_view label, int kind) {
  PropertyRowDescription description;
  description.kind = kind;
  const std::wstring text = Widen(label);
  const int count = PropertyBox_AddRow(infoBox, -1, text.c_str(), &description, kGrouped);
  if (count <= 0) return -1;
  InfoRows.Set(key, count - 1);
  return count - 1;
}

void CreateInfoView() {
  infoBox = -1;
  HWND page = InfoPanel();
  if (page) {
    RECT area;
    GetClientRect(page, &area);
    HWND previous = UseGadgetList(page);
    infoBox = PropertyBox_Create(kAnyNumber, 0, 0, area.right, area.bottom, kRowHeight, kLabelWidth, kValueWidth,
                                 kInfoStyle, nullptr);
    UseGadgetList(previous);
  }
  if (infoBox < 0) {
    RegisterInfoRows();
    return;
  }
  for (const InfoRowDefinition& row : InfoRowDefinitions())
    AddInfoRow(row.key, row.label, row.heading ? PropertyKind::Heading : PropertyKind::ReadOnlyText);
  SetInfoView(GadgetWindow(infoBox));
}

void ShowInfoValue(int row, std::string_view text) {
  if (infoBox < 0) return;
  const std::wstring value = Widen(text);
  PropertyBox_SetText(infoBox, row, value.c_str(), kTextValue);
}
