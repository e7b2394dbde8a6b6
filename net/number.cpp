// Text to number conversion; see number.h for the rule.
#include "net/number.h"

int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value >= 0 && value < base ? value : -1;
}

NumberStart ReadNumberStart(std::string_view text) {
  NumberStart start;
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
    ++i;
  }
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    start.negative = text[i] == '-';
    ++i;
  }
  if (i < text.size() && text[i] == '$') {
    start.base = 16;
    ++i;
  } else if (i < text.size() && text[i] == '%') {
    start.base = 2;
    ++i;
  }
  start.digits = i;
  return start;
}

int64_t ParseNumberSlow(std::string_view text) {
  const NumberStart start = ReadNumberStart(text);
  const bool negative = start.negative;
  const int base = start.base;
  size_t i = start.digits;
  // Unsigned arithmetic: an over-long number wraps instead of being
  // undefined behaviour.
  uint64_t value = 0;
  if (base == 10) {
    // Decimal is nearly every number we read (player lists, ban lists); keep
    // it to one compare per digit.
    for (; i < text.size(); ++i) {
      const unsigned digit = static_cast<unsigned char>(text[i]) - static_cast<unsigned>('0');
      if (digit > 9) {
        break;
      }
      value = value * 10u + digit;
    }
    return static_cast<int64_t>(negative ? 0 - value : value);
  }
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) {
      break;
    }
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  if (negative) {
    value = 0 - value;
  }
  return static_cast<int64_t>(value);
}
