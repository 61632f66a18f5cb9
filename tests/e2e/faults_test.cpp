// Faults from outside, on the real program: an interface table that fails, is empty, has one
// row, grows between the size call and the rows call, or has counters that wrap (the
// iphlpapi.dll stand-in of tests/fixtures, preferred to the system's through Wine's DLL
// overrides, scripts GetIfTable's answers); a log file that cannot be written; a ping command
// that is not there; a double click in the host box. The program runs from a folder of the
// test's own, so that the stand-in DLL lies beside it and MailList.txt lands there.
#include <string>
#include <utility>
#include <vector>

#include "e2e_fixture.h"

namespace kestrova::e2e {
namespace {

// Copies the program (and what else the test needs beside it) into a folder of its own and
// starts it from there.
class InAFolder : public Running {
 protected:
  void copyIn(const std::wstring& from, const std::wstring& name) {
    ASSERT_TRUE(CopyFileW(from.c_str(), folder.file(name).c_str(), FALSE))
        << "copying " << narrow(from) << ": error " << GetLastError();
  }
  void startFromTheFolder(std::vector<std::pair<std::wstring, std::wstring>> environment) {
    copyIn(Program::defaultPath(), L"Kestrova.exe");
    Launch launch;
    launch.workingDirectory = folder.path();
    launch.environment = std::move(environment);
    program.setLaunch(folder.file(L"Kestrova.exe"), std::move(launch));
  }

  // Waits until the running-time label has changed `ticks` times: that many seconds of the
  // program's own event handling have passed.
  bool waitForClockTicks(int ticks) {
    HWND label = control(Ctl::透明标签1);
    std::string last = text(label);
    for (int i = 0; i < ticks; ++i) {
      if (!waitUntil([&] { return text(label) != last; }, 5s)) return false;
      last = text(label);
    }
    return true;
  }

  TempFolder folder;
};

// --- The interface table ----------------------------------------------------------------

// What the two traffic readouts show together.
struct Shown {
  std::string received, sent;
  bool operator==(const Shown&) const = default;
};

std::string describe(const std::vector<Shown>& trace) {
  std::string s;
  for (const auto& e : trace) s += "[" + e.received + " " + e.sent + "] ";
  return s;
}

struct IfTableCase {
  const char* name;
  std::string script;  // KESTROVA_IFTABLE_SCRIPT, see tests/fixtures/iphlpapi.c
  // What the readouts show in turn, each for at least three ticks; the last for good.
  std::vector<Shown> trace;
  const char* total;  // what the traffic total reads at the end
};

const Shown kNone{"0.00KB", "0.00KB"};
const Shown kCounting{"100.00KB", "200.00KB"};

// Row 2 counts 100 KB in and 200 KB out a tick; then four ticks of a fault; then it counts on
// from where it would have been one tick after the last good one (so the tick after the fault
// shows one tick's traffic), and stands still at the end. Traffic seen: eight ticks of 300 KB,
// 2.34 MB.
std::string aroundAFault(const std::string& fault) {
  return "rows:1/1,10000/20000+102400/204800*4;" + fault +
         "*4;rows:1/1,419600/839200+102400/204800*4;rows:1/1,829200/1658400";
}

const std::vector<IfTableCase> kIfTableCases = {
    // The table is empty until the first good answer: nothing to compare, zeros shown.
    {"FailsOnTheFirstTicks",
     "fail*4;rows:1/1,10000/20000+102400/204800*4;rows:1/1,419600/839200",
     {kNone, kCounting, kNone},
     "1.17MB"},
    // A failed refresh keeps the previous rows: no traffic for those ticks.
    {"FailsOnALaterTick",
     aroundAFault("fail"),
     {kNone, kCounting, kNone, kCounting, kNone},
     "2.34MB"},
    {"HasNoRows", aroundAFault("rows:"), {kNone, kCounting, kNone, kCounting, kNone}, "2.34MB"},
    // Row 1 alone, counting fast: it is not row 2, so nothing is shown of it.
    {"HasOneRow",
     aroundAFault("rows:500000/600000+100000/100000"),
     {kNone, kCounting, kNone, kCounting, kNone},
     "2.34MB"},
    // An interface appears between the size call and the rows call: the rows call finds the
    // buffer too small, and the tick is a failed refresh.
    {"GrowsBetweenTheSizeAndTheRowsCall",
     aroundAFault("rows:1/1,317200/634400>rows:1/1,317200/634400,5/5"),
     {kNone, kCounting, kNone, kCounting, kNone},
     "2.34MB"},
    // Received passes 2^32 (from 2^32 - 305000) and sent passes 2^31 (from 2^31 - 305000)
    // within the counting ticks: every step still reads as the true 100 and 200 KB.
    {"CountersWrap",
     "rows:1/1,4294662296/2147178648+102400/204800*8;rows:1/1,514200/2148817048",
     {kNone, kCounting, kNone},
     "2.34MB"},
};

// Wine takes WINEDLLOVERRIDES only from the environment it was started with, not from the one a
// Windows program gives its child; so the preference for the DLL beside the exe is set in the
// prefix's registry for programs of that name while the test runs. Elsewhere, with no
// iphlpapi.dll beside the exe, "native,builtin" finds none and loads Wine's own.
constexpr wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\Kestrova.exe";

class FaultsIfTable : public InAFolder, public ::testing::WithParamInterface<IfTableCase> {
 protected:
  void beforeStart() override {
    copyIn(fixturesDirectory() + L"\\iphlpapi.dll", L"iphlpapi.dll");
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kAppDefaults) + L"\\DllOverrides").c_str(),
                        0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    constexpr wchar_t order[] = L"native,builtin";
    const LSTATUS set = RegSetValueExW(key, L"iphlpapi", 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(order), sizeof order);
    RegCloseKey(key);
    ASSERT_EQ(set, ERROR_SUCCESS);
    startFromTheFolder({{L"KESTROVA_IFTABLE_SCRIPT", widen(GetParam().script)}});
  }
  void TearDown() override {
    InAFolder::TearDown();
    const std::wstring app = kAppDefaults;
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, (app + L"\\DllOverrides").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, app.c_str()), ERROR_SUCCESS);
  }

  // Both readouts, read twice alike (a tick between two reads would mix two ticks).
  std::optional<Shown> shown() {
    HWND rx = control(Ctl::接收透明标签);
    HWND tx = control(Ctl::发送透明标签);
    const Shown first{text(rx), text(tx)};
    const Shown second{text(rx), text(tx)};
    if (first == second) return first;
    return std::nullopt;
  }
};

TEST_P(FaultsIfTable, TheReadoutsFollowTheDisplayRulesAndTheProgramTicksOn) {
  const IfTableCase& c = GetParam();
  HWND total = control(Ctl::流量标签);
  // Every change of the readouts, in order, until they show the last entry and the total its
  // final value (about sixteen ticks).
  std::vector<Shown> trace;
  const bool ended = waitUntil(
      [&] {
        if (const auto s = shown();
            s && s->received != "KB" && (trace.empty() || !(trace.back() == *s))) {
          trace.push_back(*s);
        }
        return trace.size() >= c.trace.size() && trace.back() == c.trace.back() &&
               text(total) == c.total;
      },
      40s);
  EXPECT_TRUE(ended) << "the total reads " << text(total) << "; seen: " << describe(trace);
  EXPECT_EQ(describe(trace), describe(c.trace));

  // The program goes on: two clock ticks later the readouts hold still, and the load readouts
  // have been written.
  ASSERT_TRUE(waitForClockTicks(2)) << "running-time label stuck";
  EXPECT_EQ(shown(), c.trace.back());
  EXPECT_EQ(text(total), c.total);
  EXPECT_NE(text(control(Ctl::CPU透明标签)), "%");
  EXPECT_NE(text(control(Ctl::内存透明标签)), "%");
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultsIfTable, ::testing::ValuesIn(kIfTableCases),
                         [](const auto& param) { return std::string(param.param.name); });

// --- The log file and the console --------------------------------------------------------

class FaultsConsole : public InAFolder {
 protected:
  void beforeStart() override { startFromTheFolder(launchEnvironment()); }
  virtual std::vector<std::pair<std::wstring, std::wstring>> launchEnvironment() { return {}; }

  void TearDown() override {
    const DWORD pid = program.pid();
    Running::TearDown();
    EXPECT_TRUE(waitUntil([&] { return descendantsOf(pid, processList()).empty(); }))
        << "left running: " << describe(descendantsOf(pid, processList()));
  }

  bool idle() {
    return ownVisible(control(Ctl::超级按钮1)) && !ownVisible(control(Ctl::超级按钮2));
  }
  bool pinging() {
    return !ownVisible(control(Ctl::超级按钮1)) && ownVisible(control(Ctl::超级按钮2));
  }
  void clickButton(Ctl c) {
    HWND b = control(c);
    ASSERT_TRUE(b && shownOnScreen(b)) << layoutOf(c).name << " is not shown";
    click(centre(b));
  }
};

// A file the program cannot replace.
struct Obstacle {
  const char* name;
  // Puts the obstacle at path; the returned handle (if any) is held until the check is done.
  HANDLE (*put)(const std::wstring& path);
  // Whether what is at path is still the obstacle, untouched (held: what put returned).
  bool (*intact)(const std::wstring& path, HANDLE held);
};

constexpr char kOldLog[] = "the previous log\r\n";

HANDLE writeOldLog(const std::wstring& path, DWORD share) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return nullptr;
  DWORD written = 0;
  WriteFile(f, kOldLog, sizeof kOldLog - 1, &written, nullptr);
  return f;
}

const Obstacle kObstacles[] = {
    // Held open by another program without sharing.
    {"FileHeldOpenWithoutSharing", [](const std::wstring& path) { return writeOldLog(path, 0); },
     // Read through the handle that holds it: nobody else can open it.
     [](const std::wstring&, HANDLE held) {
       char bytes[64] = {};
       DWORD got = 0;
       SetFilePointer(held, 0, nullptr, FILE_BEGIN);
       return ReadFile(held, bytes, sizeof bytes, &got, nullptr) &&
              std::string(bytes, got) == kOldLog && GetFileSize(held, nullptr) == got;
     }},
    // A folder of that name, with a file in it.
    {"FolderOfThatName",
     [](const std::wstring& path) -> HANDLE {
       if (!CreateDirectoryW(path.c_str(), nullptr)) return nullptr;
       CloseHandle(writeOldLog(path + L"\\inside.txt", FILE_SHARE_READ));
       return INVALID_HANDLE_VALUE;  // nothing to hold
     },
     [](const std::wstring& path, HANDLE) {
       const DWORD a = GetFileAttributesW(path.c_str());
       return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
              readFileBytes(path + L"\\inside.txt") == std::string(kOldLog);
     }},
};

class FaultsSave : public FaultsConsole, public ::testing::WithParamInterface<Obstacle> {
 protected:
  void TearDown() override {
    if (held != nullptr && held != INVALID_HANDLE_VALUE) CloseHandle(held);
    const std::wstring log = folder.file(L"MailList.txt");
    DeleteFileW((log + L"\\inside.txt").c_str());
    RemoveDirectoryW(log.c_str());
    FaultsConsole::TearDown();
  }
  HANDLE held = nullptr;
};

TEST_P(FaultsSave, TheObstacleStaysAndTheWindowAnswers) {
  const std::wstring log = folder.file(L"MailList.txt");
  held = GetParam().put(log);
  ASSERT_NE(held, nullptr) << "could not put the obstacle: error " << GetLastError();
  HWND box = control(Ctl::编辑框);
  ASSERT_TRUE(setText(box, "a line of the log"));

  clickButton(Ctl::超级按钮5);
  // Input is taken in order: once Clear has emptied the box, Save has run.
  clickButton(Ctl::超级按钮4);
  ASSERT_TRUE(waitUntil([&] { return text(box).empty(); })) << "Clear did not run after Save";
  EXPECT_TRUE(GetParam().intact(log, held));
  ASSERT_TRUE(waitForClockTicks(1)) << "running-time label stuck after Save";
  EXPECT_TRUE(roundTrip(main));
  EXPECT_TRUE(idle());

  // Once the obstacle is gone, Save writes again.
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  held = nullptr;
  DeleteFileW((log + L"\\inside.txt").c_str());
  RemoveDirectoryW(log.c_str());
  DeleteFileW(log.c_str());
  ASSERT_FALSE(fileExists(log));
  clickButton(Ctl::超级按钮5);
  EXPECT_TRUE(waitUntil([&] { return readFileBytes(log) == std::string("\r\n"); }))
      << readFileBytes(log).value_or("(no file)");
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultsSave, ::testing::ValuesIn(kObstacles),
                         [](const auto& param) { return std::string(param.param.name); });

// A double click in the host box, its second press held and dragged: the box is emptied, the
// window stays where it is, and no ping starts.
TEST_F(FaultsConsole, ADoubleClickInTheHostBoxEmptiesItAndStartsNothing) {
  HWND hostBox = control(Ctl::编辑框1);
  const Rect before = screenRect(main);
  ASSERT_FALSE(text(hostBox).empty());
  const POINT p = centre(hostBox);
  const POINT q{p.x + 30, p.y + 20};
  // In one go, well inside the double-click time and place.
  const SIZE s = screenSize();
  auto mouse = [&](POINT at, DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((static_cast<long long>(at.x) * 65536 + s.cx - 1) / s.cx);
    in.mi.dy = static_cast<LONG>((static_cast<long long>(at.y) * 65536 + s.cy - 1) / s.cy);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
  };
  INPUT seq[] = {mouse(p, 0),
                 mouse(p, MOUSEEVENTF_LEFTDOWN),
                 mouse(p, MOUSEEVENTF_LEFTUP),
                 mouse(p, MOUSEEVENTF_LEFTDOWN),
                 mouse({p.x + 10, p.y + 7}, 0),
                 mouse({p.x + 20, p.y + 14}, 0),
                 mouse(q, 0),
                 mouse(q, MOUSEEVENTF_LEFTUP)};
  ASSERT_EQ(SendInput(static_cast<UINT>(std::size(seq)), seq, sizeof(INPUT)), std::size(seq));
  EXPECT_TRUE(waitUntil([&] { return text(hostBox).empty(); })) << text(hostBox);
  // Typed text arrives after the double click has been handled.
  typeText("x");
  ASSERT_TRUE(waitUntil([&] { return text(hostBox) == "x"; })) << text(hostBox);
  EXPECT_EQ(screenRect(main), before);
  ASSERT_TRUE(waitForClockTicks(2)) << "running-time label stuck";
  EXPECT_TRUE(idle());
  EXPECT_TRUE(program.descendants().empty()) << describe(program.descendants());
  EXPECT_TRUE(text(control(Ctl::编辑框)).empty()) << text(control(Ctl::编辑框));
}

// No ping anywhere the interpreter looks: the program's folder is its working directory and its
// whole PATH, and holds no ping. (Wine's cmd searches only the working directory and PATH, so
// the system's own ping in system32 is not found; the host is the loopback address all the
// same.)
class FaultsNoPing : public FaultsConsole {
 protected:
  std::vector<std::pair<std::wstring, std::wstring>> launchEnvironment() override {
    return {{L"PATH", folder.path()}};
  }
};

TEST_F(FaultsNoPing, TheInterpretersMessageIsAppendedAndTheButtonsWaitForStop) {
  ASSERT_FALSE(fileExists(folder.file(L"ping.exe")));
  HWND hostBox = control(Ctl::编辑框1);
  HWND box = control(Ctl::编辑框);
  click(centre(hostBox));
  ASSERT_TRUE(waitUntil([&] { return text(hostBox).empty(); })) << text(hostBox);
  typeText("127.0.0.1");
  ASSERT_TRUE(waitUntil([&] { return text(hostBox) == "127.0.0.1"; })) << text(hostBox);
  pressKey(VK_RETURN);

  // cmd's own words, in the program's code page (the driver runs in the same locale).
  const std::string message =
      GetACP() == 936
          ? "无法将 \"ping 127.0.0.1 -t\" 识别为内部或外部命令，或者批处理脚本。\r\n"
          : "Can't recognize 'ping 127.0.0.1 -t' as an internal or external command, or batch "
            "script.\r\n";
  EXPECT_TRUE(waitUntil([&] { return text(box) == message; })) << text(box);
  // The interpreter has ended; the buttons stay as a ping left them, and nothing more comes.
  ASSERT_TRUE(waitUntil([&] { return program.descendants().empty(); }))
      << describe(program.descendants());
  ASSERT_TRUE(waitForClockTicks(2)) << "running-time label stuck";
  EXPECT_TRUE(pinging()) << "Run should stay hidden and Stop shown until Stop";
  EXPECT_EQ(text(box), message);

  clickButton(Ctl::超级按钮2);
  EXPECT_TRUE(waitUntil([&] { return idle(); })) << "Stop did not bring Run back";
  EXPECT_EQ(text(box), message);
}

}  // namespace
}  // namespace kestrova::e2e
