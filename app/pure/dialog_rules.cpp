// The Kick and Ban dialogs' rules; see dialog_rules.h.
#include "app/pure/dialog_rules.h"

#include <limits>

#include "net/number.h"

bool DaysFieldNeedsReset(std::string_view text) {
  return text.find_first_not_of('0') == std::string_view::npos;
}

int32_t BanMinutes(bool permanent, std::string_view daysText) {
  if (permanent) return 0;
  constexpr int64_t kMinutesPerDay = 24 * 60;
  constexpr int64_t kMost = std::numeric_limits<int32_t>::max();
  constexpr int64_t kLeast = std::numeric_limits<int32_t>::min();
  const int64_t days = ParseNumber(daysText);
  if (days > kMost / kMinutesPerDay) return static_cast<int32_t>(kMost);
  if (days < kLeast / kMinutesPerDay) return static_cast<int32_t>(kLeast);
  return static_cast<int32_t>(days * kMinutesPerDay);
}
