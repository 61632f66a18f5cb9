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

enum class Kind : std::uint8_t {
  label,
  transparentLabel,
  groupBox,
  editBox,
  progressBar,
  sliderBar,
  timer,
  pictureButton,
  superButton,
  tabControl,
  commonDialog,
};

// Kinds that exist as windows (timers and the common dialog do not).
constexpr bool isWindowed(Kind k) {
  return k != Kind::timer && k != Kind::commonDialog;
}

// Kinds on which a left-button press moves the main window instead of reaching the control.
constexpr bool dragsWindow(Kind k) {
  return k == Kind::label || k == Kind::groupBox || k == Kind::progressBar;
}

struct ControlSpec {
  Ctl id;
  std::string_view name;  // the layout name, UTF-8
  Kind kind;
  Ctl parent;  // 主窗口 or a group box
  int left, top, width, height;
  bool visible;
  bool enabled;
  std::string_view text;  // UTF-8
};

struct WindowSpec {
  std::string_view title;
  int width, height;
};

struct EditBoxSpec {
  Ctl id;
  bool multiLine;  // multi-line with vertical scroll bar and wrapping; else one line
  int maxLength;   // 0: the system's largest limit
};

struct RangeSpec {
  Ctl id;
  int minimum, maximum, initial;
};

struct SliderSpec {
  Ctl id;
  int minimum, maximum, initial, pageSize, lineSize;
};

struct TimerSpec {
  Ctl id;
  unsigned intervalMs;
};

inline constexpr int kUnfoldedHeight = 580;
inline constexpr int kFoldedHeight = 24;

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
