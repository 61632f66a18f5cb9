// Processor load from successive readings of the system's cumulative processor times.
#pragma once

#include <cstdint>

namespace kestrova {

// Cumulative processor times of all processors together, in any one unit.
struct ProcessorTimes {
  std::uint64_t idle = 0;
  std::uint64_t total = 0;  // busy and idle
};

class CpuLoadMeter {
 public:
  // The reading the next load is measured from.
  void setBaseline(const ProcessorTimes& t) { baseline_ = t; }
  // The percent of the time since the baseline that was not idle, rounded to the nearest
  // integer and kept within 0 to 100; the previous figure when no time has passed. The
  // reading becomes the next baseline.
  int next(const ProcessorTimes& now);

 private:
  ProcessorTimes baseline_{};
  int last_ = 0;
};

}  // namespace kestrova
