// A scripted stand-in for the toolkit: keeps every control's text, visibility and position,
// and records the calls in order so tests can check what the core did and when.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/layout.h"
#include "platform/ui.h"

namespace kestrova::testing {

class FakeUi : public Ui {
 public:
  struct State {
    std::string text;  // as the program would read it back (UTF-8 and ANSI alike here)
    bool shown = true;
    int position = 0;
  };

  FakeUi() {
    for (const auto& c : controls()) {
      auto& s = states_[index(c.id)];
      s.text = std::string(c.text);
      s.shown = c.visible;
    }
    states_[index(Ctl::滑块条1)].position = slider().initial;
    states_[index(Ctl::主窗口)].shown = true;
  }

  // Calls in order, e.g. "setText 流量标签 0MB".
  std::vector<std::string> log;
  // Runs inside processPendingEvents(), once per call (for nested events in tests).
  std::function<void()> onProcessEvents;
  int processEventsCalls = 0;
  int outer = kUnfoldedHeight;
  bool quit = false;
  bool minimised = false;

  State& state(Ctl c) { return states_[index(c)]; }
  const State& state(Ctl c) const { return states_[index(c)]; }

  NativeHandle handle(Ctl c) const override { return 0x1000 + index(c); }
  std::string text(Ctl c) const override { return state(c).text; }
  void setText(Ctl c, std::string_view utf8) override {
    state(c).text = std::string(utf8);
    record("setText", c, utf8);
  }
  void appendText(Ctl c, std::string_view utf8) override {
    state(c).text += utf8;
    record("appendText", c, utf8);
  }
  // What the ANSI read gives back where it differs from the text (the conversion's doing).
  std::map<Ctl, std::string> ansiOverride;
  std::string ansiText(Ctl c) const override {
    const auto it = ansiOverride.find(c);
    return it != ansiOverride.end() ? it->second : state(c).text;
  }
  void appendAnsiText(Ctl c, std::string_view ansi) override {
    state(c).text += ansi;
    record("appendAnsiText", c, ansi);
  }
  bool visible(Ctl c) const override {
    if (c == Ctl::主窗口) return state(c).shown;
    const auto& s = layoutOf(c);
    if (!state(c).shown || !state(Ctl::主窗口).shown) return false;
    return s.parent == Ctl::主窗口 || state(s.parent).shown;
  }
  void setVisible(Ctl c, bool shown) override {
    state(c).shown = shown;
    record(shown ? "show" : "hide", c, "");
  }
  int position(Ctl c) const override { return state(c).position; }
  void setPosition(Ctl c, int p) override {
    state(c).position = p;
    record("setPosition", c, std::to_string(p));
  }
  // Logged by the name of the control whose handle is given, e.g.
  // "barColour 接收进度条 0x00FF00FF".
  void setBarColour(NativeHandle bar, ColourRef colour) override {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(colour));
    log.push_back("barColour " + nameOfHandle(bar) + " " + hex);
  }
  // E.g. "alpha 主窗口 220".
  void applyTransparency(NativeHandle window, std::uint8_t alpha) override {
    log.push_back("alpha " + nameOfHandle(window) + " " + std::to_string(alpha));
  }
  int outerHeight() const override { return outer; }
  void setOuterHeight(int h) override {
    outer = h;
    record("setOuterHeight", Ctl::主窗口, std::to_string(h));
  }
  void minimise() override {
    minimised = true;
    record("minimise", Ctl::主窗口, "");
  }
  void processPendingEvents() override {
    ++processEventsCalls;
    if (onProcessEvents) onProcessEvents();
  }
  bool quitPending() const override { return quit; }

 private:
  // The layout name of the control (or 主窗口) that this fake gives the handle.
  std::string nameOfHandle(NativeHandle h) const {
    if (h == handle(Ctl::主窗口)) return "主窗口";
    for (const auto& c : controls()) {
      if (handle(c.id) == h) return std::string(c.name);
    }
    return "handle " + std::to_string(h);
  }

  void record(const char* what, Ctl c, std::string_view arg) {
    std::string line = std::string(what) + " " +
                       (c == Ctl::主窗口 ? std::string("主窗口") : std::string(layoutOf(c).name));
    if (!arg.empty()) line += " " + std::string(arg);
    log.push_back(std::move(line));
  }

  std::array<State, kControlCount + 1> states_{};
};

}  // namespace kestrova::testing
