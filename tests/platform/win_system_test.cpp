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
TEST(WinIfTableLayout, RowIs860BytesWithTheCountersAt552And576) {
  EXPECT_EQ(sizeof(MIB_IFROW), 860u);
  EXPECT_EQ(sizeof(MIB_IFROW), kIfRowSize);
  EXPECT_EQ(offsetof(MIB_IFROW, dwInOctets), 552u);
  EXPECT_EQ(offsetof(MIB_IFROW, dwOutOctets), 576u);
  EXPECT_EQ(offsetof(MIB_IFROW, dwInOctets), kInOctetsOffset);
  EXPECT_EQ(offsetof(MIB_IFROW, dwOutOctets), kOutOctetsOffset);
  EXPECT_EQ(offsetof(MIB_IFTABLE, table), 4u);
  EXPECT_EQ(sizeof(DWORD), 4u);
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
  WinIfTableSource source;
  InterfaceTable table;
  table.create();
  table.refresh(source);
  ASSERT_GE(table.count(), 1);
  for (int i = 1; i <= table.count(); ++i) {
    EXPECT_EQ(table.record(i).dwIndex, 0) << "the refresh sets only the two counters";
  }
  table.release();
  EXPECT_EQ(table.count(), 0);
}

}  // namespace
}  // namespace kestrova
