#include "platform/win32/win_figures.h"

#include <windows.h>

namespace kestrova {
namespace {

using GetSystemTimesFn = BOOL(WINAPI*)(LPFILETIME, LPFILETIME, LPFILETIME);

// GetSystemTimes first appeared in Windows XP SP1; without it there is no load figure. Looked
// up at each reading (twice a second, a few microseconds): no static to initialise.
GetSystemTimesFn systemTimesFunction() {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<GetSystemTimesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetSystemTimes")));
}

std::uint64_t ticks(const FILETIME& ft) {
  return (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

// Kernel time includes the idle time, so kernel plus user is the whole time.
bool readProcessorTimes(ProcessorTimes& t) {
  const GetSystemTimesFn fn = systemTimesFunction();
  FILETIME idle{};
  FILETIME kernel{};
  FILETIME user{};
  if (fn == nullptr || !fn(&idle, &kernel, &user)) return false;
  t.idle = ticks(idle);
  t.total = ticks(kernel) + ticks(user);
  return true;
}

}  // namespace

void WinSystemFigures::takeCpuBaseline() {
  ProcessorTimes now;
  if (readProcessorTimes(now)) meter_.setBaseline(now);
}

int WinSystemFigures::cpuLoadPercent() {
  ProcessorTimes now;
  if (!readProcessorTimes(now)) return -1;
  return meter_.next(now);
}

PhysicalMemory WinSystemFigures::physicalMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return {};
  return {static_cast<std::int64_t>(status.ullTotalPhys >> 20),
          static_cast<std::int64_t>(status.ullAvailPhys >> 20)};
}

LocalTime WinLocalClock::now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

}  // namespace kestrova
