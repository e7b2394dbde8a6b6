// The value editors behind the value button and Ctrl+Space: the system's
// colour, font, file-open and folder dialogs.
//
// Every result is copied by its real length, never into the row's old
// storage: a face name, file or folder longer than the old value must not
// overrun anything, and a file dialog whose selection did not fit its buffer
// counts as cancelled rather than storing a cut-off name.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "propbox/propbox_private.h"

namespace {

constexpr int kValueColumn = 2;
// Long enough for any path the system can open (the \\?\ limit).
constexpr DWORD kFileBufferLength = 32768;

// The colour dialog's sixteen custom colours, kept for the process as the
// system's own programs do.
COLORREF customColours[16] = {};

// Pattern lists are written "Text files|*.txt|All files|*.*"; the dialog
// wants the pieces separated by NULs and the list ended by two.
std::wstring DialogFilter(const std::wstring& pattern) {
  if (pattern.empty()) return {};
  std::wstring filter = pattern;
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  return filter;
}

bool ChooseColour(HWND owner, PropertyRow* row, COLORREF* chosen) {
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.rgbResult = row->colour == kNoColour ? 0 : row->colour;
  dialog.lpCustColors = customColours;
  dialog.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorW(&dialog)) return false;
  *chosen = dialog.rgbResult;
  return true;
}

struct FontChoice {
  std::wstring name;
  int32_t size = 0;
  int32_t style = 0;
  COLORREF colour = 0;
};

bool ChooseFontFor(HWND owner, PropertyRow* row, FontChoice* chosen) {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  LOGFONTW description{};
  description.lfHeight = row->fontSize > 0 ? -MulDiv(row->fontSize, dpi, 72) : 0;
  description.lfWeight = (row->fontStyle & kPropertyFontBold) ? FW_BOLD : FW_NORMAL;
  description.lfItalic = (row->fontStyle & kPropertyFontItalic) ? TRUE : FALSE;
  description.lfUnderline = (row->fontStyle & kPropertyFontUnderline) ? TRUE : FALSE;
  description.lfStrikeOut = (row->fontStyle & kPropertyFontStrikeOut) ? TRUE : FALSE;
  description.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(description.lfFaceName, row->fontName.c_str(), LF_FACESIZE);

  CHOOSEFONTW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpLogFont = &description;
  dialog.Flags = CF_INITTOLOGFONTSTRUCT | CF_SCREENFONTS;
  if (row->kind == PropertyKind::FontWithColour) {
    dialog.Flags |= CF_EFFECTS;
    dialog.rgbColors = row->fontColour;
  }
  if (!ChooseFontW(&dialog)) return false;
  // The face name is a fixed array that need not be terminated at its end.
  size_t length = 0;
  while (length < LF_FACESIZE && description.lfFaceName[length]) ++length;
  chosen->name.assign(description.lfFaceName, length);
  chosen->size = dialog.iPointSize > 0 ? (dialog.iPointSize + 5) / 10 : row->fontSize;
  chosen->style = (description.lfWeight >= FW_BOLD ? kPropertyFontBold : 0) |
                  (description.lfItalic ? kPropertyFontItalic : 0) |
                  (description.lfUnderline ? kPropertyFontUnderline : 0) |
                  (description.lfStrikeOut ? kPropertyFontStrikeOut : 0);
  chosen->colour = row->kind == PropertyKind::FontWithColour ? dialog.rgbColors : row->fontColour;
  return true;
}

bool ChooseFile(HWND owner, PropertyRow* row, std::wstring* chosen) {
  std::vector<wchar_t> buffer(kFileBufferLength, L'\0');
  if (row->fileName.size() < buffer.size()) row->fileName.copy(buffer.data(), row->fileName.size());
  const std::wstring filter = DialogFilter(row->filePattern);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrTitle = row->fileTitle.empty() ? nullptr : row->fileTitle.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  // FNERR_BUFFERTOOSMALL lands here as well: nothing is stored.
  if (!GetOpenFileNameW(&dialog)) return false;
  size_t length = 0;
  while (length < buffer.size() && buffer[length]) ++length;
  if (length == buffer.size()) return false;
  chosen->assign(buffer.data(), length);
  return true;
}

int CALLBACK FolderDialogStarted(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

bool ChooseFolder(HWND owner, PropertyRow* row, std::wstring* chosen) {
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.lpszTitle = row->fileTitle.empty() ? nullptr : row->fileTitle.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = FolderDialogStarted;
  browse.lParam = row->folder.empty() ? 0 : reinterpret_cast<LPARAM>(row->folder.c_str());
  PIDLIST_ABSOLUTE chosenItem = SHBrowseForFolderW(&browse);
  if (!chosenItem) return false;
  wchar_t path[MAX_PATH + 1] = {};
  const bool found = SHGetPathFromIDListW(chosenItem, path) != FALSE;
  CoTaskMemFree(chosenItem);
  if (!found) return false;
  size_t length = 0;
  while (length < MAX_PATH && path[length]) ++length;
  chosen->assign(path, length);
  return true;
}

// The owner's say on a new value (event 3, value column); false when it
// refused, the row went, or the box was freed.
bool OwnerAllows(PropertyBox* box, PropertyRow* row, const std::wstring& text, bool* alive) {
  HWND window = box->window;
  const int index = IndexOf(box, row);
  if (index < 0) return false;
  const int32_t answer = RaiseOwnerEvent(box, PropertyEvent::TextChanging, index + 65536 * kValueColumn,
                                         reinterpret_cast<intptr_t>(text.c_str()));
  *alive = BoxAlive(window, box);
  return *alive && answer != 0 && IndexOf(box, row) >= 0;
}

}  // namespace

bool OpenValueEditor(PropertyBox* box, PropertyRow* row) {
  if (row->kind < PropertyKind::Colour) return true;
  HWND window = box->window;
  const int g = GridRowOf(box, row);
  RECT cell{};
  if (g >= 0) {
    cell = GridCellRect(box, g, kValueColumn);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&cell), 2);
  }
  const int32_t answer = RaiseOwnerEvent(box, PropertyEvent::ValueButton, IndexOf(box, row),
                                         reinterpret_cast<intptr_t>(&cell));
  if (!BoxAlive(window, box)) return false;
  if (answer == 0 || IndexOf(box, row) < 0) return true;

  // While a dialog is open the owner's code may run (timers, other windows)
  // and free the box or the row; each result is checked against that.
  bool alive = true;
  bool stored = false;
  switch (row->kind) {
    case PropertyKind::Colour: {
      COLORREF colour = 0;
      if (!ChooseColour(window, row, &colour)) break;
      if (!BoxAlive(window, box)) return false;
      if (IndexOf(box, row) < 0 || colour == row->colour) break;
      if (!OwnerAllows(box, row, std::to_wstring(colour), &alive)) break;
      row->colour = colour;
      stored = true;
      break;
    }
    case PropertyKind::FontWithColour:
    case PropertyKind::Font: {
      FontChoice font;
      if (!ChooseFontFor(window, row, &font)) break;
      if (!BoxAlive(window, box)) return false;
      if (IndexOf(box, row) < 0 || font.name.empty()) break;
      if (font.name == row->fontName && font.size == row->fontSize && font.style == row->fontStyle &&
          font.colour == row->fontColour)
        break;
      if (!OwnerAllows(box, row, font.name, &alive)) break;
      row->fontName = std::move(font.name);
      row->fontSize = font.size;
      row->fontStyle = font.style;
      row->fontColour = font.colour;
      stored = true;
      break;
    }
    case PropertyKind::File: {
      std::wstring file;
      if (!ChooseFile(window, row, &file)) break;
      if (!BoxAlive(window, box)) return false;
      if (IndexOf(box, row) < 0 || file.empty() || file == row->fileName) break;
      if (!OwnerAllows(box, row, file, &alive)) break;
      row->fileName = std::move(file);
      stored = true;
      break;
    }
    case PropertyKind::Folder: {
      std::wstring folder;
      if (!ChooseFolder(window, row, &folder)) break;
      if (!BoxAlive(window, box)) return false;
      if (IndexOf(box, row) < 0 || folder.empty() || folder == L"\\" || folder == row->folder) break;
      if (!OwnerAllows(box, row, folder, &alive)) break;
      row->folder = std::move(folder);
      stored = true;
      break;
    }
    default:
      break;
  }
  if (!alive || !BoxAlive(window, box)) return false;
  if (stored) {
    RedrawGridRow(box, GridRowOf(box, row));
    SetFocus(window);
  }
  return true;
}
