// The number rows' character filter.
#include "propbox/propbox_filter.h"

#include <algorithm>

namespace {

constexpr int32_t kUnsigned = 4, kSigned = 5, kDecimal = 6;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

bool NumberCharacterAccepted(int32_t kind, wchar_t character, std::wstring_view text, int selectionStart,
                             int selectionEnd) {
  if (kind != kUnsigned && kind != kSigned && kind != kDecimal) return true;
  // Backspace and the Ctrl combinations arrive as characters too; they are
  // editing, not text, and a number field that refused Backspace could never
  // be corrected.
  if (character < 0x20) return true;
  if (kind == kUnsigned) return IsDigit(character);

  const int length = static_cast<int>(text.size());
  const int start = std::clamp(std::min(selectionStart, selectionEnd), 0, length);
  const int end = std::clamp(std::max(selectionStart, selectionEnd), 0, length);
  const bool leadingMinus = !text.empty() && text.front() == L'-';
  // The existing minus goes when the selection being typed over holds it.
  const bool minusReplaced = leadingMinus && start == 0 && end > 0;
  // Nothing goes in front of a minus that stays.
  if (start == 0 && leadingMinus && !minusReplaced) return false;

  if (IsDigit(character)) return true;
  if (character == L'-') return start == 0;
  if (character != L'.' || kind != kDecimal) return false;

  const size_t point = text.find(L'.');
  if (point != std::wstring_view::npos)
    return static_cast<int>(point) >= start && static_cast<int>(point) < end;
  return true;
}

bool NumberTextAccepted(int32_t kind, std::wstring_view text) {
  for (size_t typed = 0; typed < text.size(); ++typed) {
    const int caret = static_cast<int>(typed);
    if (text[typed] < 0x20 || !NumberCharacterAccepted(kind, text[typed], text.substr(0, typed), caret, caret))
      return false;
  }
  return true;
}
