// The keyboard among the controls: Tab and Shift+Tab move the focus among the controls that
// can take it now (the visible super buttons, the slider while its panel is shown, the host
// box and the console box; never the disabled 编辑框2 or a hidden control), while Enter and
// Esc keep their own meaning: Enter in the host box starts a ping, Enter in the console box
// starts a new line, Esc does nothing. Space presses a focused super button.
#include <string>
#include <utility>
#include <vector>

#include "e2e_fixture.h"

#include <commctrl.h>

namespace kestrova::e2e {
namespace {

class TabKey : public Running {
 protected:
  // From a folder of the test's own with the ping stand-in first on the path, so that Enter's
  // ping is the stand-in's.
  void beforeStart() override {
    const std::wstring exe = folder.file(L"Kestrova.exe");
    ASSERT_TRUE(CopyFileW(Program::defaultPath().c_str(), exe.c_str(), FALSE))
        << "copying the program: error " << GetLastError();
    ASSERT_TRUE(CopyFileW((fixturesDirectory() + L"\\ping.exe").c_str(),
                          folder.file(L"ping.exe").c_str(), FALSE))
        << "copying the ping stand-in: error " << GetLastError();
    Launch launch;
    launch.workingDirectory = folder.path();
    launch.environment = {{L"PATH", pathWithFixturesFirst()}};
    program.setLaunch(exe, std::move(launch));
  }

  void TearDown() override {
    const DWORD pid = program.pid();
    Running::TearDown();
    EXPECT_TRUE(waitUntil([&] { return descendantsOf(pid, processList()).empty(); }))
        << "left running: " << describe(descendantsOf(pid, processList()));
  }

  // The window that has the keyboard focus in the program's thread, nullptr if none.
  HWND focus() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return nullptr;
    return info.hwndFocus;
  }
  // The layout name of the focused control, or a description of what else has the focus.
  std::string focusName() {
    HWND f = focus();
    if (f == nullptr) return "(none)";
    if (f == main) return "(main window)";
    for (const auto& c : controls()) {
      if (isWindowed(c.kind) && findControl(main, c.id) == f) return std::string(c.name);
    }
    return "(another window)";
  }
  bool focusBecomes(std::string_view name) {
    return waitUntil([&] { return focusName() == name; });
  }

  // Tab, or Shift+Tab, as one input.
  static void tab(bool backward) {
    std::vector<INPUT> in;
    auto key = [&](WORD vk, DWORD flags) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = vk;
      i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
      i.ki.dwFlags = flags;
      in.push_back(i);
    };
    if (backward) key(VK_SHIFT, 0);
    key(VK_TAB, 0);
    key(VK_TAB, KEYEVENTF_KEYUP);
    if (backward) key(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  }

  // Presses Tab (or Shift+Tab) once for each name and checks that the focus reaches each.
  void walk(const std::vector<std::string>& names, bool backward) {
    for (const auto& name : names) {
      tab(backward);
      ASSERT_TRUE(focusBecomes(name)) << (backward ? "Shift+Tab" : "Tab") << " should reach "
                                      << name << ", the focus is on " << focusName();
    }
  }

  void focusTheHostBox() {
    click(centre(control(Ctl::编辑框1)));  // which also empties it
    ASSERT_TRUE(focusBecomes("编辑框1")) << focusName();
  }

  TempFolder folder;
};

TEST_F(TabKey, TabGoesRoundTheConsoleRowAndShiftTabBack) {
  focusTheHostBox();
  walk({"超级按钮1", "超级按钮5", "超级按钮4", "编辑框", "编辑框1"}, false);
  walk({"编辑框", "超级按钮4", "超级按钮5", "超级按钮1", "编辑框1"}, true);
}

TEST_F(TabKey, WithThePanelShownTheSliderAndItsButtonAreReached) {
  click(centre(control(Ctl::图形按钮4)));
  ASSERT_TRUE(waitUntil([&] { return shownOnScreen(control(Ctl::分组框1)); }))
      << "the settings panel did not show";
  focusTheHostBox();
  walk({"超级按钮1", "超级按钮5", "超级按钮4", "滑块条1", "超级按钮3", "编辑框"}, false);
  walk({"超级按钮3", "滑块条1", "超级按钮4"}, true);
  // The slider has the arrow keys as before.
  walk({"滑块条1"}, false);
  HWND slider = control(Ctl::滑块条1);
  const auto pos = [&] {
    DWORD_PTR p = 0;
    SendMessageTimeoutW(slider, TBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &p);
    return static_cast<int>(p);
  };
  const int before = pos();
  pressKey(VK_RIGHT);
  EXPECT_TRUE(waitUntil([&] { return pos() == before + 1; })) << pos();
}

TEST_F(TabKey, TabInTheConsoleBoxTypesNothingAndSpacePressesAFocusedButton) {
  HWND box = control(Ctl::编辑框);
  click(centre(box));
  ASSERT_TRUE(focusBecomes("编辑框")) << focusName();
  typeText("a");
  ASSERT_TRUE(waitUntil([&] { return text(box) == "a"; })) << text(box);
  walk({"编辑框1", "超级按钮1", "超级按钮5", "超级按钮4"}, false);
  EXPECT_EQ(text(box), "a") << "Tab typed into the console box";
  // Clear, by the keyboard.
  pressKey(VK_SPACE);
  EXPECT_TRUE(waitUntil([&] { return text(box).empty(); })) << text(box);
  EXPECT_EQ(focusName(), "超级按钮4");
}

TEST_F(TabKey, EnterAndEscKeepTheirMeaning) {
  HWND box = control(Ctl::编辑框);
  HWND hostBox = control(Ctl::编辑框1);
  const Rect place = screenRect(main);

  // Enter in the console box starts a new line; Esc there does nothing.
  click(centre(box));
  ASSERT_TRUE(focusBecomes("编辑框")) << focusName();
  typeText("a");
  pressKey(VK_RETURN);
  typeText("b");
  ASSERT_TRUE(waitUntil([&] { return text(box) == "a\r\nb"; })) << text(box);
  pressKey(VK_ESCAPE);
  typeText("c");
  ASSERT_TRUE(waitUntil([&] { return text(box) == "a\r\nbc"; })) << text(box);
  EXPECT_EQ(focusName(), "编辑框");

  // Esc in the host box does nothing either; Enter there starts the ping.
  focusTheHostBox();
  typeText("127.0.0.1");
  ASSERT_TRUE(waitUntil([&] { return text(hostBox) == "127.0.0.1"; })) << text(hostBox);
  pressKey(VK_ESCAPE);
  typeText("x");
  ASSERT_TRUE(waitUntil([&] { return text(hostBox) == "127.0.0.1x"; })) << text(hostBox);
  pressKey(VK_BACK);
  ASSERT_TRUE(waitUntil([&] { return text(hostBox) == "127.0.0.1"; })) << text(hostBox);
  EXPECT_EQ(focusName(), "编辑框1");
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_EQ(screenRect(main), place);

  pressKey(VK_RETURN);
  EXPECT_TRUE(waitUntil([&] {
    return text(box).find("Reply from 127.0.0.1: bytes=32 time<1ms TTL=128 seq=0\r\n") !=
           std::string::npos;
  })) << text(box);
  EXPECT_TRUE(!ownVisible(control(Ctl::超级按钮1)) && ownVisible(control(Ctl::超级按钮2)));
  // Stop by the keyboard too: Tab from the host box reaches Stop now.
  walk({"超级按钮2"}, false);
  pressKey(VK_SPACE);
  EXPECT_TRUE(waitUntil([&] {
    return ownVisible(control(Ctl::超级按钮1)) && !ownVisible(control(Ctl::超级按钮2));
  })) << "Space on Stop did not stop";
  EXPECT_TRUE(waitUntil([&] { return program.descendants().empty(); }))
      << describe(program.descendants());
}

}  // namespace
}  // namespace kestrova::e2e
