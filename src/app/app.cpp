#include "app/app.h"

#include <cstdlib>
#include <utility>

#include "app/appearance.h"

namespace kestrova {
namespace {

// Wraps a handler that gives back no value.
template <typename F>
Handler plain(F f) {
  return [f](const EventArgs&) -> std::optional<bool> {
    f();
    return std::nullopt;
  };
}

}  // namespace

void App::startUp() {
  table_.create();
  exitAction_ = [this] { table_.release(); };
  shell_.createMainWindow(bindings());
  shell_.runMessageLoop();
  normalEnd(0);
}

void App::normalEnd(int exitCode) {
  if (exitAction_) {
    auto action = std::exchange(exitAction_, nullptr);
    action();
  }
  shell_.destroyWindows();
  shell_.exitProcess(exitCode);
  std::abort();  // exitProcess does not return
}

std::vector<Binding> App::bindings() {
  std::vector<Binding> b;
  b.push_back({Ctl::主窗口, Event::created, plain([this] { onCreated(); })});
  b.push_back({Ctl::时钟1, Event::periodic, plain([this] { onSamplingTick(); })});
  b.push_back({Ctl::时间显示时钟, Event::periodic, plain([this] { onClockTick(); })});
  b.push_back({Ctl::滑块条1, Event::positionChanged, plain([this] { onSliderMoved(); })});
  b.push_back({Ctl::图形按钮1, Event::clicked, plain([this] { onFoldClicked(); })});
  b.push_back({Ctl::图形按钮4, Event::clicked, plain([this] { onPanelToggleClicked(); })});
  b.push_back({Ctl::图形按钮5, Event::clicked, plain([this] { onMinimiseClicked(); })});
  b.push_back({Ctl::超级按钮3, Event::clicked, plain([this] { onPanelHideClicked(); })});
  b.push_back({Ctl::图形按钮3, Event::clicked, plain([this] { onCloseClicked(); })});
  b.push_back({Ctl::超级按钮1, Event::clicked, plain([this] { console_.onRunClicked(); })});
  b.push_back({Ctl::超级按钮2, Event::clicked, plain([this] { console_.onStopClicked(); })});
  b.push_back({Ctl::超级按钮4, Event::clicked, plain([this] { console_.onClearClicked(); })});
  b.push_back({Ctl::超级按钮5, Event::clicked, plain([this] { console_.onSaveClicked(); })});
  b.push_back({Ctl::编辑框1, Event::keyPressed, [this](const EventArgs& a) -> std::optional<bool> {
                 console_.onHostKey(a.key);
                 return std::nullopt;
               }});
  b.push_back(
      {Ctl::编辑框1, Event::leftButtonPressed, plain([this] { console_.onHostLeftButton(); })});
  return b;
}

// Window creation set-up: before the first show, once.
void App::onCreated() {
  display_.reset();
  writeStartTimeLabel(sys_.ui, sys_.clock);
  applyTransparency(sys_.ui, kInitialAlpha);
}

void App::onSamplingTick() {
  table_.refresh(sys_.ifTable);
  display_.update(table_, kShownRow);
}

void App::onClockTick() {
  elapsed_.update(sys_.ui);
}

void App::onSliderMoved() {
  transparencyFromSlider(sys_.ui);
}

void App::onFoldClicked() {
  foldOrUnfold(sys_.ui);
}

void App::onPanelToggleClicked() {
  togglePanel(sys_.ui);
}

void App::onMinimiseClicked() {
  minimiseIfVisible(sys_.ui);
}

void App::onPanelHideClicked() {
  hidePanel(sys_.ui);
}

void App::onCloseClicked() {
  // The process ends at once, with running captures still on the stack: their children are
  // ended first, also where no job object would end them with the process.
  capture_.endRunningChildren();
  normalEnd(0);
}

}  // namespace kestrova
