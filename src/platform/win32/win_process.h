// Win32 side of the command output capture: named pipes read in the background, children
// started inside a job object that ends their whole tree when it is closed, and the platform
// family.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "platform/process.h"
#include "platform/win32/handles.h"

namespace kestrova::win {

// A named pipe of one instance, named after the process and a counter. Its read end reads
// overlapped: one read at a time is kept under way, and its event is set once it has
// finished. The write end is synchronous and inheritable, as an anonymous pipe's is.
class WinPipe final : public OutputPipe {
 public:
  WinPipe();  // a fresh name
  // No ends when the name is taken or either end cannot be made.
  explicit WinPipe(const std::string& name);
  ~WinPipe() override { closeReadEnd(); }
  WinPipe(const WinPipe&) = delete;
  WinPipe& operator=(const WinPipe&) = delete;

  void closeWriteEnd() override { write_.reset(); }
  void closeReadEnd() override;
  std::uint32_t bytesAvailable() override;
  std::uint32_t read(std::uint8_t* buffer, std::uint32_t size) override;

  HANDLE writeEnd() const { return write_.get(); }
  // The event of the read under way (set once it has finished); null when none is.
  HANDLE readEvent() const { return underWay_ ? event_.get() : nullptr; }

 private:
  // Starts a read of at most `size` bytes into the zero-filled buffer.
  void startRead(std::uint32_t size);
  // Whether the read under way has finished; on success `got` holds its byte count.
  bool finished(DWORD& got);

  UniqueHandle read_;
  UniqueHandle write_;
  UniqueHandle event_;
  OVERLAPPED overlapped_{};
  std::array<std::uint8_t, 1024> buffer_{};
  bool underWay_ = false;
  // Set once a read has failed: the pipe is broken, every writer gone.
  bool broken_ = false;
};

class WinChild final : public ChildProcess {
 public:
  // A child that never started: no handles.
  WinChild() = default;
  WinChild(UniqueHandle job, UniqueHandle process, UniqueHandle thread)
      : job_(std::move(job)), process_(std::move(process)), thread_(std::move(thread)) {}
  // Ends what the child left running when no job holds it (with a job, closing the job does).
  ~WinChild() override;
  WinChild(const WinChild&) = delete;
  WinChild& operator=(const WinChild&) = delete;

  bool exitCode(std::uint32_t& code) override;
  void waitForMessageOrEnd(OutputPipe* output) override;
  void terminate() override;

  HANDLE process() const { return process_.get(); }

 private:
  // Declared first so that it is closed last, after the process and thread handles.
  UniqueHandle job_;
  UniqueHandle process_;
  UniqueHandle thread_;
};

class WinProcessSystem final : public ProcessSystem {
 public:
  PlatformFamily platformFamily() override;
  bool isLeadByte(unsigned char b) override { return IsDBCSLeadByte(b) != FALSE; }
  std::unique_ptr<OutputPipe> createPipe() override;
  std::unique_ptr<ChildProcess> startChild(const std::string& commandLine,
                                           const StartupRecord& startup, OutputPipe& pipe) override;
};

}  // namespace kestrova::win
