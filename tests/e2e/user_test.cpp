// What a user does: drag the window, close it.
#include "e2e_fixture.h"

namespace kestrova::e2e {
namespace {

using Dragging = Running;
using Ending = Running;

Rect movedBy(Rect r, int dx, int dy) {
  r.left += dx;
  r.top += dy;
  return r;
}

TEST_F(Dragging, OnTheTitleStripMovesTheWindow) {
  HWND title = control(Ctl::标签1);
  ASSERT_TRUE(title);
  const Rect before = screenRect(main);
  const POINT from = screenPoint(title, 200, 12);  // left of the picture buttons
  drag(from, {from.x + 37, from.y + 23});
  const Rect expected = movedBy(before, 37, 23);
  EXPECT_TRUE(waitUntil([&] { return screenRect(main) == expected; }))
      << "window at " << screenRect(main).left << "," << screenRect(main).top << ", expected "
      << expected.left << "," << expected.top;
}

TEST_F(Dragging, OnTheHostBoxDoesNotMoveTheWindow) {
  HWND host = control(Ctl::编辑框1);
  HWND title = control(Ctl::标签1);
  ASSERT_TRUE(host && title);
  const Rect before = screenRect(main);
  const POINT from = centre(host);
  drag(from, {from.x + 37, from.y + 23});
  // Input is taken in order: once a later drag on the title strip has moved the window by
  // its own distance alone, the drag on the host box has been handled and moved nothing.
  const POINT t = screenPoint(title, 200, 12);
  drag(t, {t.x - 20, t.y + 10});
  const Rect expected = movedBy(before, -20, 10);
  EXPECT_TRUE(waitUntil([&] { return screenRect(main) == expected; }))
      << "window at " << screenRect(main).left << "," << screenRect(main).top << ", expected "
      << expected.left << "," << expected.top << " (started at " << before.left << "," << before.top
      << ")";
}

TEST_F(Ending, AClickOnTheCloseButtonEndsWithExitCode0) {
  HWND close = control(Ctl::图形按钮3);
  ASSERT_TRUE(close);
  click(centre(close));
  const auto code = program.waitForExit();
  ASSERT_TRUE(code.has_value()) << "still running after the click";
  EXPECT_EQ(*code, 0u);
}

TEST_F(Ending, TheSystemsCloseCommandEndsWithExitCode0) {
  ASSERT_TRUE(PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0));
  const auto code = program.waitForExit();
  ASSERT_TRUE(code.has_value()) << "still running after SC_CLOSE";
  EXPECT_EQ(*code, 0u);
}

TEST_F(Ending, APostedCloseEndsWithExitCode0) {
  ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
  const auto code = program.waitForExit();
  ASSERT_TRUE(code.has_value()) << "still running after WM_CLOSE";
  EXPECT_EQ(*code, 0u);
}

}  // namespace
}  // namespace kestrova::e2e
