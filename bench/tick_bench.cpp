// Time of the core's work in one sampling tick: the table rebuilt from a 16-row buffer and
// the display updated. Prints microseconds per tick.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_support.h"

int main() {
  using Clock = std::chrono::steady_clock;
  constexpr int kTicksPerRound = 100'000;
  constexpr int kRounds = 7;

  kestrova::bench::BenchApp b;
  for (int i = 0; i < 10'000; ++i) b.app.onSamplingTick();  // warm up

  std::vector<double> perTick;
  for (int r = 0; r < kRounds; ++r) {
    const auto start = Clock::now();
    for (int i = 0; i < kTicksPerRound; ++i) b.app.onSamplingTick();
    const std::chrono::duration<double, std::micro> took = Clock::now() - start;
    perTick.push_back(took.count() / kTicksPerRound);
  }
  std::sort(perTick.begin(), perTick.end());
  std::printf(
      "sampling tick (16-row table + display update): median %.3f us, best %.3f us, "
      "worst %.3f us per tick over %d rounds of %d ticks (target <= 5 us)\n",
      perTick[perTick.size() / 2], perTick.front(), perTick.back(), kRounds, kTicksPerRound);
  std::printf(
      "last readouts: %s %s %s %s %s\n", b.ui.text(kestrova::Ctl::接收透明标签).c_str(),
      b.ui.text(kestrova::Ctl::发送透明标签).c_str(), b.ui.text(kestrova::Ctl::CPU透明标签).c_str(),
      b.ui.text(kestrova::Ctl::内存透明标签).c_str(), b.ui.text(kestrova::Ctl::流量标签).c_str());
  return perTick[perTick.size() / 2] <= 5.0 ? 0 : 1;
}
