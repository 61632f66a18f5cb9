// The main window as a user and the task bar see it.
#include "e2e_fixture.h"

namespace kestrova::e2e {
namespace {

using MainWindow = Running;

TEST_F(MainWindow, IsTitledKestrovaAndOfTheToolkitsClass) {
  EXPECT_EQ(text(main), "Kestrova");
  EXPECT_EQ(text(main), mainWindowSpec().title);
  EXPECT_EQ(className(main), "KestrovaMainWindow");
}

TEST_F(MainWindow, Is505By580CentredByTheTruncatingFormula) {
  const SIZE screen = screenSize();
  const Rect r = screenRect(main);
  EXPECT_EQ(r.width, 505);
  EXPECT_EQ(r.height, 580);
  EXPECT_EQ(r.width, mainWindowSpec().width);
  EXPECT_EQ(r.height, mainWindowSpec().height);
  // Integer division truncates toward zero, as the formula asks.
  EXPECT_EQ(r.left, (screen.cx - 505) / 2) << "screen " << screen.cx << "x" << screen.cy;
  EXPECT_EQ(r.top, (screen.cy - 580) / 2) << "screen " << screen.cx << "x" << screen.cy;
}

TEST_F(MainWindow, HasNoCaptionFrameOrSystemMenu) {
  const LONG_PTR s = style(main);
  EXPECT_TRUE(s & WS_POPUP);
  EXPECT_FALSE(s & WS_CHILD);
  EXPECT_EQ(s & WS_CAPTION, 0) << "neither title bar nor border";
  EXPECT_FALSE(s & WS_THICKFRAME) << "not sizable";
  EXPECT_FALSE(s & WS_SYSMENU);
  EXPECT_TRUE(s & WS_MINIMIZEBOX);
  EXPECT_FALSE(s & WS_MAXIMIZEBOX);
  const LONG_PTR x = exStyle(main);
  EXPECT_FALSE(x & (WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  EXPECT_FALSE(x & WS_EX_TOPMOST) << "not always on top";
  // Without a frame the client area is the whole window.
  RECT client{};
  ASSERT_TRUE(GetClientRect(main, &client));
  EXPECT_EQ(client.right - client.left, 505);
  EXPECT_EQ(client.bottom - client.top, 580);
}

TEST_F(MainWindow, HasItsOwnTaskBarButton) {
  // The task bar lists visible, unowned top-level windows that are not tool windows.
  EXPECT_TRUE(shownOnScreen(main));
  EXPECT_EQ(parentOf(main), nullptr);
  EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);
  EXPECT_FALSE(exStyle(main) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(topLevelWindows(program.pid(), kMainWindowClass).size(), 1u);
}

}  // namespace
}  // namespace kestrova::e2e
