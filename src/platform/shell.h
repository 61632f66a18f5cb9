// What start-up and the normal end need of the windowing system.
#pragma once

#include <vector>

#include "platform/ui.h"

namespace kestrova {

class Shell {
 public:
  virtual ~Shell() = default;
  // Creates the main window and every control from the layout with these bindings, raises
  // the created event, then shows the window.
  virtual void createMainWindow(std::vector<Binding> bindings) = 0;
  // Runs the message loop until it takes the quit message.
  virtual void runMessageLoop() = 0;
  virtual void destroyWindows() = 0;
  [[noreturn]] virtual void exitProcess(int code) = 0;
};

}  // namespace kestrova
