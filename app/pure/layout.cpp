// Geometry of the main window. The margins follow from the tab panel's
// frame: its header and border take about 25 pixels of the height, and the
// "REFRESH" button sits under the players list with a small gap.
#include "app/pure/layout.h"

#include <algorithm>

#include "net/number.h"

namespace {

int AtLeastZero(int value) { return value < 0 ? 0 : value; }

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

}  // namespace

PanelLayout ComputePanelLayout(int width, int height) {
  PanelLayout l{};
  l.playersWidth = AtLeastZero(width - 10);
  l.playersHeight = AtLeastZero(height - 55);
  l.refreshX = 0;
  l.refreshY = height - 50;
  l.refreshWidth = AtLeastZero(width - 10);
  l.refreshHeight = 20;
  l.bansWidth = AtLeastZero(width);
  l.bansHeight = AtLeastZero(height - 30);
  l.infoWidth = AtLeastZero(width - 10);
  l.infoHeight = AtLeastZero(height - 25);
  return l;
}

bool LayoutTracker::Due(int width, int height) {
  const int32_t sum = width + height;
  if (sum == last_) return false;
  last_ = sum;
  return true;
}

int ClampSplitterPosition(int position, int splitterHeight, int barThickness) {
  const int lowest = barThickness;
  const int highest = splitterHeight;
  if (highest < lowest) return AtLeastZero(highest);
  return std::clamp(position, lowest, highest);
}

namespace {

// "1:05:12" -> 3912; -1 for an empty cell.
int64_t DurationSeconds(std::string_view text) {
  if (text.empty()) return -1;
  int64_t total = 0;
  int64_t part = 0;
  for (const char c : text) {
    if (c == ':') {
      total = std::min<int64_t>((total + part) * 60, int64_t{1} << 50);
      part = 0;
    } else if (c >= '0' && c <= '9' && part < 1000000000) {
      part = part * 10 + (c - '0');
    }
  }
  return total + part;
}

}  // namespace

int CompareCells(std::string_view a, std::string_view b, SortKind kind) {
  if (kind == SortKind::Duration) {
    const int64_t x = DurationSeconds(a);
    const int64_t y = DurationSeconds(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (kind == SortKind::Integer) {
    const int64_t x = ParseNumber(a);
    const int64_t y = ParseNumber(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}
