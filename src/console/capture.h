// The command output capture: runs one command line under the system's command interpreter
// with its window hidden, and streams what it writes into an edit box while the window
// stays live. Called with an empty command it is the stop switch.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/layout.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace kestrova {

// Bytes taken from the pipe per pass; the buffer has one more, which stays zero.
inline constexpr std::uint32_t kReadSize = 1023;
inline constexpr std::size_t kBufferSize = 1024;

class Capture {
 public:
  Capture(Ui& ui, ProcessSystem& processes) : ui_(ui), processes_(processes) {}
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  // Runs `command` (ANSI) and appends its output to `target` when `append` is true; returns
  // when the child has ended and its output is read. Window events are handled inside, so
  // another capture can run nested in it. An empty command clears the running flag and
  // returns at once.
  void run(std::string_view command, bool append, Ctl target);

  // Ends the children of every capture now running; each capture then finishes by itself.
  void endRunningChildren();

  // The capture running flag: 1 from the start of a capture, 0 after the stop request.
  std::int32_t runningFlag() const { return flag_; }
  // Captures on the stack right now, nested ones included.
  std::size_t running() const { return running_.size(); }

 private:
  // One read of at most kReadSize bytes, appended up to its first zero byte; returns the
  // number of bytes read, 0 when none had arrived. A lead byte that ends the chunk is kept
  // in `held` and goes in front of the next chunk.
  std::uint32_t readChunk(OutputPipe& pipe, bool append, Ctl target, std::string& held);
  // After the child has ended: takes what was still waiting in the pipe at that moment.
  void drain(OutputPipe& pipe, bool append, Ctl target, std::string& held);
  // How many bytes of `text` are whole characters of the ANSI code page: all of them, or all
  // but a last lead byte whose second byte is still to come.
  std::size_t wholeCharacters(std::string_view text);

  Ui& ui_;
  ProcessSystem& processes_;
  std::int32_t flag_ = 0;
  std::vector<ChildProcess*> running_;
};

}  // namespace kestrova
