#include "app/layout.h"

#include <array>

namespace kestrova {
namespace {

constexpr auto W = Ctl::主窗口;
constexpr bool shown = true;
constexpr bool hidden = false;
constexpr bool on = true;
constexpr bool off = false;

// clang-format off
constexpr std::array<ControlSpec, kControlCount> kControls{{
  {Ctl::标签1, "标签1", Kind::label, W, 0, 0, 506, 24, shown, on,
   " Kestrova Version1.0测试版 [Kestrova开发组 http://forum.example.org]"},
  {Ctl::图形按钮4, "图形按钮4", Kind::pictureButton, W, 406, 5, 15, 15, shown, on, ""},
  {Ctl::图形按钮1, "图形按钮1", Kind::pictureButton, W, 432, 5, 15, 15, shown, on, ""},
  {Ctl::图形按钮5, "图形按钮5", Kind::pictureButton, W, 455, 8, 22, 12, shown, on, ""},
  {Ctl::图形按钮3, "图形按钮3", Kind::pictureButton, W, 484, 6, 14, 14, shown, on, ""},
  {Ctl::高级选择夹1, "高级选择夹1", Kind::tabControl, W, 0, 24, 504, 428, shown, on, ""},
  {Ctl::编辑框, "编辑框", Kind::editBox, W, 6, 32, 500, 372, shown, on, ""},
  {Ctl::分组框1, "分组框1", Kind::groupBox, W, 327, 32, 160, 72, hidden, on, "背景设置"},
  {Ctl::编辑框1, "编辑框1", Kind::editBox, W, 6, 406, 242, 20, shown, on,
   "输入域名或IP地址 例：www.example.com"},
  {Ctl::超级按钮1, "超级按钮1", Kind::superButton, W, 251, 406, 32, 20, shown, on, "运行"},
  {Ctl::超级按钮2, "超级按钮2", Kind::superButton, W, 251, 406, 32, 20, hidden, on, "停止"},
  {Ctl::超级按钮5, "超级按钮5", Kind::superButton, W, 286, 406, 32, 20, shown, on, "保存"},
  {Ctl::编辑框2, "编辑框2", Kind::editBox, W, 321, 406, 118, 20, shown, off, "其他功能开发中."},
  {Ctl::超级按钮4, "超级按钮4", Kind::superButton, W, 442, 406, 58, 20, shown, on, "清空信息"},
  {Ctl::分组框3, "分组框3", Kind::groupBox, W, 8, 451, 240, 72, shown, on, "网卡流量"},
  {Ctl::分组框4, "分组框4", Kind::groupBox, W, 256, 451, 240, 72, shown, on, "系统信息"},
  {Ctl::分组框2, "分组框2", Kind::groupBox, W, 8, 531, 488, 40, shown, on, "运行时间"},
  {Ctl::通用对话框1, "通用对话框1", Kind::commonDialog, W, 400, 224, 32, 24, hidden, on, ""},
  {Ctl::时钟1, "时钟1", Kind::timer, W, 400, 280, 26, 26, hidden, on, ""},
  {Ctl::时间显示时钟, "时间显示时钟", Kind::timer, W, 424, 344, 26, 24, hidden, on, ""},
  {Ctl::标签10, "标签10", Kind::label, Ctl::分组框1, 8, 22, 36, 16, shown, on, "透明度"},
  {Ctl::滑块条1, "滑块条1", Kind::sliderBar, Ctl::分组框1, 48, 24, 104, 8, shown, on, ""},
  {Ctl::超级按钮3, "超级按钮3", Kind::superButton, Ctl::分组框1, 50, 40, 60, 20, shown, on, "确定关闭"},
  {Ctl::标签3, "标签3", Kind::label, Ctl::分组框3, 5, 15, 24, 17, shown, on, "接收"},
  {Ctl::接收进度条, "接收进度条", Kind::progressBar, Ctl::分组框3, 33, 15, 202, 16, shown, on, ""},
  {Ctl::接收透明标签, "接收透明标签", Kind::transparentLabel, Ctl::分组框3, 60, 16, 80, 14, shown, on, "KB"},
  {Ctl::标签2, "标签2", Kind::label, Ctl::分组框3, 5, 34, 24, 16, shown, on, "发送"},
  {Ctl::发送进度条, "发送进度条", Kind::progressBar, Ctl::分组框3, 33, 33, 202, 16, shown, on, ""},
  {Ctl::发送透明标签, "发送透明标签", Kind::transparentLabel, Ctl::分组框3, 60, 35, 80, 14, shown, on, "KB"},
  {Ctl::总流量标签, "总流量标签", Kind::label, Ctl::分组框3, 4, 52, 44, 16, shown, on, "总流量："},
  {Ctl::流量标签, "流量标签", Kind::label, Ctl::分组框3, 49, 54, 182, 11, shown, on, ""},
  {Ctl::标签9, "标签9", Kind::label, Ctl::分组框4, 7, 15, 25, 17, shown, on, "CPU"},
  {Ctl::CPU进度条, "CPU进度条", Kind::progressBar, Ctl::分组框4, 33, 15, 202, 16, shown, on, ""},
  {Ctl::CPU透明标签, "CPU透明标签", Kind::transparentLabel, Ctl::分组框4, 60, 17, 80, 11, shown, on, "%"},
  {Ctl::标签4, "标签4", Kind::label, Ctl::分组框4, 5, 33, 24, 16, shown, on, "内存"},
  {Ctl::内存进度条, "内存进度条", Kind::progressBar, Ctl::分组框4, 33, 32, 202, 16, shown, on, ""},
  {Ctl::内存透明标签, "内存透明标签", Kind::transparentLabel, Ctl::分组框4, 60, 34, 80, 14, shown, on, "%"},
  {Ctl::透明标签2, "透明标签2", Kind::transparentLabel, Ctl::分组框2, 12, 16, 252, 18, shown, on, "初始化执行中..."},
  {Ctl::透明标签1, "透明标签1", Kind::transparentLabel, Ctl::分组框2, 280, 16, 200, 18, shown, on, "初始化执行中..."},
}};

constexpr std::array kMainStacking{
  Ctl::分组框2, Ctl::超级按钮5, Ctl::超级按钮4, Ctl::图形按钮4, Ctl::分组框1, Ctl::分组框4,
  Ctl::分组框3, Ctl::超级按钮1, Ctl::超级按钮2, Ctl::编辑框2, Ctl::编辑框1, Ctl::图形按钮5,
  Ctl::编辑框, Ctl::高级选择夹1, Ctl::图形按钮3, Ctl::图形按钮1, Ctl::标签1,
};
constexpr std::array kPanelStacking{Ctl::超级按钮3, Ctl::标签10, Ctl::滑块条1};
constexpr std::array kSystemStacking{
  Ctl::内存透明标签, Ctl::内存进度条, Ctl::标签4, Ctl::CPU透明标签, Ctl::CPU进度条, Ctl::标签9,
};
constexpr std::array kTrafficStacking{
  Ctl::发送透明标签, Ctl::发送进度条, Ctl::接收透明标签, Ctl::标签2,
  Ctl::流量标签, Ctl::总流量标签, Ctl::接收进度条, Ctl::标签3,
};
constexpr std::array kTimeStacking{Ctl::透明标签2, Ctl::透明标签1};
constexpr std::array kContainers{W, Ctl::分组框1, Ctl::分组框4, Ctl::分组框3, Ctl::分组框2};
// In the order of the control table: the console box, the console row from left to right
// (编辑框2 is disabled, so Tab passes it by), then the settings panel's slider and button.
constexpr std::array kTabOrder{
  Ctl::编辑框, Ctl::编辑框1, Ctl::超级按钮1, Ctl::超级按钮2, Ctl::超级按钮5, Ctl::编辑框2,
  Ctl::超级按钮4, Ctl::滑块条1, Ctl::超级按钮3,
};

constexpr std::array<EditBoxSpec, 3> kEditBoxes{{
  {Ctl::编辑框, true, 0},
  {Ctl::编辑框1, false, 0},
  {Ctl::编辑框2, false, 0},
}};

constexpr std::array<RangeSpec, 4> kProgressBars{{
  {Ctl::接收进度条, 0, 400, 0},
  {Ctl::发送进度条, 0, 400, 0},
  {Ctl::CPU进度条, 0, 100, 0},
  {Ctl::内存进度条, 0, 100, 0},
}};

constexpr SliderSpec kSlider{Ctl::滑块条1, 1, 155, 120, 5, 1};

constexpr std::array<TimerSpec, 2> kTimers{{
  {Ctl::时钟1, 500},
  {Ctl::时间显示时钟, 1000},
}};
// clang-format on

constexpr WindowSpec kWindow{"Kestrova", 505, 580};

constexpr bool tableInOrder() {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    if (index(kControls[i].id) != i) return false;
  }
  return true;
}
static_assert(tableInOrder(), "the control table must follow the order of Ctl");

}  // namespace

const WindowSpec& mainWindowSpec() {
  return kWindow;
}
std::span<const ControlSpec> controls() {
  return kControls;
}
const ControlSpec& layoutOf(Ctl c) {
  return kControls[index(c)];
}
std::span<const EditBoxSpec> editBoxes() {
  return kEditBoxes;
}
std::span<const RangeSpec> progressBars() {
  return kProgressBars;
}
const SliderSpec& slider() {
  return kSlider;
}
std::span<const TimerSpec> timers() {
  return kTimers;
}
std::span<const Ctl> containers() {
  return kContainers;
}

std::span<const Ctl> tabOrder() {
  return kTabOrder;
}

std::optional<Ctl> nextTabStop(std::optional<Ctl> from, bool backward,
                               const std::function<bool(Ctl)>& canTakeFocus) {
  const std::size_t n = kTabOrder.size();
  // Where the walk starts: just past `from`, or just outside the order's ends.
  std::size_t at = backward ? 0 : n - 1;
  for (std::size_t i = 0; i < n; ++i) {
    if (from && kTabOrder[i] == *from) at = i;
  }
  for (std::size_t step = 1; step <= n; ++step) {
    const std::size_t i = backward ? (at + n - step) % n : (at + step) % n;
    if (canTakeFocus(kTabOrder[i])) return kTabOrder[i];
  }
  return std::nullopt;
}

std::span<const Ctl> stacking(Ctl parent) {
  switch (parent) {
    case Ctl::主窗口:
      return kMainStacking;
    case Ctl::分组框1:
      return kPanelStacking;
    case Ctl::分组框4:
      return kSystemStacking;
    case Ctl::分组框3:
      return kTrafficStacking;
    case Ctl::分组框2:
      return kTimeStacking;
    default:
      return {};
  }
}

const LayoutTables& layoutTables() {
  static const LayoutTables tables{kWindow,       kControls, kContainers, &stacking,   kEditBoxes,
                                   kProgressBars, kSlider,   kTimers,     &nextTabStop};
  return tables;
}

}  // namespace kestrova
