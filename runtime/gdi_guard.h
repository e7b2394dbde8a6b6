// Owners for GDI objects and device contexts.
//
// Painting code makes pens, brushes, fonts, bitmaps and memory DCs for every
// cell it draws; each of them lives in one of these guards so that it is gone
// before the next cell, whichever way the painting code leaves. Guards are
// movable but never copied (two owners would delete twice). Destruction runs
// in reverse order of declaration, so declare an object before the selection
// that puts it into a DC: the selection is undone first, then the object is
// deleted (deleting a selected object fails silently and leaks it).
#pragma once

#include <windows.h>

#include <utility>

// A GDI object deleted with DeleteObject: HFONT, HBRUSH, HPEN, HBITMAP, HRGN.
template <typename Handle>
class ScopedGdiObject {
 public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(Handle handle) : handle_(handle) {}
  ~ScopedGdiObject() { Reset(); }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
  ScopedGdiObject(ScopedGdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle Release() { return std::exchange(handle_, nullptr); }
  void Reset(Handle handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedPen = ScopedGdiObject<HPEN>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedRegion = ScopedGdiObject<HRGN>;

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
class ScopedMemoryDC {
 public:
  ScopedMemoryDC() = default;
  explicit ScopedMemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~ScopedMemoryDC() { Reset(); }
  ScopedMemoryDC(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC(ScopedMemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
  ScopedMemoryDC& operator=(ScopedMemoryDC&& other) noexcept {
    if (this != &other) {
      Reset();
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }

  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void Reset() {
    if (dc_) DeleteDC(dc_);
    dc_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
};

// A window DC from GetDC, given back with ReleaseDC.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedGetDC() { Reset(); }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  ScopedGetDC(ScopedGetDC&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  ScopedGetDC& operator=(ScopedGetDC&& other) noexcept {
    if (this != &other) {
      Reset();
      window_ = other.window_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }

  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  void Reset() {
    if (dc_) ReleaseDC(window_, dc_);
    dc_ = nullptr;
  }
  HWND window_;
  HDC dc_;
};

// One object selected into a DC; the previous object comes back at the end.
class ScopedSelect {
 public:
  ScopedSelect() = default;
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {
    if (!previous_ || previous_ == HGDI_ERROR) dc_ = nullptr;
  }
  ~ScopedSelect() { Restore(); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  ScopedSelect(ScopedSelect&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  ScopedSelect& operator=(ScopedSelect&& other) noexcept {
    if (this != &other) {
      Restore();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }

  // Puts the previous object back now, e.g. to hand a bitmap to someone
  // else while the DC lives on.
  void Restore() {
    if (dc_) SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// BeginPaint/EndPaint of one WM_PAINT.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~ScopedPaint() { End(); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  ScopedPaint(ScopedPaint&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), paint_(other.paint_), dc_(std::exchange(other.dc_, nullptr)) {}
  ScopedPaint& operator=(ScopedPaint&& other) noexcept {
    if (this != &other) {
      End();
      window_ = std::exchange(other.window_, nullptr);
      paint_ = other.paint_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }

  HDC Get() const { return dc_; }
  const PAINTSTRUCT& Info() const { return paint_; }

 private:
  void End() {
    if (window_) EndPaint(window_, &paint_);
    window_ = nullptr;
    dc_ = nullptr;
  }
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};
