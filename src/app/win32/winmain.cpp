// Kestrova's entry point.
#include <windows.h>

#include <cstdlib>
#include <exception>

#include "app/win32/program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  kestrova::win::runProgram(instance);
}

// The static C++ runtime's default terminate handler prints the pending exception's demangled
// type name to standard error, which a GUI program does not have, and links in a whole
// demangler for it (a seventh of the exe). The program catches no exception: whatever reaches
// the runtime ends it as before, by abort().
void __gnu_cxx::__verbose_terminate_handler() {
  std::abort();
}
