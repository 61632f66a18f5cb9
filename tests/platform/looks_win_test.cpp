// The drawing of the controls, checked pixel by pixel in memory bitmaps, and the pictures as
// decoded from this test program's own copy of the resources (link assets/kestrova.rc into it).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/looks.h"
#include "app/win32/draw.h"
#include "app/win32/gdi.h"
#include "app/win32/pictures.h"

namespace kestrova::win {
namespace {

// A screen-compatible bitmap in a memory DC, read back with GetPixel.
class Canvas {
 public:
  Canvas(int width, int height)
      : width_(width),
        height_(height),
        memory_(screen_.get()),
        bitmap_(CreateCompatibleBitmap(screen_.get(), width, height)),
        selection_(memory_.get(), bitmap_.get()) {
    RECT all{0, 0, width, height};
    Brush grey(CreateSolidBrush(RGB(1, 2, 3)));  // a colour no drawing uses
    FillRect(memory_.get(), &all, grey.get());
  }
  HDC dc() const { return memory_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  COLORREF at(int x, int y) const { return GetPixel(memory_.get(), x, y) & 0xffffff; }

  // The bounding box of the pixels close to `colour`; empty if there are none.
  RECT bounds(COLORREF colour, int tolerance = 60) const {
    return bounds(colour, tolerance, RECT{0, 0, width_, height_});
  }
  RECT bounds(COLORREF colour, int tolerance, RECT within) const {
    RECT box{width_, height_, 0, 0};
    for (int y = within.top; y < within.bottom; ++y) {
      for (int x = within.left; x < within.right; ++x) {
        if (similar(at(x, y), colour, tolerance)) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
      }
    }
    if (box.right == 0) return RECT{0, 0, 0, 0};
    return box;
  }
  int count(COLORREF colour, int tolerance = 60) const {
    int n = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) n += similar(at(x, y), colour, tolerance) ? 1 : 0;
    }
    return n;
  }

  static bool similar(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
  }

 private:
  int width_, height_;
  WindowDc screen_;
  MemoryDc memory_;
  Bitmap bitmap_;
  Selection selection_;
};

class Window {
 public:
  Window(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
         HWND parent = nullptr)
      : hwnd_(CreateWindowExW(0, cls, text, style | (parent ? WS_CHILD : WS_POPUP), x, y, w, h,
                              parent, nullptr, GetModuleHandleW(nullptr), nullptr)) {
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
  }
  ~Window() { DestroyWindow(hwnd_); }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

const wchar_t* blackPanelClass() {
  static const wchar_t* name = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"KestrovaLooksTestPanel";
    RegisterClassW(&wc);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    return wc.lpszClassName;
  }();
  return name;
}

DRAWITEMSTRUCT itemFor(HWND control, const Canvas& canvas, UINT state) {
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = state;
  item.hwndItem = control;
  item.hDC = canvas.dc();
  item.rcItem = RECT{0, 0, canvas.width(), canvas.height()};
  return item;
}

constexpr COLORREF kBlackRef = RGB(0, 0, 0);

TEST(SuperButton, EdgedShowsRaisedEdgeOnHoverAndSunkenWhilePressed) {
  Window button(L"Button", L"确定关闭", BS_OWNERDRAW, 0, 0, 60, 20);
  const auto look = *superButtonLook(Ctl::超级按钮3);
  const COLORREF grey = RGB(128, 128, 128);
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);

  Canvas rest(60, 20), over(60, 20), pressed(60, 20);
  drawSuperButton(itemFor(button.get(), rest, 0), look, false);
  drawSuperButton(itemFor(button.get(), over, 0), look, true);
  drawSuperButton(itemFor(button.get(), pressed, ODS_SELECTED), look, true);

  EXPECT_EQ(rest.at(0, 0), grey);
  EXPECT_EQ(rest.at(59, 19), grey);
  EXPECT_EQ(over.at(0, 10), light);
  EXPECT_EQ(over.at(30, 0), light);
  EXPECT_EQ(over.at(59, 10), shadow);
  EXPECT_EQ(over.at(30, 19), shadow);
  EXPECT_EQ(pressed.at(0, 10), shadow);
  EXPECT_EQ(pressed.at(59, 10), light);
  EXPECT_EQ(over.at(30, 2), grey);

  RECT a = rest.bounds(kBlackRef, 40), b = pressed.bounds(kBlackRef, 40);
  ASSERT_FALSE(IsRectEmpty(&a));
  EXPECT_EQ(b.left, a.left + 1);
  EXPECT_EQ(b.top, a.top + 1);
}

TEST(SuperButton, RoundedLooksTheSameOnHoverAndMovesItsCaptionWhilePressed) {
  Window button(L"Button", L"运行", BS_OWNERDRAW, 0, 0, 32, 20);
  const auto look = *superButtonLook(Ctl::超级按钮1);
  const COLORREF caption = RGB(128, 128, 255);

  Canvas rest(32, 20), over(32, 20), pressed(32, 20), focused(32, 20);
  drawSuperButton(itemFor(button.get(), rest, 0), look, false);
  drawSuperButton(itemFor(button.get(), over, 0), look, true);
  drawSuperButton(itemFor(button.get(), pressed, ODS_SELECTED), look, true);
  drawSuperButton(itemFor(button.get(), focused, ODS_FOCUS), look, false);

  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 32; ++x) {
      ASSERT_EQ(rest.at(x, y), over.at(x, y)) << x << "," << y;
      ASSERT_EQ(rest.at(x, y), focused.at(x, y)) << x << "," << y;
    }
  }
  EXPECT_EQ(rest.at(0, 0), kBlackRef);
  EXPECT_EQ(pressed.at(31, 19), kBlackRef);
  RECT a = rest.bounds(caption), b = pressed.bounds(caption);
  ASSERT_FALSE(IsRectEmpty(&a));
  EXPECT_EQ(b.left, a.left + 1);
  EXPECT_EQ(b.top, a.top + 1);
  // Centred: as much room left as right, give or take the odd pixel.
  EXPECT_LE(std::abs(static_cast<int>(a.left) - (32 - static_cast<int>(a.right))), 2);
}

TEST(SuperButton, LongCaptionIsWrappedAndCentred) {
  Window button(L"Button", L"清空 信息 清空 信息", BS_OWNERDRAW, 0, 0, 58, 40);
  Canvas canvas(58, 40);
  drawSuperButton(itemFor(button.get(), canvas, 0), *superButtonLook(Ctl::超级按钮4), false);
  RECT box = canvas.bounds(RGB(128, 128, 255));
  ASSERT_FALSE(IsRectEmpty(&box));
  EXPECT_GT(box.bottom - box.top, 14);  // two lines
  EXPECT_LE(std::abs(static_cast<int>(box.top) - (40 - static_cast<int>(box.bottom))), 3);
}

struct PictureCase {
  Ctl button;
  SIZE normal, over;
};
constexpr PictureCase kPictureCases[] = {
    {Ctl::图形按钮4, {14, 13}, {13, 12}},
    {Ctl::图形按钮1, {13, 13}, {13, 14}},
    {Ctl::图形按钮5, {22, 11}, {23, 10}},
    {Ctl::图形按钮3, {13, 12}, {13, 13}},
};

// The brightest pixel of a picture, which lies on its glyph.
COLORREF brightest(const Picture& picture) {
  WindowDc screen;
  MemoryDc dc(screen.get());
  Selection selected(dc.get(), picture.bitmap.get());
  COLORREF best = 0;
  int bestSum = -1;
  for (int y = 0; y < picture.size.cy; ++y) {
    for (int x = 0; x < picture.size.cx; ++x) {
      COLORREF c = GetPixel(dc.get(), x, y);
      int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
      if (sum > bestSum) {
        best = c;
        bestSum = sum;
      }
    }
  }
  return best;
}

TEST(Pictures, EveryPictureDecodesAtItsSizeAndColour) {
  Pictures pictures(GetModuleHandleW(nullptr));
  for (const auto& c : kPictureCases) {
    PictureSet set = pictures.of(c.button);
    ASSERT_NE(set.normal, nullptr);
    ASSERT_NE(set.mouseOver, nullptr);
    EXPECT_EQ(set.normal->size.cx, c.normal.cx);
    EXPECT_EQ(set.normal->size.cy, c.normal.cy);
    EXPECT_EQ(set.mouseOver->size.cx, c.over.cx);
    EXPECT_EQ(set.mouseOver->size.cy, c.over.cy);
    EXPECT_EQ(set.pressed, set.normal);
    EXPECT_EQ(set.disabled, set.mouseOver);
    EXPECT_TRUE(Canvas::similar(brightest(*set.normal), RGB(15, 85, 140), 30));
    EXPECT_TRUE(Canvas::similar(brightest(*set.mouseOver), RGB(0, 170, 250), 30));
  }
  EXPECT_EQ(pictures.of(Ctl::标签1).normal, nullptr);
}

TEST(PictureButton, BrightOnHoverDarkOtherwiseAlsoWhilePressed) {
  Pictures pictures(GetModuleHandleW(nullptr));
  Window button(L"Button", L"", BS_OWNERDRAW, 0, 0, 15, 15);
  PictureSet set = pictures.of(Ctl::图形按钮4);
  auto draw = [&](UINT state, bool over) {
    auto canvas = std::make_unique<Canvas>(15, 15);
    DRAWITEMSTRUCT item = itemFor(button.get(), *canvas, state);
    drawPictureButton(item, set, pictureState(item, over));
    return canvas;
  };
  // (1, 1) is the top-left corner of the square outline in both pictures.
  EXPECT_TRUE(Canvas::similar(draw(0, false)->at(1, 1), RGB(15, 85, 140), 30));
  EXPECT_TRUE(Canvas::similar(draw(0, true)->at(1, 1), RGB(0, 170, 250), 30));
  EXPECT_TRUE(Canvas::similar(draw(ODS_SELECTED, true)->at(1, 1), RGB(15, 85, 140), 30));
  EXPECT_TRUE(Canvas::similar(draw(ODS_DISABLED, false)->at(1, 1), RGB(0, 170, 250), 30));
  auto rest = draw(0, false);
  EXPECT_EQ(rest->at(14, 14), kBlackRef);  // outside the 14 by 13 picture
  EXPECT_TRUE(Canvas::similar(rest->at(0, 0), kBlackRef, 12));
}

TEST(Tab, AllBlackWithTheCaptionBlueOrMagentaUnderTheMouse) {
  Window panel(blackPanelClass(), L"", 0, 0, 0, 505, 580);
  Window tab(WC_TABCONTROLW, L"", TCS_BOTTOM | TCS_OWNERDRAWFIXED | TCS_FIXEDWIDTH, 0, 24, 504, 428,
             panel.get());
  const TabLook& look = tabLook();
  Font font = createTabFont(look);
  ASSERT_TRUE(font);
  SendMessageW(tab.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  SIZE size = tabItemSize(tab.get(), font.get(), look);
  EXPECT_LE(size.cx, 504 - 3);
  EXPECT_EQ(size.cy, 20);
  SendMessageW(tab.get(), TCM_SETITEMSIZE, 0, MAKELPARAM(size.cx, size.cy));
  std::wstring caption = toWide(look.caption);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = caption.data();
  SendMessageW(tab.get(), TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));

  Canvas current(504, 428), hot(504, 428);
  paintTab(tab.get(), current.dc(), font.get(), look, -1);
  paintTab(tab.get(), hot.dc(), font.get(), look, 0);
  const COLORREF blue = RGB(0, 96, 192), magenta = RGB(255, 0, 255);
  EXPECT_EQ(current.at(250, 200), kBlackRef);
  EXPECT_EQ(current.at(0, 0), kBlackRef);
  EXPECT_EQ(current.at(503, 427), kBlackRef);
  RECT line = current.bounds(blue, 40);
  ASSERT_FALSE(IsRectEmpty(&line));
  EXPECT_GE(line.top, 428 - 22);           // in the strip along the bottom
  EXPECT_GT(line.right - line.left, 300);  // a long line across
  EXPECT_EQ(hot.count(blue, 40), 0);
  EXPECT_GT(hot.count(magenta, 40), 300);
}

TEST(GroupBox, FilledFramedAndCaptioned) {
  Window panel(blackPanelClass(), L"", 0, 0, 0, 505, 580);
  Window box(L"Button", L"背景设置", BS_GROUPBOX, 327, 32, 160, 72, panel.get());
  Canvas canvas(160, 72);
  paintGroupBox(box.get(), canvas.dc(), *groupBoxLook(Ctl::分组框1));
  EXPECT_EQ(canvas.at(80, 40), RGB(128, 128, 128));
  EXPECT_EQ(canvas.at(0, 40), GetSysColor(COLOR_BTNSHADOW));  // the etched frame's outer line
  RECT caption = canvas.bounds(RGB(255, 255, 255), 20, RECT{2, 0, 158, 14});
  ASSERT_FALSE(IsRectEmpty(&caption));
  EXPECT_LT(caption.left, 20);  // set in on the left
  EXPECT_LT(caption.bottom, 16);

  Window centred(L"Button", L"运行时间", BS_GROUPBOX, 8, 531, 488, 40, panel.get());
  Canvas wide(488, 40);
  paintGroupBox(centred.get(), wide.dc(), *groupBoxLook(Ctl::分组框2));
  RECT text = wide.bounds(RGB(96, 96, 96), 12);
  ASSERT_FALSE(IsRectEmpty(&text));
  EXPECT_LE(std::abs(static_cast<int>(text.left) - (488 - static_cast<int>(text.right))), 4);
  EXPECT_EQ(wide.at(244, 30), kBlackRef);
}

TEST(Label, TitleStripIsFramedBlueOnBlack) {
  Window label(L"Static", L" Kestrova Version1.0测试版 [&x]", SS_LEFT, 0, 0, 506, 24);
  Canvas canvas(506, 24);
  paintLabel(label.get(), canvas.dc(), *labelLook(Ctl::标签1));
  EXPECT_EQ(canvas.at(0, 0), GetSysColor(COLOR_WINDOWFRAME) & 0xffffff);
  EXPECT_EQ(canvas.at(505, 12), GetSysColor(COLOR_WINDOWFRAME) & 0xffffff);
  EXPECT_EQ(canvas.at(400, 12), kBlackRef);
  RECT text = canvas.bounds(RGB(0, 96, 192), 40);
  ASSERT_FALSE(IsRectEmpty(&text));
  EXPECT_LT(text.left, 12);  // left aligned
  EXPECT_LE(std::abs(static_cast<int>(text.top) - (24 - static_cast<int>(text.bottom))), 4);
}

// The left edge of a right-aligned one-line text in the label's font. The glyphs are drawn
// anti-aliased, so their pixels are blends of the text and the bar: the text is placed by its
// extent rather than found by its colour.
int rightAlignedTextLeft(HWND label, int width) {
  WindowDc screen;
  Selection font(screen.get(), controlFont(label));
  std::wstring text = windowText(label);
  SIZE extent{};
  GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  return width - static_cast<int>(extent.cx);
}

TEST(TransparentLabel, TextOverTheBarWithNoTraceOfTheOldText) {
  Window panel(blackPanelClass(), L"", 0, 0, 0, 240, 72);
  Window bar(PROGRESS_CLASSW, L"", PBS_SMOOTH | WS_BORDER | WS_VISIBLE, 33, 15, 202, 16,
             panel.get());
  Window label(L"Static", L"1234.56KB", SS_LEFT | WS_VISIBLE, 60, 16, 80, 14, panel.get());
  SetWindowPos(label.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(panel.get(), SW_SHOWNOACTIVATE);
  const COLORREF green = RGB(0, 200, 0);
  SetWindowTheme(bar.get(), L" ", L" ");  // no visual style: the bar keeps its colour
  SendMessageW(bar.get(), PBM_SETRANGE32, 0, 400);
  SendMessageW(bar.get(), PBM_SETPOS, 400, 0);
  SendMessageW(bar.get(), PBM_SETBARCOLOR, 0, static_cast<LPARAM>(green));
  const auto look = *transparentLabelLook(Ctl::接收透明标签);
  constexpr int kWidth = 80, kHeight = 14, kMiddle = 7;

  Canvas behind(kWidth, kHeight);
  paintBehind(label.get(), behind.dc());
  ASSERT_EQ(behind.at(kWidth / 2, kMiddle), green) << "the full bar lies behind the label";

  // Columns from `left` to the right edge: how many pixels differ from what lies behind (the
  // glyphs) and how many are exactly the bar's colour (between and around the glyphs).
  struct Columns {
    int text = 0, bar = 0;
  };
  auto columns = [&](const Canvas& c, int left) {
    Columns n;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = std::max(left, 0); x < kWidth; ++x) {
        n.text += c.at(x, y) != behind.at(x, y) ? 1 : 0;
        n.bar += c.at(x, y) == green ? 1 : 0;
      }
    }
    return n;
  };
  // Left of the text the label shows exactly what lies behind it.
  auto expectBehindLeftOf = [&](const Canvas& c, int left) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < left; ++x) ASSERT_EQ(c.at(x, y), behind.at(x, y)) << x << "," << y;
    }
  };

  Canvas before(kWidth, kHeight);
  paintTransparentLabel(label.get(), before.dc(), look);
  const int longLeft = rightAlignedTextLeft(label.get(), kWidth);
  const Columns longText = columns(before, longLeft);
  EXPECT_GT(longText.text, 40) << "the long text is drawn, right-aligned";
  EXPECT_GT(longText.bar, longText.text) << "the bar shows between the glyphs: no background box";
  EXPECT_NE(before.at(kWidth - 2, kMiddle), green) << "the text reaches the right edge";
  expectBehindLeftOf(before, longLeft);

  SetWindowTextW(label.get(), L"1KB");
  Canvas after(kWidth, kHeight);
  paintTransparentLabel(label.get(), after.dc(), look);
  const int shortLeft = rightAlignedTextLeft(label.get(), kWidth);
  ASSERT_GT(shortLeft, longLeft + 20);
  EXPECT_GT(columns(after, shortLeft).text, 10) << "the short text is drawn";
  // Where the long text was, only the bar remains.
  expectBehindLeftOf(after, shortLeft);
  ShowWindow(panel.get(), SW_HIDE);
}

TEST(EditBox, DisabledNoteStaysYellowOnBlack) {
  const auto look = *editBoxLook(Ctl::编辑框2);
  Window edit(L"Edit", L"其他功能开发中.", ES_CENTER | ES_AUTOHSCROLL | WS_DISABLED, 0, 0, 118, 20);
  Canvas canvas(118, 20);
  paintDisabledEdit(edit.get(), canvas.dc(), look);
  EXPECT_EQ(canvas.at(1, 18), kBlackRef);
  RECT text = canvas.bounds(RGB(255, 255, 0), 40);
  ASSERT_FALSE(IsRectEmpty(&text));
  EXPECT_LE(std::abs(static_cast<int>(text.left) - (118 - static_cast<int>(text.right))), 4);

  BrushCache brushes;
  Canvas colours(4, 4);
  HBRUSH brush = colourEditBox(colours.dc(), look, brushes);
  EXPECT_EQ(brush, brushes.brush(kBlack));
  EXPECT_EQ(GetTextColor(colours.dc()), RGB(255, 255, 0));
  EXPECT_EQ(GetBkColor(colours.dc()), kBlackRef);
}

// Counts the GDI objects and device contexts that this program's own code makes and gives
// back, by putting counting functions into the exe's import table for as long as it lives.
// GetGuiResources would count every object of the process, but Wine always answers 0.
class GdiCounter {
 public:
  GdiCounter() {
    hook("gdi32.dll", "CreateSolidBrush", &createSolidBrush, original_.createSolidBrush);
    hook("gdi32.dll", "CreatePen", &createPen, original_.createPen);
    hook("gdi32.dll", "CreateFontIndirectW", &createFont, original_.createFont);
    hook("gdi32.dll", "CreateCompatibleBitmap", &createBitmap, original_.createBitmap);
    hook("gdi32.dll", "CreateCompatibleDC", &createDc, original_.createDc);
    hook("gdi32.dll", "DeleteObject", &deleteObject, original_.deleteObject);
    hook("gdi32.dll", "DeleteDC", &deleteDc, original_.deleteDc);
    hook("user32.dll", "GetDC", &getDc, original_.getDc);
    hook("user32.dll", "ReleaseDC", &releaseDc, original_.releaseDc);
  }
  ~GdiCounter() {
    for (auto it = patched_.rbegin(); it != patched_.rend(); ++it) write(it->slot, it->original);
  }
  GdiCounter(const GdiCounter&) = delete;
  GdiCounter& operator=(const GdiCounter&) = delete;

  // Every import found and replaced: the count covers all of them.
  bool complete() const { return patched_.size() == 9; }
  long objects() const { return objects_; }  // made and not yet deleted
  long dcs() const { return dcs_; }          // made or taken and not yet given back
  long made() const { return made_; }        // objects and DCs, all told

 private:
  struct Originals {  // static storage: all null until hooked
    HBRUSH(WINAPI* createSolidBrush)(COLORREF);
    HPEN(WINAPI* createPen)(int, int, COLORREF);
    HFONT(WINAPI* createFont)(const LOGFONTW*);
    HBITMAP(WINAPI* createBitmap)(HDC, int, int);
    HDC(WINAPI* createDc)(HDC);
    BOOL(WINAPI* deleteObject)(HGDIOBJ);
    BOOL(WINAPI* deleteDc)(HDC);
    HDC(WINAPI* getDc)(HWND);
    int(WINAPI* releaseDc)(HWND, HDC);
  };
  struct Patch {
    void** slot;
    void* original;
  };

  template <class Fn>
  void hook(const char* dll, const char* name, Fn replacement, Fn& original) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp) {
      if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), dll) != 0) continue;
      const DWORD lookup = imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk;
      const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookup);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
      for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        const auto* byName =
            reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
        auto** slot = reinterpret_cast<void**>(&slots->u1.Function);
        original = reinterpret_cast<Fn>(*slot);
        patched_.push_back({slot, *slot});
        write(slot, reinterpret_cast<void*>(replacement));
        return;
      }
    }
  }
  static void write(void** slot, void* value) {
    DWORD old = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
  }
  template <class H>
  static H made(H handle, long& count) {
    if (handle) {
      ++count;
      ++made_;
    }
    return handle;
  }

  static HBRUSH WINAPI createSolidBrush(COLORREF c) {
    return made(original_.createSolidBrush(c), objects_);
  }
  static HPEN WINAPI createPen(int style, int width, COLORREF c) {
    return made(original_.createPen(style, width, c), objects_);
  }
  static HFONT WINAPI createFont(const LOGFONTW* font) {
    return made(original_.createFont(font), objects_);
  }
  static HBITMAP WINAPI createBitmap(HDC dc, int w, int h) {
    return made(original_.createBitmap(dc, w, h), objects_);
  }
  static HDC WINAPI createDc(HDC dc) { return made(original_.createDc(dc), dcs_); }
  static HDC WINAPI getDc(HWND w) { return made(original_.getDc(w), dcs_); }
  static BOOL WINAPI deleteObject(HGDIOBJ object) {
    const BOOL ok = original_.deleteObject(object);
    objects_ -= ok ? 1 : 0;
    return ok;
  }
  static BOOL WINAPI deleteDc(HDC dc) {
    const BOOL ok = original_.deleteDc(dc);
    dcs_ -= ok ? 1 : 0;
    return ok;
  }
  static int WINAPI releaseDc(HWND w, HDC dc) {
    const int ok = original_.releaseDc(w, dc);
    dcs_ -= ok ? 1 : 0;
    return ok;
  }

  static inline Originals original_;
  static inline long objects_ = 0, dcs_ = 0, made_ = 0;
  std::vector<Patch> patched_;
};

TEST(Drawing, EveryGdiObjectMadeWhileDrawingIsReleased) {
  Pictures pictures(GetModuleHandleW(nullptr));
  Window panel(blackPanelClass(), L"", 0, 0, 0, 505, 580);
  Window button(L"Button", L"确定关闭", BS_OWNERDRAW, 0, 0, 60, 20, panel.get());
  Window box(L"Button", L"网卡流量", BS_GROUPBOX, 8, 451, 240, 72, panel.get());
  Window bar(PROGRESS_CLASSW, L"", PBS_SMOOTH | WS_BORDER | WS_VISIBLE, 33, 15, 202, 16, box.get());
  Window label(L"Static", L"12.34KB", WS_VISIBLE, 60, 16, 80, 14, box.get());
  Window tab(WC_TABCONTROLW, L"", TCS_BOTTOM | TCS_OWNERDRAWFIXED | TCS_FIXEDWIDTH, 0, 24, 504, 428,
             panel.get());
  Window edit(L"Edit", L"其他功能开发中.", ES_CENTER | WS_DISABLED, 0, 0, 118, 20, panel.get());
  SetWindowPos(label.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Canvas canvas(504, 428);
  BrushCache brushes;
  const TabLook& look = tabLook();
  auto drawAll = [&] {
    drawSuperButton(itemFor(button.get(), canvas, ODS_SELECTED), *superButtonLook(Ctl::超级按钮3),
                    true);
    drawSuperButton(itemFor(button.get(), canvas, 0), *superButtonLook(Ctl::超级按钮1), true);
    DRAWITEMSTRUCT item = itemFor(button.get(), canvas, 0);
    drawPictureButton(item, pictures.of(Ctl::图形按钮3), PictureState::mouseOver);
    paintGroupBox(box.get(), canvas.dc(), *groupBoxLook(Ctl::分组框3));
    paintTransparentLabel(label.get(), canvas.dc(), *transparentLabelLook(Ctl::接收透明标签));
    paintLabel(label.get(), canvas.dc(), *labelLook(Ctl::标签1));
    paintDisabledEdit(edit.get(), canvas.dc(), *editBoxLook(Ctl::编辑框2));
    colourEditBox(canvas.dc(), *editBoxLook(Ctl::编辑框), brushes);
    Font font = createTabFont(look);
    tabItemSize(tab.get(), font.get(), look);
    paintTab(tab.get(), canvas.dc(), font.get(), look, 0);
  };

  GdiCounter counter;
  ASSERT_TRUE(counter.complete()) << "an import of the drawing code was not found";
  drawAll();  // the brush cache fills once
  const long objects = counter.objects(), dcs = counter.dcs(), made = counter.made();
  const DWORD system = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (int i = 0; i < 300; ++i) drawAll();
  EXPECT_GT(counter.made(), made + 300 * 10) << "the drawing goes through the counted calls";
  EXPECT_EQ(counter.objects(), objects);
  EXPECT_EQ(counter.dcs(), dcs);
  // Where the system counts objects itself (not under Wine), its count stays flat as well.
  if (system != 0) {
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), system + 2);
  }
}

}  // namespace
}  // namespace kestrova::win
