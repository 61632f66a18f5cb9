// Win32 system figures and local time.
#pragma once

#include <cstdint>

#include "platform/cpu_load.h"
#include "platform/figures.h"

namespace kestrova {

// Processor load from two readings of the system's idle, kernel and user times (all
// processors together); memory from GlobalMemoryStatusEx. Never waits.
class WinSystemFigures final : public SystemFigures {
 public:
  WinSystemFigures() = default;

  void takeCpuBaseline() override;
  int cpuLoadPercent() override;
  PhysicalMemory physicalMemory() override;

 private:
  CpuLoadMeter meter_;
};

class WinLocalClock final : public LocalClock {
 public:
  WinLocalClock() = default;
  LocalTime now() override;
};

}  // namespace kestrova
