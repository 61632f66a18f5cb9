// The window's look as the user changes it: translucency and the slider, folding to the title
// strip, minimising, and the background-settings panel.
#include "e2e_fixture.h"

#include <commctrl.h>

namespace kestrova::e2e {
namespace {

struct Layered {
  bool ok = false;
  BYTE alpha = 0;
  DWORD flags = 0;
};
Layered layered(HWND w) {
  Layered l;
  COLORREF key = 0;
  l.ok = GetLayeredWindowAttributes(w, &key, &l.alpha, &l.flags) != FALSE;
  return l;
}

class Appearance : public Running {
 protected:
  // Shows the background-settings panel as a user does, with the picture button in the title
  // strip, and returns the slider on it.
  HWND showPanel() {
    HWND panel = control(Ctl::分组框1);
    HWND button = control(Ctl::图形按钮4);
    if (!panel || !button) return nullptr;
    click(centre(button));
    EXPECT_TRUE(waitUntil([&] { return shownOnScreen(panel); })) << "the panel did not show";
    return control(Ctl::滑块条1);
  }
  // Waits until the window's alpha is the expected one; false with the last alpha in seen.
  bool alphaBecomes(int expected, int& seen) {
    return waitUntil([&] {
      seen = layered(main).alpha;
      return seen == expected;
    });
  }
};

TEST_F(Appearance, TheWindowIsLayeredWithAlpha220AtItsFirstShowing) {
  // Read as soon as the window is visible: set before the first show, not by a later tick.
  const Layered l = layered(main);
  const LONG_PTR ex = exStyle(main);
  ASSERT_TRUE(l.ok) << "GetLayeredWindowAttributes failed, error " << GetLastError();
  EXPECT_EQ(l.alpha, 220);
  EXPECT_EQ(l.flags, static_cast<DWORD>(LWA_ALPHA)) << "alpha only, no colour key";
  EXPECT_EQ(ex, WS_EX_LAYERED) << "the extended style is WS_EX_LAYERED alone: " << std::hex << ex;
  // The slider's start position agrees with that alpha: 120 + 100.
  HWND slider = control(Ctl::滑块条1);
  ASSERT_TRUE(slider);
  EXPECT_EQ(sliderPosition(slider), 120);
}

// The slider's geometry at its height of 8 pixels: the track runs from 4 pixels in from either
// end, in rows 1 to 4; the thumb is 3 pixels wide over rows 2 to 5 and its left edge moves over
// the track less the thumb's width.
constexpr int kTrackInset = 4;
constexpr int kTrackRow = 3;
constexpr int kThumbWidth = 3;

POINT onTrack(HWND slider, int x) {
  const Rect r = screenRect(slider);
  return {r.left + x, r.top + kTrackRow};
}
POINT trackLeftEnd(HWND slider) {
  return onTrack(slider, kTrackInset + 2);
}
POINT trackRightEnd(HWND slider) {
  return onTrack(slider, screenRect(slider).width - kTrackInset - 2);
}
POINT thumbAt(HWND slider, int position) {
  const int travel = screenRect(slider).width - 2 * kTrackInset - kThumbWidth;
  const auto& s = kestrova::slider();
  return onTrack(slider, kTrackInset + travel * (position - s.minimum) / (s.maximum - s.minimum) +
                             kThumbWidth / 2);
}

TEST_F(Appearance, AClickOnTheSliderTrackPagesBy5AndSetsAlphaToPositionPlus100) {
  HWND slider = showPanel();
  ASSERT_TRUE(slider);
  // A click beside the thumb moves it one page toward the click.
  struct Step {
    const char* where;
    POINT at;
    int position;
  };
  const Step steps[] = {
      {"right", trackRightEnd(slider), 125}, {"right", trackRightEnd(slider), 130},
      {"left", trackLeftEnd(slider), 125},   {"left", trackLeftEnd(slider), 120},
      {"left", trackLeftEnd(slider), 115},
  };
  for (const Step& s : steps) {
    click(s.at);
    EXPECT_TRUE(waitUntil([&] { return sliderPosition(slider) == s.position; }))
        << "a click on the " << s.where << " of the track left the slider at "
        << sliderPosition(slider) << ", expected " << s.position;
    int seen = 0;
    EXPECT_TRUE(alphaBecomes(s.position + 100, seen))
        << "slider at " << s.position << ": alpha " << seen << ", expected " << s.position + 100;
    // Every move rewrites the extended style as WS_EX_LAYERED alone before the alpha.
    EXPECT_EQ(exStyle(main), WS_EX_LAYERED);
  }
}

TEST_F(Appearance, DraggingTheSliderThumbSetsAlphaToPositionPlus100AtBothEnds) {
  HWND slider = showPanel();
  ASSERT_TRUE(slider);
  const Rect r = screenRect(slider);
  // Dragged past either end of the track the thumb stops at the slider's minimum or maximum.
  struct Drag {
    const char* to;
    int toX;
    int position;
  };
  const Drag drags[] = {{"past the right end", r.left + r.width + 40, 155},
                        {"past the left end", r.left - 40, 1},
                        {"past the right end", r.left + r.width + 40, 155}};
  int from = sliderPosition(slider);
  for (const Drag& d : drags) {
    const POINT thumb = thumbAt(slider, from);
    drag(thumb, {d.toX, thumb.y}, 12);
    EXPECT_TRUE(waitUntil([&] { return sliderPosition(slider) == d.position; }))
        << "a drag " << d.to << " from " << from << " left the slider at " << sliderPosition(slider)
        << ", expected " << d.position;
    int seen = 0;
    EXPECT_TRUE(alphaBecomes(d.position + 100, seen))
        << "slider at " << d.position << ": alpha " << seen << ", expected " << d.position + 100;
    // Still layered when opaque, and the extended style is rewritten as WS_EX_LAYERED alone.
    EXPECT_EQ(exStyle(main), WS_EX_LAYERED);
    from = sliderPosition(slider);
  }
}

TEST_F(Appearance, KeysOnTheFocusedSliderMoveItAndSetAlphaToPositionPlus100) {
  HWND slider = showPanel();
  ASSERT_TRUE(slider);
  // A click on the track gives the slider the focus (and pages once).
  click(trackRightEnd(slider));
  ASSERT_TRUE(waitUntil([&] {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui) &&
           gui.hwndFocus == slider;
  })) << "the slider did not take the focus";
  ASSERT_TRUE(waitUntil([&] { return sliderPosition(slider) == 125; })) << sliderPosition(slider);
  // Arrows step by the line size 1, Page Down/Up by the page size 5, End/Home to the ends.
  struct Key {
    const char* name;
    WORD vk;
    int position;
  };
  const Key keys[] = {{"Right", VK_RIGHT, 126},   {"Right", VK_RIGHT, 127},
                      {"Left", VK_LEFT, 126},     {"Page Down", VK_NEXT, 131},
                      {"Page Up", VK_PRIOR, 126}, {"Page Up", VK_PRIOR, 121},
                      {"End", VK_END, 155},       {"Home", VK_HOME, 1},
                      {"Left", VK_LEFT, 1},       {"Right", VK_RIGHT, 2}};
  for (const Key& k : keys) {
    pressKey(k.vk);
    EXPECT_TRUE(waitUntil([&] { return sliderPosition(slider) == k.position; }))
        << k.name << " left the slider at " << sliderPosition(slider) << ", expected "
        << k.position;
    int seen = 0;
    EXPECT_TRUE(alphaBecomes(k.position + 100, seen))
        << "slider at " << k.position << " after " << k.name << ": alpha " << seen << ", expected "
        << k.position + 100;
  }
}

TEST_F(Appearance, TheFoldButtonFoldsTo24AndUnfoldsTo580InPlace) {
  HWND fold = control(Ctl::图形按钮1);
  ASSERT_TRUE(fold);
  const Rect unfolded = screenRect(main);
  ASSERT_EQ(unfolded.height, 580);
  const Rect folded{unfolded.left, unfolded.top, unfolded.width, 24};
  for (const Rect& expected : {folded, unfolded, folded, unfolded}) {
    click(centre(fold));  // the button lies in the title strip, seen at both heights
    EXPECT_TRUE(waitUntil([&] { return screenRect(main) == expected; }))
        << "outer height " << screenRect(main).height << " at " << screenRect(main).left << ","
        << screenRect(main).top << ", expected " << expected.height;
  }
  EXPECT_TRUE(shownOnScreen(main));
}

TEST_F(Appearance, FoldingKeepsAShownPanelShown) {
  HWND panel = control(Ctl::分组框1);
  HWND fold = control(Ctl::图形按钮1);
  ASSERT_TRUE(panel && fold && showPanel());
  click(centre(fold));
  ASSERT_TRUE(waitUntil([&] { return screenRect(main).height == 24; }));
  EXPECT_TRUE(ownVisible(panel));
  click(centre(fold));
  ASSERT_TRUE(waitUntil([&] { return screenRect(main).height == 580; }));
  EXPECT_TRUE(shownOnScreen(panel));
}

TEST_F(Appearance, ThePanelButtonTogglesThePanelAndItsCloseButtonHidesIt) {
  HWND panel = control(Ctl::分组框1);
  HWND toggle = control(Ctl::图形按钮4);
  HWND close = control(Ctl::超级按钮3);
  ASSERT_TRUE(panel && toggle && close);
  ASSERT_FALSE(shownOnScreen(panel));
  for (bool expected : {true, false, true}) {
    click(centre(toggle));
    EXPECT_TRUE(waitUntil([&] { return shownOnScreen(panel) == expected; }))
        << "after a click on 图形按钮4 the panel should be " << (expected ? "shown" : "hidden");
  }
  ASSERT_TRUE(shownOnScreen(close));
  EXPECT_EQ(text(close), "确定关闭");
  click(centre(close));
  EXPECT_TRUE(waitUntil([&] { return !shownOnScreen(panel); })) << "超级按钮3 left the panel shown";
  // And the toggle shows it again from there.
  click(centre(toggle));
  EXPECT_TRUE(waitUntil([&] { return shownOnScreen(panel); }));
}

TEST_F(Appearance, TheMinimiseButtonMinimisesTheWindow) {
  HWND button = control(Ctl::图形按钮5);
  ASSERT_TRUE(button);
  ASSERT_FALSE(IsIconic(main));
  click(centre(button));
  EXPECT_TRUE(waitUntil([&] { return IsIconic(main) != FALSE; })) << "not minimised";
  EXPECT_TRUE(program.running());
}

}  // namespace
}  // namespace kestrova::e2e
