// Owners for GDI objects and device contexts: each handle is released, and each object selected
// into a DC is put back, when its owner goes out of scope, on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace kestrova::win {

// Owns a pen, brush, font, bitmap or region and deletes it.
template <class Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  ~GdiObject() { reset(); }
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset(Handle handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;

// Selects an object into a DC and selects the previous one back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (old_) SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Saves a DC's state (clipping, colours, modes, origins) and restores it.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
  ~SavedDc() {
    if (id_) RestoreDC(dc_, id_);
  }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC dc_;
  int id_;
};

// A memory DC compatible with another DC (or the screen), deleted on scope exit.
class MemoryDc {
 public:
  explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// The screen's DC (or a window's, from GetDC), released on scope exit.
class WindowDc {
 public:
  explicit WindowDc(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Double buffering: drawing goes into a memory bitmap that covers one rectangle of the target,
// in the target's own coordinates, and is copied to the target in one piece on scope exit.
// If the bitmap cannot be made, drawing goes straight to the target.
class BackBuffer {
 public:
  BackBuffer(HDC target, const RECT& area)
      : target_(target),
        area_(area),
        memory_(target),
        bitmap_(memory_.get() ? CreateCompatibleBitmap(target, width(), height()) : nullptr),
        selection_(bitmap_ ? memory_.get() : target, bitmap_.get()) {
    if (bitmap_) SetWindowOrgEx(memory_.get(), area_.left, area_.top, nullptr);
  }
  ~BackBuffer() {
    if (bitmap_) {
      BitBlt(target_, area_.left, area_.top, width(), height(), memory_.get(), area_.left,
             area_.top, SRCCOPY);
    }
  }
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  HDC dc() const { return bitmap_ ? memory_.get() : target_; }

 private:
  int width() const { return area_.right > area_.left ? area_.right - area_.left : 1; }
  int height() const { return area_.bottom > area_.top ? area_.bottom - area_.top : 1; }

  HDC target_;
  RECT area_;
  MemoryDc memory_;
  Bitmap bitmap_;
  Selection selection_;  // the bitmap in the memory DC; last, so it is undone first
};

}  // namespace kestrova::win
