// Stand-ins for the system figures, the local clock and an interface table the test sets row
// by row.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "monitor/iftable.h"
#include "platform/figures.h"
#include "platform/system.h"
#include "support/fake_ui.h"

namespace kestrova::testing {

class FakeFigures : public SystemFigures {
 public:
  int load = 0;
  PhysicalMemory memory{1024, 512};
  int baselines = 0;
  int loadReadings = 0;

  void takeCpuBaseline() override { ++baselines; }
  int cpuLoadPercent() override {
    ++loadReadings;
    return load;
  }
  PhysicalMemory physicalMemory() override { return memory; }
};

class FakeClock : public LocalClock {
 public:
  LocalTime time{2011, 3, 4, 9, 5, 7};
  LocalTime now() override { return time; }
};

using OctetRows = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// A table buffer as the system writes it: entry count, then rows of 860 bytes with their
// received and sent octets; every other byte is `filler`.
inline std::vector<std::uint8_t> tableBytes(const OctetRows& rows, std::uint8_t filler = 0) {
  std::vector<std::uint8_t> b(4 + rows.size() * kIfRowSize, filler);
  const auto put32 = [&b](std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(0, static_cast<std::uint32_t>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    put32(4 + i * kIfRowSize + kInOctetsOffset, rows[i].first);
    put32(4 + i * kIfRowSize + kOutOctetsOffset, rows[i].second);
  }
  return b;
}

// An interface table whose rows (received, sent octets) the test sets; every refresh reads
// them as they stand.
class RowsIfTable : public IfTableSource {
 public:
  OctetRows rows;
  bool failing = false;

  std::uint32_t getIfTable(std::uint8_t* buffer, std::uint32_t* size, bool sorted) override {
    const auto bytes = tableBytes(rows);
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (!sorted || *size < needed) {
      *size = needed;
      return 122;  // ERROR_INSUFFICIENT_BUFFER
    }
    if (failing) return 31;  // ERROR_GEN_FAILURE
    std::memcpy(buffer, bytes.data(), bytes.size());
    *size = needed;
    return 0;
  }
};

}  // namespace kestrova::testing
