#include "app/layout.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <vector>

namespace kestrova {
namespace {

TEST(Layout, HoldsThirtyNineControlsOfWhichThirtySixAreWindows) {
  EXPECT_EQ(controls().size(), 39u);
  int windowed = 0;
  for (const auto& c : controls()) windowed += isWindowed(c.kind) ? 1 : 0;
  EXPECT_EQ(windowed, 36);
}

TEST(Layout, EveryWindowedControlStacksOnceInItsParent) {
  std::set<Ctl> seen;
  for (Ctl parent : containers()) {
    for (Ctl c : stacking(parent)) {
      EXPECT_EQ(layoutOf(c).parent, parent) << layoutOf(c).name;
      EXPECT_TRUE(seen.insert(c).second) << layoutOf(c).name;
    }
  }
  for (const auto& c : controls()) {
    EXPECT_EQ(seen.count(c.id), isWindowed(c.kind) ? 1u : 0u) << c.name;
  }
}

TEST(Layout, GroupBoxesThatHoldControlsAreCreatedBeforeTheirChildren) {
  for (const auto& c : controls()) {
    if (c.parent == Ctl::主窗口) continue;
    EXPECT_EQ(layoutOf(c.parent).kind, Kind::groupBox) << c.name;
  }
}

TEST(Layout, TabVisitsTheSuperButtonsTheSliderAndTheEditBoxesInTableOrder) {
  const std::vector<Ctl> order(tabOrder().begin(), tabOrder().end());
  EXPECT_EQ(order, (std::vector<Ctl>{Ctl::编辑框, Ctl::编辑框1, Ctl::超级按钮1, Ctl::超级按钮2,
                                     Ctl::超级按钮5, Ctl::编辑框2, Ctl::超级按钮4, Ctl::滑块条1,
                                     Ctl::超级按钮3}));
  // Exactly the controls of those kinds, each once.
  std::set<Ctl> kinds;
  for (const auto& c : controls()) {
    if (c.kind == Kind::superButton || c.kind == Kind::sliderBar || c.kind == Kind::editBox) {
      kinds.insert(c.id);
    }
  }
  EXPECT_EQ(std::set<Ctl>(order.begin(), order.end()), kinds);
  EXPECT_EQ(order.size(), kinds.size());
}

// The controls that can take the focus at start-up: the panel hidden, Stop hidden, 编辑框2
// disabled.
bool atStartUp(Ctl c) {
  return c == Ctl::编辑框 || c == Ctl::编辑框1 || c == Ctl::超级按钮1 || c == Ctl::超级按钮5 ||
         c == Ctl::超级按钮4;
}
bool withThePanelWhilePinging(Ctl c) {
  return c != Ctl::超级按钮1 && c != Ctl::编辑框2;
}
bool none(Ctl) {
  return false;
}
bool hostBoxOnly(Ctl c) {
  return c == Ctl::编辑框1;
}

struct TabCase {
  const char* what;
  bool (*canTakeFocus)(Ctl);
  std::optional<Ctl> from;
  bool backward;
  std::optional<Ctl> expected;
};

TEST(Layout, TabMovesToTheNextControlThatCanTakeTheFocusGoingRound) {
  const std::optional<Ctl> nothing;
  const TabCase cases[] = {
      {"host box to Run", atStartUp, Ctl::编辑框1, false, Ctl::超级按钮1},
      {"Run to Save, past hidden Stop", atStartUp, Ctl::超级按钮1, false, Ctl::超级按钮5},
      {"Save to Clear, past disabled 编辑框2", atStartUp, Ctl::超级按钮5, false, Ctl::超级按钮4},
      {"Clear round to the console box, past the hidden panel", atStartUp, Ctl::超级按钮4, false,
       Ctl::编辑框},
      {"back from the console box round to Clear", atStartUp, Ctl::编辑框, true, Ctl::超级按钮4},
      {"back from Clear to Save", atStartUp, Ctl::超级按钮4, true, Ctl::超级按钮5},
      {"back from Run to the host box", atStartUp, Ctl::超级按钮1, true, Ctl::编辑框1},
      {"from nothing: the first", atStartUp, nothing, false, Ctl::编辑框},
      {"back from nothing: the last", atStartUp, nothing, true, Ctl::超级按钮4},
      {"from a control outside the order", atStartUp, Ctl::图形按钮1, false, Ctl::编辑框},
      {"Clear to the slider with the panel shown", withThePanelWhilePinging, Ctl::超级按钮4, false,
       Ctl::滑块条1},
      {"slider to the panel's button", withThePanelWhilePinging, Ctl::滑块条1, false,
       Ctl::超级按钮3},
      {"host box to Stop while pinging", withThePanelWhilePinging, Ctl::编辑框1, false,
       Ctl::超级按钮2},
      {"back from the console box round to the panel's button", withThePanelWhilePinging,
       Ctl::编辑框, true, Ctl::超级按钮3},
      {"a single control keeps the focus", hostBoxOnly, Ctl::编辑框1, false, Ctl::编辑框1},
      {"nothing can take it", none, Ctl::编辑框1, false, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(nextTabStop(c.from, c.backward, c.canTakeFocus), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace kestrova
