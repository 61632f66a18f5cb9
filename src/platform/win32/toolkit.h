// The windowing toolkit over user32/comctl32: creates the main window and its controls from
// the layout tables it is given, addresses them by layout name, routes their events to the bound
// handlers.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <vector>

#include "platform/controls.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "platform/win32/handles.h"

namespace kestrova::win {

// Control and timer ids: kFirstControlId + index(Ctl).
inline constexpr int kFirstControlId = 1000;

// Hooks for the owner drawing and the colours of the controls; the toolkit calls them from
// the messages that ask for them. Each returns false when it leaves the message to the default.
struct Painter {
  virtual ~Painter() = default;
  // A control was created and set up by the toolkit.
  virtual void configure(Ctl, HWND) {}
  virtual bool drawItem(Ctl, const DRAWITEMSTRUCT&) { return false; }
  // WM_CTLCOLOR*: sets up the DC and gives the brush, or nullptr for the default.
  virtual HBRUSH controlColour(Ctl, HDC) { return nullptr; }
  // WM_PAINT, WM_PRINTCLIENT and WM_ERASEBKGND of a control; true when the painter did it.
  virtual bool paint(Ctl, HWND) { return false; }
  virtual bool printClient(Ctl, HWND, HDC) { return false; }
  virtual bool eraseBackground(Ctl, HWND, HDC) { return false; }
  // True for a control whose whole client area the painter draws. The text of such a label is
  // stored without the static control painting itself there and then (it would draw its
  // default look at once, a flash before the painter's repaint).
  virtual bool paints(Ctl, HWND) { return false; }
  // The mouse entered or left a control that tracks it (owner-drawn buttons, the tab), or
  // moved within it.
  virtual void hoverChanged(Ctl, HWND, bool) {}
  virtual void mouseMoved(Ctl, HWND, POINT) {}
  // WM_SETCURSOR over a control; true when the painter set the pointer.
  virtual bool setCursor(Ctl) { return false; }
  // A control's text, position or bar colour changed.
  virtual void changed(Ctl, HWND) {}
};

class Toolkit final : public Ui, public Shell {
 public:
  Toolkit(HINSTANCE instance, const LayoutTables& layout);
  Toolkit(const Toolkit&) = delete;
  Toolkit& operator=(const Toolkit&) = delete;
  ~Toolkit() override;

  void setPainter(Painter* painter) { painter_ = painter; }
  void setIcons(HICON large, HICON small) {
    largeIcon_ = large;
    smallIcon_ = small;
  }

  // Shell
  void createMainWindow(std::vector<Binding> bindings) override;
  void runMessageLoop() override;
  void destroyWindows() override;
  [[noreturn]] void exitProcess(int code) override;

  // Ui
  NativeHandle handle(Ctl c) const override;
  std::string text(Ctl c) const override;
  void setText(Ctl c, std::string_view utf8) override;
  void appendText(Ctl c, std::string_view utf8) override;
  std::string ansiText(Ctl c) const override;
  void appendAnsiText(Ctl c, std::string_view ansi) override;
  bool visible(Ctl c) const override;
  void setVisible(Ctl c, bool shown) override;
  int position(Ctl c) const override;
  void setPosition(Ctl c, int position) override;
  void setBarColour(NativeHandle bar, ColourRef colour) override;
  void applyTransparency(NativeHandle window, std::uint8_t alpha) override;
  int outerHeight() const override;
  void setOuterHeight(int height) override;
  void minimise() override;
  void processPendingEvents() override;
  bool quitPending() const override { return quitPending_; }

 private:
  static LRESULT CALLBACK mainProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK controlProc(HWND, UINT, WPARAM, LPARAM);

  LRESULT onMainMessage(HWND, UINT, WPARAM, LPARAM);
  LRESULT onControlMessage(Ctl, HWND, UINT, WPARAM, LPARAM);
  LRESULT onBarPosition(Ctl, HWND, WPARAM, LPARAM);
  // Messages that a container (the main window or a group box) gets about its children.
  bool onChildNotification(UINT, WPARAM, LPARAM, LRESULT& result);

  void createControl(Ctl c);
  std::optional<bool> raise(Ctl c, Event e, const EventArgs& args = {});
  bool hasBinding(Ctl c, Event e) const;
  // Key and mouse events taken from the queue; true when the message is withheld.
  bool preTranslate(MSG& msg);
  // Tab and Shift+Tab among the controls of the tab order that are shown and enabled; true when
  // the key is taken.
  bool moveFocusByTab();
  void dispatch(MSG& msg);
  Ctl controlOf(HWND h) const;
  const ControlSpec& tableEntry(Ctl c) const { return layout_.controls[index(c)]; }

  HINSTANCE instance_;
  const LayoutTables& layout_;
  std::array<HWND, kControlCount + 1> hwnds_{};
  std::array<WNDPROC, kControlCount> originalProcs_{};
  std::array<bool, kControlCount> hovering_{};
  // The colour each bar was last given; CLR_DEFAULT until then.
  std::array<COLORREF, kControlCount> barColours_{};
  std::vector<Binding> bindings_;
  HICON largeIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  Painter* painter_ = nullptr;
  bool quitPending_ = false;
};

}  // namespace kestrova::win
