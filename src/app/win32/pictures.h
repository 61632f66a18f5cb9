// The picture buttons' pictures: JPEG glyphs stored as RCDATA resources, decoded once with the
// system's own picture loader (OleLoadPicture) into bitmaps that live as long as this object.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "app/layout.h"
#include "app/win32/gdi.h"

namespace kestrova::win {

struct Picture {
  Bitmap bitmap;  // compatible with the screen; empty if the resource could not be decoded
  SIZE size{0, 0};
};

enum class PictureState : unsigned char { normal, mouseOver, pressed, disabled };

// The four pictures of one button. For every button here the pressed picture is the normal one
// and the disabled picture the mouse-over one.
struct PictureSet {
  const Picture* normal = nullptr;
  const Picture* mouseOver = nullptr;
  const Picture* pressed = nullptr;
  const Picture* disabled = nullptr;

  // The picture of a state; the normal picture stands in for a missing disabled picture.
  const Picture* of(PictureState state) const;
};

// Decodes one RCDATA JPEG resource of `module`; an empty picture if that fails.
Picture loadPicture(HINSTANCE module, int resourceId);

class Pictures {
 public:
  // Decodes the pictures of all four picture buttons from `module`'s resources.
  explicit Pictures(HINSTANCE module);
  Pictures(const Pictures&) = delete;
  Pictures& operator=(const Pictures&) = delete;

  // The pictures of 图形按钮4, 图形按钮1, 图形按钮5 or 图形按钮3; an empty set for any other
  // control.
  PictureSet of(Ctl button) const;

  static constexpr std::size_t kCount = 8;

 private:
  std::array<Picture, kCount> pictures_;
};

}  // namespace kestrova::win
