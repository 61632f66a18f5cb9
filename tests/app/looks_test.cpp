#include "app/looks.h"

#include <gtest/gtest.h>

#include "app/layout.h"

namespace kestrova {
namespace {

// Every control of a kind has a look of that kind, and no control of another kind has one.
TEST(Looks, EachControlHasTheLookOfItsKind) {
  for (const auto& c : controls()) {
    SCOPED_TRACE(std::string(c.name));
    EXPECT_EQ(labelLook(c.id).has_value(), c.kind == Kind::label);
    EXPECT_EQ(transparentLabelLook(c.id).has_value(), c.kind == Kind::transparentLabel);
    EXPECT_EQ(groupBoxLook(c.id).has_value(), c.kind == Kind::groupBox);
    EXPECT_EQ(editBoxLook(c.id).has_value(), c.kind == Kind::editBox);
    EXPECT_EQ(superButtonLook(c.id).has_value(), c.kind == Kind::superButton);
  }
  EXPECT_EQ(layoutOf(tabLook().id).kind, Kind::tabControl);
}

TEST(Looks, OnlyTheTitleStripIsFramed) {
  for (const auto& c : controls()) {
    if (auto look = labelLook(c.id)) {
      EXPECT_EQ(look->framed, c.id == Ctl::标签1) << c.name;
    }
  }
  EXPECT_EQ(labelLook(Ctl::标签1)->text, (Rgb{0, 96, 192}));
  EXPECT_EQ(labelLook(Ctl::标签10)->background, (Rgb{128, 128, 128}));
}

TEST(Looks, ReadoutsAreRightAlignedOverTheirBars) {
  for (Ctl c : {Ctl::接收透明标签, Ctl::发送透明标签, Ctl::CPU透明标签, Ctl::内存透明标签}) {
    EXPECT_EQ(transparentLabelLook(c)->align, Align::right);
  }
  EXPECT_EQ(transparentLabelLook(Ctl::透明标签1)->align, Align::left);
  EXPECT_EQ(transparentLabelLook(Ctl::接收透明标签)->text, (Rgb{255, 0, 255}));
}

TEST(Looks, OnlyTheSettingsPanelButtonIsEdged) {
  for (const auto& c : controls()) {
    if (auto look = superButtonLook(c.id)) {
      EXPECT_EQ(look->style == ButtonStyle::edged, c.id == Ctl::超级按钮3) << c.name;
    }
  }
  auto panel = *superButtonLook(Ctl::超级按钮3);
  EXPECT_EQ(panel.mouseOver.background, (Rgb{128, 128, 128}));
  EXPECT_EQ(panel.normal.caption, kBlack);
}

TEST(Looks, PanelIsGreyWithAWhiteCaption) {
  auto panel = *groupBoxLook(Ctl::分组框1);
  EXPECT_EQ(panel.background, (Rgb{128, 128, 128}));
  EXPECT_EQ(panel.caption, kWhite);
  EXPECT_EQ(panel.align, Align::left);
  EXPECT_EQ(groupBoxLook(Ctl::分组框2)->caption, (Rgb{96, 96, 96}));
}

TEST(Looks, TabCaptionIsFortyThreeHeavyLines) {
  const auto& tab = tabLook();
  std::string expected;
  for (int i = 0; i < 43; ++i) expected += "━";
  EXPECT_EQ(tab.caption, expected);
  EXPECT_EQ(tab.fontHeight, -12);
  EXPECT_EQ(tab.fontWeight, 400);
  EXPECT_EQ(tab.fontCharset, 134);
  EXPECT_EQ(tab.tabHeight, 20);
  EXPECT_EQ(tab.stripHeight, 22);
}

TEST(Looks, DisabledNoteBoxIsYellowOnBlackAndCentred) {
  auto note = *editBoxLook(Ctl::编辑框2);
  EXPECT_EQ(note.text, (Rgb{255, 255, 0}));
  EXPECT_EQ(note.background, kBlack);
  EXPECT_EQ(note.align, Align::centre);
  EXPECT_TRUE(editBoxLook(Ctl::编辑框)->framed);
  EXPECT_FALSE(editBoxLook(Ctl::编辑框1)->framed);
}

}  // namespace
}  // namespace kestrova
