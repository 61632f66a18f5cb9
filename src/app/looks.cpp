#include "app/looks.h"

#include <algorithm>
#include <array>

namespace kestrova {
namespace {

constexpr Rgb kGrey{128, 128, 128};
constexpr Rgb kTitleBlue{0, 96, 192};
constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kAmber{192, 96, 0};
constexpr Rgb kViolet{144, 0, 255};
constexpr Rgb kDimGrey{96, 96, 96};

constexpr std::array kLabels{
    LabelLook{Ctl::标签1, kTitleBlue, kBlack, true},
    LabelLook{Ctl::标签10, kBlack, kGrey, false},
    LabelLook{Ctl::标签3, kMagenta, kBlack, false},
    LabelLook{Ctl::标签2, kMagenta, kBlack, false},
    LabelLook{Ctl::总流量标签, kWhite, kBlack, false},
    LabelLook{Ctl::流量标签, kViolet, kBlack, false},
    LabelLook{Ctl::标签9, kAmber, kBlack, false},
    LabelLook{Ctl::标签4, kAmber, kBlack, false},
};

constexpr std::array kTransparentLabels{
    TransparentLabelLook{Ctl::接收透明标签, kMagenta, Align::right},
    TransparentLabelLook{Ctl::发送透明标签, kMagenta, Align::right},
    TransparentLabelLook{Ctl::CPU透明标签, kAmber, Align::right},
    TransparentLabelLook{Ctl::内存透明标签, kAmber, Align::right},
    TransparentLabelLook{Ctl::透明标签2, kWhite, Align::left},
    TransparentLabelLook{Ctl::透明标签1, kWhite, Align::left},
};

constexpr std::array kGroupBoxes{
    GroupBoxLook{Ctl::分组框1, kWhite, Align::left, kGrey},
    GroupBoxLook{Ctl::分组框3, kWhite, Align::centre, kBlack},
    GroupBoxLook{Ctl::分组框4, kWhite, Align::centre, kBlack},
    GroupBoxLook{Ctl::分组框2, kDimGrey, Align::centre, kBlack},
};

constexpr std::array kEditBoxes{
    EditBoxLook{Ctl::编辑框, true, Rgb{0, 136, 255}, kBlack, Align::left},
    EditBoxLook{Ctl::编辑框1, false, Rgb{236, 236, 236}, kBlack, Align::left},
    EditBoxLook{Ctl::编辑框2, false, Rgb{255, 255, 0}, kBlack, Align::centre},
};

constexpr ColourPair kConsolePair{Rgb{128, 128, 255}, kBlack};
constexpr ColourPair kPanelPair{kBlack, kGrey};

constexpr std::array kSuperButtons{
    SuperButtonLook{Ctl::超级按钮1, ButtonStyle::rounded, kConsolePair, kConsolePair, kConsolePair},
    SuperButtonLook{Ctl::超级按钮2, ButtonStyle::rounded, kConsolePair, kConsolePair, kConsolePair},
    SuperButtonLook{Ctl::超级按钮5, ButtonStyle::rounded, kConsolePair, kConsolePair, kConsolePair},
    SuperButtonLook{Ctl::超级按钮4, ButtonStyle::rounded, kConsolePair, kConsolePair, kConsolePair},
    SuperButtonLook{Ctl::超级按钮3, ButtonStyle::edged, kPanelPair, kPanelPair, kPanelPair},
};

constexpr TabLook kTab{
    .id = Ctl::高级选择夹1,
    .caption = "━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━",
    .fontFace = "宋体",
    .fontHeight = -12,
    .fontWeight = 400,
    .fontCharset = 134,
    .tabHeight = 20,
    .stripHeight = 22,
    .current = kTitleBlue,
    .hot = kMagenta,
    .other = kDimGrey,
    .fill = kBlack,
    .outline = kBlack,
};

template <class Table>
auto find(const Table& table, Ctl c) -> std::optional<typename Table::value_type> {
  auto it =
      std::find_if(table.begin(), table.end(), [c](const auto& look) { return look.id == c; });
  if (it == table.end()) return std::nullopt;
  return *it;
}

}  // namespace

std::optional<LabelLook> labelLook(Ctl c) {
  return find(kLabels, c);
}
std::optional<TransparentLabelLook> transparentLabelLook(Ctl c) {
  return find(kTransparentLabels, c);
}
std::optional<GroupBoxLook> groupBoxLook(Ctl c) {
  return find(kGroupBoxes, c);
}
std::optional<EditBoxLook> editBoxLook(Ctl c) {
  return find(kEditBoxes, c);
}
std::optional<SuperButtonLook> superButtonLook(Ctl c) {
  return find(kSuperButtons, c);
}
const TabLook& tabLook() {
  return kTab;
}

}  // namespace kestrova
