// Reads back the gallery's input page from another process, for its
// end-to-end test: where its cells and a header divider are on the screen,
// the columns' widths, and the clipboard's text.
//
// Output, UTF-8, one fact per line:
//   cell R C X Y      (screen point in the middle of grid cell row R, column C)
//   divider X Y       (the divider right of grid column 1)
//   width C W         (grid column C's width)
//   clip <text>       (the clipboard's text, TAB as \t, CR as \r, LF as \n)
// Only messages that carry no pointers are sent: the page's layout is known
// (header 44 pixels, rows 20), the rest is read with window functions.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      size_t limit = GlobalSize(data) / sizeof(wchar_t), length = 0;
      while (length < limit && chars[length]) ++length;
      text.assign(chars, length);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace

int main() {
  HWND page = FindWindowW(nullptr, L"Quorvel grid input gallery");
  HWND list = page ? FindWindowExW(page, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
  if (list) {
    constexpr int kHeader = 44, kRow = 20;
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    int widths[8] = {};
    for (int i = 0; i < 6; ++i) widths[i] = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0));
    for (int c = 0; c < 5; ++c) std::printf("width %d %d\n", c, widths[c + 1]);
    for (int r = 0; r < 6; ++r) {
      int left = origin.x + widths[0];
      for (int c = 0; c < 4; ++c) {
        std::printf("cell %d %d %d %d\n", r, c, left + widths[c + 1] / 2, origin.y + kHeader + r * kRow + kRow / 2);
        left += widths[c + 1];
      }
    }
    std::printf("divider %d %d\n", origin.x + widths[0] + widths[1] + widths[2], origin.y + kHeader / 2);
  }
  std::wstring clip;
  for (wchar_t c : ClipboardText()) clip += c == L'\t' ? L"\\t" : c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n" : std::wstring(1, c);
  std::printf("clip %s\n", Utf8(clip).c_str());
  return 0;
}
