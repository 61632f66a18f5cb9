// The program's looks on Win32: answers the toolkit's drawing hooks with the draw functions
// and the look table, and owns the pictures, the tab font and the brushes they need.
#pragma once

#include <windows.h>

#include <array>

#include "app/looks.h"
#include "app/win32/draw.h"
#include "app/win32/pictures.h"
#include "platform/win32/toolkit.h"

namespace kestrova::win {

class LookPainter final : public Painter {
 public:
  explicit LookPainter(HINSTANCE module);

  void configure(Ctl c, HWND h) override;
  bool drawItem(Ctl c, const DRAWITEMSTRUCT& item) override;
  HBRUSH controlColour(Ctl c, HDC dc) override;
  bool paint(Ctl c, HWND h) override;
  bool printClient(Ctl c, HWND h, HDC dc) override;
  bool eraseBackground(Ctl c, HWND h, HDC dc) override;
  bool paints(Ctl c, HWND h) override;
  void hoverChanged(Ctl c, HWND h, bool over) override;
  void mouseMoved(Ctl c, HWND h, POINT client) override;
  bool setCursor(Ctl c) override;
  void changed(Ctl c, HWND h) override;

 private:
  // Paints a control of a painted kind into dc; false for the other kinds.
  bool paintInto(Ctl c, HWND h, HDC dc);

  Pictures pictures_;
  Font tabFont_;
  BrushCache brushes_;
  std::array<bool, kControlCount> hover_{};
  int hotTab_ = -1;
};

}  // namespace kestrova::win
