// The names the program gives its main window and its controls: what the Ui and the toolkit
// address them by. The layout (src/app/layout.h) says what each one is and where it lies.
#pragma once

#include <cstddef>
#include <cstdint>

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

}  // namespace kestrova
