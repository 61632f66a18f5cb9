#include "platform/win32/win_process.h"

#include <algorithm>
#include <cstring>
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

using CancelIoExFn = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);

// Cancels the read under way on `h`. CancelIoEx first appeared in Windows Vista; CancelIo,
// which cancels what the calling thread started, does the same here: the capture's thread
// is the only one that reads.
void cancelRead(HANDLE h, OVERLAPPED* read) {
  static const auto cancelIoEx = [] {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return CancelIoExFn{};
    return reinterpret_cast<CancelIoExFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "CancelIoEx")));
  }();
  if (cancelIoEx != nullptr) {
    cancelIoEx(h, read);
  } else {
    CancelIo(h);
  }
}

// Unique to this process and this pipe.
std::string freshPipeName() {
  static std::uint32_t made = 0;
  return "\\\\.\\pipe\\kestrova-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++made);
}

// The size that CreatePipe gives a pipe when asked for the default.
constexpr DWORD kPipeBufferSize = 4096;

}  // namespace

WinPipe::WinPipe() : WinPipe(freshPipeName()) {}

WinPipe::WinPipe(const std::string& name) {
  // One instance, and only if the name is not taken already: nobody else can be at the
  // other end.
  HANDLE r = CreateNamedPipeA(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, kPipeBufferSize, kPipeBufferSize, 0,
      nullptr);
  if (r == INVALID_HANDLE_VALUE) return;
  UniqueHandle readEnd(r);
  SECURITY_ATTRIBUTES sa{};
  sa.nLength = sizeof sa;
  sa.lpSecurityDescriptor = nullptr;
  sa.bInheritHandle = TRUE;
  HANDLE w = CreateFileA(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, &sa, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (w == INVALID_HANDLE_VALUE) return;
  UniqueHandle writeEnd(w);
  UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!event) return;
  read_ = std::move(readEnd);
  write_ = std::move(writeEnd);
  event_ = std::move(event);
}

void WinPipe::closeReadEnd() {
  if (underWay_) {
    // The system writes into the buffer and the OVERLAPPED until the read has really ended.
    cancelRead(read_.get(), &overlapped_);
    DWORD got = 0;
    GetOverlappedResult(read_.get(), &overlapped_, &got, TRUE);
    underWay_ = false;
  }
  read_.reset();
}

void WinPipe::startRead(std::uint32_t size) {
  buffer_.fill(0);
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = event_.get();
  if (ReadFile(read_.get(), buffer_.data(), size, nullptr, &overlapped_) ||
      GetLastError() == ERROR_IO_PENDING) {
    underWay_ = true;
  } else {
    broken_ = true;
  }
}

bool WinPipe::finished(DWORD& got) {
  got = 0;
  if (GetOverlappedResult(read_.get(), &overlapped_, &got, FALSE)) {
    underWay_ = false;
    return true;
  }
  if (GetLastError() == ERROR_IO_INCOMPLETE) return false;
  underWay_ = false;
  broken_ = true;
  got = 0;
  return true;
}

std::uint32_t WinPipe::bytesAvailable() {
  if (!read_) return 0;
  DWORD taken = 0;
  if (underWay_ && HasOverlappedIoCompleted(&overlapped_)) {
    taken = static_cast<DWORD>(overlapped_.InternalHigh);
  }
  DWORD inPipe = 0;
  if (!PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &inPipe, nullptr)) inPipe = 0;
  return taken + inPipe;
}

std::uint32_t WinPipe::read(std::uint8_t* buffer, std::uint32_t size) {
  if (!read_) return 0;
  // A read under way was started by an earlier call with the same size.
  size = std::min<std::uint32_t>(size, static_cast<std::uint32_t>(buffer_.size() - 1));
  for (;;) {
    if (!underWay_) {
      if (broken_) return 0;
      startRead(size);
      if (!underWay_) return 0;
    }
    DWORD got = 0;
    if (!finished(got)) return 0;  // its event wakes the capture's wait
    if (broken_) return 0;
    // A write of no bytes finishes a read with none: read again.
    if (got == 0) continue;
    got = std::min<DWORD>(got, size);
    std::memcpy(buffer, buffer_.data(), got);
    return got;
  }
}

bool WinChild::exitCode(std::uint32_t& code) {
  if (!process_) return false;
  DWORD c = 0;
  if (!GetExitCodeProcess(process_.get(), &c)) return false;
  code = c;
  return true;
}

void WinChild::waitForMessageOrEnd(OutputPipe* output) {
  HANDLE handles[2];
  DWORD count = 0;
  if (process_) handles[count++] = process_.get();
  const auto* pipe = dynamic_cast<WinPipe*>(output);
  if (pipe != nullptr && pipe->readEvent() != nullptr) handles[count++] = pipe->readEvent();
  // Also a message that an earlier look at the queue left there wakes it.
  MsgWaitForMultipleObjectsEx(count, count != 0 ? handles : nullptr, INFINITE, QS_ALLINPUT,
                              MWMO_INPUTAVAILABLE);
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
