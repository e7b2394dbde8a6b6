// What the number rows let through as they are typed into: digits for all
// three, a leading minus for signed and decimal numbers, and one decimal
// point. Pure logic, no window involved.
#pragma once

#include <cstdint>
#include <string_view>

// Whether `character`, typed into `text` over the selection from
// `selectionStart` to `selectionEnd` (equal when nothing is selected, the
// caret then being there), is kept in a row of `kind` (4 unsigned, 5 signed,
// 6 decimal). Other kinds keep everything.
bool NumberCharacterAccepted(int32_t kind, wchar_t character, std::wstring_view text, int selectionStart,
                             int selectionEnd);

// Whether `text` could have been typed into an empty row of `kind` one
// character after another: what reaches a number row by other ways than
// typing (a paste) is held to the same rule.
bool NumberTextAccepted(int32_t kind, std::wstring_view text);
