// 100 000 sampling and clock ticks of the core. Built with the sanitizers, LeakSanitizer
// checks at the end that nothing leaked; the heap in use is printed early and late so that
// growth without a leak shows too.
#include <cstdio>

#include "bench_support.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// The sanitizer runtime's count of bytes allocated and not yet freed.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#define KESTROVA_HAVE_LSAN 1
#else
#include <malloc.h>
#endif

namespace {

std::size_t heapInUse() {
#if defined(KESTROVA_HAVE_LSAN)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

}  // namespace

int main() {
  constexpr int kTicks = 100'000;
  constexpr int kEarly = 1'000;
  std::size_t early = 0;
  {
    kestrova::bench::BenchApp b;
    for (int i = 1; i <= kTicks; ++i) {
      b.app.onSamplingTick();
      if (i % 2 == 0) b.app.onClockTick();
      if (i == kEarly) early = heapInUse();
    }
    const std::size_t late = heapInUse();
    std::printf(
        "%d sampling ticks, %d clock ticks: heap in use %zu bytes after %d ticks, "
        "%zu bytes after %d ticks\n",
        kTicks, kTicks / 2, early, kEarly, late, kTicks);
    std::printf("running time shown: %s\n", b.ui.text(kestrova::Ctl::透明标签1).c_str());
    if (late > early) {
      std::printf("heap grew by %zu bytes\n", late - early);
      return 1;
    }
  }
#if defined(KESTROVA_HAVE_LSAN)
  const int leaked = __lsan_do_recoverable_leak_check();
  std::printf("LeakSanitizer: %s\n", leaked ? "leaks found" : "no leaks");
  return leaked ? 1 : 0;
#else
  std::printf("built without LeakSanitizer: heap figures only\n");
  return 0;
#endif
}
