// The names the program gives its main window and its controls, what the Ui and the toolkit
// address them by, and the form of the layout tables the toolkit builds the window from. The
// tables themselves are the program's (src/app/layout.*).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace kestrova {

// The controls by their layout names. 主窗口 is the main window itself.
enum class Ctl : std::uint8_t {
  标签1,
  图形按钮4,
  图形按钮1,
  图形按钮5,
  图形按钮3,
  高级选择夹1,
  编辑框,
  分组框1,
  编辑框1,
  超级按钮1,
  超级按钮2,
  超级按钮5,
  编辑框2,
  超级按钮4,
  分组框3,
  分组框4,
  分组框2,
  通用对话框1,
  时钟1,
  时间显示时钟,
  标签10,
  滑块条1,
  超级按钮3,
  标签3,
  接收进度条,
  接收透明标签,
  标签2,
  发送进度条,
  发送透明标签,
  总流量标签,
  流量标签,
  标签9,
  CPU进度条,
  CPU透明标签,
  标签4,
  内存进度条,
  内存透明标签,
  透明标签2,
  透明标签1,
  主窗口,
};

inline constexpr std::size_t kControlCount = static_cast<std::size_t>(Ctl::主窗口);
inline constexpr std::size_t index(Ctl c) {
  return static_cast<std::size_t>(c);
}

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

// The layout as the toolkit takes it: what it creates, where, in which order, and how Tab
// moves among the controls.
struct LayoutTables {
  const WindowSpec& window;
  std::span<const ControlSpec> controls;  // in the order of Ctl
  // Parents in creation order, and the children of each, front first.
  std::span<const Ctl> containers;
  std::span<const Ctl> (*stacking)(Ctl parent);
  std::span<const EditBoxSpec> editBoxes;
  std::span<const RangeSpec> progressBars;
  const SliderSpec& slider;
  std::span<const TimerSpec> timers;
  // The control that Tab (Shift+Tab: backward) moves the focus to from `from`.
  std::optional<Ctl> (*nextTabStop)(std::optional<Ctl> from, bool backward,
                                    const std::function<bool(Ctl)>& canTakeFocus);
};

}  // namespace kestrova
