// The least work a monitor tick needs, as a plain Win32 program: the yardstick beside which
// wine_idle_cpu.sh measures Kestrova's idle cost. Two timers as Kestrova's (500 ms and
// 1000 ms); on the 500 ms one the interface table is read twice (its size, then the rows), the
// processor times and the memory figures are taken, four progress bars get a position and a
// colour each and five plain Static controls a text; on the 1000 ms one a sixth Static gets a
// text. No drawing of its own, no pictures, no transparency.
#include <windows.h>

#include <commctrl.h>
#include <iphlpapi.h>

#include <cwchar>
#include <vector>

namespace {

constexpr UINT_PTR kSamplingTimer = 1, kClockTimer = 2;
constexpr int kBars = 4, kSamplingTexts = 5;
constexpr COLORREF kBarColours[kBars] = {0x00FF00FF, 0x00FF8800, 0x000000FF, 0x00008000};

struct Baseline {
  HWND bars[kBars] = {};
  HWND texts[kSamplingTexts] = {};
  HWND clockText = nullptr;
  std::vector<unsigned char> table = std::vector<unsigned char>(16 * sizeof(MIB_IFROW) + 64);
  ULONGLONG lastIdle = 0, lastTotal = 0;
  unsigned long seconds = 0;
};

ULONGLONG ticks(const FILETIME& f) {
  return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

void samplingTick(Baseline& b) {
  ULONG size = 0;
  GetIfTable(nullptr, &size, TRUE);
  if (size > b.table.size()) b.table.resize(size);
  size = static_cast<ULONG>(b.table.size());
  DWORD inOctets = 0, outOctets = 0;
  if (GetIfTable(reinterpret_cast<MIB_IFTABLE*>(b.table.data()), &size, TRUE) == NO_ERROR) {
    const auto* t = reinterpret_cast<const MIB_IFTABLE*>(b.table.data());
    if (t->dwNumEntries >= 2) {
      inOctets = t->table[1].dwInOctets;
      outOctets = t->table[1].dwOutOctets;
    }
  }
  FILETIME idle{}, kernel{}, user{};
  int load = -1;
  if (GetSystemTimes(&idle, &kernel, &user)) {
    const ULONGLONG i = ticks(idle), total = ticks(kernel) + ticks(user);
    if (total > b.lastTotal)
      load = static_cast<int>(100 - (i - b.lastIdle) * 100 / (total - b.lastTotal));
    b.lastIdle = i;
    b.lastTotal = total;
  }
  MEMORYSTATUSEX m{};
  m.dwLength = sizeof m;
  GlobalMemoryStatusEx(&m);

  const int positions[kBars] = {static_cast<int>(inOctets % 400), static_cast<int>(outOctets % 400),
                                load < 0 ? 0 : load, static_cast<int>(m.dwMemoryLoad)};
  for (int i = 0; i < kBars; ++i) {
    SendMessageW(b.bars[i], PBM_SETPOS, static_cast<WPARAM>(positions[i]), 0);
    SendMessageW(b.bars[i], PBM_SETBARCOLOR, 0, static_cast<LPARAM>(kBarColours[i]));
  }
  wchar_t text[64];
  const unsigned long values[kSamplingTexts] = {
      inOctets, outOctets, static_cast<unsigned long>(load), m.dwMemoryLoad, inOctets + outOctets};
  for (int i = 0; i < kSamplingTexts; ++i) {
    std::swprintf(text, 64, L"%lu.00KB", values[i]);
    SetWindowTextW(b.texts[i], text);
  }
}

void clockTick(Baseline& b) {
  wchar_t text[64];
  ++b.seconds;
  std::swprintf(text, 64, L"0:%lu", b.seconds);
  SetWindowTextW(b.clockText, text);
}

LRESULT CALLBACK windowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  auto* b = reinterpret_cast<Baseline*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  switch (m) {
    case WM_TIMER:
      if (b && wp == kSamplingTimer) samplingTick(*b);
      if (b && wp == kClockTimer) clockTick(*b);
      return 0;
    case WM_DESTROY:
      KillTimer(w, kSamplingTimer);
      KillTimer(w, kClockTimer);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(w, m, wp, lp);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  WNDCLASSW wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"KestrovaIdleBaseline";
  if (!RegisterClassW(&wc)) return 1;
  HWND main = CreateWindowExW(0, wc.lpszClassName, L"Idle baseline", WS_POPUP | WS_BORDER, 100, 100,
                              505, 580, nullptr, nullptr, instance, nullptr);
  if (!main) return 1;
  Baseline b;
  for (int i = 0; i < kBars; ++i) {
    b.bars[i] = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 60,
                                20 + 30 * i, 200, 14, main, nullptr, instance, nullptr);
    SendMessageW(b.bars[i], PBM_SETRANGE32, 0, i < 2 ? 400 : 100);
  }
  for (int i = 0; i < kSamplingTexts; ++i) {
    b.texts[i] = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_RIGHT, 280,
                                 20 + 30 * i, 100, 14, main, nullptr, instance, nullptr);
  }
  b.clockText = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 60, 200, 200, 18, main,
                                nullptr, instance, nullptr);
  SetWindowLongPtrW(main, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&b));
  SetTimer(main, kSamplingTimer, 500, nullptr);
  SetTimer(main, kClockTimer, 1000, nullptr);
  ShowWindow(main, show == SW_HIDE ? SW_SHOWNORMAL : show);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
