// The capture against real children under the system's command interpreter.
#include "platform/win32/win_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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
