// Win32 side of the command output capture: anonymous pipes, children started inside a job
// object that ends their whole tree when it is closed, and the platform family.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/process.h"
#include "platform/win32/handles.h"

namespace kestrova::win {

class WinPipe final : public OutputPipe {
 public:
  WinPipe();  // both ends inheritable; no ends when CreatePipe fails
  void closeWriteEnd() override { write_.reset(); }
  void closeReadEnd() override { read_.reset(); }
  std::uint32_t bytesAvailable() override;
  std::uint32_t read(std::uint8_t* buffer, std::uint32_t size) override;

  HANDLE writeEnd() const { return write_.get(); }

 private:
  UniqueHandle read_;
  UniqueHandle write_;
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
  void waitForMessageOrEnd(std::uint32_t milliseconds) override;
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
