// The one rule by which Quorvel turns text into a number: dialog fields,
// reply texts and the favourites file all go through ParseNumber, so a port
// typed as "$8FA" or " +2302" means the same thing everywhere.
#pragma once

#include <cstdint>
#include <string_view>

// Skips leading spaces and tabs, reads an optional '-' or '+', then "$" and
// hexadecimal digits, "%" and binary digits, or decimal digits, up to the
// first character that is not such a digit. No digits give 0. The value is
// computed in 64 bits and wraps silently on overflow; callers that store it
// into a 32-bit field keep the low 32 bits (see ParseNumber32).
int64_t ParseNumber(std::string_view text);

// ParseNumber's result truncated to its low 32 bits, as 32-bit fields keep it.
int32_t ParseNumber32(std::string_view text);
