// Drawing of the controls in their looks: the owner-drawn super buttons, picture buttons and
// tab control, and the painted labels, transparent labels, group boxes and the disabled edit box.
// The toolkit calls these from its WM_DRAWITEM, WM_PAINT, WM_PRINTCLIENT and WM_CTLCOLOR*
// handlers. Every function draws through a back buffer and releases what it creates.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/looks.h"
#include "app/win32/gdi.h"
#include "app/win32/pictures.h"
#include "platform/win32/text.h"

namespace kestrova::win {

COLORREF colorRef(Rgb c);

// The font a control draws its text in: the one it was given with WM_SETFONT, else the
// system's default GUI font. Neither is owned by the caller.
HFONT controlFont(HWND control);

// Solid brushes made once per colour and kept until the cache goes, for WM_CTLCOLOR* answers.
class BrushCache {
 public:
  HBRUSH brush(Rgb colour);

 private:
  std::vector<std::pair<COLORREF, Brush>> brushes_;
};

// ---- Super buttons (BS_OWNERDRAW): WM_DRAWITEM ----

// Draws the button of `item` in its style: the pair is mouse-over while the mouse is over it
// (`mouseOver`, tracked by the toolkit) or it is pressed (ODS_SELECTED), focused while it has
// the focus (ODS_FOCUS), normal otherwise. The caption is the button's window text, centred
// and word-wrapped, one pixel right and down while pressed. No focus rectangle.
void drawSuperButton(const DRAWITEMSTRUCT& item, const SuperButtonLook& look, bool mouseOver);

// ---- Picture buttons (BS_OWNERDRAW): WM_DRAWITEM ----

// The state to draw: disabled (ODS_DISABLED), pressed (ODS_SELECTED), mouse-over, normal.
PictureState pictureState(const DRAWITEMSTRUCT& item, bool mouseOver);
// Fills the button with black and draws the state's picture unscaled at its top-left corner.
void drawPictureButton(const DRAWITEMSTRUCT& item, const PictureSet& pictures, PictureState state);

// ---- Tab control (TCS_OWNERDRAWFIXED | TCS_BOTTOM) ----

// The tab font of the look ("宋体", 12 pixels, GB2312); the toolkit sets it with WM_SETFONT
// and passes it to the functions below.
Font createTabFont(const TabLook& look);
// The size a tab needs for its caption: as wide as the caption in `font` plus the system's
// padding, at most the control's width less 3; one row high. For TCM_SETITEMSIZE.
SIZE tabItemSize(HWND tab, HFONT font, const TabLook& look);
// The item under a point in the tab's client coordinates, or -1.
int tabItemAt(HWND tab, POINT client);
// WM_PAINT (and WM_PRINTCLIENT) of the whole control: page area, strip, frame and tabs all
// black, each tab's caption in its colour; `hotItem` is the tab under the mouse or -1.
void paintTab(HWND tab, HDC dc, HFONT font, const TabLook& look, int hotItem);

// ---- Group boxes, labels, transparent labels: WM_PAINT / WM_PRINTCLIENT ----

// Given the control's own DC (from BeginPaint, or WM_DRAWITEM's), each function leaves the
// areas of the control's visible children and of the siblings in front of it alone; given a
// memory DC (WM_PRINTCLIENT), it paints its whole area.

// Fills the box with its background, draws the system's etched group frame from the caption's
// vertical middle down, and sets the caption (the window text, default GUI font) into the top
// edge in its colour and alignment.
void paintGroupBox(HWND box, HDC dc, const GroupBoxLook& look);
// Fills the label with its background and draws its text on one line, vertically centred, left
// aligned, without prefix processing; a framed label gets a one-pixel COLOR_WINDOWFRAME line.
void paintLabel(HWND label, HDC dc, const LabelLook& look);
// Draws what lies behind the label (its parent and the siblings behind it), then its text only,
// on one line, vertically centred, in its alignment, without prefix processing. Because the
// whole area is rebuilt, a repaint after a text change leaves no trace of the old text.
void paintTransparentLabel(HWND label, HDC dc, const TransparentLabelLook& look);
// Paints into `dc` (in the child's client coordinates) what lies behind `child`: the parent's
// background and client area (WM_ERASEBKGND, WM_PRINTCLIENT), then the visible siblings behind
// it that overlap it, farthest first (WM_PRINT for their frames, WM_PRINTCLIENT inside).
void paintBehind(HWND child, HDC dc);
// Invalidates the visible siblings in front of `window` that overlap it: call after changing
// something that a transparent label in front shows through (a bar's position or colour).
void invalidateInFront(HWND window);

// ---- Edit boxes ----

// WM_CTLCOLOREDIT (and WM_CTLCOLORSTATIC of a read-only or disabled box): sets the text and
// background colours on `dc` and returns the background brush (owned by `brushes`).
HBRUSH colourEditBox(HDC dc, const EditBoxLook& look, BrushCache& brushes);
// WM_PAINT of a disabled edit box, which the system would draw in grey: its background and
// its text in the look's colours and alignment, where the edit control would place it.
void paintDisabledEdit(HWND edit, HDC dc, const EditBoxLook& look);

}  // namespace kestrova::win
