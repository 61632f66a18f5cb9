#include "app/layout.h"

#include <gtest/gtest.h>

#include <set>

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

}  // namespace
}  // namespace kestrova
