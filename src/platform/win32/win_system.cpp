#include "platform/win32/win_system.h"

#include <iphlpapi.h>
#include <windows.h>

namespace kestrova {

static_assert(sizeof(MIB_IFROW) == 860, "the table's byte layout relies on 860-byte rows");
static_assert(offsetof(MIB_IFROW, dwInOctets) == 552);
static_assert(offsetof(MIB_IFROW, dwOutOctets) == 576);

std::uint32_t WinIfTableSource::getIfTable(std::uint8_t* buffer, std::uint32_t* size, bool sorted) {
  ULONG n = *size;
  const DWORD code = GetIfTable(reinterpret_cast<PMIB_IFTABLE>(buffer), &n, sorted ? TRUE : FALSE);
  *size = n;
  return code;
}

}  // namespace kestrova
