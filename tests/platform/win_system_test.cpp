// Tier 2: the Win32 platform layer against the real (Wine) API.
#include "platform/win32/win_system.h"

#include <gtest/gtest.h>
#include <iphlpapi.h>
#include <windows.h>

#include <cstddef>
#include <vector>

#include "monitor/iftable.h"

namespace kestrova {
namespace {

// The byte positions the core reads are the platform's, in this build and in the
// 32-bit one: MIB_IFROW holds no pointer, so both builds agree (the 32-bit build checks the
// same with static_asserts in win_system.cpp).
static_assert(sizeof(MIB_IFROW) == 860u && sizeof(MIB_IFROW) == kIfRowSize);
static_assert(offsetof(MIB_IFROW, dwInOctets) == 552u &&
              offsetof(MIB_IFROW, dwInOctets) == kInOctetsOffset);
static_assert(offsetof(MIB_IFROW, dwOutOctets) == 576u &&
              offsetof(MIB_IFROW, dwOutOctets) == kOutOctetsOffset);
static_assert(offsetof(MIB_IFTABLE, table) == 4u && sizeof(DWORD) == 4u);

// The system's table read directly, as the program's one import answers it.
std::vector<MIB_IFROW> systemRows() {
  ULONG size = 0;
  EXPECT_EQ(GetIfTable(nullptr, &size, TRUE), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<std::uint8_t> buffer(size);
  EXPECT_EQ(GetIfTable(reinterpret_cast<MIB_IFTABLE*>(buffer.data()), &size, TRUE),
            static_cast<DWORD>(NO_ERROR));
  const auto* table = reinterpret_cast<const MIB_IFTABLE*>(buffer.data());
  return {table->table, table->table + table->dwNumEntries};
}

TEST(WinIfTableSource, FirstCallWithSizeZeroReportsTheSizeNeeded) {
  WinIfTableSource source;
  std::uint8_t one = 0;
  std::uint32_t size = 0;
  const std::uint32_t code = source.getIfTable(&one, &size, true);
  EXPECT_EQ(code, static_cast<std::uint32_t>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_GT(size, 0u);
  EXPECT_EQ(one, 0) << "nothing may be written into a buffer declared as 0 bytes";
}

TEST(WinIfTableSource, SecondCallFillsRowsSortedByIndex) {
  WinIfTableSource source;
  std::uint8_t one = 0;
  std::uint32_t size = 0;
  source.getIfTable(&one, &size, true);
  ASSERT_GT(size, 0u);

  std::vector<std::uint8_t> buffer(size);
  std::uint32_t size2 = size;
  ASSERT_EQ(source.getIfTable(buffer.data(), &size2, true), static_cast<std::uint32_t>(NO_ERROR));
  const auto* table = reinterpret_cast<const MIB_IFTABLE*>(buffer.data());
  ASSERT_GE(table->dwNumEntries, 1u) << "the loopback interface at least";
  ASSERT_LE(4 + table->dwNumEntries * sizeof(MIB_IFROW), size);
  for (DWORD i = 1; i < table->dwNumEntries; ++i) {
    EXPECT_LT(table->table[i - 1].dwIndex, table->table[i].dwIndex) << "row " << i + 1;
  }
}

TEST(WinIfTableSource, TheCoreTableReadsTheSameCountersAsTheRows) {
  // Counters only grow (well short of a wrap within one test): the core's reading lies between
  // a reading of the system's table before it and one after it, row by row.
  const std::vector<MIB_IFROW> before = systemRows();
  WinIfTableSource source;
  InterfaceTable table;
  table.create();
  table.refresh(source);
  const std::vector<MIB_IFROW> after = systemRows();
  ASSERT_GE(before.size(), 1u) << "the loopback interface at least";
  ASSERT_EQ(after.size(), before.size()) << "an interface came or went during the test";
  ASSERT_EQ(static_cast<std::size_t>(table.count()), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    ASSERT_EQ(after[i].dwIndex, before[i].dwIndex) << "row " << i + 1;
    const IfRecord& r = table.record(static_cast<int>(i) + 1);
    const auto in = static_cast<DWORD>(r.dwInOctets), out = static_cast<DWORD>(r.dwOutOctets);
    // Differences modulo 2^32, as the counters wrap.
    EXPECT_LE(in - before[i].dwInOctets, after[i].dwInOctets - before[i].dwInOctets)
        << "row " << i + 1 << " received: core " << in << ", system " << before[i].dwInOctets
        << " then " << after[i].dwInOctets;
    EXPECT_LE(out - before[i].dwOutOctets, after[i].dwOutOctets - before[i].dwOutOctets)
        << "row " << i + 1 << " sent: core " << out << ", system " << before[i].dwOutOctets
        << " then " << after[i].dwOutOctets;
  }
  table.release();
  EXPECT_EQ(table.count(), 0);
}

}  // namespace
}  // namespace kestrova
