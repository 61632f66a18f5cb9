// The end-to-end harness: starts the real Kestrova.exe, finds its windows and controls, reads
// what a user sees and acts as a user does (mouse, keyboard), from a Windows process of its
// own. Every call that waits takes a timeout; nothing sleeps blindly.
//
// Nothing here takes a missing answer for a value: a read of a window that does not answer in
// time, or that is gone, throws HarnessError, which GoogleTest reports as the test's failure
// with its message (so a wait for an empty text cannot pass against a hung or ended program);
// an input the system refuses throws the same. Calls that can fail in a way a test may expect
// (a wait, a start, an exit) answer bool or optional, and the compiler makes callers look.
//
// Contract with the toolkit (src/platform): the main window's class is "KestrovaMainWindow";
// every windowed control's window has the control ID 1000 + index(Ctl) (GetDlgCtrlID);
// controls inside a group box are child windows of that group box.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/layout.h"
#include "platform/win32/handles.h"

namespace kestrova::e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

inline constexpr wchar_t kMainWindowClass[] = L"KestrovaMainWindow";
inline constexpr Millis kStartTimeout = 30s;  // a cold Wine start of a GUI program
inline constexpr Millis kActionTimeout = 10s;
// How long one read of a window may wait for the program's answer.
inline constexpr Millis kAnswerTimeout = 5s;
// The whole of one test's waits: ctest gives a Wine test 90 s, of which the driver's own start
// and end under Wine take some. A wait that would run past this ends early (and fails the test
// once, saying so), so that a slow run fails with the test's own message, not ctest's kill.
inline constexpr Millis kTestBudget = 75s;

// A read or an input that the program or the system did not answer; the message says which.
class HarnessError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The control ID of a windowed control's window.
constexpr int controlId(Ctl c) {
  return 1000 + static_cast<int>(index(c));
}

// UTF-8 <-> UTF-16.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// Polls cond every poll until it holds or timeout passes; returns its last value. The wait ends
// at the test's budget (kTestBudget from the test's start) at the latest.
[[nodiscard]] bool waitUntil(const std::function<bool()>& cond, Millis timeout = kActionTimeout,
                             Millis poll = 20ms);

// A process seen in a snapshot of the system's process list.
struct ProcessEntry {
  DWORD pid = 0;
  DWORD parent = 0;
  std::string image;  // the exe's file name in lower case, e.g. "ping.exe"
  // Its creation time (FILETIME units); 0 where the system would not tell.
  std::uint64_t created = 0;
};

// How the program is started.
struct Launch {
  // Its working directory; empty: the exe's folder, as Explorer would start it.
  std::wstring workingDirectory;
  // Appended to the command line after the quoted exe path, after a blank.
  std::wstring arguments;
  // Variables set on top of the driver's own environment (names compare case-blind).
  std::vector<std::pair<std::wstring, std::wstring>> environment;
};

// The program under test, started in a job object that kills it (and anything it started)
// when the job closes: on stop(), in the destructor, or when the driver itself dies.
class Program {
 public:
  // The exe the build made (KESTROVA_EXE from CMake), or the environment's KESTROVA_EXE.
  static std::wstring defaultPath();

  explicit Program(std::wstring path = defaultPath(), Launch launch = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Which exe start() runs next, and how.
  void setLaunch(std::wstring path, Launch launch) {
    path_ = std::move(path);
    launch_ = std::move(launch);
  }
  // False if the program could not be started inside its job (CreateProcess or a job call
  // failed; nothing is left running then); see lastError().
  [[nodiscard]] bool start();
  DWORD pid() const { return pid_; }
  HANDLE process() const { return process_.get(); }
  bool running() const;
  // The exit code once the process has ended within timeout.
  [[nodiscard]] std::optional<DWORD> waitForExit(Millis timeout = kActionTimeout);
  // Ends the process (and its job) unless it has ended already, and waits until it has; fails
  // the test if it does not end. Idempotent.
  void stop();
  DWORD lastError() const { return error_; }

  // The visible top-level window of class KestrovaMainWindow that belongs to the process.
  // nullptr if none showed within timeout or the program ended first.
  [[nodiscard]] HWND waitForMainWindow(Millis timeout = kStartTimeout) const;

  // Every process that the program started, directly or through its children, that is still
  // there (the program itself not included), also once the program has ended.
  std::vector<ProcessEntry> descendants() const;

 private:
  std::wstring path_;
  Launch launch_;
  win::UniqueHandle job_;
  win::UniqueHandle process_;
  DWORD pid_ = 0;
  DWORD error_ = 0;
};

// The system's process list now (Toolhelp32).
std::vector<ProcessEntry> processList();
// The processes of `list` whose chain of parents leads to `root`. Process IDs are reused (under
// Wine soon after a process ends): a process created before the one its parent ID names now
// is not its child. The root's creation time comes from the list, or, once the root has ended,
// from its start by a Program. The desktop's own process (explorer.exe under Wine, started by
// whichever process first needs the desktop) is the system's and never counted.
std::vector<ProcessEntry> descendantsOf(DWORD root, const std::vector<ProcessEntry>& list);
// The image names of the entries, joined with blanks, for messages.
std::string describe(const std::vector<ProcessEntry>& processes);

// The build's folder of stand-in programs (KESTROVA_FIXTURES from CMake, e.g. ping.exe), as a
// Windows path.
std::wstring fixturesDirectory();
// The driver's PATH with the fixtures folder in front: a program started with it (and the
// command interpreters it starts) finds the stand-ins before the system's commands.
std::wstring pathWithFixturesFirst();

// A folder of the test's own under the temporary folder, removed with its files (one level
// deep) when it goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring file(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

 private:
  std::wstring path_;
};

bool fileExists(const std::wstring& path);
// The whole content of a file; nullopt if it cannot be opened.
std::optional<std::string> readFileBytes(const std::wstring& path);

// Top-level windows of a process with a class name (any class if empty).
std::vector<HWND> topLevelWindows(DWORD pid, std::wstring_view className = {});

// A control by its layout name or id: the descendant of main with its control ID.
HWND findControl(HWND main, Ctl c);
HWND findControl(HWND main, std::string_view layoutName);
std::optional<Ctl> ctlByName(std::string_view layoutName);

// What a user sees of a window, read from outside the process. Each read throws HarnessError
// when the window is gone or does not answer within kAnswerTimeout.
struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};
std::string text(HWND w);                 // WM_GETTEXT through the wide call, as UTF-8
std::size_t textLength(HWND w);           // WM_GETTEXTLENGTH, in UTF-16 units
int sliderPosition(HWND slider);          // TBM_GETPOS
int barPosition(HWND bar);                // PBM_GETPOS
std::string ansi(std::string_view utf8);  // in the ANSI code page, as the program reads it
std::string className(HWND w);            // as UTF-8
LONG_PTR style(HWND w);
LONG_PTR exStyle(HWND w);
bool ownVisible(HWND w);     // the window's own WS_VISIBLE
bool shownOnScreen(HWND w);  // IsWindowVisible: it and every ancestor shown
bool enabled(HWND w);
Rect screenRect(HWND w);
Rect rectInParent(HWND w);  // relative to the parent's client area (screen for top-level)
HWND parentOf(HWND w);      // the parent window, nullptr for a top-level window
std::vector<HWND> childrenFrontToBack(HWND parent);  // GW_CHILD, then GW_HWNDNEXT
POINT screenPoint(HWND w, int x, int y);             // a point of w's client area on screen
POINT centre(HWND w);
SIZE screenSize();

// Input as a user gives it (SendInput), in screen coordinates. Throws HarnessError when the
// system takes no input, or the pointer does not arrive where it was sent.
//
// Two presses close in time and place make a double click. A press meant as one of its own
// that would fall within the double-click time and rectangle of the previous press is made
// a few pixels beside the point asked for (outside that rectangle, still in the window under
// the point), so repeated clicks on one control alternate between two points and need no
// pause; only where no such point lies in the same window does it wait out the double-click
// time. A drag starts exactly where it is asked to, waiting if it must.
void moveMouse(POINT p);
void leftDown(POINT p);
void leftUp(POINT p);
void click(POINT p);
void drag(POINT from, POINT to, int steps = 8);
void typeText(std::string_view utf8);  // KEYEVENTF_UNICODE, one unit after the other
void pressKey(WORD vk);

// The colour on screen at p (BitBlt from the screen DC), as 0x00RRGGBB.
std::uint32_t screenPixel(POINT p);

// The colours of a rectangle of the screen, taken in one BitBlt from the screen DC.
struct Capture {
  RECT area{};                        // in screen coordinates
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row by row from the top
  // The colour at a screen point inside the area.
  std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>((y - area.top) * (area.right - area.left) +
                                           (x - area.left))];
  }
};
Capture captureScreen(const RECT& area);

// Sets a window's text from outside its process (WM_SETTEXT, marshalled by the system), as
// the program itself would. False if the window did not take it.
[[nodiscard]] bool setText(HWND w, std::string_view utf8);
// Sets a progress bar's position from outside (PBM_SETPOS). False if the bar did not answer.
[[nodiscard]] bool setBarPosition(HWND bar, int position);

// Sends WM_NULL with a timeout: returns when the window's thread has taken its sent messages.
[[nodiscard]] bool roundTrip(HWND w, Millis timeout = kActionTimeout);

}  // namespace kestrova::e2e
