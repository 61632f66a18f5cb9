#include "harness.h"

#include "platform/win32/text.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <set>
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

bool waitUntil(const std::function<bool()>& cond, Millis timeout, Millis poll) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (cond()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return cond();
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

// The driver's environment with the launch's variables set on top, as a block for
// CreateProcessW: "NAME=VALUE\0" entries, then one more \0.
std::wstring environmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& vars) {
  std::vector<std::wstring> entries;
  if (wchar_t* env = GetEnvironmentStringsW()) {
    for (const wchar_t* p = env; *p; p += wcslen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsW(env);
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
  job_ = CreateJobObjectW(nullptr, nullptr);
  if (job_) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
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
  if (job_) AssignProcessToJobObject(job_, pi.hProcess);
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  return true;
}

bool Program::running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Program::waitForExit(Millis timeout) {
  if (!process_) return std::nullopt;
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
  return code;
}

void Program::stop() {
  if (process_) {
    if (running()) {
      if (job_) TerminateJobObject(job_, 1);
      TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
  }
  if (job_) {
    CloseHandle(job_);
    job_ = nullptr;
  }
}

HWND Program::waitForMainWindow(Millis timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  HWND found = nullptr;
  waitUntil(
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
  // Shown is not yet ready for a user: on a slow start (the emulated 32-bit tier) the window
  // is on screen seconds before its thread takes messages. Ready is when it answers one.
  if (found) {
    const auto left =
        std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
    waitUntil(
        [&] { return SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_NORMAL, 500, nullptr) != 0; },
        std::max(left, Millis{0}), 50ms);
  }
  return found;
}

std::vector<ProcessEntry> Program::descendants() const {
  return pid_ ? descendantsOf(pid_, processList()) : std::vector<ProcessEntry>{};
}

// --- Processes and files ----------------------------------------------------------------

std::vector<ProcessEntry> processList() {
  std::vector<ProcessEntry> out;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    out.push_back({entry.th32ProcessID, entry.th32ParentProcessID, narrow(lower(entry.szExeFile))});
  }
  CloseHandle(snapshot);
  return out;
}

std::vector<ProcessEntry> descendantsOf(DWORD root, const std::vector<ProcessEntry>& list) {
  std::set<DWORD> family{root};
  std::vector<ProcessEntry> out;
  // Parents may come after their children in the list: repeat until nothing is added.
  for (bool added = true; added;) {
    added = false;
    for (const auto& p : list) {
      if (p.pid != root && family.count(p.parent) != 0 && family.insert(p.pid).second) {
        out.push_back(p);
        added = true;
      }
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

TempFolder::~TempFolder() {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") DeleteFileW(file(name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path_.c_str());
}

bool fileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> readFileBytes(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got != 0) bytes.append(buffer, got);
  CloseHandle(f);
  return bytes;
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
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
  // The program may rewrite the text between the two messages (a readout grows from "0.00KB" to
  // "203.52KB" on a tick): room to spare, and a read that fills the buffer is taken again with
  // more, so that a text is never cut short.
  std::size_t room = static_cast<std::size_t>(length) + 64;
  for (;;) {
    std::wstring buffer(room + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, 5000, &copied)) {
      return {};
    }
    if (static_cast<std::size_t>(copied) < room) {
      buffer.resize(static_cast<std::size_t>(copied));
      return narrow(buffer);
    }
    room *= 2;
  }
}

std::size_t textLength(HWND w) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return 0;
  return static_cast<std::size_t>(length);
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
  return narrow(std::wstring_view(name, static_cast<std::size_t>(std::max(n, 0))));
}

LONG_PTR style(HWND w) {
  return GetWindowLongPtrW(w, GWL_STYLE);
}
LONG_PTR exStyle(HWND w) {
  return GetWindowLongPtrW(w, GWL_EXSTYLE);
}
bool ownVisible(HWND w) {
  return (style(w) & WS_VISIBLE) != 0;
}
bool shownOnScreen(HWND w) {
  return IsWindowVisible(w) != FALSE;
}
bool enabled(HWND w) {
  return IsWindowEnabled(w) != FALSE;
}

Rect screenRect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

HWND parentOf(HWND w) {
  HWND p = GetAncestor(w, GA_PARENT);
  return p == GetDesktopWindow() ? nullptr : p;
}

Rect rectInParent(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  if (HWND p = parentOf(w)) MapWindowPoints(nullptr, p, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::vector<HWND> childrenFrontToBack(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

POINT screenPoint(HWND w, int x, int y) {
  POINT p{x, y};
  ClientToScreen(w, &p);
  return p;
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

void sendMouse(POINT p, DWORD flags) {
  // Wine maps an absolute coordinate d to (d * screen size) >> 16; this d lands on p exactly.
  const SIZE s = screenSize();
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((static_cast<long long>(p.x) * 65536 + s.cx - 1) / s.cx);
  in.mi.dy = static_cast<LONG>((static_cast<long long>(p.y) * 65536 + s.cy - 1) / s.cy);
  in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void sendKey(WORD vk, WORD scan, DWORD flags) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = scan;
  in.ki.dwFlags = flags;
  SendInput(1, &in, sizeof in);
}

}  // namespace

void moveMouse(POINT p) {
  sendMouse(p, 0);
  waitUntil(
      [&] {
        POINT c{};
        GetCursorPos(&c);
        return c.x == p.x && c.y == p.y;
      },
      2s, 5ms);
}

void leftDown(POINT p) {
  // Two presses close in time and place make a double click, which a button of the double-click
  // class style takes instead of a second click (an owner-drawn button sends BN_DOUBLECLICKED,
  // not BN_CLICKED). Each press here is meant as a press of its own, so it waits, as a hand
  // would, until the previous one is out of the double-click time.
  static std::chrono::steady_clock::time_point lastTime;
  static POINT lastPoint{-100000, -100000};
  const bool close = std::abs(p.x - lastPoint.x) < GetSystemMetrics(SM_CXDOUBLECLK) / 2 + 1 &&
                     std::abs(p.y - lastPoint.y) < GetSystemMetrics(SM_CYDOUBLECLK) / 2 + 1;
  if (close) {
    const auto apart = Millis(GetDoubleClickTime()) + 50ms;
    const auto since = std::chrono::steady_clock::now() - lastTime;
    if (since < apart) std::this_thread::sleep_for(apart - since);
  }
  moveMouse(p);
  sendMouse(p, MOUSEEVENTF_LEFTDOWN);
  lastTime = std::chrono::steady_clock::now();
  lastPoint = p;
}

void leftUp(POINT p) {
  sendMouse(p, MOUSEEVENTF_LEFTUP);
}

void click(POINT p) {
  leftDown(p);
  leftUp(p);
}

void drag(POINT from, POINT to, int steps) {
  leftDown(from);
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

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr && bits != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < capture.pixels.size(); ++i)
      capture.pixels[i] = source[i] & 0xFFFFFFu;
    SelectObject(memory, old);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return capture;
}

bool setText(HWND w, std::string_view utf8) {
  const std::wstring wide = widen(utf8);
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                             SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

}  // namespace kestrova::e2e
