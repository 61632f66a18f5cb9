#include "app/appearance.h"

#include <algorithm>

#include "app/layout.h"

namespace kestrova {

void applyTransparency(Ui& ui, std::uint8_t alpha) {
  ui.applyTransparency(ui.handle(Ctl::主窗口), alpha);
}

void transparencyFromSlider(Ui& ui) {
  // The slider keeps its position within its range; the clamp only guards the 8-bit alpha.
  const int p = std::clamp(ui.position(Ctl::滑块条1), slider().minimum, slider().maximum);
  applyTransparency(ui, static_cast<std::uint8_t>(p + kSliderAlphaOffset));
}

void foldOrUnfold(Ui& ui) {
  ui.setOuterHeight(ui.outerHeight() == kFoldedHeight ? kUnfoldedHeight : kFoldedHeight);
}

void minimiseIfVisible(Ui& ui) {
  if (ui.visible(Ctl::主窗口)) ui.minimise();
}

void togglePanel(Ui& ui) {
  ui.setVisible(Ctl::分组框1, !ui.visible(Ctl::分组框1));
}

void hidePanel(Ui& ui) {
  ui.setVisible(Ctl::分组框1, false);
}

}  // namespace kestrova
