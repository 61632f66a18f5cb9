// The commands that change the main window's look: transparency, fold, minimise and the
// background-settings panel. The window and its controls hold all of their state.
#pragma once

#include <cstdint>

#include "platform/ui.h"

namespace kestrova {

// The window's alpha from start-up until the slider first moves: the slider's initial
// position 120 plus the slider's offset.
inline constexpr std::uint8_t kInitialAlpha = 220;
inline constexpr int kSliderAlphaOffset = 100;

// The main window translucent with this alpha.
void applyTransparency(Ui& ui, std::uint8_t alpha);
// Slider moved: alpha = position + 100.
void transparencyFromSlider(Ui& ui);
// Exactly the folded height unfolds; any other height folds.
void foldOrUnfold(Ui& ui);
// Only a visible window is minimised.
void minimiseIfVisible(Ui& ui);
void togglePanel(Ui& ui);
void hidePanel(Ui& ui);

}  // namespace kestrova
