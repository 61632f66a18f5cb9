// Drives the console benchmark under Wine (bench/README-console.md): the program's own CPU
// and wake-ups while a ping stand-in writes one reply line a second (wake-ups idle as well),
// beside the spinning capture and the no-polling baseline; the time from the stand-in
// writing a line to the line being in the console box; the time to take in a 1 MB burst.
//
//   kestrova_console_bench_driver.exe KESTROVA_EXE BENCH_EXE CLK_TCK [WINESERVER_PID] [SECONDS]
//   [LATENCY_INTERVAL_MS]
//
// CPU is read from the Linux side: utime + stime of /proc/PID/stat (through Wine's Z: drive)
// of the program's own Unix process, found by its command line. GetProcessTimes of
// another process reads 0 under Wine.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace {

using namespace kestrova;
using namespace kestrova::e2e;

std::wstring unixToWindows(std::wstring path) {
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::optional<std::string> procFile(unsigned long pid, const char* name) {
  return readFileBytes(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\" + widen(name));
}

// utime + stime, in clock ticks; nullopt once the process is gone.
std::optional<unsigned long long> cpuTicks(unsigned long pid) {
  const auto stat = procFile(pid, "stat");
  if (!stat || stat->empty()) return std::nullopt;
  // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
  std::istringstream rest(stat->substr(stat->rfind(')') + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return utime + stime;
}

// The Unix process of the program: Wine gives it the exe's Windows path as its command line,
// and that path, in a folder of the run's own, names it alone. (Its Unix environment is not
// the Windows one that it was started with.)
unsigned long unixPid(std::string exePath) {
  std::transform(exePath.begin(), exePath.end(), exePath.begin(), ::tolower);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
  unsigned long pid = 0;
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::wstring name = found.cFileName;
    if (name.empty() || !std::all_of(name.begin(), name.end(), iswdigit)) continue;
    const unsigned long candidate = std::wcstoul(name.c_str(), nullptr, 10);
    auto cmdline = procFile(candidate, "cmdline").value_or("");
    std::transform(cmdline.begin(), cmdline.end(), cmdline.begin(), ::tolower);
    if (cmdline.rfind(exePath, 0) != 0) continue;
    pid = candidate;
    break;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return pid;
}

// Voluntary context switches of all the process's threads: how often they went to sleep,
// that is, how often they were woken.
std::optional<unsigned long long> wakeUps(unsigned long pid) {
  const std::wstring tasks = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\task\\";
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((tasks + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  unsigned long long total = 0;
  bool any = false;
  do {
    const std::wstring name = found.cFileName;
    if (name.empty() || !std::all_of(name.begin(), name.end(), iswdigit)) continue;
    const std::string status = readFileBytes(tasks + name + L"\\status").value_or("");
    const auto at = status.find("\nvoluntary_ctxt_switches:");
    if (at == std::string::npos) continue;
    total += std::strtoull(status.c_str() + at + 26, nullptr, 10);
    any = true;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  if (!any) return std::nullopt;
  return total;
}

double seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Options {
  std::wstring kestrova;
  std::wstring bench;
  double clockTicks = 100;
  unsigned long wineserver = 0;
  int seconds = 20;
  std::wstring latencyIntervalMs = L"100";
};

struct Run {
  const char* name;
  bool realProgram;     // Kestrova.exe itself, or the bench build
  const wchar_t* mode;  // the bench build's argument
  bool typesHost;       // Enter in the host box starts the ping
  const wchar_t* intervalMs;
  bool stamped;
  bool idleFirst = false;  // wake-ups idle for the same time before the host is typed
  bool burst = false;      // the stand-in writes kBurstBytes in one write instead
};

constexpr std::size_t kBurstBytes = 1024 * 1024;

struct Figures {
  double cpuPercent = -1;
  double serverPercent = -1;
  int lines = 0;
  double wakeUpsPerSecond = -1;
  double idleWakeUpsPerSecond = -1;
  double burstSeconds = -1;
  std::vector<double> latencyMs;
  std::vector<double> appendMs;
};

int replyLines(const std::string& box) {
  int n = 0;
  for (auto at = box.find("seq="); at != std::string::npos; at = box.find("seq=", at + 1)) ++n;
  return n;
}

std::optional<Figures> measure(const Options& o, const Run& r) {
  TempFolder folder;
  const std::wstring source = r.realProgram ? o.kestrova : o.bench;
  const std::wstring exeName = r.realProgram ? L"Kestrova.exe" : L"kestrova_console_bench.exe";
  const std::wstring exe = folder.file(exeName);
  if (!CopyFileW(source.c_str(), exe.c_str(), FALSE) ||
      !CopyFileW((fixturesDirectory() + L"\\ping.exe").c_str(), folder.file(L"ping.exe").c_str(),
                 FALSE)) {
    std::fprintf(stderr, "%s: copying the programs failed, error %lu\n", r.name, GetLastError());
    return std::nullopt;
  }
  Launch launch;
  launch.workingDirectory = folder.path();
  launch.arguments = r.realProgram ? L"" : r.mode;
  launch.environment = {{L"PATH", pathWithFixturesFirst()},
                        {L"KESTROVA_PING_INTERVAL_MS", r.intervalMs}};
  if (r.stamped) launch.environment.push_back({L"KESTROVA_PING_STAMP", L"1"});
  if (r.burst) {
    std::string bytes;
    for (int seq = 0; bytes.size() < kBurstBytes; ++seq) {
      bytes +=
          "Reply from 127.0.0.1: bytes=32 time<1ms TTL=128 seq=" + std::to_string(seq) + "\r\n";
    }
    bytes.resize(kBurstBytes);
    const std::wstring block = folder.file(L"burst.txt");
    HANDLE file = CreateFileW(block.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    const bool written =
        file != INVALID_HANDLE_VALUE &&
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
        put == bytes.size();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!written) {
      std::fprintf(stderr, "%s: writing the burst failed\n", r.name);
      return std::nullopt;
    }
    launch.environment.push_back({L"KESTROVA_PING_BLOCK", block});
  }

  Figures f;
  {
    Program program(exe, launch);
    if (!program.start()) {
      std::fprintf(stderr, "%s: CreateProcess failed, error %lu\n", r.name, program.lastError());
      return std::nullopt;
    }
    HWND main = program.waitForMainWindow();
    HWND box = main ? findControl(main, Ctl::编辑框) : nullptr;
    HWND host = main ? findControl(main, Ctl::编辑框1) : nullptr;
    if (!box || !host) {
      std::fprintf(stderr, "%s: no main window\n", r.name);
      return std::nullopt;
    }
    // Every run has the focus in the host box, whose caret then blinks (a timer and a
    // drawing twice a second), so that the runs differ only in how the lines reach the box.
    click(centre(host));
    if (!waitUntil([&] { return text(host).empty(); })) {
      std::fprintf(stderr, "%s: a click did not empty the host box\n", r.name);
      return std::nullopt;
    }
    if (r.idleFirst) {
      // Past the start-up's own work first.
      std::this_thread::sleep_for(std::chrono::seconds(3));
      const unsigned long pid = unixPid(narrow(exe));
      const auto before = pid ? wakeUps(pid) : std::nullopt;
      const double start = seconds();
      std::this_thread::sleep_for(std::chrono::seconds(o.seconds));
      const auto after = pid ? wakeUps(pid) : std::nullopt;
      if (before && after) {
        f.idleWakeUpsPerSecond = static_cast<double>(*after - *before) / (seconds() - start);
      }
    }
    if (r.typesHost) {
      typeText("127.0.0.1");
      if (!waitUntil([&] { return text(host) == "127.0.0.1"; })) {
        std::fprintf(stderr, "%s: the typed host did not arrive\n", r.name);
        return std::nullopt;
      }
      pressKey(VK_RETURN);
    }
    if (r.burst) {
      // From the first bytes in the box to the last.
      if (!waitUntil([&] { return textLength(box) > 0; }, 60s, 5ms)) {
        std::fprintf(stderr, "%s: nothing arrived\n", r.name);
        return std::nullopt;
      }
      const double start = seconds();
      if (!waitUntil([&] { return textLength(box) >= kBurstBytes; }, 600s, 20ms)) {
        std::fprintf(stderr, "%s: only %zu of %zu bytes arrived\n", r.name, textLength(box),
                     kBurstBytes);
        return std::nullopt;
      }
      f.burstSeconds = seconds() - start;
      program.stop();
      return f;
    }
    // From the first reply line on, so that every run measures the same steady state.
    if (!waitUntil([&] { return text(box).find("seq=0") != std::string::npos; }, 30s)) {
      std::fprintf(stderr, "%s: no reply line; the box holds: %s\n", r.name, text(box).c_str());
      return std::nullopt;
    }
    const unsigned long pid = unixPid(narrow(exe));
    if (pid == 0) {
      std::fprintf(stderr, "%s: its Unix process was not found\n", r.name);
      return std::nullopt;
    }
    const int linesBefore = replyLines(text(box));
    const auto before = cpuTicks(pid);
    const auto wakesBefore = wakeUps(pid);
    const auto serverBefore = o.wineserver ? cpuTicks(o.wineserver) : std::nullopt;
    const double start = seconds();
    std::this_thread::sleep_for(std::chrono::seconds(o.seconds));
    const auto after = cpuTicks(pid);
    const auto wakesAfter = wakeUps(pid);
    const auto serverAfter = o.wineserver ? cpuTicks(o.wineserver) : std::nullopt;
    const double wall = seconds() - start;
    f.lines = replyLines(text(box)) - linesBefore;
    if (before && after) {
      f.cpuPercent = 100.0 * static_cast<double>(*after - *before) / o.clockTicks / wall;
    }
    if (wakesBefore && wakesAfter) {
      f.wakeUpsPerSecond = static_cast<double>(*wakesAfter - *wakesBefore) / wall;
    }
    if (serverBefore && serverAfter) {
      f.serverPercent =
          100.0 * static_cast<double>(*serverAfter - *serverBefore) / o.clockTicks / wall;
    }
    program.stop();
  }
  if (r.stamped) {
    std::istringstream log(readFileBytes(folder.file(L"latency.txt")).value_or(""));
    std::string word;
    long long us = 0;
    while (log >> word >> us) {
      (word == "latency_us" ? f.latencyMs : f.appendMs).push_back(static_cast<double>(us) / 1000.0);
    }
  }
  return f;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  const auto i = static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: %s KESTROVA_EXE BENCH_EXE CLK_TCK [WINESERVER_PID] [SECONDS] "
                 "[LATENCY_INTERVAL_MS]\n",
                 argv[0]);
    return 2;
  }
  Options o;
  o.kestrova = unixToWindows(widen(argv[1]));
  o.bench = unixToWindows(widen(argv[2]));
  o.clockTicks = std::atof(argv[3]);
  if (argc > 4) o.wineserver = std::strtoul(argv[4], nullptr, 10);
  if (argc > 5) o.seconds = std::atoi(argv[5]);
  if (argc > 6) o.latencyIntervalMs = widen(argv[6]);

  const Run runs[] = {
      {"kestrova", true, L"", true, L"1000", false, true},
      {"spinning", false, L"spin", true, L"1000", false},
      {"baseline", false, L"baseline", false, L"1000", false},
      {"latency", false, L"stamp", true, o.latencyIntervalMs.c_str(), true},
      {"burst", true, L"", true, L"1000", false, false, true},
  };
  constexpr int kRuns = 5;
  Figures got[kRuns];
  for (int i = 0; i < kRuns; ++i) {
    std::printf("%-9s %d s ...\n", runs[i].name, o.seconds);
    std::fflush(stdout);
    std::optional<Figures> f;
    try {
      f = measure(o, runs[i]);
    } catch (const HarnessError& e) {  // the program stopped answering
      std::fprintf(stderr, "%s: %s\n", runs[i].name, e.what());
      return 1;
    }
    if (!f) return 1;
    got[i] = *f;
  }

  std::printf("\nCPU of the program's own process during %d s, one reply line a second\n",
              o.seconds);
  std::printf("%-34s %8s %7s %12s %10s\n", "", "CPU %", "lines", "wineserver %", "wake-ups/s");
  const char* labels[] = {"Kestrova.exe (capture waits)", "(a) capture spinning, no wait",
                          "(b) baseline: timer appends"};
  for (int i = 0; i < 3; ++i) {
    std::printf("%-34s %8.2f %7d %12.2f %10.1f\n", labels[i], got[i].cpuPercent, got[i].lines,
                got[i].serverPercent, got[i].wakeUpsPerSecond);
  }
  const double vsBaseline = got[0].cpuPercent / std::max(got[2].cpuPercent, 0.01);
  const double belowSpin = got[1].cpuPercent / std::max(got[0].cpuPercent, 0.01);
  const double vsIdle = got[0].wakeUpsPerSecond / std::max(got[0].idleWakeUpsPerSecond, 0.01);
  std::printf("Kestrova / baseline = %.2f  (target <= 1.2)\n", vsBaseline);
  std::printf("spinning / Kestrova = %.1f  (target >= 25)\n", belowSpin);
  std::printf("Kestrova wake-ups/s: idle %.1f, during the ping %.1f, ratio %.2f  (target <= 1.3)\n",
              got[0].idleWakeUpsPerSecond, got[0].wakeUpsPerSecond, vsIdle);

  const auto& l = got[3].latencyMs;
  const auto& a = got[3].appendMs;
  std::printf(
      "\nLatency, stand-in writes a line -> line in the console box (%zu lines, %s ms apart)\n",
      l.size(), narrow(o.latencyIntervalMs).c_str());
  std::printf("p50 %.2f ms  p90 %.2f ms  p99 %.2f ms  max %.2f ms\n", percentile(l, 50),
              percentile(l, 90), percentile(l, 99), percentile(l, 100));
  std::printf(
      "of which the append to the box (%zu appends): p50 %.2f ms  p99 %.2f ms  max %.2f ms\n",
      a.size(), percentile(a, 50), percentile(a, 99), percentile(a, 100));
  const double latencyOverAppend = percentile(l, 99) - percentile(a, 99);
  std::printf("p99 latency - p99 append = %.2f ms  (target <= 3 ms)\n", latencyOverAppend);

  std::printf("\n1 MB burst in one write, first to last byte in the box: %.2f s (%.1f KB/s)\n",
              got[4].burstSeconds,
              static_cast<double>(kBurstBytes) / 1024.0 / std::max(got[4].burstSeconds, 0.001));
  const bool met = vsBaseline <= 1.2 && belowSpin >= 25 && got[0].idleWakeUpsPerSecond > 0 &&
                   vsIdle <= 1.3 && !l.empty() && !a.empty() && latencyOverAppend <= 3;
  std::printf("%s\n", met ? "all targets met" : "TARGET MISSED");
  return met ? 0 : 1;
}
