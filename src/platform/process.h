// What the command output capture needs of the system: an anonymous pipe, a child process
// started on its write end inside a job that ends the child's whole tree, and the platform
// family that picks the command interpreter. The Win32 side implements it; native tests use
// a scripted child.
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

// An anonymous pipe whose two ends can be inherited. The ends still open are closed when it
// is destroyed.
class OutputPipe {
 public:
  virtual ~OutputPipe() = default;
  virtual void closeWriteEnd() = 0;
  virtual void closeReadEnd() = 0;
  // Bytes waiting in the pipe; 0 when there are none or the pipe cannot be asked.
  virtual std::uint32_t bytesAvailable() = 0;
  // Reads at most `size` bytes into `buffer`; returns how many were read (0 on failure).
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
  // Returns when a message arrives for this thread, the child ends, or `milliseconds` pass.
  virtual void waitForMessageOrEnd(std::uint32_t milliseconds) = 0;
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
