// Case folding for the history search.
//
// SQLite's LIKE and lower() fold ASCII only, so "иван" would never find
// "Иван". Names are stored beside a folded copy made here, and the admin's
// search text is folded the same way; a plain substring test then matches
// regardless of case in the scripts player names are written in.
#pragma once

#include <string>
#include <string_view>

namespace history {

// The simple case folding of one code point for Latin (ASCII, Latin-1,
// Latin Extended-A/B and Additional), Greek, Cyrillic and the full-width
// Latin letters; other code points are returned unchanged.
char32_t FoldCodePoint(char32_t c);

// Folds UTF-8 text code point by code point. Invalid sequences become U+FFFD.
std::string FoldCase(std::string_view utf8);

}  // namespace history
