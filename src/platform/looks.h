// Window operations that change how the main window and its bars look, beyond what the
// toolkit's Ui offers.
#pragma once

#include <cstdint>

#include "platform/ui.h"

namespace kestrova {

// A colour as the system stores it: 0x00BBGGRR.
using ColourRef = std::uint32_t;

class BarColour {
 public:
  virtual ~BarColour() = default;
  // Gives the progress bar its bar colour. The result is not examined.
  virtual void set(NativeHandle bar, ColourRef colour) = 0;
};

class Transparency {
 public:
  virtual ~Transparency() = default;
  // Makes the window layered (that extended style alone) with this constant alpha, 255
  // being opaque. No colour key. The results are not examined.
  virtual void apply(NativeHandle window, std::uint8_t alpha) = 0;
};

}  // namespace kestrova
