// Small owning wrappers for kernel handles and icons; GDI objects have theirs in
// app/win32/gdi.h. None of them can be copied.
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
struct IconTraits {
  static HICON invalid() { return nullptr; }
  static void close(HICON i) { DestroyIcon(i); }
};

using UniqueHandle = Unique<HANDLE, HandleTraits>;
using UniqueFile = Unique<HANDLE, FileTraits>;
using UniqueIcon = Unique<HICON, IconTraits>;

}  // namespace kestrova::win
