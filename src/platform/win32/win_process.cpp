#include "platform/win32/win_process.h"

#include <vector>

namespace kestrova::win {

// The records handed to the system keep their sizes on both architectures.
#ifdef _WIN64
static_assert(sizeof(SECURITY_ATTRIBUTES) == 24);
static_assert(sizeof(STARTUPINFOA) == 104);
#else
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12);
static_assert(sizeof(STARTUPINFOA) == 68);
#endif
static_assert(STILL_ACTIVE == kStillActive);
static_assert(STARTF_USESHOWWINDOW == kUseShowWindow && STARTF_USESTDHANDLES == kUseStdHandles);
static_assert(SW_HIDE == kHideWindow);

namespace {

// A job that ends every process in it when its last handle is closed. Its handle is not
// inheritable, so no child can keep it open.
UniqueHandle makeKillOnCloseJob() {
  UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
  if (!job) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    job.reset();
  }
  return job;
}

}  // namespace

WinPipe::WinPipe() {
  SECURITY_ATTRIBUTES sa{};
  sa.nLength = sizeof sa;
  sa.lpSecurityDescriptor = nullptr;
  sa.bInheritHandle = TRUE;
  HANDLE r = nullptr;
  HANDLE w = nullptr;
  if (CreatePipe(&r, &w, &sa, 0)) {
    read_.reset(r);
    write_.reset(w);
  }
}

std::uint32_t WinPipe::bytesAvailable() {
  if (!read_) return 0;
  DWORD available = 0;
  if (!PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &available, nullptr)) return 0;
  return available;
}

std::uint32_t WinPipe::read(std::uint8_t* buffer, std::uint32_t size) {
  if (!read_) return 0;
  DWORD got = 0;
  if (!ReadFile(read_.get(), buffer, size, &got, nullptr)) return 0;
  return got;
}

bool WinChild::exitCode(std::uint32_t& code) {
  if (!process_) return false;
  DWORD c = 0;
  if (!GetExitCodeProcess(process_.get(), &c)) return false;
  code = c;
  return true;
}

void WinChild::waitForMessageOrEnd(std::uint32_t milliseconds) {
  HANDLE h = process_.get();
  MsgWaitForMultipleObjects(h ? 1 : 0, h ? &h : nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

void WinChild::terminate() {
  if (job_) {
    // Ends the child and every process it started; the handle stays open until the child's
    // object goes, so the job cannot be reused meanwhile.
    TerminateJobObject(job_.get(), 1);
  } else if (process_) {
    TerminateProcess(process_.get(), 1);
  }
}

PlatformFamily WinProcessSystem::platformFamily() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return PlatformFamily::other;
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT ? PlatformFamily::nt : PlatformFamily::other;
}

std::unique_ptr<OutputPipe> WinProcessSystem::createPipe() {
  return std::make_unique<WinPipe>();
}

std::unique_ptr<ChildProcess> WinProcessSystem::startChild(const std::string& commandLine,
                                                           const StartupRecord& startup,
                                                           OutputPipe& pipe) {
  auto* winPipe = dynamic_cast<WinPipe*>(&pipe);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = startup.flags;
  si.wShowWindow = startup.showWindow;
  si.hStdInput = nullptr;
  si.hStdOutput = winPipe ? winPipe->writeEnd() : nullptr;
  si.hStdError = si.hStdOutput;
  PROCESS_INFORMATION pi{};

  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');

  // Started suspended, so that it is in its job before it can start anything of its own.
  UniqueHandle job = makeKillOnCloseJob();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                      nullptr, &si, &pi)) {
    return std::make_unique<WinChild>();
  }
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  if (job && !AssignProcessToJobObject(job.get(), process.get())) {
    // The program's own job forbids a nested one (systems before Windows 8): the child can
    // then be ended only by itself.
    job.reset();
  }
  ResumeThread(thread.get());
  return std::make_unique<WinChild>(std::move(job), std::move(process), std::move(thread));
}

}  // namespace kestrova::win
