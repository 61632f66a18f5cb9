// System figures the display and the time labels read: processor load, physical memory and
// the local date and time.
#pragma once

#include <cstdint>

namespace kestrova {

// Total and available physical memory, each in whole megabytes (bytes / 2^20, fraction
// dropped).
struct PhysicalMemory {
  std::int64_t totalMb = 0;
  std::int64_t availableMb = 0;
};

class SystemFigures {
 public:
  virtual ~SystemFigures() = default;
  // Takes a processor-time reading as the baseline for the next load figure. Never waits.
  virtual void takeCpuBaseline() = 0;
  // Percent of processor time, averaged over all processors, that was not idle since the
  // previous reading (the baseline), rounded to the nearest integer; -1 when it cannot be
  // obtained. The reading becomes the next baseline. Never waits.
  virtual int cpuLoadPercent() = 0;
  virtual PhysicalMemory physicalMemory() = 0;
};

// A local date and time to the whole second; month 1-12, day 1-31, hour 0-23.
struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class LocalClock {
 public:
  virtual ~LocalClock() = default;
  virtual LocalTime now() = 0;
};

}  // namespace kestrova
