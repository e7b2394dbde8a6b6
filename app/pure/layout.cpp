// Geometry of the main window. The margins follow from the tab panel's
// frame: its header and border take about 25 pixels of the height, and the
// "REFRESH" button sits under the players list with a small gap.
#include "app/pure/layout.h"

#include <algorithm>

#include "history/fold.h"
#include "net/number.h"
#include "platform/text_utf8.h"

namespace {

int AtLeastZero(int value) { return value < 0 ? 0 : value; }

// The code point at `pos` (advanced past it), case folded the way the
// history's search folds names, so that "Иван" sorts beside "иван".
char32_t FoldedAt(std::string_view text, size_t& pos) {
  const auto c = static_cast<unsigned char>(text[pos]);
  if (c < 0x80) {
    ++pos;
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  }
  return history::FoldCodePoint(platform::DecodeUtf8At(text, pos));
}

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
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = FoldedAt(a, i);
    const char32_t y = FoldedAt(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  return i < a.size() ? 1 : (j < b.size() ? -1 : 0);
}
