#include "console/capture.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

namespace kestrova {
namespace {

// Keeps a child on the list of running children for the length of its capture.
class RunningEntry {
 public:
  RunningEntry(std::vector<ChildProcess*>& list, ChildProcess* child) : list_(list), child_(child) {
    list_.push_back(child_);
  }
  RunningEntry(const RunningEntry&) = delete;
  RunningEntry& operator=(const RunningEntry&) = delete;
  ~RunningEntry() { list_.erase(std::find(list_.begin(), list_.end(), child_)); }

 private:
  std::vector<ChildProcess*>& list_;
  ChildProcess* child_;
};

}  // namespace

void Capture::run(std::string_view command, bool append, Ctl target) {
  if (command.empty()) {
    flag_ = 0;
    return;
  }
  flag_ = 1;

  auto pipe = processes_.createPipe();
  const StartupRecord startup;
  auto commandLine = std::make_unique<std::string>(
      processes_.platformFamily() == PlatformFamily::nt ? "cmd.exe /c " : "command.com /c ");
  commandLine->append(command);
  auto child = processes_.startChild(*commandLine, startup, *pipe);
  commandLine.reset();
  pipe->closeWriteEnd();

  const RunningEntry entry(running_, child.get());
  std::uint32_t exitCode = 0;
  // Set once the main window is gone: the child is ended and nothing more is read.
  bool closing = false;
  for (;;) {
    const std::uint32_t waiting = pipe->bytesAvailable();
    if (waiting != 0 && flag_ == 1 && !closing) {
      readChunk(*pipe, append, target);
    } else {
      child->exitCode(exitCode);
      if (exitCode != kStillActive) {
        if (flag_ == 1 && !closing) drain(*pipe, append, target);
        pipe->closeReadEnd();
        return;
      }
      // Nothing to do until a message arrives or the child ends.
      child->waitForMessageOrEnd(kIdleWaitMs);
    }
    ui_.processPendingEvents();
    if (!closing && ui_.quitPending()) {
      closing = true;
      child->terminate();
    }
  }
}

void Capture::endRunningChildren() {
  for (ChildProcess* child : running_) child->terminate();
}

std::uint32_t Capture::readChunk(OutputPipe& pipe, bool append, Ctl target) {
  std::array<std::uint8_t, kBufferSize> buffer{};
  const std::uint32_t got = std::min(pipe.read(buffer.data(), kReadSize), kReadSize);
  // The chunk ends at the first zero byte; bytes after it in this read are dropped.
  const auto* bytes = reinterpret_cast<const char*>(buffer.data());
  const auto length = static_cast<std::size_t>(std::find(bytes, bytes + got, '\0') - bytes);
  if (append) ui_.appendAnsiText(target, std::string_view(bytes, length));
  return got;
}

void Capture::drain(OutputPipe& pipe, bool append, Ctl target) {
  // Only what is waiting now: whatever is left in the child's job could go on writing.
  std::uint32_t left = pipe.bytesAvailable();
  while (left != 0) {
    const std::uint32_t got = readChunk(pipe, append, target);
    if (got == 0) break;
    left -= std::min(got, left);
  }
}

}  // namespace kestrova
