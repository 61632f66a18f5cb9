#include "app/win32/painter.h"

#include <commctrl.h>

namespace kestrova::win {

LookPainter::LookPainter(HINSTANCE module)
    : pictures_(module), tabFont_(createTabFont(tabLook())) {}

void LookPainter::configure(Ctl c, HWND h) {
  if (c != tabLook().id) return;
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(tabFont_.get()), FALSE);
  const SIZE size = tabItemSize(h, tabFont_.get(), tabLook());
  SendMessageW(h, TCM_SETITEMSIZE, 0, MAKELPARAM(size.cx, size.cy));
  // The one page.
  std::wstring caption = toWide(tabLook().caption);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = caption.data();
  SendMessageW(h, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

bool LookPainter::drawItem(Ctl c, const DRAWITEMSTRUCT& item) {
  switch (layoutOf(c).kind) {
    case Kind::superButton:
      if (const auto look = superButtonLook(c)) {
        drawSuperButton(item, *look, hover_[index(c)]);
        return true;
      }
      return false;
    case Kind::pictureButton:
      drawPictureButton(item, pictures_.of(c), pictureState(item, hover_[index(c)]));
      return true;
    default:
      return false;
  }
}

HBRUSH LookPainter::controlColour(Ctl c, HDC dc) {
  if (const auto look = editBoxLook(c)) return colourEditBox(dc, *look, brushes_);
  // The slider stands on the background of the box that holds it.
  if (layoutOf(c).kind == Kind::sliderBar) {
    if (const auto box = groupBoxLook(layoutOf(c).parent)) {
      SetBkColor(dc, colorRef(box->background));
      return brushes_.brush(box->background);
    }
  }
  return nullptr;
}

bool LookPainter::paintInto(Ctl c, HWND h, HDC dc) {
  if (const auto look = labelLook(c)) {
    paintLabel(h, dc, *look);
  } else if (const auto tlook = transparentLabelLook(c)) {
    paintTransparentLabel(h, dc, *tlook);
  } else if (const auto glook = groupBoxLook(c)) {
    paintGroupBox(h, dc, *glook);
  } else if (c == tabLook().id) {
    paintTab(h, dc, tabFont_.get(), tabLook(), hotTab_);
  } else if (const auto elook = editBoxLook(c); elook && !IsWindowEnabled(h)) {
    paintDisabledEdit(h, dc, *elook);
  } else {
    return false;
  }
  return true;
}

bool LookPainter::paints(Ctl c, HWND h) {
  return labelLook(c) || transparentLabelLook(c) || groupBoxLook(c) || c == tabLook().id ||
         (editBoxLook(c) && !IsWindowEnabled(h));
}

bool LookPainter::paint(Ctl c, HWND h) {
  // Only the kinds painted here take the paint from the control.
  if (!paints(c, h)) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  paintInto(c, h, dc);
  EndPaint(h, &ps);
  return true;
}

bool LookPainter::printClient(Ctl c, HWND h, HDC dc) {
  return paintInto(c, h, dc);
}

bool LookPainter::eraseBackground(Ctl c, HWND h, HDC) {
  // The painted kinds fill their whole area in WM_PAINT.
  return paints(c, h);
}

void LookPainter::hoverChanged(Ctl c, HWND h, bool over) {
  hover_[index(c)] = over;
  if (c == tabLook().id && !over) hotTab_ = -1;
  InvalidateRect(h, nullptr, FALSE);
}

void LookPainter::mouseMoved(Ctl c, HWND h, POINT client) {
  if (c != tabLook().id) return;
  const int hot = tabItemAt(h, client);
  if (hot != hotTab_) {
    hotTab_ = hot;
    InvalidateRect(h, nullptr, FALSE);
  }
}

bool LookPainter::setCursor(Ctl c) {
  if (layoutOf(c).kind != Kind::pictureButton) return false;
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
  return true;
}

void LookPainter::changed(Ctl c, HWND h) {
  switch (layoutOf(c).kind) {
    case Kind::transparentLabel:
      // The label rebuilds its whole area, what lies behind it included.
      InvalidateRect(h, nullptr, FALSE);
      break;
    case Kind::progressBar:
      // A readout in front shows the bar through: it must be rebuilt too.
      invalidateInFront(h);
      break;
    case Kind::label:
      InvalidateRect(h, nullptr, FALSE);
      break;
    default:
      break;
  }
}

}  // namespace kestrova::win
