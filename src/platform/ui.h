// What the core sees of the window and its controls: the toolkit's operations, addressed by
// layout name. The Win32 toolkit implements it; native tests use a scripted fake.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/controls.h"

namespace kestrova {

// A native window handle as a plain number (an HWND on Windows).
using NativeHandle = std::uintptr_t;

// A colour as the system stores it: 0x00BBGGRR.
using ColourRef = std::uint32_t;

enum class Event : std::uint8_t {
  created,            // main window, once, after every control exists, before the first show
  periodic,           // timers
  clicked,            // buttons
  positionChanged,    // slider
  keyPressed,         // key-down or system key-down taken from the queue
  leftButtonPressed,  // left-button-down taken from the queue
};

struct EventArgs {
  int key = 0;  // virtual-key code (keyPressed)
};

// A handler's result: false withholds the key or press from the control; no value or true
// lets the control process it as usual.
using Handler = std::function<std::optional<bool>(const EventArgs&)>;

struct Binding {
  Ctl control;
  Event event;
  Handler handler;
};

class Ui {
 public:
  virtual ~Ui() = default;

  // Native handle of a control or of the main window (主窗口).
  virtual NativeHandle handle(Ctl c) const = 0;

  // Texts in UTF-8: the program's own texts.
  virtual std::string text(Ctl c) const = 0;
  virtual void setText(Ctl c, std::string_view utf8) = 0;
  virtual void appendText(Ctl c, std::string_view utf8) = 0;

  // Texts in the system's ANSI code page: the child's output, the host text as a command
  // line, the console text as the saved log.
  virtual std::string ansiText(Ctl c) const = 0;
  virtual void appendAnsiText(Ctl c, std::string_view ansi) = 0;

  // True only when the control and every window that holds it are shown.
  virtual bool visible(Ctl c) const = 0;
  virtual void setVisible(Ctl c, bool shown) = 0;

  // Progress bars (set) and the slider (read).
  virtual int position(Ctl c) const = 0;
  virtual void setPosition(Ctl c, int position) = 0;
  // Gives the progress bar with this native handle its bar colour. The result is not examined.
  virtual void setBarColour(NativeHandle bar, ColourRef colour) = 0;

  // Makes the window layered (that extended style alone) with this constant alpha, 255 being
  // opaque. No colour key. The results are not examined.
  virtual void applyTransparency(NativeHandle window, std::uint8_t alpha) = 0;

  // The main window's outer height, and minimising it.
  virtual int outerHeight() const = 0;
  virtual void setOuterHeight(int height) = 0;
  virtual void minimise() = 0;

  // Dispatch the waiting messages until the queue is empty or a quit request is next (it
  // stays queued). Never waits.
  virtual void processPendingEvents() = 0;
  // True once the main window is gone and a quit request waits for the message loop.
  virtual bool quitPending() const = 0;
};

}  // namespace kestrova
