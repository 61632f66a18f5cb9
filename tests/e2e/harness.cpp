#include "harness.h"

#include "app/win32/gdi.h"
#include "platform/win32/text.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <thread>

#ifndef KESTROVA_EXE
#define KESTROVA_EXE ""
#endif
#ifndef KESTROVA_FIXTURES
#define KESTROVA_FIXTURES ""
#endif

namespace kestrova::e2e {

std::wstring widen(std::string_view utf8) {
  return win::toWide(utf8);
}
std::string narrow(std::wstring_view wide) {
  return win::toUtf8(wide);
}

namespace {

using Clock = std::chrono::steady_clock;

// The end of the running test's budget, set as each test starts.
Clock::time_point testDeadline = Clock::time_point::max();
bool budgetReported = false;

class BudgetListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    testDeadline = Clock::now() + kTestBudget;
    budgetReported = false;
  }
  void OnTestEnd(const ::testing::TestInfo&) override { testDeadline = Clock::time_point::max(); }
};

// Registered with the driver's GoogleTest before main runs (the harness is in every driver).
const bool budgetListenerAdded = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new BudgetListener);
  return true;
}();

[[noreturn]] void noAnswer(HWND w, const std::string& what) {
  const DWORD error = GetLastError();
  std::string message =
      what + " of window " + std::to_string(reinterpret_cast<std::uintptr_t>(w)) + ": ";
  if (!IsWindow(w)) {
    message += "the window is gone (has the program ended?)";
  } else {
    message += "no answer within " + std::to_string(kAnswerTimeout.count()) +
               " ms (is the program hung?), error " + std::to_string(error);
  }
  throw HarnessError(message);
}

// A message sent to another process's window, with the answer or HarnessError.
DWORD_PTR ask(HWND w, UINT message, WPARAM wp, LPARAM lp, const char* what) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(w, message, wp, lp, SMTO_ABORTIFHUNG,
                           static_cast<UINT>(kAnswerTimeout.count()), &answer)) {
    noAnswer(w, what);
  }
  return answer;
}

// A value read with a call that cannot tell failure from an answer (IsWindowVisible answers
// FALSE for a window that is gone): taken only if the window still exists after the read.
template <typename T>
T checked(HWND w, T value, const char* what) {
  if (!IsWindow(w)) noAnswer(w, what);
  return value;
}

std::uint64_t creationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// The creation times of the programs started here, by process ID, for after they have ended.
std::map<DWORD, std::uint64_t>& startedPrograms() {
  static std::map<DWORD, std::uint64_t> started;
  return started;
}

}  // namespace

bool waitUntil(const std::function<bool()>& cond, Millis timeout, Millis poll) {
  auto deadline = Clock::now() + timeout;
  const bool cut = testDeadline < deadline;
  if (cut) deadline = testDeadline;
  for (;;) {
    if (cond()) return true;
    if (Clock::now() >= deadline) {
      const bool last = cond();
      if (!last && cut && !budgetReported) {
        budgetReported = true;
        ADD_FAILURE() << "the test's waits ran past its budget of " << kTestBudget.count()
                      << " ms; this wait was cut short";
      }
      return last;
    }
    std::this_thread::sleep_for(poll);
  }
}

// --- Program ----------------------------------------------------------------------------

namespace {

// A Unix path from CMake (/work/...) becomes the Wine drive path Z:\work\...
std::wstring windowsPath(std::wstring path) {
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::wstring lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

struct EnvironmentStringsTraits {
  static wchar_t* invalid() { return nullptr; }
  static void close(wchar_t* p) { FreeEnvironmentStringsW(p); }
};

// The driver's environment with the launch's variables set on top, as a block for
// CreateProcessW: "NAME=VALUE\0" entries, then one more \0.

std::wstring environmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& vars) {
  std::vector<std::wstring> entries;
  if (const win::Unique<wchar_t*, EnvironmentStringsTraits> env{GetEnvironmentStringsW()}) {
    for (const wchar_t* p = env.get(); *p; p += wcslen(p) + 1) entries.emplace_back(p);
  }
  for (const auto& [name, value] : vars) {
    const std::wstring key = lower(name) + L"=";
    std::erase_if(entries, [&](const std::wstring& e) { return lower(e).rfind(key, 0) == 0; });
    entries.push_back(name + L"=" + value);
  }
  std::wstring block;
  for (const auto& e : entries) block += e + L'\0';
  block += L'\0';
  return block;
}

}  // namespace

std::wstring Program::defaultPath() {
  if (const wchar_t* env = _wgetenv(L"KESTROVA_EXE"); env && *env) return windowsPath(env);
  return windowsPath(widen(KESTROVA_EXE));
}

Program::Program(std::wstring path, Launch launch)
    : path_(std::move(path)), launch_(std::move(launch)) {}

Program::~Program() {
  stop();
}

bool Program::start() {
  stop();
  // Under Wine the desktop's own process (explorer.exe /desktop) ends some seconds after the
  // last program on the desktop has, and the next process that needs the desktop starts it
  // again. The driver asks for the desktop first, so that it is seldom the program's child
  // (descendantsOf leaves it out in any case).
  if (!GetDesktopWindow()) {
    error_ = GetLastError();
    return false;
  }
  // The job holds the program and all it starts; without it a test could leave them behind.
  win::UniqueHandle job{CreateJobObjectW(nullptr, nullptr)};
  if (!job) {
    error_ = GetLastError();
    return false;
  }
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    error_ = GetLastError();
    return false;
  }
  // The program's directory as its working directory, as Explorer would start it.
  std::wstring dir = path_.substr(
      0, path_.find_last_of(L"\\/") == std::wstring::npos ? 0 : path_.find_last_of(L"\\/"));
  if (!launch_.workingDirectory.empty()) dir = launch_.workingDirectory;
  std::wstring commandLine = L"\"" + path_ + L"\"";
  if (!launch_.arguments.empty()) commandLine += L" " + launch_.arguments;
  std::wstring environment;
  if (!launch_.environment.empty()) environment = environmentBlock(launch_.environment);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const DWORD flags = CREATE_SUSPENDED | (environment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT);
  if (!CreateProcessW(path_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags,
                      environment.empty() ? nullptr : environment.data(),
                      dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
    error_ = GetLastError();
    return false;
  }
  win::UniqueHandle process{pi.hProcess};
  const win::UniqueHandle thread{pi.hThread};
  // Suspended until it is in the job, so that nothing it starts can escape it.
  if (!AssignProcessToJobObject(job.get(), process.get()) ||
      ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    error_ = GetLastError();
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 10000);
    return false;
  }
  job_ = std::move(job);
  process_ = std::move(process);
  pid_ = pi.dwProcessId;
  startedPrograms()[pid_] = creationTime(process_.get());
  return true;
}

bool Program::running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Program::waitForExit(Millis timeout) {
  if (!process_) return std::nullopt;
  // In steps, so that the wait ends at the test's budget like every other.
  const bool ended = waitUntil(
      [&] { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }, timeout, 10ms);
  if (!ended) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
  return code;
}

void Program::stop() {
  if (process_) {
    if (running()) {
      // The job first: it ends the program and everything it started in one go.
      const bool jobEnded = TerminateJobObject(job_.get(), 1) != FALSE;
      const bool ended = WaitForSingleObject(process_.get(), 10000) == WAIT_OBJECT_0 ||
                         (TerminateProcess(process_.get(), 1) &&
                          WaitForSingleObject(process_.get(), 10000) == WAIT_OBJECT_0);
      EXPECT_TRUE(jobEnded) << "TerminateJobObject failed, error " << GetLastError();
      EXPECT_TRUE(ended) << "the program (pid " << pid_ << ") did not end within 10 s";
    }
    process_.reset();
  }
  // Closing the job (KILL_ON_JOB_CLOSE) ends whatever is still in it.
  job_.reset();
}

HWND Program::waitForMainWindow(Millis timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  HWND found = nullptr;
  const bool settled = waitUntil(
      [&] {
        for (HWND w : topLevelWindows(pid_, kMainWindowClass)) {
          if (IsWindowVisible(w)) {
            found = w;
            return true;
          }
        }
        return !running();
      },
      timeout, 50ms);
  if (!settled || found == nullptr) return nullptr;
  // Shown is not yet ready for a user: on a slow start (the emulated 32-bit tier) the window
  // is on screen seconds before its thread takes messages. Ready is when it answers one.
  const auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
  const bool answers = waitUntil(
      [&] { return SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_NORMAL, 500, nullptr) != 0; },
      std::max(left, Millis{0}), 50ms);
  return answers ? found : nullptr;
}

std::vector<ProcessEntry> Program::descendants() const {
  return pid_ ? descendantsOf(pid_, processList()) : std::vector<ProcessEntry>{};
}

// --- Processes and files ----------------------------------------------------------------

std::vector<ProcessEntry> processList() {
  std::vector<ProcessEntry> out;
  const win::UniqueFile snapshot{CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)};
  // An empty list would pass every "nothing left running" check.
  if (!snapshot) {
    throw HarnessError("CreateToolhelp32Snapshot failed, error " + std::to_string(GetLastError()));
  }
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    const win::UniqueHandle process{
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)};
    out.push_back({entry.th32ProcessID, entry.th32ParentProcessID, narrow(lower(entry.szExeFile)),
                   process ? creationTime(process.get()) : 0});
  }
  return out;
}

std::vector<ProcessEntry> descendantsOf(DWORD root, const std::vector<ProcessEntry>& list) {
  std::uint64_t rootCreated = 0;
  for (const auto& p : list) {
    if (p.pid == root) rootCreated = p.created;
  }
  if (rootCreated == 0) {
    const auto started = startedPrograms().find(root);
    if (started != startedPrograms().end()) rootCreated = started->second;
  }
  // The desktop's own process belongs to the system, whichever process needed the desktop
  // first and so started it (under Wine it ends when the desktop has been idle a while).
  DWORD desktopProcess = 0;
  GetWindowThreadProcessId(GetDesktopWindow(), &desktopProcess);
  std::map<DWORD, std::uint64_t> family{{root, rootCreated}};  // with creation times
  std::vector<ProcessEntry> out;
  // Parents may come after their children in the list: repeat until nothing is added.
  for (bool added = true; added;) {
    added = false;
    for (const auto& p : list) {
      const auto parent = family.find(p.parent);
      if (p.pid == root || p.pid == desktopProcess || parent == family.end() ||
          family.count(p.pid) != 0) {
        continue;
      }
      // Older than the process that holds its parent's ID now: its parent was another.
      if (p.created != 0 && parent->second != 0 && p.created < parent->second) continue;
      family.emplace(p.pid, p.created);
      out.push_back(p);
      added = true;
    }
  }
  return out;
}

std::string describe(const std::vector<ProcessEntry>& processes) {
  std::string s;
  for (const auto& p : processes) {
    s += (s.empty() ? "" : " ") + p.image + "(" + std::to_string(p.pid) + ")";
  }
  return s.empty() ? "none" : s;
}

std::wstring fixturesDirectory() {
  return windowsPath(widen(KESTROVA_FIXTURES));
}

std::wstring pathWithFixturesFirst() {
  std::wstring path(32767, L'\0');
  path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
  return fixturesDirectory() + L";" + path;
}

TempFolder::TempFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring base = temp;
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
    path_ = base + L"\\kestrova-e2e-" + std::to_wstring(n);
    if (CreateDirectoryW(path_.c_str(), nullptr)) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

namespace {
struct FindTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { FindClose(h); }
};
}  // namespace

TempFolder::~TempFolder() {
  WIN32_FIND_DATAW found{};
  if (const win::Unique<HANDLE, FindTraits> search{
          FindFirstFileW((path_ + L"\\*").c_str(), &found)}) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") DeleteFileW(file(name).c_str());
    } while (FindNextFileW(search.get(), &found));
  }
  RemoveDirectoryW(path_.c_str());
}

bool fileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> readFileBytes(const std::wstring& path) {
  const win::UniqueFile f{CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (!f) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  for (;;) {
    if (!ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
    if (got == 0) return bytes;
    bytes.append(buffer, got);
  }
}

// --- Finding windows --------------------------------------------------------------------

std::vector<HWND> topLevelWindows(DWORD pid, std::wstring_view cls) {
  struct Search {
    DWORD pid;
    std::wstring_view cls;
    std::vector<HWND> found;
  } search{pid, cls, {}};
  EnumWindows(
      [](HWND w, LPARAM p) WINAPI -> BOOL {
        auto& s = *reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != s.pid) return TRUE;
        if (!s.cls.empty()) {
          wchar_t name[256] = {};
          GetClassNameW(w, name, 256);
          if (s.cls != name) return TRUE;
        }
        s.found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::optional<Ctl> ctlByName(std::string_view layoutName) {
  for (const auto& c : controls()) {
    if (c.name == layoutName) return c.id;
  }
  return std::nullopt;
}

HWND findControl(HWND main, Ctl c) {
  struct Search {
    int id;
    HWND found;
  } search{controlId(c), nullptr};
  // EnumChildWindows walks every descendant, so controls inside group boxes are found too.
  EnumChildWindows(
      main,
      [](HWND w, LPARAM p) WINAPI -> BOOL {
        auto& s = *reinterpret_cast<Search*>(p);
        if (GetDlgCtrlID(w) != s.id) return TRUE;
        s.found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND findControl(HWND main, std::string_view layoutName) {
  const auto c = ctlByName(layoutName);
  return c ? findControl(main, *c) : nullptr;
}

// --- Reading ----------------------------------------------------------------------------

std::string text(HWND w) {
  const DWORD_PTR length = ask(w, WM_GETTEXTLENGTH, 0, 0, "text (WM_GETTEXTLENGTH)");
  // The program may rewrite the text between the two messages (a readout grows from "0.00KB" to
  // "203.52KB" on a tick): room to spare, and a read that fills the buffer is taken again with
  // more, so that a text is never cut short.
  std::size_t room = static_cast<std::size_t>(length) + 64;
  for (;;) {
    std::wstring buffer(room + 1, L'\0');
    const DWORD_PTR copied = ask(w, WM_GETTEXT, buffer.size(),
                                 reinterpret_cast<LPARAM>(buffer.data()), "text (WM_GETTEXT)");
    if (static_cast<std::size_t>(copied) < room) {
      buffer.resize(static_cast<std::size_t>(copied));
      return narrow(buffer);
    }
    room *= 2;
  }
}

std::size_t textLength(HWND w) {
  return static_cast<std::size_t>(ask(w, WM_GETTEXTLENGTH, 0, 0, "textLength"));
}

int sliderPosition(HWND slider) {
  return static_cast<int>(ask(slider, TBM_GETPOS, 0, 0, "sliderPosition (TBM_GETPOS)"));
}

int barPosition(HWND bar) {
  return static_cast<int>(ask(bar, PBM_GETPOS, 0, 0, "barPosition (PBM_GETPOS)"));
}

std::string ansi(std::string_view utf8) {
  const std::wstring wide = widen(utf8);
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::string className(HWND w) {
  wchar_t name[256] = {};
  const int n = GetClassNameW(w, name, 256);
  if (n <= 0) noAnswer(w, "className");
  return narrow(std::wstring_view(name, static_cast<std::size_t>(n)));
}

LONG_PTR style(HWND w) {
  return checked(w, GetWindowLongPtrW(w, GWL_STYLE), "style");
}
LONG_PTR exStyle(HWND w) {
  return checked(w, GetWindowLongPtrW(w, GWL_EXSTYLE), "exStyle");
}
bool ownVisible(HWND w) {
  return (style(w) & WS_VISIBLE) != 0;
}
bool shownOnScreen(HWND w) {
  return checked(w, IsWindowVisible(w) != FALSE, "shownOnScreen");
}
bool enabled(HWND w) {
  return checked(w, IsWindowEnabled(w) != FALSE, "enabled");
}

Rect screenRect(HWND w) {
  RECT r{};
  if (!GetWindowRect(w, &r)) noAnswer(w, "screenRect");
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

HWND parentOf(HWND w) {
  HWND p = checked(w, GetAncestor(w, GA_PARENT), "parentOf");
  return p == GetDesktopWindow() ? nullptr : p;
}

Rect rectInParent(HWND w) {
  RECT r{};
  if (!GetWindowRect(w, &r)) noAnswer(w, "rectInParent");
  if (HWND p = parentOf(w)) MapWindowPoints(nullptr, p, reinterpret_cast<POINT*>(&r), 2);
  return checked(w, Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}, "rectInParent");
}

std::vector<HWND> childrenFrontToBack(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return checked(parent, out, "childrenFrontToBack");
}

POINT screenPoint(HWND w, int x, int y) {
  POINT p{x, y};
  if (!ClientToScreen(w, &p)) noAnswer(w, "screenPoint");
  return checked(w, p, "screenPoint");
}

POINT centre(HWND w) {
  const Rect r = screenRect(w);
  return {r.left + r.width / 2, r.top + r.height / 2};
}

SIZE screenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool roundTrip(HWND w, Millis timeout) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(timeout.count()),
                             &result) != 0;
}

// --- Input ------------------------------------------------------------------------------

namespace {

void send(INPUT& in, const char* what) {
  if (SendInput(1, &in, sizeof in) != 1) {
    throw HarnessError(std::string("SendInput (") + what + ") was not taken, error " +
                       std::to_string(GetLastError()));
  }
}

void sendMouse(POINT p, DWORD flags) {
  // Wine maps an absolute coordinate d to (d * screen size) >> 16; this d lands on p exactly.
  const SIZE s = screenSize();
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((static_cast<long long>(p.x) * 65536 + s.cx - 1) / s.cx);
  in.mi.dy = static_cast<LONG>((static_cast<long long>(p.y) * 65536 + s.cy - 1) / s.cy);
  in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  send(in, "mouse");
}

void sendKey(WORD vk, WORD scan, DWORD flags) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = scan;
  in.ki.dwFlags = flags;
  send(in, "keyboard");
}

// The previous press, for keeping presses apart from it.
Clock::time_point lastPressTime;
POINT lastPressPoint{-100000, -100000};

// How far apart two presses must lie not to make a double click: the system compares each
// coordinate's distance with half the double-click rectangle (4 pixels under Wine).
int apartX() {
  return GetSystemMetrics(SM_CXDOUBLECLK) / 2 + 1;
}
int apartY() {
  return GetSystemMetrics(SM_CYDOUBLECLK) / 2 + 1;
}
bool nearLastPress(POINT p) {
  return std::abs(p.x - lastPressPoint.x) < apartX() && std::abs(p.y - lastPressPoint.y) < apartY();
}

// Where a press meant at p goes: p itself, unless it would make a double click with the
// previous press; then the first point beside p, out of that press's rectangle, that lies in
// the same window as p, toward the window's middle first (a control's edges may act otherwise:
// a trackbar's track ends 4 pixels in from its ends). Without one, after the double-click time.
POINT pressPoint(POINT p, bool mayMove) {
  const bool soon = Clock::now() - lastPressTime < Millis(GetDoubleClickTime()) + 50ms;
  if (!soon || !nearLastPress(p)) return p;
  const HWND target = mayMove ? WindowFromPoint(p) : nullptr;
  RECT r{};
  if (target != nullptr && GetWindowRect(target, &r)) {
    const int inX = 2 * p.x < r.left + r.right ? apartX() : -apartX();
    const int inY = 2 * p.y < r.top + r.bottom ? apartY() : -apartY();
    const POINT beside[] = {{p.x + inX, p.y}, {p.x, p.y + inY}, {p.x - inX, p.y}, {p.x, p.y - inY}};
    for (const POINT q : beside) {
      if (!nearLastPress(q) && WindowFromPoint(q) == target) return q;
    }
  }
  const auto apart = Millis(GetDoubleClickTime()) + 50ms;
  const auto since = Clock::now() - lastPressTime;
  if (since < apart) std::this_thread::sleep_for(apart - since);
  return p;
}

void press(POINT p) {
  moveMouse(p);
  sendMouse(p, MOUSEEVENTF_LEFTDOWN);
  lastPressTime = Clock::now();
  lastPressPoint = p;
}

}  // namespace

void moveMouse(POINT p) {
  sendMouse(p, 0);
  POINT at{};
  const bool arrived = waitUntil(
      [&] {
        GetCursorPos(&at);
        return at.x == p.x && at.y == p.y;
      },
      2s, 5ms);
  if (!arrived) {
    throw HarnessError("the pointer did not arrive at " + std::to_string(p.x) + "," +
                       std::to_string(p.y) + " within 2 s; it is at " + std::to_string(at.x) + "," +
                       std::to_string(at.y));
  }
}

void leftDown(POINT p) {
  press(pressPoint(p, true));
}

void leftUp(POINT p) {
  sendMouse(p, MOUSEEVENTF_LEFTUP);
}

void click(POINT p) {
  const POINT at = pressPoint(p, true);
  press(at);
  leftUp(at);
}

void drag(POINT from, POINT to, int steps) {
  press(pressPoint(from, false));
  for (int i = 1; i <= steps; ++i) {
    const POINT q{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
    sendMouse(q, 0);
    // Let the receiving thread take each move, as a hand would pace them.
    std::this_thread::sleep_for(15ms);
  }
  leftUp(to);
}

void typeText(std::string_view utf8) {
  for (wchar_t unit : widen(utf8)) {
    sendKey(0, static_cast<WORD>(unit), KEYEVENTF_UNICODE);
    sendKey(0, static_cast<WORD>(unit), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
  }
}

void pressKey(WORD vk) {
  const WORD scan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  sendKey(vk, scan, 0);
  sendKey(vk, scan, KEYEVENTF_KEYUP);
}

// --- Pixels -----------------------------------------------------------------------------

std::uint32_t screenPixel(POINT p) {
  return captureScreen(RECT{p.x, p.y, p.x + 1, p.y + 1}).pixels.front();
}

Capture captureScreen(const RECT& area) {
  Capture capture;
  capture.area = area;
  const int width = std::max<int>(area.right - area.left, 1);
  const int height = std::max<int>(area.bottom - area.top, 1);
  capture.area.right = area.left + width;
  capture.area.bottom = area.top + height;
  capture.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);

  const win::WindowDc screen;
  const win::MemoryDc memory(screen.get());
  if (!screen.get() || !memory.get()) throw HarnessError("no device context for the screen");
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const win::Bitmap bitmap(
      CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) throw HarnessError("CreateDIBSection failed for a screen shot");
  {
    const win::Selection selected(memory.get(), bitmap.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY)) {
      throw HarnessError("BitBlt from the screen failed, error " + std::to_string(GetLastError()));
    }
    GdiFlush();
  }
  const auto* source = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < capture.pixels.size(); ++i) capture.pixels[i] = source[i] & 0xFFFFFFu;
  return capture;
}

bool setText(HWND w, std::string_view utf8) {
  const std::wstring wide = widen(utf8);
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                             SMTO_ABORTIFHUNG, static_cast<UINT>(kAnswerTimeout.count()),
                             &result) != 0 &&
         result == TRUE;
}

bool setBarPosition(HWND bar, int position) {
  DWORD_PTR previous = 0;
  return SendMessageTimeoutW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0, SMTO_ABORTIFHUNG,
                             static_cast<UINT>(kAnswerTimeout.count()), &previous) != 0;
}

}  // namespace kestrova::e2e
