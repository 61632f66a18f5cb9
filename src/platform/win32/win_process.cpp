#include "platform/win32/win_process.h"

#include <vector>

#include "platform/win32/process_tree.h"

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

// Whether a child may leave the job that this program runs in (the job has
// JOB_OBJECT_LIMIT_BREAKAWAY_OK). Outside a job there is nothing to leave.
bool ownJobAllowsBreakaway() {
  BOOL inJob = FALSE;
  if (!IsProcessInJob(GetCurrentProcess(), nullptr, &inJob) || !inJob) return false;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  if (!QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &limits, sizeof limits,
                                 nullptr)) {
    return false;
  }
  return (limits.BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_BREAKAWAY_OK) != 0;
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

WinChild::~WinChild() {
  // Without a job, what the child left running is ended here, as closing the job would.
  if (!job_ && process_) endProcessTree(process_.get());
}

void WinChild::terminate() {
  if (job_) {
    // Ends the child and every process it started; the handle stays open until the child's
    // object goes, so the job cannot be reused meanwhile.
    TerminateJobObject(job_.get(), 1);
  } else if (process_) {
    // No job holds the child: its tree is found by the processes' parents.
    endProcessTree(process_.get());
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
  // Where this program runs in a job of its own that lets children leave it, the child
  // leaves it, so that it can be put in the child's job also where jobs cannot be nested
  // (systems before Windows 8).
  UniqueHandle job = makeKillOnCloseJob();
  const DWORD flags = CREATE_SUSPENDED;
  const bool breakaway = job && ownJobAllowsBreakaway();
  BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                flags | (breakaway ? CREATE_BREAKAWAY_FROM_JOB : 0), nullptr,
                                nullptr, &si, &pi);
  if (!started && breakaway && GetLastError() == ERROR_ACCESS_DENIED) {
    // A job further out forbids leaving: the child stays in the program's jobs.
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                             &si, &pi);
  }
  if (!started) return std::make_unique<WinChild>();
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  if (job && !AssignProcessToJobObject(job.get(), process.get())) {
    // The program's own job cannot hold a nested one and the child could not leave it: the
    // child is then ended with its tree, found by the processes' parents (terminate and the
    // destructor).
    job.reset();
  }
  ResumeThread(thread.get());
  return std::make_unique<WinChild>(std::move(job), std::move(process), std::move(thread));
}

}  // namespace kestrova::win
