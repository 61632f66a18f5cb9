// Kestrova's entry point: builds the Win32 services and hands them to the program.
#include <windows.h>

#include "app/app.h"
#include "platform/win32/toolkit.h"
#include "platform/win32/win_system.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  kestrova::win::Toolkit toolkit(instance);
  kestrova::WinIfTableSource ifTable;
  kestrova::App app(toolkit, kestrova::Services{toolkit, ifTable});
  app.startUp();
}
