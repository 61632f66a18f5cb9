#include "app/appearance.h"

#include <gtest/gtest.h>

#include "support/fake_system.h"
#include "support/fake_ui.h"

namespace kestrova {
namespace {

struct AppearanceFixture : ::testing::Test {
  testing::FakeUi ui;
};

TEST_F(AppearanceFixture, TheSliderSetsTheAlphaToItsPositionPlusOneHundred) {
  const struct {
    int position;
    const char* call;
  } cases[] = {
      {1, "alpha 主窗口 101"},
      {120, "alpha 主窗口 220"},
      {155, "alpha 主窗口 255"},
  };
  for (const auto& c : cases) {
    ui.log.clear();
    ui.state(Ctl::滑块条1).position = c.position;
    transparencyFromSlider(ui);
    EXPECT_EQ(ui.log, (std::vector<std::string>{c.call})) << c.position;
  }
}

TEST_F(AppearanceFixture, FoldingUnfoldsOnlyFromExactlyTheFoldedHeight) {
  const struct {
    int before;
    int after;
  } cases[] = {{580, 24}, {24, 580}, {300, 24}, {25, 24}, {23, 24}};
  for (const auto& c : cases) {
    ui.outer = c.before;
    foldOrUnfold(ui);
    EXPECT_EQ(ui.outer, c.after) << c.before;
  }
}

TEST_F(AppearanceFixture, MinimisingHappensOnlyWhenTheWindowIsVisible) {
  ui.state(Ctl::主窗口).shown = false;
  minimiseIfVisible(ui);
  EXPECT_FALSE(ui.minimised);
  EXPECT_TRUE(ui.log.empty());
  ui.state(Ctl::主窗口).shown = true;
  minimiseIfVisible(ui);
  EXPECT_TRUE(ui.minimised);
}

TEST_F(AppearanceFixture, TheToggleShowsAHiddenPanelAndHidesAShownOne) {
  ASSERT_FALSE(ui.visible(Ctl::分组框1));
  togglePanel(ui);
  EXPECT_TRUE(ui.visible(Ctl::分组框1));
  togglePanel(ui);
  EXPECT_FALSE(ui.visible(Ctl::分组框1));
  EXPECT_EQ(ui.log, (std::vector<std::string>{"show 分组框1", "hide 分组框1"}));
}

TEST_F(AppearanceFixture, TheToggleTreatsAPanelInAHiddenWindowAsHidden) {
  ui.state(Ctl::分组框1).shown = true;
  ui.state(Ctl::主窗口).shown = false;
  togglePanel(ui);
  EXPECT_EQ(ui.log, (std::vector<std::string>{"show 分组框1"}));
}

TEST_F(AppearanceFixture, HidingThePanelLeavesItHiddenWhateverItWas) {
  for (bool shown : {true, false}) {
    ui.state(Ctl::分组框1).shown = shown;
    hidePanel(ui);
    EXPECT_FALSE(ui.visible(Ctl::分组框1)) << shown;
  }
}

}  // namespace
}  // namespace kestrova
