#include "platform/cpu_load.h"

#include <algorithm>

namespace kestrova {

int CpuLoadMeter::next(const ProcessorTimes& now) {
  // Counters that went backwards give no interval.
  const std::uint64_t total = now.total > baseline_.total ? now.total - baseline_.total : 0;
  const std::uint64_t idle =
      std::min(now.idle > baseline_.idle ? now.idle - baseline_.idle : 0, total);
  baseline_ = now;
  if (total == 0) return last_;
  const double idleShare = static_cast<double>(idle) / static_cast<double>(total);
  last_ = static_cast<int>(100.0 - idleShare * 100.0 + 0.5);
  return last_;
}

}  // namespace kestrova
