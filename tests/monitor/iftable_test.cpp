#include "monitor/iftable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <vector>

#include "support/fake_system.h"

namespace kestrova {
namespace {

// A scripted GetIfTable: each refresh takes the next script entry.
struct ScriptedCall {
  std::uint32_t firstSize;          // what the first call reports
  std::uint32_t secondCode;         // what the second call returns
  std::vector<std::uint8_t> bytes;  // what the second call writes
};

class ScriptedIfTable : public IfTableSource {
 public:
  std::deque<ScriptedCall> script;
  int calls = 0;

  std::uint32_t getIfTable(std::uint8_t* buffer, std::uint32_t* size, bool sorted) override {
    ++calls;
    if (!sorted) {
      *size = script.front().firstSize;
      return 122;  // ERROR_INSUFFICIENT_BUFFER
    }
    ScriptedCall call = script.front();
    script.pop_front();
    std::memcpy(buffer, call.bytes.data(), std::min<std::size_t>(*size, call.bytes.size()));
    return call.secondCode;
  }
};

// Bytes the refresh must not read are 0xEE.
std::vector<std::uint8_t> tableBytes(const testing::OctetRows& rows) {
  return testing::tableBytes(rows, 0xEE);
}

ScriptedCall ok(std::vector<std::uint8_t> bytes) {
  auto size = static_cast<std::uint32_t>(bytes.size());
  return {size, 0, std::move(bytes)};
}

TEST(InterfaceTable, ThreeRowsGiveThreeRecordsWithOnlyTheirCountersSet) {
  ScriptedIfTable src;
  src.script.push_back(ok(tableBytes({{1, 2}, {300, 400}, {0x7FFFFFFF, 5}})));
  InterfaceTable t;
  t.create();
  t.refresh(src);
  ASSERT_EQ(t.count(), 3);
  EXPECT_EQ(t.record(2).dwInOctets, 300);
  EXPECT_EQ(t.record(2).dwOutOctets, 400);
  EXPECT_EQ(t.record(3).dwInOctets, 0x7FFFFFFF);
  const IfRecord& r = t.record(1);
  EXPECT_EQ(r.dwIndex, 0);
  EXPECT_EQ(r.dwInUcastPkts, 0);
  EXPECT_EQ(r.dwOutQLen, 0);
  EXPECT_TRUE(r.wszName.empty());
  EXPECT_TRUE(r.bPhysAddr.empty());
  EXPECT_TRUE(r.bDescr.empty());
}

TEST(InterfaceTable, CountersAtAndAboveTwoToTheThirtyOneReadNegativeWithTheSameBits) {
  ScriptedIfTable src;
  src.script.push_back(ok(tableBytes({{0x80000000u, 0xFFFFFFFFu}})));
  InterfaceTable t;
  t.refresh(src);
  ASSERT_EQ(t.count(), 1);
  EXPECT_EQ(t.record(1).dwInOctets, INT32_MIN);
  EXPECT_EQ(t.record(1).dwOutOctets, -1);
}

TEST(InterfaceTable, ZeroRowsEmptyTheTable) {
  ScriptedIfTable src;
  src.script.push_back(ok(tableBytes({{1, 1}, {2, 2}})));
  src.script.push_back(ok(tableBytes({})));
  InterfaceTable t;
  t.refresh(src);
  ASSERT_EQ(t.count(), 2);
  t.refresh(src);
  EXPECT_EQ(t.count(), 0);
}

TEST(InterfaceTable, AFailedSecondCallLeavesTheTableAsItWas) {
  ScriptedIfTable src;
  auto bytes = tableBytes({{7, 8}, {9, 10}});
  src.script.push_back({static_cast<std::uint32_t>(bytes.size()), 122, bytes});  // first tick
  src.script.push_back(ok(bytes));
  src.script.push_back({static_cast<std::uint32_t>(bytes.size()), 122, tableBytes({{1, 1}})});
  InterfaceTable t;
  t.create();
  t.refresh(src);
  EXPECT_EQ(t.count(), 0) << "a failure on the first tick leaves the table empty";
  t.refresh(src);
  t.refresh(src);
  ASSERT_EQ(t.count(), 2);
  EXPECT_EQ(t.record(2).dwInOctets, 9);
  EXPECT_EQ(t.record(2).dwOutOctets, 10);
}

TEST(InterfaceTable, ASizeOfZeroOrLessDoesNotCallAgain) {
  for (std::uint32_t size : {0u, 0x80000000u, 0xFFFFFFFFu}) {
    ScriptedIfTable src;
    src.script.push_back({size, 0, tableBytes({{1, 1}})});
    InterfaceTable t;
    t.refresh(src);
    EXPECT_EQ(src.calls, 1) << size;
    EXPECT_EQ(t.count(), 0) << size;
  }
}

TEST(InterfaceTable, BytesPastTheEndOfAShortBufferReadAsZero) {
  // Two rows claimed; the buffer ends two bytes into row 2's received counter.
  auto full = tableBytes({{0x11111111, 0x22222222}, {0x44332211, 0x55555555}});
  std::vector<std::uint8_t> cut(full.begin(), full.begin() + 4 + kIfRowSize + kInOctetsOffset + 2);
  ScriptedIfTable src;
  src.script.push_back(ok(cut));
  InterfaceTable t;
  t.refresh(src);
  ASSERT_EQ(t.count(), 2);
  EXPECT_EQ(t.record(1).dwOutOctets, 0x22222222);
  EXPECT_EQ(t.record(2).dwInOctets, 0x2211);
  EXPECT_EQ(t.record(2).dwOutOctets, 0);
}

TEST(InterfaceTable, RepeatedRefreshesMakeFreshRecordsEachTime) {
  ScriptedIfTable src;
  InterfaceTable t;
  for (std::uint32_t tick = 0; tick < 50; ++tick) {
    src.script.push_back(ok(tableBytes({{tick, tick + 1}, {tick * 2, tick * 3}})));
    t.refresh(src);
    ASSERT_EQ(t.count(), 2);
    EXPECT_EQ(t.record(2).dwInOctets, static_cast<std::int32_t>(tick * 2));
  }
  t.release();
  EXPECT_EQ(t.count(), 0);
}

}  // namespace
}  // namespace kestrova
