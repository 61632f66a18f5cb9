// Kestrova's entry point: builds the Win32 services and hands them to the program.
#include <windows.h>

#include "app/app.h"
#include "app/win32/painter.h"
#include "platform/win32/handles.h"
#include "platform/win32/toolkit.h"
#include "platform/win32/win_figures.h"
#include "platform/win32/win_files.h"
#include "platform/win32/win_looks.h"
#include "platform/win32/win_process.h"
#include "platform/win32/win_system.h"
#include "resource_ids.h"

namespace {

HICON loadIcon(HINSTANCE instance, int sizeMetric) {
  const int size = GetSystemMetrics(sizeMetric);
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_KESTROVA), IMAGE_ICON, size, size, 0));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Icons and pictures live as long as the process: the normal end leaves through ExitProcess.
  kestrova::win::UniqueIcon largeIcon(loadIcon(instance, SM_CXICON));
  kestrova::win::UniqueIcon smallIcon(loadIcon(instance, SM_CXSMICON));
  kestrova::win::LookPainter painter(instance);

  kestrova::win::Toolkit toolkit(instance);
  toolkit.setPainter(&painter);
  toolkit.setIcons(largeIcon.get(), smallIcon.get());

  kestrova::WinIfTableSource ifTable;
  kestrova::WinSystemFigures figures;
  kestrova::WinLocalClock clock;
  kestrova::WinBarColour barColour;
  kestrova::WinTransparency transparency;
  kestrova::win::WinProcessSystem processes;
  kestrova::win::WinFiles files;
  kestrova::App app(toolkit, kestrova::Services{toolkit, ifTable, figures, clock, barColour,
                                                transparency, processes, files});
  app.startUp();
}
