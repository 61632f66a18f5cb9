#include "app/win32/draw.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace kestrova::win {
namespace {

UINT alignFlag(Align a) {
  switch (a) {
    case Align::centre:
      return DT_CENTER;
    case Align::right:
      return DT_RIGHT;
    case Align::left:
      break;
  }
  return DT_LEFT;
}

void fill(HDC dc, const RECT& area, COLORREF colour) {
  Brush brush(CreateSolidBrush(colour));
  FillRect(dc, &area, brush.get());
}

RECT clientRect(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return r;
}

// Text on one line, vertically centred, in the given alignment, without prefix processing.
void drawLine(HDC dc, const std::wstring& text, RECT area, UINT align) {
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | align);
}

// A one-pixel edge: `topLeft` along the top and left, `bottomRight` along the bottom and right.
void drawEdge(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  fill(dc, RECT{r.left, r.top, r.right, r.top + 1}, topLeft);
  fill(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, topLeft);
  fill(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  fill(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

RECT rectIn(HWND window, HWND relativeTo) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, relativeTo, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// On a control's own window DC (WM_PAINT, WM_DRAWITEM), leaves out of the clipping region the
// areas of its visible children and of the visible siblings in front of it that overlap it.
// Labels and buttons take their parent's clipping (CS_PARENTDC), so without this a label
// would paint over the picture buttons in front of it, and a group box over its children.
// A memory DC (WM_PRINTCLIENT into a back buffer) is left as it is: there the whole area is
// wanted.
void clipToOwnArea(HWND control, HDC dc) {
  if (GetObjectType(dc) == OBJ_MEMDC) return;
  for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r = rectIn(child, control);
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  HWND parent = GetParent(control);
  if (!parent) return;
  RECT mine = rectIn(control, parent);
  POINT origin{0, 0};  // the control's client origin in its parent
  MapWindowPoints(control, parent, &origin, 1);
  for (HWND s = GetWindow(control, GW_HWNDPREV); s; s = GetWindow(s, GW_HWNDPREV)) {
    RECT theirs = rectIn(s, parent);
    RECT overlap{};
    if (!IsWindowVisible(s) || !IntersectRect(&overlap, &mine, &theirs)) continue;
    ExcludeClipRect(dc, theirs.left - origin.x, theirs.top - origin.y, theirs.right - origin.x,
                    theirs.bottom - origin.y);
  }
}

// The frame that the system draws around a window with a border or an edge, at the window's
// origin in `dc`: WM_PRINT with PRF_NONCLIENT does not draw it on every system (Wine leaves it
// out), so what lies behind a transparent label is given its frame here first.
void drawFrame(HWND window, HDC dc) {
  RECT outer{};
  GetWindowRect(window, &outer);
  OffsetRect(&outer, -outer.left, -outer.top);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  if (exStyle & WS_EX_STATICEDGE) {
    DrawEdge(dc, &outer, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(&outer, -1, -1);
  } else if (style & WS_BORDER) {
    FrameRect(dc, &outer, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&outer, -1, -1);
  }
  if (exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &outer, EDGE_SUNKEN, BF_RECT);
}

std::wstring tabItemText(HWND tab, int item) {
  wchar_t buffer[256] = {};
  TCITEMW info{};
  info.mask = TCIF_TEXT;
  info.pszText = buffer;
  info.cchTextMax = static_cast<int>(std::size(buffer));
  if (!SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(item),
                    reinterpret_cast<LPARAM>(&info))) {
    return {};
  }
  return info.pszText ? std::wstring(info.pszText) : std::wstring();
}

// The caption of one tab, from six pixels in, vertically centred, cut off at the tab's edge.
void drawTabCaption(HDC dc, const RECT& tabRect, const std::wstring& caption, HFONT font,
                    COLORREF colour) {
  SavedDc saved(dc);
  IntersectClipRect(dc, tabRect.left, tabRect.top, tabRect.right, tabRect.bottom);
  Selection selected(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  RECT text = tabRect;
  text.left += 6;
  text.right = std::max(text.right, text.left + 4096);  // never wrapped or shortened, only cut
  drawLine(dc, caption, text, DT_LEFT);
}

}  // namespace

COLORREF colorRef(Rgb c) {
  return RGB(c.r, c.g, c.b);
}

HFONT controlFont(HWND control) {
  auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HBRUSH BrushCache::brush(Rgb colour) {
  COLORREF key = colorRef(colour);
  for (const auto& [c, b] : brushes_) {
    if (c == key) return b.get();
  }
  brushes_.emplace_back(key, Brush(CreateSolidBrush(key)));
  return brushes_.back().second.get();
}

// ---- Super buttons ----

void drawSuperButton(const DRAWITEMSTRUCT& item, const SuperButtonLook& look, bool mouseOver) {
  SavedDc clip(item.hDC);
  clipToOwnArea(item.hwndItem, item.hDC);
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0;
  const ColourPair& pair =
      (mouseOver || pressed) ? look.mouseOver : (focused ? look.focused : look.normal);
  const RECT& r = item.rcItem;

  BackBuffer buffer(item.hDC, r);
  HDC dc = buffer.dc();
  SavedDc saved(dc);

  if (look.style == ButtonStyle::rounded) {
    fill(dc, r, colorRef((mouseOver || pressed) ? look.normal.background : pair.background));
    if (mouseOver || pressed) {
      Brush inside(CreateSolidBrush(colorRef(look.mouseOver.background)));
      Pen outline(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
      Selection brushSelected(dc, inside.get());
      Selection penSelected(dc, outline.get());
      RoundRect(dc, r.left, r.top, r.right, r.bottom, 8, 8);
    }
  } else {
    fill(dc, r, colorRef(pair.background));
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    if (pressed) {
      drawEdge(dc, r, shadow, light);
    } else if (mouseOver) {
      drawEdge(dc, r, light, shadow);
    }
  }

  std::wstring caption = windowText(item.hwndItem);
  if (!caption.empty()) {
    Selection fontSelected(dc, controlFont(item.hwndItem));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colorRef(pair.caption));
    RECT area = r;
    if (pressed) OffsetRect(&area, 1, 1);
    // DT_VCENTER works on single lines only: measure the wrapped caption and centre it by hand.
    RECT measured = area;
    const UINT flags = DT_CENTER | DT_WORDBREAK;
    int height = DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured,
                           flags | DT_CALCRECT);
    area.top += ((area.bottom - area.top) - height) / 2;
    area.bottom = area.top + height;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &area, flags);
  }
}

// ---- Picture buttons ----

PictureState pictureState(const DRAWITEMSTRUCT& item, bool mouseOver) {
  if (item.itemState & ODS_DISABLED) return PictureState::disabled;
  if (item.itemState & ODS_SELECTED) return PictureState::pressed;
  return mouseOver ? PictureState::mouseOver : PictureState::normal;
}

void drawPictureButton(const DRAWITEMSTRUCT& item, const PictureSet& pictures, PictureState state) {
  SavedDc clip(item.hDC);
  clipToOwnArea(item.hwndItem, item.hDC);
  const RECT& r = item.rcItem;
  BackBuffer buffer(item.hDC, r);
  HDC dc = buffer.dc();
  fill(dc, r, RGB(0, 0, 0));

  const Picture* picture = pictures.of(state);
  if (!picture || !picture->bitmap) return;
  MemoryDc source(dc);
  if (!source.get()) return;
  Selection selected(source.get(), picture->bitmap.get());
  const int width = std::min<int>(picture->size.cx, r.right - r.left);
  const int height = std::min<int>(picture->size.cy, r.bottom - r.top);
  BitBlt(dc, r.left, r.top, width, height, source.get(), 0, 0, SRCCOPY);
}

// ---- Tab control ----

Font createTabFont(const TabLook& look) {
  LOGFONTW font{};
  font.lfHeight = look.fontHeight;
  font.lfWeight = look.fontWeight;
  font.lfCharSet = look.fontCharset;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  std::wstring face = toWide(look.fontFace);
  face.copy(font.lfFaceName, std::size(font.lfFaceName) - 1);
  return Font(CreateFontIndirectW(&font));
}

SIZE tabItemSize(HWND tab, HFONT font, const TabLook& look) {
  std::wstring caption = toWide(look.caption);
  SIZE text{0, 0};
  {
    WindowDc dc(tab);
    Selection selected(dc.get(), font);
    GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &text);
  }
  const int widest = std::max(1, static_cast<int>(clientRect(tab).right) - 3);
  return SIZE{std::min(static_cast<int>(text.cx) + 12, widest), look.tabHeight};
}

int tabItemAt(HWND tab, POINT client) {
  TCHITTESTINFO hit{};
  hit.pt = client;
  return static_cast<int>(SendMessageW(tab, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void paintTab(HWND tab, HDC dc, HFONT font, const TabLook& look, int hotItem) {
  const RECT client = clientRect(tab);
  SavedDc saved(dc);
  clipToOwnArea(tab, dc);
  BackBuffer buffer(dc, client);
  HDC target = buffer.dc();
  fill(target, client, colorRef(look.fill));  // page, strip, frame and outlines alike

  const int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
  const int current = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
  for (int i = 0; i < count; ++i) {
    RECT item{};
    if (!SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(i),
                      reinterpret_cast<LPARAM>(&item)) ||
        IsRectEmpty(&item)) {
      // The strip along the bottom edge, one row of tabs in it.
      SIZE size = tabItemSize(tab, font, look);
      item = RECT{2, client.bottom - look.stripHeight, 2 + size.cx,
                  client.bottom - look.stripHeight + look.tabHeight};
    }
    const Rgb colour = i == hotItem ? look.hot : (i == current ? look.current : look.other);
    drawTabCaption(target, item, tabItemText(tab, i), font, colorRef(colour));
  }
}

// ---- Group boxes, labels, transparent labels ----

void paintGroupBox(HWND box, HDC dc, const GroupBoxLook& look) {
  const RECT client = clientRect(box);
  SavedDc saved(dc);
  clipToOwnArea(box, dc);

  BackBuffer buffer(dc, client);
  HDC target = buffer.dc();
  const COLORREF background = colorRef(look.background);
  fill(target, client, background);

  Selection fontSelected(target, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  std::wstring caption = windowText(box);
  TEXTMETRICW metrics{};
  GetTextMetricsW(target, &metrics);
  SIZE text{0, metrics.tmHeight};
  if (!caption.empty()) {
    GetTextExtentPoint32W(target, caption.c_str(), static_cast<int>(caption.size()), &text);
  }

  RECT frame = client;
  frame.top += text.cy / 2;
  DrawEdge(target, &frame, EDGE_ETCHED, BF_RECT);

  if (caption.empty()) return;
  constexpr int kInset = 8;  // from the box's side to the caption's gap
  constexpr int kGap = 2;    // background each side of the caption, interrupting the frame
  const int width = client.right - client.left;
  int left = kInset;
  if (look.align == Align::centre) left = (width - text.cx) / 2;
  if (look.align == Align::right) left = width - kInset - text.cx;
  fill(target, RECT{left - kGap, 0, left + text.cx + kGap, text.cy}, background);
  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, colorRef(look.caption));
  RECT area{left, 0, left + text.cx, text.cy};
  DrawTextW(target, caption.c_str(), static_cast<int>(caption.size()), &area,
            DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX);
}

void paintLabel(HWND label, HDC dc, const LabelLook& look) {
  const RECT client = clientRect(label);
  SavedDc saved(dc);
  clipToOwnArea(label, dc);
  BackBuffer buffer(dc, client);
  HDC target = buffer.dc();
  fill(target, client, colorRef(look.background));
  RECT area = client;
  if (look.framed) {
    FrameRect(target, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&area, -1, -1);
  }
  Selection fontSelected(target, controlFont(label));
  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, colorRef(look.text));
  drawLine(target, windowText(label), area, DT_LEFT);
}

void paintBehind(HWND child, HDC dc) {
  HWND parent = GetParent(child);
  const RECT client = clientRect(child);
  fill(dc, client, RGB(0, 0, 0));
  if (!parent) return;

  SavedDc saved(dc);
  POINT origin{0, 0};  // the child's client origin in the parent's client area
  MapWindowPoints(child, parent, &origin, 1);
  POINT before{};
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, &before);
  SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);

  // The siblings behind the child that overlap it, from the back to the front.
  RECT mine = rectIn(child, parent);
  std::vector<HWND> behind;
  for (HWND s = GetWindow(child, GW_HWNDNEXT); s; s = GetWindow(s, GW_HWNDNEXT)) {
    RECT theirs = rectIn(s, parent);
    RECT overlap{};
    if (IsWindowVisible(s) && IntersectRect(&overlap, &mine, &theirs)) behind.push_back(s);
  }
  // Each sibling's frame at its window origin, then its client area at its client origin:
  // placed here rather than left to WM_PRINT's own client offset, which not every system applies.
  for (auto it = behind.rbegin(); it != behind.rend(); ++it) {
    RECT theirs = rectIn(*it, parent);
    SetViewportOrgEx(dc, before.x - origin.x + theirs.left, before.y - origin.y + theirs.top,
                     nullptr);
    drawFrame(*it, dc);
    SendMessageW(*it, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT);
    POINT inside{0, 0};
    MapWindowPoints(*it, parent, &inside, 1);
    SetViewportOrgEx(dc, before.x - origin.x + inside.x, before.y - origin.y + inside.y, nullptr);
    SendMessageW(*it, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                 PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  }
}

void paintTransparentLabel(HWND label, HDC dc, const TransparentLabelLook& look) {
  const RECT client = clientRect(label);
  SavedDc saved(dc);
  clipToOwnArea(label, dc);
  BackBuffer buffer(dc, client);
  HDC target = buffer.dc();
  paintBehind(label, target);
  Selection fontSelected(target, controlFont(label));
  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, colorRef(look.text));
  drawLine(target, windowText(label), client, alignFlag(look.align));
}

void invalidateInFront(HWND window) {
  HWND parent = GetParent(window);
  RECT mine = rectIn(window, parent);
  for (HWND s = GetWindow(window, GW_HWNDPREV); s; s = GetWindow(s, GW_HWNDPREV)) {
    RECT theirs = rectIn(s, parent);
    RECT overlap{};
    if (IsWindowVisible(s) && IntersectRect(&overlap, &mine, &theirs)) {
      InvalidateRect(s, nullptr, FALSE);
    }
  }
}

// ---- Edit boxes ----

HBRUSH colourEditBox(HDC dc, const EditBoxLook& look, BrushCache& brushes) {
  SetTextColor(dc, colorRef(look.text));
  SetBkColor(dc, colorRef(look.background));
  return brushes.brush(look.background);
}

void paintDisabledEdit(HWND edit, HDC dc, const EditBoxLook& look) {
  const RECT client = clientRect(edit);
  SavedDc saved(dc);
  clipToOwnArea(edit, dc);
  BackBuffer buffer(dc, client);
  HDC target = buffer.dc();
  fill(target, client, colorRef(look.background));
  RECT format = client;  // where the edit control puts its text
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  if (IsRectEmpty(&format)) format = client;
  Selection fontSelected(target, controlFont(edit));
  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, colorRef(look.text));
  std::wstring text = windowText(edit);
  DrawTextW(target, text.c_str(), static_cast<int>(text.size()), &format,
            DT_SINGLELINE | DT_TOP | DT_NOPREFIX | DT_EDITCONTROL | alignFlag(look.align));
}

}  // namespace kestrova::win
