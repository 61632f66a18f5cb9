// What the command output capture needs of the system: a pipe whose output can be waited
// for, a child process started on its write end inside a job that ends the child's whole
// tree, and the platform family that picks the command interpreter. The Win32 side implements it;
// native tests use a scripted child.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kestrova {

// Exit code that a child reports while it runs.
inline constexpr std::uint32_t kStillActive = 259;

// The startup record's flags and window state, as the system spells them.
inline constexpr std::uint32_t kUseShowWindow = 1;
inline constexpr std::uint32_t kUseStdHandles = 256;
inline constexpr std::uint16_t kHideWindow = 0;

// How the child is started: window hidden, standard output and standard error both on the
// pipe's write end, no standard input.
struct StartupRecord {
  std::uint32_t flags = kUseShowWindow | kUseStdHandles;
  std::uint16_t showWindow = kHideWindow;
};

enum class PlatformFamily : std::uint8_t { nt, other };

// A pipe for the child's output. Its write end is inheritable; its read end reads in the
// background, so that the capture can wait for output together with window messages and the
// child's end. The ends still open are closed when it is destroyed, a read still under way
// cancelled first.
class OutputPipe {
 public:
  virtual ~OutputPipe() = default;
  virtual void closeWriteEnd() = 0;
  virtual void closeReadEnd() = 0;
  // Bytes that can be taken without waiting: those a read under way has already taken and
  // those still in the pipe; 0 when there are none or the pipe cannot be asked.
  virtual std::uint32_t bytesAvailable() = 0;
  // Takes at most `size` bytes (at most 1023) into `buffer` and returns how many. When none
  // have arrived it returns 0 and leaves a read under way, which takes the next bytes to
  // arrive and holds them for the next call. 0 as well once the pipe is broken or has no
  // read end.
  virtual std::uint32_t read(std::uint8_t* buffer, std::uint32_t size) = 0;
};

// A started child. Destroying it closes its handles and its job, which ends every process
// still left in the job.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Stores the child's exit code in `code` and returns true; leaves `code` alone and returns
  // false when it cannot be read (for instance, the child never started).
  virtual bool exitCode(std::uint32_t& code) = 0;
  // Returns when a message is waiting for this thread, the child has ended, or, when
  // `output` is given, a read under way on it has finished. Waits as long as it takes.
  virtual void waitForMessageOrEnd(OutputPipe* output) = 0;
  // Ends the child and everything it started. The child's exit code then stops reading as
  // still active soon after; the object stays usable.
  virtual void terminate() = 0;
};

class ProcessSystem {
 public:
  virtual ~ProcessSystem() = default;
  virtual PlatformFamily platformFamily() = 0;
  // True when the byte starts a two-byte character in the system's ANSI code page, the code
  // page of the command line.
  virtual bool isLeadByte(unsigned char b) = 0;
  // Never null; a pipe that could not be created has no ends and never reports bytes.
  virtual std::unique_ptr<OutputPipe> createPipe() = 0;
  // Starts `commandLine` with handle inheritance on, standard output and error on the pipe's
  // write end. Never null; a child that could not start reports no exit code.
  virtual std::unique_ptr<ChildProcess> startChild(const std::string& commandLine,
                                                   const StartupRecord& startup,
                                                   OutputPipe& pipe) = 0;
};

}  // namespace kestrova
