// The main window's layout as data: every control with its kind, parent, place, size,
// initial state and text; the stacking order of each parent; the per-kind settings.
// Includes no Windows header, so the native tests read the same table the program uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "platform/controls.h"

namespace kestrova {

inline constexpr int kUnfoldedHeight = 580;
inline constexpr int kFoldedHeight = 24;

// The tables below, as the toolkit takes them.
const LayoutTables& layoutTables();

const WindowSpec& mainWindowSpec();
std::span<const ControlSpec> controls();  // in the order of Ctl
const ControlSpec& layoutOf(Ctl c);       // c must be a control, not 主窗口
std::span<const EditBoxSpec> editBoxes();
std::span<const RangeSpec> progressBars();
const SliderSpec& slider();
std::span<const TimerSpec> timers();

// Children of one parent, front first.
std::span<const Ctl> stacking(Ctl parent);
// Parents in creation order: the main window first, then the group boxes that hold controls.
std::span<const Ctl> containers();

// The controls that Tab and Shift+Tab move the focus among, in the order Tab visits them.
std::span<const Ctl> tabOrder();
// The control that Tab (Shift+Tab: backward) moves the focus to from `from`: the next one in
// the tab order that can take the focus now, going round the end. From a control outside the
// order, or none, Tab starts at the first and Shift+Tab at the last. nullopt if none can.
std::optional<Ctl> nextTabStop(std::optional<Ctl> from, bool backward,
                               const std::function<bool(Ctl)>& canTakeFocus);

}  // namespace kestrova
