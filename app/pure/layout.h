// The geometry rules of the main window, apart from the windows: where the
// children of the tab panel go for a given panel size, when a re-layout is
// due, and how far the splitter may move.
#pragma once

#include <cstdint>
#include <string_view>

struct PanelLayout {
  int playersWidth, playersHeight;  // players list view (position unchanged)
  int refreshX, refreshY, refreshWidth, refreshHeight;
  int bansWidth, bansHeight;  // bans list view (position unchanged)
  int infoWidth, infoHeight;  // server information view (position unchanged)
};

// Sizes for a tab panel of `width` x `height`. A panel squeezed smaller than
// its margins gives zero, never negative, sizes.
PanelLayout ComputePanelLayout(int width, int height);

// The re-layout rule: a re-layout is due when the panel's width plus height
// differs from the sum remembered at the last one (0 before the first).
class LayoutTracker {
 public:
  // True (and the sum remembered) when a re-layout is due.
  bool Due(int width, int height);
  int32_t LastSum() const { return last_; }

 private:
  int32_t last_ = 0;
};

// Keeps the splitter's position (the top of the lower pane) inside the
// splitter so that neither pane nor the bar leaves it.
int ClampSplitterPosition(int position, int splitterHeight, int barThickness);

// The orders in which the players and history list views' columns sort.
enum class SortKind { Text, Integer, Duration };

// Compares two cells: Text ignores case (in the scripts the history's search
// folds: Latin, Greek, Cyrillic) and otherwise orders by code point; Integer compares the numbers the cells convert to (leading blanks,
// sign, "$" hex and "%" binary as everywhere else), Duration the times
// "h:mm:ss" by their length, an empty cell before every time. Negative, 0
// or positive.
int CompareCells(std::string_view a, std::string_view b, SortKind kind);
