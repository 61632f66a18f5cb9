// The capture against real children under the system's command interpreter.
#include "platform/win32/win_process.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/capture.h"
#include "support/fake_ui.h"

namespace kestrova::win {
namespace {

using Clock = std::chrono::steady_clock;

std::string moduleDirectory() {
  char path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\'));
}

// The ping stand-in, in <build>/fixtures beside or above the test program.
std::string fixturePing() {
  std::string dir = moduleDirectory();
  for (int up = 0; up < 4; ++up) {
    const std::string candidate = dir + "\\fixtures\\ping.exe";
    if (GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) return candidate;
    const auto cut = dir.find_last_of('\\');
    if (cut == std::string::npos) break;
    dir.resize(cut);
  }
  return {};
}

bool processEnds(DWORD pid, DWORD milliseconds) {
  UniqueHandle h(OpenProcess(SYNCHRONIZE, FALSE, pid));
  if (!h) return true;  // already gone
  return WaitForSingleObject(h.get(), milliseconds) == WAIT_OBJECT_0;
}

struct Environment {
  Environment(const char* name, const char* value) : name_(name) {
    SetEnvironmentVariableA(name, value);
  }
  ~Environment() { SetEnvironmentVariableA(name_, nullptr); }
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

 private:
  const char* name_;
};

struct CaptureUnderCmd : ::testing::Test {
  testing::FakeUi ui;
  WinProcessSystem system;
  Capture capture{ui, system};
  // Runs inside every processPendingEvents call.
  std::function<void()> duringEvents;
  Clock::time_point deadline;

  void SetUp() override {
    ui.onProcessEvents = [this] {
      if (duringEvents) duringEvents();
      if (Clock::now() > deadline && capture.running() != 0) {
        ADD_FAILURE() << "the capture did not finish in time";
        capture.run("", false, Ctl::编辑框);
        capture.endRunningChildren();
      }
    };
  }

  void run(const std::string& command, std::chrono::seconds limit = std::chrono::seconds(30)) {
    deadline = Clock::now() + limit;
    capture.run(command, true, Ctl::编辑框);
  }

  std::string box() const { return ui.state(Ctl::编辑框).text; }
  std::vector<std::string> chunks() const {
    std::vector<std::string> out;
    const std::string prefix = "appendAnsiText 编辑框 ";
    for (const auto& line : ui.log) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
    }
    return out;
  }
};

TEST(WinProcessSystem, ThisSystemIsOfTheNtFamily) {
  WinProcessSystem system;
  EXPECT_EQ(system.platformFamily(), PlatformFamily::nt);
}

TEST(WinProcessSystem, AChildThatCannotStartHasNoExitCode) {
  WinProcessSystem system;
  auto pipe = system.createPipe();
  auto child = system.startChild("kestrova-no-such-program.exe", StartupRecord{}, *pipe);
  pipe->closeWriteEnd();
  std::uint32_t code = 0;
  EXPECT_FALSE(child->exitCode(code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(pipe->bytesAvailable(), 0u);
  std::uint8_t buffer[1024] = {};
  EXPECT_EQ(pipe->read(buffer, kReadSize), 0u) << "no writer is left: the pipe is broken";
  // Nothing is left to wait for but a message.
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0));
  child->waitForMessageOrEnd(pipe.get());
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
  child->terminate();
}

TEST_F(CaptureUnderCmd, StandardOutputAndErrorBothReachTheBox) {
  run("echo out-1&(echo err-1)1>&2&echo out-2&exit 3");
  const std::string text = box();
  const auto out1 = text.find("out-1");
  const auto err1 = text.find("err-1");
  const auto out2 = text.find("out-2");
  ASSERT_NE(out1, std::string::npos) << text;
  ASSERT_NE(err1, std::string::npos) << text;
  ASSERT_NE(out2, std::string::npos) << text;
  EXPECT_LT(out1, err1);
  EXPECT_LT(err1, out2);
  EXPECT_EQ(capture.running(), 0u);
}

TEST_F(CaptureUnderCmd, LongOutputArrivesWholeOverManyReads) {
  char tempDir[MAX_PATH];
  ASSERT_NE(GetTempPathA(sizeof tempDir, tempDir), 0u);
  const std::string path = std::string(tempDir) + "kestrova-long-output.txt";
  std::string content;
  for (int i = 0; content.size() < 100 * 1024; ++i) {
    char line[80];
    std::snprintf(line, sizeof line, "line %06d abcdefghijklmnopqrstuvwxyz 0123456789\r\n", i);
    content += line;
  }
  {
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(f);
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(f.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    ASSERT_EQ(written, content.size());
  }

  run("type \"" + path + "\"");
  DeleteFileA(path.c_str());

  EXPECT_EQ(box(), content);
  const auto parts = chunks();
  EXPECT_GE(parts.size(), content.size() / kReadSize);
  for (const auto& p : parts) EXPECT_LE(p.size(), kReadSize);
}

TEST_F(CaptureUnderCmd, EndingTheRunningChildrenEndsTheInterpreterAndItsChild) {
  const std::string ping = fixturePing();
  ASSERT_FALSE(ping.empty()) << "fixtures\\ping.exe not found";
  ASSERT_EQ(ping.find(' '), std::string::npos) << ping;
  const Environment showPid("KESTROVA_PING_SHOW_PID", "1");
  const Environment interval("KESTROVA_PING_INTERVAL_MS", "20");

  DWORD pid = 0;
  std::size_t lengthAtStop = 0;
  duringEvents = [&] {
    if (pid != 0) return;
    const std::string text = box();
    const auto at = text.find("pid ");
    if (at == std::string::npos || text.find("seq=2") == std::string::npos) return;
    pid = std::strtoul(text.c_str() + at + 4, nullptr, 10);  // "pid N 127.0.0.1"
    lengthAtStop = text.size();
    capture.run("", false, Ctl::编辑框);
    capture.endRunningChildren();
  };
  run(ping + " 127.0.0.1 -t");

  ASSERT_NE(pid, 0u) << box();
  EXPECT_TRUE(processEnds(pid, 5000));
  EXPECT_EQ(box().size(), lengthAtStop);
}

TEST_F(CaptureUnderCmd, WhatTheInterpreterLeavesRunningEndsWithTheCapture) {
  const std::string ping = fixturePing();
  ASSERT_FALSE(ping.empty()) << "fixtures\\ping.exe not found";
  const Environment showPid("KESTROVA_PING_SHOW_PID", "1");

  // cmd.exe starts one stand-in without waiting for it, runs a finite one, and ends while
  // the first goes on.
  run("start /b " + ping + " background -t & " + ping + " foreground");

  const std::string text = box();
  ASSERT_NE(text.find(" foreground\r\n"), std::string::npos) << text;
  DWORD pid = 0;
  for (auto i = text.find("pid "); i != std::string::npos; i = text.find("pid ", i + 1)) {
    char* end = nullptr;
    const auto n = std::strtoul(text.c_str() + i + 4, &end, 10);
    if (std::string_view(end).rfind(" background\r\n", 0) == 0) pid = n;
  }
  ASSERT_NE(pid, 0u) << text;
  EXPECT_TRUE(processEnds(pid, 5000));
}

TEST_F(CaptureUnderCmd, AWaitReturnsOnceTheChildHasEnded) {
  auto pipe = system.createPipe();
  auto child = system.startChild("cmd.exe /c exit 7", StartupRecord{}, *pipe);
  pipe->closeWriteEnd();
  std::uint32_t code = kStillActive;
  const auto until = Clock::now() + std::chrono::seconds(20);
  while (child->exitCode(code) && code == kStillActive && Clock::now() < until) {
    child->waitForMessageOrEnd(nullptr);
  }
  EXPECT_EQ(code, 7u);
}

// --- The ping stand-in behaves like the real ping ------------------------------------------

TEST(PingStandIn, KeepsRunningOnceNobodyReadsItsOutput) {
  const std::string ping = fixturePing();
  ASSERT_FALSE(ping.empty()) << "fixtures\\ping.exe not found";
  SECURITY_ATTRIBUTES sa{};
  sa.nLength = sizeof sa;
  sa.bInheritHandle = TRUE;
  UniqueHandle readEnd;
  UniqueHandle writeEnd;
  ASSERT_TRUE(CreatePipe(readEnd.put(), writeEnd.put(), &sa, 0));
  // The stand-in must not hold the read end itself, or its writes would never fail.
  ASSERT_TRUE(SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0));
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd.get();
  si.hStdError = writeEnd.get();
  PROCESS_INFORMATION pi{};
  std::string line = ping + " 127.0.0.1 -t";
  const Environment interval("KESTROVA_PING_INTERVAL_MS", "20");
  ASSERT_TRUE(
      CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
      << GetLastError();
  const UniqueHandle process(pi.hProcess);
  const UniqueHandle thread(pi.hThread);
  writeEnd.reset();

  // It writes: its first line arrives.
  char buffer[256];
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(readEnd.get(), buffer, sizeof buffer, &got, nullptr) && got > 0);
  // Nobody reads any more: every later write fails, some seventy of them in this wait, and
  // it goes on all the same.
  readEnd.reset();
  EXPECT_EQ(WaitForSingleObject(process.get(), 1500), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the stand-in ended by itself once its reader had gone";
  TerminateProcess(process.get(), 1);
  EXPECT_EQ(WaitForSingleObject(process.get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
}

// --- Children of a program that itself runs in a job ---------------------------------------
//
// The test starts this program again (the helper) inside a job of the test's own; the helper
// runs one capture of the ping stand-in with -t, stops it as the console's Stop does, and ends
// with a code that says whether the stand-in is gone. With KESTROVA_JOB_HELPER set, this
// program does the helper's part in place of its tests.
//
// Wine nests jobs as Windows 8 and later do, so there the child's own job always takes it.
// Where jobs cannot nest, AssignProcessToJobObject fails with ERROR_ACCESS_DENIED; the
// helper can be told to answer that in place of the system (its import table's entry is
// replaced), and then the program's fallback, which ends the child's tree by the processes'
// parents, is what has to end the stand-in.

enum HelperExit : DWORD {
  kHelperOk = 0,
  kHelperNoStandIn = 10,    // the stand-in's pid never appeared
  kHelperLeftRunning = 11,  // the stand-in was still running after the capture
  kHelperNotDenied = 12,    // the assignment was to fail, but was never asked for
  kHelperTooLong = 13,      // the capture did not finish in time
  kHelperNoImport = 14,     // AssignProcessToJobObject not found in the import table
};

// Replaces one kernel32 import of this program for as long as it lives.
class ImportReplacement {
 public:
  ImportReplacement(const char* name, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0 && slot_ == nullptr; ++imp) {
      if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), "kernel32.dll") != 0) {
        continue;
      }
      const DWORD lookup = imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk;
      const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookup);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
      for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        const auto* byName =
            reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
        slot_ = reinterpret_cast<void**>(&slots->u1.Function);
        original_ = *slot_;
        write(replacement);
        break;
      }
    }
  }
  ~ImportReplacement() {
    if (slot_) write(original_);
  }
  ImportReplacement(const ImportReplacement&) = delete;
  ImportReplacement& operator=(const ImportReplacement&) = delete;
  bool replaced() const { return slot_ != nullptr; }

 private:
  void write(void* value) {
    DWORD old = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
    *slot_ = value;
    VirtualProtect(slot_, sizeof *slot_, old, &old);
  }
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

long deniedAssignments = 0;
BOOL WINAPI assignmentDenied(HANDLE, HANDLE) {
  ++deniedAssignments;
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

// The parent of a process, from a snapshot of the process list; 0 if it is not listed.
DWORD parentOf(DWORD pid) {
  UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = snapshot && Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == pid) return entry.th32ParentProcessID;
  }
  return 0;
}

// The helper's part: KESTROVA_JOB_HELPER is "assign" or "deny", then "," and "stop" (Stop
// during the ping) or "orphan" (the interpreter is ended from outside during the ping, so
// that the capture finishes by itself while the stand-in runs on: what the child left is
// ended when its capture finishes).
DWORD runJobHelper(const std::string& mode) {
  const bool deny = mode.rfind("deny", 0) == 0;
  const bool orphan = mode.find(",orphan") != std::string::npos;
  std::unique_ptr<ImportReplacement> replacement;
  if (deny) {
    replacement = std::make_unique<ImportReplacement>("AssignProcessToJobObject",
                                                      reinterpret_cast<void*>(&assignmentDenied));
    if (!replacement->replaced()) return kHelperNoImport;
  }
  const std::string ping = fixturePing();
  SetEnvironmentVariableA("KESTROVA_PING_SHOW_PID", "1");
  SetEnvironmentVariableA("KESTROVA_PING_INTERVAL_MS", "20");

  testing::FakeUi ui;
  WinProcessSystem system;
  Capture capture(ui, system);
  DWORD pid = 0;
  bool tooLong = false;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  ui.onProcessEvents = [&] {
    const std::string text = ui.state(Ctl::编辑框).text;
    const auto at = text.find("pid ");
    if (pid == 0 && at != std::string::npos && text.find("seq=2") != std::string::npos) {
      pid = std::strtoul(text.c_str() + at + 4, nullptr, 10);
      if (orphan) {
        UniqueHandle interpreter(OpenProcess(PROCESS_TERMINATE, FALSE, parentOf(pid)));
        if (interpreter) TerminateProcess(interpreter.get(), 1);
      } else {
        capture.run("", false, Ctl::编辑框);
        capture.endRunningChildren();
      }
    }
    if (Clock::now() > deadline && capture.running() != 0) {
      tooLong = true;
      capture.run("", false, Ctl::编辑框);
      capture.endRunningChildren();
    }
  };
  capture.run(ping + " 127.0.0.1 -t", true, Ctl::编辑框);
  if (tooLong) return kHelperTooLong;
  if (deny && deniedAssignments == 0) return kHelperNotDenied;
  if (pid == 0) return kHelperNoStandIn;
  return processEnds(pid, 5000) ? kHelperOk : kHelperLeftRunning;
}

// When this program was started as the helper, it does the helper's part and ends before
// the first test.
class JobHelper : public ::testing::Environment {
 public:
  void SetUp() override {
    char mode[64] = {};
    if (GetEnvironmentVariableA("KESTROVA_JOB_HELPER", mode, sizeof mode) == 0) return;
    std::fflush(stdout);
    ExitProcess(runJobHelper(mode));
  }
};
[[maybe_unused]] ::testing::Environment* const kJobHelper =
    ::testing::AddGlobalTestEnvironment(new JobHelper);

struct JobCase {
  const char* name;
  DWORD outerLimits;  // the limits of the job the helper runs in
  const char* mode;   // KESTROVA_JOB_HELPER
};

const JobCase kJobCases[] = {
    {"NoBreakawayStop", 0, "assign,stop"},
    {"BreakawayOkStop", JOB_OBJECT_LIMIT_BREAKAWAY_OK, "assign,stop"},
    {"NoBreakawayNoNestingStop", 0, "deny,stop"},
    {"NoBreakawayNoNestingInterpreterEnded", 0, "deny,orphan"},
    {"NoBreakawayInterpreterEnded", 0, "assign,orphan"},
    {"BreakawayOkNoNestingStop", JOB_OBJECT_LIMIT_BREAKAWAY_OK, "deny,stop"},
};

void PrintTo(const JobCase& c, std::ostream* out) {
  *out << c.name;
}

class InsideAJob : public ::testing::TestWithParam<JobCase> {};

TEST_P(InsideAJob, TheStandInEndsWithTheCapture) {
  const JobCase& c = GetParam();
  UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
  ASSERT_TRUE(job);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  // Closing it at the end of the test ends whatever the helper left.
  limits.BasicLimitInformation.LimitFlags = c.outerLimits | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  ASSERT_TRUE(SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                      sizeof limits));

  char self[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
  std::string line = "\"" + std::string(self, n) + "\"";
  const Environment helper("KESTROVA_JOB_HELPER", c.mode);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             nullptr, nullptr, &si, &pi))
      << GetLastError();
  const UniqueHandle process(pi.hProcess);
  const UniqueHandle thread(pi.hThread);
  ASSERT_TRUE(AssignProcessToJobObject(job.get(), process.get())) << GetLastError();
  ResumeThread(thread.get());

  ASSERT_EQ(WaitForSingleObject(process.get(), 60000), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the helper did not finish";
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(process.get(), &code));
  EXPECT_EQ(code, static_cast<DWORD>(kHelperOk))
      << "10: no stand-in pid seen, 11: the stand-in still ran after the capture, 12: the "
         "assignment was never asked for, 13: the capture did not finish, 14: no import to "
         "replace";
}

INSTANTIATE_TEST_SUITE_P(WinProcessSystem, InsideAJob, ::testing::ValuesIn(kJobCases),
                         [](const auto& param) { return std::string(param.param.name); });

// The process system as the program uses it, with every wait of the capture looked at when
// it returns: a wait that finds no finished read, no ended child and no message woke for
// nothing.
class WatchedProcesses final : public ProcessSystem {
 public:
  // Made instead of a fresh pipe when set.
  std::function<std::unique_ptr<OutputPipe>()> makePipe;
  int waits = 0;
  int wokeForNothing = 0;

  PlatformFamily platformFamily() override { return inner_.platformFamily(); }
  bool isLeadByte(unsigned char b) override { return inner_.isLeadByte(b); }
  std::unique_ptr<OutputPipe> createPipe() override {
    return makePipe ? makePipe() : inner_.createPipe();
  }
  std::unique_ptr<ChildProcess> startChild(const std::string& commandLine,
                                           const StartupRecord& startup,
                                           OutputPipe& pipe) override {
    return std::make_unique<Child>(*this, inner_.startChild(commandLine, startup, pipe));
  }

 private:
  class Child final : public ChildProcess {
   public:
    Child(WatchedProcesses& owner, std::unique_ptr<ChildProcess> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    bool exitCode(std::uint32_t& code) override { return inner_->exitCode(code); }
    void terminate() override { inner_->terminate(); }
    void waitForMessageOrEnd(OutputPipe* output) override {
      inner_->waitForMessageOrEnd(output);
      ++owner_.waits;
      const auto* pipe = dynamic_cast<WinPipe*>(output);
      const bool outputReady = pipe != nullptr && pipe->readEvent() != nullptr &&
                               WaitForSingleObject(pipe->readEvent(), 0) == WAIT_OBJECT_0;
      HANDLE process = static_cast<WinChild&>(*inner_).process();
      const bool ended = process != nullptr && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
      const bool message = HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0;
      if (!outputReady && !ended && !message) ++owner_.wokeForNothing;
    }

   private:
    WatchedProcesses& owner_;
    std::unique_ptr<ChildProcess> inner_;
  };

  WinProcessSystem inner_;
};

struct WatchedCapture : ::testing::Test {
  testing::FakeUi ui;
  WatchedProcesses processes;
  Capture capture{ui, processes};
};

double qpcMilliseconds(long long ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

TEST_F(WatchedCapture, ALineEvery200MsWakesTheCaptureOnlyForItsOutput) {
  const std::string ping = fixturePing();
  ASSERT_FALSE(ping.empty()) << "fixtures\\ping.exe not found";
  const Environment interval("KESTROVA_PING_INTERVAL_MS", "200");
  const Environment stamp("KESTROVA_PING_STAMP", "1");

  // Each reply line's delay from the stand-in's stamp (taken just before it wrote the line)
  // to the end of the pass that appended it.
  std::vector<double> delays;
  std::string box;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  ui.onProcessEvents = [&] {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::string text = ui.state(Ctl::编辑框).text;
    for (auto end = text.find("\r\n", box.size()); end != std::string::npos;
         end = text.find("\r\n", box.size())) {
      const std::string line = text.substr(box.size(), end - box.size());
      box = text.substr(0, end + 2);
      const auto at = line.find(" qpc=");
      if (at != std::string::npos) {
        delays.push_back(qpcMilliseconds(now.QuadPart - std::stoll(line.substr(at + 5))));
      }
    }
    // Ten lines, two seconds; then the ping is stopped as Stop does it.
    if (delays.size() >= 10 || Clock::now() > deadline) {
      capture.run("", false, Ctl::编辑框);
      capture.endRunningChildren();
    }
  };
  capture.run(ping + " 127.0.0.1 -t", true, Ctl::编辑框);

  ASSERT_EQ(delays.size(), 10u) << ui.state(Ctl::编辑框).text;
  std::string figures;
  for (const double d : delays) figures += std::to_string(d).substr(0, 5) + " ";
  // Every wake-up had a reason: output, the child's end or a message. A wait with a timeout
  // of 10 ms would wake about 180 times for nothing in these two seconds.
  EXPECT_LE(processes.wokeForNothing, 2) << "of " << processes.waits << " waits";
  EXPECT_LE(processes.waits, 25) << "for 10 lines";
  // A line is in the box as soon as it is written (a few ms here; the bound leaves room for
  // a loaded machine, and is far below the 200 ms between lines).
  EXPECT_LE(*std::max_element(delays.begin(), delays.end()), 100.0) << "delays ms: " << figures;
  std::printf("waits %d, for nothing %d; delays ms: %s\n", processes.waits,
              processes.wokeForNothing, figures.c_str());
}

TEST_F(WatchedCapture, APipeNameThatIsTakenLeavesAPipeWithoutEnds) {
  const std::string name =
      "\\\\.\\pipe\\kestrova-test-taken-" + std::to_string(GetCurrentProcessId());
  WinPipe first(name);
  ASSERT_NE(first.writeEnd(), nullptr);
  // Every capture's pipe has a name of its own.
  WinPipe fresh1;
  WinPipe fresh2;
  EXPECT_NE(fresh1.writeEnd(), nullptr);
  EXPECT_NE(fresh2.writeEnd(), nullptr);

  processes.makePipe = [&] { return std::make_unique<WinPipe>(name); };
  capture.run("echo lost", true, Ctl::编辑框);
  // The child ran with nowhere to write; the capture waited for its end and read nothing.
  EXPECT_EQ(ui.state(Ctl::编辑框).text, "");
  EXPECT_EQ(processes.wokeForNothing, 0);
  EXPECT_EQ(capture.running(), 0u);
}

}  // namespace
}  // namespace kestrova::win
