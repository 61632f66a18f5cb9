// The interface counter table: for every row of the system's interface table, its received
// and sent octet counters as they stood at the latest successful refresh.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/system.h"

namespace kestrova {

// One row, with the members of the system's interface row under their names. Only the two
// octet counters are ever set; they hold the unsigned counters bit for bit.
struct IfRecord {
  std::u16string wszName;
  std::int32_t dwIndex = 0;
  std::int32_t dwType = 0;
  std::int32_t dwMtu = 0;
  std::int32_t dwSpeed = 0;
  std::int32_t dwPhysAddrLen = 0;
  std::vector<std::uint8_t> bPhysAddr;
  std::int32_t dwAdminStatus = 0;
  std::int32_t dwOperStatus = 0;
  std::int32_t dwLastChange = 0;
  std::int32_t dwInOctets = 0;
  std::int32_t dwInUcastPkts = 0;
  std::int32_t dwInNUcastPkts = 0;
  std::int32_t dwInDiscards = 0;
  std::int32_t dwInErrors = 0;
  std::int32_t dwInUnknownProtos = 0;
  std::int32_t dwOutOctets = 0;
  std::int32_t dwOutUcastPkts = 0;
  std::int32_t dwOutNUcastPkts = 0;
  std::int32_t dwOutDiscards = 0;
  std::int32_t dwOutErrors = 0;
  std::int32_t dwOutQLen = 0;
  std::int32_t dwDescrLen = 0;
  std::vector<std::uint8_t> bDescr;
};

// Byte layout of the system's table buffer: a 4-byte entry count, then rows of 860 bytes.
inline constexpr std::size_t kIfRowSize = 860;
inline constexpr std::size_t kInOctetsOffset = 552;
inline constexpr std::size_t kOutOctetsOffset = 576;

class InterfaceTable {
 public:
  // Table creation: zero records.
  void create() { records_.clear(); }
  // Table refresh: replaces every record on success, leaves the table as it was on failure.
  void refresh(IfTableSource& source);
  // Table release: frees every record and the table.
  void release() { std::vector<std::unique_ptr<IfRecord>>().swap(records_); }

  int count() const { return static_cast<int>(records_.size()); }
  // Record i, counted from 1; i must lie within 1..count().
  const IfRecord& record(int i) const { return *records_[static_cast<std::size_t>(i - 1)]; }

 private:
  std::vector<std::unique_ptr<IfRecord>> records_;
};

}  // namespace kestrova
