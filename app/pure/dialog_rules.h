// The small rules of the Kick, Ban and Set MaxPing dialogs that need no
// window.
#pragma once

#include <cstdint>
#include <string_view>

// The days field falls back to "7" when it is empty or holds only zeros.
bool DaysFieldNeedsReset(std::string_view text);

// Ban minutes: 0 for a permanent ban, else the days (by the program's number
// rule) times 24 times 60. A day count too large for 32 bits of minutes
// stays at the longest timed ban rather than wrapping, since a wrapped value
// can come out as 0, which the server takes for a permanent ban; a hugely
// negative one stays at the most negative count for the same reason. The
// Ban dialog refuses both before it gets here (BanDaysAccepted).
int32_t BanMinutes(bool permanent, std::string_view daysText);

// Whether the number rule reads `text` as a value in least..most. A value
// too long for 64 bits is out of range here, where ParseNumber would wrap it
// into some small number.
bool NumberTextWithin(std::string_view text, int64_t least, int64_t most);

// What the dialogs send is exactly what the admin typed, or nothing: a value
// the server field cannot hold is refused with a message rather than cut
// or wrapped into another one.
constexpr int64_t kMostBanDays = 1491308;  // the last whole day of minutes in 32 bits
constexpr int64_t kMostMaxPing = 2147483647;
bool BanDaysAccepted(std::string_view daysText);  // 1..kMostBanDays days
bool MaxPingAccepted(std::string_view text);      // 0..kMostMaxPing
extern const char kBanDaysRefusedText[];
extern const char kMaxPingRefusedText[];

// The optional "Query port" of the Connect dialog and Quick Connect: empty
// (the program finds the port itself) or a port from 1 to 65535.
bool QueryPortAccepted(std::string_view text);
extern const char kQueryPortRefusedText[];
