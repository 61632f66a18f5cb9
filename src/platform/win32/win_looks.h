// Win32 bar colours and window transparency.
#pragma once

#include "platform/looks.h"

namespace kestrova {

// PBM_SETBARCOLOR. An unthemed bar shows the colour; a bar drawn by visual styles ignores it.
class WinBarColour final : public BarColour {
 public:
  WinBarColour() = default;
  void set(NativeHandle bar, ColourRef colour) override;
};

// The extended style set to WS_EX_LAYERED alone, then a constant alpha with LWA_ALPHA.
class WinTransparency final : public Transparency {
 public:
  WinTransparency() = default;
  void apply(NativeHandle window, std::uint8_t alpha) override;
};

}  // namespace kestrova
