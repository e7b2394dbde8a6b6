// The About dialog: the logo (a link to the web site), the version and the
// credit line.
//
// The logo is a premultiplied 32 bpp bitmap; a static control's own SS_BITMAP
// drawing would BitBlt it and turn its transparent edge black, so the static
// is owner-drawn and the bitmap alpha-blended onto the dialog's face.
#include <windows.h>

#include "app/dialog_common.h"
#include "app/dialog_ids.h"
#include "app/dialogs.h"
#include "app/images.h"

namespace {

constexpr wchar_t kWebSite[] = L"https://quorvel.example/";
constexpr int kLogoWidth = 200;
constexpr int kLogoHeight = 108;

// A memory DC compatible with `dc`, deleted with the guard.
class MemoryDc {
 public:
  explicit MemoryDc(HDC dc) : dc_(CreateCompatibleDC(dc)) {}
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelect() {
    if (previous_) SelectObject(dc_, previous_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

SIZE LogoSize() {
  BITMAP info{};
  if (ImageLogo() && GetObjectW(ImageLogo(), sizeof(info), &info))
    return {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
  return {kLogoWidth, kLogoHeight};
}

void DrawLogo(const DRAWITEMSTRUCT* item) {
  FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
  HBITMAP logo = ImageLogo();
  if (!logo) return;
  const SIZE size = LogoSize();
  MemoryDc memory(item->hDC);
  if (!memory.get()) return;
  ScopedSelect select(memory.get(), logo);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(item->hDC, 0, 0, size.cx, size.cy, memory.get(), 0, 0, size.cx, size.cy, blend);
}

bool AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != static_cast<UINT>(dialog_id::kAboutLogo)) return false;
      DrawLogo(item);
      *result = TRUE;
      return true;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == GetDlgItem(dialog, dialog_id::kAboutLogo)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        *result = TRUE;
        return true;
      }
      return false;
    case WM_COMMAND:
      if (LOWORD(wParam) == dialog_id::kAboutLogo && HIWORD(wParam) == STN_CLICKED) {
        OpenWebAddress(kWebSite);
        *result = 0;
        return true;
      }
      if (LOWORD(wParam) == IDOK) {
        CloseDialog(dialog);
        *result = 0;
        return true;
      }
      return false;
  }
  return false;
}

}  // namespace

void OpenAboutDialog(HWND mainWindow) {
  DialogFrame frame;
  frame.kind = DialogKind::About;
  frame.title = L"About";
  frame.clientWidth = 430;
  frame.clientHeight = 253;
  frame.defaultId = IDOK;
  frame.handler = AboutProc;
  HWND dialog = CreateDialogFrame(mainWindow, frame);
  if (!dialog) return;

  const SIZE logo = LogoSize();
  AddControl(dialog, L"STATIC", L"", SS_OWNERDRAW | SS_NOTIFY, 20, 20, logo.cx, logo.cy,
             dialog_id::kAboutLogo);
  AddControl(dialog, L"STATIC",
             L"Quorvel\r\nVersion: 1.3\r\n\r\nWritten by the Quorvel developers - quorvel.example",
             SS_LEFT | SS_NOPREFIX, 20, 140, 300, 70, dialog_id::kAboutText);
  HWND ok = AddControl(dialog, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 20, 220, 80, 25, IDOK);
  ShowDialogFrame(dialog, ok);
}
