// The small rules of the Kick and Ban dialogs that need no window.
#pragma once

#include <cstdint>
#include <string_view>

// The days field falls back to "7" when it is empty or holds only zeros.
bool DaysFieldNeedsReset(std::string_view text);

// Ban minutes: 0 for a permanent ban, else the days (by the program's number
// rule) times 24 times 60. A day count too large for 32 bits of minutes
// stays at the longest timed ban rather than wrapping, since a wrapped value
// can come out as 0, which the server takes for a permanent ban.
int32_t BanMinutes(bool permanent, std::string_view daysText);
