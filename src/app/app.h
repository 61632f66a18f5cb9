// The program: its start-up sequence, its normal end, and the handlers bound to the layout.
#pragma once

#include <functional>
#include <vector>

#include "console/capture.h"
#include "console/console.h"
#include "monitor/display.h"
#include "monitor/iftable.h"
#include "monitor/timelabels.h"
#include "platform/figures.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace kestrova {

// The system services the handlers call.
struct Services {
  Ui& ui;
  IfTableSource& ifTable;
  SystemFigures& figures;
  LocalClock& clock;
  ProcessSystem& processes;
  Files& files;
};

class App {
 public:
  App(Shell& shell, Services services)
      : shell_(shell),
        sys_(services),
        display_(sys_.ui, sys_.figures),
        capture_(sys_.ui, sys_.processes),
        console_(sys_.ui, capture_, sys_.files,
                 [&p = sys_.processes](unsigned char b) { return p.isLeadByte(b); }) {}

  // Start-up sequence; returns only through the normal end.
  [[noreturn]] void startUp();
  // Runs the exit action once, destroys the windows and ends the process.
  [[noreturn]] void normalEnd(int exitCode);

  // Every binding of the layout.
  std::vector<Binding> bindings();

  const InterfaceTable& table() const { return table_; }
  const TrafficDisplay& display() const { return display_; }

  // Handlers.
  void onCreated();
  void onSamplingTick();
  void onClockTick();
  void onSliderMoved();
  void onFoldClicked();
  void onPanelToggleClicked();
  void onMinimiseClicked();
  void onPanelHideClicked();
  void onCloseClicked();

 private:
  Shell& shell_;
  Services sys_;
  InterfaceTable table_;
  TrafficDisplay display_;
  ElapsedTime elapsed_;
  Capture capture_;
  Console console_;
  std::function<void()> exitAction_;
};

}  // namespace kestrova
