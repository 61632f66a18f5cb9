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
  // The lead byte of a two-byte character whose second byte the next read brings.
  std::string held;
  for (;;) {
    // Output is taken only while the flag is 1. Bytes that a read under way has taken
    // meanwhile stay held in the pipe, ahead of anything written later.
    const bool reading = flag_ == 1 && !closing;
    if (!reading || readChunk(*pipe, append, target, held) == 0) {
      child->exitCode(exitCode);
      if (exitCode != kStillActive) {
        if (flag_ == 1 && !closing) {
          drain(*pipe, append, target, held);
          // A lead byte that nothing followed is output all the same.
          if (append && !held.empty()) ui_.appendAnsiText(target, held);
        }
        pipe->closeReadEnd();
        return;
      }
      // Nothing to do until output, a message or the child's end arrives. Output wakes the
      // wait only while it is taken.
      child->waitForMessageOrEnd(reading ? pipe.get() : nullptr);
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

std::uint32_t Capture::readChunk(OutputPipe& pipe, bool append, Ctl target, std::string& held) {
  std::array<std::uint8_t, kBufferSize> buffer{};
  const std::uint32_t got = std::min(pipe.read(buffer.data(), kReadSize), kReadSize);
  if (got == 0) return 0;
  // The chunk ends at the first zero byte; bytes after it in this read are dropped.
  const auto* bytes = reinterpret_cast<const char*>(buffer.data());
  const auto length = static_cast<std::size_t>(std::find(bytes, bytes + got, '\0') - bytes);
  std::string text = std::move(held);
  held.clear();
  text.append(bytes, length);
  // A read may end between the two bytes of a character: its lead byte waits for the rest,
  // so that the box converts the character whole.
  const std::size_t whole = wholeCharacters(text);
  held.assign(text, whole);
  text.resize(whole);
  if (append) ui_.appendAnsiText(target, text);
  return got;
}

void Capture::drain(OutputPipe& pipe, bool append, Ctl target, std::string& held) {
  // Only what is waiting now: whatever is left in the child's job could go on writing.
  std::uint32_t left = pipe.bytesAvailable();
  while (left != 0) {
    const std::uint32_t got = readChunk(pipe, append, target, held);
    if (got == 0) break;
    left -= std::min(got, left);
  }
}

std::size_t Capture::wholeCharacters(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (!processes_.isLeadByte(static_cast<unsigned char>(text[i]))) {
      ++i;
    } else if (i + 1 < text.size()) {
      i += 2;
    } else {
      return i;
    }
  }
  return text.size();
}

}  // namespace kestrova
