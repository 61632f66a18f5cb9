#include "platform/win32/process_tree.h"

#include <tlhelp32.h>

#include <cstdint>
#include <vector>

#include "platform/win32/handles.h"

namespace kestrova::win {
namespace {

// Passes over the process list; each ends one more generation.
constexpr int kMaxPasses = 8;
// How long one pass waits for the processes it ended to go.
constexpr DWORD kGoneWaitMs = 1000;

std::uint64_t creationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

struct Member {
  DWORD pid;
  std::uint64_t created;
  UniqueHandle handle;  // empty for the root, whose handle the caller holds
};

struct Entry {
  DWORD pid;
  DWORD parent;
};

std::vector<Entry> processList() {
  std::vector<Entry> out;
  UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return out;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    out.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
  }
  return out;
}

const Member* memberWithPid(const std::vector<Member>& family, DWORD pid) {
  for (const auto& m : family) {
    if (m.pid == pid) return &m;
  }
  return nullptr;
}

}  // namespace

void endProcessTree(HANDLE root) {
  std::vector<Member> family;
  family.push_back({GetProcessId(root), creationTime(root), UniqueHandle()});
  // The top first, so that it starts nothing more while its children are looked for.
  TerminateProcess(root, 1);
  WaitForSingleObject(root, kGoneWaitMs);

  for (int pass = 0; pass < kMaxPasses; ++pass) {
    std::vector<HANDLE> ended;
    for (const Entry& e : processList()) {
      const Member* parent = memberWithPid(family, e.parent);
      if (parent == nullptr || e.pid == 0 || memberWithPid(family, e.pid) != nullptr) continue;
      UniqueHandle h(
          OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, e.pid));
      if (!h) continue;
      const std::uint64_t created = creationTime(h.get());
      // Older than its supposed parent: the id belonged to another process before.
      if (created == 0 || created < parent->created) continue;
      TerminateProcess(h.get(), 1);
      ended.push_back(h.get());
      family.push_back({e.pid, created, std::move(h)});
    }
    if (ended.empty()) return;
    for (HANDLE h : ended) WaitForSingleObject(h, kGoneWaitMs);
  }
}

}  // namespace kestrova::win
