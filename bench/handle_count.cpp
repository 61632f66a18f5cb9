// Prints the handles that a running program holds, as the wineserver (or Windows) counts them:
// the entries of the system handle table owned by the first process of the given exe name,
// and GetProcessHandleCount for it. Used by wine_no_growth.sh; prints "handles n/a" where the
// system does not tell.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

// The layout of NtQuerySystemInformation's SystemHandleInformation (class 16).
struct HandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

DWORD findProcess(const wchar_t* exe) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  DWORD pid = 0;
  for (BOOL ok = Process32FirstW(snap, &e); ok && !pid; ok = Process32NextW(snap, &e)) {
    if (_wcsicmp(e.szExeFile, exe) == 0) pid = e.th32ProcessID;
  }
  CloseHandle(snap);
  return pid;
}

long systemTableCount(DWORD pid) {
  auto query = reinterpret_cast<NtQuerySystemInformationFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<unsigned char> buffer(1 << 20);
  for (int i = 0; i < 8; ++i) {
    ULONG needed = 0;
    const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) {
      const auto* t = reinterpret_cast<const HandleTable*>(buffer.data());
      long n = 0;
      for (ULONG k = 0; k < t->count; ++k) n += t->entries[k].ownerPid == pid;
      return n;
    }
    if (status != static_cast<LONG>(0xC0000004)) return -1;  // not STATUS_INFO_LENGTH_MISMATCH
    buffer.resize(buffer.size() * 2);
  }
  return -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t* exe = argc > 1 ? argv[1] : L"Kestrova.exe";
  const DWORD pid = findProcess(exe);
  if (!pid) {
    std::printf("handles n/a (no process %ls)\n", exe);
    return 1;
  }
  const long table = systemTableCount(pid);
  DWORD count = 0;
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  const BOOL ok = p && GetProcessHandleCount(p, &count);
  if (p) CloseHandle(p);
  std::printf("handles %ld getprocesshandlecount %ld\n", table,
              ok ? static_cast<long>(count) : -1L);
  return 0;
}
