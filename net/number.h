// The one rule by which Quorvel turns text into a number: dialog fields,
// reply texts and the favourites file all go through ParseNumber, so a port
// typed as "$8FA" or " +2302" means the same thing everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Skips leading spaces and tabs, reads an optional '-' or '+', then "$" and
// hexadecimal digits, "%" and binary digits, or decimal digits, up to the
// first character that is not such a digit. No digits give 0. The value is
// computed in 64 bits and wraps silently on overflow; callers that store it
// into a 32-bit field keep the low 32 bits (see ParseNumber32).
//
// Inline for the common case, text that starts with a decimal digit (the
// reply parsers read three numbers a line); the rest goes to the general
// reader in number.cpp.
int64_t ParseNumberSlow(std::string_view text);

// What comes before the digits: the sign and the base, and where the digits
// begin. Readers with rules of their own for the digits (a range check that
// must not wrap) share it so that every number is read the same way.
struct NumberStart {
  bool negative = false;
  int base = 10;
  size_t digits = 0;  // index of the first digit
};
NumberStart ReadNumberStart(std::string_view text);
// -1 when `c` is not a digit of `base` (2, 10 or 16).
int DigitValue(char c, int base);

inline int64_t ParseNumber(std::string_view text) {
  uint64_t value = 0;
  size_t i = 0;
  for (; i < text.size(); ++i) {
    const unsigned digit = static_cast<unsigned char>(text[i]) - static_cast<unsigned>('0');
    if (digit > 9) break;
    value = value * 10u + digit;
  }
  // Leading digits settle it: spaces, a sign, '$' or '%' can only come first.
  if (i > 0) return static_cast<int64_t>(value);
  return ParseNumberSlow(text);
}

// ParseNumber's result truncated to its low 32 bits, as 32-bit fields keep it.
inline int32_t ParseNumber32(std::string_view text) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ParseNumber(text))));
}
