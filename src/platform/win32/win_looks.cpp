#include "platform/win32/win_looks.h"

#include <windows.h>

#include <commctrl.h>

namespace kestrova {
namespace {

HWND toHwnd(NativeHandle h) {
  return reinterpret_cast<HWND>(h);
}

}  // namespace

void WinBarColour::set(NativeHandle bar, ColourRef colour) {
  SendMessageA(toHwnd(bar), PBM_SETBARCOLOR, 0, static_cast<LPARAM>(colour));
}

void WinTransparency::apply(NativeHandle window, std::uint8_t alpha) {
  // Written as the whole extended style, not added to it.
  SetWindowLongA(toHwnd(window), GWL_EXSTYLE, WS_EX_LAYERED);
  SetLayeredWindowAttributes(toHwnd(window), 0, alpha, LWA_ALPHA);
}

}  // namespace kestrova
