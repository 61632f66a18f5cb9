// Every windowed control of the layout as it is on screen at start-up: its place
// in its parent, its class of control, its text, visibility and enabled state, and the
// stacking order of each parent. The expected values come from src/app/layout.cpp.
#include "e2e_fixture.h"

#include <vector>

namespace kestrova::e2e {
namespace {

using Controls = Running;

std::vector<ControlSpec> windowedControls() {
  std::vector<ControlSpec> out;
  for (const auto& c : controls()) {
    if (isWindowed(c.kind)) out.push_back(c);
  }
  return out;
}

// The system class of each kind, and the style bits that tell its variety.
struct KindLook {
  const char* cls;
  LONG_PTR mask;
  LONG_PTR value;
};
KindLook lookOf(Kind k) {
  switch (k) {
    case Kind::label:
    case Kind::transparentLabel:
      return {"Static", 0, 0};
    case Kind::groupBox:
      return {"Button", BS_TYPEMASK, BS_GROUPBOX};
    case Kind::editBox:
      return {"Edit", 0, 0};
    case Kind::progressBar:
      return {"msctls_progress32", 0, 0};
    case Kind::sliderBar:
      return {"msctls_trackbar32", 0, 0};
    case Kind::tabControl:
      return {"SysTabControl32", 0, 0};
    case Kind::pictureButton:
    case Kind::superButton:
      return {"Button", BS_TYPEMASK, BS_OWNERDRAW};
    default:
      return {"", 0, 0};
  }
}

TEST_F(Controls, ThirtySixWindowedControlsExistEachInItsParent) {
  const auto all = windowedControls();
  EXPECT_EQ(all.size(), 36u);
  for (const auto& c : all) {
    HWND w = control(c.id);
    if (!w) continue;
    EXPECT_EQ(parentOf(w), parentWindow(c.id))
        << c.name << " is not a child of " << layoutOf(c.parent).name;
  }
}

TEST_F(Controls, EachSitsAtItsPlaceInItsParent) {
  for (const auto& c : windowedControls()) {
    HWND w = control(c.id);
    if (!w) continue;
    EXPECT_EQ(rectInParent(w), (Rect{c.left, c.top, c.width, c.height}))
        << c.name << " at " << rectInParent(w).left << "," << rectInParent(w).top << " size "
        << rectInParent(w).width << "x" << rectInParent(w).height;
  }
}

TEST_F(Controls, EachIsOfItsClassOfControl) {
  for (const auto& c : windowedControls()) {
    HWND w = control(c.id);
    if (!w) continue;
    const KindLook look = lookOf(c.kind);
    EXPECT_EQ(className(w), look.cls) << c.name;
    EXPECT_EQ(style(w) & look.mask, look.value) << c.name << " style " << std::hex << style(w);
    EXPECT_TRUE(style(w) & WS_CHILD) << c.name;
  }
}

// The readouts that the monitor writes: the start-time label before
// the first show, the others from the first tick on. Their texts
// are checked by the monitor's tests; every other control keeps its layout text at start-up.
bool writtenByTheMonitor(Ctl c) {
  switch (c) {
    case Ctl::接收透明标签:
    case Ctl::发送透明标签:
    case Ctl::CPU透明标签:
    case Ctl::内存透明标签:
    case Ctl::流量标签:
    case Ctl::透明标签2:
    case Ctl::透明标签1:
      return true;
    default:
      return false;
  }
}

// The style bits that make each edit box what it is: the console box many lines with a
// scroll bar and a frame, the host box one line that scrolls sideways, the note centred.
TEST_F(Controls, EachEditBoxHasTheStyleOfItsUse) {
  constexpr LONG_PTR kMask = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_AUTOHSCROLL |
                             ES_CENTER | ES_RIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
  const struct {
    Ctl box;
    LONG_PTR style;
  } cases[] = {
      {Ctl::编辑框, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP},
      {Ctl::编辑框1, ES_AUTOHSCROLL | WS_TABSTOP},
      {Ctl::编辑框2, ES_AUTOHSCROLL | ES_CENTER | WS_TABSTOP},
  };
  for (const auto& c : cases) {
    HWND w = control(c.box);
    ASSERT_NE(w, nullptr) << layoutOf(c.box).name;
    EXPECT_EQ(style(w) & kMask, c.style)
        << layoutOf(c.box).name << " style " << std::hex << style(w);
  }
}

TEST_F(Controls, EachShowsItsTextReadBackThroughTheWideCalls) {
  int checked = 0;
  for (const auto& c : windowedControls()) {
    if (writtenByTheMonitor(c.id)) continue;
    HWND w = control(c.id);
    if (!w) continue;
    EXPECT_EQ(text(w), c.text) << c.name;
    ++checked;
  }
  EXPECT_EQ(checked, 29);
}

TEST_F(Controls, TheStartTimeReadoutIsChineseTextAfterTheFirstShow) {
  // Written by the creation set-up before the window was shown, so it already differs from
  // the layout's placeholder; read back as UTF-8 whatever the ANSI code page.
  HWND w = control(Ctl::透明标签2);
  ASSERT_TRUE(w);
  const std::string t = text(w);
  EXPECT_NE(t, layoutOf(Ctl::透明标签2).text);
  EXPECT_NE(t.find("启动时间"), std::string::npos) << t;
}

TEST_F(Controls, EachHasItsVisibilityAndEnabledState) {
  for (const auto& c : windowedControls()) {
    HWND w = control(c.id);
    if (!w) continue;
    EXPECT_EQ(ownVisible(w), c.visible) << c.name;
    EXPECT_EQ(enabled(w), c.enabled) << c.name;
    // Seen only when it and every window that holds it are shown.
    EXPECT_EQ(shownOnScreen(w),
              c.visible && layoutOf(c.parent == Ctl::主窗口 ? c.id : c.parent).visible)
        << c.name;
  }
}

TEST_F(Controls, EachParentStacksItsChildrenInTheLayoutOrder) {
  for (Ctl parent : containers()) {
    HWND p = parent == Ctl::主窗口 ? main : control(parent);
    if (!p) continue;
    std::vector<std::string> expected, actual;
    for (Ctl c : stacking(parent)) expected.emplace_back(layoutOf(c).name);
    for (HWND w : childrenFrontToBack(p)) {
      const int id = GetDlgCtrlID(w) - 1000;
      actual.push_back(id >= 0 && id < static_cast<int>(kControlCount)
                           ? std::string(layoutOf(static_cast<Ctl>(id)).name)
                           : "window of class " + className(w));
    }
    EXPECT_EQ(actual, expected) << "children of "
                                << (parent == Ctl::主窗口 ? std::string("the main window")
                                                          : std::string(layoutOf(parent).name))
                                << ", front first";
  }
}

TEST_F(Controls, RunIsVisibleAndStopIsHiddenAtTheSamePlace) {
  HWND run = control(Ctl::超级按钮1);
  HWND stop = control(Ctl::超级按钮2);
  ASSERT_TRUE(run && stop);
  EXPECT_TRUE(shownOnScreen(run));
  EXPECT_FALSE(shownOnScreen(stop));
  EXPECT_EQ(text(run), "运行");
  EXPECT_EQ(text(stop), "停止");
  EXPECT_EQ(rectInParent(run), rectInParent(stop));
}

TEST_F(Controls, TheBackgroundPanelIsHiddenWithEverythingInIt) {
  HWND panel = control(Ctl::分组框1);
  ASSERT_TRUE(panel);
  EXPECT_FALSE(shownOnScreen(panel));
  for (Ctl c : stacking(Ctl::分组框1)) {
    if (HWND w = control(c)) {
      EXPECT_FALSE(shownOnScreen(w)) << layoutOf(c).name;
    }
  }
}

}  // namespace
}  // namespace kestrova::e2e
