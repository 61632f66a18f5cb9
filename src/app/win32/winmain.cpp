// Kestrova's entry point.
#include <windows.h>

#include "app/win32/program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  kestrova::win::runProgram(instance);
}
