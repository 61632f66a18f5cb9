// Kestrova's entry point: builds the Win32 services and hands them to the program.
#include <windows.h>

#include "app/app.h"
#include "platform/win32/toolkit.h"
#include "platform/win32/win_figures.h"
#include "platform/win32/win_looks.h"
#include "platform/win32/win_system.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  kestrova::win::Toolkit toolkit(instance);
  kestrova::WinIfTableSource ifTable;
  kestrova::WinSystemFigures figures;
  kestrova::WinLocalClock clock;
  kestrova::WinBarColour barColour;
  kestrova::WinTransparency transparency;
  kestrova::App app(toolkit,
                    kestrova::Services{toolkit, ifTable, figures, clock, barColour, transparency});
  app.startUp();
}
