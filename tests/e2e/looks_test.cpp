// The looks of the real window, checked on the screen (BitBlt of the screen DC) at places
// chosen from the layout: fills, frames and text colours at rest, the owner-drawn buttons and
// the tab under the mouse and pressed, the background-settings panel, and a readout over its
// bar. Every expected colour and place is in the one table kChecks below.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "app/win32/gdi.h"
#include "e2e_fixture.h"

namespace kestrova::e2e {
namespace {

struct Colour {
  int r = 0, g = 0, b = 0;
  int sys = -1;  // a system colour index (COLOR_*) instead, read in this process
};
constexpr Colour rgb(int r, int g, int b) {
  return {r, g, b, -1};
}
constexpr Colour system(int index) {
  return {0, 0, 0, index};
}
std::uint32_t value(Colour c) {
  if (c.sys >= 0) {
    const COLORREF s = GetSysColor(c.sys);
    return (static_cast<std::uint32_t>(GetRValue(s)) << 16) | (GetGValue(s) << 8) | GetBValue(s);
  }
  return (static_cast<std::uint32_t>(c.r) << 16) | (c.g << 8) | c.b;
}
int channel(std::uint32_t pixel, int i) {
  return static_cast<int>((pixel >> (16 - 8 * i)) & 0xFF);
}

constexpr Colour kBlack = rgb(0, 0, 0);
constexpr Colour kWhite = rgb(255, 255, 255);
constexpr Colour kGrey = rgb(128, 128, 128);
constexpr Colour kTitleBlue = rgb(0, 96, 192);
constexpr Colour kMagenta = rgb(255, 0, 255);
constexpr Colour kHostText = rgb(236, 236, 236);
constexpr Colour kConsoleText = rgb(0, 136, 255);
constexpr Colour kYellow = rgb(255, 255, 0);
constexpr Colour kCaption = rgb(128, 128, 255);  // of the four rounded super buttons
constexpr Colour kSendBar = rgb(0, 136, 255);    // the send bar's colour while it shows traffic
constexpr Colour kDarkGlyph = rgb(15, 85, 140);
constexpr Colour kBrightGlyph = rgb(0, 170, 250);
constexpr Colour kFrame = system(COLOR_WINDOWFRAME);
constexpr Colour kLight = system(COLOR_BTNHIGHLIGHT);
constexpr Colour kShadow = system(COLOR_BTNSHADOW);

// The state of the window and the mouse in which a check is made.
enum class Scene {
  rest,          // the mouse away from the window
  overRun,       // over 超级按钮1
  overPicture,   // over 图形按钮4
  pressPicture,  // the left button held down on 图形按钮4
  overTab,       // over the tab's caption
  panel,         // 分组框1 shown by a click on 图形按钮4, the mouse away
  overEdged,     // the panel shown, the mouse over 超级按钮3
  pressEdged,    // the panel shown, the left button held down on 超级按钮3
  readout,       // the send bar full, its readout given a long text and then a short one
  consoleText,   // a line written into the console box
};

enum class Expect {
  fill,         // every pixel is the colour
  blend,        // some pixel is the colour drawn over `over` (an anti-aliased glyph), half or more
  noBlend,      // no pixel is the colour drawn over `over`, half or more
  like,         // some pixel is within a JPEG's error of the colour
  nothingLike,  // no pixel is
  asAtRest,     // every pixel as it was with the mouse away, once it showed the colour (text)
  readout,      // the text over its bar: see expectReadout
};

struct Check {
  Scene scene;
  Ctl where;
  RECT area;  // relative to the control's window (for the main window: its client area)
  Expect expect;
  Colour colour;
  Colour over;
  const char* what;
};

// Places from the layout, in the control's window coordinates.
// clang-format off
constexpr Check kChecks[] = {
  // scene              control         area in its window      expect             colour        over
  {Scene::rest,          Ctl::主窗口,    {249, 456, 255, 522},   Expect::fill,      kBlack,       kBlack,   "background between the two boxes"},
  {Scene::rest,          Ctl::主窗口,    {8, 524, 496, 530},     Expect::fill,      kBlack,       kBlack,   "background above the running-time box"},
  {Scene::rest,          Ctl::主窗口,    {0, 24, 505, 32},       Expect::fill,      kBlack,       kBlack,   "tab page above the console box"},
  {Scene::rest,          Ctl::标签1,     {2, 2, 380, 22},        Expect::blend,     kTitleBlue,   kBlack,   "title text"},
  {Scene::rest,          Ctl::标签1,     {0, 0, 400, 1},         Expect::fill,      kFrame,       kBlack,   "title strip's frame, top"},
  {Scene::rest,          Ctl::标签1,     {0, 0, 1, 24},          Expect::fill,      kFrame,       kBlack,   "title strip's frame, left"},
  {Scene::rest,          Ctl::标签1,     {1, 1, 2, 23},          Expect::fill,      kBlack,       kBlack,   "title strip inside its one-pixel frame"},
  {Scene::rest,          Ctl::编辑框,    {0, 0, 1, 372},         Expect::fill,      kFrame,       kBlack,   "console box's frame, left"},
  {Scene::rest,          Ctl::编辑框,    {0, 0, 320, 1},         Expect::fill,      kFrame,       kBlack,   "console box's frame, top"},
  {Scene::rest,          Ctl::编辑框,    {2, 2, 470, 370},       Expect::fill,      kBlack,       kBlack,   "console box's inside"},
  {Scene::rest,          Ctl::编辑框1,   {0, 0, 242, 20},        Expect::blend,     kHostText,    kBlack,   "host box text"},
  {Scene::rest,          Ctl::编辑框2,   {0, 0, 118, 20},        Expect::blend,     kYellow,      kBlack,   "disabled note in yellow"},
  {Scene::rest,          Ctl::超级按钮1, {0, 0, 32, 20},         Expect::blend,     kCaption,     kBlack,   "Run caption"},
  {Scene::rest,          Ctl::图形按钮4, {1, 1, 2, 2},           Expect::like,      kDarkGlyph,   kBlack,   "picture button dark"},
  {Scene::rest,          Ctl::图形按钮4, {0, 0, 15, 15},         Expect::nothingLike, kBrightGlyph, kBlack, "picture button not bright"},
  {Scene::rest,          Ctl::主窗口,    {0, 430, 505, 451},     Expect::blend,     kTitleBlue,   kBlack,   "tab caption blue"},
  {Scene::rest,          Ctl::主窗口,    {0, 430, 505, 451},     Expect::noBlend,   kMagenta,     kBlack,   "tab caption not magenta"},

  {Scene::overRun,       Ctl::超级按钮1, {0, 0, 32, 20},         Expect::asAtRest,  kCaption,     kBlack,   "rounded button unchanged on hover"},
  {Scene::overPicture,   Ctl::图形按钮4, {1, 1, 2, 2},           Expect::like,      kBrightGlyph, kBlack,   "picture button bright on hover"},
  {Scene::pressPicture,  Ctl::图形按钮4, {1, 1, 2, 2},           Expect::like,      kDarkGlyph,   kBlack,   "picture button dark while pressed"},
  {Scene::pressPicture,  Ctl::图形按钮4, {0, 0, 15, 15},         Expect::nothingLike, kBrightGlyph, kBlack, "picture button not bright while pressed"},
  {Scene::overTab,       Ctl::主窗口,    {0, 430, 505, 451},     Expect::blend,     kMagenta,     kBlack,   "tab caption magenta under the mouse"},
  {Scene::overTab,       Ctl::主窗口,    {0, 430, 505, 451},     Expect::noBlend,   kTitleBlue,   kBlack,   "tab caption not blue under the mouse"},

  {Scene::panel,         Ctl::分组框1,   {4, 62, 156, 69},       Expect::fill,      kGrey,        kBlack,   "panel grey"},
  {Scene::panel,         Ctl::分组框1,   {6, 0, 80, 14},         Expect::blend,     kWhite,       kGrey,    "panel caption white"},
  {Scene::panel,         Ctl::超级按钮3, {0, 0, 60, 1},          Expect::fill,      kGrey,        kBlack,   "edged button flat at rest, top"},
  {Scene::panel,         Ctl::超级按钮3, {0, 19, 60, 20},        Expect::fill,      kGrey,        kBlack,   "edged button flat at rest, bottom"},
  {Scene::overEdged,     Ctl::超级按钮3, {0, 0, 59, 1},          Expect::fill,      kLight,       kBlack,   "raised edge on hover, top"},
  {Scene::overEdged,     Ctl::超级按钮3, {0, 0, 1, 19},          Expect::fill,      kLight,       kBlack,   "raised edge on hover, left"},
  {Scene::overEdged,     Ctl::超级按钮3, {1, 19, 60, 20},        Expect::fill,      kShadow,      kBlack,   "raised edge on hover, bottom"},
  {Scene::overEdged,     Ctl::超级按钮3, {59, 1, 60, 20},        Expect::fill,      kShadow,      kBlack,   "raised edge on hover, right"},
  {Scene::pressEdged,    Ctl::超级按钮3, {0, 0, 59, 1},          Expect::fill,      kShadow,      kBlack,   "sunken edge pressed, top"},
  {Scene::pressEdged,    Ctl::超级按钮3, {0, 0, 1, 19},          Expect::fill,      kShadow,      kBlack,   "sunken edge pressed, left"},
  {Scene::pressEdged,    Ctl::超级按钮3, {1, 19, 60, 20},        Expect::fill,      kLight,       kBlack,   "sunken edge pressed, bottom"},
  {Scene::pressEdged,    Ctl::超级按钮3, {59, 1, 60, 20},        Expect::fill,      kLight,       kBlack,   "sunken edge pressed, right"},

  {Scene::consoleText,   Ctl::编辑框,    {2, 2, 470, 20},        Expect::blend,     kConsoleText, kBlack,   "console text"},

  {Scene::readout,       Ctl::发送透明标签, {0, 0, 80, 14},      Expect::readout,   kMagenta,     kSendBar, "send readout over its full bar"},
};
// clang-format on

// A pixel of `text` anti-aliased over `over`: each channel between the two; `least` is the
// share of the way from `over` to `text` it must have come.
bool isBlend(std::uint32_t pixel, Colour text, std::uint32_t over, double least) {
  const std::uint32_t t = value(text);
  constexpr int kSlack = 8;
  int moved = 0, span = 0;
  for (int i = 0; i < 3; ++i) {
    const int p = channel(pixel, i), a = channel(over, i), b = channel(t, i);
    if (p < std::min(a, b) - kSlack || p > std::max(a, b) + kSlack) return false;
    moved = std::max(moved, std::abs(p - a));
    span = std::max(span, std::abs(b - a));
  }
  return span > 0 && moved >= least * span;
}

bool isNear(std::uint32_t pixel, Colour c, int tolerance = 30) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(channel(pixel, i) - channel(value(c), i)) > tolerance) return false;
  }
  return true;
}

std::string hex(std::uint32_t pixel) {
  std::ostringstream out;
  out << std::hex << pixel;
  return out.str();
}

// The scenes one run of the program goes through, in order.
struct Sequence {
  const char* name;
  std::vector<Scene> scenes;
};
const Sequence kSequences[] = {
    {"AtRest", {Scene::rest, Scene::consoleText}},
    {"UnderTheMouseAndPressed",
     {Scene::overRun, Scene::overPicture, Scene::pressPicture, Scene::overTab}},
    {"PanelShown", {Scene::panel, Scene::overEdged, Scene::pressEdged}},
    {"ReadoutOverItsBar", {Scene::readout}},
};
std::string sequenceName(const ::testing::TestParamInfo<Sequence>& param) {
  return param.param.name;
}
void PrintTo(const Sequence& s, std::ostream* out) {
  *out << s.name;
}

class Looks : public Running, public ::testing::WithParamInterface<Sequence> {
 protected:
  HWND windowOf(Ctl c) { return c == Ctl::主窗口 ? main : control(c); }
  RECT onScreen(const Check& check) {
    const Rect w = screenRect(windowOf(check.where));
    RECT r = check.area;
    OffsetRect(&r, w.left, w.top);
    return r;
  }
  POINT away() const { return {2, 2}; }  // the window is centred: the corner lies outside it
  POINT inside(Ctl c, int x, int y) {
    const Rect w = screenRect(windowOf(c));
    return {w.left + x, w.top + y};
  }

  // Brings the window and the mouse into the scene; a button held down is let go away from
  // the control afterwards (release), so that nothing is clicked.
  void enter(Scene s) {
    switch (s) {
      case Scene::rest:
      case Scene::readout:
        moveMouse(away());
        break;
      case Scene::consoleText:
        moveMouse(away());
        ASSERT_TRUE(setText(control(Ctl::编辑框), "Pinging 127.0.0.1 with 32 bytes of data:"));
        break;
      case Scene::overRun:
        moveMouse(inside(Ctl::超级按钮1, 16, 10));
        break;
      case Scene::overPicture:
        moveMouse(inside(Ctl::图形按钮4, 7, 7));
        break;
      case Scene::pressPicture:
        leftDown(inside(Ctl::图形按钮4, 7, 7));
        break;
      case Scene::overTab:
        moveMouse(inside(Ctl::主窗口, 100, 441));
        break;
      case Scene::panel:
        click(inside(Ctl::图形按钮4, 7, 7));
        ASSERT_TRUE(waitUntil([&] { return shownOnScreen(control(Ctl::分组框1)); }));
        moveMouse(away());
        break;
      case Scene::overEdged:
        moveMouse(inside(Ctl::超级按钮3, 30, 10));
        break;
      case Scene::pressEdged:
        leftDown(inside(Ctl::超级按钮3, 30, 10));
        break;
    }
  }
  void release(Scene s) {
    if (s != Scene::pressPicture && s != Scene::pressEdged) return;
    moveMouse(away());
    leftUp(away());
  }

  // Why the check fails on this capture, or "" when it holds.
  std::string failure(const Check& check, const Capture& shot) {
    const RECT r = shot.area;
    const std::uint32_t over = value(check.over);
    int matched = 0;
    std::string first;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        const std::uint32_t p = shot.at(x, y);
        bool ok = false;
        switch (check.expect) {
          case Expect::fill:
            ok = p == value(check.colour);
            break;
          case Expect::blend:
          case Expect::noBlend:
            ok = isBlend(p, check.colour, over, 0.5);
            break;
          case Expect::like:
          case Expect::nothingLike:
            ok = isNear(p, check.colour);
            break;
          case Expect::asAtRest:
            ok = p == atRest_.at(x, y);
            break;
          case Expect::readout:
            break;
        }
        matched += ok ? 1 : 0;
        if (first.empty() &&
            (ok == (check.expect == Expect::noBlend || check.expect == Expect::nothingLike))) {
          first = hex(p) + " at " + std::to_string(x - r.left) + "," + std::to_string(y - r.top);
        }
      }
    }
    const int all = (r.right - r.left) * (r.bottom - r.top);
    switch (check.expect) {
      case Expect::fill:
      case Expect::asAtRest:
        return matched == all ? "" : "first other pixel " + first;
      case Expect::blend:
      case Expect::like:
        return matched > 0 ? "" : "no such pixel";
      case Expect::noBlend:
      case Expect::nothingLike:
        return matched == 0 ? "" : "found " + first;
      case Expect::readout:
        break;
    }
    return "";
  }

  void expectLooks(const Check& check) {
    std::string why;
    const bool held = waitUntil([&] {
      why = failure(check, captureScreen(onScreen(check)));
      return why.empty();
    });
    EXPECT_TRUE(held) << check.what << ": " << why;
  }

  // The readout's text over its bar, the bar held full: left of the text's extent the label
  // shows exactly the bar (each row as the bar shows it right of the label), and within it
  // every pixel is the bar or the text drawn over the bar; the bar's colour lies around the
  // glyphs. First a long text is shown, then a short one: no trace of the long one may stay.
  void expectReadout(const Check& check) {
    HWND label = control(check.where);
    HWND bar = control(Ctl::发送进度条);
    ASSERT_TRUE(label && bar);
    const RECT area = onScreen(check);
    const int referenceX = screenRect(bar).left + screenRect(bar).width - 20;
    // Each wait below fails at once (HarnessError) if the program stops answering.
    auto fillBar = [&] {
      if (!setBarPosition(bar, 400)) throw HarnessError("the send bar took no PBM_SETPOS");
    };
    auto textLeft = [&](const std::string& utf8) {
      const win::WindowDc screen;
      const win::Selection font(screen.get(), GetStockObject(DEFAULT_GUI_FONT));
      const std::wstring wide = widen(utf8);
      SIZE size{};
      if (!GetTextExtentPoint32W(screen.get(), wide.c_str(), static_cast<int>(wide.size()),
                                 &size)) {
        throw HarnessError("GetTextExtentPoint32W failed for " + utf8);
      }
      return static_cast<int>(area.right - size.cx);
    };
    auto shot = [&] {
      return captureScreen(RECT{area.left, area.top, referenceX + 1, area.bottom});
    };
    auto textPixels = [&](const Capture& c, int fromX, int toX) {
      int n = 0;
      for (int y = area.top; y < area.bottom; ++y) {
        for (int x = fromX; x < toX; ++x)
          n += isBlend(c.at(x, y), check.colour, c.at(referenceX, y), 0.5);
      }
      return n;
    };

    const std::string longText = "8888.88KB", shortText = "1KB";
    const int longLeft = textLeft(longText), shortLeft = textLeft(shortText);
    ASSERT_LT(longLeft + 20, shortLeft);
    EXPECT_TRUE(waitUntil([&] {
      fillBar();
      if (!setText(label, longText)) throw HarnessError("the readout took no WM_SETTEXT");
      return textPixels(shot(), longLeft, shortLeft - 2) > 20;
    })) << check.what
        << ": the long text was never seen";

    ASSERT_TRUE(setText(label, shortText)) << check.what << ": WM_SETTEXT not taken";
    std::string why;
    const bool held = waitUntil([&] {
      fillBar();
      const std::string before = text(label);
      const Capture c = shot();
      if (text(label) != before) return false;  // changed while the shot was taken
      const int left = textLeft(before) - 1;
      int barColoured = 0;
      for (int y = area.top; y < area.bottom; ++y) {
        const std::uint32_t reference = c.at(referenceX, y);
        for (int x = area.left; x < area.right; ++x) {
          const std::uint32_t p = c.at(x, y);
          const bool ok = x < left ? p == reference
                                   : (p == reference || isBlend(p, check.colour, reference, 0));
          if (!ok) {
            why = "\"" + before + "\": " + hex(p) + " at " + std::to_string(x - area.left) + "," +
                  std::to_string(y - area.top) + " over " + hex(reference);
            return false;
          }
          barColoured += p == value(check.over) ? 1 : 0;
        }
      }
      const int glyphs = textPixels(c, left, area.right);
      if (glyphs < 5 || barColoured < glyphs) {
        why = "\"" + before + "\": " + std::to_string(glyphs) + " text pixels, " +
              std::to_string(barColoured) + " of the bar's colour";
        return false;
      }
      return true;
    });
    EXPECT_TRUE(held) << check.what << ": " << why;
  }

  Capture atRest_;
};

TEST_P(Looks, AsTheTableSays) {
  for (Scene s : GetParam().scenes) {
    std::vector<const Check*> checks;
    for (const Check& c : kChecks) {
      if (c.scene == s) checks.push_back(&c);
    }
    // What the controls compared with their rest look show before the mouse comes.
    moveMouse(away());
    for (const Check* c : checks) {
      if (c->expect != Expect::asAtRest) continue;
      // Painted (its text shows) and settled: two shots alike in a row.
      atRest_ = captureScreen(onScreen(*c));
      ASSERT_TRUE(waitUntil([&] {
        const Capture again = captureScreen(onScreen(*c));
        const bool same = again.pixels == atRest_.pixels;
        atRest_ = again;
        const bool painted = std::any_of(again.pixels.begin(), again.pixels.end(), [&](auto p) {
          return isBlend(p, c->colour, value(c->over), 0.5);
        });
        return same && painted;
      })) << c->what
          << ": never painted at rest";
    }
    enter(s);
    for (const Check* c : checks) {
      if (c->expect == Expect::readout) {
        expectReadout(*c);
      } else {
        expectLooks(*c);
      }
    }
    release(s);
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, Looks, ::testing::ValuesIn(kSequences), sequenceName);

}  // namespace
}  // namespace kestrova::e2e
