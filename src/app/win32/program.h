// The program on Win32: its toolkit, looks and system services, built once and handed to the
// App. A variant of the program (a benchmark build) may stand in for the toolkit's Ui or the
// process layer before it starts.
#pragma once

#include <windows.h>

#include "platform/process.h"
#include "platform/ui.h"
#include "platform/win32/toolkit.h"

namespace kestrova::win {

class ProgramVariant {
 public:
  virtual ~ProgramVariant() = default;
  // The Ui the handlers see; the toolkit itself unless a variant wraps it.
  virtual Ui& ui(Toolkit& toolkit) { return toolkit; }
  // The process layer the console starts its children with.
  virtual ProcessSystem& processes(ProcessSystem& system) { return system; }
  // Runs once everything exists, right before start-up.
  virtual void starting(Toolkit&) {}
};

// Start-up sequence of the program; ends the process through the normal end.
[[noreturn]] void runProgram(HINSTANCE instance, ProgramVariant& variant);
[[noreturn]] void runProgram(HINSTANCE instance);

}  // namespace kestrova::win
