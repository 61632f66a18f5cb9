// How each control looks: colours, alignments, frames and button styles, keyed by layout name.
// The Win32 drawing code paints from these records; they include no Windows header, so the
// native tests read the same table.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "app/layout.h"

namespace kestrova {

struct Rgb {
  std::uint8_t r, g, b;
  friend constexpr bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

enum class Align : std::uint8_t { left, centre, right };

struct LabelLook {
  Ctl id;
  Rgb text;
  Rgb background;
  bool framed;  // a one-pixel line in the system's window-frame colour
};

struct TransparentLabelLook {
  Ctl id;
  Rgb text;
  Align align;
};

struct GroupBoxLook {
  Ctl id;
  Rgb caption;
  Align align;  // of the caption in the top edge
  Rgb background;
};

struct EditBoxLook {
  Ctl id;
  bool framed;  // a one-pixel line
  Rgb text;
  Rgb background;
  Align align;
};

enum class ButtonStyle : std::uint8_t {
  rounded,  // a black-outlined 8x8 round rectangle on mouse-over or press, never an edge
  edged,    // flat at rest, raised edge on mouse-over, sunken while pressed
};

struct ColourPair {
  Rgb caption;
  Rgb background;
};

struct SuperButtonLook {
  Ctl id;
  ButtonStyle style;
  ColourPair normal;     // the mouse is elsewhere and the button has no focus
  ColourPair mouseOver;  // the mouse is over it, or it is pressed
  ColourPair focused;    // it has the focus and the mouse is elsewhere
};

struct TabLook {
  Ctl id;
  std::string_view caption;   // UTF-8
  std::string_view fontFace;  // UTF-8
  int fontHeight;             // LOGFONT height: negative, the character height
  int fontWeight;
  std::uint8_t fontCharset;  // GB2312
  int tabHeight;             // one row of tabs
  int stripHeight;           // the row plus two pixels, along the bottom edge
  Rgb current;               // caption of the current tab
  Rgb hot;                   // caption of the tab under the mouse
  Rgb other;                 // caption of any other tab
  Rgb fill;                  // page area, tabs and every fill
  Rgb outline;               // frame and tab outlines
};

// The look of one control of its kind; no value for a control of another kind.
std::optional<LabelLook> labelLook(Ctl c);
std::optional<TransparentLabelLook> transparentLabelLook(Ctl c);
std::optional<GroupBoxLook> groupBoxLook(Ctl c);
std::optional<EditBoxLook> editBoxLook(Ctl c);
std::optional<SuperButtonLook> superButtonLook(Ctl c);
const TabLook& tabLook();  // 高级选择夹1

}  // namespace kestrova
