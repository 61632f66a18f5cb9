#include "platform/cpu_load.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(CpuLoad, IsTheRoundedShareOfTimeNotIdleSinceThePreviousReading) {
  const struct {
    std::uint64_t idle;
    std::uint64_t total;
    int load;
  } steps[] = {
      // Cumulative readings after the baseline {1000, 2000}.
      {1500, 3000, 50},   // 500 idle of 1000
      {1500, 4000, 100},  // nothing idle
      {2500, 5000, 0},    // all idle
      {2755, 6000, 75},   // 255 idle of 1000: 74.5 rounds up
      {3000, 7000, 76},   // 245 idle: 75.5 rounds up
      {3000, 7000, 76},   // no time passed: the previous figure
      {2000, 6000, 76},   // counters went back: no interval, previous figure
      {2001, 6003, 67},   // measured from the reading that went back
  };
  CpuLoadMeter meter;
  meter.setBaseline({1000, 2000});
  for (const auto& s : steps) EXPECT_EQ(meter.next({s.idle, s.total}), s.load) << s.total;
}

TEST(CpuLoad, IdleTimeBeyondTheWholeTimeCountsAsAllIdle) {
  CpuLoadMeter meter;
  meter.setBaseline({0, 0});
  EXPECT_EQ(meter.next({150, 100}), 0);
}

}  // namespace
}  // namespace kestrova
