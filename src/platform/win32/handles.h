// Small owning wrappers for Win32 handles and GDI objects. None of them can be copied.
#pragma once

#include <windows.h>

#include <utility>

namespace kestrova::win {

template <typename H, typename Traits>
class Unique {
 public:
  Unique() = default;
  explicit Unique(H h) : h_(h) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
  Unique& operator=(Unique&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::invalid()));
    return *this;
  }
  ~Unique() { reset(); }

  H get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::invalid(); }
  H release() { return std::exchange(h_, Traits::invalid()); }
  void reset(H h = Traits::invalid()) {
    if (h_ != Traits::invalid()) Traits::close(h_);
    h_ = h;
  }
  // For out-parameters: frees the old handle and hands out the slot.
  H* put() {
    reset();
    return &h_;
  }

 private:
  H h_ = Traits::invalid();
};

struct HandleTraits {
  static HANDLE invalid() { return nullptr; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct FileTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { CloseHandle(h); }
};
template <typename G>
struct GdiTraits {
  static G invalid() { return nullptr; }
  static void close(G g) { DeleteObject(g); }
};
struct DcTraits {
  static HDC invalid() { return nullptr; }
  static void close(HDC dc) { DeleteDC(dc); }
};
struct IconTraits {
  static HICON invalid() { return nullptr; }
  static void close(HICON i) { DestroyIcon(i); }
};

using UniqueHandle = Unique<HANDLE, HandleTraits>;
using UniqueFile = Unique<HANDLE, FileTraits>;
using UniqueFont = Unique<HFONT, GdiTraits<HFONT>>;
using UniqueBrush = Unique<HBRUSH, GdiTraits<HBRUSH>>;
using UniquePen = Unique<HPEN, GdiTraits<HPEN>>;
using UniqueBitmap = Unique<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueMemoryDc = Unique<HDC, DcTraits>;
using UniqueIcon = Unique<HICON, IconTraits>;

// Selects an object into a DC for one scope and puts the old one back.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;
  ~SelectObjectScope() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace kestrova::win
