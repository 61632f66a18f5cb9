// Prints what the program would read of the interface table: the row count, and for row 2
// the interface index (from the raw rows) and the two octet counters (from the core's table
// refresh over the Win32 platform layer). Used by netns_iftable.sh.
#include <iphlpapi.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "monitor/iftable.h"
#include "platform/win32/win_system.h"

int main() {
  kestrova::WinIfTableSource source;
  std::uint8_t one = 0;
  std::uint32_t size = 0;
  source.getIfTable(&one, &size, true);
  std::vector<std::uint8_t> buffer(size ? size : 1);
  if (source.getIfTable(buffer.data(), &size, true) != NO_ERROR) {
    std::printf("error GetIfTable\n");
    return 1;
  }
  const auto* rows = reinterpret_cast<const MIB_IFTABLE*>(buffer.data());

  kestrova::InterfaceTable table;
  table.create();
  table.refresh(source);
  std::printf("rows %lu %d\n", static_cast<unsigned long>(rows->dwNumEntries), table.count());
  if (rows->dwNumEntries >= 2 && table.count() >= 2) {
    std::printf("row2 index %lu in %lu out %lu\n", static_cast<unsigned long>(rows->table[1].dwIndex),
                static_cast<unsigned long>(static_cast<std::uint32_t>(table.record(2).dwInOctets)),
                static_cast<unsigned long>(static_cast<std::uint32_t>(table.record(2).dwOutOctets)));
  }
  table.release();
  return 0;
}
