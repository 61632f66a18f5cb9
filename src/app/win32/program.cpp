#include "app/win32/program.h"

#include "app/app.h"
#include "app/layout.h"
#include "app/win32/painter.h"
#include "platform/win32/handles.h"
#include "platform/win32/win_figures.h"
#include "platform/win32/win_files.h"
#include "platform/win32/win_process.h"
#include "platform/win32/win_system.h"
#include "resource_ids.h"

namespace kestrova::win {
namespace {

HICON loadIcon(HINSTANCE instance, int sizeMetric) {
  const int size = GetSystemMetrics(sizeMetric);
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_KESTROVA), IMAGE_ICON, size, size, 0));
}

}  // namespace

void runProgram(HINSTANCE instance, ProgramVariant& variant) {
  // Icons and pictures live as long as the process: the normal end leaves through ExitProcess.
  UniqueIcon largeIcon(loadIcon(instance, SM_CXICON));
  UniqueIcon smallIcon(loadIcon(instance, SM_CXSMICON));
  LookPainter painter(instance);

  Toolkit toolkit(instance, layoutTables());
  toolkit.setPainter(&painter);
  toolkit.setIcons(largeIcon.get(), smallIcon.get());

  WinIfTableSource ifTable;
  WinSystemFigures figures;
  WinLocalClock clock;
  WinProcessSystem processes;
  WinFiles files;
  App app(toolkit, Services{variant.ui(toolkit), ifTable, figures, clock,
                            variant.processes(processes), files});
  variant.starting(toolkit);
  app.startUp();
}

void runProgram(HINSTANCE instance) {
  ProgramVariant asBuilt;
  runProgram(instance, asBuilt);
}

}  // namespace kestrova::win
