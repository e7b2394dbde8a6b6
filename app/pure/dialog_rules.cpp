// The Kick, Ban and Set MaxPing dialogs' rules; see dialog_rules.h.
#include "app/pure/dialog_rules.h"

#include <limits>

#include "net/number.h"

const char kBanDaysRefusedText[] = "Please enter a number of days from 1 to 1491308.";
const char kMaxPingRefusedText[] = "Please enter a max ping from 0 to 2147483647.";
const char kQueryPortRefusedText[] =
    "Please enter a query port from 1 to 65535, or leave it empty to have it found automatically.";

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

bool NumberTextWithin(std::string_view text, int64_t least, int64_t most) {
  const NumberStart start = ReadNumberStart(text);
  const bool negative = start.negative;
  const int base = start.base;
  // The magnitude stops growing once it is past any bound we are asked for,
  // so it can never wrap back into range.
  constexpr uint64_t kPastEveryBound = uint64_t{1} << 63;
  uint64_t magnitude = 0;
  for (size_t i = start.digits; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) break;
    if (magnitude > kPastEveryBound / static_cast<uint64_t>(base)) {
      magnitude = kPastEveryBound + 1;
    } else {
      magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
      if (magnitude > kPastEveryBound) magnitude = kPastEveryBound + 1;
    }
  }
  if (negative) {
    if (magnitude > kPastEveryBound) return false;
    const int64_t value = magnitude == kPastEveryBound ? std::numeric_limits<int64_t>::min()
                                                       : -static_cast<int64_t>(magnitude);
    return value >= least && value <= most;
  }
  if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
  const int64_t value = static_cast<int64_t>(magnitude);
  return value >= least && value <= most;
}

bool BanDaysAccepted(std::string_view daysText) {
  return NumberTextWithin(daysText, 1, kMostBanDays);
}

bool MaxPingAccepted(std::string_view text) { return NumberTextWithin(text, 0, kMostMaxPing); }

bool QueryPortAccepted(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos || NumberTextWithin(text, 1, 65535);
}
